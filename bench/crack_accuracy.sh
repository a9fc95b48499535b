#!/usr/bin/env bash
# The attack's accuracy and time over Russian prose that is not in the
# model's corpus: paragraphs of the Debian FAQ in Russian (debian-faq-ru).
# Builds in Release mode, runs on one core.
#
#   bench/crack_accuracy.sh [TRIALS] [TIME-LIMIT] [LENGTHS] [CELLS]
# CELLS: any of 1c,2c,3c,2r,3r (k and cyclic or random choice).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench --target crack_accuracy -j"$(nproc)" >/dev/null

texts=$(mktemp)
trap 'rm -f "$texts"' EXIT
# Paragraphs of mostly Cyrillic prose, one a line, digits dropped (the
# cipher copies digit pairs, which decryption reads back as codes).
zcat /usr/share/doc/debian/FAQ/debian-faq.ru.txt.gz | python3 -c '
import re, sys
text = sys.stdin.read()
for block in re.split(r"\n\s*\n", text):
    para = " ".join(block.split())
    para = re.sub(r"[0-9]", "", para)
    cyr = sum(1 for c in para if "\u0410" <= c <= "\u044f" or c in "ёЁ")
    lat = sum(1 for c in para if c.isascii() and c.isalpha())
    if len(para) >= 150 and cyr >= 4 * lat:
        print(para)
' >"$texts"

taskset -c 0 build-bench/bench/crack_accuracy "$texts" "${1:-20}" "${2:-10}" "${3:-200,500,1500,5000}" "${4:-1c,2c,3c,3r}"
