#!/usr/bin/env bash
# Benchmark of veltrano-convert against `cat src > dst` (the read-and-write
# limit) and `ffmpeg -f h264 -c copy` (what a user would otherwise try; it
# keeps no audio). Run by hand, never by CI.
#
# GNU cat (coreutils >= 9) copies with copy_file_range, inside the kernel; a
# dd row shows the same copy through user space with plain read and write,
# the way any converter has to move the bytes. It is for reference only: the
# target ratio is against cat.
#
#   bench/run.sh                     # build in build/, data in /tmp/veltrano-bench
#   BUILD_DIR=build-x BENCH_DIR=/tmp/b RUNS=7 bench/run.sh
#
# The recordings are made by the generator once and reused. Every command runs
# on the same file with a warm page cache; writes are synced between runs
# (outside the timing) so one run's dirty pages do not slow the next.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
BENCH_DIR=${BENCH_DIR:-/tmp/veltrano-bench}
RUNS=${RUNS:-5}
((RUNS >= 5)) || { echo "RUNS must be at least 5" >&2; exit 2; }
for tool in ffmpeg /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target veltrano-convert veltrano-genrec -j"$(nproc)" >/dev/null
convert=$(realpath "$BUILD_DIR/cli/veltrano-convert")
genrec=$(realpath "$BUILD_DIR/tools/recgen/veltrano-genrec")

mkdir -p "$BENCH_DIR"
big=$BENCH_DIR/bench-512M.264
small=$BENCH_DIR/bench-64M.264
tiny=$BENCH_DIR/bench-1M.264
[[ -s $big ]] || "$genrec" --size 512M "$big" >&2
[[ -s $small ]] || "$genrec" --size 64M "$small" >&2
[[ -s $tiny ]] || "$genrec" --size 1M "$tiny" >&2
out=$BENCH_DIR/out
mkdir -p "$out"

