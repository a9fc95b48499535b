# Sourced by the throughput benchmarks: the best time of RUNS runs of a
# command, and one line of its rate beside cat's; for two builds of one
# program, their best times from alternate runs and the ratio of their rates.

# Nanoseconds of the fastest of $runs runs, output thrown away.
seconds_of() {
    local best= start end elapsed
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        elapsed=$((end - start))
        if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    done
    echo "$best"
}

# report LABEL BYTES NANOSECONDS CAT_NANOSECONDS
report() {
    local label=$1 bytes=$2 nanos=$3 cat_nanos=$4
    awk -v label="$label" -v bytes="$bytes" -v ns="$nanos" -v cat_ns="$cat_nanos" 'BEGIN {
        mib = bytes / 1048576; rate = mib / (ns / 1e9); cat_rate = mib / (cat_ns / 1e9)
        printf "%-30s %8.1f MiB in %7.2f s  %8.1f MiB/s  (cat %8.1f MiB/s, ratio %.3f)\n", label, mib, ns / 1e9, rate, cat_rate, rate / cat_rate
    }'
}

# The fastest of $runs runs of each of two programs with the same arguments,
# "BASE_NS NEW_NS BASE_CPU_NS NEW_CPU_NS": wall-clock time and, separately,
# processor time (user and system), which other processes on the machine
# disturb much less. The runs alternate, so that a change in the machine's
# load falls on both alike.
alternate_seconds_of() {
    local base=$1 new=$2 side program wall cpu
    local -A best_wall=() best_cpu=()
    shift 2
    local TIMEFORMAT='%3R %3U %3S'
    for _ in $(seq "$runs"); do
        for side in base new; do
            program=$base
            [ $side = new ] && program=$new
            read -r wall cpu < <({ time "$program" "$@" > /dev/null 2>&1; } 2>&1 \
                | awk '{ printf "%d %d\n", $1 * 1e9, ($2 + $3) * 1e9 }')
            if [ -z "${best_wall[$side]:-}" ] || [ "$wall" -lt "${best_wall[$side]}" ]; then best_wall[$side]=$wall; fi
            if [ -z "${best_cpu[$side]:-}" ] || [ "$cpu" -lt "${best_cpu[$side]}" ]; then best_cpu[$side]=$cpu; fi
        done
    done
    echo "${best_wall[base]} ${best_wall[new]} ${best_cpu[base]} ${best_cpu[new]}"
}

# report_pair LABEL BYTES BASE_NS NEW_NS BASE_CPU_NS NEW_CPU_NS MIN_RATIO:
# the verdict is on wall-clock throughput; the ratio of processor time is
# printed beside it to tell a slower program from a busier machine.
report_pair() {
    local label=$1 bytes=$2 base_ns=$3 new_ns=$4 base_cpu=$5 new_cpu=$6 min_ratio=$7
    awk -v label="$label" -v bytes="$bytes" -v base_ns="$base_ns" -v new_ns="$new_ns" \
        -v base_cpu="$base_cpu" -v new_cpu="$new_cpu" -v min="$min_ratio" 'BEGIN {
        mib = bytes / 1048576; base = mib / (base_ns / 1e9); new = mib / (new_ns / 1e9); ratio = new / base
        printf "%-22s %7.1f MiB  base %7.1f MiB/s  new %7.1f MiB/s  new/base %.3f %-10s (by processor time %.3f)\n", label, mib, base, new, ratio, (ratio >= min ? "ok" : "BELOW " min), base_cpu / new_cpu
    }'
}
