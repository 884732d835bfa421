#!/bin/sh
# Context for orbisk_engine_bench on the same machine: stressapptest on the
# same sizes and thread count (its reported copy bandwidth) and one loop of
# memtester on 256 MiB (wall time). Debian packages: stressapptest, memtester.
#   bench/orbisk/peers.sh [SECONDS_PER_STRESSAPPTEST_RUN]
set -u
SECONDS_PER_RUN="${1:-5}"
THREADS=$(nproc)
[ "$THREADS" -gt 16 ] && THREADS=16

if command -v stressapptest >/dev/null; then
    for MB in 64 512 2047; do
        echo "--- stressapptest -M $MB -m $THREADS -s $SECONDS_PER_RUN"
        stressapptest -M "$MB" -m "$THREADS" -s "$SECONDS_PER_RUN" 2>&1 |
            grep -E "Stats: (Memory Copy|Completed)|Status:"
    done
else
    echo "stressapptest is not installed (apt-get install stressapptest)"
fi

if command -v memtester >/dev/null; then
    echo "--- memtester 256M 1"
    start=$(date +%s.%N)
    memtester 256M 1 >/dev/null 2>&1
    status=$?
    end=$(date +%s.%N)
    echo "exit $status, wall $(echo "$end - $start" | bc 2>/dev/null || echo "? (bc missing)") s"
else
    echo "memtester is not installed (apt-get install memtester)"
fi
