#!/usr/bin/env python3
"""A loopback CDDB server (HTTP, protocol level 6) for the tests of the CDDB component.

It serves the xmcd entries of a folder in the freedb layout (ROOT/<category>/<discid>,
UTF-8) at /<scenario>/~cddb/cddb.cgi, by GET or by POST with a form body. The scenario
chooses how it answers:

  normal    query: 200 one entry, 210 several, 202 none; read: 210 entry or 401; lscat: 210
  inexact   query answers 211 with the matches
  slow      waits 60 seconds, then answers as normal
  truncate  sends half the answer without its "." and closes
  garbage   sends random bytes that are not the protocol
  endless   sends a "200" line that never ends, until the client leaves or 30 seconds pass
  reset     resets the connection (RST) before answering
  proxy     a proxy: wants an absolute URI and Proxy-Authorization: Basic user:password,
            answers 407 otherwise, and as normal once it has them
  refuse    answers every submission "501 Entry rejected: test refusal."; queries as normal

Submissions are POSTs to /<scenario>/~cddb/submit.cgi. The server wants the headers
Category (one of the 11), Discid (8 hex digits), User-Email (with an @), Submit-Mode (test
or submit) and a Content-Length equal to the body's size; the body is an xmcd entry in
UTF-8 whose lines are at most 256 bytes, whose DISCID list holds the Discid header, whose
"# Track frame offsets" and "# Disc length" give that disc id (CDDB1), and which has one
TTITLE per offset and a DTITLE. A good one is stored as ROOT/<category>/<discid>, in test
mode too, so that a later query finds it, and answered "200 OK, submission has been sent.";
a broken rule is answered "500 <what is wrong>." and nothing is stored. The scenarios slow,
truncate, garbage, endless and reset treat the submission's answer as they do others.

It listens on 127.0.0.1 at a port of the system's choice (written to --port-file), logs
each request line (and a POST's body as "BODY <body>", a submission's headers as
"HEADER <name>: <value>") to stderr and to --log, and stops after --lifetime seconds or at
GET /quit. --selftest runs every scenario against a server of its own.
"""
import argparse
import base64
import http.client
import http.server
import os
import random
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

CATEGORIES = ["blues", "classical", "country", "data", "folk", "jazz", "misc", "newage", "reggae", "rock",
              "soundtrack"]
SCENARIOS = ["normal", "inexact", "slow", "truncate", "garbage", "endless", "reset", "proxy", "refuse"]
CGI = "/~cddb/cddb.cgi"
SUBMIT_CGI = "/~cddb/submit.cgi"
SUBMIT_HEADERS = ["Category", "Discid", "User-Email", "Submit-Mode", "Content-Length", "Charset", "X-Cddbd-Note"]
MAX_LINE = 256  # bytes, the line end included
LIST_FOLLOWS = "list follows (until terminating `.')"
MAX_BODY = 65536


def is_disc_id(text):
    return len(text) == 8 and all(c in "0123456789abcdefABCDEF" for c in text)


def is_category(text):
    return text != "" and all(c.isalnum() or c in "_-" for c in text) and text.isascii()


def xmcd_value(text, keyword):
    """The value of keyword in an xmcd entry, its continuation lines joined."""
    prefix = keyword + "="
    return "".join(line[len(prefix):] for line in text.splitlines() if line.startswith(prefix))


