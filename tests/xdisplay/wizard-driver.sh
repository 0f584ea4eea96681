# Drives the installer and uninstaller wizards on a virtual X display as a person would: mouse
# clicks and typing through xdotool, photographs through ImageMagick. Sourced by the X display
# test and by scripts/screenshots.sh; everything it starts is killed by wd_cleanup.
#
# Waits never sleep a fixed time for the program: they poll a condition until a time limit,
# so that a slow, loaded machine only makes a run longer.
#
# Needs Xvfb, xdotool and ImageMagick (import, convert); the photographs also xprop
# and xwininfo.

WD_PROGRAM=${WD_PROGRAM:-wizard-driver}
WD_WORK=          # temporary directory of the run, removed by wd_cleanup
WD_XVFB_PID=
WD_GROUPS=()      # process groups started by wd_start
WD_TIMEOUT=${WD_TIMEOUT:-120} # seconds any single wait may take

wd_fail() {
    echo "$WD_PROGRAM: $*" >&2
    exit 1
}

wd_cleanup() {
    local group
    for group in "${WD_GROUPS[@]}"; do
        kill -KILL -- "-$group" 2>/dev/null || true
    done
    if [[ -n $WD_XVFB_PID ]]; then
        kill "$WD_XVFB_PID" 2>/dev/null || true
        wait "$WD_XVFB_PID" 2>/dev/null || true
    fi
    [[ -n $WD_WORK && -z ${WD_KEEP_WORK-} ]] && rm -rf -- "$WD_WORK"
    return 0
}

# Runs the calling script again, with ARGUMENTS, in a D-Bus session of its own that ends with
# it. Without one, the first program that asks for the session bus has one started for the X
# display (autolaunch), and that one outlives the display and the run.
wd_own_session_bus() {
    [[ -n ${WD_OWN_BUS-} ]] && return 0
    command -v dbus-run-session >/dev/null || return 0
    WD_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
}

# Creates the run's temporary directory (WD_WORK) and arranges the clean-up.
wd_begin() {
    WD_WORK=$(mktemp -d -t orna-xdisplay.XXXXXXXX)
    trap wd_cleanup EXIT
    trap 'exit 130' INT TERM
}

# Polls "$@" every 0.1 s until it succeeds; fails with MESSAGE after WD_TIMEOUT seconds.
wd_wait_until() {
    local message=$1
    shift
    local deadline=$((SECONDS + WD_TIMEOUT))
    until "$@"; do
        ((SECONDS < deadline)) || wd_fail "timed out after $WD_TIMEOUT s: $message"
        sleep 0.1
    done
}

# Starts Xvfb on a display number it picks itself (no race with other servers starting at the
# same time) and exports DISPLAY once the server answers.
# Starts a headless Weston on a socket of its own and exports WAYLAND_DISPLAY once it
# answers; DISPLAY is removed, so that nothing reaches an X server by mistake.
wd_start_weston() {
    export XDG_RUNTIME_DIR=$WD_WORK/runtime
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    weston --backend=headless-backend.so --socket=orna-wayland --idle-time=0 \
        --log="$WD_WORK/weston.log" >/dev/null 2>&1 &
    WD_XVFB_PID=$!
    export WAYLAND_DISPLAY=orna-wayland
    unset DISPLAY
    wd_wait_until "weston did not start" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
}

wd_start_display() {
    local numberFile=$WD_WORK/display-number
    : >"$numberFile" # there before the first look, which may come before the server's start
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" \
        >"$WD_WORK/xvfb.log" 2>&1 &
    WD_XVFB_PID=$!
    wd_wait_until "Xvfb did not report a display number" grep -q '[0-9]' "$numberFile"
    export DISPLAY=:$(tr -dc '0-9' <"$numberFile")
    wd_wait_until "the display $DISPLAY does not answer" xdotool getmouselocation
}

# A home and XDG directories of its own, desktop tools that stay inside it, and a recording
# xdg-open (every call appends its arguments to $WD_WORK/opened) first in PATH.
wd_sandbox() {
    local home=$WD_WORK/home
    mkdir -p "$home/Desktop" "$home/.local/share" "$home/.config" "$home/.cache" "$WD_WORK/bin"
    export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config
    export XDG_CACHE_HOME=$home/.cache XDG_DESKTOP_DIR=$home/Desktop XDG_UTILS_INSTALL_MODE=user
    export GSETTINGS_BACKEND=keyfile
    unset XDG_CONFIG_DIRS XDG_DATA_DIRS
    printf '#!/bin/sh\necho "$@" >> "%s/opened"\n' "$WD_WORK" >"$WD_WORK/bin/xdg-open"
    chmod +x "$WD_WORK/bin/xdg-open"
    export PATH=$WD_WORK/bin:$PATH
}

