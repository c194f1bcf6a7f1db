#!/usr/bin/env bash
# Installs what building, testing and running Veltrano need on Debian 12.
# Run as root. Packages already present are left as they are.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git
    libavformat-dev libavcodec-dev libavutil-dev ffmpeg
    libgtest-dev libgmock-dev
    libcli11-dev
    clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-arphic-uming
    xvfb xauth
    xdotool imagemagick
    gstreamer1.0-tools gstreamer1.0-plugins-good
    python3 python3-pil
    time
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
