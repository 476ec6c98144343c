#!/usr/bin/env bash
# Checks that keep the code as it was written: every C++ file is formatted as the project's .clang-format says, and
# every "Tested by" line names test files that exist. Prints what is wrong and exits 1; exits 0 when all is well.
# scripts/check-style.sh --fix formats the files instead of complaining about them.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.h.in')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${sources[@]}"
else
    unformatted=()
    for file in "${sources[@]}"; do
        if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then unformatted+=("$file"); fi
    done
    if [ ${#unformatted[@]} -gt 0 ]; then
        echo "check-style: not formatted as .clang-format says (scripts/check-style.sh --fix formats them):" >&2
        printf '  %s\n' "${unformatted[@]}" >&2
        status=1
    fi
fi

# "Tested by tests/a/B.cpp and tests/c/D.cpp." names files of the tests folder.
while IFS=: read -r file line text; do
    for named in $(grep -oE 'tests/[A-Za-z0-9_/.-]+\.(cpp|h)' <<<"$text"); do
        if [ ! -f "$named" ]; then
            echo "check-style: $file:$line names $named, which does not exist" >&2
            status=1
        fi
    done
done < <(grep -rn "Tested by" src)
exit $status
