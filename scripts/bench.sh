#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs them; arguments go to every benchmark program
# (e.g. --benchmark_filter=Corpus). The store's benchmarks run on SQLite files and, beside them, on a throw-away
# PostgreSQL server on 127.0.0.1 that this script starts (scripts/pg-server.sh) and removes at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCHMARKS=ON
cmake --build build-release -j "$(nproc)"

pg_dir=$(mktemp -d /tmp/corvane-bench-pg-XXXXXX)
rmdir "$pg_dir"
trap 'scripts/pg-server.sh stop "$pg_dir"' EXIT
scripts/pg-server.sh start "$pg_dir" --durable
export CORVANE_BENCH_PG_SERVER=$pg_dir

for program in build-release/bench/*_bench; do
    echo "== $program"
    "$program" "$@"
done
