#!/usr/bin/env bash
# Remakes the README's screenshot of the window: builds the program, starts it
# on a virtual X server (Xvfb) and captures its window.
#
#   scripts/screenshot.sh [OUTPUT.png]     (default docs/screenshot.png)
set -euo pipefail
script=$(realpath "$0")
root=$(dirname "$(dirname "$script")")

# The second half, run inside the X session: start the window, wait until it
# is mapped, capture it.
if [ "${1:-}" = --in-x-session ]; then
    output=$2
    "$root/build/src/app/substitution" &
    program=$!
    window=
    for _ in $(seq 100); do
        window=$(xwininfo -root -tree | awk '/"substitution" "substitution"/ && /[0-9]+x[0-9]+/ { print $1; exit }')
        if [ -n "$window" ] && xwininfo -id "$window" | grep -q 'Map State: IsViewable'; then
            break
        fi
        window=
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "окно программы не появилось" >&2
        kill "$program"
        exit 1
    fi
    sleep 1 # let the first paint finish
    import -window "$window" "$output"
    kill "$program"
    wait "$program" 2>/dev/null || true
    exit 0
fi

output=$(realpath -m "${1:-$root/docs/screenshot.png}")
cd "$root"
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" fonts-liberation libqt5svg5 xvfb xauth x11-utils imagemagick

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target substitution

mkdir -p "$(dirname "$output")"
session=$(mktemp -d) # also the XDG runtime directory Qt asks for
trap 'rm -rf "$session"' EXIT
XDG_RUNTIME_DIR=$session LC_ALL=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1024x768x24" "$script" --in-x-session "$session/screenshot.png"
mv "$session/screenshot.png" "$output"
echo "снимок окна: $output"
