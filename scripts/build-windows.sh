#!/usr/bin/env bash
# Cross-builds Veltrano for 64-bit Windows on Debian 12 (as root) into
# build-win64/, test programs included, and packs
# dist/veltrano-VERSION-win64.zip (VERSION as in CMakeLists.txt, e.g. 1.0.0.1)
# with the programs, a short README.txt and the licence files, and puts the
# FFmpeg source they were built from beside it
# (dist/veltrano-VERSION-win64.ffmpeg-source.tar.xz). With the dialog, it also
# makes the installer, dist/veltrano-VERSION-win64.msi, from the zip's files
# (wixl, packaging/windows/veltrano.wxs). Installs what it needs with
# apt-get; FFmpeg is built once into a cache (scripts/build-ffmpeg.sh).
#
#   VELTRANO_BUILD_GUI=OFF bash scripts/build-windows.sh  # without the dialog
#
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/apt-packages.sh
source scripts/apt-packages.sh
# shellcheck source=scripts/version.sh
source scripts/version.sh
# shellcheck source=scripts/licence-files.sh
source scripts/licence-files.sh
apt_install_missing cmake make pkg-config zip gcc-mingw-w64-x86-64-posix \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine64 \
    fonts-wine googletest libcli11-dev fonts-arphic-uming wixl

ffmpeg=$(bash scripts/build-ffmpeg.sh win64)
build="build-win64"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DVELTRANO_FFMPEG_PREFIX="$ffmpeg" -DVELTRANO_BUILD_GUI="${VELTRANO_BUILD_GUI:-ON}"
cmake --build "$build" -j"$(nproc)"

programs=("$build/cli/veltrano-convert.exe")
[[ -f $build/app/veltrano.exe ]] && programs+=("$build/app/veltrano.exe")

# Each program must start on a bare Windows: nothing but system DLLs.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|ole32|oleaut32|'
system_dlls+='shlwapi|uxtheme|bcrypt|ws2_32|secur32|msvcrt|ucrtbase|version|winmm)\.dll$'
for exe in "${programs[@]}"; do
    while read -r dll; do
        if ! grep -qiE "$system_dlls" <<<"$dll"; then
            echo "build-windows: $exe needs $dll, which Windows does not have" >&2
            exit 1
        fi
    done < <(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }')
done

name=veltrano-$VELTRANO_VERSION-win64
stage=$build/zip/$name
rm -rf "$build/zip"
mkdir -p "$stage" dist
for exe in "${programs[@]}"; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$exe"
done
cat >"$stage/README.txt" <<TEXT
Veltrano $VELTRANO_VERSION for 64-bit Windows 10 and 11

veltrano-convert.exe converts .264 recordings into AVI or MP4 files from a
command prompt or PowerShell:

    veltrano-convert.exe recording.264            (writes recording.avi)
    veltrano-convert.exe --format mp4 recording.264
    veltrano-convert.exe -o out.avi recording.264
    veltrano-convert.exe --help                   (every option)

veltrano.exe, where present, is the same converter as a dialog.

Nothing needs installing: each program runs on its own, with no DLL beside it.
The installer, $name.msi, puts the same files in Program Files
instead, with a Start menu entry and "Open with Veltrano" for .264 files.
An existing file is replaced only with --force; a stopped or failed conversion
leaves no partial file behind.

Veltrano is free software under the MIT licence (LICENSE.txt); the programs
contain FFmpeg, under the LGPL 2.1 or later, and other parts listed in
THIRD-PARTY.txt, whose licences are in licences\. The FFmpeg source they
were built from is published beside this zip, as
$name.ffmpeg-source.tar.xz.
TEXT
sed -i 's/\r*$/\r/' "$stage/README.txt"
licence_files "$stage" "$ffmpeg" windows
zip_file=$PWD/dist/$name.zip
rm -f "$zip_file"
(cd "$build/zip" && zip -qr -X "$zip_file" "$name")
licence_source "$zip_file"
echo "build-windows: $zip_file"

# The installer holds the zip's files; it is for the dialog, so there is
# none without it. The FFmpeg source beside the zip is under the name its
# licence note gives for the installer too.
if [[ -f $stage/veltrano.exe ]]; then
    # It replaces every version below the next third field (Windows
    # Installer compares three): 1.0.0.x and older for 1.0.0.1.
    IFS=. read -r major minor patch _ <<<"$VELTRANO_VERSION"
    msi_file=dist/$name.msi
    rm -f "$msi_file"
    wixl -a x64 -D Version="$VELTRANO_VERSION" -D UpgradeBelow="$major.$minor.$((patch + 1))" \
        -D Stage="$stage" -o "$msi_file" packaging/windows/veltrano.wxs
    echo "build-windows: $PWD/$msi_file"
fi
