# Drives the wizards on a virtual display as a person would (xdotool, ImageMagick photographs);
# sourced by scripts/screenshots.sh and by the display, Ansible and Debian root tests. Waits poll
# for up to WD_TIMEOUT seconds, never sleep a fixed time: a loaded machine only takes longer.
WD_PROGRAM=${WD_PROGRAM:-wizard-driver} WD_TIMEOUT=${WD_TIMEOUT:-120} WD_WORK='' WD_XVFB_PID=''
WD_GROUPS=() # process groups of wd_start, killed by wd_cleanup with the display server

wd_fail() { echo "$WD_PROGRAM: $*" >&2; exit 1; }

wd_cleanup() {
    kill -KILL -- "${WD_GROUPS[@]/#/-}" 2>/dev/null || true
    [[ -z $WD_XVFB_PID ]] || { kill "$WD_XVFB_PID"; wait "$WD_XVFB_PID"; } 2>/dev/null || true
    [[ -z $WD_WORK || -n ${WD_KEEP_WORK-} ]] || rm -rf -- "$WD_WORK"
}

# Reruns the caller in a D-Bus session that ends with it: an autolaunched bus would outlive it.
wd_own_session_bus() {
    [[ -n ${WD_OWN_BUS-} ]] || ! command -v dbus-run-session >/dev/null ||
        WD_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
}

wd_begin() {
    WD_WORK=$(mktemp -d -t orna-xdisplay.XXXXXXXX)
    trap wd_cleanup EXIT && trap 'exit 130' INT TERM # an interrupted run cleans up as well
}

# Polls "$@" every 0.1 s; fails with MESSAGE after WD_TIMEOUT seconds.
wd_wait_until() {
    local deadline=$((SECONDS + WD_TIMEOUT))
    until "${@:2}"; do
        ((SECONDS < deadline)) || wd_fail "timed out after $WD_TIMEOUT s: $1"
        sleep 0.1
    done
}

# A headless Weston on a socket of its own; no DISPLAY, so that nothing reaches X by mistake.
wd_start_weston() {
    export XDG_RUNTIME_DIR=$WD_WORK/runtime WAYLAND_DISPLAY=orna-wayland
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    weston --backend=headless-backend.so --socket=$WAYLAND_DISPLAY --idle-time=0 \
        --log="$WD_WORK/weston.log" >/dev/null 2>&1 &
    WD_XVFB_PID=$!
    unset DISPLAY
    wd_wait_until "weston did not start" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
}

# Xvfb picks its display number itself: no race with other servers starting at the same time.
wd_start_display() {
    local number=$WD_WORK/display-number
    : >"$number"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >"$WD_WORK/xvfb.log" 2>&1 &
    WD_XVFB_PID=$!
    wd_wait_until "Xvfb did not report a display number" grep -q '[0-9]' "$number"
    export DISPLAY=:$(tr -dc '0-9' <"$number")
    wd_wait_until "the display $DISPLAY does not answer" xdotool getmouselocation
}

# HOME and XDG directories of their own, and an xdg-open that appends to $WD_WORK/opened.
wd_sandbox() {
    local home=$WD_WORK/home
    mkdir -p "$home/Desktop" "$home/.local/share" "$home/.config" "$home/.cache" "$WD_WORK/bin"
    export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
        XDG_CACHE_HOME=$home/.cache XDG_DESKTOP_DIR=$home/Desktop XDG_UTILS_INSTALL_MODE=user \
        GSETTINGS_BACKEND=keyfile PATH=$WD_WORK/bin:$PATH
    unset XDG_CONFIG_DIRS XDG_DATA_DIRS
    printf '#!/bin/sh\necho "$@" >> "%s/opened"\n' "$WD_WORK" >"$WD_WORK/bin/xdg-open"
    chmod +x "$WD_WORK/bin/xdg-open"
}

