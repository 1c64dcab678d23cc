#!/usr/bin/env bash
# SIGTERM and Ctrl-C (SIGINT) in the middle of a capture: the program ends
# by the signal, after leaving whole files up to where it stopped (a WAV
# whose header matches its data, complete pictures) or none, saying which,
# and no temporary anywhere (the video's music is written in $TMPDIR).
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

printf 'texture\n  build Disc radius=120\nmesh\n  build Sphere segments=8 bands=6 radius=28\n' >"$work/tiny.proj"
"$projc" "$work/tiny.proj" -o "$work/tiny.bin" || fail "projc compiles the tiny show"
small=(--project "$work/tiny.bin" --resolution 160x120)

u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
wav_whole() {  # the header's sizes match the file's
  local size
  size=$(stat -c %s "$1")
  [ "$size" -gt 44 ] && [ "$(u32 "$1" 4)" -eq $((size - 8)) ] && [ "$(u32 "$1" 40)" -eq $((size - 44)) ]
}
pictures_whole() {
  local f
  for f in "$1"/*.png; do [ "$(tail -c 8 "$f" | head -c 4)" = IEND ] || return 1; done
}

# writer, what shows that it is writing, its command ({D}: its folder, a
# mark no temporary path can hold); each
# would run for minutes.
rows=(
  "wav|{D}/.out-*.wav|--wav {D}/out.wav --seconds 20000"
  "render|{D}/frames/frame_00001.png|--render {D}/frames --fps 1000 --to 120 ${small[*]}"
  "sheet|{D}/.out-*.png|--sheet {D}/out.png --every 0.06 --to 120 ${small[*]}"
)
command -v ffmpeg >/dev/null && rows+=("video|{D}/tmp/show-video-*|--video {D}/out.mp4 --fps 1000 --to 120 ${small[*]}")

for row in "${rows[@]}"; do
  IFS='|' read -r name writing template <<<"$row"
  for signal in TERM INT; do
    d="$work/$name-$signal"
    mkdir -p "$d/tmp"
    read -r -a arguments <<<"${template//\{D\}/$d}"
    TMPDIR="$d/tmp" "$show" "${arguments[@]}" >"$d.out" 2>"$d.err" &
    pid=$!
    for _ in $(seq 200); do
      compgen -G "${writing//\{D\}/$d}" >/dev/null && break
      sleep 0.05
    done
    sleep 0.2
    kill -"$signal" "$pid"
    wait "$pid"
    code=$?
    expected=$((128 + $(kill -l "$signal")))
    what="$name, SIG$signal"
    [ "$code" -eq "$expected" ] || fail "$what: exit $code, expected $expected ($(tail -c 300 "$d.err"))"
    grep -q "interrupted" "$d.err" || fail "$what: it does not say what it left: $(tail -c 300 "$d.err")"
    [ -z "$(ls -A "$d/tmp")" ] || fail "$what left $(ls -A "$d/tmp") in \$TMPDIR"
    find "$d" -name '.*' | grep -q . && fail "$what left a temporary: $(find "$d" -name '.*')"
    case $name in
      wav) wav_whole "$d/out.wav" || fail "$what: the WAV's header does not match its data" ;;
      render)
        [ -n "$(ls "$d/frames")" ] || fail "$what: no frames"
        pictures_whole "$d/frames" || fail "$what: a cut picture"
        [ -e "$d/frames/music.wav" ] && fail "$what: music.wav written" ;;
      video) [ -e "$d/out.mp4" ] && fail "$what: a video was left" ;;
      sheet) [ ! -e "$d/out.png" ] || [ "$(tail -c 8 "$d/out.png" | head -c 4)" = IEND ] || fail "$what: a cut sheet" ;;
    esac
  done
done

[ "$failures" -eq 0 ] && echo "interruptions: all passed"
exit $((failures > 0))
