#!/usr/bin/env bash
# Builds the page that converts in the browser, as root on Debian 12: the
# conversion library compiled to WebAssembly with Debian's emscripten against
# the FFmpeg of scripts/build-ffmpeg.sh web, no threads. Makes
# dist/veltrano-web-VERSION.zip (the page, its worker, the WebAssembly, the
# licence files) with the FFmpeg source beside it, and leaves the unpacked
# page in BUILD/site/ for scripts/serve-web.sh.
#
#   bash scripts/build-web.sh [BUILD]     # default build-web
#   VELTRANO_WEB_FFMPEG=PREFIX bash scripts/build-web.sh   # with another FFmpeg build
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
apt_install_missing emscripten cmake pkg-config zip binutils xz-utils libcli11-dev
# Debian's emcc runs its JS tools with a Node.js that may not search
# Debian's own module folder.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# Another FFmpeg built with the same configure line may stand in for ours.
ffmpeg=${VELTRANO_WEB_FFMPEG:-$(bash scripts/build-ffmpeg.sh web)}
build=${1:-build-web}
# pkg-config reads that FFmpeg's .pc files and no others; emscripten's
# toolchain looks for libraries only in its own folders, so the linker is
# told where the libraries are.
PKG_CONFIG_LIBDIR=$ffmpeg/lib/pkgconfig PKG_CONFIG_PATH='' emcmake cmake -S . -B "$build" \
    -DCMAKE_BUILD_TYPE=Release -DVELTRANO_BUILD_TESTS=OFF -DVELTRANO_BUILD_GUI=OFF \
    -DCMAKE_EXE_LINKER_FLAGS="-L$ffmpeg/lib" >/dev/null
nice -n 10 cmake --build "$build" -j"$(nproc)" --target veltrano-core

name=veltrano-web-$VELTRANO_VERSION
site=$build/site
rm -rf "$site" "$build/pack"
mkdir -p "$site" "$build/pack" dist
for file in index.html page.js worker.js style.css sw.js manifest.webmanifest veltrano.svg \
    veltrano-128.png veltrano-256.png veltrano-core.js veltrano-core.wasm; do
    cp "$build/web/$file" "$site/"
done
licence_files "$site" "$ffmpeg" web
cp -r "$site" "$build/pack/$name"
zip=$PWD/dist/$name.zip
rm -f "$zip"
# Fixed times and order, so the same source makes the same zip.
find "$build/pack/$name" -exec touch -h -d "@$(git log -1 --format=%ct)" {} +
(cd "$build/pack" && find "$name" -print | LC_ALL=C sort | TZ=UTC zip -X -q -9 "$zip" -@)
licence_source "$zip"
echo "build-web: $zip ($(du -k "$zip" | cut -f1) KiB); the page is in $site"
