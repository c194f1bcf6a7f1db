#!/usr/bin/env bash
# The dialog program for Windows, run under Wine on a virtual X screen and
# worked as a user works it:
#   - the main dialog appears with its caption;
#   - Alt+Space opens the window's own system menu, whose last item opens the
#     About box;
#   - every text of both dialogs can be drawn in the font it is shown in (a
#     character without a glyph would show as '?');
#   - a generated recording converted through Open, Save As (which offers
#     the recording's name with .avi in its folder) and Start ends with
#     "Convert finished!" and gives the same AVI as the Linux converter, and
#     a name typed with .mp4 keeps it and gives an MP4;
#   - Alt+F4 during a second conversion stops the job, leaves no file
#     behind, and ends the program with status 0.
# Saves docs/windows-main.png, docs/windows-system-menu.png and
# docs/windows-about.png on the way.
#
#   scripts/ci-windows-dialog.sh [WIN_BUILD_DIR] [LINUX_BUILD_DIR]
#       (defaults build-win64 and build; the Linux build gives the recording
#       generator and the reference converter)
#
# First, without Wine: the executable's resources are all tagged Chinese
# (PRC), and its texts are stored as the right UTF-16.
#
# Fails, never skips, when something it needs is missing or Wine cannot start.
set -euo pipefail
cd "$(dirname "$0")/.."

win_build=${1:-build-win64}
linux_build=${2:-build}
program=$win_build/app/veltrano.exe
probe=$win_build/tests/dialog_win32/window-probe.exe
genrec=$linux_build/tools/recgen/veltrano-genrec
converter=$linux_build/cli/veltrano-convert

fail() {
    echo "ci-windows-dialog: $*" >&2
    exit 1
}
for built in "$program" "$probe" "$genrec" "$converter"; do
    [[ -f $built ]] || fail "$built: not built"
done
# shellcheck source=scripts/version.sh
source scripts/version.sh
main_caption=$(veltrano_caption "$win_build") || fail "no caption for the main dialog"
for tool in Xvfb xdotool import ffprobe iconv od x86_64-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null || fail "$tool: not installed"
done

# Dialogs, strings, icon, bitmap, version block and manifest: 0x804 each.
languages=$(x86_64-w64-mingw32-objdump -p "$program" |
    sed -n '/Resource Directory section/,/^$/p' | grep -A1 "Language Table" |
    sed -n 's/.*Entry: ID: \(0x[0-9a-f]*\),.*/\1/p' | sort | uniq -c | tr -s ' ')
[[ $languages == " 9 0x000804" ]] || fail "resource languages (count, id): $languages"
exe_hex=$(od -An -v -tx1 "$program" | tr -d ' \n')
for text in "关于 Veltrano(&A)..." "把 .264 录像转换为 AVI 文件" "Veltrano .264 录像到 AVI 转换程序" \
    "版权所有 (C) 2026 Veltrano 项目"; do
    needle=$(printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
    [[ $exe_hex == *"$needle"* ]] || fail "$program does not hold \"$text\" in UTF-16"
done
unset exe_hex

work=$(mktemp -d /tmp/veltrano-wine.XXXX)
program_pid=""
# shellcheck source=scripts/x-display.sh
source scripts/x-display.sh
cleanup() {
    [[ -z $program_pid ]] || kill "$program_pid" 2>/dev/null || true
    ! declare -F wine_env_stop >/dev/null || wine_env_stop
    x_display_stop
    rm -rf "$work"
}
trap cleanup EXIT

# The screen comes first: Wine's desktop process binds to it at boot.
x_display_start 1024x768 90 || fail "no X screen"

# English file dialogs, whatever the machine's locale.
export LC_ALL=C.UTF-8
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh "$win_build" || fail "Wine cannot start"
# No window manager runs here: Wine draws every window's frame and caption itself.
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "Wine cannot write its registry"

# The texts of the window titled $1, checked for glyphs; fails when one has none.
texts_of() {
    local texts
    texts=$("$WINE64" "$probe" "$1" </dev/null 2>&1) || {
        printf '%s\n' "$texts" >&2
        fail "\"$1\": a text cannot be drawn in its font"
    }
    printf '%s\n' "$texts" | tr -d '\r'
}
# Saves the screen's part from window $1's top left corner, $2 x $3 pixels.
shoot() {
    local X Y
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y)=')"
    import -window root -crop "$2x$3+$X+$Y" +repage "$4"
}
# The size of window $1, as "WIDTH HEIGHT".
size_of() {
    xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd ' '
}

mkdir -p docs
"$WINE64" "$program" </dev/null >"$work/program.log" 2>&1 &
program_pid=$!
main=$(window_named "$main_caption") || fail "the main dialog did not appear"
sleep 1 # the first paint
read -r main_width main_height < <(size_of "$main")
shoot "$main" "$main_width" "$main_height" docs/windows-main.png
texts_of "$main_caption" | grep -qx "Save &As" || fail "the main dialog's texts are not its own"

