#!/usr/bin/env bash
# Serves the page scripts/build-web.sh built on this machine only
# (127.0.0.1), for converting in a browser with no installation:
#
#   bash scripts/serve-web.sh [FOLDER] [PORT]   # default build-web/site, 8264
#
# then open http://127.0.0.1:8264/ in the browser. Any static web server does
# the same: the page needs no special headers. Ctrl+C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
site=${1:-build-web/site}
port=${2:-8264}
if [[ ! -f $site/index.html ]]; then
    echo "serve-web: no page in $site; run scripts/build-web.sh first" >&2
    exit 1
fi
echo "serve-web: http://127.0.0.1:$port/ (Ctrl+C to stop)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port"
