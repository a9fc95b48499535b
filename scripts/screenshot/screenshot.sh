#!/usr/bin/env bash
# Remakes the README's screenshot: builds the window and a small driver that
# goes through a user's first minute (New, a Russian sentence, Encrypt and
# Decrypt with key 2), runs it on a virtual X server (Xvfb) and saves the
# window as it then looks.
#
#   scripts/screenshot/screenshot.sh [OUTPUT.png]     (default docs/screenshot.png)
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
output=$(realpath -m "${1:-$root/docs/screenshot.png}")
cd "$root"
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" fonts-liberation libqt5svg5 xvfb xauth

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target windowtour

mkdir -p "$(dirname "$output")"
session=$(mktemp -d) # also the XDG runtime directory Qt asks for
trap 'rm -rf "$session"' EXIT
XDG_RUNTIME_DIR=$session LC_ALL=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1024x768x24" build/scripts/screenshot/windowtour "$session/screenshot.png"
mv "$session/screenshot.png" "$output"
echo "снимок окна: $output"
