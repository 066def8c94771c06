#!/usr/bin/env python3
"""A loopback AccurateRip database for the tests (127.0.0.1 only).

Serves ROOT/<a>/<b>/<c>/dBAR-nnn-iiiiiiii-jjjjjjjj-cccccccc.bin under
/<scenario>/accuraterip/..., as the database's server lays its files out:
  normal  the file, or 404 when there is none
  silent  reads the request and never answers (until the server stops)
  broken  answers 500
GET /quit stops it; it stops by itself after --lifetime seconds.
Usage: accuraterip_server.py --root DIR [--port-file FILE] [--lifetime S] [--log FILE]
       accuraterip_server.py --selftest
"""
import argparse
import http.server
import os
import re
import socket
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

PATH = re.compile(r"^/(normal|silent|broken)/accuraterip/([0-9a-f])/([0-9a-f])/([0-9a-f])/"
                  r"(dBAR-\d{3}-[0-9a-f]{8}-[0-9a-f]{8}-[0-9a-f]{8}\.bin)$")
MAX_FILE = 1 << 20


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "ARTest/1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.server.log_path:
            with open(self.server.log_path, "a") as log:
                log.write(self.path[:300] + "\n")
        if self.path == "/quit":
            self.reply(200, b"bye")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        match = PATH.match(self.path)
        if not match:
            self.reply(404, b"")
            return
        scenario = match.group(1)
        if scenario == "silent":
            self.server.stopping.wait(self.server.lifetime)
            return
        if scenario == "broken":
            self.reply(500, b"")
            return
        name = os.path.join(self.server.root, *match.group(2, 3, 4, 5))
        try:
            with open(name, "rb") as f:
                data = f.read(MAX_FILE + 1)
        except OSError:
            self.reply(404, b"")
            return
        self.reply(200, data[:MAX_FILE], "application/octet-stream")

    def reply(self, status, body, kind="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def serve(root, port_file=None, lifetime=1800.0, log_path=None, ready=None):
    server = Server(("127.0.0.1", 0), Handler)
    server.root, server.lifetime, server.log_path = root, lifetime, log_path
    server.stopping = threading.Event()
    port = server.server_address[1]
    if port_file:
        with open(port_file + ".tmp", "w") as f:
            f.write(str(port))
        os.replace(port_file + ".tmp", port_file)
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    if ready:
        ready(port, server)
    server.serve_forever()
    server.stopping.set()
    timer.cancel()
    server.server_close()


def selftest():
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "3", "2", "1"))
        name = "dBAR-002-00000123-00000456-0a0b0c0d.bin"
        with open(os.path.join(root, "3", "2", "1", name), "wb") as f:
            f.write(b"\x02" + bytes(12) + bytes(18))
        started = threading.Event()
        holder = {}

        def ready(port, server):
            holder.update(port=port, server=server)
            started.set()

        thread = threading.Thread(target=serve, args=(root, None, 30.0, None, ready), daemon=True)
        thread.start()
        started.wait(5)
        base = "http://127.0.0.1:%d/" % holder["port"]
        failures = 0

        def expect(what, ok):
            nonlocal failures
            print(("ok   " if ok else "FAIL ") + what)
            failures += 0 if ok else 1

        body = urllib.request.urlopen(base + "normal/accuraterip/3/2/1/" + name, timeout=5).read()
        expect("normal serves the file", len(body) == 31)
        for path, status in (("normal/accuraterip/3/2/1/" + name.replace("123", "124"), 404),
                             ("broken/accuraterip/3/2/1/" + name, 500), ("elsewhere", 404)):
            try:
                urllib.request.urlopen(base + path, timeout=5)
                expect(path + " fails", False)
            except urllib.error.HTTPError as error:
                expect("%s answers %d" % (path, status), error.code == status)
        began = time.monotonic()
        try:
            urllib.request.urlopen(base + "silent/accuraterip/3/2/1/" + name, timeout=1)
            expect("silent never answers", False)
        except (socket.timeout, urllib.error.URLError, TimeoutError):
            expect("silent never answers", time.monotonic() - began >= 0.9)
        urllib.request.urlopen(base + "quit", timeout=5).read()
        thread.join(5)
        expect("quit stops the server", not thread.is_alive())
    print("%d passed, %d failed" % (6 - failures, failures))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root")
    parser.add_argument("--port-file")
    parser.add_argument("--lifetime", type=float, default=1800.0)
    parser.add_argument("--log")
    parser.add_argument("--selftest", action="store_true")
    args = parser.parse_args()
    if args.selftest:
        return selftest()
    if not args.root:
        parser.error("--root is needed")
    serve(args.root, args.port_file, args.lifetime, args.log)
    return 0


if __name__ == "__main__":
    sys.exit(main())
