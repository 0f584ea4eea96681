#!/usr/bin/env bash
# Drives the installer and the uninstaller wizard of the demo product on a virtual X display
# under a small window manager (openbox, for the title bars), as a person would (mouse and
# keyboard through xdotool), photographs every page, and checks that the installation arrived
# and was removed again. Two more runs of the installer, with a stand-in for the archive's
# unpacking, show what a normal run passes too quickly to see: the progress page while files
# arrive, the question after Cancel, and the page of a failed installation.
#
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#   BUILD_DIR   the build tree with bin/LinuxInstaller (default: build)
#   OUTPUT_DIR  where the PNG files go (default: docs/screenshots)
# Needs Xvfb, xdotool, ImageMagick, x11-utils, openbox, dbus-daemon and util-linux (unshare,
# nsenter), and root or user namespaces. Everything the installer writes stays in a temporary
# directory: HOME, the XDG directories and the installation itself. The wizards see that
# home as /home/demo (in a mount namespace of their own), so that the pictures show the same
# short installation path on every machine and every run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output=${2:-$root/docs/screenshots}

WD_PROGRAM=screenshots.sh
source "$root/scripts/wizard-driver.sh"

for tool in Xvfb:xvfb xdotool:xdotool import:imagemagick convert:imagemagick xprop:x11-utils \
    xwininfo:x11-utils \
    openbox:openbox dbus-run-session:dbus-daemon unshare:util-linux nsenter:util-linux; do
    command -v "${tool%%:*}" >/dev/null ||
        wd_fail "${tool%%:*} is missing: install the package ${tool#*:} (apt-get install ${tool#*:})"
done
[[ -x $build/bin/LinuxInstaller ]] || wd_fail "no $build/bin/LinuxInstaller: build it first"

wd_own_session_bus "$build" "$output"
mkdir -p "$output"
output=$(cd "$output" && pwd)

unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH
wd_begin
wd_sandbox
shown_home=/home/demo
target=$shown_home/Halvaron-Demo
installed=$HOME/Halvaron-Demo # the same directory, as this script sees it

# A mount namespace in which /home holds nothing but the sandboxed home, as /home/demo; the
# programs photographed run in it (run_at_home), the rest of the system does not see it.
if [[ $(id -u) -eq 0 ]]; then
    namespace=(--mount) entering=(--mount)
else
    namespace=(--user --map-root-user --mount) entering=(--user --mount --preserve-credentials)
fi
wd_start namespace unshare "${namespace[@]}" --propagation private bash -c '
    mount -t tmpfs -o mode=0755 screenshots /home && mkdir "$2" && mount --bind "$1" "$2" &&
        touch "$3" && exec sleep infinity' namespace "$HOME" "$shown_home" "$WD_WORK/namespace"
namespace_pid=$WD_PID
wd_wait_until "the mount namespace for $shown_home was not set up" test -e "$WD_WORK/namespace"
export HOME=$shown_home

run_at_home() {
    local name=$1
    shift
    wd_start "$name" nsenter --target "$namespace_pid" "${entering[@]}" -- "$@"
}

wd_start_display >/dev/null
run_at_home openbox openbox --sm-disable
window_manager_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
wd_wait_until "openbox did not start" window_manager_running >/dev/null
archive=$(wd_make_demo_archive "$root" "$build/bin")

shot() {
    wd_photo "$1" "$output/$2.png"
    # Small files: no metadata (no time stamps, so the same page gives the same bytes) and the
    # best compression. Kept in true colour: a palette bands the banner's and watermark's
    # gradients, and dithering them makes larger files.
    convert "$output/$2.png" -strip -define png:compression-level=9 \
        -define png:compression-filter=5 "$output/$2.png"
    echo "$output/$2.png"
}

# Welcome, License (accepted), Installation Settings (the proposed directory kept), Start
# Installation, and on to the progress page; with a NAME prefix every page is photographed.
to_progress_page() {
    local wid=$1 prefix=${2-}
    [[ -n $prefix ]] && shot "$wid" "$prefix-1-welcome"
    wd_next_page "$wid"
    [[ -n $prefix ]] && shot "$wid" "$prefix-2-license"
    wd_click "$wid" 189 356 # I accept
    wd_next_page "$wid"
    [[ -n $prefix ]] && shot "$wid" "$prefix-3-settings"
    wd_next_page "$wid"
    [[ -n $prefix ]] && shot "$wid" "$prefix-4-summary"
    wd_next_page "$wid"
}

