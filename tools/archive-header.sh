#!/usr/bin/env bash
# Self-extracting installer archive for @NAME@. Run it to install; --help says how.
# Not bash (sh ARCHIVE, another shell): start again with bash before any bash syntax is read.
if [ -z "${BASH_VERSION-}" ]; then
    if command -v bash >/dev/null 2>&1; then exec bash "$0" "$@"; fi
    echo "Error: this archive needs bash: bash $0" >&2
    exit 1
fi
PRODUCT_NAME='@NAME@'
FILE_COUNT=$((10#@FILE_COUNT@))
UNPACKED_BYTES=$((10#@UNPACKED_BYTES@))
UNPACKED_SPACE=$((10#@UNPACKED_SPACE@))
INSTALLER_SPACE=$((10#@INSTALLER_SPACE@))
ARCHIVE_SIZE=$((10#@ARCHIVE_SIZE@))
INSTALLER_OFFSET=$((10#@INSTALLER_OFFSET@))
INSTALLER_SIZE=$((10#@INSTALLER_SIZE@))
STAGE0_SIZE=$((10#@STAGE0_SIZE@))
INSTALLER_SHA256=@INSTALLER_SHA256@
PRODUCT_OFFSET=$((10#@PRODUCT_OFFSET@))
PRODUCT_SIZE=$((10#@PRODUCT_SIZE@))
PRODUCT_SHA256=@PRODUCT_SHA256@
ZSTD_LEVEL=@ZSTD_LEVEL@
unset CDPATH

usage() {
    cat <<EOF
Usage: ${0##*/} [options]

Installs $PRODUCT_NAME. Without options the installation wizard opens.

Options:
    --mode console      installs without a window (--mode silent does the same);
                        requires --prefix
    --prefix DIR        the installation directory
    --no-desktop-files  creates no desktop shortcuts and program-menu entries
    --force-prefix      installs into DIR even if it is not empty or is a special directory
                        (the uninstaller deletes DIR completely)
    --verbose           shows every installed file and further details
    --progress=json     with --mode console: one JSON object per line on standard output
                        instead of the text log (events start, file, message, error, end);
                        PREFIX/uninstall --mode silent --progress=json does the same
    --dry-run           with --prefix: runs every check of the installation and shows
                        its plan (target checks, previous installation, files and space,
                        uninstaller, desktop entries with their xdg-utils commands),
                        writing nothing; exit code 0 if it would proceed, else 1
    --help              shows this information

Inspecting the archive (runs nothing of the product):
    --info              name, file count, unpacked size and checksums
    --list              the files an installation puts in place
    --check             verifies the archive's checksums (exit code 0 or 1)
    --extract DIR       unpacks the product into DIR/product and the installer into
                        DIR/installer without installing anything

Exit codes:
    0                   success (also --help, --info, --list, --extract, --check of an
                        intact archive, and --dry-run when the installation would proceed)
    1                   failure: a refused installation directory, a failed installation,
                        an option error, a damaged archive, a --dry-run that would be refused
    2                   a command of the archive used wrongly (--extract without DIR)
    129, 130, 143       interrupted by SIGHUP, SIGINT (Ctrl-C) or SIGTERM
Errors found before the installer starts (damaged archive, no room, unusable temporary
directory) are plain text on standard error, also with --progress=json.

The archive unpacks its installer into \$TMPDIR (default /tmp); set TMPDIR to use another
directory.
EOF
}

error() {
    printf 'Error: %s\n' "$*" >&2
}

# DIRECTORY with links resolved; leading dashes and backslashes are taken literally.
absolute() {
    local directory=$1
    [[ $directory == /* ]] || directory=./$directory
    (cd -- "$directory" && pwd -P)
}

archive_path() {
    local directory=.
    [[ $0 != */* ]] || directory=${0%/*}
    directory=$(cd -- "${directory:-/}" && pwd -P) || return 1
    printf '%s/%s\n' "${directory%/}" "${0##*/}"
}

# Writes SIZE bytes from OFFSET of the archive to standard output.
read_part() {
    dd if="$1" bs=1M iflag=skip_bytes,count_bytes skip="$2" count="$3" status=none
}

# The program that computes a SHA-256 of SIZE bytes on standard input: openssl is several
# times faster where the processor has SHA instructions but takes longer to start, so it takes
# the large parts only. Its output is checked where it is used (a broken openssl gives way).
sha256_command() {
    if (($1 >= 4194304)) && command -v openssl >/dev/null 2>&1; then
        echo openssl
    else
        echo sha256sum
    fi
}

run_sha256() { # PROGRAM
    if [[ $1 == openssl ]]; then openssl dgst -sha256 -r 2>/dev/null; else sha256sum; fi
}

# SHA-256 of SIZE bytes from OFFSET of FILE, as 64 hex digits.
part_sha256() { # FILE OFFSET SIZE
    local sum program
    program=$(sha256_command "$3")
    sum=$(read_part "$1" "$2" "$3" | run_sha256 "$program")
    if [[ ! $sum =~ ^[0-9a-f]{64} && $program == openssl ]]; then
        sum=$(read_part "$1" "$2" "$3" | sha256sum)
    fi
    [[ $sum =~ ^[0-9a-f]{64} ]] && echo "${sum:0:64}"
}

part_intact() { # ARCHIVE OFFSET SIZE SHA256
    [[ $(part_sha256 "$1" "$2" "$3") == "$4" ]]
}

# A truncated download is refused before anything is read or written.
check_size() {
    local size
    size=$(stat -L -c %s -- "$1") || return 1
    if ((size != ARCHIVE_SIZE)); then
        error "the archive is damaged: it has $size bytes instead of $ARCHIVE_SIZE" \
            "(an incomplete download?)."
        return 1
    fi
}

# Tab, line feed and other control characters or bytes that are not UTF-8 would turn into
# other names on the way through the installer and the desktop files.
check_prefix() {
    local prefix=$1 LC_ALL=C
    if [[ $prefix == *[[:cntrl:]]* ]]; then
        error "the installation directory must not contain control characters such as tab" \
            "or line feed: $(printf '%q' "$prefix")"
        return 1
    fi
    if command -v iconv >/dev/null 2>&1 &&
        ! printf '%s' "$prefix" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1; then
        error "the installation directory is not valid UTF-8 text: $(printf '%q' "$prefix")"
        return 1
    fi
}

# Bytes free on the file system that holds DIRECTORY; empty when df cannot tell.
free_bytes() {
    local available
    available=$(df -P -k -- "$1" 2>/dev/null | awk 'NR == 2 { print $4 }')
    [[ $available =~ ^[0-9]+$ ]] && echo $((available * 1024))
}

# BYTES plus a margin of 1 %.
with_margin() {
    echo $(($1 + $1 / 100))
}

# Room for BYTES plus the margin in DIRECTORY; otherwise says what is missing.
check_space() {
    local directory=$1 bytes=$2 what=$3 free
    free=$(free_bytes "$directory") || return 0
    ((free < $(with_margin "$bytes"))) || return 0
    error "not enough space in $what: $(megabytes "$bytes") needed, $(megabytes "$free") free."
    return 1
}

megabytes() {
    if (($1 < 1000000)); then
        echo "$((($1 + 999) / 1000)) kB"
    else
        printf '%d.%d MB\n' $(($1 / 1000000)) $(($1 % 1000000 / 100000))
    fi
}

can_execute() {
    printf '#!/bin/sh\nexit 0\n' 2>/dev/null >"$1/.exec-check" && chmod 700 -- "$1/.exec-check" &&
        "$1/.exec-check" 2>/dev/null
    local status=$?
    rm -f -- "$1/.exec-check"
    return "$status"
}

# Sets WORK to a new directory below $TMPDIR with room for the installer and where programs
# can run; a temporary directory mounted noexec gives way to $XDG_RUNTIME_DIR, /var/tmp or
# ~/.cache, and the user is told which.
make_work_directory() {
    local base=${TMPDIR:-/tmp} candidate
    if ! WORK=$(mktemp -d -p "$base" orna-install.XXXXXXXX 2>/dev/null); then
        error "cannot create a directory in the temporary directory $base." \
            "Set TMPDIR to a directory where you can write."
        return 1
    fi
    check_space "$WORK" "$INSTALLER_SPACE" \
        "the temporary directory $base (set TMPDIR to use another one)" || return 1
    can_execute "$WORK" && return 0
    rm -rf -- "$WORK"
    for candidate in "${XDG_RUNTIME_DIR-}" /var/tmp "${HOME:+$HOME/.cache}"; do
        [[ -n $candidate ]] || continue
        [[ $candidate != "${HOME-}/.cache" ]] || mkdir -p -- "$candidate" 2>/dev/null
        WORK=$(mktemp -d -p "$candidate" orna-install.XXXXXXXX 2>/dev/null) || continue
        if check_space "$WORK" "$INSTALLER_SPACE" "$candidate" 2>/dev/null &&
            can_execute "$WORK"; then
            printf 'Programs cannot run in the temporary directory %s; using %s instead.\n' \
                "$base" "$candidate" >&2
            return 0
        fi
        rm -rf -- "$WORK"
    done
    WORK=
    error "programs cannot run in the temporary directory $base (mounted noexec?)," \
        "nor in \$XDG_RUNTIME_DIR, /var/tmp or ~/.cache. Set TMPDIR to a directory where" \
        "they can, for example: mkdir -p ~/tmp && TMPDIR=~/tmp bash ${0##*/}"
    return 1
}

# tar stops reading at the archive's end marker, and the rest of its last record may still be
# on its way: that rest is drained, so that the zstd writing it does not die of a closed pipe
# (which would count as damage). Returns tar's status.
tar_to_end() {
    local status=0
    tar "$@" || status=$?
    cat >/dev/null
    return "$status"
}

# Unpacks the installer part into DIRECTORY, which lies in the place WHERE the message names.
# One SHA-256 pass over the part verifies both stages before either is unpacked: stage 0 (gzip)
# brings the zstd program, which then unpacks stage 1 (the installer and its libraries) unless
# the fourth argument says "tools" (zstd is all --list needs).
unpack_installer() {
    local archive=$1 directory=$2 where=$3 stages=${4-all}
    check_space "$directory" "$INSTALLER_SPACE" "$where" || return 1
    if ! part_intact "$archive" "$INSTALLER_OFFSET" "$INSTALLER_SIZE" "$INSTALLER_SHA256"; then
        error "the archive is damaged."
        return 1
    fi
    if ! unpack_stages "$archive" "$directory" "$stages"; then
        error "the installer could not be unpacked into $directory."
        return 1
    fi
}

unpack_stages() {
    local archive=$1 directory=$2 stages=$3
    local options=(--extract --file=- --no-unquote --directory="$directory"
        --preserve-permissions --no-same-owner)
    read_part "$archive" "$INSTALLER_OFFSET" "$STAGE0_SIZE" | tar --gzip "${options[@]}" ||
        return 1
    [[ $stages != tools ]] || return 0
    read_part "$archive" $((INSTALLER_OFFSET + STAGE0_SIZE)) $((INSTALLER_SIZE - STAGE0_SIZE)) |
        LD_LIBRARY_PATH=$directory/tools "$directory/tools/zstd" -d -c -q |
        tar_to_end "${options[@]}" --blocking-factor=256 --read-full-records # 128 KiB reads
    local codes=("${PIPESTATUS[@]}")
    ((codes[0] == 0 && codes[1] == 0 && codes[2] == 0))
}

# The product part through zstd and tar into the current directory; tar's verbose lines on
# standard output. The SHA-256 of the compressed stream is computed beside it (tee) into
# $work/product.sha256. Returns the first failure of the pipeline.
stream_product() {
    local archive=$1 tools=$2 work=$3 sha_pid
    shift 3
    mkfifo -- "$work/product.fifo" || return 1
    run_sha256 "$(sha256_command "$PRODUCT_SIZE")" <"$work/product.fifo" \
        >"$work/product.sha256" &
    sha_pid=$!
    read_part "$archive" "$PRODUCT_OFFSET" "$PRODUCT_SIZE" | tee -p -- "$work/product.fifo" |
        LD_LIBRARY_PATH=$tools "$tools/zstd" --decompress --stdout --quiet 2>"$work/zstd.log" |
        tar_to_end --extract --file=- --verbose --quoting-style=literal --no-unquote "$@"
    local statuses=("${PIPESTATUS[@]}")
    wait "$sha_pid"
    local status
    for status in "${statuses[@]}"; do
        ((status == 0)) || return "$status"
    done
    local sum
    sum=$(<"$work/product.sha256")
    # Nothing readable from the hasher (a broken openssl): the part is read once more.
    [[ $sum =~ ^[0-9a-f]{64} ]] ||
        sum=$(part_sha256 "$archive" "$PRODUCT_OFFSET" "$PRODUCT_SIZE")
    [[ ${sum:0:64} == "$PRODUCT_SHA256" ]]
}

# Unpacks the product into TARGET while printing one line per file (directories are not
# counted), each before its file is written. The pipeline runs as a job of its own so that an
# interruption can stop all of it before this script ends.
unpack_product() {
    local archive=$1 target=$2 tools=$3 work=$4 job status directory=$2
    [[ $directory == /* ]] || directory=./$directory
    set -m
    {
        cd -- "$directory" && stream_product "$archive" "$tools" "$work" \
            --preserve-permissions --no-same-owner | grep --line-buffered -v '/$'
        local codes=("${PIPESTATUS[@]}")
        ((codes[0] == 0 && codes[1] <= 1))
    } &
    job=$!
    set +m
    JOB=$job
    wait "$job"
    status=$?
    JOB=
    ((status == 0)) && return 0
    if ! part_intact "$archive" "$PRODUCT_OFFSET" "$PRODUCT_SIZE" "$PRODUCT_SHA256"; then
        error "the archive is damaged."
    else
        cat -- "$work/zstd.log" >&2 2>/dev/null
        error "unpacking the product into $target failed."
    fi
    return 1
}

stop_job() {
    [[ -n ${JOB-} ]] && kill -TERM -- "-$JOB" 2>/dev/null && wait "$JOB"
    exit "$1"
}

# zstd from the installer's temporary directory, else from the archive's own installer part.
find_tools() {
    local tmp=$1 work=$2
    if [[ -x $tmp/tools/zstd ]]; then
        TOOLS=$tmp/tools
        return 0
    fi
    unpack_installer "$3" "$work" "$tmp" tools || return 1
    TOOLS=$work/tools
}

cleanup() {
    [[ -n ${WORK-} ]] && rm -rf -- "$WORK"
}

set_traps() {
    trap cleanup EXIT
    trap 'stop_job 129' HUP
    trap 'stop_job 130' INT
    trap 'stop_job 143' TERM
}

# bash ARCHIVE --install DIR TMP: started by the installer with its temporary directory.
install_product() {
    local target=$1 tmp=$2 archive
    if [[ -z $target || -z $tmp ]]; then
        error "--install needs the installation directory and the temporary directory."
        return 2
    fi
    if [[ ! -d $tmp ]]; then
        error "The temporary directory does not exist: $tmp"
        return 1
    fi
    check_prefix "$target" || return 1
    archive=$(archive_path) || { error "Cannot locate the archive."; return 1; }
    check_size "$archive" || return 1
    mkdir -p -- "$target" || return 1
    check_space "$target" "$UNPACKED_SPACE" "$target" || return 1
    set_traps
    WORK=$(mktemp -d -p "$(absolute "$tmp")" orna-stream.XXXXXXXX) || return 1
    find_tools "$tmp" "$WORK" "$archive" || return 1
    unpack_product "$archive" "$target" "$TOOLS" "$WORK"
}

prefix_argument() {
    while [[ $# -gt 0 ]]; do
        if [[ $1 == --prefix && $# -ge 2 ]]; then
            printf '%s' "$2"
            return 0
        fi
        shift
    done
    return 1
}

run_installer() {
    local archive prefix
    archive=$(archive_path) || { error "Cannot locate the archive."; return 1; }
    check_size "$archive" || return 1
    if prefix=$(prefix_argument "$@"); then
        check_prefix "$prefix" || return 1
    fi
    set_traps
    make_work_directory || return 1
    unpack_installer "$archive" "$WORK" "the temporary directory ${WORK%/*}" || return 1
    LD_LIBRARY_PATH="$WORK/installer${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
        "$WORK/installer/LinuxInstaller" "$archive" \
        --settings-file "$WORK/installer/installer.settings" \
        --temp-directory "$WORK" --file-count "$FILE_COUNT" "$@"
}

show_info() {
    local archive sum
    archive=$(archive_path) || return 1
    sum=$(part_sha256 "$archive" 0 "$(stat -L -c %s -- "$archive")") || return 1
    cat <<EOF
Name: $PRODUCT_NAME
Files: $FILE_COUNT
Unpacked size: $UNPACKED_BYTES bytes ($(megabytes "$UNPACKED_SPACE") on disk)
Archive: $ARCHIVE_SIZE bytes, SHA-256 $sum
Installer part: $INSTALLER_SIZE bytes at $INSTALLER_OFFSET, gzip ($STAGE0_SIZE bytes) and zstd, SHA-256 $INSTALLER_SHA256
Product part: $PRODUCT_SIZE bytes at $PRODUCT_OFFSET, zstd level $ZSTD_LEVEL, SHA-256 $PRODUCT_SHA256
EOF
}

check_archive() {
    local archive part status=0
    archive=$(archive_path) || return 1
    check_size "$archive" || return 1
    for part in installer product; do
        local offset=${part^^}_OFFSET size=${part^^}_SIZE sum=${part^^}_SHA256
        if part_intact "$archive" "${!offset}" "${!size}" "${!sum}"; then
            echo "The $part part is intact."
        else
            echo "The $part part is damaged."
            status=1
        fi
    done
    return "$status"
}

# The product's files, one a line (directories left out), through the zstd in TOOLS.
list_product() {
    local archive=$1 tools=$2
    read_part "$archive" "$PRODUCT_OFFSET" "$PRODUCT_SIZE" |
        LD_LIBRARY_PATH=$tools "$tools/zstd" -d -c -q |
        tar_to_end --list --file=- --quoting-style=literal | grep -v '/$'
    local codes=("${PIPESTATUS[@]}")
    ((codes[0] == 0 && codes[1] == 0 && codes[2] == 0 && codes[3] <= 1)) ||
        { error "the archive is damaged."; return 1; }
}

# bash ARCHIVE --plan DIR TMP: started by the installer's dry run. What an installation into
# DIR takes (files, bytes, bytes needed with the margin, bytes free and the nearest existing
# directory that tells them, one "key=value" a line), then the product's files; the checks of
# --install with their errors and exit code 1, and nothing written outside TMP.
plan_product() {
    local target=$1 tmp=$2 archive existing=$1 status=0
    if [[ -z $target || ! -d $tmp ]]; then
        error "--plan needs the installation directory and the temporary directory."
        return 2
    fi
    check_prefix "$target" || status=1
    archive=$(archive_path) || { error "Cannot locate the archive."; return 1; }
    check_size "$archive" || return 1
    [[ $existing == /* ]] || existing=$PWD/$existing
    while [[ ! -e $existing ]]; do existing=$(dirname -- "$existing"); done
    printf 'files=%s\nunpacked=%s\nneeded=%s\nfree=%s\nexisting=%s\n' "$FILE_COUNT" \
        "$UNPACKED_BYTES" "$(with_margin "$UNPACKED_SPACE")" "$(free_bytes "$existing")" "$existing"
    check_space "$existing" "$UNPACKED_SPACE" "$target" || status=1
    set_traps
    WORK=$(mktemp -d -p "$(absolute "$tmp")" orna-plan.XXXXXXXX) || return 1
    find_tools "$tmp" "$WORK" "$archive" || return 1
    list_product "$archive" "$TOOLS" || return 1
    return "$status"
}

# --list and --extract DIR: the installer part goes into a directory first, for its zstd.
inspect() {
    local what=$1 directory=${2-} archive
    archive=$(archive_path) || return 1
    check_size "$archive" || return 1
    set_traps
    if [[ $what == list ]]; then
        make_work_directory || return 1
        directory=$WORK
    else
        [[ -n $directory ]] || { error "--extract needs a directory."; return 2; }
        check_prefix "$directory" || return 1
        mkdir -p -- "$directory/product" || return 1
        directory=$(absolute "$directory") || return 1
        WORK=$(mktemp -d -p "$directory" .orna-extract.XXXXXXXX) || return 1
    fi
    local stages=all
    [[ $what != list ]] || stages=tools
    unpack_installer "$archive" "$directory" "$directory" "$stages" || return 1
    if [[ $what == list ]]; then
        list_product "$archive" "$directory/tools"
    else
        unpack_product "$archive" "$directory/product" "$directory/tools" "$WORK" >/dev/null
    fi
}

# The installer's dry run calls --plan only where it finds its line below, as written.
main() {
    case ${1-} in
    --install) install_product "${2-}" "${3-}" ;;
    --plan) plan_product "${2-}" "${3-}" ;;
    --info) show_info ;;
    --check) check_archive ;;
    --list) inspect list ;;
    --extract) inspect extract "${2-}" ;;
    --help | -h | -help) usage ;;
    *) run_installer "$@" ;;
    esac
}

main "$@"; exit $?
__ORNA_ARCHIVE_PAYLOAD__
