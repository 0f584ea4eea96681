#!/usr/bin/env bash
# The installer and the uninstaller wizard of the demo product on a real (virtual) X display,
# driven with mouse and keyboard: the archive installs through every page, the installed
# uninstall script removes everything again. HOME and the XDG directories lie in a temporary
# directory; the desktop tools register there and nowhere else.
#
# Usage: wizards-on-display.sh SOURCE_DIR BIN_DIR   (exit code 77: tools missing, skipped)
set -euo pipefail

root=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
WD_PROGRAM=wizards-on-display
source "$root/tests/xdisplay/wizard-driver.sh"

for tool in Xvfb xdotool import convert xdg-desktop-menu; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[[ -x $bin/LinuxInstaller ]] || wd_fail "no $bin/LinuxInstaller"
wd_own_session_bus "$root" "$bin"

# The wizard must come up on the display, not on a platform inherited from the caller.
unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH
wd_begin
wd_sandbox
wd_start_display
archive=$(wd_make_demo_archive "$root" "$bin")
# No blank in the name: xdg-desktop-menu splits its file arguments at blanks.
target=$HOME/Halvaron-Installed
# A file the installation must not take along when the uninstaller deletes its tree.
echo keep >"$HOME/beside.txt"

check() {
    "$@" || wd_fail "check failed: $*"
}

# --- Installation: Welcome, License, Installation Settings, summary, progress, Readme, Finish.
wd_start installer bash "$archive"
installer=$WD_PID
wid=$(wd_wait_window --name '^Installing Halvaron 1\.0$')
wd_wait_drawn "$wid"
wd_next_page "$wid"                 # to the licence
if wd_button_enabled "$wid" "$NEXT_X" "$NEXT_Y"; then
    wd_fail "Next is enabled before the licence is accepted"
fi
wd_click "$wid" 189 356             # I accept the terms of the license agreement.
wd_next_page "$wid"                 # to the installation settings
wd_type_into "$wid" 288 301 "$target"
wd_next_page "$wid"                 # to the summary
wd_next_page "$wid"                 # to the progress page: the installation starts
# The archive script, the uninstaller and the desktop tools take their time on a busy machine.
wd_wait_next_enabled "$wid" 300
check test -x "$target/uninstall"
wd_next_page "$wid"                 # to the readme
wd_next_page "$wid"                 # to the finish page
wd_finish "$wid"                    # starts the product, opens the readme
wd_expect_success "$installer" "the installer"

# The product, byte for byte, and the start script made executable.
while IFS= read -r -d '' file; do
    check cmp -s "$root/examples/demo/product/$file" "$target/$file"
done < <(cd "$root/examples/demo/product" && find . -type f -printf '%P\0')
check test -x "$target/bin/linuxStarter.py"

# The uninstaller: the script, the copy of the installer and its settings.
expected_script='#!/usr/bin/env bash
THIS_DIR=`dirname "$0"`
export LD_LIBRARY_PATH="$THIS_DIR/Uninstaller"
"$THIS_DIR/Uninstaller/LinuxInstaller" --uninstall --settings-file "$THIS_DIR/Uninstaller/installer.settings" $@'
check test "$(cat "$target/uninstall")" == "$expected_script"
# The installer as the archive carries it (stripped).
bash "$archive" --extract "$WD_WORK/extracted" >/dev/null
check cmp -s "$WD_WORK/extracted/installer/LinuxInstaller" "$target/Uninstaller/LinuxInstaller"
check cmp -s "$root/examples/demo/installer/installer.settings" \
    "$target/Uninstaller/installer.settings"

# Desktop entries: recorded in the tree and registered below the sandboxed home.
shopt -s nullglob
recorded=("$target"/Uninstaller/desktopEntries/*)
check test "${#recorded[@]}" -gt 0
menu_entries=("$XDG_DATA_HOME"/applications/*Halvaron*.desktop)
desktop_links=("$XDG_DESKTOP_DIR"/*.desktop)
icons=("$XDG_DATA_HOME"/icons/hicolor/*/apps/halvaron*.png)
check test "${#menu_entries[@]}" -gt 0
check test "${#desktop_links[@]}" -gt 0
check test "${#icons[@]}" -gt 0
for link in "${desktop_links[@]}"; do
    check cmp -s "$link" "$target/Uninstaller/desktopEntries/${link##*/}"
done
check grep -qxF "Exec=\"$target/bin/Halvaron\" --data $target/data" "${desktop_links[@]}"

# Finish: the readme opened with xdg-open, the product started with its parameters (detached,
# so it may still be on its way), besides the run right after installing.
check test "$(cat "$WD_WORK/opened")" == "$target/doc/README.txt"
product_started() {
    grep -q " --data $target/data\$" "$target/var/halvaron.log" 2>/dev/null
}
wd_wait_until "Finish did not start the product" product_started
check grep -q ' -install -scan -ignoreprefs$' "$target/var/halvaron.log"

# --- Uninstallation through the installed script: Uninstall, Yes, Finish.
wd_start uninstaller bash "$target/uninstall"
uninstaller=$WD_PID
wid=$(wd_wait_window --class '^LinuxInstaller$')
wd_wait_drawn "$wid"
wd_next_button "$wid"
wd_click "$wid" "$NEXT_X" "$NEXT_Y" # Uninstall
box=$(wd_wait_window --name '^Confirm unstallation$')
wd_wait_drawn "$box"
check test -d "$target"             # nothing is deleted before the answer
wd_press_yes "$box"
wd_wait_until "the confirmation box stayed open" wd_no_window --name '^Confirm unstallation$'
# The tree goes in the same step that enables Finish again; a click before that is lost.
WD_TIMEOUT=300 wd_wait_until "the installation directory was not deleted" test ! -e "$target"
wd_wait_next_enabled "$wid"         # Finish
wd_finish "$wid"
wd_expect_success "$uninstaller" "the uninstaller"

check test ! -e "$target"
check test "$(cat "$HOME/beside.txt")" == keep
leftovers=("$XDG_DATA_HOME"/applications/*Halvaron*.desktop "$XDG_DESKTOP_DIR"/*.desktop
    "$XDG_DATA_HOME"/icons/hicolor/*/apps/halvaron*.png)
check test "${#leftovers[@]}" -eq 0
echo "wizards-on-display: installed through the wizard and removed again"
