# shellcheck shell=bash
# Sourced, not run: a virtual X screen and the waits on its windows, for the
# scripts that work a dialog the way a user does (scripts/screenshots.sh on
# the Qt dialog, scripts/ci-windows-dialog.sh on the Win32 one under Wine).
# Needs Xvfb and xdotool (scripts/install-deps.sh). Every wait polls for what
# it waits for, up to a limit that only a hung program reaches.
#
#   . scripts/x-display.sh
#   x_display_start WIDTHxHEIGHT FIRST   # Xvfb on the first free display from :FIRST
#   x_display_stop                       # e.g. in the caller's EXIT trap
#   id=$(window_named TITLE)             # a visible window titled exactly TITLE
#   window_gone TITLE
#   answer_file_dialog TITLE PATH        # types PATH into that file dialog, accepts it
#
# Each returns non-zero, saying why on stderr, when what it waits for does
# not happen.

x_display_pid=""

x_display_start() {
    local size=${1:?usage: x_display_start WIDTHxHEIGHT FIRST} display=${2:?}
    while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
        display=$((display + 1))
    done
    export DISPLAY=:$display
    Xvfb "$DISPLAY" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    x_display_pid=$!
    # The server may take seconds to come up on a busy machine.
    local _
    for _ in $(seq 300); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "x-display: Xvfb did not start on $DISPLAY" >&2
    return 1
}

x_display_stop() {
    [[ -z $x_display_pid ]] || kill "$x_display_pid" 2>/dev/null || true
    x_display_pid=""
}

window_named() {
    local id="" _
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "x-display: no window \"$1\" appeared" >&2
    return 1
}

window_gone() {
    local _
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "x-display: the window \"$1\" did not close" >&2
    return 1
}

# Keys for a window, given the focus first: a dialog or message box that
# has just closed may not have handed it back yet on a busy machine, and a
# key sent meanwhile is lost.
key_to() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key "$@"
}

answer_file_dialog() {
    local dialog
    dialog=$(window_named "$1") || return 1
    # The dialog fills its folder view after it is mapped; keys typed before
    # that may go to the view instead of the name box.
    sleep 0.5
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    xdotool type --delay 5 "$2"
    xdotool key Return
    window_gone "$1" || { echo "x-display: the $1 dialog did not take $2" >&2; return 1; }
}
