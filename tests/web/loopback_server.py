#!/usr/bin/env python3
"""HTTP, forward-proxy and TLS servers on 127.0.0.1 for the web tests.

Prints "PORTS <http> <proxy> <tls>" once all three listen, then serves until
killed. Every response closes its connection.

HTTP routes:
  /echo               the request head and body as received
  /redirect?to=U&code=C   a redirect to U (default code 302)
  /cookie?set=V...&raw=L...   one Set-Cookie line per V, then each line L as given
  /slow?ms=N          answers "late" after N ms
  /bytes?hex=H        the body H (hex)
  /pad?size=N&name=C  a header block of exactly N bytes that sets cookie C
  /lf                 a response whose lines end in a bare LF
  /interim            a 100 Continue before the real answer
  /stream?size=N&head=H  the body H (hex) padded with "x" to N bytes; without
                      N, H followed by "x" for ever (no length, until the client leaves)
  /count              "proxy=<requests the proxy saw> tls=<TLS connections>
                      http=<HTTP requests other than /count>"
"""
import os
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from urllib.parse import parse_qs, unquote_to_bytes, urlsplit

counts = {"proxy": 0, "tls": 0, "http": 0}
counts_lock = threading.Lock()


def bump(key):
    with counts_lock:
        counts[key] += 1


def read_head(rfile):
    lines = []
    while True:
        line = rfile.readline(70000)
        if not line:
            return None
        lines.append(line)
        if line in (b"\r\n", b"\n"):
            return b"".join(lines)


def header_value(head, name):
    for line in head.split(b"\r\n")[1:]:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name.lower().encode():
            return value.strip().decode("latin-1")
    return None


def read_body(rfile, head):
    length = header_value(head, "Content-Length")
    return rfile.read(int(length)) if length else b""


def response(status, headers, body, eol=b"\r\n"):
    out = b"HTTP/1.1 " + status.encode() + eol
    for name, value in headers:
        out += name.encode("latin-1") + b": " + value.encode("latin-1") + eol
    out += b"Content-Length: %d" % len(body) + eol
    out += b"Connection: close" + eol + eol
    return out + body


def route(head, body):
    target = head.split(b" ")[1].decode("latin-1")
    url = urlsplit(target)
    query = parse_qs(url.query, keep_blank_values=True)
    arg = lambda name, default="": query.get(name, [default])[0]
    if url.path == "/echo":
        return response("200 OK", [("Content-Type", "text/plain")], head + body)
    if url.path == "/redirect":
        code = arg("code", "302")
        return response(code + " Moved", [("Location", arg("to"))], b"moved")
    if url.path == "/cookie":
        raw = [tuple(line.split(": ", 1)) for line in query.get("raw", [])]
        return response("200 OK", [("Set-Cookie", v) for v in query.get("set", [])] + raw, b"ok")
    if url.path == "/slow":
        time.sleep(int(arg("ms", "1000")) / 1000.0)
        return response("200 OK", [], b"late")
    if url.path == "/bytes":
        return response("200 OK", [], bytes.fromhex(arg("hex")))
    if url.path == "/pad":
        size = int(arg("size"))
        fixed = (b"HTTP/1.1 200 OK\r\nSet-Cookie: " + arg("name").encode() + b"=1\r\n"
                 b"Content-Length: 2\r\nConnection: close\r\nX-Pad: \r\n\r\n")
        pad = b"p" * (size - len(fixed))
        return fixed.replace(b"X-Pad: ", b"X-Pad: " + pad) + b"ok"
    if url.path == "/lf":
        return response("200 OK", [("X-Line", "bare")], b"lf", eol=b"\n")
    if url.path == "/interim":
        return b"HTTP/1.1 100 Continue\r\n\r\n" + response("200 OK", [("X-After", "1")], b"final")
    if url.path == "/count":
        with counts_lock:
            text = "proxy=%d tls=%d http=%d" % (counts["proxy"], counts["tls"], counts["http"])
        return response("200 OK", [], text.encode())
    return response("404 Not Found", [], b"none")


def stream(wfile, query):
    head = bytes.fromhex(query.get("head", [""])[0])
    size = query.get("size", [None])[0]
    if size is not None:
        body = head + b"x" * (int(size) - len(head))
        wfile.write(response("200 OK", [], body))
        return
    wfile.write(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + head)
    chunk = b"x" * 65536
    try:
        while True:
            wfile.write(chunk)
    except OSError:
        pass  # the client hung up


class HttpHandler(socketserver.StreamRequestHandler):
    def handle(self):
        head = read_head(self.rfile)
        if head is None:
            return
        url = urlsplit(head.split(b" ")[1].decode("latin-1"))
        if url.path != "/count":
            bump("http")
        if url.path == "/stream":
            stream(self.wfile, parse_qs(url.query, keep_blank_values=True))
            return
        self.wfile.write(route(head, read_body(self.rfile, head)))


class ProxyHandler(socketserver.StreamRequestHandler):
    """Forwards absolute-form requests to loopback origins and marks the
    answer with X-Test-Proxy; refuses CONNECT."""

    def handle(self):
        head = read_head(self.rfile)
        if head is None:
            return
        bump("proxy")
        method, target, rest = head.split(b" ", 2)
        if method == b"CONNECT":
            self.wfile.write(response("403 Forbidden", [], b""))
            return
        url = urlsplit(target.decode("latin-1"))
        if url.hostname not in ("127.0.0.1", "localhost"):
            self.wfile.write(response("403 Forbidden", [], b"loopback only"))
            return
        origin_form = (url.path or "/") + ("?" + url.query if url.query else "")
        forwarded = method + b" " + origin_form.encode("latin-1") + b" " + rest
        body = read_body(self.rfile, head)
        with socket.create_connection(("127.0.0.1", url.port or 80)) as upstream:
            upstream.sendall(forwarded + body)
            answer = b""
            while True:
                chunk = upstream.recv(65536)
                if not chunk:
                    break
                answer += chunk
        status, _, remainder = answer.partition(b"\r\n")
        self.wfile.write(status + b"\r\nX-Test-Proxy: 1\r\n" + remainder)


class TlsHandler(socketserver.BaseRequestHandler):
    def handle(self):
        bump("tls")
        try:
            self.request.do_handshake()
            stream = self.request.makefile("rwb")
            head = read_head(stream)
            if head is not None:
                stream.write(response("200 OK", [], b"secret"))
                stream.flush()
        except (ssl.SSLError, OSError):
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


class TlsServer(Server):
    def __init__(self, address, handler, context):
        super().__init__(address, handler)
        self.context = context

    def get_request(self):
        sock, address = self.socket.accept()
        return self.context.wrap_socket(sock, server_side=True,
                                        do_handshake_on_connect=False), address


def self_signed_context(folder):
    key = os.path.join(folder, "key.pem")
    cert = os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def main():
    with tempfile.TemporaryDirectory() as folder:
        servers = [Server(("127.0.0.1", 0), HttpHandler),
                   Server(("127.0.0.1", 0), ProxyHandler),
                   TlsServer(("127.0.0.1", 0), TlsHandler, self_signed_context(folder))]
        for server in servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        print("PORTS %d %d %d" % tuple(s.server_address[1] for s in servers), flush=True)
        # Ends with the test process: stdin closes when it goes away.
        sys.stdin.read()


if __name__ == "__main__":
    main()
