#!/usr/bin/env bash
# End-to-end throughput of the command-line tool on a Windows-1251 file of
# Russian text, against cat of the same file in the same run.
#
#   bench/cli_throughput.sh [--base PATH/TO/BASE/homophonic] [PATH/TO/homophonic] [SIZE_MIB] [KEY]
#
# KEY is the homophonic key (a number, default 2) or the key options of any
# family in one word, e.g. "--cipher vigenere --keyword КЛЮЧ".
#
# Figures are MiB of input per second, the best of RUNS runs (default 3), with
# the output thrown away, as cat's is, on one thread (--jobs 1) and on every
# core; then the peak memory (/usr/bin/time -v) for the same file and for a
# file that is a single line of 64 MiB. The machine's load is printed before
# and after: on a shared machine, repeat when it is high. Build in Release
# mode first, e.g.
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build -j2
#
# With --base, the two programs (an earlier build and this one) are timed in
# one run on the same files, alternately (RUNS default 5), and each line
# gives the ratio of their rates, new/base, against the 0.95 that a change
# must keep, and the same ratio by processor time: on a busy machine the
# wall-clock ratio of two identical programs strays by 10 % and more, the
# processor-time ratio by about 1 %. The two must also write the same
# ciphertext and plaintext.
# scripts/compare-builds.sh --bench MIB builds both and calls this.
set -euo pipefail

base_program=
if [ "${1:-}" = --base ]; then
    base_program=$2
    shift 2
fi
program=${1:-build/src/cli/homophonic}
size_mib=${2:-256}
key=${3:-2}
# The key as options: --key N for a number, otherwise the words given.
if [[ $key =~ ^[0-9]+$ ]]; then
    key_options=(--key "$key")
else
    read -r -a key_options <<<"$key"
fi
runs=${RUNS:-3}
[ -n "$base_program" ] && runs=${RUNS:-5}
min_ratio=0.95

for path in "$program" ${base_program:+"$base_program"}; do
    [ -x "$path" ] || { echo "нет программы $path: соберите её или укажите путь" >&2; exit 2; }
done

if [ ! -x /usr/bin/time ]; then
    apt-get install -y time >/dev/null || { echo "нет /usr/bin/time: установите пакет time" >&2; exit 2; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A few paragraphs of ordinary Russian prose with punctuation, capitals and
# the letters Ё and Й that the table lacks, repeated up to the size wanted.
cat > "$work/seed.txt" <<'TEXT'
Гомофоническая замена ставит каждой букве открытого текста в соответствие несколько кодов.
Частые буквы получают больше вариантов, и по частотам символов шифр уже не вскрыть так легко.
Ключ здесь — число закрытых алфавитов: от одного до трёх.
При ключе, равном двум, повторы одной буквы получают то первый, то второй код, по очереди.
Ёлка стояла в углу, и дети ждали, когда же наконец зажгутся огни.
Йод, йогурт и район: буквы Й и Ё в таблицу не входят и переписываются как есть.
Преподаватель раздал студентам задания на неделю, а ответы собрал в один файл.
Каждая строка этого файла шифруется отдельно, и счётчики таблицы начинаются заново.
— Проверьте, пожалуйста, работу номер семь, — попросила староста группы.
Длинная строка без переносов тоже допустима; важно лишь, чтобы она поместилась в памяти, а файл целиком может быть сколь угодно большим, ведь программа читает его по частям и сразу пишет результат.
Короткая строка.

Съешь же ещё этих мягких французских булок да выпей чаю.
В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!
TEXT
iconv -f UTF-8 -t CP1251 "$work/seed.txt" > "$work/block.txt"
while [ "$(stat -c %s "$work/block.txt")" -lt $((size_mib << 20)) ]; do
    cat "$work/block.txt" "$work/block.txt" > "$work/double.txt"
    mv "$work/double.txt" "$work/block.txt"
done
head -c $((size_mib << 20)) "$work/block.txt" > "$work/plain.txt"
rm "$work/block.txt"
"$program" encrypt "${key_options[@]}" --input "$work/plain.txt" --output "$work/cipher.txt"

. "$(dirname "$0")/timing.sh"

plain_bytes=$(stat -c %s "$work/plain.txt")
cipher_bytes=$(stat -c %s "$work/cipher.txt")
cores=$(nproc)
echo "homophonic $("$program" --version | cut -d' ' -f2), key $key, best of $runs runs, input cached, output to /dev/null"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), cores: $cores"

