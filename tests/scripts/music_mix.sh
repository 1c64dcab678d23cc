#!/usr/bin/env bash
# The built-in music keeps its mix: the arc from the break to the climax,
# drums within reach of the bass, stereo that is not collapsed or lopsided,
# air above 6 kHz, no clipping, legato pads, a silent end (figures and
# ranges in tests/show/wav_levels.py).
# Arguments: <show> <projc> <source dir>
set -u
show=$1
source=$3
for tool in python3 sox; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 0
  fi
done
python3 "$source/tests/show/wav_levels.py" --show "$show" --check
