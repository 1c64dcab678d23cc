#!/usr/bin/env bash
# The layers demonstration project, end to end: it compiles, renders every
# frame without a shader compile log or any other complaint, and its frames
# change as the show runs.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$projc" "$source/content/layers.proj" -o "$work/layers.bin" || fail "projc compiles content/layers.proj"
"$show" --render "$work/frames" --project "$work/layers.bin" --resolution 320x240 --fps 1 --to 12 \
  >"$work/out" 2>"$work/err" || fail "render exits 0: $(head -c 300 "$work/err")"
[ "$(ls "$work/frames" | grep -c "^frame_")" -eq 12 ] || fail "12 frames written, found $(ls "$work/frames" | grep -c "^frame_")"
[ ! -s "$work/err" ] || fail "nothing on stderr (no GLSL compile log): $(head -c 300 "$work/err")"
sums=$(cd "$work/frames" && md5sum frame_00002.png frame_00005.png frame_00010.png | awk '{print $1}' | sort -u | wc -l)
[ "$sums" -eq 3 ] || fail "frames at 2, 5 and 10 s differ"

[ "$failures" -eq 0 ] && echo "layers: all checks passed"
exit "$failures"
