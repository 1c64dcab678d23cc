#!/usr/bin/env bash
# ./build.sh sanitize: every test, the whole show through --render at 2
# frames a second, the layers demo and --wav under AddressSanitizer and
# UBSan (halting on the first report); the music tests and 20 seconds of the
# windowed show under ThreadSanitizer; then a minute of every fuzz target on
# its corpus. Build directories: build-sanitize, build-tsan, build-fuzz.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
jobs=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$SECONDS
step() { echo "== $* ($((SECONDS - started)) s)"; }

clang_build() {  # dir, cmake options...
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    "$@" >/dev/null
}

# The software renderer's own threads and the code it generates are not
# ours: one thread (LP_NUM_THREADS=0) keeps ThreadSanitizer to our code.
# fast_unwind_on_malloc=0 deadlocks inside that code generator: left default.
supp=$root/tests/sanitize
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
# Mesa's driver is unloaded at eglTerminate, and what it keeps then has no
# module name left to suppress by: loaded first, it stays to the end.
driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1 || true)
run() { env ${driver:+LD_PRELOAD="$driver"} "$@"; }

step "AddressSanitizer and UBSan: build"
clang_build build-sanitize -DSHOW_SANITIZE=address
# The build runs projc and xmtune; their leaks at exit are not the show's.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-sanitize -j"$jobs"

step "AddressSanitizer and UBSan: every test"
# A second try only for tests that time the sound device against the clock.
(cd build-sanitize && SHOW_CHECK_SECONDS=30 run ctest --output-on-failure -j"$jobs" --timeout 1500 --repeat until-pass:2)

step "AddressSanitizer and UBSan: the show at 2 frames a second"
run build-sanitize/show --render "$work/show" --fps 2 >/dev/null
step "AddressSanitizer and UBSan: the layers demo"
build-sanitize/projc content/layers.proj -o "$work/layers.bin"
run build-sanitize/show --render "$work/layers" --project "$work/layers.bin" --fps 4 --to 12 >/dev/null
step "AddressSanitizer and UBSan: --wav"
run build-sanitize/show --wav "$work/music.wav" >/dev/null

step "ThreadSanitizer: build"
clang_build build-tsan -DSHOW_SANITIZE=thread
ASAN_OPTIONS= cmake --build build-tsan -j"$jobs" --target show music_tests
step "ThreadSanitizer: the music tests"
LP_NUM_THREADS=0 run build-tsan/tests/music_tests >"$work/music.log" 2>&1 || { tail -n 60 "$work/music.log"; exit 1; }
step "ThreadSanitizer: 20 seconds of the windowed show with the null sound device"
set +e
LP_NUM_THREADS=0 SHOW_AUDIO=null xvfb-run -a \
  env ${driver:+LD_PRELOAD="$driver"} timeout -s TERM 20 build-tsan/show --resolution 320x240 >"$work/tsan.log" 2>&1
code=$?
set -e
# Only the timeout may end it: a report exits with 66 before that.
# The null device opens, so the mix thread runs beside the frames.
if [ "$code" -ne 124 ] || grep -q "WARNING: ThreadSanitizer\|no sound device" "$work/tsan.log"; then
  tail -n 60 "$work/tsan.log"
  echo "the windowed show under ThreadSanitizer ended with $code"
  exit 1
fi

step "fuzz targets: build"
clang_build build-fuzz -DSHOW_BUILD_FUZZER=ON -DSHOW_BUILD_TESTS=OFF
ASAN_OPTIONS=detect_leaks=0 cmake --build build-fuzz -j"$jobs" --target xm_fuzzer project_fuzzer project_source_fuzzer tune_source_fuzzer
# A minute each on a copy of its corpus; a finding fails the run.
for target in xm project project_source tune_source; do
  step "fuzz target $target: 60 s"
  dict=tests/fuzz/$target.dict
  mkdir -p "$work/corpus-$target"
  cp tests/fuzz/corpus/$target/* "$work/corpus-$target/"
  (cd "$work" && "$root/build-fuzz/${target}_fuzzer" "$work/corpus-$target" -max_total_time=60 -timeout=20 \
    -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 $([ -f "$dict" ] && echo "-dict=$root/$dict") \
    >"$work/fuzz-$target.log" 2>&1) || { tail -n 60 "$work/fuzz-$target.log"; exit 1; }
  grep -E "^(stat::number_of_executed_units|#[0-9]+[[:space:]]+DONE)" "$work/fuzz-$target.log" || true
done

step "sanitize: all passed"
