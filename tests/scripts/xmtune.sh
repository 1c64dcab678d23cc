#!/usr/bin/env bash
# xmtune from the command line: the show's tune compiles to an XM module the
# same way twice; a bad source exits 1 naming its line, and leaves no file
# (not even one that was there before).
# Arguments: <show> <projc> <source dir>
set -u
xmtune=$(dirname "$1")/xmtune
source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$xmtune" "$source/content/music.tune" -o "$work/a.xm" || fail "the show's tune compiles"
"$xmtune" "$source/content/music.tune" -o "$work/b.xm" || fail "the show's tune compiles twice"
cmp -s "$work/a.xm" "$work/b.xm" || fail "the same source gives the same bytes"
[ "$(head -c 17 "$work/a.xm")" = "Extended Module: " ] || fail "the output is an XM module"

printf 'channels 2\ninstrument sq\n  osc square C-4\n  volume 99\n' >"$work/bad.tune"
echo "old" >"$work/bad.xm"
"$xmtune" "$work/bad.tune" -o "$work/bad.xm" 2>"$work/err"
[ $? -eq 1 ] || fail "a bad source exits 1"
grep -q "^$work/bad.tune:4: a volume 99 is outside 0..64\$" "$work/err" || fail "the error names the line: $(cat "$work/err")"
[ "$(cat "$work/bad.xm")" = "old" ] || fail "a failed compile leaves the old output alone"
[ -z "$(ls "$work" | grep tmp)" ] || fail "no temporary file is left"

[ "$failures" -eq 0 ] && echo "xmtune: all checks passed"
exit "$failures"
