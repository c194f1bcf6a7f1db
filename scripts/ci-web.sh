#!/usr/bin/env bash
# The browser's stage of CI, as root on Debian 12 with no display: builds the
# page (scripts/build-web.sh) and checks its zip's licence files; converts
# generated recordings with the native veltrano-convert on the bundled FFmpeg
# (the build ci-portable.sh makes, reused when there); then drives the page
# in headless Chromium and headless Firefox ESR with puppeteer-core
# (tests/web/web_test.mjs), served from 127.0.0.1 by scripts/serve-web.sh:
# the page's downloads must be the native files byte for byte. The 2.5 GiB
# recording and the timings are bench/web.sh's, not CI's.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
lap() { echo "== ci-web: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/install-deps.sh
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
apt_install_missing chromium firefox-esr python3 unzip help2man
# Debian's npm comes with its nodejs; a Node.js from elsewhere brings its own.
command -v npm >/dev/null || apt_install_missing npm
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
lap "packages"

bash scripts/build-web.sh build-web
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
licence_check "dist/veltrano-web-$VELTRANO_VERSION.zip" index.html worker.js \
    veltrano-core.wasm LICENSE THIRD-PARTY.md licences/FFmpeg-COPYING.LGPLv2.1 \
    licences/FFmpeg-build.txt
lap "web build"

# The native side: the generator on Debian's FFmpeg, the converter on the
# bundled one, configured as ci-portable.sh does so its tree is shared.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target veltrano-genrec
ffmpeg=$(bash scripts/build-ffmpeg.sh host)
cmake -S . -B build-bundled -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_FFMPEG=bundled \
    -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" -DVELTRANO_MAN_PAGE=ON >/dev/null
cmake --build build-bundled -j"$(nproc)" --target veltrano-convert
lap "native build"

work=$PWD/build-web/check
rm -rf "$work"
mkdir -p "$work"
genrec=$PWD/build/tools/recgen/veltrano-genrec
convert=$PWD/build-bundled/cli/veltrano-convert
"$genrec" --seconds 60 --rate 25 "$work/minute.264"
"$genrec" --seconds 20 --no-header-rate --garbage-every 40 --garbage-bytes 700 \
    --bogus-length-at 90 --truncate-last "$work/damaged.264"
# The first key frame damaged: the MP4 starts at the second.
"$genrec" --seconds 10 --bogus-length-at 0 "$work/late-key.264"
"$genrec" --seconds 10 --no-audio "$work/silent.264"
"$genrec" --bytes 256M "$work/long.264"
seq 1 50000 >"$work/nonrec.bin"
(
    cd "$work"
    for f in minute damaged late-key silent; do
        "$convert" -q -o "$f.avi" "$f.264"
        "$convert" -q --format mp4 -o "$f.mp4" "$f.264"
    done
    if "$convert" -q -o nonrec.avi nonrec.bin 2>nonrec.err; then
        echo "ci-web: the native converter took nonrec.bin for a recording" >&2
        exit 1
    fi
)
lap "recordings"

# A server of its own for each browser: the test stops it to see the page
# open and convert with the network gone.
status=0
for browser in chromium firefox; do
    port=$((20000 + RANDOM % 20000))
    bash scripts/serve-web.sh build-web/site "$port" >>"$work/server.log" 2>&1 &
    server=$!
    trap 'kill "$server" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        python3 -c "import urllib.request as u; u.urlopen('http://127.0.0.1:$port/')" \
            2>/dev/null && break
        sleep 0.2
    done
    node tests/web/web_test.mjs "$browser" "http://127.0.0.1:$port/" "$work" "$server" || status=1
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    lap "$browser"
done
exit "$status"
