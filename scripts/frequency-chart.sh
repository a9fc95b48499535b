#!/usr/bin/env bash
# Makes the README's chart, docs/frequencies.svg: the Russian prose of the
# README's first sections (code blocks and tables left out), encrypted in
# memory with key 3, its symbols above its codes on one scale.
#
#   scripts/frequency-chart.sh [PROGRAM...]
#
# PROGRAM is what is called with `--key 3 --input FILE --chart FILE`: by
# default bench/frequency-preview from a Release build in build/ (built if
# missing), the statistics library's stand-in; with the command-line tool it
# is e.g. `scripts/frequency-chart.sh build/src/cli/homophonic analyze`.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -gt 0 ]; then
    program=("$@")
else
    if [ ! -x build/bench/frequency-preview ]; then
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build build --target frequency-preview -j"$(nproc)" >/dev/null
    fi
    program=(build/bench/frequency-preview)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prose only: the README up to the command-line section, which is stable
# text, without fenced code, tables, pictures and headings.
awk '/^## Программа командной строки/ { exit }
     /^```/ { code = !code; next }
     code || /^\|/ || /^!\[/ || /^#/ { next }
     { print }' README.md | iconv -f UTF-8 -t CP1251 -c > "$work/prose.txt"

"${program[@]}" --key 3 --input "$work/prose.txt" --chart docs/frequencies.svg
echo "docs/frequencies.svg: $(stat -c %s docs/frequencies.svg) байт" >&2