# The system menu is the window's own; under Wine it has an "About Wine"
# item, with the same mnemonic, just before ours, so ours is taken as the
# last item: Up from the first wraps to it.
key_to "$main" alt+space
sleep 1
# The menu reaches below the dialog.
shoot "$main" "$main_width" "$((main_height + 40))" docs/windows-system-menu.png
xdotool key Up
sleep 0.3
xdotool key Return
about=$(window_named "关于 Veltrano") || fail "the About box did not open"
sleep 1
about_texts=$(texts_of "关于 Veltrano")
for text in "Veltrano 1.0 版" "把 .264 录像转换为 AVI 文件" "确定"; do
    grep -qxF "$text" <<<"$about_texts" || fail "the About box does not show \"$text\""
done
read -r about_width about_height < <(size_of "$about")
shoot "$about" "$about_width" "$about_height" docs/windows-about.png
xdotool key Return
window_gone "关于 Veltrano" || fail "the About box did not close"

# A whole conversion, the files chosen in the file dialogs.
"$genrec" --frames 300 --seed 7 "$work/camera.264" >/dev/null
"$converter" -q -o "$work/linux.avi" "$work/camera.264" >/dev/null
key_to "$main" alt+o
answer_file_dialog "Open" "$(winepath_of "$work/camera.264")" || fail "Open"
key_to "$main" alt+a
# Save As opens in the recording's folder with its name and .avi filled in
# (selected, so the path typed next replaces it).
window_named "Save As" >/dev/null || fail "Save As did not open"
offered=false
for _ in $(seq 50); do
    saveas_texts=$(texts_of "Save As")
    grep -qxF "$(basename "$work")" <<<"$saveas_texts" && grep -qxF camera.avi <<<"$saveas_texts" &&
        { offered=true; break; }
    sleep 0.1
done
$offered || fail "Save As does not offer camera.avi in $(basename "$work"): $saveas_texts"
answer_file_dialog "Save As" "$(winepath_of "$work/camera")" || fail "Save As"
key_to "$main" alt+s
message=$(window_named "veltrano") || fail "the conversion ended with no message"
message_texts=$(texts_of "veltrano")
grep -qxF "Convert finished!" <<<"$message_texts" ||
    fail "the conversion ended with: $message_texts"
key_to "$message" Return
window_gone "veltrano" || fail "the message did not close"

[[ -s $work/camera.avi ]] || fail "Save As gave no camera.avi (the default extension)"
streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/camera.avi" | tr '\n' ' ')
[[ $streams == "h264 adpcm_ima_wav " ]] || fail "camera.avi holds streams: $streams"
cmp "$work/camera.avi" "$work/linux.avi" || fail "the AVI differs from the Linux converter's"

# A name typed with .mp4 keeps it, and gives an MP4.
key_to "$main" alt+a
answer_file_dialog "Save As" "$(winepath_of "$work/camera.mp4")" || fail "Save As"
key_to "$main" alt+s
message=$(window_named "veltrano") || fail "the MP4 conversion ended with no message"
grep -qxF "Convert finished!" <<<"$(texts_of "veltrano")" || fail "the MP4 conversion failed"
key_to "$message" Return
window_gone "veltrano" || fail "the message did not close"
streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/camera.mp4" | tr '\n' ' ')
[[ $streams == "h264 aac " ]] || fail "camera.mp4 holds streams: $streams"

# Alt+F4 while a job runs: the job stops, leaves no file, and the dialog
# closes. Copies of the recording one after another make a long one (each
# copy's header is skipped as bytes between chunks).
for _ in $(seq 60); do cat "$work/camera.264"; done >"$work/long.264"
key_to "$main" alt+o
answer_file_dialog "Open" "$(winepath_of "$work/long.264")" || fail "Open"
key_to "$main" alt+a
answer_file_dialog "Save As" "$(winepath_of "$work/long.avi")" || fail "Save As"
key_to "$main" alt+s
# Start is disabled while the job runs.
running=false
for _ in $(seq 100); do
    texts_of "$main_caption" | grep -qxF "[disabled] &Start" && { running=true; break; }
done
$running || fail "no job seen running"
key_to "$main" alt+F4
for _ in $(seq 300); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end on Alt+F4 during a job"
left=$(find "$work" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ')
[[ $left == "camera.264 camera.avi camera.mp4 linux.avi long.264 program.log " ]] ||
    fail "a stopped job left: $left"
status=0
wait "$program_pid" || status=$?
program_pid=""
((status == 0)) || fail "the program ended with status $status"
echo "ci-windows-dialog: resources, caption, system menu, About box, fonts, a conversion and a stopped one: all passed"
