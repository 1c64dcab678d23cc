#!/usr/bin/env bash
# Captures for authors, end to end: a project source read in place of
# compiled data, fractional frame rates, the music of a span that starts
# late, contact sheets and videos.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() {  # expected-code description command...
  local expected=$1 what=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "$what: exit $code, expected $expected ($(head -c 300 "$work/err"))"
}

png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }

cat >"$work/small.proj" <<'PROJ'
scene red from 0 to 5
scene blue from 5 to 124
timeline from 0 to 124
  param Scene 0
    key 0 step 0
    key 5 step 1
    key 124 step 1
PROJ

# A source where project data is expected: compiled in the process, or its
# error named by file and line.
printf 'scene a from 0 to 1\nscene b\n  key 0 step 1\n' >"$work/bad.proj"
run 1 "source with an error" "$show" --render "$work/bad" --project "$work/bad.proj"
grep -q "^$work/bad.proj:3:[0-9]*: " "$work/err" || fail "the error names file and line: $(cat "$work/err")"

# A frame every two seconds: frames at 0, 2, 4, 6 and 8, and ten seconds of music.
run 0 "--fps 0.5" "$show" --render "$work/slow" --project "$work/small.proj" --fps 0.5 --to 10 --resolution 64x48
[ "$(ls "$work/slow" | grep -c '^frame_')" -eq 5 ] || fail "5 frames at 0.5 fps, found $(ls "$work/slow" | grep -c '^frame_')"
[ "$(stat -c %s "$work/slow/music.wav")" -eq $((44 + 10 * 44100 * 4)) ] || fail "10 seconds of music beside them"

# The music of a span from 1.3 s is the music from 0 without its first 1.3 s (57,330 frames).
run 0 "render from 0" "$show" --render "$work/all" --project "$work/small.proj" --fps 10 --to 3 --resolution 64x48
run 0 "render from 1.3" "$show" --render "$work/late" --project "$work/small.proj" --fps 10 --from 1.3 --to 3 \
  --resolution 64x48
late_bytes=$(( $(stat -c %s "$work/late/music.wav") - 44 ))
[ "$late_bytes" -eq $(( (30 - 13) * 4410 * 4 )) ] || fail "1.7 seconds of late music, found $late_bytes bytes"
cmp -s -n "$late_bytes" "$work/late/music.wav" "$work/all/music.wav" 44 $((44 + 57330 * 4)) ||
  fail "the late music differs from the same span of the music from the start"

# Sheets: 160 x 120 thumbnails of a 4:3 show under an 18-pixel caption, 6 pixels
# apart, 8 a row; fewer make a shorter row.
run 0 "sheet of 10" "$show" --sheet "$work/ten.png" --project "$work/small.proj" --every 0.5 --to 5 \
  --resolution 320x240
[ "$(png_size "$work/ten.png")" = "1334x294" ] || fail "10 thumbnails make 8 + 2: $(png_size "$work/ten.png")"
grep -q "wrote 10 thumbnails" "$work/out" || fail "the sheet says what it holds: $(cat "$work/out")"
run 0 "sheet of 3" "$show" --sheet "$work/three.png" --project "$work/small.proj" --every 0.3 --from 4.1 --to 5 \
  --resolution 160x90
[ "$(png_size "$work/three.png")" = "504x120" ] || fail "3 thumbnails of 16:9 in one row: $(png_size "$work/three.png")"

# Drawn at three times the size and filtered down: the frames keep their size.
run 0 "--supersample 3" "$show" --render "$work/fine" --project "$work/small.proj" --fps 1 --to 2 --resolution 64x48 \
  --supersample 3
[ "$(png_size "$work/fine/frame_00001.png")" = "64x48" ] || fail "supersampled frames are 64x48: $(png_size "$work/fine/frame_00001.png")"
run 0 "sheet --supersample 2" "$show" --sheet "$work/fine.png" --project "$work/small.proj" --every 1 --to 2 \
  --resolution 320x240 --supersample 2
[ "$(png_size "$work/fine.png")" = "338x150" ] || fail "2 thumbnails of 160 x 120: $(png_size "$work/fine.png")"

# A timedemo of the two scenes: how long the first frame took, a row per
# scene in the order shown, and the total, with nothing written.
run 0 "timedemo" "$show" --timedemo --project "$work/small.proj" --fps 10 --from 4 --to 6 --resolution 160x120
head -1 "$work/out" | grep -q "^timedemo: first frame [0-9.]* s after start" || fail "first line: $(head -1 "$work/out")"
awk '$1 == "scene" { s = NR } s && NR > s { print $1, $2 }' "$work/out" | tr '\n' ' ' | grep -qx "red 10 blue 10 total 20 " ||
  fail "10 frames of each scene, 20 in all: $(cat "$work/out")"

