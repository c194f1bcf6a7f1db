#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan on) and runs each
# for FUZZ_SECONDS (60 by default) from a seed corpus our generator makes.
# A crash, hang, leak or failed check stops the run with the input saved
# under build-fuzz/fuzz-artifacts/; keep it under tests/fuzz/regressions/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

seconds=${FUZZ_SECONDS:-60}
build="build-fuzz"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELTRANO_BUILD_GUI=OFF -DVELTRANO_FUZZ=ON
cmake --build "$build" --target fuzz_tag_search fuzz_conversion veltrano-genrec -j"$(nproc)"

seeds=$build/fuzz-seeds
rm -rf "$seeds"
bash tests/fuzz/make_seed_corpus.sh "$build/tools/recgen/veltrano-genrec" "$seeds"

mkdir -p "$build/fuzz-artifacts"
for target in tag_search conversion; do
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
    echo "== fuzz_$target for ${seconds} s"
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/$target-" \
        "$corpus" "$seeds/$target" tests/fuzz/regressions/"$target"
done
