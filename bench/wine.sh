#!/usr/bin/env bash
# A 512 MiB conversion by the Windows converter under Wine, by the Linux
# converter, and `cat src > dst`, alternating, with the median of each. Run
# by hand after scripts/build-windows.sh; Wine is not Windows, so this says
# what Wine costs here, not how fast Windows would be.
#
#   bench/wine.sh                    # data in /tmp/veltrano-bench
#   BENCH_DIR=/tmp/b RUNS=7 bench/wine.sh
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_DIR=${BENCH_DIR:-/tmp/veltrano-bench}
RUNS=${RUNS:-5}
win=build-win64
[[ -x $win/cli/veltrano-convert.exe ]] || { echo "run scripts/build-windows.sh first" >&2; exit 1; }
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target veltrano-convert veltrano-genrec -j"$(nproc)" >/dev/null

mkdir -p "$BENCH_DIR/out"
big=$BENCH_DIR/bench-512M.264
[[ -s $big ]] || build/tools/recgen/veltrano-genrec --bytes 512M "$big" >&2
out=$(realpath "$BENCH_DIR/out")
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$win"
trap wine_env_stop EXIT
wine_big=$(winepath_of "$big")
wine_out=$(winepath_of "$out")

seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 </dev/null || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
run_windows() { "$WINE64" "$win/cli/veltrano-convert.exe" -q -f -o "$wine_out\\windows.avi" "$wine_big"; }
run_linux() { build/cli/veltrano-convert -q -f -o "$out/linux.avi" "$big"; }
run_cat() { cat "$big" >"$out/cat.264"; }
settle() { rm -f "$out"/*; sync; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cat "$big" >/dev/null # warm the page cache
declare -A times
for ((i = 0; i < RUNS; i++)); do
    for what in windows linux cat; do
        settle
        times[$what]+="$(seconds "run_$what") "
    done
done
settle
size_mb=$(($(stat -c %s "$big") / 1000000))
printf '%-34s %8s %10s\n' "512 MiB, median of $RUNS" seconds "MB/s"
for what in windows linux cat; do
    m=$(tr ' ' '\n' <<<"${times[$what]}" | grep . | median)
    label=$what
    [[ $what == windows ]] && label="veltrano-convert.exe under Wine"
    [[ $what == linux ]] && label="veltrano-convert (Linux)"
    [[ $what == cat ]] && label="cat"
    printf '%-34s %8.3f %10.0f\n' "$label" "$m" "$(awk -v s="$size_mb" -v t="$m" 'BEGIN { print s / t }')"
done
