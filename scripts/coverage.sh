#!/usr/bin/env bash
# Line coverage of the product code by the whole test suite: scripts/coverage.sh BUILD_DIR
# Configures an instrumented build there, runs every test, and prints gcovr's summary and a
# table per file of installer/, Libraries/ and tools/ (tests, benchmarks and fuzz left out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: scripts/coverage.sh BUILD_DIR}
mkdir -p "$build"
build=$(cd "$build" && pwd)
bash "$root/scripts/build.sh" "$build" -DORNA_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug
# Counters from an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete
status=0
(cd "$build" && ctest --output-on-failure -j2 --timeout 900) || status=1
# The text report (one row per file, most uncovered lines first) and the summary below it.
gcovr --root "$root" --object-directory "$build" -j 2 \
    --filter "$root/installer/" --filter "$root/Libraries/" --filter "$root/tools/" \
    --gcov-ignore-parse-errors --sort-uncovered --print-summary "$build"
# Figures of a failed run still print, but the run does not pass for a good one.
[ "$status" -eq 0 ] || echo "coverage.sh: some tests failed; the figures count what ran" >&2
exit $status
