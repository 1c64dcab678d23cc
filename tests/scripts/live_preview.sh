#!/usr/bin/env bash
# The live preview under a running show: a project source rewritten on disk
# is reloaded at the same show time (stdout says so, the title shows the new
# scene label); a broken version keeps the last good one on screen and the
# title says so; a fixed one clears that; the module likewise; the keys
# steer it; Escape ends it. A preview started on a broken source draws the
# error in its window and waits for the fix.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
if [ -z "${LIVE_PREVIEW_DISPLAY:-}" ]; then
  if ! command -v xvfb-run >/dev/null || ! command -v xwininfo >/dev/null; then
    echo "skipped: xvfb-run and xwininfo (xvfb, x11-utils) are not installed"
    exit 0
  fi
  LIVE_PREVIEW_DISPLAY=1 exec timeout 120 xvfb-run -a bash "$0" "$@"
fi
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

write_project() {  # label-of-the-second-scene [extra line]
  cat >"$work/p.proj.new" <<PROJ
scene opening from 0 to 2
scene $1 from 2 to 124
timeline from 0 to 124
  param Scene 0
    key 0 step @opening
    key 2 step @$1
    key 124 step @$1
$2
PROJ
  mv "$work/p.proj.new" "$work/p.proj"
}

title() { xwininfo -root -tree | sed -n 's/^ *0x[0-9a-f]* "\(show |[^"]*\)".*/\1/p' | head -1; }

wait_for() {  # description condition
  for _ in $(seq 100); do
    eval "$2" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  fail "$1 (title '$(title)', output: $(tail -c 300 "$work/out") $(tail -c 300 "$work/err"))"
  return 1
}

write_project alpha ""
cp "$(dirname "$show")/generated/music.xm" "$work/m.xm"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw" \
  "$show" --watch --project "$work/p.proj" --module "$work/m.xm" --resolution 160x120 --from 3 \
  >"$work/out" 2>"$work/err" &
pid=$!

wait_for "the preview starts at --from in the second scene" '[[ "$(title)" == "show | 0:0"[3-9]*" | alpha" ]]'
wait_for "the preview plays the music" '[ "$(stat -c %s "$work/music.raw" 2>/dev/null || echo 0)" -ge 88200 ]'
od -An -tx1 -v "$work/music.raw" | grep -q '[1-9a-f]' || fail "the preview's music is silent"
grep -q "no sound device" "$work/err" && fail "a device was there, yet the preview ran silent"
grep -q "^watching $work/p.proj and $work/m.xm" "$work/out" || fail "the preview says what it watches"

write_project beta ""
wait_for "a changed source is reloaded" 'grep -q "^reloaded $work/p.proj in" "$work/out"'
grep -q "at 0:0[3-9]" "$work/out" || fail "the show went on at its time: $(cat "$work/out")"
wait_for "the title shows the new label" '[[ "$(title)" == *" | beta" ]]'

write_project beta "scene broken from"
wait_for "the error is printed with file and line" 'grep -q "^$work/p.proj:8:[0-9]*: " "$work/err"'
wait_for "the title says the last good version is shown" \
  '[[ "$(title)" == *"| beta | error in p.proj: showing the last good version" ]]'
kill -0 "$pid" 2>/dev/null || fail "an error does not end the preview"

write_project gamma ""
wait_for "a fixed source clears the error" '[[ "$(title)" == *" | gamma" ]]'
[ "$(grep -c "^reloaded" "$work/out")" -eq 2 ] || fail "two good versions were reloaded: $(cat "$work/out")"

# A module that will not load keeps the last good one; a good one is loaded.
echo "not a module" >"$work/m.xm"
wait_for "a broken module is named" 'grep -q "^$work/m.xm:" "$work/err"'
wait_for "the title says so" '[[ "$(title)" == *"| error in m.xm: playing the last good version" ]]'
cp "$(dirname "$show")/generated/music.xm" "$work/m.xm"
wait_for "a good module is reloaded" 'grep -q "^reloaded $work/m.xm in" "$work/out"'
wait_for "and the error is gone" '[[ "$(title)" == *" | gamma" ]]'

# The keys, where xdotool can press them: paused, the time holds; Right
# seeks 5 seconds on; Home plays from the start.
tenths() { title | sed -n 's/^show | \([0-9]*\):\([0-9]*\)\.\([0-9]\) .*/\1 \2 \3/p' | awk '{ print ($1 * 60 + $2) * 10 + $3 }'; }
if command -v xdotool >/dev/null; then
  window=$(xdotool search --name "^show \|" | head -1)
  xdotool key --window "$window" space
  wait_for "Space pauses" '[[ "$(title)" == *" | gamma | paused" ]]'
  paused_at=$(tenths)
  sleep 0.5
  [ "$(tenths)" = "$paused_at" ] || fail "the time holds while paused: $paused_at, then $(tenths)"
  xdotool key --window "$window" Right
  wait_for "Right seeks 5 seconds on" '[ "$(tenths)" = "$((paused_at + 50))" ]'
  xdotool key --window "$window" Home
  wait_for "Home plays from the start" '[[ "$(title)" == "show | 0:0"[0-2]*" | opening" ]]'
