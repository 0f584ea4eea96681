#!/bin/sh
# Builds the reader benchmark in Release and measures two documents: the generated 400000-entry
# document and a realistic one (400067 leaves by default), the latter by turns with rapidjson
# reading the same tree written as JSON (medians of ROUNDS rounds each). Then times "ktf check"
# of the realistic file as a whole process.
#   benchmarks/ktf/run.sh [ENTRIES [LEAVES [ROUNDS]]]
set -e
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=${BENCH_BUILD_DIR:-$source/build-release}
rounds=${3:-9}
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
ninja -C "$build" -j2 ktf_benchmark ktf >/dev/null
generated=${TMPDIR:-/tmp}/ktf-benchmark.ktf
realistic=${TMPDIR:-/tmp}/ktf-benchmark-realistic.ktf
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
echo "== generated document"
"$build/bin/ktf_benchmark" --generate "$generated" "${1:-400000}"
"$build/bin/ktf_benchmark" "$generated" "$rounds"
echo "== realistic document, by turns with the same tree as JSON"
"$build/bin/ktf_benchmark" --realistic "$realistic" "${2:-400067}"
"$build/bin/ktf_benchmark" --compare "$realistic" "$rounds"
start=$(date +%s%N)
"$build/bin/ktf" check "$realistic"
end=$(date +%s%N)
echo "ktf check:        $(( (end - start) / 1000000 )) ms for the whole process (wall clock)"
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "ktf check:        %U s user, %S s system, %M KB peak" "$build/bin/ktf" check "$realistic"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$generated" "$realistic" "$realistic.json"
