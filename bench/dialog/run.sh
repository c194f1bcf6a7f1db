#!/usr/bin/env bash
# Builds and runs the dialog benchmark: a 512 MiB generated recording
# converted by the job alone and through the real main dialog (offscreen).
# Run by hand, never by CI.
#   bench/dialog/run.sh                        # build in build/, data in /tmp/veltrano-bench
#   BUILD_DIR=build-x BENCH_DIR=/tmp/b RUNS=7 bench/dialog/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

BUILD_DIR=${BUILD_DIR:-build}
BENCH_DIR=${BENCH_DIR:-/tmp/veltrano-bench}
RUNS=${RUNS:-9}
SIZE_MIB=${SIZE_MIB:-512}

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target veltrano_dialog_bench -j"$(nproc)" >/dev/null
exec "$BUILD_DIR/bench/dialog/veltrano_dialog_bench" --size "$SIZE_MIB" --runs "$RUNS" --dir "$BENCH_DIR"
