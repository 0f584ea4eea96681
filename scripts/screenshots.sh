#!/usr/bin/env bash
# Drives the installer and the uninstaller wizard of the demo product on a virtual X display,
# as a person would (mouse and keyboard through xdotool), photographs every page, and checks
# that the installation arrived and was removed again.
#
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#   BUILD_DIR   the build tree with bin/LinuxInstaller (default: build)
#   OUTPUT_DIR  where the PNG files go (default: docs/screenshots)
# Needs Xvfb, xdotool and ImageMagick's import. Everything the installer writes stays in a
# temporary directory: HOME, the XDG directories and the installation itself.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output=${2:-$root/docs/screenshots}
mkdir -p "$output"
output=$(cd "$output" && pwd)

work=$(mktemp -d -t orna-screenshots.XXXXXXXX)
xvfb_pid=
cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

# A display number that is not taken.
display=
for n in $(seq 71 99); do
    if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then
        display=:$n
        break
    fi
done
[[ -n $display ]] || fail "no free X display number"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done

# The sandbox: own home and XDG directories, a recording xdg-open, and the demo archive.
home=$work/home
mkdir -p "$home/Desktop" "$home/.local/share" "$home/.config" "$work/bin" "$work/installer"
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config
export XDG_CACHE_HOME=$home/.cache XDG_DESKTOP_DIR=$home/Desktop XDG_UTILS_INSTALL_MODE=user
export GSETTINGS_BACKEND=keyfile
unset XDG_CONFIG_DIRS
printf '#!/bin/sh\necho "$@" >> "%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH
cp "$root"/examples/demo/installer/* "$work/installer/"
cp "$build/bin/LinuxInstaller" "$work/installer/"
bash "$root/tools/make-archive" "$root/examples/demo/product" "$work/installer" \
    "$work/halvaron-demo.run" >/dev/null

# Waits for a window whose name matches, prints its id.
wait_window() {
    local id
    for _ in $(seq 240); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [[ -n $id ]] && { echo "$id"; return; }
        sleep 0.5
    done
}

# Clicks at a point of the window (its own coordinates).
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.7
}

shot() {
    sleep 0.7
    import -window "$1" "$output/$2.png"
    echo "$output/$2.png"
}

# The wizard's buttons, right to left along the bottom edge (default window size).
next_x=362 finish_x=362 button_y=403

target=$home/Halvaron-Demo
bash "$work/halvaron-demo.run" >"$work/install.log" 2>&1 &
installer_pid=$!
wid=$(wait_window "Installing Halvaron")
[[ -n $wid ]] || fail "the installer window did not appear"
shot "$wid" installer-1-welcome
click_at "$wid" $next_x $button_y
shot "$wid" installer-2-license
click_at "$wid" 189 340 # I accept
click_at "$wid" $next_x $button_y
shot "$wid" installer-3-settings
click_at "$wid" 288 307 # the directory field
xdotool key --window "$wid" ctrl+a BackSpace
xdotool type --window "$wid" --delay 20 "$target"
click_at "$wid" $next_x $button_y
shot "$wid" installer-4-summary
click_at "$wid" $next_x $button_y
for _ in $(seq 240); do
    grep -q . <(find "$target/Uninstaller" -name uninstall 2>/dev/null) && break
    [[ -x $target/uninstall ]] && break
    sleep 0.5
done
sleep 2
shot "$wid" installer-5-progress
click_at "$wid" $next_x $button_y
shot "$wid" installer-6-readme
click_at "$wid" $next_x $button_y
shot "$wid" installer-7-finish
click_at "$wid" $finish_x $button_y
wait "$installer_pid" || fail "the installer ended with an error"

# The installed tree.
for file in bin/Halvaron bin/linuxStarter.py doc/README.txt uninstall Uninstaller/LinuxInstaller \
    Uninstaller/installer.settings; do
    [[ -e $target/$file ]] || fail "missing after the installation: $target/$file"
done
[[ -x $target/bin/linuxStarter.py ]] || fail "the start script is not executable"
grep -qx "$target/doc/README.txt" "$work/opened" || fail "Finish did not open the readme"

# The uninstaller, started the way the user would: the uninstall script.
bash "$target/uninstall" >"$work/uninstall.log" 2>&1 &
uninstaller_pid=$!
wid=$(wait_window "^LinuxInstaller$")
[[ -n $wid ]] || fail "the uninstaller window did not appear: $(cat "$work/uninstall.log")"
shot "$wid" uninstaller-1-welcome
click_at "$wid" $next_x $button_y
box=$(wait_window "Confirm unstallation")
[[ -n $box ]] || fail "no confirmation box"
import -window root -crop 1280x1024+0+0 "$work/root.png"
shot "$box" uninstaller-2-confirm
xdotool key --window "$box" alt+y
sleep 0.5
[[ -z $(xdotool search --onlyvisible --name "Confirm unstallation" || true) ]] ||
    xdotool key --window "$box" y
for _ in $(seq 120); do
    [[ ! -e $target ]] && break
    sleep 0.5
done
sleep 1
shot "$wid" uninstaller-3-progress
click_at "$wid" $finish_x $button_y
wait "$uninstaller_pid" || fail "the uninstaller ended with an error"
[[ ! -e $target ]] || fail "the installation directory is still there: $target"
echo "screenshots.sh: all pages photographed, installed and removed again"