# Packs the demo product with the installer from BIN_DIR; prints the archive's path.
wd_make_demo_archive() {
    local root=$1 bin=$2
    local staging=$WD_WORK/installer archive=$WD_WORK/halvaron-demo.run
    mkdir -p "$staging"
    cp -- "$root"/examples/demo/installer/* "$staging/"
    cp -- "$bin/LinuxInstaller" "$staging/"
    bash "$root/tools/make-archive" "$root/examples/demo/product" "$staging" "$archive" \
        >"$WD_WORK/make-archive.log" 2>&1 || wd_fail "make-archive failed: $(cat "$WD_WORK/make-archive.log")"
    echo "$archive"
}

# Starts "$@" in a process group of its own, output to $WD_WORK/NAME.log; sets WD_PID.
wd_start() {
    local name=$1
    shift
    setsid "$@" >"$WD_WORK/$name.log" 2>&1 &
    WD_PID=$!
    WD_GROUPS+=("$WD_PID")
}

wd_process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# Waits for a process started by wd_start to end; fails unless it exits with 0.
wd_expect_success() {
    local pid=$1 what=$2 status=0
    wd_wait_until "$what did not end" wd_process_gone "$pid"
    wait "$pid" || status=$?
    [[ $status -eq 0 ]] || wd_fail "$what ended with exit code $status: $(cat "$WD_WORK"/*.log)"
}

# Prints the id of the first visible window found by the xdotool search options, waiting for it.
# The uninstaller wizard has no title of its own: the toolkit puts the application name into
# _NET_WM_NAME only and leaves WM_NAME empty, which is all xdotool's --name reads; --class
# finds it.
wd_wait_window() {
    local id
    id=$(timeout "$WD_TIMEOUT" xdotool search --sync --onlyvisible --limit 1 "$@" 2>/dev/null) ||
        wd_fail "no visible window for: $*"
    echo "$id"
}

wd_no_window() {
    [[ -z $(xdotool search --onlyvisible "$@" 2>/dev/null) ]]
}

# Checksum of the raw pixels of a window, or of a region WxH+X+Y of it.
wd_pixels() {
    import -window "$1" ${2:+-crop "$2" +repage} -depth 8 rgb:- 2>/dev/null | md5sum
}

wd_pixels_differ() {
    [[ $(wd_pixels "$1" "${2-}") != "$3" ]]
}

# Sets X, Y, WIDTH and HEIGHT of a window.
wd_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

# Waits until the window is drawn: more than one colour, and the same picture twice in a row.
wd_wait_drawn() {
    local wid=$1 previous= current
    local deadline=$((SECONDS + WD_TIMEOUT))
    while ((SECONDS < deadline)); do
        if [[ $(import -window "$wid" -format '%k' info: 2>/dev/null || echo 0) -gt 1 ]]; then
            current=$(wd_pixels "$wid")
            [[ $current == "$previous" ]] && return 0
            previous=$current
        fi
        sleep 0.2
    done
    wd_fail "window $wid was not drawn"
}

wd_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# The wizard's header without the logo: page title and subtitle, different on every page.
wd_header() {
    wd_geometry "$1"
    wd_pixels "$1" "$((WIDTH - 80))x60+0+0"
}

# A button is enabled when its label is drawn in black; a disabled one is grey.
wd_button_enabled() {
    local darkest
    darkest=$(import -window "$1" -crop "40x12+$(($2 - 20))+$(($3 - 6))" +repage \
        -colorspace gray -format '%[fx:int(255*minima)]' info: 2>/dev/null) || return 1
    [[ -n $darkest && $darkest -lt 64 ]]
}

# The wizard's Next button (also Finish and Uninstall, which take its place): the second
# button from the right in the bottom row. Sets NEXT_X and NEXT_Y.
wd_next_button() {
    wd_geometry "$1"
    NEXT_X=$((WIDTH - 138)) NEXT_Y=$((HEIGHT - 23))
}

# Waits until Next (or Finish) is enabled. The program may be busy for a long time before it
# enables it: this waits up to the time given (default WD_TIMEOUT).
wd_wait_next_enabled() {
    local WD_TIMEOUT=${2:-$WD_TIMEOUT}
    wd_next_button "$1"
    wd_wait_until "the Next button was not enabled" wd_button_enabled "$1" "$NEXT_X" "$NEXT_Y"
}

# Clicks Next once it is enabled and waits until the wizard shows its next page.
wd_next_page() {
    local wid=$1 before
    wd_wait_next_enabled "$wid"
    before=$(wd_header "$wid")
    wd_click "$wid" "$NEXT_X" "$NEXT_Y"
    wd_wait_until "the wizard stayed on its page after Next" wd_pixels_differ "$wid" \
        "$((WIDTH - 80))x60+0+0" "$before"
    wd_wait_drawn "$wid"
}

# Clicks Finish (or Next on a last page) once it is enabled; the window is expected to close.
wd_finish() {
    wd_wait_next_enabled "$1"
    wd_click "$1" "$NEXT_X" "$NEXT_Y"
}

# Replaces the text of a line edit by typing, as a user would: click, select all, type.
wd_type_into() {
    local wid=$1 x=$2 y=$3 text=$4
    wd_click "$wid" "$x" "$y"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --clearmodifiers --delay 10 "$text"
}

# The window's frame on the screen, title bar and borders of the window manager included:
# sets FRAME to WIDTHxHEIGHT+X+Y. (xdotool's position is off by the frame's size.)
wd_frame() {
    local extents left right top bottom info x y
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    info=$(xwininfo -id "$1")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    wd_geometry "$1"
    FRAME=$((WIDTH + left + right))x$((HEIGHT + top + bottom))+$((x - left))+$((y - top))
}

# Photographs a window into FILE once it is drawn, as the user sees it: with its title bar and
# whatever lies on top of it, such as a message box.
wd_photo() {
    wd_wait_drawn "$1"
    wd_frame "$1"
    import -window root -crop "$FRAME" +repage "$2"
}

# The question box's Yes button, left of No in the bottom right corner.
wd_press_yes() {
    wd_geometry "$1"
    wd_click "$1" $((WIDTH - 145)) $((HEIGHT - 25))
}
