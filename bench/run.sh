#!/usr/bin/env bash
# Benchmark of veltrano-convert, built both ways side by side (on Debian's
# shared FFmpeg, and with the minimal FFmpeg linked in: -DVELTRANO_FFMPEG=
# bundled), against `cat src > dst` (the read-and-write limit) and `ffmpeg -f
# h264 -c copy` (what a user would otherwise try; it keeps no audio). Run by
# hand, as root (the bundled FFmpeg is built once by scripts/build-ffmpeg.sh
# host), never by CI.
#
# GNU cat (coreutils >= 9) copies with copy_file_range, inside the kernel; a
# dd row shows the same copy through user space with plain read and write,
# the way any converter has to move the bytes. It is for reference only: the
# target ratio is against cat.
#
#   bench/run.sh          # builds in build/ and build-bundled/, data in /tmp/veltrano-bench
#   BUILD_DIR=build-x BUNDLED_DIR=build-y BENCH_DIR=/tmp/b RUNS=7 bench/run.sh
#   bench/run.sh jobs     # only the -j rows, on Debian's FFmpeg (build/ alone)
#   bench/run.sh mp4      # only the MP4 rows
#
# The MP4 rows convert the 512 MiB recording to MP4 with both builds, against
# the two-step route a user has without Veltrano's MP4: our AVI, then
# `ffmpeg -i x.avi -c:v copy -c:a aac -movflags +faststart x.mp4`. The target
# is at most 0.35 times the two steps' time, and at most twice the AVI
# conversion's peak memory.
#
# The -j rows convert four 64 MiB recordings to MP4, whose sound is encoded
# on a core of its own per file, with -j 1 and with -j 2 in the same rounds;
# on two cores -j 2 should bring at least 1.7 times the throughput.
#
# The recordings are made by the generator once and reused. Every command runs
# on the same file with a warm page cache; writes are synced between runs
# (outside the timing) so one run's dirty pages do not slow the next. Both
# builds run in every round, so a machine busy for a while slows both alike.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
BUNDLED_DIR=${BUNDLED_DIR:-build-bundled}
BENCH_DIR=${BENCH_DIR:-/tmp/veltrano-bench}
RUNS=${RUNS:-5}
PART=${1:-all}
((RUNS >= 5)) || { echo "RUNS must be at least 5" >&2; exit 2; }
[[ $PART == all || $PART == jobs || $PART == mp4 ]] ||
    { echo "usage: bench/run.sh [all|jobs|mp4]" >&2; exit 2; }
