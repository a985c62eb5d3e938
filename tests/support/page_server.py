#!/usr/bin/env python3
"""The local web server that the fetch and end-to-end tests talk to.

It listens on 127.0.0.1 only, on ports the system picks, and speaks plain HTTP
on one port, HTTPS with a certificate of a test authority on a second and
HTTPS with a self-signed certificate on a third; two more HTTPS ports carry
certificates of the test authority that a client must refuse: one expired,
one for another host name. The others name the DNS name localhost and the
address 127.0.0.1. Every request head it receives
is written byte for byte to <state>/requests/, so that a test can check what
went over the wire. Each route answers in one fixed way, several of them
wrongly on purpose. It ends by itself after --lifetime seconds.

Files in the state directory, written before it reports ready:
  port, tls_port, self_signed_port   the three listening ports, in decimal
  expired_port, wrong_name_port      HTTPS with an expired certificate, and with
                                     one for the host name wrong.invalid
  closed_port                        a port on which nothing listens
  ca.pem                             the authority that signed the tls_port certificate
  pid                                this process
  ready                              written last

Routes (the query and the rest of the request line are ignored, so a test can
tag its request with any query):
  /ends/<digits>           200, a small GBK page holding "ends=<digits>"
  /missing                 404, a GBK page without the marker
  /page                    200, a plain ASCII page
  /nul                     200, a body with NUL bytes
  /empty                   200, Content-Length 0, no body
  /close/<n>               200, n bytes, no Content-Length, ended by closing
  /length/<text>/<n>       200, "Content-Length: <text>" as given, then n bytes and close
  /drop/<declared>/<sent>  200, Content-Length <declared>, only <sent> bytes, then close
  /redirect?to=<url>       302 to the percent-decoded <url>, with a body without the marker
  /loop                    302 to itself, forever
  /auth                    401 asking for Basic credentials unless the request
                           carries them; then 200 with "credentials=<user:password>"
  /endless[/<declared>]    200, bytes without end (optionally a Content-Length)
  /trickle/<ms>            200, no Content-Length, one byte every <ms> milliseconds
  /silent                  reads the request and never answers
  /hangup                  reads the request and closes without a byte
  /endless-head            a status line, then header lines without end
  /long-header/<n>         a header line of n bytes, then "after the long header"
  /chain/<n>               302 to /chain/<n-1> (same query) down to /chain/0, the plain page
  /huge-length             "Content-Length: 9223372036854775808", "a short body", close
  /bad-chunk               chunked: "hello", then a chunk size that is no number
  /zeros/<n>               200, Content-Length n, n zero bytes
  /ends-repeated/<n>       200, Content-Length n, "ends=" repeated to n bytes
  anything else            404 "no such route"
"""

import argparse
import base64
import os
import re
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

# Generated bodies repeat this so that a test can check every byte it got.
PATTERN = b"0123456789abcdefghijklmnopqrstuvwxyz\n"

# How long a connection that misbehaves on purpose may keep going.
MAX_MISBEHAVIOUR_SECONDS = 120


def pattern_bytes(count):
    whole, rest = divmod(count, len(PATTERN))
    return PATTERN * whole + PATTERN[:rest]


def gbk(text):
    return text.encode("gbk")


class Recorder:
    """Writes each request head to a file of its own, in arrival order."""

    def __init__(self, directory):
        self.directory = directory
        self.lock = threading.Lock()
        self.count = 0
        os.makedirs(directory, exist_ok=True)

    def record(self, listener, head):
        with self.lock:
            self.count += 1
            name = "%06d-%s" % (self.count, listener)
        # Renamed into place so that a reader never sees half a record.
        temporary = os.path.join(self.directory, "." + name + ".tmp")
        with open(temporary, "wb") as f:
            f.write(head)
        os.replace(temporary, os.path.join(self.directory, name + ".txt"))


