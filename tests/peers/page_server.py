#!/usr/bin/python3
"""Page server for the page-imager tests: serves a fixture folder on a free loopback port and
a few misbehaving paths. Prints the port on the first line of standard output, then serves
until it is terminated.

    page_server.py FOLDER [--log FILE]

Paths besides the folder's files:
  /stall.png          headers of a PNG, then nothing, for ever
  /tick.png?n         a small PNG (the endless page asks for one every second)
  /never              reads the request and never answers
  /missing.html       404 with an HTML body
  /download.bin       an attachment download (Content-Disposition: attachment)
  /macroman.html      a page whose title is in Mac OS Roman bytes
  /tall-generated.html?rows=N   a page N pixels tall (for the capture cap)
Every request line is appended to the log file when one is given.
"""
import http.server
import os
import socketserver
import sys
import threading
import time
import zlib
import struct

FOLDER = sys.argv[1]
LOG = None
if "--log" in sys.argv:
    LOG = sys.argv[sys.argv.index("--log") + 1]
LOG_LOCK = threading.Lock()


def tiny_png(rgb=(40, 120, 200), size=8):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(rgb) * size for _ in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        if LOG:
            with LOG_LOCK, open(LOG, "a") as log:
                log.write(self.requestline + "\n")

    def send_body(self, status, body, content_type, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == "/stall.png":
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.flush()
            while True:
                time.sleep(3600)
        if path == "/never":
            while True:
                time.sleep(3600)
        if path == "/tick.png":
            return self.send_body(200, tiny_png(), "image/png")
        if path == "/missing.html":
            return self.send_body(404, b"<html><head><title>Not here</title></head>"
                                  b"<body><h1>404 Not Found</h1></body></html>", "text/html")
        if path == "/download.bin":
            return self.send_body(200, b"\x00\x01binary payload" * 64, "application/octet-stream",
                                  [("Content-Disposition", 'attachment; filename="payload.bin"')])
        if path == "/macroman.html":
            # "Café – Zürich" in Mac OS Roman: é 0x8E, en dash 0xD0, ü 0x9F.
            return self.send_body(200, b"<html><head><title>Caf\x8e \xd0 Z\x9frich</title></head>"
                                  b"<body>x</body></html>", "text/html")
        if path == "/tall-generated.html":
            rows = int(query.split("=", 1)[1]) if "=" in query else 1000
            page = ("<!DOCTYPE html><html><head><style>body{margin:0;font-family:'DejaVu Sans'}"
                    "</style></head><body><div style=\"width:600px;height:%dpx;"
                    "background:linear-gradient(#fff,#ccc)\">tall</div></body></html>" % rows)
            return self.send_body(200, page.encode(), "text/html")
        return self.serve_file(path)

    def serve_file(self, path):
        relative = os.path.normpath(path.lstrip("/"))
        if relative.startswith("..") or os.path.isabs(relative):
            return self.send_body(403, b"forbidden", "text/plain")
        full = os.path.join(FOLDER, relative)
        if not os.path.isfile(full):
            return self.send_body(404, b"<html><body>not found</body></html>", "text/html")
        kinds = {".html": "text/html; charset=utf-8", ".png": "image/png", ".css": "text/css", ".svg": "image/svg+xml",
                 ".js": "text/javascript"}
        kind = kinds.get(os.path.splitext(full)[1], "application/octet-stream")
        with open(full, "rb") as source:
            return self.send_body(200, source.read(), kind)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
