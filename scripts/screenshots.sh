#!/usr/bin/env bash
# Drives the installer and the uninstaller wizard of the demo product on a virtual X display,
# as a person would (mouse and keyboard through xdotool), photographs every page, and checks
# that the installation arrived and was removed again.
#
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#   BUILD_DIR   the build tree with bin/LinuxInstaller (default: build)
#   OUTPUT_DIR  where the PNG files go (default: docs/screenshots)
# Needs Xvfb, xdotool and ImageMagick. Everything the installer writes stays in a temporary
# directory: HOME, the XDG directories and the installation itself.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output=${2:-$root/docs/screenshots}
mkdir -p "$output"
output=$(cd "$output" && pwd)

WD_PROGRAM=screenshots.sh
source "$root/tests/xdisplay/wizard-driver.sh"
unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH
wd_begin
wd_sandbox
wd_start_display
archive=$(wd_make_demo_archive "$root" "$build/bin")

shot() {
    wd_photo "$1" "$output/$2.png"
    echo "$output/$2.png"
}

target=$HOME/Halvaron-Demo
wd_start installer bash "$archive"
installer=$WD_PID
wid=$(wd_wait_window --name '^Installing Halvaron')
shot "$wid" installer-1-welcome
wd_next_page "$wid"
shot "$wid" installer-2-license
wd_click "$wid" 189 356 # I accept
wd_next_page "$wid"
wd_type_into "$wid" 288 314 "$target"
shot "$wid" installer-3-settings
wd_next_page "$wid"
shot "$wid" installer-4-summary
wd_next_page "$wid"
wd_wait_next_enabled "$wid" 300 # the installation has finished
shot "$wid" installer-5-progress
wd_next_page "$wid"
shot "$wid" installer-6-readme
wd_next_page "$wid"
shot "$wid" installer-7-finish
wd_finish "$wid"
wd_expect_success "$installer" "the installer"

for file in bin/Halvaron bin/linuxStarter.py doc/README.txt uninstall Uninstaller/LinuxInstaller \
    Uninstaller/installer.settings; do
    [[ -e $target/$file ]] || wd_fail "missing after the installation: $target/$file"
done
grep -qx "$target/doc/README.txt" "$WD_WORK/opened" || wd_fail "Finish did not open the readme"

# The uninstaller, started the way the user would: the uninstall script. Its wizard has no
# title of its own, so it is found by its class.
wd_start uninstaller bash "$target/uninstall"
uninstaller=$WD_PID
wid=$(wd_wait_window --class '^LinuxInstaller$')
shot "$wid" uninstaller-1-welcome
wd_next_button "$wid"
wd_click "$wid" "$NEXT_X" "$NEXT_Y" # Uninstall
box=$(wd_wait_window --name '^Confirm unstallation$')
wd_wait_drawn "$box"
# The box in front of the wizard, as the user sees it.
wd_photo_with_children "$wid" "$output/uninstaller-2-confirm.png"
echo "$output/uninstaller-2-confirm.png"
wd_press_yes "$box"
WD_TIMEOUT=300 wd_wait_until "the installation directory was not deleted" test ! -e "$target"
wd_wait_next_enabled "$wid"
shot "$wid" uninstaller-3-done
wd_finish "$wid"
wd_expect_success "$uninstaller" "the uninstaller"
echo "screenshots.sh: all pages photographed, installed and removed again"
