#!/usr/bin/env bash
# Installs the same 100,000-file product twice (without desktop files), then removes one copy
# with its uninstaller and the other with rm -rf, and compares the times.
# Usage: run.sh [BUILD_DIR] [FILE_COUNT]; exits 1 if the uninstaller takes over 1.3 times as long.
set -euo pipefail

here=$(cd -- "$(dirname -- "$0")" && pwd -P)
source_dir=$(cd -- "$here/../.." && pwd -P)
build_dir=$(cd -- "${1:-$source_dir/build}" && pwd -P)
count=${2:-100000}

work=$(mktemp -d -t orna-bench-uninstall.XXXXXXXX)
trap 'rm -rf -- "$work"' EXIT
export HOME=$work/home TMPDIR=$work/tmp XDG_UTILS_INSTALL_MODE=user
mkdir -p "$HOME" "$TMPDIR"
unset DISPLAY

# The product: count small files in directories of 1000.
product=$work/product
python3 - "$product" "$count" <<'PYTHON'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    directory = os.path.join(root, "data", "d%d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(directory)
    with open(os.path.join(directory, "f%d" % i), "w") as f:
        f.write("x")
PYTHON

installer=$work/installer
mkdir -p "$installer"
cp "$build_dir/bin/LinuxInstaller" "$installer/"
cat >"$installer/installer.settings" <<'SETTINGS'
Settings {
    product = Bench
    shortApplicationName = Bench
    installerTargetDirectory = Bench
    uninstallerEnabled = true
}
SETTINGS
bash "$source_dir/tools/make-archive" "$product" "$installer" "$work/bench.run" >/dev/null

# Two rounds in alternating order, so that neither side always pays for the other's
# write-back; the faster time of each side counts.
seconds() { date +%s.%N; }
timed() {
    local start
    sync
    start=$(seconds)
    "$@" >/dev/null
    awk -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.3f\n", b - a }'
}
uninstall_times=() remove_times=()
for round in 1 2; do
    for target in uninstalled removed; do
        bash "$work/bench.run" --mode console --no-desktop-files --prefix "$work/$target" >/dev/null
    done
    if ((round == 1)); then
        uninstall_times+=("$(timed "$work/uninstalled/uninstall" --mode console)")
        remove_times+=("$(timed rm -rf -- "$work/removed")")
    else
        remove_times+=("$(timed rm -rf -- "$work/removed")")
        uninstall_times+=("$(timed "$work/uninstalled/uninstall" --mode console)")
    fi
    [[ ! -e $work/uninstalled ]] || { echo "uninstaller left $work/uninstalled behind" >&2; exit 1; }
done

awk -v u1="${uninstall_times[0]}" -v u2="${uninstall_times[1]}" -v r1="${remove_times[0]}" \
    -v r2="${remove_times[1]}" -v n="$count" 'BEGIN {
    u = (u1 < u2) ? u1 : u2; r = (r1 < r2) ? r1 : r2; ratio = (r > 0) ? u / r : 0
    printf "files: %d\nuninstall: %.3f s (rounds %.3f, %.3f)\n", n, u, u1, u2
    printf "rm -rf: %.3f s (rounds %.3f, %.3f)\nratio: %.2f (limit 1.30)\n", r, r1, r2, ratio
    exit (ratio > 1.3) ? 1 : 0
}'