run_at_home installer bash "$archive"
installer=$WD_PID
wid=$(wd_wait_window --name '^Installing Halvaron')
to_progress_page "$wid" installer
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
    [[ -e $installed/$file ]] || wd_fail "missing after the installation: $target/$file"
done
grep -qx "$target/doc/README.txt" "$WD_WORK/opened" || wd_fail "Finish did not open the readme"

# The uninstaller, started the way the user would: the uninstall script. Its wizard has no
# title of its own, so it is found by its class.
run_at_home uninstaller bash "$target/uninstall"
uninstaller=$WD_PID
wid=$(wd_wait_window --class '^LinuxInstaller$')
shot "$wid" uninstaller-1-welcome
wd_next_button "$wid"
wd_click "$wid" "$NEXT_X" "$NEXT_Y" # Uninstall
box=$(wd_wait_window --name '^Confirm unstallation$')
wd_wait_drawn "$box"
shot "$wid" uninstaller-2-confirm # the box in front of the wizard, as the user sees it
wd_press_yes "$box"
WD_TIMEOUT=300 wd_wait_until "the installation directory was not deleted" test ! -e "$installed"
wd_wait_next_enabled "$wid"
shot "$wid" uninstaller-3-done
wd_finish "$wid"
wd_expect_success "$uninstaller" "the uninstaller"

# The stand-in for the archive's --install: the demo's files one line each, as the archive
# lists them. "fail" ends like an unpacking that ran out of room; "hold" stops half-way until
# it is stopped, so that the busy page can be photographed and cancelled.
cat >"$WD_WORK/unpack.sh" <<'EOF'
set -u
cd "$2" || exit 1
for file in bin/Halvaron bin/halvaron-shell bin/icons/48x48/halvaron.png \
    bin/icons/48x48/halvaron-shell.png bin/icons/scalable/halvaron.svg bin/linuxStarter.py; do
    mkdir -p "${file%/*}" && echo demo >"$file" && echo "./$file"
done
if [[ $UNPACK_END == fail ]]; then
    echo "tar: ./data/measurements 2024.csv: Cannot write: No space left on device" >&2
    echo "Error: unpacking the product into $2 failed." >&2
    exit 1
fi
exec sleep infinity
EOF
# The installer staged for the archive: the build tree may lie below /home, which the
# namespace replaces.
unpack() {
    run_at_home "installer-$1" env UNPACK_END="$1" \
        "$WD_WORK/installer/LinuxInstaller" "$WD_WORK/unpack.sh" --settings-file \
        "$WD_WORK/installer/installer.settings" --temp-directory "$WD_WORK" --file-count 9 --verbose
}

# Cancel while files arrive: the busy progress page, the question, and Yes.
unpack hold
installer=$WD_PID
wid=$(wd_wait_window --name '^Installing Halvaron')
to_progress_page "$wid"
wd_wait_until "the stand-in did not unpack" test -e "$installed/bin/linuxStarter.py"
shot "$wid" installer-5-progress-busy
wd_geometry "$wid"
wd_click "$wid" $((WIDTH - 65)) $((HEIGHT - 23)) # Cancel
box=$(wd_wait_window --name '^Cancel installation$')
wd_wait_drawn "$box"
shot "$wid" installer-cancel
wd_press_yes "$box"
wd_wait_until "the installer did not end after Cancel" wd_process_gone "$installer"
[[ ! -e $installed ]] || wd_fail "Cancel left $target behind"

# An unpacking that fails: the failure page, and nothing left behind.
unpack fail
installer=$WD_PID
wid=$(wd_wait_window --name '^Installing Halvaron')
to_progress_page "$wid"
wd_wait_next_enabled "$wid" 300 # Finish, on the failure page
shot "$wid" installer-failed
wd_finish "$wid"
status=0
wait "$installer" || status=$?
[[ $status -eq 1 ]] || wd_fail "the failed installation ended with exit code $status, not 1"
[[ ! -e $installed ]] || wd_fail "the failed installation left $target behind"
echo "screenshots.sh: all pages photographed, installed and removed again"