cat_plain=$(seconds_of cat "$work/plain.txt")
cat_cipher=$(seconds_of cat "$work/cipher.txt")
if [ -n "$base_program" ]; then
    "$base_program" encrypt "${key_options[@]}" --input "$work/plain.txt" | cmp - "$work/cipher.txt" \
        || { echo "base and new write different ciphertexts" >&2; exit 1; }
    cmp <("$base_program" decrypt "${key_options[@]}" --input "$work/cipher.txt") \
        <("$program" decrypt "${key_options[@]}" --input "$work/cipher.txt") \
        || { echo "base and new write different plaintexts" >&2; exit 1; }
    echo "base: $base_program"
    echo "new:  $program"
    awk -v bytes="$plain_bytes" -v ns="$cat_plain" 'BEGIN { printf "cat of the plaintext: %.1f MiB/s\n", bytes / 1048576 / (ns / 1e9) }'
    for jobs in 1 "$cores"; do
        read -r base_ns new_ns base_cpu new_cpu < <(alternate_seconds_of "$base_program" "$program" encrypt "${key_options[@]}" --jobs "$jobs" --input "$work/plain.txt")
        report_pair "encrypt, --jobs $jobs" "$plain_bytes" "$base_ns" "$new_ns" "$base_cpu" "$new_cpu" "$min_ratio"
        read -r base_ns new_ns base_cpu new_cpu < <(alternate_seconds_of "$base_program" "$program" decrypt "${key_options[@]}" --jobs "$jobs" --input "$work/cipher.txt")
        report_pair "decrypt, --jobs $jobs" "$cipher_bytes" "$base_ns" "$new_ns" "$base_cpu" "$new_cpu" "$min_ratio"
    done
else
    for jobs in 1 "$cores"; do
        encrypt=$(seconds_of "$program" encrypt "${key_options[@]}" --jobs "$jobs" --input "$work/plain.txt")
        report "encrypt, --jobs $jobs" "$plain_bytes" "$encrypt" "$cat_plain"
        decrypt=$(seconds_of "$program" decrypt "${key_options[@]}" --jobs "$jobs" --input "$work/cipher.txt")
        report "decrypt, --jobs $jobs" "$cipher_bytes" "$decrypt" "$cat_cipher"
    done
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

peak_mib() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk '/Maximum resident set size/ { printf "%.1f", $NF / 1024 }'
}

# The peak of the program with these arguments, and the base program's.
peaks() {
    printf '%s MiB' "$(peak_mib "$program" "$@")"
    [ -z "$base_program" ] || printf ' (base %s MiB)' "$(peak_mib "$base_program" "$@")"
}

# The text without its line ends: one line of 64 MiB, and its ciphertext.
tr -d '\r\n' < "$work/plain.txt" > "$work/joined.txt"
head -c $((64 << 20)) "$work/joined.txt" > "$work/line.txt"
rm "$work/joined.txt"
"$program" encrypt "${key_options[@]}" --input "$work/line.txt" --output "$work/line-cipher.txt"
line_mib=64
cipher_line_mib=$(( $(stat -c %s "$work/line-cipher.txt") >> 20 ))
longest=$(LC_ALL=C awk '{ if (length($0) > n) n = length($0) } END { printf "%.3f", n / 1048576 }' "$work/plain.txt")
echo "peak memory, --jobs $cores (limit: 64 MiB + 4 x the longest line):"
echo "  encrypt $size_mib MiB of short lines:      $(peaks encrypt "${key_options[@]}" --input "$work/plain.txt") (limit $(awk -v l="$longest" 'BEGIN { printf "%.0f", 64 + 4 * l }'))"
echo "  decrypt its ciphertext:                $(peaks decrypt "${key_options[@]}" --input "$work/cipher.txt")"
echo "  encrypt one line of $line_mib MiB:            $(peaks encrypt "${key_options[@]}" --input "$work/line.txt") (limit $((64 + 4 * line_mib)))"
echo "  decrypt its ciphertext ($cipher_line_mib MiB line): $(peaks decrypt "${key_options[@]}" --input "$work/line-cipher.txt") (limit $((64 + 4 * cipher_line_mib)))"
