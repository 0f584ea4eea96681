#!/usr/bin/env bash
# Installer overhead on a large payload: a generated product of many small files, installed
# through the archive with LinuxInstaller on the console, against the archive's own copy
# (bash ARCHIVE --install DIR TMP) of the same payload. Runs alternate; prints the figures.
#
#   benchmarks/install/run.sh [BUILD_DIR] [FILES] [RUNS]
set -euo pipefail

root=$(cd -- "$(dirname -- "$0")/../.." && pwd -P)
build=${1:-$root/build}
files=${2:-100000}
runs=${3:-5}
installer=$build/bin/LinuxInstaller
[[ -x $installer ]] || { echo "Build LinuxInstaller first (ninja -C $build LinuxInstaller)." >&2; exit 1; }

work=$(mktemp -d -t orna-bench.XXXXXXXX)
trap 'rm -rf -- "$work"' EXIT

source "$root/benchmarks/install/large-product.sh"
make_large_product "$root" "$work" "$files" "$installer"

installer_run() { # the installer's share: the archive minus its own unpacking is measured below
    "$work/unpacked/installer/LinuxInstaller" "$work/bench.run" \
        --settings-file "$work/unpacked/installer/installer.settings" \
        --temp-directory "$work/unpacked" --file-count "$files" \
        --mode console --no-desktop-files --prefix "$1"
}
script_run() {
    bash "$work/bench.run" --install "$1" "$work/unpacked"
}

alternate_runs "$runs" installer installer_run "script alone" script_run
mi=$MEDIAN_A ma=$MEDIAN_B
overhead=$(echo "($mi - $ma) * 100 / $ma" | bc -l)
printf 'median: installer %.3f s, script alone %.3f s, overhead %.1f %%\n' "$mi" "$ma" "$overhead"

# Peak memory of the installer (verbose run: every line is decoded and printed).
rm -rf -- "$work/t3"
if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -v -o "$work/time.txt" "$work/unpacked/installer/LinuxInstaller" "$work/bench.run" \
        --settings-file "$work/unpacked/installer/installer.settings" \
        --temp-directory "$work/unpacked" --file-count "$files" \
        --mode console --no-desktop-files --verbose --prefix "$work/t3" >/dev/null
    kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
else
    kb=$(python3 - "$work" "$files" <<'PY'
import resource, subprocess, sys
w, n = sys.argv[1], sys.argv[2]
subprocess.run([w + "/unpacked/installer/LinuxInstaller", w + "/bench.run", "--settings-file",
                w + "/unpacked/installer/installer.settings", "--temp-directory",
                w + "/unpacked", "--file-count", n, "--mode", "console",
                "--no-desktop-files", "--verbose", "--prefix", w + "/t3"],
               stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
)
fi
printf 'peak memory of the installer: %.1f MB\n' "$(echo "$kb / 1024" | bc -l)"
