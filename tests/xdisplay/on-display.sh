#!/usr/bin/env bash
# The demo archive's wizards on a real display, HOME and the XDG directories in a temporary
# directory. wizards: scripts/screenshots.sh drives every page with mouse and keyboard on Xvfb,
# cancels and fails an installation and checks what each run leaves. x11, wayland: installed
# and uninstalled through the accessibility interface alone (accessibility-drive.py) on Xvfb or
# on a headless Weston with no X at all; in between, what the installation left.
#
# Usage: on-display.sh SOURCE_DIR BUILD_DIR wizards|x11|wayland   (exit code 77: tools missing)
set -euo pipefail
root=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)/bin
WD_PROGRAM=on-display-$3
source "$root/scripts/wizard-driver.sh"

skip() { echo "SKIP: $1 is not installed"; exit 77; }
need() { for tool; do command -v "$tool" >/dev/null || skip "$tool"; done; }
if [[ $3 == wizards ]]; then
    need openbox xprop xwininfo
    exec bash "$root/scripts/screenshots.sh" "$2" "$2/tests/xdisplay/screenshots"
fi
if [[ $3 == x11 ]]; then need Xvfb xdotool; else need weston; fi
need dbus-run-session xdg-desktop-menu
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || skip python3-pyatspi
[[ -f /usr/share/dbus-1/services/org.a11y.Bus.service ]] || skip at-spi2-core
unset AT_SPI_BUS_ADDRESS # started on demand in this script's own session bus
wd_own_session_bus "$@"

# The wizard comes up on the display, not on a platform inherited from the caller.
unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH
wd_begin
wd_sandbox
if [[ $3 == wayland ]]; then wd_start_weston; else wd_start_display; fi
archive=$(wd_make_demo_archive "$root" "$bin")
target=$HOME/Halvaron-Installed # no blank: xdg-desktop-menu splits its file arguments at blanks
check() { "$@" || wd_fail "check failed: $*"; }
# How many kinds of desktop files (menu entries, shortcuts, icons) lie below the sandboxed home.
desktop_kinds() {
    local data=$XDG_DATA_HOME
    for kind in "$data/applications/*Halvaron*.desktop" "$XDG_DESKTOP_DIR/*.desktop" \
        "$data/icons/hicolor/*/apps/halvaron*.png"; do compgen -G "$kind" | head -1; done | wc -l
}
# Bounded: a wait that never ends must not hold up the suite.
drive() { timeout 300 /usr/bin/python3 "$root/tests/xdisplay/accessibility-drive.py" "$@"; }

drive install "$archive" "$target"
check test "$(desktop_kinds)" -eq 3
# Finish opened the readme and started the product (detached: it may still be on its way),
# besides the product's own run right after the installation.
check test "$(cat "$WD_WORK/opened")" == "$target/doc/README.txt"
product_started() { grep -q " --data $target/data\$" "$target/var/halvaron.log" 2>/dev/null; }
wd_wait_until "Finish did not start the product" product_started
check grep -q ' -install -scan -ignoreprefs$' "$target/var/halvaron.log"
drive uninstall "$target"
check test "$(desktop_kinds)" -eq 0
echo "on-display: installed and uninstalled through accessibility actions"
