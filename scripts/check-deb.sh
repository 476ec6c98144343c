#!/usr/bin/env bash
# Builds the Debian package and proves that it installs and runs on a fresh Debian 12: makes a bare bookworm
# root with debootstrap, installs the package there with apt (which has to find every dependency from the
# package's own list), and starts the launcher as an ordinary user with Qt's offscreen platform. It passes when
# the launcher created the book, corvane ran until it was stopped with the book open, no library is missing and
# the SQLite ODBC driver is registered.
#
# Needs root and Debian's package mirror (DEBIAN_MIRROR, default debootstrap's own); not part of scripts/test.sh.
# BUILD_DIR (default build-deb) is the build folder; KEEP_ROOT=1 keeps the fresh root for a look afterwards.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$source_dir/build-deb}
mirror=${DEBIAN_MIRROR:-}

if [ "$(id -u)" -ne 0 ]; then
    echo "check-deb.sh: debootstrap and chroot need root" >&2
    exit 2
fi
started=$(date +%s)

echo "== the package"
"$source_dir/scripts/install-deps.sh"
if ! command -v debootstrap >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi
launcher_options=()
if command -v ccache >/dev/null 2>&1; then
    launcher_options=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_GUI=ON \
    -DCORVANE_BUILD_TESTS=OFF "${launcher_options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/corvane_*.deb)
deb=${debs[0]}
dpkg-deb --field "$deb" Package Version Depends Recommends

root=$(mktemp -d /tmp/corvane-deb-check.XXXXXX)
# mktemp's folder is its owner's alone; as the new system's root folder it must be open to its users.
chmod 755 "$root"
cleanup() {
    # Whatever is mounted inside goes first, so that removing the root cannot reach the host's files.
    if [ -d "$root" ]; then
        findmnt -rn -o TARGET | grep -F -- "$root/" | sort -r | while IFS= read -r target; do
            umount -l -- "$target" || true
        done
    fi
    if [ "${KEEP_ROOT:-0}" = 1 ]; then
        echo "the fresh root stays in $root"
    elif findmnt -rn -o TARGET | grep -qF -- "$root/"; then
        echo "check-deb.sh: something is still mounted under $root; it was left in place" >&2
    else
        rm -rf --one-file-system -- "$root"
    fi
    rm -f -- "$root.log"
}
trap cleanup EXIT

echo "== a fresh Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" ${mirror:+"$mirror"} >"$root.log" 2>&1 || {
    tail -n 30 "$root.log" >&2
    exit 1
}
mount -t proc proc "$root/proc"
echo "debootstrap done after $(($(date +%s) - started)) s"

cp -- "$deb" "$root/tmp/"
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}

echo "== installing $(basename "$deb")"
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tmp/corvane_*.deb' >"$root/tmp/apt.log" 2>&1 || {
    tail -n 40 "$root/tmp/apt.log" >&2
    exit 1
}
in_root dpkg-query -W corvane

echo "== the package's files"
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
for file in /usr/bin/corvane /usr/bin/corvane-create-db /usr/bin/corvane-launcher /usr/bin/corvane-cli \
    /usr/share/man/man1/corvane-cli.1.gz /usr/share/bash-completion/completions/corvane-cli \
    /usr/share/applications/org.corvane.Corvane.desktop /usr/share/metainfo/org.corvane.Corvane.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.corvane.Corvane.svg \
    /usr/share/doc/corvane/copyright /usr/share/doc/corvane/changelog.gz; do
    [ -e "$root$file" ] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    file=/usr/share/icons/hicolor/${size}x${size}/apps/org.corvane.Corvane.png
    [ -e "$root$file" ] || fail "$file is not installed"
done
# Qt loads its platform plugins by name: the desktop's (xcb) and the one this check runs with (offscreen).
plugins=()
for plugin in "$root"/usr/lib/*/qt6/plugins/platforms/lib{qxcb,qoffscreen}.so; do
    if [ -e "$plugin" ]; then
        plugins+=("${plugin#"$root"}")
    else
        fail "the Qt platform plugin $(basename "$plugin") is not installed"
    fi
done
for binary in /usr/bin/corvane /usr/bin/corvane-create-db /usr/bin/corvane-cli "${plugins[@]}"; do
    if missing=$(in_root ldd "$binary" | grep 'not found'); then
        fail "$binary misses libraries: $missing"
    fi
done
drivers=$(in_root odbcinst -q -d)
echo "registered ODBC drivers: $(echo "$drivers" | tr '\n' ' ')"
echo "$drivers" | grep -qx '\[SQLite3\]' || fail "the SQLite3 ODBC driver is not registered"
# The interface is Chinese; without a font that has its characters every label is a row of boxes.
chinese_fonts=$(in_root fc-list :lang=zh-cn family)
echo "fonts for Chinese: $(echo "$chinese_fonts" | head -n 3 | tr '\n' ' ')"
[ -n "$chinese_fonts" ] || fail "no installed font has the Chinese characters of the interface"

echo "== starting the launcher as an ordinary user"
in_root useradd --create-home --shell /bin/sh corvane-user
user_id=$(in_root id -u corvane-user)
group_id=$(in_root id -g corvane-user)
# Run inside the root: starts the launcher for five seconds and, while corvane runs, reports whether it holds
# the book open (it opens it at start and keeps it), then reports how the launcher ended.
cat >"$root/tmp/start-corvane.sh" <<'EOF'
#!/bin/sh
timeout 5 corvane-launcher >"$1.out" 2>&1 &
stopper=$!
sleep 3
open=no
for process in /proc/[0-9]*; do
    [ "$(readlink "$process/exe" 2>/dev/null)" = /usr/bin/corvane ] || continue
    for fd in "$process"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$2/Corvane.bin" ] && open=yes
    done
done
wait "$stopper"
echo "status=$? book_open=$open"
EOF
chmod 755 "$root/tmp/start-corvane.sh"

# A user's data folder, first the default one and again now that it has a book, then one named by XDG_DATA_HOME
# with blanks and Chinese characters in its path.
check_start() {
    local what=$1 data=$2
    shift 2
    local result
    result=$(chroot --userspec="$user_id:$group_id" "$root" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 \
        HOME=/home/corvane-user QT_QPA_PLATFORM=offscreen "$@" /tmp/start-corvane.sh "/tmp/run-$user_id" "$data")
    echo "$what: $result"
    sed 's/^/    /' "$root/tmp/run-$user_id.out"
    [ -f "$root$data/Corvane.bin" ] || fail "$what: no book in $data"
    # timeout's status 124: corvane was still running when it was stopped.
    [[ $result == "status=124 "* ]] || fail "$what: corvane did not run until it was stopped ($result)"
    [[ $result == *"book_open=yes" ]] || fail "$what: corvane did not have the book open"
    if grep -qiE 'error while loading|could not load|could not find the qt platform' "$root/tmp/run-$user_id.out"; then
        fail "$what: a library or plugin could not be loaded"
    fi
}
check_start "first start" /home/corvane-user/.local/share/Corvane
check_start "second start" /home/corvane-user/.local/share/Corvane
check_start "data folder with blanks and Chinese" "/home/corvane-user/我的 数据/Corvane" \
    "XDG_DATA_HOME=/home/corvane-user/我的 数据"

echo "== took $(($(date +%s) - started)) s"
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package installs and runs on a fresh Debian 12"
