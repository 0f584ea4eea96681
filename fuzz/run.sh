#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them: fuzz/run.sh [SECONDS [TARGET...]], the time
# per target (default 600) and the targets, reader and/or editor (default both). Findings land
# in fuzz/findings/.
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$(dirname "$here")/build-fuzz}
seconds=${1:-600}
targets=("${@:2}")
[ ${#targets[@]} -gt 0 ] || targets=(reader editor)
CC=clang CXX=clang++ cmake -S "$(dirname "$here")" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORNA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
ninja -C "$build" -j2 fuzz_ktf_reader fuzz_ktf_editor
mkdir -p "$here/findings"
# The editor writes a file per run; a memory file system keeps that fast.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus-$target"
    echo "== fuzz_ktf_$target for $seconds s"
    "$build/bin/fuzz_ktf_$target" "$build/corpus-$target" "$here/corpus/$target" \
        -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=4096 -timeout=60 \
        -close_fd_mask=3 -artifact_prefix="$here/findings/$target-" -print_final_stats=1 \
        >"$build/run-$target.log" 2>&1 || status=$?
    grep -aE "cov:|Done|stat::|SUMMARY|Test unit" "$build/run-$target.log" | tail -n 12 || true
    [ "${status:=0}" -eq 0 ] || echo "fuzz_ktf_$target found a problem (exit $status); see $here/findings/"
    failed=$((${failed:-0} | status)) status=0
done
exit "$failed"
