#!/usr/bin/env bash
# The windowed show with and without a sound device: with SDL's file-writing
# driver the music comes out as the show runs; with no driver that opens,
# the show says so once and runs on silent.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! command -v xvfb-run >/dev/null; then
  echo "skipped: xvfb-run is not installed"
  exit 0
fi

# Runs the windowed show in the background until `ready` holds (or a
# minute has passed: building the project comes first), then ends it.
# Sets `running` to whether the show was still going at that point.
run_until() {  # ready-command show-environment...
  local ready=$1
  shift
  # The timeout only ends a show that hangs: well past the waiting below,
  # which a loaded machine (sanitizers, parallel tests) stretches.
  env "$@" timeout 240 xvfb-run -a "$show" --resolution 320x240 ${extra:-} >"$work/log" 2>&1 &
  local pid=$!
  for _ in $(seq 120); do
    eval "$ready" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  sleep 1
  running=false
  kill -0 "$pid" 2>/dev/null && running=true
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

bytes() { stat -c %s "$work/music.raw" 2>/dev/null || echo 0; }

# Half a second of 16-bit stereo at 44,100 Hz at least, and not all zero.
run_until '[ "$(bytes)" -ge 88200 ]' SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw"
[ "$(bytes)" -ge 88200 ] || fail "the device got $(bytes) bytes of music ($(tail -c 300 "$work/log"))"
od -An -tx1 -v -N 2000000 "$work/music.raw" | grep -q '[1-9a-f]' || fail "the music is silent"
grep -q "no sound device" "$work/log" && fail "a device was there, yet the show ran silent"

# Started at 50 s, the device plays the music from its frame 2,205,000 on,
# as a WAV from the start has it. Silence comes first while the device is
# paused: the first sound lines the two up.
first_sound() { cmp "$1" /dev/zero 2>/dev/null | sed -n 's/.* byte \([0-9]*\).*/\1/p'; }
rm -f "$work/music.raw"
extra="--from 50" run_until '[ "$(bytes)" -ge 400000 ]' SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw"
"$show" --wav "$work/from0.wav" --seconds 56 >/dev/null
tail -c +$((44 + 2205000 * 4 + 1)) "$work/from0.wav" >"$work/tail.raw"
lead=$(( $(first_sound "$work/music.raw") - $(first_sound "$work/tail.raw") ))
length=$(( $(bytes) - lead ))
tail_bytes=$(stat -c %s "$work/tail.raw")
[ "$length" -le "$tail_bytes" ] || length=$tail_bytes
[ "$length" -ge 200000 ] && cmp -s -n "$length" "$work/music.raw" "$work/tail.raw" "$lead" 0 ||
  fail "the music of --from 50 is not the music from 50 s on (lead $lead, $length bytes compared)"

run_until 'grep -q "no sound device" "$work/log"' SDL_AUDIODRIVER=no-such-driver
$running || fail "without sound the show should run on ($(tail -c 300 "$work/log"))"
[ "$(grep -c "no sound device: the show runs silent" "$work/log")" -eq 1 ] || fail "the silent show says why, once"

# The null device opens anywhere: nothing is heard, and nothing is missing.
started=$SECONDS
run_until '[ $((SECONDS - started)) -ge 20 ]' SHOW_AUDIO=null SDL_AUDIODRIVER=no-such-driver
$running || fail "the show should run on the null device ($(tail -c 300 "$work/log"))"
grep -q "no sound device" "$work/log" && fail "the null device is a device"

[ "$failures" -eq 0 ] && echo "the show plays its music, or runs silent without a device"
exit "$failures"
