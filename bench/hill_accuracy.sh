#!/usr/bin/env bash
# The Hill attack's accuracy and time over Russian prose that is not in the
# model's corpus: paragraphs of the Debian FAQ in Russian (debian-faq-ru),
# taken as bench/crack_accuracy.sh takes them. Builds the attack in Release
# mode, runs the cells one after the other and prints one Markdown table.
#
#   bench/hill_accuracy.sh [TRIALS] [CELLS] [JOBS]
# CELLS: LENGTH:SIZE,... (SIZE 2 or 3); JOBS: the attack's threads (1).
# CORE picks the core for one job (0).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-20}
cells=${2:-8:2,16:2,20:2,40:2,100:2,150:2,30:3,45:3,60:3,120:3,300:3,1200:3}
jobs=${3:-1}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target hill_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/heldout-paragraphs.sh >"$work/texts"

pin=()
[ "$jobs" = 1 ] && pin=(taskset -c "${CORE:-0}")
: >"$work/rows"
for cell in ${cells//,/ }; do
    "${pin[@]}" build-bench/bench/hill_accuracy "$work/texts" "$trials" "$cell" "$jobs" >>"$work/rows"
    tail -n 1 "$work/rows" >&2
done

python3 - "$work/rows" "$trials" "$jobs" <<'PY'
import sys
jobs = int(sys.argv[3])
print(f"{sys.argv[2]} испытаний на клетку, " + ("одно ядро" if jobs == 1 else f"потоков {jobs}"))
print()
print("| символов | матрица | ключ точно | текст прочитан | медиана времени, с | наибольшее время, с |")
print("|---|---|---|---|---|---|")
for line in open(sys.argv[1], encoding="utf-8"):
    length, size, exact, read, median, worst = line.rstrip("\n").split("\t")
    num = lambda v: v.replace(".", ",")
    print(f"| {length} | {size} × {size} | {num(exact)} % | {num(read)} % | {num(median)} | {num(worst)} |")
PY
