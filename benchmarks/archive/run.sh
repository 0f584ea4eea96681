#!/usr/bin/env bash
# Archive installation at the speed of the disk: a generated product of about 500 MB in 4,000
# files (half of them incompressible) is packed with tools/make-archive, then its console
# installation, from starting the archive to its exit, is timed against one pass of
# `zstd -d | tar -x` of the same product payload on the same file system, alternately. Also
# prints the peak use of the temporary directory during an installation, and the size and
# console installation time of the bundled demo archive.
#
#   benchmarks/archive/run.sh [BUILD_DIR] [RUNS] [LEVEL]
set -euo pipefail

root=$(cd -- "$(dirname -- "$0")/../.." && pwd -P)
build=${1:-$root/build}
runs=${2:-5}
level=${3:-19}
files=4000
installer=$build/bin/LinuxInstaller
[[ -x $installer ]] || { echo "Build LinuxInstaller first (ninja -C $build LinuxInstaller)." >&2; exit 1; }

work=$(mktemp -d -t orna-archive-bench.XXXXXXXX)
trap 'rm -rf -- "$work"' EXIT
source "$root/benchmarks/install/large-product.sh" # make_bench_installer, alternate_runs, median

echo "Generating a product of $files files, about 500 MB, half incompressible..."
python3 - "$work/product" "$files" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
# Compressible files: random letters from a 16-letter alphabet (about 2:1 with zstd).
letters = bytes(b"etaoinshrdlu \n.,"[i % 16] for i in range(256))
for i in range(count):
    d = os.path.join(root, "d%02d" % (i // 200))
    os.makedirs(d, exist_ok=True)
    size = 65536 + (i * 7919) % 131072
    data = os.urandom(size)
    with open(os.path.join(d, "file %04d.bin" % i), "wb") as f:
        f.write(data if i % 2 else data.translate(letters))
PY
du -sh --apparent-size "$work/product" | sed 's/\t.*/ of product/'

mkdir -p "$work/tmp"
make_bench_installer "$work" "$installer"
echo "Packing with zstd level $level..."
start=$(date +%s.%N)
"$root/tools/make-archive" --level "$level" "$work/product" "$work/installer" "$work/bench.run" >/dev/null
printf 'make-archive: %.1f s, archive %d bytes\n' "$(echo "$(date +%s.%N) - $start" | bc -l)" \
    "$(stat -c %s "$work/bench.run")"
info=$(bash "$work/bench.run" --info)
offset=$(sed -n 's/^Product part: [0-9]* bytes at \([0-9]*\),.*/\1/p' <<<"$info")
size=$(sed -n 's/^Product part: \([0-9]*\) bytes.*/\1/p' <<<"$info")
dd if="$work/bench.run" of="$work/product.tar.zst" bs=1M iflag=skip_bytes,count_bytes \
    skip="$offset" count="$size" status=none

archive_run() {
    TMPDIR=$work/tmp HOME=$work bash "$work/bench.run" --mode console --no-desktop-files --prefix "$1"
}
plain_run() {
    mkdir -p -- "$1"
    zstd -d -q <"$work/product.tar.zst" | tar -x -C "$1"
}

alternate_runs "$runs" archive archive_run "zstd -d | tar -x" plain_run
ma=$MEDIAN_A mp=$MEDIAN_B
printf 'median: archive %.3f s, zstd -d | tar -x %.3f s, ratio %.2f\n' "$ma" "$mp" "$(echo "$ma / $mp" | bc -l)"

# Peak use of the temporary directory, sampled while an installation runs.
rm -rf -- "$work/t1"
archive_run "$work/t1" >/dev/null &
pid=$!
peak=0
while kill -0 "$pid" 2>/dev/null; do
    used=$(du -s -B1 "$work/tmp" 2>/dev/null | cut -f1) || used=0
    ((used > peak)) && peak=$used
    sleep 0.05
done
wait "$pid"
installer_size=$(sed -n 's/^Installer part: \([0-9]*\) bytes.*/\1/p' <<<"$info")
printf 'peak use of the temporary directory: %.1f MB (installer part %.1f MB packed, product %.1f MB unpacked)\n' \
    "$(echo "$peak / 1000000" | bc -l)" "$(echo "$installer_size / 1000000" | bc -l)" \
    "$(du -s -B1 --apparent-size "$work/product" | cut -f1 | awk '{ print $1 / 1000000 }')"

# The bundled demo archive, made as tests/system/debian-root.sh makes it.
mkdir -p "$work/demo"
cp -- "$installer" "$root"/examples/demo/installer/* "$work/demo/"
"$root/tools/make-archive" --bundle --name "Halvaron demo" "$root/examples/demo/product" \
    "$work/demo" "$work/demo.run" >/dev/null
declare -a demo
for ((i = 1; i <= runs; i++)); do
    rm -rf -- "$work/d"
    demo+=("$(timeit env TMPDIR="$work/tmp" HOME="$work" bash "$work/demo.run" --mode console \
        --no-desktop-files --prefix "$work/d")")
done
printf 'bundled demo archive: %.1f MB, console installation %.3f s (median of %d)\n' \
    "$(echo "$(stat -c %s "$work/demo.run") / 1000000" | bc -l)" "$(median "${demo[@]}")" "$runs"
