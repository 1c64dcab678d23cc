#!/usr/bin/env bash
# The picture keeps its 4:3 shape on outputs of other shapes: captured wide
# (pillarbox) or tall (letterbox), every frame of the layers show (glows,
# captions, overlays, a sub-viewport) is the 4:3 capture, centred (but for
# a few edge pixels rounded otherwise), between black bars; --stretch fills
# the output instead.
# Arguments: <show> <projc> <source dir>
set -u
show=$1 projc=$2 source=$3
pixels="python3 $source/tests/scripts/png_pixels.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$projc" "$source/content/layers.proj" -o "$work/layers.bin" >/dev/null || fail "layers.proj compiles"
capture() {  # directory resolution [options...]
  local dir=$1 size=$2
  shift 2
  "$show" --project "$work/layers.bin" --render "$work/$dir" --fps 0.5 --to 12 --resolution "$size" "$@" \
    >/dev/null 2>"$work/err" || fail "render at $size $*: $(head -c 300 "$work/err")"
}
capture square 320x240
capture wide 480x240
capture tall 320x300
capture stretched 480x240 --stretch

for frame in "$work"/square/frame_*.png; do
  name=$(basename "$frame")
  $pixels near "$frame" 0 0 "$work/wide/$name" 80 0 320 240 || fail "$name: the pillarboxed picture is the 4:3 one"
  $pixels near "$frame" 0 0 "$work/tall/$name" 0 30 320 240 || fail "$name: the letterboxed picture is the 4:3 one"
  $pixels black "$work/wide/$name" 0 0 80 240 && $pixels black "$work/wide/$name" 400 0 80 240 ||
    fail "$name: black bars left and right"
  $pixels black "$work/tall/$name" 0 0 320 30 && $pixels black "$work/tall/$name" 0 270 320 30 ||
    fail "$name: black bars above and below"
done
[ "$(ls "$work/square" | grep -c '^frame_')" -eq 6 ] || fail "6 frames captured"
# Stretched, the picture reaches the edges: the first frame is not the pillarboxed one.
[ "$($pixels md5 "$work/stretched/frame_00003.png" | cut -d' ' -f1)" != \
  "$($pixels md5 "$work/wide/frame_00003.png" | cut -d' ' -f1)" ] || fail "--stretch fills the output"

[ "$failures" -eq 0 ] && echo "picture shape: all checks passed"
exit $((failures > 0))
