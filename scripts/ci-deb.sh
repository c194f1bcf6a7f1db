#!/usr/bin/env bash
# The Debian package's stage of CI, as root on Debian 12: builds the package
# (scripts/build-deb.sh) and checks it as Debian's own tools do, then
# installs it with apt-get as a user would and checks what it put on the
# system:
#   - lintian, pedantic tags included, finds nothing (it fails on any error
#     or warning; the rest is printed and fails too);
#   - hardening-check: PIE, stack protector, fortify, RELRO and BIND_NOW in
#     both programs (not control-flow protection: Debian 12's dpkg-buildflags
#     does not ask for it);
#   - desktop-file-validate on the desktop entry, appstreamcli validate on
#     the AppStream data (--no-net: its URLs are not fetched here), the icon
#     at every size of the theme, each PNG of its directory's size, and the
#     SVG;
#   - both man pages, the copyright file and the changelog;
#   - the version, and a real conversion of a generated recording by
#     /usr/bin/veltrano-convert;
#   - the recordings' MIME type, through xdg-mime as a desktop asks: a
#     generated recording is of it by its name and, renamed, by its content;
#     a plain H.264 stream is not; and the type opens with our desktop entry
#     (the databases rebuilt by dpkg's triggers, not by the package);
#   - the recording opened as a file manager opens it (gio launch, the entry's
#     Exec with the file for %f), on a virtual X screen: Save As offers its
#     name with .avi in its folder, and Start converts it.
# The package is removed again afterwards, pass or fail, leaving the machine
# as it was.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "ci-deb: $*" >&2
    exit 1
}
if dpkg-query -W -f='${Status}' veltrano 2>/dev/null | grep -q "install ok installed"; then
    fail "veltrano is already installed; this check installs and removes its own" \
        "copy, so remove that one first (apt-get remove veltrano)"
fi

