#!/usr/bin/env bash
# The Windows stage of CI, as root on Debian 12: cross-builds everything
# (scripts/build-windows.sh), runs the Windows test suites under Wine, checks
# that the Windows converter writes the very bytes the Linux one does, and
# checks the Debian package (scripts/ci-deb.sh). Fails, never skips, when
# Wine cannot start.
#
# The Windows build cannot encode H.264, so its tests take their recordings
# from a native run of the same suites (VELTRANO_RECORDING_STORE).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
lap() { echo "== ci-windows: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/build-windows.sh
win=build-win64
lap "Windows build"

# The native converter and suites, for the recordings and the reference AVIs.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target convert_test veltrano_cli_tests fuzz_regression_test \
    veltrano-convert veltrano-genrec
store=$PWD/$win/recordings
rm -rf "$store"
# The generator's encoder reports on stderr; shown only when a suite fails.
for suite in build/tests/convert/convert_test build/tests/cli/veltrano_cli_tests; do
    VELTRANO_RECORDING_STORE=$store "$suite" --gtest_brief=1 >"$win/native-tests.log" 2>&1 || {
        cat "$win/native-tests.log"
        exit 1
    }
done
echo "ci-windows: $(ls "$store"/*.264 | wc -l) recordings kept for the Windows suites"
lap "native build and recordings"

# shellcheck source=scripts/wine-env.sh
if ! source scripts/wine-env.sh "$win"; then
    echo "ci-windows: Wine cannot start; the Windows suites did not run" >&2
    exit 1
fi
trap wine_env_stop EXIT
# Set for the suites only: a native generator run later would save there too.
VELTRANO_RECORDING_STORE=$(winepath_of "$store") \
    ctest --test-dir "$win" --output-on-failure -j"$(nproc)"
lap "Windows suites under Wine"

# Differential: recordings plain and damaged, converted by both programs.
diff_dir=$win/differential
rm -rf "$diff_dir"
mkdir -p "$diff_dir"
genrec=build/tools/recgen/veltrano-genrec
declare -A recordings=(
    [plain]="--frames 120 --key-interval 25"
    [garbage]="--frames 150 --garbage-every 5 --garbage-bytes 301"
    [truncated]="--frames 90 --truncate-last --seed 7"
    [bogus-length]="--frames 100 --bogus-length-at 40 --garbage-every 11"
    [no-header-rate]="--frames 80 --no-header-rate --no-audio"
    [odd-tags]="--frames 70 --vary-tag-lead --extension-bytes 333 --rate 30"
)
compared=0
for name in "${!recordings[@]}"; do
    # shellcheck disable=SC2086 # the options are words
    "$genrec" ${recordings[$name]} "$diff_dir/$name.264" >/dev/null
    build/cli/veltrano-convert -q -o "$diff_dir/$name.linux.avi" "$diff_dir/$name.264"
    "$WINE64" "$win/cli/veltrano-convert.exe" -q -o "$(winepath_of "$diff_dir")\\$name.windows.avi" \
        "$(winepath_of "$diff_dir/$name.264")" </dev/null
    cmp "$diff_dir/$name.linux.avi" "$diff_dir/$name.windows.avi"
    compared=$((compared + 1))
done
echo "ci-windows: $compared recordings give byte-identical AVIs on Linux and Windows"
wine_env_stop
trap - EXIT
lap "differential test"

bash scripts/ci-deb.sh
lap "Debian package check"
