#!/usr/bin/env bash
# The program's command line, end to end: help, bad options, project files
# that cannot be trusted, captures and a driver without a required extension.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_exit() {  # expected-code description command...
  local expected=$1 what=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "$what: exit $code, expected $expected ($(head -c 300 "$work/err"))"
}

expect_exit 0 "--help" "$show" --help
grep -q -- "--render DIR" "$work/out" || fail "--help prints the usage"

expect_exit 2 "unknown option" "$show" --frobnicate
grep -q "unknown option '--frobnicate'" "$work/err" || fail "unknown option is named"
grep -q "^usage:" "$work/err" || fail "usage follows the error"
expect_exit 2 "bad resolution" "$show" --resolution 12by7
expect_exit 2 "bad frame rate" "$show" --render "$work/x" --fps 0

# A small project: two scenes on a timeline.
cat >"$work/small.proj" <<'PROJ'
scene a from 0 to 1
scene b from 1 to 2
timeline from 0 to 124
  param Scene 0
    key 0 step 0
    key 1 step 1
PROJ
"$projc" "$work/small.proj" -o "$work/small.bin" || fail "projc compiles the small project"

expect_exit 0 "render 1 s at 10 fps" "$show" --render "$work/frames" --project "$work/small.bin" --fps 10 --to 1
[ "$(ls "$work/frames" | grep -c '^frame_')" -eq 10 ] || fail "10 frames written, found $(ls "$work/frames" | grep -c '^frame_')"
[ -s "$work/frames/music.wav" ] || fail "the music is written beside the frames"
[ -f "$work/frames/frame_00009.png" ] || fail "frames are numbered from 00000"
head -c 8 "$work/frames/frame_00000.png" | od -An -tx1 | grep -q "89 50 4e 47 0d 0a 1a 0a" || fail "frames are PNG files"

expect_exit 0 "render a span" "$show" --render "$work/span" --project "$work/small.bin" --fps 4 --from 1 --to 2.5 \
  --resolution 320x240
[ "$(ls "$work/span" | grep -c '^frame_')" -eq 6 ] || fail "6 frames from 1 s to 2.5 s at 4 fps, found $(ls "$work/span" | grep -c '^frame_')"

# Untrusted project files: a clear one-line error naming the offset, exit 1.
head -c 20 "$work/small.bin" >"$work/truncated.bin"
expect_exit 1 "truncated project" "$show" --render "$work/t" --project "$work/truncated.bin"
grep -q "truncated at byte offset" "$work/err" || fail "truncated project names the offset: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "one line of error"
expect_exit 1 "missing project" "$show" --render "$work/t" --project "$work/nothing.bin"
grep -q "cannot read project file" "$work/err" || fail "missing project file is named"

# A driver without a required extension ends the program with code 1.
MESA_EXTENSION_OVERRIDE=-GL_ARB_multitexture expect_exit 1 "no multitexturing" \
  "$show" --render "$work/m" --project "$work/small.bin" --to 0.1
[ ! -e "$work/m/frame_00000.png" ] || fail "no frame is written without the extension"

[ "$failures" -eq 0 ] && echo "all command-line checks passed"
exit "$failures"
