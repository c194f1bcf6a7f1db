#!/usr/bin/env bash
# The players' stage of CI, as root on Debian 12: converts a minute-long
# generated recording to MP4 with the native veltrano-convert (build/) and
# plays it where people watch video: headless Chromium from a local server
# that answers byte ranges (duration, picture size, a seek to 30 s, frames
# and sound after it) and GStreamer (duration and streams). The AVI of the
# same recording is offered to Chromium too, and what it does is printed as a
# fact. The checks are in scripts/players.sh; the files, the page's logs and
# Chromium's profiles are kept in build/players/.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
lap() { echo "== ci-players: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/install-deps.sh
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
apt_install_missing chromium python3 gstreamer1.0-tools gstreamer1.0-plugins-base-apps \
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
lap "packages"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target veltrano-convert veltrano-genrec
lap "native build"

work=build/players
seconds=60
rm -rf "$work"
mkdir -p "$work"
build/tools/recgen/veltrano-genrec --seconds "$seconds" --rate 25 "$work/minute.264"
build/cli/veltrano-convert --quiet --format mp4 -o "$work/minute.mp4" "$work/minute.264"
build/cli/veltrano-convert --quiet -o "$work/minute.avi" "$work/minute.264"
lap "recording and conversions"

# shellcheck source=scripts/players.sh
source scripts/players.sh
players_check "$work/check" "$seconds" "$work/minute.mp4" "$work/minute.avi"
lap "players"
