#!/usr/bin/env bash
# Dumping a project's textures: one RGBA PNG per texture, in section order,
# at each texture's size; the built-in show's textures too. (The pixel
# conversion itself is checked by the texture tests.)
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
source_dir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Bytes of a PNG: width and height (big-endian at 16 and 20), bit depth and colour type.
png_header() { od -An -tx1 -j16 -N10 "$1" | tr -d ' \n'; }

cat >"$work/three.proj" <<'PROJ'
texture red
  build Fill 255 0 0 255 mode=3 smooth
texture small
  build SetSize 32 smooth
  build Rectangle 0 0 0 255 127 0 0 0 0 mode=3 smooth   # transparent black top half
  build Rectangle 0 128 0 255 127 0 255 255 255 mode=3 smooth  # white bottom half
texture empty
mesh ball
PROJ
"$projc" "$work/three.proj" -o "$work/three.bin" || fail "projc compiles the texture project"

"$show" --dump-textures "$work/out" --project "$work/three.bin" >"$work/stdout" 2>"$work/stderr"
code=$?
[ "$code" -eq 0 ] || fail "exit $code: $(cat "$work/stderr")"
[ "$(ls "$work/out" | wc -l)" -eq 3 ] || fail "3 textures written, found $(ls "$work/out" | wc -l)"
grep -q "wrote 3 textures" "$work/stdout" || fail "reports what it wrote: $(cat "$work/stdout")"
# 256 x 256, 8 bits, colour type 6 (RGBA)
[ "$(png_header "$work/out/texture_00.png")" = "00000100000001000806" ] || fail "texture_00 is a 256x256 RGBA PNG"
[ "$(png_header "$work/out/texture_01.png")" = "00000020000000200806" ] || fail "texture_01 is 32x32"
[ "$(png_header "$work/out/texture_02.png")" = "00000100000001000806" ] || fail "an empty program gives 256x256"

# The built-in show: one picture per texture of its project.
"$show" --dump-textures "$work/builtin" >"$work/stdout" 2>"$work/stderr" || fail "built-in show: $(cat "$work/stderr")"
expected=$(grep -c '^texture' "$source_dir/content/show.proj")
[ "$(ls "$work/builtin" | wc -l)" -eq "$expected" ] || fail "$expected built-in textures, found $(ls "$work/builtin" | wc -l)"

# Failures: a directory that cannot be made, a bad option combination.
touch "$work/file"
"$show" --dump-textures "$work/file" --project "$work/three.bin" >/dev/null 2>"$work/stderr"
[ $? -eq 1 ] || fail "a file in the way exits with 1"
grep -q "cannot create directory" "$work/stderr" || fail "names the directory problem: $(cat "$work/stderr")"
"$show" --dump-textures "$work/x" --fullscreen >/dev/null 2>&1
[ $? -eq 2 ] || fail "--fullscreen with --dump-textures exits with 2"

[ "$failures" -eq 0 ] && echo "all texture dump checks passed"
exit "$failures"
