#!/usr/bin/env bash
# The portable stage of CI, as root on Debian 12: the whole suite built
# against the bundled FFmpeg (build-bundled/), which programs and tests link
# statically; the portable tarball (scripts/build-portable.sh, which checks
# that veltrano-convert needs only the C library), with its licence files
# inside and the FFmpeg source beside it; and the differential check against
# the converter on Debian's FFmpeg.
#
# The bundled FFmpeg has no encoder, so the suites take their recordings from
# a native run of the same suites (scripts/native-recordings.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
lap() { echo "== ci-portable: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

bash scripts/install-deps.sh
build="build-bundled"
ffmpeg=$(bash scripts/build-ffmpeg.sh host)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_FFMPEG=bundled \
    -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" -DVELTRANO_MAN_PAGE=ON
cmake --build "$build" -j"$(nproc)"
# The dialog carries FFmpeg too: Qt and its dependencies, none of FFmpeg's.
if ldd "$build/app/veltrano" | grep -E 'lib(av|sw)[a-z]*\.so'; then
    echo "ci-portable: $build/app/veltrano loads a shared FFmpeg" >&2
    exit 1
fi
lap "bundled build"

store=$PWD/$build/recordings
bash scripts/native-recordings.sh "$store" convert_test veltrano_cli_tests app_tests \
    fault_matrix_test
lap "native recordings"

VELTRANO_RECORDING_STORE=$store QT_QPA_PLATFORM=offscreen \
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
lap "bundled suites"

bash scripts/build-portable.sh "$build"
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
licence_check "dist/veltrano-convert-$VELTRANO_VERSION-linux-x86_64.tar.gz" veltrano-convert \
    veltrano-convert.1.gz README LICENSE THIRD-PARTY.md licences/FFmpeg-COPYING.LGPLv2.1 \
    licences/FFmpeg-build.txt licences/CLI11
lap "portable tarball"

# shellcheck source=scripts/differential.sh
source scripts/differential.sh
bundled_convert() { "$build/cli/veltrano-convert" -q -o "$2" "$1"; }
differential "$build/differential" bundled bundled_convert
lap "differential test"