started=$SECONDS
lap() { echo "== ci-deb: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/build-deb.sh
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# man finds the installed pages; minimal systems may lack it.
# shared-mime-info and desktop-file-utils first: their triggers then run when
# the package is installed, as on a desktop. xdg-mime asks File::MimeInfo for
# a file's type where no desktop runs; gio launches the desktop entry.
apt_install_missing lintian devscripts desktop-file-utils appstream man-db imagemagick file \
    shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin xvfb xdotool
deb=dist/veltrano_${VELTRANO_VERSION}_amd64.deb
lap "package built"

# Lintian complains about running as root, which CI is; that line is no tag.
lintian --fail-on error,warning,info,pedantic --pedantic --info --display-experimental \
    "$deb" 2> >(grep -v "running with root privileges" >&2) ||
    fail "lintian has the findings above on $deb"
lap "lintian"

work=$(mktemp -d)
dialog_pid=""
# shellcheck source=scripts/x-display.sh
source scripts/x-display.sh
cleanup() {
    [[ -z $dialog_pid ]] || kill "$dialog_pid" 2>/dev/null || true
    x_display_stop
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq veltrano >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null

hardening-check --nocfprotection /usr/bin/veltrano /usr/bin/veltrano-convert ||
    fail "a program lacks a hardening feature (above)"

id=org.veltrano.veltrano
desktop-file-validate "/usr/share/applications/$id.desktop" ||
    fail "the desktop entry is not valid (above)"
appstreamcli validate --no-net --pedantic "/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream data is not valid (above)"
grep -qx "Keywords=.*" "/usr/share/applications/$id.desktop" || fail "the desktop entry has no Keywords"
for side in 16 24 32 48 64 128 256; do
    icon=/usr/share/icons/hicolor/${side}x$side/apps/veltrano.png
    [[ -f $icon ]] || fail "no $icon"
    [[ $(identify -format '%wx%h' "$icon") == "${side}x$side" ]] ||
        fail "$icon is $(identify -format '%wx%h' "$icon"), not ${side}x$side"
done
svg=/usr/share/icons/hicolor/scalable/apps/veltrano.svg
[[ $(file -b --mime-type "$svg") == image/svg+xml ]] || fail "$svg is no SVG"
man -w veltrano veltrano-convert >/dev/null || fail "a man page is missing"
for doc in copyright changelog.gz; do
    [[ -s /usr/share/doc/veltrano/$doc ]] || fail "no /usr/share/doc/veltrano/$doc"
done

version=$(/usr/bin/veltrano-convert --version | head -n 1)
[[ $version == *" $VELTRANO_VERSION"* ]] ||
    fail "veltrano-convert --version says '$version', the package is $VELTRANO_VERSION"
[[ $(dpkg-query -W -f='${Version}' veltrano) == "$VELTRANO_VERSION" ]] ||
    fail "the installed package's version is not $VELTRANO_VERSION"
test -x /usr/bin/veltrano

# A short recording with both kinds of chunk, converted by the installed
# program from a folder of its own.
build-deb/tools/recgen/veltrano-genrec --seconds 3 "$work/sample.264"
/usr/bin/veltrano-convert --quiet "$work/sample.264"
test -s "$work/sample.avi"
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/sample.avi")
if [[ $streams != $'video\naudio' ]]; then
    printf '%s\n' "$streams" >&2
    fail "expected a video and an audio stream, ffprobe read the above"
fi
lap "installed package checked"

# The recordings' type: by name, by content under another name, not for a
# plain H.264 stream; opened with our entry.
type=video/x-veltrano-recording
[[ -f /usr/share/mime/packages/$id.xml ]] || fail "no /usr/share/mime/packages/$id.xml"
grep -qx "MimeType=$type;" "/usr/share/applications/$id.desktop" ||
    fail "the desktop entry does not list $type"
cp "$work/sample.264" "$work/camera-01"
ffmpeg -v error -i "$work/sample.avi" -map 0:v -c copy -f h264 "$work/stream"
for file in sample.264 camera-01; do
    found=$(xdg-mime query filetype "$work/$file")
    [[ $found == "$type" ]] || fail "$file is of type '$found', not $type"
done
found=$(xdg-mime query filetype "$work/stream")
[[ $found != "$type" ]] || fail "a plain H.264 stream is taken for a recording"
[[ $(xdg-mime query default "$type") == "$id.desktop" ]] ||
    fail "$type opens with '$(xdg-mime query default "$type")', not $id.desktop"

# Opened from a file manager: the desktop entry run for the recording.
recording="$work/camera 1.264"
mv "$work/camera-01" "$recording"
x_display_start 800x500 95 || fail "no X screen"
(unset QT_QPA_PLATFORM && cd / && gio launch "/usr/share/applications/$id.desktop" "$recording") ||
    fail "gio cannot launch $id.desktop"
main=$(window_named "$(veltrano_caption build-deb)") || fail "the dialog did not appear"
dialog_pid=$(xdotool getwindowpid "$main")
key_to "$main" alt+a
window_named "Save As" >/dev/null || fail "Save As did not open"
sleep 0.5
xdotool key Return
window_gone "Save As" || fail "Save As did not take the name it offered"
key_to "$main" alt+s
message=$(window_named veltrano) || fail "no message after Start"
[[ -s $work/camera\ 1.avi ]] || fail "Start did not convert the recording into camera 1.avi"
key_to "$message" Return
window_gone veltrano || fail "the message did not close"
key_to "$main" Escape
for _ in $(seq 50); do
    kill -0 "$dialog_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$dialog_pid" 2>/dev/null && fail "the dialog did not end on Esc"
dialog_pid=""
lap "MIME type and the dialog opened from a file manager"
echo "ci-deb: lintian, hardening, desktop entry, AppStream, icons, man pages, a conversion" \
    "by the installed $VELTRANO_VERSION, its MIME type and a recording opened from a file" \
    "manager: all passed; removing it"
