#!/usr/bin/python3
"""HTTP test peer for the web-access tests.

Listens on two free loopback ports (the second is "another origin"), plain or TLS, and prints
"PORTS <first> <second>" on standard output once both listen. Every request is appended to the
log file (one JSON object per line: port, method, path, headers) before it is answered.

Routes (GET and HEAD):
  /body?size=N            N bytes of 'a'..'z' (default: "hello body")
  /empty                  200 with an empty body
  /redirect/N             302 to /redirect/N-1; /redirect/0 is /body; /moved is a 301 to /body
  /loop                   302 to itself
  /to-file                302 to file:///etc/hostname
  /to-second              302 to /auth on the second port
  /auth                   401 with realm "Brevanto Test" unless an Authorization header came
  /status/CODE            that status with the body "status CODE page"
  /stall-before?s=S       waits S seconds before answering
  /stall-after?s=S        sends "partial body" without a length, then waits S seconds
  /trickle?n=N&gap=G      N bytes, one every G seconds, with a length
  /large?size=N           N bytes, streamed (with &nolength=1 without a length: the end closes)
  /gzip-bomb?size=N       N zero bytes sent gzip-encoded (a few hundred kB for N = 256 MiB)
  /fields                 Date (twice), Last-Modified, Content-Type, Location, WWW-Authenticate
  /gzip                   "decoded body" sent gzip-encoded
  /ip?body=B&need=N       B as the body, or an empty 403 unless the User-Agent holds N
  /echo-ua                the User-Agent as body
  /echo-path              the request path as body
  /echo-headers           the request header lines as body
  /favicon.ico            the file favicon.ico under --root (404 without one); when the root
                          holds favicon.stall, only after 3 seconds
  /static/NAME            the file NAME under --root, typed by extension; a folder answers a
                          301 to NAME/ and, with the slash, its index.html; ?type=T sends T as the Content-Type
  /ProductVersions.plist  the file of that name under --root (the software-update list), after
                          the seconds that a file ProductVersions.delay there holds
  /archive/NAME           the file NAME under --root with its length; ?close=1 sends it without a
                          length and closes; ?head=N announces N on HEAD (no length with head=0)
  /truncated?size=N&send=M  a length of N, then M bytes of 'x' and the connection closes
"""
import argparse
import gzip
import json
import mimetypes
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOG_LOCK = threading.Lock()


