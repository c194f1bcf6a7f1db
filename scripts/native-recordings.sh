#!/usr/bin/env bash
# Recordings for the builds whose FFmpeg cannot encode H.264 (the Windows and
# the bundled builds): builds the native suites in build/ and runs them with
# VELTRANO_RECORDING_STORE=STORE, so every recording they generate is kept
# there by its options; the other build's suites then take the very same
# files. Also builds the native veltrano-convert and veltrano-genrec, which
# the differential check (scripts/differential.sh) compares against.
#
#   bash scripts/native-recordings.sh STORE SUITE...
#
# SUITE is a test program's target name (convert_test, veltrano_cli_tests,
# app_tests, fault_matrix_test). The store is emptied first. Each suite's
# output is shown only when it fails.
set -euo pipefail
cd "$(dirname "$0")/.."

store=${1:?usage: $0 STORE SUITE...}
shift
(($#)) || { echo "usage: $0 STORE SUITE..." >&2; exit 2; }
store=$(realpath -m "$store")

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$@" veltrano-convert veltrano-genrec
rm -rf "$store"
mkdir -p "$store"
log=$store.log
for suite in "$@"; do
    program=$(find build/tests -name "$suite" -type f -executable | head -n 1)
    [[ -n $program ]] || { echo "native-recordings: no test program $suite in build/" >&2; exit 1; }
    # The generator's encoder reports on stderr; the dialog suites run offscreen.
    VELTRANO_RECORDING_STORE=$store QT_QPA_PLATFORM=offscreen "$program" --gtest_brief=1 \
        >"$log" 2>&1 || {
        cat "$log"
        exit 1
    }
done
rm -f "$log"
echo "native-recordings: $(find "$store" -name '*.264' | wc -l) recordings kept in $store"
