#!/usr/bin/env bash
# Builds the FFmpeg the converter links statically: libavformat, libavcodec
# and libavutil from Debian's own ffmpeg source package, the same version as
# the installed libavformat-dev, with only the AVI muxer and the file
# protocol. Run as root on Debian 12:
#
#   bash scripts/build-ffmpeg.sh win64   # for x86_64-w64-mingw32
#   bash scripts/build-ffmpeg.sh host    # for this machine
#   bash scripts/build-ffmpeg.sh web     # for WebAssembly (emscripten, no threads)
#   bash scripts/build-ffmpeg.sh source  # the source both are built from
#
# The result goes into a cache folder outside every build tree,
# ${VELTRANO_CACHE:-/var/cache/veltrano}/ffmpeg-<Debian version>-<target>,
# and is reused as long as its stamp file is there; the stamp is written
# last, so an interrupted build is done again. All progress goes to stderr
# and the prefix alone to stdout, on the last line:
#
#   prefix=$(bash scripts/build-ffmpeg.sh win64)
#   PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --static --libs libavformat
#
# "source" prints instead the path of ffmpeg-<Debian version>-source.tar.xz in
# the cache: the source package unpacked with Debian's patches applied, the
# very tree every build here configures, packed the same way every time. It
# goes beside the Windows zip and the portable tarball, so a user can rebuild
# and relink the FFmpeg in them, as its licence (LGPL 2.1) asks.
set -euo pipefail
exec 3>&1 1>&2

target=${1:-}
case "$target" in
win64 | host | web | source) ;;
*)
    echo "usage: $0 win64|host|web|source" >&2
    exit 2
    ;;
esac

cache=${VELTRANO_CACHE:-/var/cache/veltrano}
stamp_name=.veltrano-complete

# shellcheck source=scripts/apt-packages.sh
source "$(dirname "$0")/apt-packages.sh"

