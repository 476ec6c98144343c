#!/usr/bin/env bash
# Installs the Debian packages that Corvane needs, only when some are missing: with --run only what building and
# running the program need (scripts/run.sh), otherwise also what the tests, the sanitizer build, the benchmarks, the
# shared book's test server and the checks of the package's metadata need (scripts/test.sh). Runs as root, or through
# sudo when it is not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    unixodbc unixodbc-dev libsqliteodbc
    libcurl4-openssl-dev libcsv-dev libuchardet-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev fonts-wqy-zenhei qt6-translations-l10n
)
if [ "${1:-}" != "--run" ]; then
    packages+=(
        python3 clang libclang-rt-14-dev clang-format
        libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
        sqlite3 postgresql odbc-postgresql
        appstream desktop-file-utils
    )
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
