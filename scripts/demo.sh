#!/usr/bin/env bash
# The main job: on a fresh Debian 12 machine (as root) installs what is
# missing, builds the converter and the recording generator, makes a sample
# recording about a minute long and converts it to AVI.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target veltrano-convert veltrano-genrec -j"$(nproc)"

mkdir -p out
# Regenerated every time, so a changed generator never leaves a stale sample.
build/tools/recgen/veltrano-genrec --seconds 60 out/sample.264
# --force: the sample was just regenerated, so an earlier sample.avi is stale.
build/cli/veltrano-convert --force out/sample.264
echo "The AVI is at $(realpath out/sample.avi)"
