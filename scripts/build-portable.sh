#!/usr/bin/env bash
# Builds dist/veltrano-convert-1.0.0-linux-x86_64.tar.gz (as root on Debian
# 12): veltrano-convert with FFmpeg linked in (-DVELTRANO_FFMPEG=bundled), its
# man page and a README. The program needs nothing but the C and C++ runtime,
# so it runs on other x86-64 Linux systems with a glibc and libstdc++ at least
# as new as the ones the README names; that is checked here.
#
#   bash scripts/build-portable.sh              # Release tree build-portable/
#   bash scripts/build-portable.sh BUILD_DIR    # a bundled tree already there (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
dpkg-query -W -f='${Status}' help2man 2>/dev/null | grep -q "install ok installed" || {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends help2man
}

ffmpeg=$(bash scripts/build-ffmpeg.sh host)
build=${1:-build-portable}
options=(-DVELTRANO_FFMPEG=bundled -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" -DVELTRANO_MAN_PAGE=ON)
if [[ ! -f $build/CMakeCache.txt ]]; then
    options+=(-DCMAKE_BUILD_TYPE=Release -DVELTRANO_BUILD_TESTS=OFF -DVELTRANO_BUILD_GUI=OFF)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target veltrano-convert veltrano_man
program=$build/cli/veltrano-convert

# The C and C++ runtime and nothing else: any other library would have to be
# on the machine it is copied to.
runtime='^(linux-vdso\.so\.1|libc\.so\.6|libm\.so\.6|libstdc\+\+\.so\.6|libgcc_s\.so\.1|'
runtime+='/lib64/ld-linux-x86-64\.so\.2)$'
needed=$(ldd "$program" | awk '{ print $1 }')
if grep -vE "$runtime" <<<"$needed"; then
    echo "build-portable: $program needs the libraries above besides the C and C++ runtime" >&2
    exit 1
fi
# The newest symbol versions it uses decide the oldest system it runs on.
newest() { objdump -T "$program" | grep -o "$1_[0-9.]*" | sort -uV | tail -n 1; }
glibc=$(newest GLIBC)
glibcxx=$(newest GLIBCXX)

name=veltrano-convert-1.0.0-linux-x86_64
stage=$build/portable/$name
rm -rf "$build/portable"
mkdir -p "$stage" dist
strip -o "$stage/veltrano-convert" "$program"
cp "$build/veltrano-convert.1.gz" "$stage/"
cat >"$stage/README" <<TEXT
Veltrano 1.0.0 veltrano-convert for 64-bit Linux (x86-64)

veltrano-convert converts .264 recordings into AVI files:

    ./veltrano-convert recording.264            (writes recording.avi)
    ./veltrano-convert -o out.avi recording.264
    ./veltrano-convert --help                   (every option)
    man ./veltrano-convert.1.gz                 (the same as a manual page)

It is one program with FFmpeg $("$program" --version | sed -n 's/^FFmpeg //p') built in (only its AVI parts), so
nothing needs installing: copy it anywhere, e.g. /usr/local/bin. It needs
only the C and C++ runtime every distribution has: a glibc with the symbol
version $glibc and a libstdc++ with $glibcxx, or newer.

An existing AVI is replaced only with --force; a stopped or failed conversion
leaves no partial file behind.
TEXT
tarball=$PWD/dist/$name.tar.gz
# Same input, same bytes: fixed owners, order and times.
tar -C "$build/portable" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$(git log -1 --format=%ct)" -cf - "$name" | gzip -9n >"$tarball"
echo "build-portable: $tarball ($glibc, $glibcxx)"
