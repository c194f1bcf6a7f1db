# shellcheck shell=bash
# Sourced, not run: the differential check, shared by the stages that build
# the converter another way (scripts/ci-windows.sh, scripts/ci-portable.sh).
# Recordings plain and damaged, made by the native generator, are converted
# by the native converter (build/, Debian's FFmpeg) and by the other one,
# which must write the very same AVI bytes, and MP4s with the very same
# video samples and sound of the same length.
#
#   . scripts/differential.sh
#   differential DIR LABEL CONVERT     # CONVERT SOURCE DESTINATION runs the other one
#
# build/ must hold veltrano-convert and veltrano-genrec
# (scripts/native-recordings.sh builds them).

differential() {
    local dir=${1:?usage: differential DIR LABEL CONVERT} label=${2:?} convert=${3:?}
    local genrec=build/tools/recgen/veltrano-genrec native=build/cli/veltrano-convert
    rm -rf "$dir"
    mkdir -p "$dir"
    local -A recordings=(
        [plain]="--frames 120 --key-interval 25"
        [garbage]="--frames 150 --garbage-every 5 --garbage-bytes 301"
        [truncated]="--frames 90 --truncate-last --seed 7"
        [bogus-length]="--frames 100 --bogus-length-at 40 --garbage-every 11"
        [no-header-rate]="--frames 80 --no-header-rate --no-audio"
        [odd-tags]="--frames 70 --vary-tag-lead --extension-bytes 333 --rate 30"
    )
    local name compared=0
    for name in "${!recordings[@]}"; do
        # shellcheck disable=SC2086 # the options are words
        "$genrec" ${recordings[$name]} "$dir/$name.264" >/dev/null || return 1
        "$native" -q -o "$dir/$name.native.avi" "$dir/$name.264" || return 1
        "$convert" "$dir/$name.264" "$dir/$name.$label.avi" || return 1
        cmp "$dir/$name.native.avi" "$dir/$name.$label.avi" || return 1
        "$native" -q -o "$dir/$name.native.mp4" "$dir/$name.264" || return 1
        "$convert" "$dir/$name.264" "$dir/$name.$label.mp4" || return 1
        mp4_alike "$dir/$name.native.mp4" "$dir/$name.$label.mp4" || return 1
        compared=$((compared + 1))
    done
    echo "differential: $compared recordings give byte-identical AVIs and MP4 video samples" \
        "from the native and the $label converter; MP4 sound $sound_bytes"
}

# The two MP4s hold byte-identical video samples and sound of the same
# length. Whether the sound's bytes are identical too is recorded in
# $sound_bytes: another FFmpeg build's AAC encoder may round differently.
sound_bytes="byte-identical"
mp4_alike() {
    local a=$1 b=$2 what streams
    streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$a" | tr -d '\n')
    [[ $streams == $(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$b" |
        tr -d '\n') ]] || return 1
    : >"$a.a"
    : >"$b.a"
    for what in v a; do
        [[ $what == a && $streams != *audio* ]] && continue
        ffmpeg -v error -y -i "$a" -map "0:$what:0" -c copy -f data "$a.$what" || return 1
        ffmpeg -v error -y -i "$b" -map "0:$what:0" -c copy -f data "$b.$what" || return 1
    done
    cmp "$a.v" "$b.v" || return 1
    cmp -s "$a.a" "$b.a" || sound_bytes="of the same length, its AAC bytes not identical"
    sound_length() { ffprobe -v error -select_streams a -show_entries stream=duration -of csv=p=0 "$1"; }
    [[ $(sound_length "$a") == $(sound_length "$b") ]] || {
        echo "differential: the sound of $a and $b differs in length" >&2
        return 1
    }
}