else
  echo "skipped the keys: xdotool is not installed"
fi

if command -v xdotool >/dev/null; then
  xdotool key --window "$window" Escape
  wait "$pid"
  code=$?
  [ "$code" -eq 0 ] || fail "Escape ends the preview with code 0, not $code"
else
  kill -TERM "$pid"  # ends the program, as SIGTERM does any program
  wait "$pid"
  code=$?
  [ "$code" -eq 143 ] || fail "SIGTERM ends the preview with code 143, not $code"
fi

# The built-in show's scenes are known by their source's labels too.
SHOW_AUDIO=null "$show" --watch --module "$work/m.xm" --resolution 160x120 --from 61 >"$work/out" 2>"$work/err" &
pid=$!
wait_for "the built-in show's scene at 61 s is named" '[[ "$(title)" == "show | 1:0"[1-9]*" | orbit" ]]'
kill -TERM "$pid"
wait "$pid"

# The top of a 320-pixel window: a dark red panel with white text on it.
error_drawn() {  # what
  if ! command -v ffmpeg >/dev/null || ! ffmpeg -hide_banner -devices 2>/dev/null | grep -q x11grab; then
    echo "skipped the picture of the error: ffmpeg with x11grab is not installed"
    return
  fi
  sleep 0.5
  at=$(xwininfo -root -tree | sed -n 's/.*"show |[^"]*".* [0-9]*x[0-9]*+[-0-9]*+[-0-9]* *+\([0-9]*\)+\([0-9]*\)$/\1,\2/p' | head -1)
  ffmpeg -loglevel error -f x11grab -video_size 320x20 -i "$DISPLAY+$at" -frames:v 1 -f rawvideo -pix_fmt rgb24 - \
    >"$work/top.rgb" 2>"$work/ffmpeg.err"
  od -An -tu1 -v -w3 "$work/top.rgb" | awk '
    $1 > 60 && $2 < 40 && $3 < 40 { red++ }
    $1 > 200 && $2 > 200 && $3 > 200 { white++ }
    END { exit !(red > 3000 && white > 30) }' ||
    fail "$1: the error is drawn at the top of the window ($(od -An -tu1 -N6 "$work/top.rgb"); $(cat "$work/ffmpeg.err"))"
}

# A preview started on a module that does not load plays the show silent,
# and says so in its title and its window.
echo "not a module" >"$work/n.xm"
SHOW_AUDIO=null "$show" --watch --module "$work/n.xm" --resolution 320x240 >"$work/out" 2>"$work/err" &
pid=$!
wait_for "a broken start module is named in the title" \
  '[[ "$(title)" == *" | error in n.xm: silent until a version loads" ]]'
error_drawn "a broken start module"
kill -TERM "$pid"
wait "$pid"

# A preview started on a broken source opens its window, draws the error
# in it, and loads the source once it compiles.
printf 'scene broken from\n' >"$work/q.proj"
SHOW_AUDIO=null "$show" --watch --project "$work/q.proj" --resolution 320x240 >"$work/out" 2>"$work/err" &
pid=$!
wait_for "a broken start file opens the window and waits" \
  '[[ "$(title)" == *"| no show loaded | error in q.proj: waiting for a version that loads" ]]'
grep -q "^$work/q.proj:1:[0-9]*: " "$work/err" || fail "the error is printed with file and line: $(cat "$work/err")"
error_drawn "a broken start file"
cat >"$work/q.proj.new" <<PROJ
scene fixed
timeline from 0 to 2
  param Length 2
  param Scene 0
PROJ
mv "$work/q.proj.new" "$work/q.proj"
wait_for "the fixed source is loaded" 'grep -q "^loaded $work/q.proj" "$work/out"'
wait_for "and shown" '[[ "$(title)" == "show | "*" | fixed" ]]'
# A show of two seconds plays round from its end to its start.
wait_for "the preview nears the show's end" '[ "$(tenths)" -ge 15 ]'
wait_for "and plays on from its start" '[ "$(tenths)" -lt 10 ]'
kill -TERM "$pid"
wait "$pid"

rm -rf "$work"
[ "$failures" -eq 0 ] && echo "the preview follows its project source"
exit "$failures"
