#!/usr/bin/env bash
# The demo archive installed and uninstalled through the wizards' accessibility interface
# alone (AT-SPI actions and text edits, tests/xdisplay/accessibility-drive.py), in a D-Bus
# session of its own with the AT-SPI bus started on demand. HOME and the XDG directories lie
# in a temporary directory.
#
# Usage: accessibility-on-display.sh SOURCE_DIR BIN_DIR [x11|wayland]
#        (exit code 77: tools missing, skipped)
set -euo pipefail

root=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
platform=${3:-x11}
WD_PROGRAM=accessibility-on-display
source "$root/tests/xdisplay/wizard-driver.sh"

for tool in Xvfb dbus-run-session xdotool xdg-desktop-menu; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
[[ -f /usr/share/dbus-1/services/org.a11y.Bus.service ]] ||
    { echo "SKIP: at-spi2-core is not installed"; exit 77; }
if [[ $platform == wayland ]]; then
    command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
fi
[[ -x $bin/LinuxInstaller ]] || wd_fail "no $bin/LinuxInstaller"

unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
wd_begin
wd_sandbox
if [[ $platform == wayland ]]; then
    # No X server at all: a wizard that shows up can only be on the Wayland platform.
    wd_start_weston
else
    wd_start_display
fi
archive=$(wd_make_demo_archive "$root" "$bin")
# The whole run is bounded: a wait that never ends must not hold up the suite.
timeout 600 dbus-run-session -- /usr/bin/python3 "$root/tests/xdisplay/accessibility-drive.py" \
    "$archive" "$HOME/Halvaron-Accessible"
