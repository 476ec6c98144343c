#!/usr/bin/env bash
# Starts Corvane from this checkout: installs the Debian packages that are missing, builds corvane and
# corvane-create-db in a Release build (build-run/), and starts the program through the launcher, which keeps the
# book in the user's data folder ($XDG_DATA_HOME/Corvane, ~/.local/share/Corvane by default) and creates an empty
# one there on the first run. All arguments are passed on to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-run

"$root/scripts/install-deps.sh" --run

# A compiler cache, where there is one, makes the build after a pull short.
launcher_options=()
if command -v ccache >/dev/null 2>&1; then
    launcher_options=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_GUI=ON -DCORVANE_BUILD_TESTS=OFF \
    "${launcher_options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target corvane corvane-create-db

export CORVANE_PROGRAM=$build/src/corvane
export CORVANE_CREATE_DB=$build/src/tools/corvane-create-db
exec "$root/res/corvane-launcher.sh" "$@"
