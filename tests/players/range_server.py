#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the players' check (scripts/players.sh).

    python3 tests/players/range_server.py ROOT [--hold-limit SECONDS]

Serves the files directly in ROOT and answers byte ranges (206 Partial Content
with Content-Range): a browser seeks in a video only when the server does, and
Python's own http.server does not. Prints the port it listens on as its first
line, then logs one line per request on stderr.

Two more paths let a page stay open while its video plays. Chromium's
--dump-dom prints the page once its load event fires, and the load event waits
for every image: GET /hold?run=NAME answers (204, no picture) only when the page
has sent POST /done?run=NAME, or after --hold-limit seconds at the latest."""

import argparse
import http.server
import os
import re
import sys
import threading
import urllib.parse

TYPES = {".mp4": "video/mp4", ".avi": "video/x-msvideo", ".html": "text/html; charset=utf-8"}
SINGLE_RANGE = re.compile(r"bytes=(\d*)-(\d*)$")


def byte_range(header, size):
    """(first, last) for a Range header, None to send the whole file, or
    "unsatisfiable". Several ranges at once get the whole file, as a server
    may answer."""
    match = SINGLE_RANGE.match(header.strip())
    if not match or match.groups() == ("", ""):
        return None
    first, last = match.groups()
    if first == "":
        # The last N bytes.
        length = int(last)
        if length == 0 or size == 0:
            return "unsatisfiable"
        return max(size - length, 0), size - 1
    first = int(first)
    last = size - 1 if last == "" else min(int(last), size - 1)
    if first >= size or last < first:
        return "unsatisfiable"
    return first, last


class Holds:
    """The runs whose page has reported, so their /hold may answer."""

    def __init__(self):
        self._lock = threading.Lock()
        self._events = {}

    def event(self, run):
        with self._lock:
            return self._events.setdefault(run, threading.Event())


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    hold_limit = 60.0
    holds = Holds()

    def log_message(self, format, *args):
        sys.stderr.write("range_server: %s\n" % (format % args))

    def do_HEAD(self):
        self.serve_file(send_body=False)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/hold":
            released = self.holds.event(self.run_name(url)).wait(self.hold_limit)
            self.log_message("hold %s", "released" if released else "ran out")
            self.send_empty(204)
            return
        self.serve_file(send_body=True)

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        # The body (the page's report) is read so that the connection stays usable.
        self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if url.path != "/done":
            self.send_empty(404)
            return
        self.holds.event(self.run_name(url)).set()
        self.send_empty(204)

    @staticmethod
    def run_name(url):
        return urllib.parse.parse_qs(url.query).get("run", [""])[0]

    def send_empty(self, status, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def local_file(self):
        """The file in ROOT the request names, or None: only plain names, so
        nothing outside ROOT can be reached."""
        name = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).lstrip("/")
        if not name or "/" in name or "\\" in name or name.startswith("."):
            return None
        path = os.path.join(self.root, name)
        return path if os.path.isfile(path) else None

    def serve_file(self, send_body):
        path = self.local_file()
        if path is None:
            self.send_empty(404)
            return
        with open(path, "rb") as f:
            size = os.fstat(f.fileno()).st_size
            wanted = byte_range(self.headers.get("Range", ""), size)
            if wanted == "unsatisfiable":
                self.send_empty(416, [("Content-Range", "bytes */%d" % size)])
                return
            if wanted is None:
                first, last = 0, size - 1
                self.send_response(200)
            else:
                first, last = wanted
                self.send_response(206)
                self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
            kind = TYPES.get(os.path.splitext(path)[1], "application/octet-stream")
            self.send_header("Content-Type", kind)
            self.send_header("Accept-Ranges", "bytes")
            self.send_header("Content-Length", str(last - first + 1))
            self.end_headers()
            if send_body:
                self.copy(f, first, last - first + 1)

    def copy(self, f, offset, length):
        f.seek(offset)
        try:
            while length > 0:
                block = f.read(min(length, 256 * 1024))
                if not block:
                    break
                self.wfile.write(block)
                length -= len(block)
        except (BrokenPipeError, ConnectionResetError):
            # A browser drops a download it no longer needs (after a seek).
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", help="folder whose files are served")
    parser.add_argument("--hold-limit", type=float, default=60.0,
                        help="longest wait of /hold, in seconds (default 60)")
    args = parser.parse_args()
    if not os.path.isdir(args.root):
        parser.error(f"{args.root}: not a folder")
    Handler.root = args.root
    Handler.hold_limit = args.hold_limit
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
