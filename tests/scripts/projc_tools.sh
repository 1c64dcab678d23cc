#!/usr/bin/env bash
# projc from the command line: the show decompiles and recompiles to the same
# bytes, an upgraded source too, and a bad source exits 1 naming its line and
# column, writing nothing.
# Arguments: <show> <projc> <source dir>
set -u
projc=$2
source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$projc" "$source/content/show.proj" -o "$work/show.bin" || fail "projc compiles content/show.proj"
"$projc" --decompile "$work/show.bin" -o "$work/decompiled.proj" || fail "--decompile exits 0"
"$projc" "$work/decompiled.proj" -o "$work/again.bin" && cmp -s "$work/show.bin" "$work/again.bin" ||
  fail "the decompiled show compiles to the same bytes"

printf 'texture t # a comment\n  build Disc 128 128 0 120 0 0 255 230 180 smooth\n' >"$work/old.proj"
"$projc" --upgrade "$work/old.proj" -o "$work/new.proj" || fail "--upgrade exits 0"
"$projc" "$work/old.proj" -o "$work/old.bin" && "$projc" "$work/new.proj" -o "$work/new.bin" &&
  cmp -s "$work/old.bin" "$work/new.bin" || fail "the upgraded source compiles to the same bytes"
grep -q '^texture t # a comment$' "$work/new.proj" || fail "the comment is kept"
grep -q 'build Disc radius=120 colour=#ffe6b4$' "$work/new.proj" || fail "values by name: $(cat "$work/new.proj")"

printf 'mesh\n  build Sphere radius=99999\n' >"$work/bad.proj"
"$projc" "$work/bad.proj" -o "$work/bad.bin" 2>"$work/err"
[ $? -eq 1 ] || fail "a bad source exits 1"
grep -q "bad.proj:2:23: radius=99999 is out of range" "$work/err" || fail "the error names line and column: $(cat "$work/err")"
[ ! -e "$work/bad.bin" ] || fail "nothing is written for a bad source"
"$projc" --decompile "$work/bad.proj" -o "$work/bad2.proj" 2>/dev/null
[ $? -eq 1 ] && [ ! -e "$work/bad2.proj" ] || fail "text is refused as project data, nothing written"

[ "$failures" -eq 0 ] && echo "projc_tools: all checks passed"
exit "$failures"
