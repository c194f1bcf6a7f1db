#!/usr/bin/env bash
# Runs the dialog program on a virtual X screen and saves what a person sees:
# the main dialog, its system menu (opened with a right click on the dialog's
# background, as a user would) and the About box chosen from that menu.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
# Then it converts a generated recording the way a user does, choosing the
# files in the file dialogs, and saves the dialog with the finishing message.
# Writes docs/main-dialog.png, docs/system-menu.png, docs/about-box.png,
# docs/files-chosen.png and docs/converted.png.
# Needs Xvfb, xdotool and ImageMagick's import (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
program=$build_dir/app/veltrano
genrec=$build_dir/tools/recgen/veltrano-genrec
for built in "$program" "$genrec"; do
    [[ -x $built ]] || { echo "$built: not built (cmake --build $build_dir)" >&2; exit 1; }
done
# shellcheck source=scripts/version.sh
source scripts/version.sh
main_caption=$(veltrano_caption "$build_dir")
work=$(mktemp -d /tmp/veltrano-demo.XXXX) # short, so the path boxes show it whole
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$tool: not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

# shellcheck source=scripts/x-display.sh
source scripts/x-display.sh
unset QT_QPA_PLATFORM
program_pid=""
cleanup() {
    [[ -z $program_pid ]] || kill "$program_pid" 2>/dev/null || true
    x_display_stop
    rm -rf "$work"
}
trap cleanup EXIT
x_display_start 800x500 99

"$program" &
program_pid=$!

main=$(window_named "$main_caption")
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

# Enter presses the About box's OK.
xdotool key Return
sleep 0.3

# Clicks the centre of a control given in the template's dialog units
# (the main dialog is 300 x 100 of them).
click_du() {
    local x=$(($1 + $3 / 2)) y=$(($2 + $4 / 2))
    xdotool mousemove --window "$main" $((x * main_w / 300)) $((y * main_h / 100)) click 1
}
"$genrec" --frames 100 "$work/street-camera.264" >/dev/null 2>&1
click_du 243 12 50 14 # Open
answer_file_dialog "Open" "$work/street-camera.264"
click_du 243 30 50 14 # Save As
answer_file_dialog "Save As" "$work/street-camera"
sleep 0.3
import -window "$main" docs/files-chosen.png
click_du 243 79 50 14 # Start
message=$(window_named "$(basename "$program")")
sleep 0.5
# The message box and the dialog behind it, with its full bar.
eval "$(xdotool getwindowgeometry --shell "$message")"
left=$((X < main_x ? X : main_x)) top=$((Y < main_y ? Y : main_y))
right=$((X + WIDTH > main_x + main_w ? X + WIDTH : main_x + main_w))
bottom=$((Y + HEIGHT > main_y + main_h ? Y + HEIGHT : main_y + main_h))
import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage docs/converted.png
[[ -s $work/street-camera.avi ]] || { echo "no AVI was written" >&2; exit 1; }

# Enter dismisses the message, then Esc ends the program.
xdotool key Return
sleep 0.3
xdotool mousemove --window "$main" 5 5 key Escape
for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
    echo "the program did not end on Esc" >&2
    exit 1
fi
echo "wrote docs/{main-dialog,system-menu,about-box,files-chosen,converted}.png"