for tool in ffmpeg /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_FFMPEG=system >/dev/null
cmake --build "$BUILD_DIR" --target veltrano-convert veltrano-genrec -j"$(nproc)" >/dev/null
system=$(realpath "$BUILD_DIR/cli/veltrano-convert")
genrec=$(realpath "$BUILD_DIR/tools/recgen/veltrano-genrec")
mkdir -p "$BENCH_DIR"
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
settle() { rm -f "$out"/*; sync; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minmax() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.3f–%.3f", lo, hi }'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
med() { printf '%s\n' "$@" | median; }
mbps() { awk -v b="$2" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }
# One table row: label, then the run times; median, range and MB/s of SIZE.
row() {
    local label=$1 size=$2 m
    shift 2
    m=$(med "$@")
    printf '| %-44s | %.3f | %s | %s |\n' "$label" "$m" "$(printf '%s\n' "$@" | minmax)" \
        "$(if [[ $size == - ]]; then echo –; else mbps "$m" "$size"; fi)"
}
machine() {
    echo "Machine: $(nproc) cores, $(lscpu | awk -F': *' '/Model name/ { print $2; exit }'), $(free -g | awk '/Mem:/ { print $2 " GiB RAM" }'), data on $(findmnt -n -o SOURCE,FSTYPE -T "$BENCH_DIR" | tr -s ' ') (rotational: $(lsblk -n -d -o ROTA "$(findmnt -n -o SOURCE -T "$BENCH_DIR")" 2>/dev/null | tr -d ' ' || echo '?'))"
    echo "Load before the runs: $(uptime | sed 's/.*load average/load average/')"
}

# The -j rows: the same four recordings with one job at a time and with two
# at once, alternating in every round, so a busy spell slows both alike.
jobs_rows() {
    local -a batch t_j1 t_j2 r_j
    local i size=0
    for i in 1 2 3 4; do
        batch+=("$BENCH_DIR/bench-64M-$i.264")
        [[ -s ${batch[-1]} ]] || "$genrec" --bytes 64M --seed "$i" "${batch[-1]}" >&2
        size=$((size + $(stat -c %s "${batch[-1]}")))
    done
    cat "${batch[@]}" >/dev/null
    for ((i = 0; i < RUNS; i++)); do
        echo "-j round $((i + 1))/$RUNS" >&2
        settle; t_j1[i]=$(seconds "$system" -q -f --format mp4 -j 1 -d "$out" "${batch[@]}")
        settle; t_j2[i]=$(seconds "$system" -q -f --format mp4 -j 2 -d "$out" "${batch[@]}")
        r_j[i]=$(div "${t_j1[i]}" "${t_j2[i]}")
    done
    settle
    local ratio
    ratio=$(med "${r_j[@]}")
    cat <<TABLE

4 recordings of $(awk -v b="$size" 'BEGIN { printf "%.1f MiB", b / 4 / 1048576 }') each to MP4, Debian's FFmpeg; $RUNS alternating runs each, warm page cache.

| Command                                      | Median s | Range s | MB/s |
|----------------------------------------------|---------:|--------:|-----:|
$(row "4 × 64 MiB to MP4, -j 1" "$size" "${t_j1[@]}")
$(row "4 × 64 MiB to MP4, -j 2" "$size" "${t_j2[@]}")

| Measure                                       | Value | Target | |
|-----------------------------------------------|------:|-------:|-|
| Throughput -j 2 / -j 1 (median of ratios)     | $ratio | ≥ 1.7 on 2 cores | $(awk -v v="$ratio" 'BEGIN { print (v >= 1.7) ? "met" : "MISSED" }') |
TABLE
}

if [[ $PART == jobs ]]; then
    machine
    jobs_rows
    exit 0
fi

ffmpeg_prefix=$(bash scripts/build-ffmpeg.sh host)
cmake -S . -B "$BUNDLED_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_FFMPEG=bundled \
    -DVELTRANO_FFMPEG_PREFIX="$ffmpeg_prefix" >/dev/null
cmake --build "$BUNDLED_DIR" --target veltrano-convert -j"$(nproc)" >/dev/null
bundled=$(realpath "$BUNDLED_DIR/cli/veltrano-convert")

# The MP4 rows: both builds to MP4 and the two-step route, in the same
# rounds; the two steps' time is the AVI conversion's plus ffmpeg's.
mp4_rows() {
    local -a s_mp4 b_mp4 t_avi t_ff t_two r_s r_b
    local i big=$BENCH_DIR/bench-512M.264
    [[ -s $big ]] || "$genrec" --bytes 512M "$big" >&2
    cat "$big" >/dev/null
    for ((i = 0; i < RUNS; i++)); do
        echo "MP4 round $((i + 1))/$RUNS" >&2
        settle; s_mp4[i]=$(seconds "$system" -q -f -o "$out/ours.mp4" "$big")
        settle; b_mp4[i]=$(seconds "$bundled" -q -f -o "$out/ours.mp4" "$big")
        settle; t_avi[i]=$(seconds "$system" -q -f -o "$out/step1.avi" "$big")
        t_ff[i]=$(seconds ffmpeg -nostdin -v error -y -i "$out/step1.avi" -c:v copy -c:a aac \
            -movflags +faststart "$out/step2.mp4")
        t_two[i]=$(awk -v a="${t_avi[i]}" -v b="${t_ff[i]}" 'BEGIN { printf "%.4f", a + b }')
        r_s[i]=$(div "${s_mp4[i]}" "${t_two[i]}")
        r_b[i]=$(div "${b_mp4[i]}" "${t_two[i]}")
    done
    settle
    local mem_avi mem_mp4 mem_ratio s_ratio b_ratio size
    mem_avi=$(/usr/bin/time -f %M "$system" -q -f -o "$out/m.avi" "$big" 2>&1 >/dev/null | tail -1)
    mem_mp4=$(/usr/bin/time -f %M "$system" -q -f -o "$out/m.mp4" "$big" 2>&1 >/dev/null | tail -1)
    settle
    mem_ratio=$(div "$mem_mp4" "$mem_avi")
    s_ratio=$(med "${r_s[@]}")
    b_ratio=$(med "${r_b[@]}")
    size=$(stat -c %s "$big")
    cat <<TABLE

$(awk -v b="$size" 'BEGIN { printf "%.1f MiB", b / 1048576 }') recording to MP4; $RUNS alternating runs each, warm page cache.

| Command                                      | Median s | Range s | MB/s |
|----------------------------------------------|---------:|--------:|-----:|
$(row "veltrano-convert to MP4, Debian's FFmpeg" "$size" "${s_mp4[@]}")
$(row "veltrano-convert to MP4, FFmpeg linked in" "$size" "${b_mp4[@]}")
$(row "step 1: veltrano-convert to AVI" "$size" "${t_avi[@]}")
$(row "step 2: ffmpeg -c:v copy -c:a aac +faststart" "$size" "${t_ff[@]}")
$(row "both steps" "$size" "${t_two[@]}")

| Measure                                       | Value | Target | |
|-----------------------------------------------|------:|-------:|-|
| MP4 / two steps, Debian's FFmpeg (median of ratios) | $s_ratio | ≤ 0.35 | $(verdict "$s_ratio" 0.35) |
| MP4 / two steps, FFmpeg linked in             | $b_ratio | ≤ 0.35 | $(verdict "$b_ratio" 0.35) |
| Peak memory, MP4 / AVI (Debian's FFmpeg)      | $mem_ratio ($(awk -v k="$mem_mp4" 'BEGIN { printf "%.1f", k / 1024 }') / $(awk -v k="$mem_avi" 'BEGIN { printf "%.1f", k / 1024 }') MiB) | ≤ 2 | $(verdict "$mem_ratio" 2) |
TABLE
}
verdict() { awk -v v="$1" -v max="$2" 'BEGIN { print (v <= max) ? "met" : "MISSED" }'; }

if [[ $PART == mp4 ]]; then
    machine
    mp4_rows
    exit 0
fi

big=$BENCH_DIR/bench-512M.264
small=$BENCH_DIR/bench-64M.264
medium=$BENCH_DIR/bench-16M.264
tiny=$BENCH_DIR/bench-1M.264
[[ -s $big ]] || "$genrec" --bytes 512M "$big" >&2
[[ -s $small ]] || "$genrec" --bytes 64M "$small" >&2
[[ -s $medium ]] || "$genrec" --bytes 16M "$medium" >&2
[[ -s $tiny ]] || "$genrec" --bytes 1M "$tiny" >&2

run_convert() { "$1" -q -f "$2" -o "$out/convert.avi"; }
run_cat() { cat "$1" >"$out/cat.264"; }
run_dd() { dd if="$1" of="$out/dd.264" bs=256K status=none; }
run_ffmpeg() { ffmpeg -nostdin -v error -y -f h264 -i "$1" -c copy "$out/ffmpeg.mkv"; }

# Warm the page cache with the files so the first timed run is not the only
# one reading from disk.
cat "$big" "$small" "$medium" "$tiny" >/dev/null

# s_ and b_: the converter on Debian's FFmpeg and with FFmpeg linked in.
declare -a s_big b_big t_cat t_dd t_ffmpeg s_small b_small s_tiny b_tiny t_cat_tiny
declare -a s_r_cat b_r_cat s_r_dd b_r_dd s_r_ffmpeg b_r_ffmpeg r_ffcat s_r_tiny b_r_tiny
for ((i = 0; i < RUNS; i++)); do
    echo "round $((i + 1))/$RUNS" >&2
    settle; s_big[i]=$(seconds run_convert "$system" "$big")
    settle; b_big[i]=$(seconds run_convert "$bundled" "$big")
    settle; t_cat[i]=$(seconds run_cat "$big")
    settle; t_dd[i]=$(seconds run_dd "$big")
    settle; t_ffmpeg[i]=$(seconds run_ffmpeg "$big")
    settle; s_small[i]=$(seconds run_convert "$system" "$small")
    settle; b_small[i]=$(seconds run_convert "$bundled" "$small")
    settle; s_tiny[i]=$(seconds run_convert "$system" "$tiny")
    settle; b_tiny[i]=$(seconds run_convert "$bundled" "$tiny")
    settle; t_cat_tiny[i]=$(seconds run_cat "$tiny")
    s_r_cat[i]=$(div "${s_big[i]}" "${t_cat[i]}")
    b_r_cat[i]=$(div "${b_big[i]}" "${t_cat[i]}")
    s_r_dd[i]=$(div "${s_big[i]}" "${t_dd[i]}")
    b_r_dd[i]=$(div "${b_big[i]}" "${t_dd[i]}")
    s_r_ffmpeg[i]=$(div "${s_big[i]}" "${t_ffmpeg[i]}")
    b_r_ffmpeg[i]=$(div "${b_big[i]}" "${t_ffmpeg[i]}")
    r_ffcat[i]=$(div "${t_ffmpeg[i]}" "${t_cat[i]}")
    s_r_tiny[i]=$(div "${s_tiny[i]}" "${t_cat_tiny[i]}")
    b_r_tiny[i]=$(div "${b_tiny[i]}" "${t_cat_tiny[i]}")
done
settle

# Peak resident memory in MiB of one conversion.
peak_mib() {
    /usr/bin/time -f %M "$1" -q -f "$2" -o "$out/convert.avi" 2>&1 >/dev/null |
        awk 'END { printf "%.1f\n", $1 / 1024 }'
    settle
}
s_mem_medium=$(peak_mib "$system" "$medium")
b_mem_medium=$(peak_mib "$bundled" "$medium")
s_mem_big=$(peak_mib "$system" "$big")
b_mem_big=$(peak_mib "$bundled" "$big")

size_big=$(stat -c %s "$big")
size_small=$(stat -c %s "$small")
size_tiny=$(stat -c %s "$tiny")
# Start-up (loading the libraries, opening the muxer) costs the same at any
# size; a 1 MiB conversion measures it. Without it the ratio of the 512 and
# 64 MiB times shows how the work itself grows.
work_ratio() {
    awk -v b="$(med "${!1}")" -v s="$(med "${!2}")" -v z="$(med "${!3}")" \
        'BEGIN { printf "%.2f", (b - z) / (s - z) }'
}
work_size_ratio=$(awk -v b="$size_big" -v s="$size_small" -v z="$size_tiny" 'BEGIN { printf "%.2f", (b - z) / (s - z) }')
linear() { awk -v t="$1" -v s="$work_size_ratio" 'BEGIN { d = t / s; print (d >= 0.85 && d <= 1.15) ? "met" : "MISSED" }'; }
s_work=$(work_ratio 's_big[@]' 's_small[@]' 's_tiny[@]')
b_work=$(work_ratio 'b_big[@]' 'b_small[@]' 'b_tiny[@]')
s_time_ratio=$(div "$(med "${s_big[@]}")" "$(med "${s_small[@]}")")
b_time_ratio=$(div "$(med "${b_big[@]}")" "$(med "${b_small[@]}")")
s_ratio_cat=$(med "${s_r_cat[@]}")
b_ratio_cat=$(med "${b_r_cat[@]}")
s_ratio_tiny=$(med "${s_r_tiny[@]}")
b_ratio_tiny=$(med "${b_r_tiny[@]}")
s_mem_growth=$(awk -v a="$s_mem_big" -v b="$s_mem_medium" 'BEGIN { printf "%.1f", a - b }')
b_mem_growth=$(awk -v a="$b_mem_big" -v b="$b_mem_medium" 'BEGIN { printf "%.1f", a - b }')
both() { echo "$(verdict "$1" "$2"), $(verdict "$3" "$4")"; }

cat <<TABLE

$(machine)
Recording: $(awk -v b="$size_big" 'BEGIN { printf "%.1f MiB", b / 1048576 }') from veltrano-genrec; $RUNS alternating runs each, warm page cache.
Debian's FFmpeg: $("$system" --version | sed -n 's/^FFmpeg //p'), shared; linked in: $("$bundled" --version | sed -n 's/^FFmpeg //p'), static.

| Command                                      | Median s | Range s | MB/s |
|----------------------------------------------|---------:|--------:|-----:|
$(row "veltrano-convert, Debian's FFmpeg" "$size_big" "${s_big[@]}")
$(row "veltrano-convert, FFmpeg linked in" "$size_big" "${b_big[@]}")
$(row "cat src > dst" "$size_big" "${t_cat[@]}")
$(row "dd bs=256K (reference: through user space)" "$size_big" "${t_dd[@]}")
$(row "ffmpeg -f h264 -i src -c copy out.mkv" "$size_big" "${t_ffmpeg[@]}")
$(row "64 MiB recording, Debian's FFmpeg" "$size_small" "${s_small[@]}")
$(row "64 MiB recording, FFmpeg linked in" "$size_small" "${b_small[@]}")
$(row "1 MiB recording (start-up), Debian's FFmpeg" - "${s_tiny[@]}")
$(row "1 MiB recording (start-up), FFmpeg linked in" - "${b_tiny[@]}")
$(row "cat of the 1 MiB recording" - "${t_cat_tiny[@]}")

| Measure (512 MiB unless said)             | Debian's FFmpeg | Linked in | Target (Debian's, linked in) | |
|-------------------------------------------|------:|------:|-------:|-|
| veltrano-convert / cat (median of ratios) | $s_ratio_cat | $b_ratio_cat | ≤ 1.5, ≤ 1.25 | $(both "$s_ratio_cat" 1.5 "$b_ratio_cat" 1.25) |
| veltrano-convert / dd (reference)         | $(med "${s_r_dd[@]}") | $(med "${b_r_dd[@]}") | – | |
| veltrano-convert / ffmpeg                 | $(med "${s_r_ffmpeg[@]}") | $(med "${b_r_ffmpeg[@]}") | – | |
| ffmpeg / cat                              | $(med "${r_ffcat[@]}") | – | – | |
| 1 MiB conversion / cat of 1 MiB           | $s_ratio_tiny | $b_ratio_tiny | –, ≤ 3 | –, $(verdict "$b_ratio_tiny" 3) |
| Peak memory, 16 MiB recording             | $s_mem_medium MiB | $b_mem_medium MiB | ≤ 32, ≤ 12 MiB | $(both "$s_mem_medium" 32 "$b_mem_medium" 12) |
| Peak memory, 512 MiB recording            | $s_mem_big MiB | $b_mem_big MiB | ≤ 32, ≤ 12 MiB | $(both "$s_mem_big" 32 "$b_mem_big" 12) |
| Peak memory growth, 16 to 512 MiB         | $s_mem_growth MiB | $b_mem_growth MiB | ≤ 4 MiB | $(both "$s_mem_growth" 4 "$b_mem_growth" 4) |
| Time 512 MiB / 64 MiB                     | $s_time_ratio | $b_time_ratio | size ratio $(div "$size_big" "$size_small") | |
| Same, 1 MiB time and size subtracted      | $s_work | $b_work | ≈ $work_size_ratio (±15 %) | $(linear "$s_work"), $(linear "$b_work") |
TABLE
mp4_rows
jobs_rows
