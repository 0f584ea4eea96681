#!/usr/bin/env bash
# The shipped archive on a desktop without Qt, in a minimal Debian 12 root (chroot) holding only
# what every X11 desktop has: it checks itself, installs on the console, shows the uninstaller's
# and the installer's wizard on the host's Xvfb (photographed) and is uninstalled.
#   tests/system/debian-root.sh [ARCHIVE]   (default: a bundled demo archive, made here)
# Needs root, debootstrap, Xvfb, xdotool, ImageMagick and x11-utils. The root is cached in
# $ORNA_ROOT_CACHE (default /var/cache/orna-system-test/bookworm); delete it to start afresh.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cache=${ORNA_ROOT_CACHE:-/var/cache/orna-system-test/bookworm}
screenshot_dir=${ORNA_SCREENSHOT_DIR:-$source_dir/build/system-test}
WD_PROGRAM=debian-root
source "$source_dir/scripts/wizard-driver.sh"

# What every X11 desktop has; the bundle leaves exactly these to the system.
desktop_packages=libx11-6,libx11-xcb1,libxcb1,libxcb-icccm4,libxcb-image0,libxcb-keysyms1,\
libxcb-randr0,libxcb-render-util0,libxcb-render0,libxcb-shape0,libxcb-shm0,libxcb-sync1,\
libxcb-util1,libxcb-xfixes0,libxcb-xkb1,libsm6,libice6,libxext6,libxrender1,libfontconfig1,\
libfreetype6,libexpat1,libegl1,libgl1,libopengl0,libglx0,libglib2.0-0,libdbus-1-3,\
fonts-dejavu-core,xkb-data,xdg-utils
in_root=(chroot "$cache" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
    XDG_UTILS_INSTALL_MODE=user LANG=C.UTF-8)
opt=$cache/opt/halvaron

step() { printf '\n== %s\n' "$*"; }
failures=0
check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

if [[ ! -x $cache/bin/bash ]]; then
    step "Building the Debian 12 root in $cache (cached for later runs)"
    rm -rf -- "$cache.partial"
    mkdir -p -- "$(dirname "$cache")"
    debootstrap --variant=minbase --include="$desktop_packages" bookworm "$cache.partial" \
        "${ORNA_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
    mv -- "$cache.partial" "$cache"
fi
wd_begin
archive=${1-}
if [[ -z $archive ]]; then
    step "Making a bundled demo archive"
    bash "$source_dir/scripts/build.sh" "$source_dir/build" >/dev/null
    archive=$(wd_make_demo_archive "$source_dir" "$source_dir/build/bin" --bundle \
        --name "Halvaron demo")
fi
trap 'for dir in /tmp/.X11-unix /dev /proc; do umount "$cache$dir" || true; done 2>/dev/null
    wd_cleanup' EXIT
mkdir -p "$cache/tmp/.X11-unix"
for dir in /proc /dev /tmp/.X11-unix; do mount --bind "$dir" "$cache$dir"; done

# A root cached before the list grew gets the packages it lacks.
if ! "${in_root[@]}" dpkg -s ${desktop_packages//,/ } >/dev/null 2>&1; then
    step "Adding the missing desktop packages to the cached root"
    cp -- /etc/resolv.conf "$cache/etc/resolv.conf"
    "${in_root[@]}" apt-get update -q
    "${in_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        ${desktop_packages//,/ }
fi

step "The root has no Qt and no zstd: the archive brings its own"
check "no Qt package installed" '! "${in_root[@]}" dpkg -l | grep -qi "qt6\|libqt"'
check "no Qt library on disk" '[[ -z $(find "$cache/usr/lib" -name "libQt6*" -print -quit) ]]'
check "no zstd program in the root" '! "${in_root[@]}" sh -c "command -v zstd" >/dev/null'
cp -- "$archive" "$cache/root/demo.run"
"${in_root[@]}" sh -c 'rm -rf /opt/halvaron /root/Desktop /root/.local && mkdir /root/Desktop'
check "archive intact (--check)" '"${in_root[@]}" bash /root/demo.run --check'
check "product listed (--list)" '"${in_root[@]}" bash /root/demo.run --list | grep -qx bin/Halvaron'

step "Console installation inside the root (started with sh: it starts itself with bash)"
"${in_root[@]}" sh /root/demo.run --mode console --prefix /opt/halvaron --verbose | tail -n 5
check "installed files, uninstaller" \
    "[[ -x '$opt/bin/Halvaron' && -x '$opt/uninstall' && -x '$opt/Uninstaller/LinuxInstaller' ]]"
check "bundled Qt in the uninstaller" \
    "[[ -f '$opt/Uninstaller/libQt6Core.so.6' && -f '$opt/Uninstaller/libqxcb.so' ]]"
menu_entries='compgen -G "$cache/root/.local/share/applications/*.desktop" >/dev/null'
check "menu entries" "$menu_entries"

# Runs a wizard inside the root on the host's display, photographs it once drawn, ends it.
photograph_wizard() {
    local wid
    wd_start "$1" "${in_root[@]}" DISPLAY="$DISPLAY" "${@:2}"
    wid=$(wd_wait_window --class '^LinuxInstaller$')
    wd_photo "$wid" "$screenshot_dir/$1.png"
    kill -TERM -- "-$WD_PID" # the archive then removes its temporary directory
    wd_wait_until "$1 did not end" wd_process_gone "$WD_PID"
    echo "screenshot: $screenshot_dir/$1.png"
}
mkdir -p -- "$screenshot_dir" && wd_start_display

step "The installed uninstaller's wizard inside the root, on the host's Xvfb"
photograph_wizard uninstaller-in-debian-root /opt/halvaron/uninstall
check "nothing removed without confirmation" "[[ -x '$opt/bin/Halvaron' ]]"

step "Console uninstallation inside the root"
"${in_root[@]}" bash -c 'cd / && /opt/halvaron/uninstall --mode console'
check "installation directory removed" "[[ ! -e '$opt' ]]"
check "menu entries removed" "! $menu_entries"

step "The installer's wizard inside the root, on the host's Xvfb"
photograph_wizard installer-in-debian-root bash /root/demo.run

echo
((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
