# shellcheck shell=bash
# Sourced, not run: the licence files every archive with FFmpeg linked in
# carries (the Windows zip, the portable tarball), and the FFmpeg source
# archive that goes beside it. See THIRD-PARTY.md.
#
#   . scripts/licence-files.sh
#   licence_files STAGE PREFIX linux|windows|web   # into STAGE/
#   (windows: .txt names and CR LF line ends, and the mingw-w64 runtime's notices)
#   licence_source ARCHIVE             # writes ARCHIVE.ffmpeg-source.tar.xz beside it
#
# PREFIX is the FFmpeg that scripts/build-ffmpeg.sh built and the programs
# link. Its licence and configuration are read from its libavutil.a (the
# strings avutil_license() and avutil_configuration() return), and anything
# but the LGPL 2.1 or later, or a configure line enabling a GPL, version-3 or
# non-free part, is refused: such an FFmpeg must not go out under these terms.

licence_files() {
    local stage=${1:?usage: licence_files STAGE PREFIX linux|windows|web} prefix=${2:?} os=${3:?}
    local here ext="" strings licence configure version archive debian
    local holder="The programs here contain" linked="linked in statically"
    local rebuild="build Veltrano from its source (https://veltrano.org/, MIT licence)
with -DVELTRANO_FFMPEG_PREFIX=<that prefix>; the README tells how."
    here=$(dirname "${BASH_SOURCE[0]}")/..
    case $os in
    linux) ;;
    windows) ext=.txt ;;
    web)
        holder="The page's WebAssembly (veltrano-core.wasm) contains"
        linked="compiled in"
        rebuild="build the page from Veltrano's source (https://veltrano.org/, MIT licence)
with VELTRANO_WEB_FFMPEG=<that prefix> bash scripts/build-web.sh; the README tells how."
        ;;
    *) echo "licence-files: linux, windows or web, not '$os'" >&2; return 2 ;;
    esac
    # (In a WebAssembly archive a length byte may stand before the text.)
    strings=$(strings -a "$prefix/lib/libavutil.a") || return 1
    licence=$(sed -n 's/^.\{0,1\}libavutil license: //p' <<<"$strings" | head -n 1)
    configure=$(grep -m 1 -e '^--prefix=' <<<"$strings")
    if [[ $licence != "LGPL version 2.1 or later" ]]; then
        echo "licence-files: $prefix/lib/libavutil.a says its licence is '$licence'," \
            "not 'LGPL version 2.1 or later'" >&2
        return 1
    fi
    if [[ -z $configure || " $configure " =~ \ --enable-(gpl|version3|nonfree)\  ]]; then
        echo "licence-files: $prefix was configured with a GPL, version-3 or non-free part" \
            "(or no configure line was found): $configure" >&2
        return 1
    fi
    version=$(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --modversion libavutil) || return 1
    archive=$(bash "$here/scripts/build-ffmpeg.sh" source) || return 1
    debian=$(basename "$archive" -source.tar.xz)
    debian=${debian#ffmpeg-}

    mkdir -p "$stage/licences" || return 1
    cp "$here/LICENSE" "$stage/LICENSE$ext" &&
        cp "$here/THIRD-PARTY.md" "$stage/THIRD-PARTY${ext:-.md}" &&
        cp /usr/share/doc/libcli11-dev/copyright "$stage/licences/CLI11$ext" || return 1
    tar -xJOf "$archive" "ffmpeg-$debian/COPYING.LGPLv2.1" \
        >"$stage/licences/FFmpeg-COPYING.LGPLv2.1$ext" || return 1
    cat >"$stage/licences/FFmpeg-build.txt" <<TEXT || return 1
$holder FFmpeg's libavformat, libavcodec and libavutil,
$linked, under the GNU Lesser General Public License 2.1 or
later (FFmpeg-COPYING.LGPLv2.1$ext beside this file).

FFmpeg ${debian%%-*} (libavutil $version), built from Debian's ffmpeg source
package $debian with its patches applied. That source tree is
published beside this archive, under the same name ending in
.ffmpeg-source.tar.xz.
Licence string of the build (avutil_license()): $licence
Configured with (avutil_configuration()):
$configure

To use another FFmpeg, build it with the same configure line (any prefix),
then $rebuild
TEXT
    if [[ $os == windows ]]; then
        cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licences/mingw-w64.txt" ||
            return 1
        local f
        # Notepad wants CR LF.
        for f in "$stage"/*.txt "$stage"/licences/*.txt; do
            sed -i 's/\r*$/\r/' "$f" || return 1
        done
    fi
}

licence_source() {
    local target=${1:?usage: licence_source ARCHIVE} archive here
    here=$(dirname "${BASH_SOURCE[0]}")/..
    archive=$(bash "$here/scripts/build-ffmpeg.sh" source) || return 1
    target=${target%.zip}
    target=${target%.tar.gz}
    cp "$archive" "$target.ffmpeg-source.tar.xz"
}

# Fails, naming what is missing, unless the zip or tarball ARCHIVE holds each
# FILE (paths inside its top folder) and has its FFmpeg source beside it.
licence_check() {
    local archive=${1:?usage: licence_check ARCHIVE FILE...} listing top file missing=()
    shift
    case $archive in
    *.zip) listing=$(unzip -Z1 "$archive") || return 1 ;;
    *.tar.gz) listing=$(tar -tzf "$archive") || return 1 ;;
    *) echo "licence-files: $archive is no zip or tarball" >&2; return 2 ;;
    esac
    top=${listing%%/*}
    for file in "$@"; do
        grep -qxF "$top/$file" <<<"$listing" || missing+=("$file")
    done
    file=${archive%.zip}
    file=${file%.tar.gz}.ffmpeg-source.tar.xz
    [[ -s $file ]] || missing+=("$(basename "$file") beside it")
    if ((${#missing[@]})); then
        echo "licence-files: $archive lacks: ${missing[*]}" >&2
        return 1
    fi
    echo "licence-files: $archive holds ${*} and has $(basename "$file") beside it"
}
