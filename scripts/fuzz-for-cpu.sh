#!/bin/sh
# Runs one libFuzzer target until its process has used SECONDS of CPU time,
# however busy the machine is: libFuzzer's own -max_total_time counts wall
# time, which under `nice` on a shared machine may give the target a small
# part of it. The fuzzer is stopped with SIGINT, so it prints its final
# statistics; the CPU seconds it had are printed after them.
#
#   scripts/fuzz-for-cpu.sh build-fuzz/fuzz/fuzz_decrypt 3600 /tmp/corpus-decrypt [libFuzzer options]
set -eu

if [ $# -lt 3 ]; then
    echo "usage: $0 FUZZER SECONDS CORPUS [libFuzzer options]" >&2
    exit 2
fi
fuzzer=$1
seconds=$2
corpus=$3
shift 3

ticks=$(getconf CLK_TCK)
"$fuzzer" -print_final_stats=1 -max_total_time=864000 "$@" "$corpus" &
pid=$!

# utime and stime are fields 14 and 15 of /proc/PID/stat; the command name
# before them is in brackets and may hold spaces, so split after the last ')'.
cpu_seconds() {
    sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null |
        awk -v t="$ticks" '{ printf "%d", ($12 + $13) / t }'
}

used=0
while kill -0 "$pid" 2>/dev/null; do
    used=$(cpu_seconds || echo "$used")
    [ -n "$used" ] || used=0
    if [ "$used" -ge "$seconds" ]; then
        kill -INT "$pid" 2>/dev/null || true
        break
    fi
    sleep 5
done
status=0
wait "$pid" || status=$?
echo "CPU seconds used: $used"
# SIGINT is how the run was meant to end; anything else is the fuzzer's own.
[ "$used" -ge "$seconds" ] && exit 0
exit "$status"
