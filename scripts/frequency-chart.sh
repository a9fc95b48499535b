#!/usr/bin/env bash
# Makes the README's chart, docs/frequencies.svg: the Russian prose of the
# README's first sections (code blocks and tables left out), its symbols
# above its codes under the fixed table with key 3 and under a hundred codes
# dealt in proportion to Russian with random choice, on one scale; and prints
# the figures of the README's table.
#
#   scripts/frequency-chart.sh [PATH/TO/threekeychart]
#
# Without an argument the driver is built in Release mode in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-build/scripts/frequencychart/threekeychart}
if [ $# -eq 0 ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build --target threekeychart -j"$(nproc)" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prose only: the README up to the command-line section, which is stable
# text, without fenced code, tables, pictures and headings.
awk '/^## Программа командной строки/ { exit }
     /^```/ { code = !code; next }
     code || /^\|/ || /^!\[/ || /^#/ { next }
     { print }' README.md > "$work/prose.txt"

"$program" "$work/prose.txt" docs/frequencies.svg
echo "docs/frequencies.svg: $(stat -c %s docs/frequencies.svg) байт" >&2
