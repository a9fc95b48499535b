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

# Nanoseconds of the fastest of $runs runs of each of two programs with the
# same arguments, "BASE NEW". The runs alternate, so that a change in the
# machine's load falls on both alike.
alternate_seconds_of() {
    local base=$1 new=$2 best_base="" best_new="" start end elapsed side program
    shift 2
    for _ in $(seq "$runs"); do
        for side in base new; do
            program=$base
            [ $side = new ] && program=$new
            start=$(date +%s%N)
            "$program" "$@" > /dev/null
            end=$(date +%s%N)
            elapsed=$((end - start))
            if [ $side = base ]; then
                if [ -z "$best_base" ] || [ "$elapsed" -lt "$best_base" ]; then best_base=$elapsed; fi
            elif [ -z "$best_new" ] || [ "$elapsed" -lt "$best_new" ]; then
                best_new=$elapsed
            fi
        done
    done
    echo "$best_base $best_new"
}

# report_pair LABEL BYTES BASE_NANOSECONDS NEW_NANOSECONDS MIN_RATIO
report_pair() {
    local label=$1 bytes=$2 base_ns=$3 new_ns=$4 min_ratio=$5
    awk -v label="$label" -v bytes="$bytes" -v base_ns="$base_ns" -v new_ns="$new_ns" -v min="$min_ratio" 'BEGIN {
        mib = bytes / 1048576; base = mib / (base_ns / 1e9); new = mib / (new_ns / 1e9); ratio = new / base
        printf "%-22s %8.1f MiB  base %8.1f MiB/s  new %8.1f MiB/s  new/base %.3f  %s\n", label, mib, base, new, ratio, (ratio >= min ? "ok" : "BELOW " min)
    }'
}
