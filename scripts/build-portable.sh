#!/usr/bin/env bash
# Builds dist/veltrano-convert-VERSION-linux-x86_64.tar.gz (VERSION as in
# CMakeLists.txt, e.g. 1.0.0.1; as root on Debian 12): veltrano-convert with
# FFmpeg linked in (-DVELTRANO_FFMPEG=bundled) and GCC's C++ runtime too
# (cmake/packaging.cmake), its man page, a README and the licence files, and
# puts the FFmpeg source it was built from beside it
# (dist/veltrano-convert-VERSION-linux-x86_64.ffmpeg-source.tar.xz). The
# program loads nothing but glibc, so it runs on other x86-64 Linux systems
# with a glibc at least as new as the one the README names; that is checked
# here.
#
#   bash scripts/build-portable.sh              # Release tree build-portable/
#   bash scripts/build-portable.sh BUILD_DIR    # a bundled tree already there (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
apt_install_missing help2man

ffmpeg=$(bash scripts/build-ffmpeg.sh host)
build=${1:-build-portable}
options=(-DVELTRANO_FFMPEG=bundled -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" -DVELTRANO_MAN_PAGE=ON)
if [[ ! -f $build/CMakeCache.txt ]]; then
    options+=(-DCMAKE_BUILD_TYPE=Release -DVELTRANO_BUILD_TESTS=OFF -DVELTRANO_BUILD_GUI=OFF)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target veltrano-convert veltrano_man
program=$build/cli/veltrano-convert

# The C library and nothing else: any other library would have to be on the
# machine it is copied to, and libstdc++ is linked in.
runtime='^(linux-vdso\.so\.1|libc\.so\.6|libm\.so\.6|/lib64/ld-linux-x86-64\.so\.2)$'
needed=$(ldd "$program" | awk '{ print $1 }')
if grep -vE "$runtime" <<<"$needed"; then
    echo "build-portable: $program needs the libraries above besides the C library" >&2
    exit 1
fi
# The newest symbol version it uses decides the oldest system it runs on.
glibc=$(objdump -T "$program" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1)
if objdump -T "$program" | grep -q 'GLIBCXX_\|CXXABI_'; then
    echo "build-portable: $program still takes symbols from a shared libstdc++" >&2
    exit 1
fi

name=veltrano-convert-$VELTRANO_VERSION-linux-x86_64
stage=$build/portable/$name
rm -rf "$build/portable"
mkdir -p "$stage" dist
strip --remove-section=.comment --remove-section=.note -o "$stage/veltrano-convert" "$program"
cp "$build/veltrano-convert.1.gz" "$stage/"
cat >"$stage/README" <<TEXT
Veltrano $VELTRANO_VERSION: veltrano-convert for 64-bit Linux (x86-64)

veltrano-convert converts .264 recordings into AVI or MP4 files:

    ./veltrano-convert recording.264            (writes recording.avi)
    ./veltrano-convert --format mp4 recording.264
    ./veltrano-convert -o out.avi recording.264
    ./veltrano-convert --help                   (every option)
    man ./veltrano-convert.1.gz                 (the same as a manual page)

It is one program with FFmpeg $("$program" --version | sed -n 's/^FFmpeg //p') and the C++ runtime built in (only the
parts it uses), so nothing needs installing: copy it anywhere, e.g.
/usr/local/bin. It needs only the C library every distribution has: glibc
${glibc#GLIBC_} or newer (the newest symbol version it uses is $glibc).

An existing file is replaced only with --force; a stopped or failed conversion
leaves no partial file behind.

Veltrano is free software under the MIT licence (LICENSE); the program
contains FFmpeg, under the LGPL 2.1 or later, and other parts listed in
THIRD-PARTY.md, whose licences are in licences/. The FFmpeg source it was
built from is published beside this tarball, as
$name.ffmpeg-source.tar.xz.
TEXT
licence_files "$stage" "$ffmpeg" linux
tarball=$PWD/dist/$name.tar.gz
# Same input, same bytes: fixed owners, order and times.
tar -C "$build/portable" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$(git log -1 --format=%ct)" -cf - "$name" | gzip -9n >"$tarball"
licence_source "$tarball"
echo "build-portable: $tarball (needs $glibc)"
