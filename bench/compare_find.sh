#!/usr/bin/env bash
# Times bench_findfile against GNU find on the same tree, in the same run, warm cache.
#   bench/compare_find.sh BIN_DIR [ROOT] [ROUNDS]
# BIN_DIR holds bench_findfile and bench_gentree (e.g. build/bin). ROOT is generated with
# 100,000 files in 10,000 folders when it does not exist yet.
set -euo pipefail
bin=${1:?usage: compare_find.sh BIN_DIR [ROOT] [ROUNDS]}
root=${2:-/tmp/krdl-findtree}
rounds=${3:-5}
[ -d "$root" ] || "$bin/bench_gentree" "$root"

# Wall time of one command in seconds.
wall() {
    local TIMEFORMAT=%R
    { time "$@" > /dev/null; } 2>&1
}

find "$root" > /dev/null # warm the cache
for pair in "*.dft|-iname *.dft" "*.*|"; do
    mask=${pair%%|*}
    findargs=${pair#*|}
    ours=0 theirs=0
    for ((i = 0; i < rounds; i++)); do
        # shellcheck disable=SC2086
        t=$(set -f; wall find "$root" -type f $findargs)
        theirs=$(echo "$theirs + $t" | bc -l)
        t=$(wall "$bin/bench_findfile" "$root" "$mask")
        ours=$(echo "$ours + $t" | bc -l)
    done
    nours=$("$bin/bench_findfile" "$root" "$mask" | cut -d' ' -f1)
    # shellcheck disable=SC2086
    ntheirs=$(set -f; find "$root" -type f $findargs | wc -l)
    printf 'mask %-6s  bench_findfile %6d files %.3f s/run   find %6d files %.3f s/run   ratio %.2f\n' \
        "$mask" "$nours" "$(echo "$ours / $rounds" | bc -l)" "$ntheirs" "$(echo "$theirs / $rounds" | bc -l)" \
        "$(echo "$ours / $theirs" | bc -l)"
done
