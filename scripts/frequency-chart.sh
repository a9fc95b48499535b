#!/usr/bin/env bash
# Makes the README's chart, docs/frequencies.svg: the Russian prose of the
# README's first sections (code blocks and tables left out), encrypted in
# memory with key 3, its symbols above its codes on one scale.
#
#   scripts/frequency-chart.sh [PATH/TO/homophonic]
#
# Without an argument the tool is built in Release mode in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-build/src/cli/homophonic}
if [ $# -eq 0 ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build --target homophonic-cli -j"$(nproc)" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prose only: the README up to the command-line section, which is stable
# text, without fenced code, tables, pictures and headings.
awk '/^## Программа командной строки/ { exit }
     /^```/ { code = !code; next }
     code || /^\|/ || /^!\[/ || /^#/ { next }
     { print }' README.md | iconv -f UTF-8 -t CP1251 -c > "$work/prose.txt"

"$program" analyze --key 3 --input "$work/prose.txt" --chart docs/frequencies.svg
echo "docs/frequencies.svg: $(stat -c %s docs/frequencies.svg) байт" >&2
