#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs them; arguments go to every benchmark program
# (e.g. --benchmark_filter=Corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCHMARKS=ON
cmake --build build-release -j "$(nproc)"
for program in build-release/bench/*_bench; do
    echo "== $program"
    "$program" "$@"
done
