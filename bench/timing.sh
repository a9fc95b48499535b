# Sourced by the throughput benchmarks: the best time of RUNS runs of a
# command, and one line of its rate beside cat's.

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
