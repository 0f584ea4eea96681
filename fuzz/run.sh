#!/bin/sh
# Builds the fuzz targets with clang and runs each one; the first argument is the time in
# seconds per target (default 600). Findings land in fuzz/findings/.
set -e
here=$(cd "$(dirname "$0")" && pwd)
source=$(dirname "$here")
build=${FUZZ_BUILD_DIR:-$source/build-fuzz}
seconds=${1:-600}
CC=clang CXX=clang++ cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORNA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
ninja -C "$build" -j2 fuzz_ktf_reader fuzz_ktf_editor
mkdir -p "$here/findings"
# The editor writes a file per run; a memory file system keeps that fast.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
for target in reader editor; do
    work="$build/corpus-$target"
    mkdir -p "$work"
    echo "== fuzz_ktf_$target for $seconds s"
    # With -jobs the worker writes its log into the current directory.
    cd "$build"
    "$build/bin/fuzz_ktf_$target" "$work" "$here/corpus/$target" -jobs=1 -workers=1 \
        -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=4096 -timeout=60 \
        -close_fd_mask=3 -artifact_prefix="$here/findings/$target-" -print_final_stats=1 \
        2>&1 | grep -aE "cov:|Done|stat::|SUMMARY|Test unit" | tail -n 12
    grep -aE "cov:" "$build/fuzz-0.log" | tail -n 1
done
