#!/bin/bash
# Times removing a tree of small files with removeDirectoryRecursively against rm -rf.
# Usage: run.sh [build directory] [file count] [rounds]
set -euo pipefail

build=${1:-build}
count=${2:-100000}
rounds=${3:-3}
program="$build/bin/removeTreeBenchmark"
[ -x "$program" ] || { echo "build removeTreeBenchmark first: ninja -C $build removeTreeBenchmark" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/removalBenchmark.XXXXXX")
trap 'rm -rf "$work"' EXIT

milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }
time_rm() {
    local start
    start=$(milliseconds)
    rm -rf "$work/rm"
    echo $(( $(milliseconds) - start ))
}

total_rm=0
total_orna=0
for round in $(seq "$rounds"); do
    "$program" generate "$work/rm" "$count"
    "$program" generate "$work/orna" "$count"
    # Alternate the order, and let earlier writes settle, so neither side pays for the other.
    if (( round % 2 )); then
        sync; rm_ms=$(time_rm)
        sync; orna_ms=$("$program" remove "$work/orna")
    else
        sync; orna_ms=$("$program" remove "$work/orna")
        sync; rm_ms=$(time_rm)
    fi
    [ ! -e "$work/orna" ] || { echo "tree was not removed" >&2; exit 1; }
    echo "round $round: rm -rf ${rm_ms} ms, removeDirectoryRecursively ${orna_ms} ms"
    total_rm=$(( total_rm + rm_ms ))
    total_orna=$(awk -v a="$total_orna" -v b="$orna_ms" 'BEGIN { print a + b }')
done
awk -v r="$total_rm" -v o="$total_orna" -v n="$count" -v k="$rounds" 'BEGIN {
    printf "%d files, %d rounds: rm -rf %.1f ms, removeDirectoryRecursively %.1f ms (mean), ratio %.2f\n",
           n, k, r / k, o / k, (r > 0 ? o / r : 0) }'
