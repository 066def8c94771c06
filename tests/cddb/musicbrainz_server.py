#!/usr/bin/env python3
"""A loopback MusicBrainz-style server (web service version 2, JSON) and Cover Art Archive
for the tests of the CDDB component.

It serves what the tests write into ROOT:
  ROOT/discid/<disc id>.json     GET /<scenario>/ws/2/discid/<disc id>?inc=...   (else 404)
  ROOT/toc/<toc, '+' as '_'>.json GET /<scenario>/ws/2/discid/-?toc=<toc>&...    (else 404)
  ROOT/cover/<release id>         GET /<scenario>/release/<release id>/front-250  (else 404)
The scenario chooses how it answers:
  normal    as above
  busy      answers every other request for a path 503 (the first, the third ...), the rest as normal
  garbage   answers 200 with text that is not JSON
It listens on 127.0.0.1 at a port of the system's choice (written to --port-file), logs
each request as "<seconds since start> <path with query> UA=<User-Agent>" to --log, and
stops after --lifetime seconds or at GET /quit. --selftest checks every scenario.
"""
import argparse
import http.client
import http.server
import os
import sys
import tempfile
import threading
import time
import urllib.parse

SCENARIOS = ["normal", "busy", "garbage"]
NOT_FOUND = b'{"error": "Not Found", "help": "For usage, please see: https://musicbrainz.org/development/mmd"}'


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def send(self, code, body, kind="application/json; charset=utf-8"):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        if code == 503:
            self.send_header("Retry-After", "1")
        self.end_headers()
        self.wfile.write(body)

    def served(self, *parts):
        path = os.path.join(self.server.root, *parts)
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        server = self.server
        with server.lock:
            server.log(f"{time.monotonic() - server.started:.3f} {self.path} UA={self.headers.get('User-Agent', '')}")
        if url.path == "/quit":
            self.send(200, b"bye\n", "text/plain")
            threading.Thread(target=server.shutdown, daemon=True).start()
            return
        parts = url.path.split("/")
        if len(parts) < 3 or parts[1] not in SCENARIOS:
            self.send(404, NOT_FOUND)
            return
        scenario, rest = parts[1], "/".join(parts[2:])
        if scenario == "busy":
            with server.lock:
                refused = self.path not in server.seen
                if refused:
                    server.seen.add(self.path)
                else:
                    server.seen.discard(self.path)
            if refused:
                self.send(503, b'{"error": "Your requests are exceeding the allowable rate limit."}')
                return
        if scenario == "garbage":
            self.send(200, b"<html>\x00\xff not json {{{ ]", "text/html")
            return
        body = None
        kind = "application/json; charset=utf-8"
        query = urllib.parse.parse_qs(url.query)
        if rest.startswith("ws/2/discid/-") and "toc" in query:
            body = self.served("toc", query["toc"][0].replace(" ", "_").replace("+", "_") + ".json")
        elif rest.startswith("ws/2/discid/"):
            disc_id = rest[len("ws/2/discid/"):]
            if disc_id and "/" not in disc_id and ".." not in disc_id:
                body = self.served("discid", disc_id + ".json")
        elif rest.startswith("release/") and rest.endswith("/front-250"):
            release = rest[len("release/"):-len("/front-250")]
            if release and "/" not in release and ".." not in release:
                body = self.served("cover", release)
                kind = "image/jpeg"
        if body is None:
            self.send(404, NOT_FOUND)
        else:
            self.send(200, body, kind)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, root, log_path):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = root
        self.log_path = log_path
        self.lock = threading.Lock()
        self.seen = set()
        self.started = time.monotonic()

    def log(self, line):
        if self.log_path:
            with open(self.log_path, "a") as f:
                f.write(line + "\n")


def serve(root, port_file, log_path, lifetime):
    server = Server(root, log_path)
    if port_file:
        with open(port_file + ".tmp", "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(port_file + ".tmp", port_file)
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()


def selftest():
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "discid"))
        with open(os.path.join(root, "discid", "abc.json"), "w") as f:
            f.write('{"releases": []}')
        server = Server(root, None)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        port = server.server_address[1]

        def get(path):
            connection = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            connection.request("GET", path)
            answer = connection.getresponse()
            return answer.status, answer.read()

        checks = [
            ("normal found", get("/normal/ws/2/discid/abc?inc=recordings"), 200, b'{"releases": []}'),
            ("normal unknown", get("/normal/ws/2/discid/zzz"), 404, None),
            ("toc unknown", get("/normal/ws/2/discid/-?toc=1+1+500+150"), 404, None),
            ("busy first", get("/busy/ws/2/discid/abc"), 503, None),
            ("busy again", get("/busy/ws/2/discid/abc"), 200, b'{"releases": []}'),
            ("busy third", get("/busy/ws/2/discid/abc"), 503, None),
            ("garbage", get("/garbage/ws/2/discid/abc"), 200, None),
            ("escape", get("/normal/ws/2/discid/..%2f..%2fetc"), 404, None),
        ]
        for name, (status, body), want_status, want_body in checks:
            good = status == want_status and (want_body is None or body == want_body)
            print(("ok   " if good else "FAIL ") + name, status)
            failures += 0 if good else 1
        server.shutdown()
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description="Loopback MusicBrainz-style test server.")
    parser.add_argument("--root", help="folder of the answers (discid/, toc/, cover/)")
    parser.add_argument("--port-file", help="file to write the chosen port to")
    parser.add_argument("--lifetime", type=float, default=1800, help="seconds before it stops (default 1800)")
    parser.add_argument("--log", help="file to append each request to")
    parser.add_argument("--selftest", action="store_true", help="check every scenario against a server of its own")
    args = parser.parse_args()
    if args.selftest:
        sys.exit(selftest())
    if not args.root:
        parser.error("--root is required")
    serve(args.root, args.port_file, args.log, args.lifetime)


if __name__ == "__main__":
    main()