def response_head(status, reason, headers):
    lines = ["HTTP/1.0 %d %s" % (status, reason)]
    lines += ["%s: %s" % (name, value) for name, value in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def send_page(conn, status, reason, body, content_type="text/html; charset=gbk"):
    headers = [("Content-Type", content_type), ("Content-Length", str(len(body)))]
    conn.sendall(response_head(status, reason, headers) + body)


def stream_until_peer_leaves(conn, piece, pause):
    """Sends piece after piece until the client goes away or time runs out."""
    deadline = time.monotonic() + MAX_MISBEHAVIOUR_SECONDS
    while time.monotonic() < deadline:
        try:
            conn.sendall(piece)
        except OSError:
            return
        if pause:
            time.sleep(pause)


def wait_for_peer_to_leave(conn):
    conn.settimeout(1.0)
    deadline = time.monotonic() + MAX_MISBEHAVIOUR_SECONDS
    while time.monotonic() < deadline:
        try:
            if not conn.recv(4096):
                return
        except socket.timeout:
            continue
        except OSError:
            return


def repeated_to(piece, count):
    whole, rest = divmod(count, len(piece))
    return piece * whole + piece[:rest]


def answer(conn, target, headers):
    path = urllib.parse.urlsplit(target).path if "://" in target else target.split("?", 1)[0]
    query = target.split("?", 1)[1] if "?" in target else ""
    parts = [urllib.parse.unquote(p) for p in path.split("/")[1:]]
    route = parts[0] if parts else ""
    args = parts[1:]

    if route == "ends" and len(args) == 1 and args[0].isdigit():
        body = gbk("<html><head><title>拍品</title></head><body><p>结束时间</p>"
                   "<a href=\"/bid?item=1&ends=%s&t=2\">出价</a></body></html>" % args[0])
        send_page(conn, 200, "OK", body)
    elif route == "missing" and not args:
        body = gbk("<html><head><title>找不到</title></head><body>这个页面不存在</body></html>")
        send_page(conn, 404, "Not Found", body)
    elif route == "page" and not args:
        send_page(conn, 200, "OK", b"<html><body>a plain page</body></html>")
    elif route == "nul" and not args:
        send_page(conn, 200, "OK", b"before\x00middle\x00\x00after", "application/octet-stream")
    elif route == "empty" and not args:
        send_page(conn, 200, "OK", b"")
    elif route == "close" and len(args) == 1 and args[0].isdigit():
        conn.sendall(response_head(200, "OK", [("Content-Type", "text/plain")]) +
                     pattern_bytes(int(args[0])))
    elif route == "length" and len(args) == 2 and args[1].isdigit():
        head = response_head(200, "OK", [("Content-Type", "text/plain"),
                                         ("Content-Length", args[0])])
        conn.sendall(head + pattern_bytes(int(args[1])))
    elif route == "drop" and len(args) == 2 and args[0].isdigit() and args[1].isdigit():
        head = response_head(200, "OK", [("Content-Type", "text/plain"),
                                         ("Content-Length", args[0])])
        conn.sendall(head + pattern_bytes(int(args[1])))
    elif route == "redirect" and not args:
        to = urllib.parse.parse_qs(query).get("to", ["/page"])[0]
        conn.sendall(response_head(302, "Found", [("Location", to), ("Content-Type", "text/html"),
                                                  ("Content-Length", "5")]) + b"moved")
    elif route == "loop" and not args:
        conn.sendall(response_head(302, "Found", [("Location", target), ("Content-Length", "4")]) +
                     b"loop")
    elif route == "auth" and not args:
        given = headers.get("authorization", "")
        if given.lower().startswith("basic "):
            decoded = base64.b64decode(given[6:].strip()).decode("latin-1")
            send_page(conn, 200, "OK", ("credentials=" + decoded).encode("latin-1"), "text/plain")
        else:
            body = b"credentials needed"
            conn.sendall(response_head(401, "Unauthorized",
                                       [("WWW-Authenticate", 'Basic realm="test"'),
                                        ("Content-Type", "text/plain"),
                                        ("Content-Length", str(len(body)))]) + body)
    elif route == "endless" and len(args) <= 1 and all(a.isdigit() for a in args):
        headers_out = [("Content-Type", "application/octet-stream")]
        if args:
            headers_out.append(("Content-Length", args[0]))
        conn.sendall(response_head(200, "OK", headers_out))
        stream_until_peer_leaves(conn, PATTERN * 1700, 0)
    elif route == "trickle" and len(args) == 1 and args[0].isdigit():
        conn.sendall(response_head(200, "OK", [("Content-Type", "text/plain")]))
        stream_until_peer_leaves(conn, b".", int(args[0]) / 1000.0)
    elif route == "silent" and not args:
        wait_for_peer_to_leave(conn)
    elif route == "hangup" and not args:
        pass
    elif route == "endless-head" and not args:
        conn.sendall(b"HTTP/1.0 200 OK\r\n")
        stream_until_peer_leaves(conn, b"X-Filler: " + b"f" * 90 + b"\r\n", 0.0005)
    elif route == "long-header" and len(args) == 1 and args[0].isdigit():
        conn.sendall(b"HTTP/1.0 200 OK\r\nX-Long: " + b"l" * int(args[0]) +
                     b"\r\nContent-Type: text/plain\r\n\r\nafter the long header")
    elif route == "chain" and len(args) == 1 and args[0].isdigit():
        left = int(args[0])
        if left == 0:
            send_page(conn, 200, "OK", b"<html><body>a plain page</body></html>")
        else:
            to = "/chain/%d" % (left - 1) + ("?" + query if query else "")
            conn.sendall(response_head(302, "Found", [("Location", to),
                                                      ("Content-Length", "5")]) + b"moved")
    elif route == "huge-length" and not args:
        conn.sendall(response_head(200, "OK", [("Content-Type", "text/plain"),
                                               ("Content-Length", str(2 ** 63))]) +
                     b"a short body")
    elif route == "bad-chunk" and not args:
        conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                     b"5\r\nhello\r\nzz\r\nnot a chunk\r\n0\r\n\r\n")
    elif route in ("zeros", "ends-repeated") and len(args) == 1 and args[0].isdigit():
        count = int(args[0])
        body = bytes(count) if route == "zeros" else repeated_to(b"ends=", count)
        conn.sendall(response_head(200, "OK", [("Content-Type", "application/octet-stream"),
                                               ("Content-Length", str(count))]))
        # In pieces, so that a client that stops early is noticed here.
        view = memoryview(body)
        for at in range(0, count, 1 << 20):
            conn.sendall(view[at:at + (1 << 20)])
    else:
        send_page(conn, 404, "Not Found", b"no such route", "text/plain")


