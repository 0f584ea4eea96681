#!/usr/bin/env bash
# The wizard's installation of a large generated product against the console installation of
# the same payload, both with and without --verbose (every line logged to the page or printed),
# and the progress page's responsiveness meanwhile. Runs alternate; prints the figures.
# Targets: wizard at most 1.2 times the console without --verbose, at most 2 times with it;
# no gap of more than 100 ms between the ticks of a 10 ms timer.
#
#   benchmarks/wizard/run.sh [BUILD_DIR] [FILES] [RUNS]
set -euo pipefail

root=$(cd -- "$(dirname -- "$0")/../.." && pwd -P)
build=${1:-$root/build}
files=${2:-100000}
runs=${3:-3}
installer=$build/bin/LinuxInstaller
harness=$build/bin/wizardBenchmark
for program in "$installer" "$harness"; do
    [[ -x $program ]] || { echo "Build it first: ninja -C $build ${program##*/}" >&2; exit 1; }
done

work=$(mktemp -d -t orna-wizard-bench.XXXXXXXX)
trap 'rm -rf -- "$work"' EXIT
source "$root/benchmarks/install/large-product.sh"
make_large_product "$root" "$work" "$files" "$installer"
settings=$work/unpacked/installer/installer.settings

console_run() { # TARGET [--verbose]
    "$work/unpacked/installer/LinuxInstaller" "$work/bench.run" --settings-file "$settings" \
        --temp-directory "$work/unpacked" --file-count "$files" \
        --mode console --no-desktop-files --prefix "$@"
}
wizard_run() { # TARGET [--verbose]; the harness's own figures go to $work/figures
    QT_QPA_PLATFORM=offscreen "$harness" "$settings" "$work/bench.run" "$work/unpacked" \
        "$files" "$@" >>"$work/figures" 2>"$work/harness.log" ||
        { cat "$work/harness.log" >&2; return 1; }
}

for variant in quiet verbose; do
    flag=()
    [[ $variant == verbose ]] && flag=(--verbose)
    consoleTimes=() wizardTimes=()
    : >"$work/figures"
    for ((i = 1; i <= runs; i++)); do
        rm -rf -- "$work/c" "$work/w"
        sync
        consoleTimes+=("$(timeit console_run "$work/c" "${flag[@]}")")
        wizardTimes+=("$(timeit wizard_run "$work/w" "${flag[@]}")")
        [[ $(find "$work/w" -type f | wc -l) -eq $files ]] || { echo "wizard installation incomplete" >&2; exit 1; }
        printf '%s run %d: console %.3f s, wizard %.3f s (%s)\n' "$variant" "$i" \
            "${consoleTimes[-1]}" "${wizardTimes[-1]}" "$(tail -n 1 "$work/figures")"
    done
    mc=$(median "${consoleTimes[@]}")
    mw=$(median "${wizardTimes[@]}")
    ticks=$(awk '{print $4}' "$work/figures" | sort -g | tail -n 1)
    paints=$(awk '{print $6}' "$work/figures" | sort -g | tail -n 1)
    printf '%s median: console %.3f s, wizard %.3f s, ratio %.2f; longest timer gap %s ms, longest paint gap %s ms\n' \
        "$variant" "$mc" "$mw" "$(echo "$mw / $mc" | bc -l)" "$ticks" "$paints"
done