def gzip_zeros(size):
    """gzip data that inflates to `size` zero bytes, made without holding them."""
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)
    block = bytes(1 << 20)
    parts = []
    left = size
    while left > 0:
        parts.append(packer.compress(block[:min(left, len(block))]))
        left -= min(left, len(block))
    parts.append(packer.flush())
    return b"".join(parts)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "BrevantoTestPeer/1.0"

    def log_message(self, fmt, *args):
        pass

    def record(self):
        entry = {
            "port": self.server.server_address[1],
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.items()],
        }
        with LOG_LOCK:
            with open(self.server.log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")

    def do_HEAD(self):
        self.dispatch(head=True)

    def do_GET(self):
        self.dispatch(head=False)

    def send_body(self, status, body, content_type="text/plain; charset=utf-8", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if not self.head:
            self.wfile.write(body)

    def redirect(self, location, status=302):
        self.send_body(status, b"moved", extra=[("Location", location)])

    def dispatch(self, head):
        self.head = head
        self.record()
        parsed = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(parsed.query))
        path = parsed.path
        try:
            self.route(path, query)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def route(self, path, query):
        if path == "/body":
            size = int(query.get("size", "-1"))
            body = b"hello body" if size < 0 else bytes(97 + i % 26 for i in range(size))
            return self.send_body(200, body)
        if path == "/empty":
            return self.send_body(200, b"")
        if path.startswith("/redirect/"):
            n = int(path.rsplit("/", 1)[1])
            return self.redirect("/body" if n <= 0 else "/redirect/%d" % (n - 1))
        if path == "/moved":
            return self.redirect("/body", 301)
        if path == "/loop":
            return self.redirect("/loop")
        if path == "/to-file":
            return self.redirect("file:///etc/hostname")
        if path == "/to-second":
            scheme = "https" if self.server.tls else "http"
            return self.redirect("%s://127.0.0.1:%d/auth" % (scheme, self.server.second_port))
        if path == "/auth":
            if self.headers.get("Authorization"):
                return self.send_body(200, b"welcome")
            return self.send_body(401, b"who are you",
                                  extra=[("WWW-Authenticate", 'Basic realm="Brevanto Test"')])
        if path.startswith("/status/"):
            code = int(path.rsplit("/", 1)[1])
            return self.send_body(code, b"status %d page" % code)
        if path == "/stall-before":
            time.sleep(float(query.get("s", "5")))
            return self.send_body(200, b"late")
        if path == "/stall-after":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            if not self.head:
                self.wfile.write(b"partial body")
                self.wfile.flush()
            time.sleep(float(query.get("s", "5")))
            self.close_connection = True
            return
        if path == "/trickle":
            n = int(query.get("n", "10"))
            gap = float(query.get("gap", "0.2"))
            self.send_response(200)
            self.send_header("Content-Length", str(n))
            self.end_headers()
            if not self.head:
                for _ in range(n):
                    self.wfile.write(b"t")
                    self.wfile.flush()
                    time.sleep(gap)
            return
        if path == "/large":
            size = int(query.get("size", str(1 << 20)))
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if query.get("nolength"):
                self.close_connection = True
            else:
                self.send_header("Content-Length", str(size))
            self.end_headers()
            if not self.head:
                block = b"x" * 65536
                left = size
                while left > 0:
                    part = block[:min(left, len(block))]
                    self.wfile.write(part)
                    left -= len(part)
            return
        if path == "/fields":
            body = b"<html><body>fields</body></html>"
            self.send_response_only(200)
            self.send_header("Date", "Tue, 15 Nov 1994 08:12:31 GMT")
            self.send_header("Date", "Wed, 16 Nov 1994 09:00:00 GMT")
            self.send_header("Last-Modified", "Mon, 14 Nov 1994 07:00:00 GMT")
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Location", "/elsewhere")
            self.send_header("WWW-Authenticate", 'Basic realm="Field Realm"')
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if not self.head:
                self.wfile.write(body)
            return
        if path == "/gzip":
            return self.send_body(200, gzip.compress(b"decoded body"),
                                  extra=[("Content-Encoding", "gzip")])
        if path == "/gzip-bomb":
            return self.send_body(200, gzip_zeros(int(query.get("size", str(1 << 20)))),
                                  "application/octet-stream", extra=[("Content-Encoding", "gzip")])
        if path == "/ip":
            need = query.get("need", "")
            if need and need not in (self.headers.get("User-Agent") or ""):
                return self.send_body(403, b"")
            return self.send_body(200, query.get("body", "").encode("latin-1"))
        if path == "/echo-ua":
            return self.send_body(200, (self.headers.get("User-Agent") or "").encode())
        if path == "/echo-path":
            return self.send_body(200, self.path.encode())
        if path == "/echo-headers":
            lines = "".join("%s: %s\n" % (k, v) for k, v in self.headers.items())
            return self.send_body(200, lines.encode())
        if path == "/ProductVersions.plist":
            delay = os.path.join(self.server.root, "ProductVersions.delay")
            if os.path.isfile(delay):
                with open(delay) as f:
                    time.sleep(float(f.read()))
            return self.static("ProductVersions.plist", path, "application/xml")
        if path.startswith("/archive/"):
            return self.archive(urllib.parse.unquote(path[len("/archive/"):]), query)
        if path == "/truncated":
            self.send_response(200)
            self.send_header("Content-Length", query.get("size", "1000"))
            self.end_headers()
            if not self.head:
                self.wfile.write(b"x" * int(query.get("send", "10")))
                self.wfile.flush()
            self.close_connection = True
            return
        if path == "/favicon.ico":
            if os.path.exists(os.path.join(self.server.root, "favicon.stall")):
                time.sleep(3)
            return self.static("favicon.ico", path)
        if path.startswith("/static/"):
            return self.static(urllib.parse.unquote(path[len("/static/"):]), path, query.get("type"))
        return self.send_body(404, b"no such route")

    def archive(self, name, query):
        full = os.path.join(os.path.realpath(self.server.root), name)
        if "/" in name or not os.path.isfile(full):
            return self.send_body(404, b"no such archive")
        with open(full, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if self.head and "head" in query:
            if query["head"] != "0":
                self.send_header("Content-Length", query["head"])
        elif not (not self.head and query.get("close")):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not self.head:
            self.wfile.write(body)
            if query.get("close"):
                self.close_connection = True

    def static(self, name, path, kind=None):
        root = os.path.realpath(self.server.root)
        full = os.path.realpath(os.path.join(root, name))
        if full.startswith(root + os.sep) and os.path.isdir(full):
            if not path.endswith("/"):
                return self.redirect(path + "/", 301)
            full = os.path.join(full, "index.html")
        if not full.startswith(root + os.sep) or not os.path.isfile(full):
            return self.send_body(404, b"no such file")
        with open(full, "rb") as f:
            body = f.read()
        kind = kind or mimetypes.guess_type(full)[0] or "application/octet-stream"
        return self.send_body(200, body, kind)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, args, context):
        super().__init__(address, Handler)
        self.log_path = args.log
        self.root = args.root
        self.tls = context is not None
        self.second_port = 0
        if context is not None:
            # The handshake runs in the request's thread, so a failing client blocks no one.
            self.socket = context.wrap_socket(self.socket, server_side=True,
                                              do_handshake_on_connect=False)

    def handle_error(self, request, client_address):
        pass  # clients that give up (time-outs, refused certificates) are part of the tests


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--root", default=".")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)

    first = Server(("127.0.0.1", 0), args, context)
    second = Server(("127.0.0.1", 0), args, context)
    first.second_port = second.second_port = second.server_address[1]
    for server in (first, second):
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORTS %d %d" % (first.server_address[1], second.server_address[1]), flush=True)
    # Ends when the test closes our standard input (or kills us).
    try:
        sys.stdin.read()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
