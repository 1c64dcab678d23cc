#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the show or the tests.
#   ./build.sh show [show options]   build the show and its tools, and run it
#   ./build.sh test                  build everything and run every test
#   ./build.sh sanitize              the tests and whole runs under AddressSanitizer
#                                    and UBSan, the music under ThreadSanitizer,
#                                    and a short run of every fuzz target
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libegl-dev libegl-mesa0 libgl-dev libgl1-mesa-dri libglu1-mesa-dev
  libfreetype-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev llvm
  xvfb xauth x11-utils xdotool ffmpeg sox python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

what="${1:-show}"
shift || true
case "$what" in
  show|test)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null ;;
esac
case "$what" in
  # The show and its authoring tools only: the first picture comes without
  # waiting for every test to compile.
  show) cmake --build build -j"$(nproc)" --target show projc xmtune ;;
  test) cmake --build build -j"$(nproc)" ;;
esac

case "$what" in
  show) exec ./build/show "$@" ;;
  test) cd build && exec ctest --output-on-failure -j"$(nproc)" ;;
  sanitize) exec tests/sanitize/run.sh ;;
  *) echo "usage: ./build.sh show|test|sanitize" >&2; exit 2 ;;
esac
