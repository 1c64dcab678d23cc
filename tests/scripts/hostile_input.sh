#!/usr/bin/env bash
# Files and options that are not what they claim, and project files that ask
# for too much: each ends at once with a one-line error and exit 1 or 2, and
# Ctrl-C and SIGTERM end the windowed show, also while it builds.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expected-code message-pattern description command...: one line on stderr
# naming the fault, well within the time limit (a sanitizer build may ask
# for more through SHOW_CHECK_SECONDS).
limit=${SHOW_CHECK_SECONDS:-5}
expect() {
  local code=$1 pattern=$2 what=$3
  shift 3
  local start=$SECONDS
  timeout $((limit * 2)) "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$code" ] || fail "$what: exit $got, expected $code ($(head -c 300 "$work/err"))"
  head -n 1 "$work/err" | grep -q -- "$pattern" || fail "$what: no '$pattern' in: $(head -c 300 "$work/err")"
  [ $((SECONDS - start)) -le "$limit" ] || fail "$what: took $((SECONDS - start)) s"
}

compile() {  # name, then the source on stdin
  "$projc" /dev/stdin -o "$work/$1.bin" <<<"$(cat)" || fail "projc compiles $1"
}

mkdir "$work/dir"
mkfifo "$work/fifo"
expect 1 "project file $work/dir: is a directory" "project directory" "$show" --render "$work/r" --project "$work/dir"
expect 1 "/dev/zero: is a device" "project device" "$show" --render "$work/r" --project /dev/zero
expect 1 "is a FIFO" "project FIFO" "$show" --render "$work/r" --project "$work/fifo"
truncate -s 40M "$work/huge.bin"
expect 1 "is 41943040 bytes, over the limit" "oversized project" "$show" --render "$work/r" --project "$work/huge.bin"
expect 1 "module file $work/dir: is a directory" "module directory" "$show" --wav "$work/m.wav" --module "$work/dir"
expect 1 "is a FIFO" "module FIFO" "$show" --wav "$work/m.wav" --module "$work/fifo"

printf 'mesh\n  build Grid 1670 1670 0 32 32\n' | compile grid
expect 1 "mesh 0, track Grid: 2792241 positions in one mesh exceed the limit of 1048576" "1670 x 1670 grid" \
  "$show" --render "$work/r" --project "$work/grid.bin"
for i in 1 2 3 4; do printf 'mesh\n  build Grid 1670 1670 0 32 32\n'; done | compile grids
expect 1 "mesh 0, track Grid" "four large grids" "$show" --dump-meshes "$work/m" --project "$work/grids.bin"
printf 'texture\n  build Sprinkle 2147483520 0 0 1 0 0 255 255 255\n' | compile sprinkle
expect 1 "texture 0, track Sprinkle: 2147483520 sprinkles exceed the limit" "sprinkle count" \
  "$show" --dump-textures "$work/t" --project "$work/sprinkle.bin"
printf 'mesh\n  param Repeat 2e9\n' | compile repeat
expect 1 "mesh 0, track Repeat: 2000000000 repeats exceed the limit of 1000" "repeat count" \
  "$show" --render "$work/r" --project "$work/repeat.bin"
printf 'scene\n  param ZoomGlow 6 2e9\n' | compile zoom
expect 1 "scene 0, track ZoomGlow: 2000000000 glow layers exceed" "zoom glow count" \
  "$show" --render "$work/r" --project "$work/zoom.bin"
printf 'scene\n  param RingGlow 4 0 unchecked\n    key 0 smooth 4 0\n    key 9 smooth 4 2e9\n' | compile ring
expect 1 "scene 0, track RingGlow: 20000[0-9]* ring copies exceed" "keyed ring glow count" \
  "$show" --render "$work/r" --project "$work/ring.bin"
printf 'particles\n  param Emission 2e7\n' | compile particles
expect 1 "particles 0, track Emission: 20000000 particles in one system exceed" "20 million particles" \
  "$show" --render "$work/r" --project "$work/particles.bin"
printf 'particles\n  param Emission 2e9\n' | compile allparticles
expect 1 "particles 0, track Emission: 2000000000 particles" "2e9 particles" \
  "$show" --render "$work/r" --project "$work/allparticles.bin"

printf 'particles from 0 to 60\n  param Emission 100\n    key 40 smooth 100\n    key 41 smooth -1.7e15\n    key 42 smooth -1.5e16\n    key 43 smooth 0\n' | compile cancelling
expect 1 "particles 0, track Emission:" "keys that cancel in double but not in float32" \
  "$show" --render "$work/r" --project "$work/cancelling.bin"

expect 2 "bad time '6e13' for --seconds" "--seconds 6e13" "$show" --wav "$work/x.wav" --seconds 6e13
expect 2 "bad time '1e15' for --seconds" "--seconds 1e15" "$show" --wav "$work/x.wav" --seconds 1e15
expect 2 "bad time '1e300' for --to" "--to 1e300" "$show" --render "$work/r" --to 1e300
expect 2 "bad time '1e300' for --from" "--from 1e300" "$show" --render "$work/r" --from 1e300 --to 1e301
expect 1 "nothing to write: --from 200 is at or after the end of the show" "--from after the show" "$show" --render "$work/r" --from 200 --to 300
[ ! -e "$work/x.wav" ] || fail "no WAV file is written for a refused length"

