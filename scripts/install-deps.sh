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

# shellcheck source=scripts/apt-packages.sh
source "$(dirname "$0")/apt-packages.sh"
apt_install_missing "${packages[@]}"
