#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test: once in a normal build,
# once with AddressSanitizer and UndefinedBehaviorSanitizer, after a short fuzzing run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

rm -rf "$root/build" "$root/build-sanitize" "$root/build-fuzz"
bash "$root/scripts/build.sh" "$root/build"
bash "$root/scripts/build.sh" "$root/build-sanitize" -DORNA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

# A short fuzzing run of the KTF reader (clang, libFuzzer).
bash "$root/fuzz/run.sh" "${ORNA_FUZZ_SECONDS:-60}" reader

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
(cd "$root/build" && ctest --output-on-failure --timeout 900) || status=1
(cd "$root/build-sanitize" && ctest --output-on-failure --timeout 1800) || status=1
exit $status
