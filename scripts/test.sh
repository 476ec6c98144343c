#!/usr/bin/env bash
# Builds Corvane and runs every test: first the style checks (scripts/check-style.sh), then the GCC build with its
# unit tests, then a clang build with AddressSanitizer and UndefinedBehaviorSanitizer that runs the tests again and
# fuzzes the pattern compiler and matcher for a bounded time (FUZZ_SECONDS, default 60). The windows' tests run on
# Qt's offscreen platform, so no display is needed. The store's tests run twice in each build: on SQLite files, and
# on a throw-away PostgreSQL server on 127.0.0.1 that ctest starts and removes (scripts/pg-server.sh, as an
# unprivileged user when this runs as root).
#
# scripts/test.sh --quick: the loop of editing and testing; the style checks, the GCC build and its tests on SQLite
# only. CI runs the whole.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh

echo "== style"
scripts/check-style.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-60}
# Rebuilds on a developer's machine go faster through ccache when it is there; CI builds from scratch either way.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "== release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCHMARKS=ON "${launcher[@]}"
cmake --build build -j "$jobs"
if [ "$quick" = 1 ]; then
    # The tests on SQLite: neither the PostgreSQL server nor the second run of each test on it.
    ctest --test-dir build --output-on-failure -j "$jobs" -E 'postgresql|pg_server'
    echo "quick tests passed (the whole run: scripts/test.sh)"
    exit 0
fi
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build and tests"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_FUZZERS=ON "${launcher[@]}"
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== fuzzing for ${fuzz_seconds}s"
scripts/fuzz.sh build-sanitize "$fuzz_seconds"
echo "all tests passed"
