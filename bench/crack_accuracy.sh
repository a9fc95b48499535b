#!/usr/bin/env bash
# The attack's accuracy and time over Russian prose that is not in the
# model's corpus: paragraphs of the Debian FAQ in Russian (debian-faq-ru).
# Builds this tree's solver and a base version's (default: the solver before
# it was split into its seams) in Release mode and runs both on the same
# trials at the same time, one core each, one cell after the other; prints
# one Markdown table.
#
#   bench/crack_accuracy.sh [TRIALS] [TIME-LIMIT] [CELLS] [JOBS]
# CELLS: LENGTH:KEY[+LOCKS],... with KEY one of 1c, 2c, 3c, 2r, 3r (k, cyclic
# or random choice) or pc, pr (a 100-code key dealt in proportion to the
# letters' frequencies, cyclic or random choice), +LOCKS correct locks (the base solver has none). JOBS:
# threads of one crack for the new solver (the base runs only JOBS = 1).
# BASE=commit picks the base; BASE=none measures this tree alone.
# CRACK_CPU=1 limits and times each crack by CPU time, for a machine shared
# with other work.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-20}
limit=${2:-10}
cells=${3:-100:1c,200:1c,200:2c,200:3c,200:3r,200:3c+5,300:1c,300:2c,300:3c,300:3r,500:1c,500:2c,500:3c,500:3r,1500:1c,1500:2c,1500:3c,1500:3r,5000:1c,5000:2c,5000:3c,5000:3r,500:pc,500:pr,1000:pc,1000:pr,2000:pc,2000:pr,5000:pc,5000:pr}
jobs=${4:-1}
base=${BASE:-9742798}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target crack_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$base" != none ]; then
    # The base's library with this tree's driver, so both run the same trials.
    # Unpacked in a place of its own, where a rerun finds its build.
    rm -rf build-bench-base/source
    mkdir -p build-bench-base/source
    git archive "$base" | tar -x -C build-bench-base/source
    cp bench/crack_accuracy.cpp bench/heldouttext.h bench/cpulimit.h build-bench-base/source/bench/
    cmake -S build-bench-base/source -B build-bench-base/build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build build-bench-base/build --target crack_accuracy -j"$(nproc)" >/dev/null
fi

bench/heldout-paragraphs.sh >"$work/texts"

: >"$work/new"
: >"$work/base.tsv"
# The two solvers run side by side, each on a core of its own (CORES, the
# first two by default), so that both see the same load.
read -r new_core base_core <<<"${CORES:-0 1}"
for cell in ${cells//,/ }; do
    taskset -c "$new_core" build-bench/bench/crack_accuracy "$work/texts" "$trials" "$limit" "$cell" "$jobs" \
        >>"$work/new" &
    if [ "$base" != none ]; then
        taskset -c "$base_core" build-bench-base/build/bench/crack_accuracy "$work/texts" "$trials" "$limit" "$cell" 1 \
            >>"$work/base.tsv" &
    fi
    wait
    tail -n 1 "$work/new" >&2
done

python3 - "$work/new" "$work/base.tsv" "$trials" "$limit" "$jobs" <<'PY'
import sys
def rows(path):
    out = {}
    for line in open(path, encoding="utf-8"):
        f = line.rstrip("\n").split("\t")
        out[(f[0], f[1])] = f[2:]
    return out
new, base = rows(sys.argv[1]), rows(sys.argv[2])
names = {"1c": "k = 1", "2c": "k = 2, циклический", "3c": "k = 3, циклический",
         "2r": "k = 2, случайный", "3r": "k = 3, случайный",
         "pc": "пропорциональный, циклический", "pr": "пропорциональный, случайный"}
def name(cell):
    key, _, locks = cell.partition("+")
    return names.get(key, key) + (f", {locks} верных замков" if locks else "")
def num(v, suffix=""):
    return "–" if v in ("-", None) else v.replace(".", ",") + suffix
print(f"{sys.argv[3]} испытаний на клетку, лимит {sys.argv[4]} с, потоков у нового: {sys.argv[5]}; "
      "в каждой клетке: прежний → новый")
print()
print("| кодов | ключ | медиана точности | худшая точность | медиана времени, с | наибольшее время, с | медиана перезапусков |")
print("|---|---|---|---|---|---|---|")
for (codes, cell), n in new.items():
    b = base.get((codes, cell), ["-"] * 5)
    pair = lambda i, s="": f"{num(b[i], s)} → {num(n[i], s)}" if base else num(n[i], s)
    print(f"| {codes} | {name(cell)} | {pair(0, ' %')} | {pair(1, ' %')} | {pair(2)} | {pair(3)} | {pair(4)} |")
PY