def read_head(conn):
    conn.settimeout(10.0)
    data = b""
    while b"\r\n\r\n" not in data:
        piece = conn.recv(65536)
        if not piece:
            return None
        data += piece
        if len(data) > 1 << 20:
            return None
    return data[:data.index(b"\r\n\r\n") + 4]


def make_handler(listener, recorder, tls_context):
    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            conn = self.request
            try:
                if tls_context is not None:
                    conn.settimeout(10.0)
                    conn = tls_context.wrap_socket(conn, server_side=True)
                head = read_head(conn)
                if head is None:
                    return
                recorder.record(listener, head)
                lines = head.decode("latin-1").split("\r\n")
                request_line = lines[0].split(" ")
                headers = {}
                for line in lines[1:]:
                    if ":" in line:
                        name, value = line.split(":", 1)
                        headers[name.strip().lower()] = value.strip()
                conn.settimeout(None)
                answer(conn, request_line[1] if len(request_line) > 1 else "/", headers)
            except (OSError, ssl.SSLError, ValueError):
                # A refused handshake or a client that left is part of the tests.
                pass
            finally:
                try:
                    if isinstance(conn, ssl.SSLSocket):
                        conn = conn.unwrap()
                except (OSError, ssl.SSLError, ValueError):
                    pass
                try:
                    conn.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
    return Handler


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(directory, ca_cert, ca_key):
    """A test authority (unless one is given), a server certificate signed by
    it and a self-signed one, all for localhost and 127.0.0.1; and two that a
    client must refuse, signed by the authority: one expired, one for the host
    name wrong.invalid."""
    os.makedirs(directory, exist_ok=True)
    names = "subjectAltName=DNS:localhost,IP:127.0.0.1"
    if ca_cert is None:
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3",
                "-subj", "/CN=Norvique test authority", "-keyout", "ca.key", "-out", "ca.pem",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=directory)
        ca_cert = os.path.join(directory, "ca.pem")
        ca_key = os.path.join(directory, "ca.key")
    signed_certificate(directory, ca_cert, ca_key, "server", "localhost",
                       "DNS:localhost,IP:127.0.0.1")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3",
            "-subj", "/CN=localhost", "-addext", names,
            "-keyout", "self.key", "-out", "self.pem", cwd=directory)
    # Signed by the test authority, so that the name is the only fault.
    signed_certificate(directory, ca_cert, ca_key, "wrong", "wrong.invalid", "DNS:wrong.invalid")
    make_expired_certificate(directory, ca_cert, ca_key, "server.ext")
    return ca_cert