# Without ffmpeg, the way to get it; with it, a video of the span's frames and music.
run 1 "video without ffmpeg" env PATH=/nonexistent "$show" --video "$work/none.mp4" --project "$work/small.proj"
grep -q "apt-get install ffmpeg" "$work/err" || fail "the message says how to install ffmpeg: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "one line without ffmpeg"
if command -v ffprobe >/dev/null; then
  run 0 "video" "$show" --video "$work/v.mp4" --project "$work/small.proj" --fps 12.5 --from 4 --to 6 \
    --resolution 161x120
  grep -q "frame 25 of 25" "$work/err" || fail "progress reaches the last frame: $(tail -c 200 "$work/err")"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/v.mp4")
  [ "$frames" = "25" ] || fail "2 seconds at 12.5 fps are 25 frames, found '$frames'"
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/v.mp4")
  awk -v d="$duration" 'BEGIN { exit !(d >= 1.95 && d <= 2.1) }' || fail "the video lasts 2 seconds, not '$duration'"
  audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels -of csv=p=0 "$work/v.mp4")
  [ "$audio" = "44100,2" ] || fail "the music is in it as 44,100 Hz stereo, found '$audio'"
else
  echo "skipped the video: ffprobe is not installed (apt-get install ffmpeg)"
fi

# An encoder that misbehaves: each row a stand-in ffmpeg, and the message
# that must say what it did; never success, never a hang, never a file.
fake() {  # name, then the script's body after it answers -encoders
  mkdir -p "$work/fake-$1"
  printf '#!/bin/sh\ncase "$*" in *-encoders*) exit 0;; esac\n%s\n' "$2" >"$work/fake-$1/ffmpeg"
  chmod +x "$work/fake-$1/ffmpeg"
}
fake silent 'cat >/dev/null; exit 0'
fake killed 'head -c 1000 >/dev/null; kill -9 $$'
fake failing 'cat >/dev/null; exit 3'
fake stalled 'exec sleep 600'
for row in "silent|exited with code 0 but wrote nothing" "killed|ended by signal 9" "failing|exit code 3" \
           "stalled|took nothing for 1 seconds and was ended"; do
  IFS='|' read -r name says <<<"$row"
  start=$SECONDS
  run 1 "encoder $name" env PATH="$work/fake-$name:$PATH" SHOW_VIDEO_STALL_SECONDS=1 \
    "$show" --video "$work/$name.mp4" --project "$work/small.proj" --fps 10 --to 3 --resolution 64x48
  grep -q "$says" "$work/err" || fail "encoder $name: no '$says' in $(tail -c 300 "$work/err")"
  [ -e "$work/$name.mp4" ] && fail "encoder $name: a video was left"
  [ $((SECONDS - start)) -le 20 ] || fail "encoder $name took $((SECONDS - start)) s"
done

# Nothing to write is an error that says why; a module that does not load
# is found before a frame is drawn.
printf 'Extended Module: cut short' >"$work/bad.xm"
printf 'scene a from 0 to 124\n' >"$work/plain.proj"
for row in "--render $work/past --from 200|--from 200 is at or after the end of the show" \
           "--render $work/rare --fps 0.001|--fps 0.001 puts no frame between 0 and 122" \
           "--sheet $work/late.png --from 124|--from 124 is at or after the end" \
           "--sheet $work/tiny.png --every 1e-300|over the limit of 2048" \
           "--video $work/late.mp4 --from 123|--from 123 is at or after the end" \
           "--render $work/nomusic --module $work/bad.xm --to 1|bad.xm: cut short inside its header" \
           "--video $work/nomusic.mp4 --module $work/bad.xm --to 1|bad.xm: cut short inside its header"; do
  IFS='|' read -r options says <<<"$row"
  read -r -a arguments <<<"$options"
  run 1 "$options" "$show" "${arguments[@]}" --project "$work/plain.proj" --resolution 64x48
  grep -q -- "$says" "$work/err" || fail "$options: no '$says' in $(tail -c 300 "$work/err")"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$options: not one line: $(head -c 300 "$work/err")"
done
[ -e "$work/nomusic/frame_00000.png" ] && fail "frames drawn before the module was found not to load"

[ "$failures" -eq 0 ] && echo "all capture checks passed"
exit "$failures"
