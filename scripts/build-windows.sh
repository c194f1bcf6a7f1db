#!/usr/bin/env bash
# Cross-builds Veltrano for 64-bit Windows on Debian 12 (as root) into
# build-win64/, test programs included, and packs dist/veltrano-1.0.0-win64.zip
# with the programs and a short README.txt. Installs what it needs with
# apt-get; FFmpeg is built once into a cache (scripts/build-ffmpeg.sh).
#
#   VELTRANO_BUILD_GUI=OFF bash scripts/build-windows.sh  # without the dialog
#
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make pkg-config zip gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 wine wine64 googletest libcli11-dev fonts-arphic-uming)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

ffmpeg=$(bash scripts/build-ffmpeg.sh win64)
build=build-win64
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

stage=$build/zip/veltrano-1.0.0-win64
rm -rf "$build/zip"
mkdir -p "$stage" dist
for exe in "${programs[@]}"; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$exe"
done
cat >"$stage/README.txt" <<'TEXT'
Veltrano 1.0.0 for 64-bit Windows 10 and 11

veltrano-convert.exe converts .264 recordings into AVI files from a command
prompt or PowerShell:

    veltrano-convert.exe recording.264            (writes recording.avi)
    veltrano-convert.exe -o out.avi recording.264
    veltrano-convert.exe --help                   (every option)

veltrano.exe, where present, is the same converter as a dialog.

Nothing needs installing: each program runs on its own, with no DLL beside it.
An existing AVI is replaced only with --force; a stopped or failed conversion
leaves no partial file behind.
TEXT
sed -i 's/$/\r/' "$stage/README.txt"
zip_file=$PWD/dist/veltrano-1.0.0-win64.zip
rm -f "$zip_file"
(cd "$build/zip" && zip -qr -X "$zip_file" veltrano-1.0.0-win64)
echo "build-windows: $zip_file"
