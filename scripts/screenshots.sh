#!/usr/bin/env bash
# Takes the README's screenshots of the real windows (docs/screenshots/*.png): builds the screenshot program, then
# runs it on a virtual X display (Xvfb, the real xcb platform) against a temporary book it makes itself.
#   BUILD_DIR   build folder (default build-screenshots; an existing one keeps its settings)
#   JOBS        parallel build jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# The virtual display and the Chinese font, only when missing.
missing=()
for p in xvfb xauth fonts-wqy-zenhei; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="${BUILD_DIR:-build-screenshots}"
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCORVANE_BUILD_GUI=ON -DCORVANE_BUILD_BENCHMARKS=ON >/dev/null
else
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
        -DCORVANE_BUILD_GUI=ON -DCORVANE_BUILD_BENCHMARKS=ON "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target corvane-screenshots

# A desktop-like environment: the real X11 platform, a UTF-8 locale, no leftover platform choice from the caller.
mkdir -p docs/screenshots
env -u QT_QPA_PLATFORM -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/bench/corvane-screenshots" docs/screenshots
