#!/usr/bin/env bash
# The built-in show's cuts land on the music: each cut that has a kick shows
# its new scene within one frame at 60 fps of the kick's onset in the mix.
# Arguments: <show> <projc> <source dir>
set -eu
show=$1 projc=$2 src=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$projc" --decompile "$(dirname "$show")/generated/project.bin" -o "$work/show.src"
"$show" --wav "$work/kick.wav" --solo 1 >/dev/null
python3 "$src/tests/show/cut_sync.py" "$work/show.src" "$work/kick.wav"
