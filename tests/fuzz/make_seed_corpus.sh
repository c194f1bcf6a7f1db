#!/usr/bin/env bash
# Seed corpus for the fuzz targets, made by our generator: short recordings,
# intact and damaged in every way it knows.
# Usage: make_seed_corpus.sh VELTRANO-GENREC OUTPUT-FOLDER
set -euo pipefail
if (($# != 2)); then
    echo "usage: $0 VELTRANO-GENREC OUTPUT-FOLDER" >&2
    exit 2
fi
genrec=$1
out=$2
mkdir -p "$out/conversion" "$out/tag_search"

variants=(
    "plain:--frames 3"
    "garbage:--frames 4 --garbage-every 2 --garbage-bytes 13"
    "truncated:--frames 3 --truncate-last"
    "bogus-length:--frames 4 --bogus-length-at 1"
    "tag-leads-extensions:--frames 3 --vary-tag-lead --extension-bytes 7 --seed 5"
    "no-header-rate:--frames 2 --no-header-rate"
    "rate-byte-top-bits:--frames 2 --rate-byte 195"
    "rate-byte-over-30:--frames 2 --rate-byte 31"
    "video-only-all-key:--frames 3 --no-audio --key-interval 1"
    "slow-rate:--frames 5 --rate 12 --seed 9"
)
for variant in "${variants[@]}"; do
    name=${variant%%:*}
    read -r -a options <<<"${variant#*:}"
    "$genrec" "${options[@]}" "$out/conversion/$name.264" >/dev/null
    # The tag-search target takes three leading bytes: search start 0, all
    # kinds, no filler; then filler that puts the recording just before the
    # reader's window edge, and just before its read-ahead buffer's edge.
    { printf '\000\007\000'; cat "$out/conversion/$name.264"; } >"$out/tag_search/$name"
    { printf '\000\007\361'; cat "$out/conversion/$name.264"; } >"$out/tag_search/$name-at-window-edge"
    { printf '\000\007\377'; cat "$out/conversion/$name.264"; } >"$out/tag_search/$name-at-buffer-edge"
done
echo "seed corpus in $out: ${#variants[@]} recordings"
