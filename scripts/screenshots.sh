#!/usr/bin/env bash
# Runs the dialog program on a virtual X screen and saves what a person sees:
# the main dialog, its system menu (opened with a right click on the dialog's
# background, as a user would) and the About box chosen from that menu.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
# Writes docs/main-dialog.png, docs/system-menu.png and docs/about-box.png.
# Needs Xvfb, xdotool and ImageMagick's import (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
program=$build_dir/app/veltrano
[[ -x $program ]] || { echo "$program: not built (cmake --build $build_dir --target veltrano)" >&2; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$tool: not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

# A display number nobody uses.
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
    display=$((display + 1))
done
export DISPLAY=:$display
unset QT_QPA_PLATFORM

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 800x500x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
# The server may take seconds to come up on a busy machine.
up=false
for _ in $(seq 300); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && { up=true; break; }
    sleep 0.1
done
$up || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }

"$program" &
pids+=($!)

# Waits for a window titled exactly $1 and prints its id.
window_named() {
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

main=$(window_named "Veltrano V1.0.0")
sleep 0.5 # let the first paint land
mkdir -p docs
import -window "$main" docs/main-dialog.png

# The system menu, from a right click on the background under the FPS label.
eval "$(xdotool getwindowgeometry --shell "$main")"
main_x=$X main_y=$Y main_w=$WIDTH main_h=$HEIGHT
xdotool mousemove --window "$main" $((main_w - 4)) $((main_h - 4))
xdotool click 3
sleep 0.7
# The menu opens at the pointer; the picture takes the dialog and the menu together.
import -window root -crop "$((main_w + 260))x$((main_h + 160))+$main_x+$main_y" +repage \
    docs/system-menu.png

# Its last item is the About box.
xdotool key Up
sleep 0.2
xdotool key Return
about=$(window_named "关于 Veltrano")
sleep 0.5
import -window "$about" docs/about-box.png

# Close both as a user would: Enter presses OK, then Esc ends the program.
xdotool key Return
sleep 0.3
xdotool mousemove --window "$main" 5 5 key Escape
for _ in $(seq 50); do
    kill -0 "${pids[1]}" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "${pids[1]}" 2>/dev/null; then
    echo "the program did not end on Esc" >&2
    exit 1
fi
echo "wrote docs/main-dialog.png docs/system-menu.png docs/about-box.png"
