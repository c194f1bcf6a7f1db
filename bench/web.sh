#!/usr/bin/env bash
# The page against the native converter: the 512 MiB recording converted to
# AVI and to MP4 by the page in headless Chromium and by veltrano-convert
# with FFmpeg linked in (build-bundled/), alternating, RUNS times each; then
# the memory of Chromium's renderer processes (page and worker) converting
# recordings of 64 MiB and 2.5 GiB, above the idle page. Run by hand, as root,
# after scripts/build-web.sh, with tests/web's npm packages installed (npm ci
# there); never by CI. Targets: AVI at most 4 times native, MP4 at most 2.5
# times; memory at most 300 MiB above the idle page at either size.
#
#   bench/web.sh                          # data in /tmp/veltrano-web-bench
#   BENCH_DIR=/tmp/b RUNS=5 bench/web.sh
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_DIR=${BENCH_DIR:-/tmp/veltrano-web-bench}
RUNS=${RUNS:-3}
site=build-web/site
[[ -f $site/index.html ]] || { echo "no page in $site: run scripts/build-web.sh" >&2; exit 1; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target veltrano-genrec -j"$(nproc)" >/dev/null
ffmpeg=$(bash scripts/build-ffmpeg.sh host)
cmake -S . -B build-bundled -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_FFMPEG=bundled \
    -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" >/dev/null
cmake --build build-bundled --target veltrano-convert -j"$(nproc)" >/dev/null
native=$PWD/build-bundled/cli/veltrano-convert

mkdir -p "$BENCH_DIR"
for size in 64M 512M 2560M; do
    [[ -s $BENCH_DIR/$size.264 ]] ||
        build/tools/recgen/veltrano-genrec --bytes "$size" "$BENCH_DIR/$size.264" >/dev/null
done

port=$((20000 + RANDOM % 20000))
bash scripts/serve-web.sh "$site" "$port" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
sleep 1
url=http://127.0.0.1:$port/

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "$(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; $(chromium --version 2>/dev/null)"
for format in avi mp4; do
    : >"$BENCH_DIR/native-$format" && : >"$BENCH_DIR/page-$format"
    for ((run = 0; run < RUNS; ++run)); do
        start=$(date +%s%N)
        "$native" -q -f --format "$format" -o "$BENCH_DIR/out.$format" "$BENCH_DIR/512M.264"
        awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }' \
            >>"$BENCH_DIR/native-$format"
        rm -f "$BENCH_DIR/out.$format"
        sync
        node bench/web_bench.mjs time "$url" "$BENCH_DIR/512M.264" "$format" 1 \
            >>"$BENCH_DIR/page-$format"
    done
    n=$(median <"$BENCH_DIR/native-$format")
    p=$(median <"$BENCH_DIR/page-$format")
    echo "512 MiB to $format: native $n s, page $p s (medians of $RUNS), page/native" \
        "$(awk -v p="$p" -v n="$n" 'BEGIN { printf "%.2f", p / n }')"
done
for size in 64M 2560M; do
    for format in avi mp4; do
        echo "memory, $size to $format: $(node bench/web_bench.mjs memory "$url" \
            "$BENCH_DIR/$size.264" "$format") MiB above the idle page"
    done
done