# The Debian version the rest of the project builds against decides the
# source version, so both targets and the system libraries stay one release.
apt_install_missing libavformat-dev
debian_version=$(dpkg-query -W -f='${source:Version}' libavformat-dev)
version=${debian_version#*:}
# The suffix names the configuration below; a change to it needs a new one.
prefix=$cache/ffmpeg-$version-$target-mp4-h264
# Source packages are kept beside the builds: both targets use the same one.
sources=$cache/src
dsc=$sources/ffmpeg_${version}.dsc

# Adds deb-src entries mirroring the Debian archives and suites apt already
# uses, in a file of our own, unless some source index is configured already.
ensure_deb_src() {
    # shellcheck disable=SC2016 # apt's format fields, not shell expansions
    if [[ -n $(apt-get indextargets --format '$(IDENTIFIER)' 'Identifier: Sources') ]]; then
        return 0
    fi
    local list=/etc/apt/sources.list.d/veltrano-deb-src.sources
    local files=()
    [[ -f /etc/apt/sources.list ]] && files+=(/etc/apt/sources.list)
    shopt -s nullglob
    files+=(/etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    shopt -u nullglob
    # deb822 stanzas are copied with Types set to deb-src; one-line "deb"
    # entries become stanzas of their own (keeping signed-by).
    awk '
        function flush() {
            if (deb && uri ~ /\/debian(-security)?\/?$/ && enabled != "no") {
                print "Types: deb-src"
                print body
            }
            deb = 0; uri = ""; enabled = ""; body = ""
        }
        FNR == 1 { flush() }
        FILENAME ~ /\.sources$/ {
            if ($0 ~ /^[ \t]*$/) { flush(); next }
            if ($0 ~ /^#/) next
            if (tolower($1) == "types:") {
                for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1
                next
            }
            if (tolower($1) == "uris:") uri = $2
            if (tolower($1) == "enabled:") enabled = tolower($2)
            body = body $0 "\n"
            next
        }
        $1 == "deb" {
            signed = ""; i = 2
            if ($2 ~ /^\[/) {
                while (i <= NF) {
                    opt = $i; gsub(/[\[\]]/, "", opt)
                    if (opt ~ /^signed-by=/) signed = substr(opt, 11)
                    if ($i ~ /\]$/) { i++; break }
                    i++
                }
            }
            uri = $i; deb = 1
            body = "URIs: " uri "\nSuites: " $(i + 1) "\nComponents:"
            for (j = i + 2; j <= NF && $j !~ /^#/; j++) body = body " " $j
            if (signed != "") body = body "\nSigned-By: " signed
            body = body "\n"
            flush()
        }
        END { flush() }
    ' "${files[@]}" >"$list.new"
    if [[ ! -s $list.new ]]; then
        rm -f "$list.new"
        echo "no Debian archive among apt's sources to take ffmpeg's source from" >&2
        exit 1
    fi
    mv "$list.new" "$list"
    echo "added $list"
    apt-get update -qq
}

fetch_source_package() {
    [[ -e $dsc ]] && return 0
    mkdir -p "$sources"
    # Fetched aside and moved in whole, so a cut download is not taken for a
    # source package. apt downloads as the unprivileged _apt user when it
    # can write there.
    ensure_deb_src
    download=$(mktemp -d "$sources/download.XXXXXX")
    chown _apt "$download" 2>/dev/null || true
    (cd "$download" && apt-get source -qq --download-only "ffmpeg=$debian_version")
    mv "$download"/ffmpeg_* "$sources"/
    rm -rf "$download"
}

# The unpacked, patched tree in one archive: fixed order, owners and times
# (those of Debian's latest changelog entry), so it is the same bytes on
# every machine. Made once, aside, and moved in whole.
source_archive() {
    local archive=$sources/ffmpeg-$version-source.tar.xz tree stamp
    if [[ ! -e $archive ]]; then
        fetch_source_package
        tree=$(mktemp -d "$sources/unpack.XXXXXX")
        dpkg-source --no-check -x "$dsc" "$tree/ffmpeg-$version" >/dev/null
        stamp=$(dpkg-parsechangelog -l "$tree/ffmpeg-$version/debian/changelog" -S Timestamp)
        tar -C "$tree" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" \
            -cf - "ffmpeg-$version" | xz -T2 -6 >"$tree/archive.tar.xz"
        mv "$tree/archive.tar.xz" "$archive"
        rm -rf "$tree"
        echo "packed FFmpeg's patched source into $archive"
    fi
    echo "$archive" >&3
}

if [[ $target == source ]]; then
    apt_install_missing dpkg-dev xz-utils
    source_archive
    exit 0
fi

if [[ -e $prefix/$stamp_name ]]; then
    echo "FFmpeg $version for $target: reusing $prefix"
    echo "$prefix" >&3
    exit 0
fi

mkdir -p "$cache"
# Two builds of the same target at once would share one prefix.
exec 9>"$prefix.lock"
flock 9
if [[ -e $prefix/$stamp_name ]]; then
    echo "$prefix" >&3
    exit 0
fi

common_packages=(dpkg-dev make pkg-config xz-utils)
if [[ $target == win64 ]]; then
    apt_install_missing "${common_packages[@]}" gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
elif [[ $target == web ]]; then
    apt_install_missing "${common_packages[@]}" emscripten
    # Debian's emcc runs its JS tools with a Node.js that may not search
    # Debian's own module folder.
    export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
else
    apt_install_missing "${common_packages[@]}" gcc
fi

fetch_source_package
work=$cache/build-ffmpeg-$version-$target
rm -rf "$work" "$prefix"
mkdir -p "$work"
started=$SECONDS
# dpkg-source applies Debian's patches, so the code is what Debian ships.
# apt has already checked the files against the archive's signed index.
dpkg-source --no-check -x "$dsc" "$work/src" >/dev/null

# Only what the converter calls: the AVI and MP4 muxers writing through the
# file protocol, the IMA ADPCM WAV decoder and the AAC encoder for the MP4's
# sound, the H.264 decoder that reads a picture's size, shape and profile
# from its parameter sets (configure adds what they need); and the AVI and MP4 demuxers, with
# which the test suites read the results back (the converter itself never
# reaches them). Everything that could be picked up from the machine by
# chance (zlib, iconv, hardware APIs, ...) is off, so both targets are the
# same build whatever happens to be installed. No assembly: it saves needing
# nasm, and the sound of a recording is small work.
options=(
    --prefix="$prefix"
    --enable-static --disable-shared
    --disable-autodetect
    --disable-everything
    --enable-muxer=avi --enable-muxer=mp4
    --enable-demuxer=avi --enable-demuxer=mov
    --enable-decoder=adpcm_ima_wav --enable-decoder=h264 --enable-encoder=aac
    --enable-protocol=file
    --disable-programs --disable-doc
    --disable-network
    --disable-avdevice --disable-avfilter --disable-swscale --disable-swresample
    --disable-postproc
    --disable-x86asm
    --disable-debug
    --pkg-config-flags=--static
)
wrap=()
if [[ $target == win64 ]]; then
    # Windows' own threads, so nothing but system DLLs is needed at run time.
    options+=(
        --enable-cross-compile --target-os=mingw32 --arch=x86_64
        --cross-prefix=x86_64-w64-mingw32-
        --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix
        --enable-w32threads
    )
elif [[ $target == web ]]; then
    # WebAssembly has no assembly of FFmpeg's and, in a page without
    # cross-origin isolation, no threads.
    options+=(
        --enable-cross-compile --target-os=none --arch=x86_32
        --disable-asm --disable-inline-asm --disable-stripping --disable-pthreads
        --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=llvm-nm
    )
    wrap=(emconfigure)
else
    # Position independent, since Debian's compiler links PIE executables.
    options+=(--enable-pic --enable-pthreads)
fi

cd "$work/src"
"${wrap[@]}" ./configure "${options[@]}" >"$work/configure.log" || {
    tail -n 30 ffbuild/config.log
    exit 1
}
# FFmpeg's own compiler warnings are not ours to act on: they stay in the log.
make -j"$(nproc)" >"$work/make.log" 2>&1 || {
    tail -n 40 "$work/make.log"
    exit 1
}
make install >/dev/null
rm -rf "$work"
touch "$prefix/$stamp_name"
echo "FFmpeg $version for $target built in $((SECONDS - started)) s into $prefix"
echo "$prefix" >&3
