#!/usr/bin/env bash
# The Windows stage of CI, as root on Debian 12: cross-builds everything and
# packs the zip (scripts/build-windows.sh), checks that the zip carries the
# programs and the licence files with the FFmpeg source beside it, runs the
# Windows test suites under Wine, and checks that the Windows converter
# writes the very bytes the Linux one does. Fails, never skips, when Wine
# cannot start.
#
# The Windows build cannot encode H.264, so its tests take their recordings
# from a native run of the same suites (VELTRANO_RECORDING_STORE).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
lap() { echo "== ci-windows: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/build-windows.sh
win="build-win64"
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
apt_install_missing unzip
licence_check "dist/veltrano-$VELTRANO_VERSION-win64.zip" veltrano-convert.exe veltrano.exe \
    README.txt LICENSE.txt THIRD-PARTY.txt licences/FFmpeg-COPYING.LGPLv2.1.txt \
    licences/FFmpeg-build.txt licences/CLI11.txt licences/mingw-w64.txt
lap "Windows build and zip"

# The native converter and suites, for the recordings and the reference AVIs.
store=$PWD/$win/recordings
bash scripts/native-recordings.sh "$store" convert_test veltrano_cli_tests
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
# shellcheck source=scripts/differential.sh
source scripts/differential.sh
windows_convert() {
    "$WINE64" "$win/cli/veltrano-convert.exe" -q -o "$(winepath_of "$2")" "$(winepath_of "$1")" \
        </dev/null
}
differential "$win/differential" windows windows_convert
wine_env_stop
trap - EXIT
lap "differential test"
