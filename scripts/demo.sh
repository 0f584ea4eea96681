#!/usr/bin/env bash
# The main job: builds the installer, packs the bundled demo product into a self-extracting
# archive and installs it on the console into a fresh directory below out/.
#
#   bash scripts/demo.sh            console installation, no desktop entries
#   bash scripts/demo.sh --desktop  also icons, menu entries and shortcuts, registered in a
#                                   sandboxed home directory below out/ (never the real one)
#   bash scripts/demo.sh --wizard   the graphical wizard instead (needs DISPLAY), sandboxed as
#                                   --desktop
set -euo pipefail

root=$(cd -- "$(dirname -- "$0")/.." && pwd -P)
build=$root/build
mode=console
case ${1-} in
"") ;;
--desktop) mode=desktop ;;
--wizard) mode=wizard ;;
-h | --help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
*) echo "Unknown option '$1' (try --help)" >&2; exit 2 ;;
esac

if [[ -f $root/scripts/setup.sh ]]; then
    bash "$root/scripts/setup.sh"
fi

echo "== Building LinuxInstaller into $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j 2 LinuxInstaller

echo "== Making the demo archive"
demo=$build/demo
rm -rf -- "$demo/installer"
mkdir -p -- "$demo/installer"
cp -- "$build/bin/LinuxInstaller" "$demo/installer/"
cp -- "$root"/examples/demo/installer/* "$demo/installer/"
archive=$demo/halvaron-demo.run
"$root/tools/make-archive" --name "Halvaron 1.0 (demo)" \
    "$root/examples/demo/product" "$demo/installer" "$archive"

# A fresh place for this run: the installation and, for the desktop variants, a home
# directory of its own, so that nothing reaches the real desktop or the system menus.
out=$root/out
mkdir -p -- "$out"
run=$(mktemp -d "$out/demo-$(date +%Y%m%d-%H%M%S)-XXXX")
target=$run/Halvaron-Demo
home=$run/home
mkdir -p -- "$home/Desktop" "$home/.local/share" "$home/.config" "$home/.cache"
sandbox=(env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"
    XDG_CACHE_HOME="$home/.cache" XDG_DESKTOP_DIR="$home/Desktop"
    XDG_UTILS_INSTALL_MODE=user GSETTINGS_BACKEND=keyfile)

status=0
case $mode in
console)
    echo "== Installing on the console into $target"
    "${sandbox[@]}" bash "$archive" --mode console --no-desktop-files --verbose \
        --prefix "$target" || status=$?
    ;;
desktop)
    echo "== Installing on the console with desktop entries into $target"
    "${sandbox[@]}" bash "$archive" --mode console --verbose --prefix "$target" || status=$?
    ;;
wizard)
    echo "== Starting the wizard (proposed directory: $target)"
    if [[ -n ${DISPLAY-} ]]; then
        "${sandbox[@]}" bash "$archive" --prefix "$target" || status=$?
    else
        # Nobody could click through a wizard on an invisible display.
        echo "No DISPLAY: the wizard needs a desktop session (scripts/screenshots.sh drives" >&2
        echo "it on a virtual display instead)." >&2
        status=1
    fi
    ;;
esac

echo
if [[ $status -ne 0 ]]; then
    echo "The installation failed (exit code $status)."
    exit "$status"
fi
echo "Halvaron demo installed into: $target"
if [[ $mode != console ]]; then
    echo "Desktop entries went into the sandboxed home: $home"
fi
sandbox_text=$(printf '%q ' "${sandbox[@]}")
cat <<EOT

Try it:        "$target/bin/Halvaron"
Uninstall it:  $sandbox_text"$target/uninstall" --mode console
The archive:   $archive  (run it with --help)

Desktop integration (sandboxed):  bash scripts/demo.sh --desktop
The wizard (sandboxed):           bash scripts/demo.sh --wizard
EOT
