# shellcheck shell=bash
# Sourced, not run: plays a converted MP4 in the players people watch video
# with, for the players' stage (scripts/ci-players.sh).
#
#   . scripts/players.sh                    # from the top of the tree
#   players_check DIR SECONDS MP4 [AVI]
#
# DIR is emptied and holds the served copies, the logs and the profiles.
# SECONDS is the recording's length. The file must hold the generator's
# picture and sound (720x576 at 25 frames a second, a 440 Hz tone).
#
# - Chromium, headless, loads tests/players/play.html from
#   tests/players/range_server.py on 127.0.0.1; the page checks the duration,
#   the picture size, a seek to the middle, frames shown and sound heard after
#   it. Every check of PLAYERS_PAGE_CHECKS must pass.
# - An AVI, if given, is offered to the same page; whether Chromium takes it
#   is printed as a fact and decides nothing.
# - gst-discoverer-1.0 must read the duration, an H.264 stream of that size
#   and an AAC stream, mono at 8000 Hz.
#
# Needs chromium, python3, gstreamer1.0-tools, gstreamer1.0-plugins-base-apps
# (gst-discoverer-1.0), -good, -bad and gstreamer1.0-libav. Prints what each
# player reported; returns non-zero if any check failed.

PLAYERS_WIDTH=720
PLAYERS_HEIGHT=576
PLAYERS_FPS=25
PLAYERS_TONE_HZ=440
PLAYERS_PAGE_CHECKS=(duration size seek frames decoded sound audio-bytes)

# Runs in a subshell of its own, so its server goes with it on every path.
players_check() (
    set -euo pipefail
    local dir=${1:?usage: players_check DIR SECONDS MP4 [AVI]} seconds=${2:?} mp4=${3:?}
    local avi=${4:-}
    rm -rf "$dir"
    mkdir -p "$dir/served"
    cp tests/players/play.html "$dir/served/"
    cp "$mp4" "$dir/served/video.mp4"
    [[ -z $avi ]] || cp "$avi" "$dir/served/video.avi"

    trap '[[ -z ${players_server:-} ]] || kill "$players_server" 2>/dev/null || true' EXIT
    players_serve "$dir"

    local failed=0 name report line
    local query="duration=$seconds&fps=$PLAYERS_FPS&width=$PLAYERS_WIDTH"
    query+="&height=$PLAYERS_HEIGHT&seek=$(players_half "$seconds")&tone=$PLAYERS_TONE_HZ"
    report=$(players_page "$dir" "$players_port" mp4 "src=video.mp4&$query")
    echo "players: Chromium on the MP4 reported:"
    while IFS= read -r line; do echo "  $line"; done <<<"$report"
    for name in "${PLAYERS_PAGE_CHECKS[@]}"; do
        if ! grep -q "^ok $name " <<<"$report"; then
            echo "players: Chromium: the check '$name' did not pass" >&2
            failed=1
        fi
    done
    if [[ $failed == 1 ]]; then
        echo "players: Chromium's messages: $dir/chromium.log; the server's: $dir/server.log" >&2
    fi

    if [[ -n $avi ]]; then
        report=$(players_page "$dir" "$players_port" avi "src=video.avi&refusal=1")
        report=${report%%$'\n'*}
        echo "players: Chromium on the AVI (a fact, not a check): ${report#fact }"
    fi

    players_gstreamer "$dir/served/video.mp4" "$seconds" || failed=1
    return "$failed"
)

# Starts the range server on DIR/served and sets players_port and
# players_server (its process). Waits for the port it prints, never for a
# fixed time.
players_serve() {
    local dir=$1 fd
    exec {fd}< <(exec python3 tests/players/range_server.py "$dir/served" --hold-limit 90 \
        2>"$dir/server.log")
    players_server=$!
    if ! read -r -t 30 -u "$fd" players_port || [[ ! $players_port =~ ^[0-9]+$ ]]; then
        echo "players: the range server did not start:" >&2
        cat "$dir/server.log" >&2
        return 1
    fi
}

# Half of SECONDS, where the page seeks to.
players_half() {
    awk -v s="$1" 'BEGIN { printf "%g", s / 2 }'
}

# Loads play.html?run=RUN&QUERY in headless Chromium, with a profile of its
# own, and prints the page's report. The page keeps itself open until it has
# reported; the time limit is for a Chromium that hangs.
players_page() {
    local dir=$1 port=$2 run=$3 query=$4 dom
    dom=$(timeout -k 10 150 chromium --headless=new --no-sandbox --disable-gpu \
        --autoplay-policy=no-user-gesture-required --disable-background-networking \
        --disable-component-update --disable-sync --no-first-run \
        --user-data-dir="$dir/profile-$run" --dump-dom \
        "http://127.0.0.1:$port/play.html?run=$run&$query" 2>>"$dir/chromium.log") || true
    # The report's text, as the DOM escapes it.
    sed -n '/<pre id="report">/,/<\/pre>/p' <<<"$dom" |
        sed -e 's/^<pre id="report">//' -e '/^<\/pre>/d' -e 's/&lt;/</g' -e 's/&gt;/>/g' \
            -e 's/&amp;/\&/g' | grep . || echo "(no report: the page did not load or Chromium failed)"
}

# gst-discoverer-1.0 on FILE: the duration within two frames of SECONDS, one
# H.264 stream of the picture's size and one AAC stream, mono at 8000 Hz.
players_gstreamer() {
    local file=$1 seconds=$2 out found expected
    out=$(gst-discoverer-1.0 "$file" 2>&1) || true
    found=$(awk -v s="$seconds" -v fps="$PLAYERS_FPS" '
        /^  Duration: / { split($2, t, ":"); d = t[1] * 3600 + t[2] * 60 + t[3]
                          duration = (d - s <= 2 / fps && s - d <= 2 / fps) ? "duration ok" : "duration " d }
        /^ *video #/    { kind = "video"; videos++; vcodec = $0; sub(/^ *video #[0-9]+: /, "", vcodec) }
        /^ *audio #/    { kind = "audio"; audios++; acodec = $0; sub(/^ *audio #[0-9]+: /, "", acodec) }
        /^ *Width: /    { if (kind == "video") w = $2 }
        /^ *Height: /   { if (kind == "video") h = $2 }
        /^ *Channels: / { if (kind == "audio") ch = $2 }
        /^ *Sample rate: / { if (kind == "audio") rate = $3 }
        /[Mm]issing plugins/ { missing = 1 }
        END {
            if (vcodec ~ /^H\.264/) vcodec = "H.264"
            if (acodec ~ /^MPEG-4 AAC/) acodec = "AAC"
            printf "%s, %d video (%s %sx%s), %d audio (%s, %s ch, %s Hz)%s\n", duration, videos,
                vcodec, w, h, audios, acodec, ch, rate, missing ? ", missing plugins" : ""
        }' <<<"$out")
    expected="duration ok, 1 video (H.264 ${PLAYERS_WIDTH}x$PLAYERS_HEIGHT), 1 audio (AAC, 1 ch, 8000 Hz)"
    echo "players: gst-discoverer-1.0 read: $found"
    if [[ $found != "$expected" ]]; then
        echo "players: GStreamer: expected $expected; it printed:" >&2
        printf '%s\n' "$out" >&2
        return 1
    fi
}
