#!/usr/bin/env bash
# The monoalphabetic attack's accuracy and time over Russian prose that is
# not in the model's corpus (bench/heldout-paragraphs.sh), random keys, one
# cell after the other on one core. Builds the attack in Release mode and
# prints one Markdown table.
#
#   bench/mono_accuracy.sh [TRIALS] [TIME-LIMIT] [CELLS] [JOBS]
# CELLS: LENGTH:KEY[+LOCKS],... with KEY r (a random key, the space
# enciphered too) or s (a random key that keeps the space, so that words
# show), +LOCKS correct locks. JOBS: threads of one crack. CORE picks the
# core (default 0).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-20}
limit=${2:-10}
cells=${3:-40:r,50:r,60:r,100:r,40:s,50:s,60:s,100:s}
jobs=${4:-1}
core=${CORE:-0}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target mono_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/heldout-paragraphs.sh >"$work/texts"

: >"$work/rows"
for cell in ${cells//,/ }; do
    taskset -c "$core" build-bench/bench/mono_accuracy "$work/texts" "$trials" "$limit" "$cell" "$jobs" >>"$work/rows"
    tail -n 1 "$work/rows" >&2
done

python3 - "$work/rows" "$trials" "$limit" "$jobs" <<'PY'
import sys
names = {"r": "случайный, пробел шифруется", "s": "случайный, пробел сохраняется"}
def name(cell):
    key, _, locks = cell.partition("+")
    return names.get(key, key) + (f", {locks} верных замков" if locks else "")
def num(v, suffix=""):
    return v.replace(".", ",") + suffix
print(f"{sys.argv[2]} испытаний на клетку, лимит {sys.argv[3]} с, потоков: {sys.argv[4]}")
print()
print("| символов | ключ | медиана точности | худшая точность | медиана времени, с | наибольшее время, с | медиана перезапусков |")
print("|---|---|---|---|---|---|---|")
for line in open(sys.argv[1], encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    print(f"| {f[0]} | {name(f[1])} | {num(f[2], ' %')} | {num(f[3], ' %')} | {num(f[4])} | {num(f[5])} | {f[6]} |")
PY
