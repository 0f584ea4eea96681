# Sourced by the installation benchmarks: a generated product of many small files, packed with
# the given LinuxInstaller into WORK/bench.run and unpacked again into WORK/unpacked, so that
# the installer can be started as the archive would start it.
#
#   make_large_product ROOT WORK FILES INSTALLER
make_large_product() {
    local root=$1 work=$2 files=$3 installer=$4
    echo "Generating a product of $files files..."
    python3 - "$work/product" "$files" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
per_dir = 500
for i in range(count):
    d = os.path.join(root, "data", "d%04d" % (i // per_dir))
    if i % per_dir == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file %06d.txt" % i), "w") as f:
        f.write("payload %d\n" % i)
PY
    make_bench_installer "$work" "$installer"
    "$root/tools/make-archive" "$work/product" "$work/installer" "$work/bench.run" >/dev/null
    # The installer runs from the unpacked installer part, as the archive starts it; its
    # temporary directory WORK/unpacked holds the zstd that --install streams through.
    bash "$work/bench.run" --extract "$work/unpacked" >/dev/null
}

# WORK/installer: the given LinuxInstaller with settings that need no uninstaller.
make_bench_installer() {
    mkdir -p "$1/installer"
    cp -- "$2" "$1/installer/"
    cat >"$1/installer/installer.settings" <<'KTF'
// KTF v1 utf8
Settings {
    product = Bench
    version = 1
    shortApplicationName = Bench
    installerTargetDirectory = Bench
    uninstallerEnabled = false
}
KTF
}

# Run RUN of two timed commands into fresh targets: "SECONDS_A SECONDS_B". Odd runs start
# with A, even runs with B, so that neither always finds the caches warm.
#
#   time_pair RUN COMMAND_A TARGET_A COMMAND_B TARGET_B
time_pair() {
    local a b
    rm -rf -- "$3" "$5"
    sync
    if (($1 % 2)); then
        a=$(timeit "$2" "$3")
        b=$(timeit "$4" "$5")
    else
        b=$(timeit "$4" "$5")
        a=$(timeit "$2" "$3")
    fi
    echo "$a $b"
}

# RUNS alternating runs of two commands into $work/t1 and $work/t2, a line each with both
# times; checks that A's last run put all $files files in place and sets MEDIAN_A and MEDIAN_B.
#
#   alternate_runs RUNS LABEL_A COMMAND_A LABEL_B COMMAND_B
alternate_runs() {
    local -a first second
    local i a b
    for ((i = 1; i <= $1; i++)); do
        read -r a b < <(time_pair "$i" "$3" "$work/t1" "$5" "$work/t2")
        first+=("$a") second+=("$b")
        printf 'run %d: %s %.3f s, %s %.3f s\n' "$i" "$2" "$a" "$4" "$b"
    done
    [[ $(find "$work/t1" -type f | wc -l) -eq $files ]] || { echo "installation incomplete" >&2; exit 1; }
    MEDIAN_A=$(median "${first[@]}")
    MEDIAN_B=$(median "${second[@]}")
}

# Wall-clock seconds of a command, its output discarded; fails when the command fails.
timeit() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null || return 1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'
}