# Wall seconds of one command (its stdout and stderr discarded).
seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
run_convert() { "$convert" -q -f "$1" -o "$out/convert.avi"; }
run_cat() { cat "$1" >"$out/cat.264"; }
run_dd() { dd if="$1" of="$out/dd.264" bs=256K status=none; }
run_ffmpeg() { ffmpeg -nostdin -v error -y -f h264 -i "$1" -c copy "$out/ffmpeg.mkv"; }
settle() { rm -f "$out"/*; sync; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minmax() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.3f–%.3f", lo, hi }'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Warm the page cache with both files so the first timed run is not the
# only one reading from disk.
cat "$big" "$small" >/dev/null

declare -a t_convert t_cat t_dd t_ffmpeg r_cat r_dd r_ffmpeg r_ffcat t_small t_start
for ((i = 0; i < RUNS; i++)); do
    echo "round $((i + 1))/$RUNS" >&2
    settle; t_convert[i]=$(seconds run_convert "$big")
    settle; t_cat[i]=$(seconds run_cat "$big")
    settle; t_dd[i]=$(seconds run_dd "$big")
    settle; t_ffmpeg[i]=$(seconds run_ffmpeg "$big")
    settle; t_small[i]=$(seconds run_convert "$small")
    settle; t_start[i]=$(seconds run_convert "$tiny")
    r_cat[i]=$(div "${t_convert[i]}" "${t_cat[i]}")
    r_dd[i]=$(div "${t_convert[i]}" "${t_dd[i]}")
    r_ffmpeg[i]=$(div "${t_convert[i]}" "${t_ffmpeg[i]}")
    r_ffcat[i]=$(div "${t_ffmpeg[i]}" "${t_cat[i]}")
done
settle

# Peak resident memory in MiB of one conversion.
peak_mib() {
    /usr/bin/time -v "$convert" -q -f "$1" -o "$out/convert.avi" 2>&1 >/dev/null |
        awk -F: '/Maximum resident set size/ { printf "%.1f\n", $2 / 1024 }'
}
mem_small=$(peak_mib "$small"); settle
mem_big=$(peak_mib "$big"); settle

med() { printf '%s\n' "$@" | median; }
m_convert=$(med "${t_convert[@]}")
m_cat=$(med "${t_cat[@]}")
m_dd=$(med "${t_dd[@]}")
m_ffmpeg=$(med "${t_ffmpeg[@]}")
m_small=$(med "${t_small[@]}")
m_start=$(med "${t_start[@]}")
size_big=$(stat -c %s "$big")
size_small=$(stat -c %s "$small")
mbps() { awk -v b="$size_big" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }
ratio_cat=$(med "${r_cat[@]}")
ratio_dd=$(med "${r_dd[@]}")
ratio_ffmpeg=$(med "${r_ffmpeg[@]}")
ratio_ffcat=$(med "${r_ffcat[@]}")
size_ratio=$(div "$size_big" "$size_small")
time_ratio=$(div "$m_convert" "$m_small")
# Start-up (loading libavformat and its ~130 libraries, opening the muxer)
# costs the same at any size; a 1 MiB conversion measures it. Without it the
# ratio shows how the work itself grows.
size_tiny=$(stat -c %s "$tiny")
work_ratio=$(awk -v b="$m_convert" -v s="$m_small" -v z="$m_start" 'BEGIN { printf "%.2f", (b - z) / (s - z) }')
work_size_ratio=$(awk -v b="$size_big" -v s="$size_small" -v z="$size_tiny" 'BEGIN { printf "%.2f", (b - z) / (s - z) }')
mem_diff=$(awk -v a="$mem_big" -v b="$mem_small" 'BEGIN { d = a - b; printf "%.1f", d < 0 ? -d : d }')
verdict() { awk -v v="$1" -v max="$2" 'BEGIN { print (v <= max) ? "met" : "MISSED" }'; }
linear=$(awk -v t="$work_ratio" -v s="$work_size_ratio" 'BEGIN { d = t / s; print (d >= 0.85 && d <= 1.15) ? "met" : "MISSED" }')

cat <<TABLE

Machine: $(nproc) cores, $(lscpu | awk -F': *' '/Model name/ { print $2; exit }'), $(free -g | awk '/Mem:/ { print $2 " GiB RAM" }'), data on $(findmnt -n -o SOURCE,FSTYPE -T "$BENCH_DIR" | tr -s ' ') (rotational: $(lsblk -n -d -o ROTA "$(findmnt -n -o SOURCE -T "$BENCH_DIR")" 2>/dev/null | tr -d ' ' || echo '?'))
Recording: $(awk -v b="$size_big" 'BEGIN { printf "%.1f MiB", b / 1048576 }') from veltrano-genrec; $RUNS alternating runs each, warm page cache.

| Command (512 MiB recording)                 | Median s | Range s | MB/s |
|---------------------------------------------|---------:|--------:|-----:|
| veltrano-convert                            | $(printf %.3f "$m_convert") | $(printf '%s\n' "${t_convert[@]}" | minmax) | $(mbps "$m_convert") |
| cat src > dst                               | $(printf %.3f "$m_cat") | $(printf '%s\n' "${t_cat[@]}" | minmax) | $(mbps "$m_cat") |
| dd bs=256K (reference: through user space) | $(printf %.3f "$m_dd") | $(printf '%s\n' "${t_dd[@]}" | minmax) | $(mbps "$m_dd") |
| ffmpeg -f h264 -i src -c copy out.mkv       | $(printf %.3f "$m_ffmpeg") | $(printf '%s\n' "${t_ffmpeg[@]}" | minmax) | $(mbps "$m_ffmpeg") |
| veltrano-convert, 64 MiB recording          | $(printf %.3f "$m_small") | $(printf '%s\n' "${t_small[@]}" | minmax) | $(awk -v b="$size_small" -v s="$m_small" 'BEGIN { printf "%.0f", b / s / 1e6 }') |
| veltrano-convert, 1 MiB recording (start-up) | $(printf %.3f "$m_start") | $(printf '%s\n' "${t_start[@]}" | minmax) | – |

| Measure                                     | Value | Target | |
|---------------------------------------------|------:|-------:|-|
| veltrano-convert / cat (median of ratios)   | $ratio_cat | ≤ 1.5 | $(verdict "$ratio_cat" 1.5) |
| veltrano-convert / dd (reference)           | $ratio_dd | – | |
| veltrano-convert / ffmpeg                   | $ratio_ffmpeg | – | |
| ffmpeg / cat                                | $ratio_ffcat | – | |
| Peak memory, 64 MiB recording               | $mem_small MiB | ≤ 32 MiB | $(verdict "$mem_small" 32) |
| Peak memory, 512 MiB recording              | $mem_big MiB | ≤ 32 MiB | $(verdict "$mem_big" 32) |
| Peak memory difference                      | $mem_diff MiB | ≤ 4 MiB | $(verdict "$mem_diff" 4) |
| Time 512 MiB / 64 MiB                       | $time_ratio | size ratio $size_ratio | |
| Same, 1 MiB time and size subtracted        | $work_ratio | ≈ $work_size_ratio (±15 %) | $linear |
TABLE
