#!/usr/bin/env bash
# Remakes the README's pictures of the lab: builds it and a small driver that
# goes through its tasks (a key from a seed, a sentence encrypted, the
# frequencies of a longer text, the attack on its ciphertext), runs it on a
# virtual X server (Xvfb) with a window manager (Openbox, which draws the
# window's frame) and saves one picture per task.
#
#   scripts/screenshot/lab-screenshots.sh [FOLDER]     (default docs/)
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
output=$(realpath -m "${1:-$root/docs}")
cd "$root"
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" fonts-liberation libqt5svg5 qttranslations5-l10n xvfb xauth openbox

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target labtour

mkdir -p "$output"
session=$(mktemp -d) # also the XDG runtime and configuration directory
trap 'rm -rf "$session"' EXIT
# The window manager starts first and goes with the server; the tour's
# settings live in the session folder, not the user's.
XDG_RUNTIME_DIR=$session XDG_CONFIG_HOME=$session LC_ALL=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1100x720x24" bash -c '
        openbox >/dev/null 2>&1 &
        sleep 1
        "$1" "$2"' tour build/scripts/screenshot/labtour "$session"
for picture in lab-key lab-cipher lab-frequencies lab-attack; do
    mv "$session/$picture.png" "$output/$picture.png"
    echo "снимок: $output/$picture.png"
done
