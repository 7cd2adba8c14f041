#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the HTTP client's tests.

Binds an ephemeral port, prints it on the first line of its output and serves until it is
killed. Paths:
  /text            200 "hello\\r\\nworld" (text/plain)
  /say?b=TEXT      200 with the percent-decoded UTF-8 bytes of TEXT as body
  /cookies         200 with three Set-Cookie headers and a header padded with spaces
  /missing         404 "not here"
  /encoded?e=ENC   200 with "Content-Encoding: ENC" and a few bytes
  /sized?n=N       200 with N bytes ("0123456789" repeated), Content-Length set
  /early           announces 1000 bytes, sends 100 and closes the connection
  /stall           announces 1000 bytes, sends 100 and then sends nothing more
  /noreason        "HTTP/1.1 200" without a reason phrase, body "bare"
  POST /echo...    200 whose body is "<path>|<X-Test header>|<request body>"
"""
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STALL_LIMIT_S = 300  # a stalled answer is dropped after this, whatever the client does
stop = threading.Event()


def pattern(n):
    unit = b"0123456789"
    return (unit * (n // len(unit) + 1))[:n]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, code, body, headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path == "/text":
            self.reply(200, b"hello\r\nworld", [("Content-Type", "text/plain")])
        elif url.path == "/say":
            text = urllib.parse.unquote_to_bytes(url.query[2:]) if url.query.startswith("b=") else b""
            self.reply(200, text, [("Content-Type", "text/plain")])
        elif url.path == "/cookies":
            self.reply(200, b"ok", [("Set-Cookie", "a=1"), ("Set-Cookie", "b=2"), ("Set-Cookie", "c=3"),
                                    ("X-Padded", "   spaced value   ")])
        elif url.path == "/encoded":
            encoding = query.get("e", ["gzip"])[0]
            self.reply(200, b"\x1f\x8b\x08\x00packed", [("Content-Encoding", encoding)])
        elif url.path == "/missing":
            self.reply(404, b"not here")
        elif url.path == "/sized":
            n = int(query.get("n", ["0"])[0])
            self.send_response(200)
            self.send_header("Content-Length", str(n))
            self.end_headers()
            sent = 0
            while sent < n:
                piece = pattern(min(65536, n - sent))
                try:
                    self.wfile.write(piece)
                except OSError:
                    return
                sent += len(piece)
        elif url.path in ("/early", "/stall"):
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(pattern(100))
            self.wfile.flush()
            if url.path == "/stall":
                stop.wait(STALL_LIMIT_S)
            self.close_connection = True
            try:
                self.connection.shutdown(2)
            except OSError:
                pass
        elif url.path == "/noreason":
            self.wfile.write(b"HTTP/1.1 200\r\nContent-Length: 4\r\n\r\nbare")
        else:
            self.reply(404, b"unknown")

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length else b""
        header = (self.headers.get("X-Test") or "").encode()
        self.reply(200, self.path.encode() + b"|" + header + b"|" + body)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    finally:
        stop.set()


if __name__ == "__main__":
    sys.exit(main())