# Endless or oversized inputs to the tools, and options that ask for more
# memory than a capture may hold: refused at once, never an abort.
xmtune=$(dirname "$projc")/xmtune
expect 1 "cannot read /dev/zero: is over the limit of 16777216 bytes" "projc reads an endless input" \
  "$projc" /dev/zero -o "$work/z.bin"
expect 1 "cannot read /dev/zero: is over the limit of 33554432 bytes" "projc --decompile reads an endless input" \
  "$projc" --decompile /dev/zero -o "$work/z.proj"
expect 1 "cannot read /dev/zero: is over the limit of 4194304 bytes" "xmtune reads an endless input" \
  "$xmtune" /dev/zero -o "$work/z.xm"
expect 1 "over the limit of 2048 a sheet" "--sheet --every 0.001" "$show" --sheet "$work/s.png" --every 0.001
expect 2 "is 268435456 pixels, over the limit" "--resolution 16384x16384" \
  "$show" --render "$work/r" --resolution 16384x16384
expect 2 "bad time '1111111111111111111111111111111111111111... (100000 characters)' for --to" "a 100 KB number" \
  "$show" --render "$work/r" --to "$(head -c 100000 /dev/zero | tr '\0' 1)"
for i in $(seq 17); do printf 'instrument i%d\n osc sine C-4\n length 1000000\n' "$i"; done >"$work/big.tune"
printf 'pattern p\n.\norder p\n' >>"$work/big.tune"
expect 1 "brings the module's samples to 34000000 bytes, past the limit" "a tune of a 34 MB module" \
  "$xmtune" "$work/big.tune" -o "$work/big.xm"
[ ! -e "$work/z.bin" ] && [ ! -e "$work/z.xm" ] && [ ! -e "$work/big.xm" ] || fail "a refused input left an output"

expect 2 "--from 200 is past the end of the show at 122 seconds" "--from 200 for the show" "$show" --from 200
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "--from 200: one line, not the usage: $(head -c 300 "$work/err")"
expect 1 "nothing to write: --fps 0.001 puts no frame" "a tiny --fps" "$show" --render "$work/r" --fps 0.001

# Counts past what project data holds name the line where they pass it.
for i in $(seq 256); do printf 'light\n'; done >"$work/lights.proj"
expect 1 "lights.proj:256:1: a project holds at most 255 objects of a kind" "256 lights" \
  "$projc" "$work/lights.proj" -o "$work/lights.bin"
(printf 'mesh\n'; for i in $(seq 256); do printf '  build Sphere\n'; done) >"$work/tracks.proj"
expect 1 "tracks.proj:257:3: an object has at most 255 build tracks" "256 tracks" \
  "$projc" "$work/tracks.proj" -o "$work/tracks.bin"
(printf 'mesh from 0 to 300\n  param Repeat 1\n'; for i in $(seq 256); do printf '    key %d smooth 1\n' "$i"; done) >"$work/keys.proj"
expect 1 "keys.proj:258:5: a track has at most 255 keys" "256 keys" "$projc" "$work/keys.proj" -o "$work/keys.bin"
printf 'title "Ignition\n' >"$work/quote.tune"
expect 1 "quote.tune:1: a quoted text has no closing quote" "an unclosed quote in a tune" \
  "$xmtune" "$work/quote.tune" -o "$work/quote.xm"

# An output directory that cannot be written is found before the build.
printf 'texture\n  build SetSize 512\n' >"$work/slow.proj"
for i in $(seq 200); do printf '  build Clouds 8 0 0 64\n'; done >>"$work/slow.proj"
"$projc" "$work/slow.proj" -o "$work/slow.bin" || fail "projc compiles slow"
expect 1 "cannot write into directory /proc" "unwritable render directory" \
  "$show" --render /proc --project "$work/slow.bin"
mkdir "$work/locked" && chmod 555 "$work/locked"
if ! touch "$work/locked/x" 2>/dev/null; then  # not root
  expect 1 "cannot write into directory $work/locked" "read-only directory" \
    "$show" --dump-textures "$work/locked" --project "$work/slow.bin"
fi

# Ctrl-C during the build and SIGTERM while the show plays end the process.
if command -v xvfb-run >/dev/null; then
  for case in "INT slow" "TERM grid1"; do
    set -- $case
    printf 'mesh\n  build Grid 8 8 0 32 32\n' | compile grid1
    rm -f "$work/pid"
    SHOW_AUDIO=null timeout 60 xvfb-run -a env --default-signal=INT,TERM \
      sh -c "echo \$\$ >'$work/pid'; exec '$show' --resolution 160x120 --project '$work/$2.bin'" >/dev/null 2>&1 &
    waiter=$!
    for _ in $(seq 100); do [ -s "$work/pid" ] && break; sleep 0.1; done
    sleep 2
    pid=$(cat "$work/pid")
    kill -0 "$pid" 2>/dev/null || fail "SIG$1: the show ended before the signal"
    kill "-$1" "$pid"
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      fail "SIG$1 does not end the show ($2)"
      kill -KILL "$pid"
    fi
    wait "$waiter"
  done
else
  echo "skipped the signal checks: xvfb-run is not installed"
fi

[ "$failures" -eq 0 ] && echo "all hostile-input checks passed"
exit "$failures"
