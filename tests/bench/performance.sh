#!/usr/bin/env bash
# Measures the show's frames, captures and textures and writes the tables of
# docs/performance.md: the timedemo per scene at 640 x 480 and 1024 x 768,
# --render of the same span, the time to the first frame, and the texture
# benchmarks, each for a build before a change and one after, run side by
# side (interleaved, one at a time) on the same machine, so that the ratios
# hold even where the absolute times drift with the machine's other load.
# usage: performance.sh BEFORE_BUILD AFTER_BUILD [OUT.md]   (default docs/performance.md)
# The tables replace what stands between the file's "<!-- measured -->" and
# "<!-- end measured -->" lines; the rest of it is kept.
#   FPS=2 (frames a second of show time), ROUNDS=2 (the best of each is kept)
set -eu
before=$1 after=$2
out=${3:-$(dirname "$0")/../../docs/performance.md}
fps=${FPS:-2}
rounds=${ROUNDS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
min() { awk 'NR == 1 || $1 < m { m = $1 } END { print m }'; }

# The timedemo rows of a run: "name|frames|median|p95|worst|fps" (and, of a
# run with --fill-only, "|fill median|median of frame over fill").
rows() { awk 'p { print substr($0, 1, 22) "|" substr($0, 23) } /^scene/ { p = 1 }' "$1" |
         sed 's/ *|/|/' | awk -F'|' '{ split($2, f, " "); print $1 "|" f[1] "|" f[2] "|" f[3] "|" f[4] "|" f[5] "|" f[6] "|" f[7] }'; }

for size in 640x480 1024x768; do
  for round in $(seq "$rounds"); do
    for side in before after; do
      build=$([ $side = before ] && echo "$before" || echo "$after")
      s=$(date +%s.%N)
      "$build/show" --timedemo --fps "$fps" --resolution "$size" >"$work/td.$side.$size.$round"
      echo "$(date +%s.%N) - $s" | bc >>"$work/tdwall.$side.$size"
      rm -rf "$work/frames"; mkdir "$work/frames"
      seconds "$build/show" --render "$work/frames" --fps "$fps" --resolution "$size" >>"$work/render.$side.$size"
    done
  done
done
# The shares of the passes, from a run of its own: waiting for each pass
# slows the frames down. And the frames beside their fill alone (after only:
# the mode is new), ROUNDS times, the round of the least total time kept.
for size in 640x480 1024x768; do
  "$after/show" --timedemo --passes --fps "$fps" --resolution "$size" >"$work/passes.$size"
  for round in $(seq "$rounds"); do
    "$after/show" --timedemo --fill-only --fps "$fps" --resolution "$size" >"$work/td.fill.$size.$round"
  done
done
for round in $(seq "$rounds"); do
  for side in before after; do
    build=$([ $side = before ] && echo "$before" || echo "$after")
    "$build/tests/benchmarks" --benchmark_filter='(FullSized|Embedded)ShowTextures/0' --benchmark_min_time=1 \
      2>/dev/null | awk '/^BM_/ { print $1, $2 }' >>"$work/bench.$side"
  done
done

# The best round of each run: the one with the least total time.
best() {  # side size
  local f best_total=""
  for f in "$work"/td."$1"."$2".*; do
    local total; total=$(awk '$1 == "total" { print $2 / $6 }' "$f")
    if [ -z "$best_total" ] || [ "$(echo "$total < $best_total" | bc)" = 1 ]; then best_total=$total; cp "$f" "$work/best.$1.$2"; fi
  done
  echo "$work/best.$1.$2"
}

{
  echo "Measured by \`tests/bench/performance.sh\` on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"
  echo "Mesa $(dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null | cut -d- -f1) llvmpipe, headless), $(date -u +%Y-%m-%d): \"before\" and \"after\" are two builds run"
  echo "side by side, one at a time, $rounds rounds each (the best kept), at $fps frames a second of show time"
  echo "over the whole show. The machine is shared: the ratios are the figures to read."
  for size in 640x480 1024x768; do
    b=$(best before $size); a=$(best after $size); f=$(best fill $size)
    echo
    echo "## Timedemo at ${size/x/ × }"
    echo
    echo "$(head -1 "$a" | sed 's/^timedemo: //') (after; before: $(head -1 "$b" | sed 's/^timedemo: first frame //; s/ after start.*//'))."
    echo
    echo "| scene | frames | median ms before | after | ratio | 95 % ms before | after | worst ms before | after | fps before | after | fill-only run: frame ms | fill ms | frame ÷ fill |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    paste -d'#' <(rows "$b") <(rows "$a") <(rows "$f") | awk -F'#' '{
      split($1, x, "|"); split($2, y, "|"); split($3, z, "|");
      printf "| %s | %d | %.1f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.2f |\n",
        y[1], y[2], x[3], y[3], (x[3] > 0 ? y[3] / x[3] : 0), x[4], y[4], x[5], y[5], x[6], y[6], z[3], z[7], z[8] }'
    echo
    echo "Share of a frame by pass (after, a run with --passes, each pass waited for): $(awk '/^scene/ { for (i = 10; i <= NF; ++i) n[i] = $i } $1 == "total" { for (i = 7; i <= NF; ++i) printf "%s %s%s", n[i + 3], $i, (i < NF ? ", " : "") }' "$work/passes.$size")."
    tb=$(awk '$1 == "total" { print $2 / $6 }' "$b"); ta=$(awk '$1 == "total" { print $2 / $6 }' "$a")
    rb=$(min <"$work/render.before.$size"); ra=$(min <"$work/render.after.$size")
    wb=$(min <"$work/tdwall.before.$size"); wa=$(min <"$work/tdwall.after.$size")
    echo
    echo "| the whole show at $fps fps | before s | after s | ratio |"
    echo "|---|---:|---:|---:|"
    printf "| timedemo, the frames' own time | %.1f | %.1f | %.2f |\n" "$tb" "$ta" "$(echo "$ta / $tb" | bc -l)"
    printf "| timedemo, the whole run (start-up included) | %.1f | %.1f | %.2f |\n" "$wb" "$wa" "$(echo "$wa / $wb" | bc -l)"
    printf "| --render, the whole run (PNG files and music.wav included) | %.1f | %.1f | %.2f |\n" "$rb" "$ra" "$(echo "$ra / $rb" | bc -l)"
    printf "| --render over the timedemo's whole run | %.2f | %.2f | |\n" "$(echo "$rb / $wb" | bc -l)" "$(echo "$ra / $wa" | bc -l)"
  done
  echo
  echo "## Textures (tests/bench, \`BM_*ShowTextures/0\`, the best of $rounds)"
  echo
  echo "| set | before ms | after ms | ratio |"
  echo "|---|---:|---:|---:|"
  for name in BM_EmbeddedShowTextures/0 BM_FullSizedShowTextures/0; do
    b=$(awk -v n=$name '$1 == n { print $2 }' "$work/bench.before" | min)
    a=$(awk -v n=$name '$1 == n { print $2 }' "$work/bench.after" | min)
    printf "| %s | %.1f | %.1f | %.2f |\n" "$name" "$b" "$a" "$(echo "$a / $b" | bc -l)"
  done
} >"$work/tables"
if grep -q '^<!-- measured -->$' "$out" 2>/dev/null; then
  awk -v tables="$work/tables" '
    /^<!-- measured -->$/ { print; while ((getline line < tables) > 0) print line; skip = 1; next }
    /^<!-- end measured -->$/ { skip = 0 }
    !skip' "$out" >"$work/out" && cp "$work/out" "$out"
else
  { echo "<!-- measured -->"; cat "$work/tables"; echo "<!-- end measured -->"; } >"$out"
fi
echo "wrote the measured tables into $out"