def disc_id_of(offsets, length_seconds):
    """The CDDB1 disc id of track start frames (lead-in included) and the disc length in seconds."""
    digits = sum(sum(int(d) for d in str(frame // 75)) for frame in offsets)
    return "%08x" % ((digits % 255) << 24 | (length_seconds - offsets[0] // 75) << 8 | len(offsets))


class SubmissionError(Exception):
    """A broken rule of a submission; its text is the answer after "500 "."""


def read_offsets(lines):
    """The frame offsets and the disc length (seconds) of an entry's comment lines."""
    offsets, length, in_offsets = [], None, False
    for line in lines:
        if not line.startswith("#"):
            break
        comment = line[1:].strip()
        if line.startswith("# Track frame offsets:"):
            in_offsets = True
        elif in_offsets and comment.isdigit() and comment.isascii():
            offsets.append(int(comment))
        else:
            in_offsets = False
            if line.startswith("# Disc length:") and line[14:].split()[:1] and line[14:].split()[0].isdigit():
                length = int(line[14:].split()[0])
    if not offsets or not 1 <= len(offsets) <= 99:
        raise SubmissionError("Missing track frame offsets.")
    if length is None:
        raise SubmissionError("Missing disc length.")
    return offsets, length


def check_submission(headers, body):
    """(category, discid, text) of a good submission; raises SubmissionError otherwise."""
    if any(headers.get(name) is None for name in SUBMIT_HEADERS[:5]):
        raise SubmissionError("Missing required header information.")
    category, disc_id = headers["Category"].strip(), headers["Discid"].strip().lower()
    if category not in CATEGORIES:
        raise SubmissionError("Invalid category.")
    if not is_disc_id(disc_id):
        raise SubmissionError("Invalid disc ID.")
    if "@" not in headers["User-Email"]:
        raise SubmissionError("Invalid e-mail address.")
    if headers["Submit-Mode"].strip() not in ("test", "submit"):
        raise SubmissionError("Invalid submit mode.")
    if not headers["Content-Length"].strip().isdigit() or int(headers["Content-Length"]) != len(body):
        raise SubmissionError("Content-Length does not match the body.")
    if any(len(line) + 1 > MAX_LINE for line in body.split(b"\n")):
        raise SubmissionError("Line over %d bytes." % MAX_LINE)
    try:
        text = body.decode("utf-8")
    except UnicodeDecodeError:
        raise SubmissionError("Entry is not valid UTF-8.")
    lines = text.splitlines()
    if not lines or not lines[0].startswith("# xmcd"):
        raise SubmissionError("Not an xmcd entry.")
    offsets, length = read_offsets(lines)
    if disc_id not in [i.strip().lower() for i in xmcd_value(text, "DISCID").split(",")]:
        raise SubmissionError("Disc ID not in the DISCID list.")
    if disc_id_of(offsets, length) != disc_id:
        raise SubmissionError("Disc ID does not match the offsets.")
    if not xmcd_value(text, "DTITLE").strip():
        raise SubmissionError("Blank DTITLE.")
    titles = {line.split("=", 1)[0] for line in lines if line.startswith("TTITLE") and "=" in line}
    if titles != {"TTITLE%d" % i for i in range(len(offsets))}:
        raise SubmissionError("Track titles do not match the offsets.")
    return category, disc_id, text


class Database:
    """The entries under root, read afresh for each request (the folder is small)."""

    def __init__(self, root):
        self.root = root

    def entries(self):
        """(category, discid, text) of every entry."""
        found = []
        if not self.root or not os.path.isdir(self.root):
            return found
        for category in sorted(os.listdir(self.root)):
            folder = os.path.join(self.root, category)
            if not os.path.isdir(folder) or not is_category(category):
                continue
            for disc_id in sorted(os.listdir(folder)):
                if is_disc_id(disc_id):
                    with open(os.path.join(folder, disc_id), encoding="utf-8", errors="replace") as f:
                        found.append((category, disc_id.lower(), f.read()))
        return found

    def matches(self, disc_id):
        """The match lines of the entries whose DISCID list holds disc_id."""
        lines = []
        for category, own_id, text in self.entries():
            ids = [i.strip().lower() for i in xmcd_value(text, "DISCID").split(",")]
            if disc_id.lower() in ids:
                lines.append("%s %s %s" % (category, own_id, xmcd_value(text, "DTITLE")))
        return lines

    def store(self, category, disc_id, text):
        folder = os.path.join(self.root, category)
        os.makedirs(folder, exist_ok=True)
        temporary = os.path.join(folder, disc_id + ".tmp")
        with open(temporary, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        os.replace(temporary, os.path.join(folder, disc_id))

    def entry(self, category, disc_id):
        if not is_category(category) or not is_disc_id(disc_id):
            return None
        path = os.path.join(self.root or "", category, disc_id.lower())
        if not os.path.isfile(path):
            return None
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()


def answer_lines(database, words, scenario):
    """The lines of the answer to a command (split into words); a multi-line answer ends with "."."""
    command = " ".join(w.lower() for w in words[:2])
    if command == "cddb lscat":
        return ["210 OK, category " + LIST_FOLLOWS] + CATEGORIES + ["."]
    if command == "cddb query":
        if len(words) < 5 or not is_disc_id(words[2]):
            return ["500 Command syntax error."]
        matches = database.matches(words[2])
        if not matches:
            return ["202 No match for disc ID %s." % words[2].lower()]
        if scenario == "inexact":
            return ["211 Found inexact matches, " + LIST_FOLLOWS] + matches + ["."]
        if len(matches) == 1:
            return ["200 " + matches[0]]
        return ["210 Found exact matches, " + LIST_FOLLOWS] + matches + ["."]
    if command == "cddb read":
        if len(words) != 4:
            return ["500 Command syntax error."]
        text = database.entry(words[2], words[3])
        if text is None:
            return ["401 %s %s No such CD entry in database." % (words[2], words[3])]
        return (["210 %s %s CD database entry follows (until terminating `.')" % (words[2], words[3].lower())] +
                text.splitlines() + ["."])
    return ["500 Unrecognized command."]


def answer_body(database, form, scenario):
    """The answer to a cddb.cgi form (cmd, hello, proto) as bytes."""
    cmd = form.get("cmd", [""])[0]
    hello = form.get("hello", [""])[0].split()
    if len(hello) != 4:
        lines = ["409 No handshake."]
    else:
        lines = answer_lines(database, cmd.split(), scenario)
    proto = form.get("proto", ["1"])[0]
    # Below level 6 the server's text is ISO-8859-1.
    encoding = "utf-8" if proto.isdigit() and int(proto) >= 6 else "latin-1"
    return "".join(line + "\r\n" for line in lines).encode(encoding, errors="replace")


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "CddbTestServer/1.0"

    def log_message(self, format, *args):
        pass  # requests are logged by log() instead

    def log(self, text):
        sys.stderr.write(text + "\n")
        sys.stderr.flush()
        if self.server.log_file:
            with self.server.log_lock, open(self.server.log_file, "a", encoding="utf-8") as f:
                f.write(text + "\n")

    def do_GET(self):
        self.serve(b"")

    def do_POST(self):
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            length = 0
        # A client that sends less than it announced must not hold the thread for ever.
        self.connection.settimeout(10)
        try:
            body = self.rfile.read(min(max(length, 0), MAX_BODY))
        except socket.timeout:
            body = b""
        self.serve(body)

    def serve(self, body):
        self.log(self.requestline)
        url = urllib.parse.urlsplit(self.path)
        if url.path.endswith(SUBMIT_CGI):
            self.serve_submission(url, body)
            return
        if body:
            self.log("BODY " + body.decode("latin-1"))
        absolute = bool(url.scheme)
        if url.path == "/quit":
            self.send_text(200, b"bye\r\n")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        parts = url.path.split("/", 2)
        scenario = parts[1] if len(parts) == 3 else ""
        if scenario not in SCENARIOS or "/" + parts[2] != CGI:
            self.send_text(404, b"Not found\r\n")
            return
        query = body.decode("latin-1") if self.command == "POST" else url.query
        form = urllib.parse.parse_qs(query, keep_blank_values=True, encoding="utf-8", errors="replace")
        if scenario == "proxy" and not (absolute and self.proxy_authorised()):
            self.refuse_proxy()
            return
        getattr(self, "answer_" + scenario, self.answer_normal)(answer_body(self.server.database, form, scenario))

    def serve_submission(self, url, body):
        for name in SUBMIT_HEADERS:
            if self.headers.get(name) is not None:
                self.log("HEADER %s: %s" % (name, self.headers.get(name)))
        self.log("BODY " + body.decode("utf-8", errors="replace"))
        parts = url.path.split("/", 2)
        scenario = parts[1] if len(parts) == 3 else ""
        if scenario not in SCENARIOS or "/" + parts[2] != SUBMIT_CGI:
            self.send_text(404, b"Not found\r\n")
            return
        if self.command != "POST":
            self.send_text(405, b"Submissions are POSTed\r\n")
            return
        if scenario == "proxy" and not (bool(url.scheme) and self.proxy_authorised()):
            self.refuse_proxy()
            return
        getattr(self, "answer_" + scenario, self.answer_normal)(self.submission_answer(scenario, body))

    def submission_answer(self, scenario, body):
        if scenario == "refuse":
            return b"501 Entry rejected: test refusal.\r\n"
        try:
            category, disc_id, text = check_submission(self.headers, body)
        except SubmissionError as e:
            return ("500 %s\r\n" % e).encode("ascii")
        # Only where the client gets the answer whole; a slow one has given up by then.
        if scenario in ("normal", "proxy", "inexact"):
            self.server.database.store(category, disc_id, text)
        return b"200 OK, submission has been sent.\r\n"

    def proxy_authorised(self):
        expected = "%s:%s" % (self.server.proxy_user, self.server.proxy_password)
        given = self.headers.get("Proxy-Authorization", "")
        return given == "Basic " + base64.b64encode(expected.encode("latin-1")).decode("ascii")

    def refuse_proxy(self):
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="cddb test proxy"')
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", "0")
        self.end_headers()

    def send_text(self, status, data):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def send_head_only(self):
        """Headers of a 200 answer without a length: the body ends when the connection does."""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.end_headers()

    def answer_normal(self, data):
        self.send_text(200, data)

    def answer_slow(self, data):
        time.sleep(60)
        self.send_text(200, data)

    def answer_truncate(self, data):
        self.send_head_only()
        self.wfile.write(data[:len(data) // 2])
        self.close_connection = True

    def answer_garbage(self, data):
        noise = bytes(random.Random(len(data)).randrange(256) for _ in range(512))
        self.send_text(200, b"\x00\xff" + noise)  # never three digits first

    def answer_endless(self, data):
        self.send_head_only()
        deadline = time.monotonic() + 30
        try:
            self.wfile.write(b"200 ")
            while time.monotonic() < deadline:
                self.wfile.write(b"x" * 4096)
                time.sleep(0.01)
        except OSError:
            pass  # the client has gone, as it should
        self.close_connection = True

    def answer_reset(self, data):
        # Linger off with a zero time: close() sends RST instead of FIN.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that leaves early is part of the tests


def start_server(args):
    server = Server(("127.0.0.1", 0), Handler)
    server.database = Database(args.root)
    server.log_file = args.log
    server.log_lock = threading.Lock()
    server.proxy_user = args.proxy_user
    server.proxy_password = args.proxy_password
    return server


def write_port_file(path, port):
    # Written whole and then renamed, so a test that polls never reads half.
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write("%d\n" % port)
    os.replace(temporary, path)


def serve(args):
    server = start_server(args)
    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    sys.stderr.write("cddb test server on 127.0.0.1:%d\n" % port)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()
    server.server_close()
    return 0


# --- Self-test -------------------------------------------------------------------

SELFTEST_ENTRIES = {
    ("rock", "0c02a603"): ["DISCID=0c02a603", "DTITLE=AC/DC / Back in Black", "TTITLE0=Caf\u00e9 \u2019",
                           "TTITLE1=Two", "TTITLE2=Three"],
    ("misc", "5b077b08"): ["DISCID=5b077b08", "DTITLE=First / Disc", "TTITLE0=One"],
    ("jazz", "a1b2c3d4"): ["DISCID=a1b2c3d4,5b077b08", "DTITLE=Second / Disc", "TTITLE0=One"],
}
HELLO = "hello=jane+example.org+CantaroMaker+1.0&proto=6"


def make_root(root):
    for (category, disc_id), body in SELFTEST_ENTRIES.items():
        os.makedirs(os.path.join(root, category), exist_ok=True)
        with open(os.path.join(root, category, disc_id), "w", encoding="utf-8") as f:
            f.write("# xmcd\n#\n# Revision: 1\n" + "".join(line + "\n" for line in body))


def request(port, scenario, cmd, method="GET", timeout=10, target=None, headers=None):
    """(status, headers, body) of one cddb.cgi request."""
    form = "cmd=" + urllib.parse.quote_plus(cmd) + "&" + HELLO
    path = "/%s%s" % (scenario, CGI)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        if method == "POST":
            connection.request("POST", target or path, body=form.encode("ascii"),
                               headers=dict(headers or {}, **{"Content-Type": "application/x-www-form-urlencoded"}))
        else:
            connection.request("GET", (target or path) + "?" + form, headers=headers or {})
        response = connection.getresponse()
        try:
            body = response.read()
        except http.client.IncompleteRead as e:
            body = e.partial
        return response.status, response.headers, body
    finally:
        connection.close()


# A disc of two tracks (150, 30000; lead-out 60000 = 800 s): 2 + 400 → digit sums 2 + 4,
# length 800 - 2 = 798 = 0x31e.
SUBMIT_OFFSETS, SUBMIT_SECONDS, SUBMIT_ID = [150, 30000], 800, "06031e02"


def submit_entry(disc_ids=SUBMIT_ID, title="Caf\u00e9 / Submitted"):
    return ("# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t30000\n#\n# Disc length: 800 seconds\n#\n"
            "# Revision: 0\n# Submitted via: CantaroMaker 2\n#\nDISCID=%s\nDTITLE=%s\nDYEAR=\nDGENRE=Folk\n"
            "TTITLE0=One\nTTITLE1=Two\nEXTD=\nEXTT0=\nEXTT1=\nPLAYORDER=\n" % (disc_ids, title)).encode("utf-8")


def submit(port, scenario, body, disc_id=SUBMIT_ID, leave_out=None, target=None, extra=None):
    """(status, body) of a submission; leave_out names a header not to send."""
    headers = {"Category": "folk", "Discid": disc_id, "User-Email": "jane@example.org", "Submit-Mode": "test",
               "Charset": "UTF-8", "X-Cddbd-Note": "Sent by CantaroMaker 2"}
    headers.update(extra or {})
    headers.pop(leave_out, None)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.request("POST", target or "/%s%s" % (scenario, SUBMIT_CGI), body=body, headers=headers)
        response = connection.getresponse()
        return response.status, response.read()
    finally:
        connection.close()


class SelfTest:
    def __init__(self, port, log):
        self.port = port
        self.log = log
        self.failures = 0

    def check(self, name, condition, detail=""):
        print("%s %s%s" % ("PASS" if condition else "FAIL", name, "" if condition else ": " + repr(detail)[:300]))
        self.failures += not condition

    def normal(self):
        status, _, body = request(self.port, "normal", "cddb query 0c02a603 3 150 15000 33000 680")
        self.check("normal query: one exact match", status == 200 and body.startswith(
            b"200 rock 0c02a603 AC/DC / Back in Black\r\n"), body)
        _, _, body = request(self.port, "normal", "cddb query 5B077B08 8 182 15262 29357 47359 70278 83487 100197 "
                             "119937 1917", method="POST")
        self.check("normal query: several by POST", body == b"210 Found exact matches, " + LIST_FOLLOWS.encode() +
                   b"\r\njazz a1b2c3d4 Second / Disc\r\nmisc 5b077b08 First / Disc\r\n.\r\n", body)
        _, _, body = request(self.port, "normal", "cddb query ffffffff 1 150 100")
        self.check("normal query: none", body.startswith(b"202 "), body)
        _, _, body = request(self.port, "normal", "cddb read rock 0c02a603")
        self.check("normal read", body.startswith(b"210 rock 0c02a603 ") and body.endswith(b"\r\n.\r\n") and
                   "TTITLE0=Caf\u00e9 \u2019\r\n".encode("utf-8") in body, body)
        _, _, body = request(self.port, "normal", "cddb read rock 12345678")
        self.check("normal read: not found", body.startswith(b"401 "), body)
        _, _, body = request(self.port, "normal", "cddb read ../.. 0c02a603")
        self.check("normal read: no way out of the root", body.startswith(b"401 "), body)
        _, _, body = request(self.port, "normal", "cddb lscat")
        lines = body.decode().split("\r\n")
        self.check("normal lscat", lines[0].startswith("210 ") and lines[1:] == CATEGORIES + [".", ""], body)
        _, _, body = request(self.port, "normal", "motd")
        self.check("normal: unknown command", body.startswith(b"500 "), body)
        status, _, _ = request(self.port, "nosuch", "cddb lscat")
        self.check("unknown scenario: 404", status == 404, status)

    def faults(self):
        _, _, body = request(self.port, "inexact", "cddb query 0c02a603 3 150 15000 33000 680")
        self.check("inexact", body.startswith(b"211 ") and b"\r\nrock 0c02a603 " in body and body.endswith(b".\r\n"),
                   body)
        started = time.monotonic()
        try:
            request(self.port, "slow", "cddb lscat", timeout=1)
            self.check("slow: times out", False, "answered")
        except socket.timeout:
            self.check("slow: times out", time.monotonic() - started < 5)
        _, _, whole = request(self.port, "normal", "cddb read rock 0c02a603")
        _, _, body = request(self.port, "truncate", "cddb read rock 0c02a603")
        self.check("truncate", body == whole[:len(whole) // 2] and not body.endswith(b".\r\n"), body)
        _, _, body = request(self.port, "garbage", "cddb lscat")
        self.check("garbage", len(body) > 100 and not body[:3].isdigit(), body[:20])
        self.endless()
        self.reset()

    def endless(self):
        connection = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        connection.sendall(("GET /endless%s?cmd=cddb+lscat&%s HTTP/1.0\r\n\r\n" % (CGI, HELLO)).encode())
        data = b""
        while len(data) < 200000:
            piece = connection.recv(65536)
            if not piece:
                break
            data += piece
        connection.close()
        body = data.split(b"\r\n\r\n", 1)[-1]
        self.check("endless", len(body) >= 100000 and body.startswith(b"200 x") and b"\n" not in body, len(body))

    def reset(self):
        connection = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        connection.sendall(("GET /reset%s?cmd=cddb+lscat&%s HTTP/1.0\r\n\r\n" % (CGI, HELLO)).encode())
        try:
            data = connection.recv(4096)
            self.check("reset", False, data)
        except ConnectionResetError:
            self.check("reset", True)
        finally:
            connection.close()

    def proxy(self):
        target = "http://cddb.example.org/proxy%s" % CGI
        good = {"Proxy-Authorization": "Basic " + base64.b64encode(b"puser:ppass").decode()}
        bad = {"Proxy-Authorization": "Basic " + base64.b64encode(b"puser:wrong").decode()}
        status, headers, _ = request(self.port, "proxy", "cddb lscat", target=target)
        self.check("proxy: no credentials", status == 407 and headers.get("Proxy-Authenticate", "").startswith(
            "Basic realm="), status)
        status, _, _ = request(self.port, "proxy", "cddb lscat", target=target, headers=bad)
        self.check("proxy: wrong password", status == 407, status)
        status, _, _ = request(self.port, "proxy", "cddb lscat", headers=good)
        self.check("proxy: not an absolute URI", status == 407, status)
        status, _, body = request(self.port, "proxy", "cddb query 0c02a603 3 150 15000 33000 680", target=target,
                                  headers=good)
        self.check("proxy: answers", status == 200 and body.startswith(b"200 rock 0c02a603 "), body)
        status, _, body = request(self.port, "proxy", "cddb lscat", method="POST", target=target, headers=good)
        self.check("proxy: POST", status == 200 and body.startswith(b"210 "), body)

    def query_submitted(self):
        _, _, body = request(self.port, "normal", "cddb query %s 2 150 30000 800" % SUBMIT_ID)
        return body

    def submissions(self):
        self.check("disc id of the submission's offsets", disc_id_of(SUBMIT_OFFSETS, SUBMIT_SECONDS) == SUBMIT_ID)
        self.check("disc id of the worked example", disc_id_of(
            [182, 15262, 29357, 47359, 70278, 83487, 100197, 119937], 1917) == "5b077b08")
        refused = [
            ("no User-Email", submit(self.port, "normal", submit_entry(), leave_out="User-Email"),
             b"500 Missing required header information.\r\n"),
            ("wrong disc id", submit(self.port, "normal", submit_entry("06031e02,06031f02"), disc_id="06031f02"),
             b"500 Disc ID does not match the offsets.\r\n"),
            ("id not in DISCID", submit(self.port, "normal", submit_entry("0c02a603")),
             b"500 Disc ID not in the DISCID list.\r\n"),
            ("unknown category", submit(self.port, "normal", submit_entry(), extra={"Category": "polka"}),
             b"500 Invalid category.\r\n"),
            ("line over 256 bytes", submit(self.port, "normal", submit_entry(title="A / " + "x" * 250)),
             b"500 Line over 256 bytes.\r\n"),
            ("refuse", submit(self.port, "refuse", submit_entry()), b"501 Entry rejected: test refusal.\r\n"),
        ]
        for name, (status, body), expected in refused:
            self.check("submit: " + name, status == 200 and body == expected, body)
        self.check("submit: nothing stored after refusals", self.query_submitted().startswith(b"202 "))
        self.short_body()
        status, body = submit(self.port, "normal", submit_entry())
        self.check("submit: good entry", status == 200 and body == b"200 OK, submission has been sent.\r\n", body)
        self.check("submit: stored, a query finds it",
                   self.query_submitted().startswith(("200 folk %s Caf\u00e9 / Submitted\r\n" % SUBMIT_ID).encode()))
        _, _, body = request(self.port, "normal", "cddb read folk " + SUBMIT_ID)
        self.check("submit: read back", body.startswith(b"210 folk ") and b"\r\nTTITLE1=Two\r\n" in body, body)
        target = "http://cddb.example.org/proxy%s" % SUBMIT_CGI
        good = {"Proxy-Authorization": "Basic " + base64.b64encode(b"puser:ppass").decode()}
        status, _ = submit(self.port, "proxy", submit_entry(), target=target)
        self.check("submit: proxy without credentials", status == 407, status)
        status, body = submit(self.port, "proxy", submit_entry(), target=target, extra=good)
        self.check("submit: through the proxy", status == 200 and body.startswith(b"200 "), body)

    def short_body(self):
        """A body shorter than its Content-Length (the client closes its side)."""
        connection = socket.create_connection(("127.0.0.1", self.port), timeout=15)
        entry = submit_entry()
        connection.sendall(("POST /normal%s HTTP/1.0\r\nCategory: folk\r\nDiscid: %s\r\nUser-Email: j@h\r\n"
                            "Submit-Mode: test\r\nContent-Length: %d\r\n\r\n" % (SUBMIT_CGI, SUBMIT_ID, len(entry) + 10)
                            ).encode() + entry)
        connection.shutdown(socket.SHUT_WR)
        data = b""
        while True:
            piece = connection.recv(4096)
            if not piece:
                break
            data += piece
        connection.close()
        self.check("submit: body shorter than Content-Length",
                   data.endswith(b"\r\n\r\n500 Content-Length does not match the body.\r\n"), data)

    def logged(self):
        with open(self.log, encoding="utf-8") as f:
            text = f.read()
        self.check("log: request lines and POST bodies",
                   "GET /normal/~cddb/cddb.cgi?cmd=cddb+lscat&hello=jane+example.org+CantaroMaker+1.0&proto=6" in text
                   and "BODY cmd=cddb+query+5B077B08" in text and "GET http://cddb.example.org/proxy/" in text, text)
        self.check("log: submission headers and body",
                   "POST /normal%s HTTP/1.1" % SUBMIT_CGI in text and "HEADER Discid: %s\n" % SUBMIT_ID in text and
                   "HEADER Submit-Mode: test\n" in text and "HEADER X-Cddbd-Note: Sent by CantaroMaker 2\n" in text and
                   "BODY # xmcd\n#\n# Track frame offsets:\n" in text and "DTITLE=Caf\u00e9 / Submitted\n" in text,
                   text[-2000:])


def selftest():
    with tempfile.TemporaryDirectory() as work:
        root = os.path.join(work, "root")
        make_root(root)
        port_file, log = os.path.join(work, "port"), os.path.join(work, "log")
        process = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--root", root, "--port-file",
                                    port_file, "--log", log, "--lifetime", "300", "--proxy-user", "puser",
                                    "--proxy-password", "ppass"], stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 20
            while not os.path.exists(port_file) and time.monotonic() < deadline and process.poll() is None:
                time.sleep(0.05)
            if not os.path.exists(port_file):
                print("FAIL the server did not start")
                return 1
            with open(port_file) as f:
                test = SelfTest(int(f.read()), log)
            test.normal()
            test.faults()
            test.proxy()
            test.submissions()
            test.logged()
            connection = http.client.HTTPConnection("127.0.0.1", test.port, timeout=10)
            connection.request("GET", "/quit")
            connection.getresponse().read()
            try:
                process.wait(timeout=10)
                test.check("quit", True)
            except subprocess.TimeoutExpired:
                test.check("quit", False, "still running")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
    print("%s: %d failed" % ("selftest", test.failures))
    return 1 if test.failures else 0


def main():
    parser = argparse.ArgumentParser(description="Loopback CDDB test server.")
    parser.add_argument("--root", help="folder of xmcd entries: ROOT/<category>/<discid>")
    parser.add_argument("--port-file", help="file to write the chosen port to")
    parser.add_argument("--lifetime", type=float, default=1800, help="seconds before it stops (default 1800)")
    parser.add_argument("--proxy-user", default="user", help="user name the proxy scenario wants")
    parser.add_argument("--proxy-password", default="pass", help="password the proxy scenario wants")
    parser.add_argument("--log", help="file to append each request line to")
    parser.add_argument("--selftest", action="store_true", help="run every scenario against a server of its own")
    args = parser.parse_args()
    if args.selftest:
        return selftest()
    if not args.root:
        parser.error("--root is needed")
    return serve(args)


if __name__ == "__main__":
    sys.exit(main())