# Packs the demo product with the installer of BIN_DIR (make-archive's OPTIONS first); prints
# the archive's path.
wd_make_demo_archive() {
    mkdir -p "$WD_WORK/installer"
    cp -- "$1"/examples/demo/installer/* "$2/LinuxInstaller" "$WD_WORK/installer/"
    bash "$1/tools/make-archive" "${@:3}" "$1/examples/demo/product" "$WD_WORK/installer" \
        "$WD_WORK/halvaron-demo.run" >"$WD_WORK/make-archive.log" 2>&1 ||
        wd_fail "make-archive failed: $(cat "$WD_WORK/make-archive.log")"
    echo "$WD_WORK/halvaron-demo.run"
}

# Starts "$@" in a process group of its own, output to $WD_WORK/NAME.log; sets WD_PID.
wd_start() { setsid "${@:2}" >"$WD_WORK/$1.log" 2>&1 & WD_PID=$! && WD_GROUPS+=("$WD_PID"); }

wd_process_gone() { ! kill -0 "$1" 2>/dev/null; }

# Waits for the process PID of wd_start, called WHAT, to end; fails unless it exits with 0.
wd_expect_success() {
    wd_wait_until "$2 did not end" wd_process_gone "$1"
    wait "$1" || wd_fail "$2 ended with exit code $?: $(cat "$WD_WORK"/*.log)"
}

# The first visible window that the xdotool search options find. The uninstaller's title is in
# _NET_WM_NAME only, which --name does not read: --class finds it.
wd_wait_window() {
    timeout "$WD_TIMEOUT" xdotool search --sync --onlyvisible --limit 1 "$@" 2>/dev/null ||
        wd_fail "no visible window for: $*"
}

# Checksum of the raw pixels of a window, or of a region WxH+X+Y of it.
wd_pixels() { import -window "$1" ${2:+-crop "$2" +repage} -depth 8 rgb:- 2>/dev/null | md5sum; }

wd_pixels_differ() { [[ $(wd_pixels "$1" "${2-}") != "$3" ]]; }

wd_geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; } # sets WIDTH, HEIGHT, X, Y

wd_click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# Drawn: more than one colour, then the same picture twice in a row, or any picture after two
# seconds (a busy indicator never holds still).
wd_drawn() {
    (($(import -window "$1" -format '%k' info: 2>/dev/null || echo 0) > 1)) || return 1
    : "${WD_PAINTED:=$SECONDS}"
    ((SECONDS - WD_PAINTED > 2)) || [[ $(wd_pixels "$1") == "$(sleep 0.2 && wd_pixels "$1")" ]]
}
wd_wait_drawn() { WD_PAINTED='' && wd_wait_until "window $1 was not drawn" wd_drawn "$1"; }

# An enabled button's label is black, a disabled one's grey.
wd_button_enabled() {
    (($(import -window "$1" -crop "40x12+$(($2 - 20))+$(($3 - 6))" +repage -colorspace gray \
        -format '%[fx:int(255*minima)]' info: 2>/dev/null || echo 255) < 64))
}

# Next (or Finish, or Uninstall in its place): second from the right below. Sets NEXT_X, NEXT_Y.
wd_next_button() { wd_geometry "$1" && NEXT_X=$((WIDTH - 138)) NEXT_Y=$((HEIGHT - 23)); }

# Waits until Next is enabled, up to SECONDS (default WD_TIMEOUT): the program may be busy.
wd_wait_next_enabled() {
    local WD_TIMEOUT=${2:-$WD_TIMEOUT}
    wd_next_button "$1"
    wd_wait_until "the Next button was not enabled" wd_button_enabled "$1" "$NEXT_X" "$NEXT_Y"
}

# Clicks Next and waits for the next page: the header (title and subtitle, no logo) changes.
wd_next_page() {
    local header before
    wd_wait_next_enabled "$1"
    header="$((WIDTH - 80))x60+0+0"
    before=$(wd_pixels "$1" "$header")
    wd_click "$1" "$NEXT_X" "$NEXT_Y"
    wd_wait_until "the wizard stayed on its page" wd_pixels_differ "$1" "$header" "$before"
    wd_wait_drawn "$1"
}

# Clicks Finish once it is enabled; the window is expected to close.
wd_finish() { wd_wait_next_enabled "$1" && wd_click "$1" "$NEXT_X" "$NEXT_Y"; }

# Photographs a window once drawn as the user sees it: with the frame of the window manager
# (which xdotool's position leaves out) and what lies on top, such as a message box.
wd_photo() {
    local l r t b x y
    wd_wait_drawn "$1"
    IFS=, read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //;T;s/ //gp')"
    read -r x y <<<"$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left [XY]: *//p' | xargs)"
    wd_geometry "$1"
    : "${l:=0}" "${r:=0}" "${t:=0}" "${b:=0}"
    import -window root -crop "$((WIDTH + l + r))x$((HEIGHT + t + b))+$((x - l))+$((y - t))" \
        +repage "$2"
}

# The question box's Yes, left of No in the bottom right corner.
wd_press_yes() { wd_geometry "$1" && wd_click "$1" $((WIDTH - 145)) $((HEIGHT - 25)); }
