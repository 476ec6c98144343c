#!/usr/bin/env bash
# Makes the menu icon's smaller sizes (res/icons/hicolor/NxN.png) from res/icons/corvane.png, the 256-pixel icon that
# the window shows too. Run it after changing that icon and commit what it writes; the build uses the files as they
# are and needs no image tools. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "make-icons.sh: needs rsvg-convert (apt install librsvg2-bin)" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT

# rsvg-convert scales pictures, not PNG files: the icon goes into a picture of its own size first.
{
    printf '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="256" height="256">'
    printf '<image width="256" height="256" xlink:href="data:image/png;base64,'
    base64 -w0 res/icons/corvane.png
    printf '"/></svg>'
} >"$work/icon.svg"

mkdir -p res/icons/hicolor
for size in 16 22 24 32 48 64 128; do
    rsvg-convert -w "$size" -h "$size" "$work/icon.svg" -o "res/icons/hicolor/${size}x${size}.png"
done
echo "wrote the sizes 16 to 128 in res/icons/hicolor/"