def signed_certificate(directory, ca_cert, ca_key, name, common_name, alt_names):
    """<name>.pem and <name>.key, a server certificate of the authority;
    <name>.ext keeps its extensions for another signing."""
    with open(os.path.join(directory, name + ".ext"), "w") as f:
        f.write("subjectAltName=" + alt_names + "\nbasicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-subj", "/CN=" + common_name,
            "-keyout", name + ".key", "-out", name + ".csr", cwd=directory)
    openssl("x509", "-req", "-in", name + ".csr", "-CA", os.path.abspath(ca_cert),
            "-CAkey", os.path.abspath(ca_key), "-CAcreateserial", "-sha256", "-days", "3",
            "-extfile", name + ".ext", "-out", name + ".pem", cwd=directory)


def make_expired_certificate(directory, ca_cert, ca_key, extensions):
    """A certificate for localhost that expired long ago. `openssl x509` of
    OpenSSL 3.0 cannot date a certificate in the past; `openssl ca` can, with
    a throw-away database of its own."""
    database = os.path.join(directory, "expired-ca")
    os.makedirs(database, exist_ok=True)
    open(os.path.join(database, "index.txt"), "w").close()
    with open(os.path.join(database, "serial"), "w") as f:
        f.write("%016X\n" % int.from_bytes(os.urandom(8), "big"))
    with open(os.path.join(database, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test\n[test]\n"
                "dir = %s\ndatabase = $dir/index.txt\nserial = $dir/serial\n"
                "new_certs_dir = $dir\ndefault_md = sha256\npolicy = any\n"
                "unique_subject = no\ncopy_extensions = none\n"
                "[any]\ncommonName = supplied\n" % database)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-subj", "/CN=localhost",
            "-keyout", "expired.key", "-out", "expired.csr", cwd=directory)
    openssl("ca", "-batch", "-config", os.path.join(database, "ca.cnf"),
            "-cert", os.path.abspath(ca_cert), "-keyfile", os.path.abspath(ca_key),
            "-startdate", "20200101000000Z", "-enddate", "20200201000000Z",
            "-extfile", extensions, "-notext", "-in", "expired.csr", "-out", "expired.pem",
            cwd=directory)


def write_file(state, name, text):
    temporary = os.path.join(state, "." + name + ".tmp")
    with open(temporary, "w") as f:
        f.write(text)
    os.replace(temporary, os.path.join(state, name))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--state", required=True, help="directory for ports, certificates, records")
    parser.add_argument("--ca-cert", help="use this authority instead of making one")
    parser.add_argument("--ca-key", help="its private key")
    parser.add_argument("--lifetime", type=float, default=1800, help="seconds until it ends itself")
    options = parser.parse_args()
    if (options.ca_cert is None) != (options.ca_key is None):
        parser.error("--ca-cert and --ca-key go together")

    state = os.path.abspath(options.state)
    os.makedirs(state, exist_ok=True)
    certs = os.path.join(state, "certs")
    ca_cert = make_certificates(certs, options.ca_cert, options.ca_key)
    with open(ca_cert, "rb") as source:
        ca_pem = source.read()
    with open(os.path.join(state, "ca.pem"), "wb") as target:
        target.write(ca_pem)

    recorder = Recorder(os.path.join(state, "requests"))

    def tls(cert, key):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(certs, cert), os.path.join(certs, key))
        return context

    servers = {
        "port": Server(("127.0.0.1", 0), make_handler("http", recorder, None)),
        "tls_port": Server(("127.0.0.1", 0), make_handler("https", recorder,
                                                           tls("server.pem", "server.key"))),
        "self_signed_port": Server(("127.0.0.1", 0), make_handler("self-signed", recorder,
                                                                   tls("self.pem", "self.key"))),
        "expired_port": Server(("127.0.0.1", 0), make_handler("expired", recorder,
                                                               tls("expired.pem", "expired.key"))),
        "wrong_name_port": Server(("127.0.0.1", 0), make_handler("wrong-name", recorder,
                                                                  tls("wrong.pem", "wrong.key"))),
    }
    for name, server in servers.items():
        threading.Thread(target=server.serve_forever, daemon=True).start()
        write_file(state, name, "%d\n" % server.server_address[1])

    # A port that was free a moment ago and that nothing here listens on.
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    write_file(state, "closed_port", "%d\n" % probe.getsockname()[1])
    probe.close()

    write_file(state, "pid", "%d\n" % os.getpid())
    write_file(state, "ready", "ready\n")

    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait(options.lifetime)
    # The listeners and the connections that misbehave on purpose are daemon
    # threads; they end with the process.
    sys.exit(0)


if __name__ == "__main__":
    main()
