#!/usr/bin/env bash
# The keyword attack's accuracy and time over Russian prose that is not in
# the model's corpus: paragraphs of the Debian FAQ in Russian
# (debian-faq-ru), taken as bench/crack_accuracy.sh takes them. Builds the
# attack in Release mode, runs the cells one after the other on one core and
# prints one Markdown table.
#
#   bench/poly_accuracy.sh [TRIALS] [CELLS] [GIVEN]
# CELLS: LENGTH:FIRST-LAST:VARIANTS,... with VARIANTS letters of v
# (Vigenère), b (Beaufort), a (autokey), g (Gronsfeld), one drawn a trial;
# GIVEN=variant tells the attack the variant. CORE picks the core (0).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev debian-faq-ru python3

trials=${1:-20}
cells=${2:-60:1-6:v,100:1-6:v,150:1-10:v,300:1-20:v,200:1-10:a,200:1-10:vba,40:1-6:vba,60:1-6:b,100:1-6:g,\
100:1-10:vba,1000:1-30:vb,1000:1-10:a}
given=${3:-}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-bench --target poly_accuracy -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/heldout-paragraphs.sh >"$work/texts"

: >"$work/rows"
for cell in ${cells//,/ }; do
    taskset -c "${CORE:-0}" build-bench/bench/poly_accuracy "$work/texts" "$trials" "$cell" $given >>"$work/rows"
    tail -n 1 "$work/rows" >&2
done

python3 - "$work/rows" "$trials" "$given" <<'PY'
import sys
names = {"v": "Виженер", "b": "Бофор", "a": "самоключ", "g": "Гронсфельд"}
print(f"{sys.argv[2]} испытаний на клетку, одно ядро" + (", шифр задан" if sys.argv[3] else ""))
print()
print("| символов | периоды | шифр | ключ точно | шифр верно | период верно | медиана времени, с | наибольшее время, с |")
print("|---|---|---|---|---|---|---|---|")
for line in open(sys.argv[1], encoding="utf-8"):
    length, cell, exact, variant, period, median, worst = line.rstrip("\n").split("\t")
    periods, letters = cell.split(":")
    shown = ", ".join(names[c] for c in letters)
    num = lambda v: v.replace(".", ",")
    print(f"| {length} | {periods.replace('-', '–')} | {shown} | {num(exact)} % | {num(variant)} % | {num(period)} % "
          f"| {num(median)} | {num(worst)} |")
PY
