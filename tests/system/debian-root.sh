#!/usr/bin/env bash
# The shipped archive on a desktop without Qt: builds a minimal Debian 12 root that holds only
# what any X11 desktop has (no Qt package), copies a bundled demo archive in and, inside the
# root (chroot), installs it on the console, uninstalls it with the installed `uninstall`, and
# runs the wizard against the host's Xvfb display for a screenshot.
#
#   tests/system/debian-root.sh [ARCHIVE]
#
# Needs root, debootstrap, Xvfb and ImageMagick's import. The root is cached in
# $ORNA_ROOT_CACHE (default /var/cache/orna-system-test/bookworm); delete it to start afresh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
cache=${ORNA_ROOT_CACHE:-/var/cache/orna-system-test/bookworm}
mirror=${ORNA_DEBIAN_MIRROR:-http://deb.debian.org/debian}
screenshot_dir=${ORNA_SCREENSHOT_DIR:-$source_dir/build/system-test}

# What every X11 desktop has; the bundle leaves exactly these to the system.
desktop_packages=libx11-6,libx11-xcb1,libxcb1,libxcb-icccm4,libxcb-image0,libxcb-keysyms1,\
libxcb-randr0,libxcb-render-util0,libxcb-render0,libxcb-shape0,libxcb-shm0,libxcb-sync1,\
libxcb-util1,libxcb-xfixes0,libxcb-xkb1,libsm6,libice6,libxext6,libxrender1,libfontconfig1,\
libfreetype6,libexpat1,libegl1,libgl1,libopengl0,libglx0,libglib2.0-0,libdbus-1-3,\
fonts-dejavu-core,xkb-data,xdg-utils

step() { printf '\n== %s\n' "$*"; }
failures=0
check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

make_root() {
    [[ -x $cache/bin/bash ]] && return 0
    step "Building the Debian 12 root in $cache (cached for later runs)"
    rm -rf -- "$cache.partial"
    mkdir -p -- "$(dirname "$cache")"
    debootstrap --variant=minbase --include="$desktop_packages" bookworm "$cache.partial" "$mirror"
    mv -- "$cache.partial" "$cache"
}

make_archive() {
    step "Making a bundled demo archive"
    bash "$source_dir/scripts/build.sh" "$source_dir/build" >/dev/null
    local stage
    stage=$(mktemp -d)
    cp -- "$source_dir/build/bin/LinuxInstaller" "$stage/"
    cp -- "$source_dir"/examples/demo/installer/* "$stage/"
    "$source_dir/tools/make-archive" --bundle --name "Halvaron demo" \
        "$source_dir/examples/demo/product" "$stage" "$1"
    rm -rf -- "$stage"
}

# A root cached before the list grew gets the packages it lacks.
add_missing_packages() {
    local missing=() package
    for package in ${desktop_packages//,/ }; do
        in_root dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q ' installed$' ||
            missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    step "Adding ${missing[*]} to the cached root"
    cp -- /etc/resolv.conf "$cache/etc/resolv.conf"
    in_root apt-get update -q
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

mount_root() {
    mount --bind /proc "$cache/proc"
    mount --bind /dev "$cache/dev"
    mkdir -p "$cache/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$cache/tmp/.X11-unix"
    trap unmount_root EXIT
}

unmount_root() {
    umount "$cache/tmp/.X11-unix" 2>/dev/null || true
    umount "$cache/dev" 2>/dev/null || true
    umount "$cache/proc" 2>/dev/null || true
    [[ -n ${xvfb_pid-} ]] && kill "$xvfb_pid" 2>/dev/null || true
}

in_root() {
    chroot "$cache" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        XDG_UTILS_INSTALL_MODE=user LANG=C.UTF-8 "$@"
}

make_root
archive=${1:-}
if [[ -z $archive ]]; then
    archive=$source_dir/build/demo/halvaron-demo-bundled.run
    make_archive "$archive"
fi
mount_root
add_missing_packages

step "The root has no Qt"
check "no Qt package installed" "! in_root dpkg -l | grep -qi 'qt6\|libqt'"
check "no Qt library on disk" "[[ -z \$(find '$cache/usr/lib' -name 'libQt6*' -print -quit) ]]"

cp -- "$archive" "$cache/root/demo.run"
in_root rm -rf /opt/halvaron /root/Desktop /root/.local
in_root mkdir -p /root/Desktop

step "The archive brings its own zstd"
check "no zstd program in the root" "! in_root sh -c 'command -v zstd' >/dev/null"
check "archive intact (--check)" "in_root bash /root/demo.run --check"
check "product listed (--list)" "in_root bash /root/demo.run --list | grep -qx 'bin/Halvaron'"

step "Console installation inside the root (started with sh: it starts itself with bash)"
in_root sh /root/demo.run --mode console --prefix /opt/halvaron --verbose | tail -n 5
check "installed files" "[[ -x '$cache/opt/halvaron/bin/Halvaron' ]]"
check "uninstaller" "[[ -x '$cache/opt/halvaron/uninstall' && -x '$cache/opt/halvaron/Uninstaller/LinuxInstaller' ]]"
check "bundled Qt in the uninstaller" "[[ -f '$cache/opt/halvaron/Uninstaller/libQt6Core.so.6' && -f '$cache/opt/halvaron/Uninstaller/libqxcb.so' ]]"
check "menu entries" "ls '$cache'/root/.local/share/applications/*.desktop >/dev/null 2>&1"

start_display() {
    display=:$((80 + RANDOM % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "Xvfb did not start on $display"
    exit 1
}

# Ends the wizards started inside the root only: the same program may run elsewhere on the host.
end_root_wizards() {
    local pid root
    root=$(readlink -f -- "$cache")
    for pid in $(pgrep -f '/LinuxInstaller( |$)'); do
        [[ $(readlink "/proc/$pid/root" 2>/dev/null) == "$root" ]] && kill "$pid" 2>/dev/null
    done
    return 0
}

# Runs a wizard inside the root, waits for its window, photographs the screen, ends it.
photograph_wizard() {
    local name=$1
    shift
    in_root env DISPLAY="$display" "$@" >/dev/null 2>&1 &
    local pid=$! shown=no
    for _ in $(seq 60); do
        if DISPLAY=$display xdotool search --name '^(LinuxInstaller|Installing .*)$' >/dev/null 2>&1; then
            shown=yes
            break
        fi
        sleep 0.5
    done
    sleep 1
    DISPLAY=$display import -window root "$screenshot_dir/$name.png"
    check "$name: window shown" "[[ $shown == yes ]]"
    kill "$pid" 2>/dev/null || true
    end_root_wizards
    wait "$pid" 2>/dev/null || true
    echo "screenshot: $screenshot_dir/$name.png"
}

mkdir -p -- "$screenshot_dir"
start_display

step "The installed uninstaller's wizard inside the root, on the host's Xvfb"
photograph_wizard uninstaller-in-debian-root /opt/halvaron/uninstall
check "nothing removed without confirmation" "[[ -x '$cache/opt/halvaron/bin/Halvaron' ]]"

step "Console uninstallation inside the root"
in_root bash -c 'cd / && /opt/halvaron/uninstall --mode console'
check "installation directory removed" "[[ ! -e '$cache/opt/halvaron' ]]"
check "menu entries removed" "! ls '$cache'/root/.local/share/applications/*.desktop >/dev/null 2>&1"

step "The installer's wizard inside the root, on the host's Xvfb"
photograph_wizard installer-in-debian-root bash /root/demo.run

echo
if [[ $failures -gt 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
