#!/usr/bin/env bash
# Every writer against every fault of its output: a device, a directory, a
# stale NAME.tmp that links to another file, a file system that fills up.
# An output is whole or absent, what is not a regular file is never
# replaced, and a failure names its reason.
# Arguments: <show> <projc> <source dir>
set -u
show=$1
projc=$2
src=$3
xmtune=$(dirname "$projc")/xmtune
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

printf 'texture\n  build Disc radius=120\nmesh\n  build Sphere segments=8 bands=6 radius=28\n' >"$work/tiny.proj"
"$projc" "$work/tiny.proj" -o "$work/tiny.bin" || fail "projc compiles the tiny show"
small=(--project "$work/tiny.bin" --resolution 160x120)

# One writer a line: name, its output's name, then its command with OUT for the output.
writers=(
  "projc|out.bin|$projc $src/content/layers.proj -o OUT"
  "xmtune|out.xm|$xmtune $src/content/music.tune -o OUT"
  "wav|out.wav|$show --wav OUT --seconds 1"
  "sheet|out.png|$show --sheet OUT --every 1 --to 2 ${small[*]}"
)
command -v ffmpeg >/dev/null && writers+=("video|out.mp4|$show --video OUT --fps 5 --to 1 ${small[*]}")
# The writers into a folder: OUT is the folder, FILE the first file they write.
folder_writers=(
  "render|$show --render OUT --fps 2 --to 1 ${small[*]}|frame_00000.png"
  "dump-textures|$show --dump-textures OUT --project $work/tiny.bin|texture_00.png"
  "dump-meshes|$show --dump-meshes OUT --project $work/tiny.bin|mesh_00.obj"
)

run() {  # expected-code description command (a string)
  local expected=$1 what=$2
  (eval "$3") >"$work/out" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "$what: exit $code, expected $expected ($(head -c 300 "$work/err"))"
}
# The limit on a file's size fails a write as a full disk does (File too large).
limited() { echo "trap '' XFSZ; ulimit -f 1; $1"; }
leftovers() { ls -A "$1" | grep -v -x -e "$2" | tr '\n' ' '; }

for row in "${writers[@]}"; do
  IFS='|' read -r name out template <<<"$row"
  d="$work/$name"
  mkdir "$d"
  command=${template//OUT/$d/$out}

  if [ "$(id -u)" = 0 ]; then  # a private copy of /dev/null: a fault cannot harm the real one
    mknod "$d/$out" c 1 3
    if [ "$name" = video ]; then
      run 1 "$name to a device" "$command"
      grep -q "not a device or FIFO" "$work/err" || fail "$name to a device: $(cat "$work/err")"
    else
      run 0 "$name to a device" "$command"
    fi
    [ -c "$d/$out" ] || fail "$name replaced a device with a file"
    rm "$d/$out"
  fi

  mkdir "$d/$out"
  run 1 "$name to a directory" "$command"
  grep -q "is a directory" "$work/err" || fail "$name to a directory: $(cat "$work/err")"
  [ -d "$d/$out" ] || fail "$name replaced a directory"
  rmdir "$d/$out"

  echo victim >"$d/victim"
  ln -s "$d/victim" "$d/$out.tmp"
  run 0 "$name beside a stale $out.tmp" "$command"
  [ "$(cat "$d/victim")" = victim ] || fail "$name wrote through $out.tmp into another file"
  [ -f "$d/$out" ] && [ -s "$d/$out" ] || fail "$name wrote no out"
  rm "$d/$out.tmp" "$d/victim"

  echo old >"$d/$out"
  run 1 "$name on a full disk" "$(limited "$command")"
  grep -q "File too large\|No space left" "$work/err" || fail "$name on a full disk names no reason: $(cat "$work/err")"
  [ "$(cat "$d/$out")" = old ] || fail "$name on a full disk changed the old file"
  [ -z "$(leftovers "$d" "$out")" ] || fail "$name on a full disk left $(leftovers "$d" "$out")"
done

for row in "${folder_writers[@]}"; do
  IFS='|' read -r name template first <<<"$row"
  d="$work/$name"
  command=${template//OUT/$d}

  mkdir "$d"
  echo victim >"$work/victim"
  ln -s "$work/victim" "$d/$first"
  run 1 "$name over a link in its folder" "$command"
  [ "$(cat "$work/victim")" = victim ] || fail "$name wrote through a link in its folder"
  rm "$d/$first"

  run 1 "$name on a full disk" "$(limited "$command")"
  grep -q "File too large\|No space left" "$work/err" || fail "$name on a full disk names no reason: $(cat "$work/err")"
  # What is left is whole: no temporary, every picture ends with its IEND chunk.
  ls -A "$d" | grep -q '^\.' && fail "$name on a full disk left a temporary: $(ls -A "$d" | tr '\n' ' ')"
  for f in "$d"/*.png; do
    [ -e "$f" ] || continue
    [ "$(tail -c 8 "$f" | head -c 4)" = IEND ] || fail "$name on a full disk left a cut picture $f"
  done
  rm -rf "$d"
done

# An older, longer capture in the folder: refused; --force removes its frames only.
d="$work/older"
mkdir "$d"
for k in 00000 00001 00002 00003 00004 00005; do echo old >"$d/frame_$k.png"; done
echo mine >"$d/notes.txt"
echo mine >"$d/frame_1.png"
render=("$show" --render "$d" --fps 2 --to 1 "${small[@]}")
run 1 "render into an older capture" '"${render[@]}"'
grep -q "holds 6 frames of an older capture (frame_00000.png to frame_00005.png): add --force" "$work/err" ||
  fail "render into an older capture: $(cat "$work/err")"
[ "$(ls "$d" | wc -l)" -eq 8 ] || fail "render into an older capture changed the folder: $(ls "$d" | tr '\n' ' ')"
run 0 "render --force into an older capture" '"${render[@]}" --force'
grep -q "removed 6 frames of an older capture" "$work/out" || fail "--force says what it removed: $(cat "$work/out")"
[ "$(ls "$d" | tr '\n' ' ')" = "frame_00000.png frame_00001.png frame_1.png music.wav notes.txt " ] ||
  fail "--force left: $(ls "$d" | tr '\n' ' ')"
run 2 "--force without --render" '"$show" --sheet "$work/s.png" --force'

[ "$failures" -eq 0 ] && echo "outputs: all passed"
exit $((failures > 0))
