#!/usr/bin/env bash
# End-to-end throughput of `homophonic analyze` on a Windows-1251 file of
# Russian text, against cat of the same file in the same run.
#
#   bench/analyze_throughput.sh [PATH/TO/homophonic] [SIZE_MIB]
#
# Figures are MiB of input per second, the best of RUNS runs (default 3).
# Build in Release mode first.
set -euo pipefail

program=${1:-build/src/cli/homophonic}
size_mib=${2:-256}
runs=${RUNS:-3}
command=(analyze)

[ -x "$program" ] || { echo "нет программы $program: соберите её или укажите путь первым аргументом" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The seed text of cli_throughput.sh: ordinary Russian prose repeated up to
# the size wanted.
sed -n "/^cat > \"\$work\/seed.txt\" <<'TEXT'$/,/^TEXT$/p" "$(dirname "$0")/cli_throughput.sh" | sed '1d;$d' > "$work/seed.txt"
iconv -f UTF-8 -t CP1251 "$work/seed.txt" > "$work/block.txt"
while [ "$(stat -c %s "$work/block.txt")" -lt $((size_mib << 20)) ]; do
    cat "$work/block.txt" "$work/block.txt" > "$work/double.txt"
    mv "$work/double.txt" "$work/block.txt"
done
head -c $((size_mib << 20)) "$work/block.txt" > "$work/plain.txt"
rm "$work/block.txt"

. "$(dirname "$0")/timing.sh"

bytes=$(stat -c %s "$work/plain.txt")
echo "$program analyze, best of $runs runs, input cached, output to /dev/null"
cat_nanos=$(seconds_of cat "$work/plain.txt")
for reading in plain guess; do
    as=()
    [ "$reading" = guess ] || as=(--as "$reading")
    nanos=$(seconds_of "$program" "${command[@]}" --input "$work/plain.txt" "${as[@]}")
    report "analyze, reading $reading" "$bytes" "$nanos" "$cat_nanos"
done
