#!/usr/bin/env bash
# The attack on Playfair and the two-square: accuracy and time over Russian
# prose that is not in the model's corpus (bench/heldout-paragraphs.sh),
# random rectangles, every core for each crack. Builds the attack in Release
# mode and prints one Markdown table.
#
#   bench/rectangle_accuracy.sh [TRIALS] [TIME-LIMIT] [CELLS] [JOBS]
# CELLS: LENGTH:CIPHER,... with CIPHER p (Playfair) or t (the two-square).
# JOBS: threads of one crack, 0 (the default) one per core.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-20}
limit=${2:-10}
cells=${3:-300:p,200:p,150:p,300:t,200:t,150:t}
jobs=${4:-0}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target rectangle_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/heldout-paragraphs.sh >"$work/texts"

: >"$work/rows"
for cell in ${cells//,/ }; do
    build-bench/bench/rectangle_accuracy "$work/texts" "$trials" "$limit" "$cell" "$jobs" >>"$work/rows"
    tail -n 1 "$work/rows" >&2
done

python3 - "$work/rows" "$trials" "$limit" "$jobs" <<'PY'
import sys
names = {"p": "Плейфер", "t": "двойной квадрат"}
def num(v, suffix=""):
    return v.replace(".", ",") + suffix
jobs = sys.argv[4] if sys.argv[4] != "0" else "по числу ядер"
print(f"{sys.argv[2]} испытаний на клетку, лимит {sys.argv[3]} с, потоков: {jobs}")
print()
print("| символов | шифр | прочитано ≥ 95 % | медиана точности | худшая точность | медиана времени, с | наибольшее время, с | медиана перезапусков |")
print("|---|---|---|---|---|---|---|---|")
for line in open(sys.argv[1], encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    print(f"| {f[0]} | {names.get(f[1], f[1])} | {f[2]} % | {num(f[3], ' %')} | {num(f[4], ' %')} | {num(f[5])} | {num(f[6])} | {f[7]} |")
PY
