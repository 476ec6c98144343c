#!/usr/bin/env bash
# Runs the pattern fuzzer of a build folder for a number of seconds: fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-sanitize}
seconds=${2:-60}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp fuzz/corpus/regex/* "$corpus"/ 2>/dev/null || true
"$build"/fuzz/regex_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus"
