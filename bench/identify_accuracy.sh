#!/usr/bin/env bash
# How often the identification names the family of a ciphertext: held-out
# Russian prose (bench/heldout-paragraphs.sh) enciphered with random keys of
# every family (the keyword ciphers with periods 2 to 12, Hill 2 × 2 and
# 3 × 3, the homophonic one with 1 to 3 codes a symbol) at each length.
# Builds in Release mode, runs on one core and prints one Markdown table.
#
#   bench/identify_accuracy.sh [TRIALS] [LENGTHS]
# TRIALS texts a family and length (50); LENGTHS comma-separated (150,300).
# IDENTIFY_DEBUG=1 describes each miss on standard error; IDENTIFY_FIRST=N
# draws other texts and keys (the levels were measured on trials 0 to 39).
# CORE picks the core (0).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-50}
lengths=${2:-150,300}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target identify_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/heldout-paragraphs.sh >"$work/texts"
# shellcheck disable=SC2086
taskset -c "${CORE:-0}" build-bench/bench/identify_accuracy "$work/texts" "$trials" ${lengths//,/ } >"$work/rows"

python3 - "$work/rows" "$trials" <<'PY'
import sys
from collections import defaultdict
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8")]
lengths = sorted({int(r[0]) for r in rows})
families = list(dict.fromkeys(r[1] for r in rows))
cell = {(int(r[0]), r[1]): (float(r[3]), float(r[4])) for r in rows}
num = lambda v: f"{v:.0f}"
print(f"{sys.argv[2]} текстов на клетку; шифр верно / шифр и параметр (период, размер блока) верно, %")
print()
print("| шифр | " + " | ".join(f"{n} символов" for n in lengths) + " |")
print("|---|" + "---|" * len(lengths))
for family in families:
    print(f"| {family} | " + " | ".join(f"{num(cell[(n, family)][0])} / {num(cell[(n, family)][1])}"
                                      for n in lengths) + " |")
print("| **все** | " + " | ".join(
    f"**{num(sum(cell[(n, f)][0] for f in families) / len(families))}** / "
    f"{num(sum(cell[(n, f)][1] for f in families) / len(families))}" for n in lengths) + " |")
PY
