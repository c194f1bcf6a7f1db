#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get as a user would, and
# checks the installed programs: the version, the man page, and a real
# conversion of a generated recording by /usr/bin/veltrano-convert. The
# package is removed again afterwards, pass or fail, leaving the machine as
# it was. As root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."

if dpkg-query -W -f='${Status}' veltrano 2>/dev/null | grep -q "install ok installed"; then
    echo "ci-deb: veltrano is already installed; this check installs and removes its own" \
        "copy, so remove that one first (apt-get remove veltrano)" >&2
    exit 1
fi

bash scripts/build-deb.sh
# man finds the installed page; minimal systems may lack it.
dpkg-query -W -f='${Status}' man-db 2>/dev/null | grep -q "install ok installed" || {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends man-db
}
deb=dist/veltrano_1.0.0_amd64.deb

work=$(mktemp -d)
cleanup() {
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq veltrano >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb"

/usr/bin/veltrano-convert --version
test -x /usr/bin/veltrano
test -f /usr/share/applications/veltrano.desktop
test -f /usr/share/icons/hicolor/32x32/apps/veltrano.png
man -w veltrano-convert

# A short recording with both kinds of chunk, converted by the installed
# program from a folder of its own.
build-deb/tools/recgen/veltrano-genrec --seconds 3 "$work/sample.264"
/usr/bin/veltrano-convert --quiet "$work/sample.264"
test -s "$work/sample.avi"
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/sample.avi")
if [[ $streams != $'video\naudio' ]]; then
    echo "ci-deb: expected a video and an audio stream, ffprobe read:" >&2
    printf '%s\n' "$streams" >&2
    exit 1
fi
echo "ci-deb: the installed package ran and converted; removing it"
