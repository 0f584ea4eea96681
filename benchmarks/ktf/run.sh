#!/bin/sh
# Builds the reader benchmark in Release, generates a 400000-entry document and prints the
# reader's throughput and memory, then times "ktf check" of the same file as a whole process.
set -e
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=${BENCH_BUILD_DIR:-$source/build-release}
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
ninja -C "$build" -j2 ktf_benchmark ktf >/dev/null
document=${TMPDIR:-/tmp}/ktf-benchmark.ktf
"$build/bin/ktf_benchmark" --generate "$document" "${1:-400000}"
"$build/bin/ktf_benchmark" "$document" 5
start=$(date +%s%N)
"$build/bin/ktf" check "$document"
end=$(date +%s%N)
echo "ktf check:        $(( (end - start) / 1000000 )) ms for the whole process (wall clock)"
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "ktf check:        %U s user, %S s system, %M KB peak" "$build/bin/ktf" check "$document"
fi
rm -f "$document"
