#!/usr/bin/env bash
# The wizard's installation of a large generated product against the console installation of
# the same payload, both with and without --verbose (every line logged to the page or printed),
# and the progress page's responsiveness meanwhile. Runs alternate; prints the figures.
# Then, with an uninstaller in the product, an installation over a previous one (its removal
# first, then the copy) and the uninstaller wizard, each against the same run on the console.
# Targets: wizard at most 1.2 times the console without --verbose, at most 2 times with it;
# no gap of more than 100 ms between the ticks of a 10 ms timer, in any phase. A wizard run
# that takes longer than LIMIT seconds fails the benchmark.
#
#   benchmarks/wizard/run.sh [BUILD_DIR] [FILES] [RUNS] [LIMIT]
set -euo pipefail

root=$(cd -- "$(dirname -- "$0")/../.." && pwd -P)
build=${1:-$root/build}
files=${2:-100000}
runs=${3:-3}
limit=${4:-300}
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
# Runs the harness under the time limit; its figures go to $work/figures.
measured() { # PROGRAM ARGUMENTS...
    local status=0
    QT_QPA_PLATFORM=offscreen timeout -k 10 "$limit" "$@" >>"$work/figures" \
        2>"$work/harness.log" || status=$?
    ((status == 0)) && return 0
    cat "$work/harness.log" >&2
    ((status == 124 || status == 137)) && echo "wizard run did not end within $limit s: $*" >&2
    return 1
}
wizard_run() { # TARGET [--verbose]
    measured "$harness" "$settings" "$work/bench.run" "$work/unpacked" "$files" "$@"
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

wizard_uninstall() { # INSTALLATION
    measured "$1/Uninstaller/LinuxInstaller" --uninstall
}

sed -i 's/uninstallerEnabled = false/uninstallerEnabled = true/' "$settings"
consoleTimes=() wizardTimes=() consoleRemovals=() wizardRemovals=()
: >"$work/figures"
for ((i = 1; i <= runs; i++)); do
    rm -rf -- "$work/c" "$work/w"
    console_run "$work/c" >/dev/null
    console_run "$work/w" >/dev/null
    sync
    consoleTimes+=("$(timeit console_run "$work/c")")
    wizardTimes+=("$(timeit wizard_run "$work/w")")
    install=$(tail -n 1 "$work/figures")
    # The uninstaller removes only the tree it runs from: the harness takes the place of the
    # installation's own uninstaller (a new file: the old one may share its data with the
    # unpacked installer).
    cp --remove-destination -- "$harness" "$work/w/Uninstaller/LinuxInstaller"
    sync
    consoleRemovals+=("$(timeit "$work/c/uninstall" --mode console)")
    wizardRemovals+=("$(timeit wizard_uninstall "$work/w")")
    [[ ! -e $work/c && ! -e $work/w ]] || { echo "uninstallation incomplete" >&2; exit 1; }
    printf 'over previous run %d: console %.3f s, wizard %.3f s (%s)\n' "$i" \
        "${consoleTimes[-1]}" "${wizardTimes[-1]}" "$install"
    printf 'uninstall run %d: console %.3f s, wizard %.3f s (%s)\n' "$i" \
        "${consoleRemovals[-1]}" "${wizardRemovals[-1]}" "$(tail -n 1 "$work/figures")"
done
# The largest value of field FIELD in the figures of KIND.
longest() { # KIND FIELD
    awk -v kind="$1" -v field="$2" '$1 == kind {print $field}' "$work/figures" | sort -g | tail -n 1
}
# The medians of two lists of times (each one word) and their ratio.
medians() { # "CONSOLE_TIMES" "WIZARD_TIMES"
    local mc mw
    mc=$(median $1)
    mw=$(median $2)
    printf 'console %.3f s, wizard %.3f s, ratio %.2f' "$mc" "$mw" "$(echo "$mw / $mc" | bc -l)"
}
printf 'over previous median: %s; longest timer gap removal %s ms, copy %s ms\n' \
    "$(medians "${consoleTimes[*]}" "${wizardTimes[*]}")" "$(longest install 10)" \
    "$(longest install 4)"
printf 'uninstall median: %s; longest timer gap %s ms, longest paint gap %s ms\n' \
    "$(medians "${consoleRemovals[*]}" "${wizardRemovals[*]}")" "$(longest uninstall 4)" \
    "$(longest uninstall 6)"
