#!/usr/bin/python3
"""Loopback mirrors for the network tests: an FTP server (pyftpdlib), an HTTP
server of our own and a recording HTTP proxy, each on its own 127.0.0.x address.

  mirror_servers.py start --state DIR [--first 20] [--last 49] [--time-limit S]
                          [--demo-programs DIR]
  mirror_servers.py stop --state DIR

`start` writes the fixture trees into DIR, starts one detached process serving
all three and returns once they listen. Addresses are taken by binding: the
first free address of the range for each server, so copies of the test run
that share the range never collide. DIR/servers then reads

  ftp 127.0.0.20
  http 127.0.0.21
  proxy 127.0.0.22 8080

The process ends by itself after the time limit; `stop` ends it earlier.
Needs Debian's python3 (/usr/bin/python3) for pyftpdlib.
"""

import argparse
import http.client
import http.server
import logging
import os
import signal
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mirror_fixtures  # noqa: E402

FTP_PORT = 21
HTTP_PORT = 80
PROXY_PORT = 8080


def append_line(path, line):
    with open(path, "a", encoding="utf-8") as log:
        log.write(line + "\n")


# ---------------------------------------------------------------- HTTP server

class MirrorHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the HTTP tree with Python's own index pages, plus a few paths that
    misbehave on purpose:

      /status/NNN             answers NNN with a short body
      /redirect/NNN/<path>    answers NNN with Location: /<path>
      /nolength/<path>        the file without Content-Length (connection closes)
      /nomodified/<path>      the file without Last-Modified (a directory: its index)
      /slowhead/S/<path>      HEAD answered after S seconds; GET as usual
      /trickle/<path>         the file in 4 KB pieces, 30 ms apart
      /cut/<path>             the file's full Content-Length, half its body, then the close
      /stall/headers/S        reads the request, says nothing for S seconds
      /stall/body/S           headers and 1000 of 100000 bytes, then S seconds of nothing
      /big/MB                 an index page of MB megabytes: a link, filler, a link
    """

    protocol_version = "HTTP/1.1"
    server_version = "mirror"
    sys_version = ""

    def log_message(self, format, *args):
        pass

    def record(self):
        agent = self.headers.get("User-Agent", "")
        append_line(self.server.request_log, f"{self.command} {self.path} agent={agent}")

    def do_GET(self):
        self.record()
        if not self.special():
            super().do_GET()

    def do_HEAD(self):
        self.record()
        if not self.special():
            super().do_HEAD()

    def send_short(self, code, extra_headers=()):
        body = b"" if (code < 200 or code in (204, 304)) else f"status {code}\n".encode()
        self.send_response(code)
        for name, value in extra_headers:
            self.send_header(name, value)
        if code >= 200 and code not in (204, 304):
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def special(self):
        parts = urllib.parse.urlsplit(self.path).path.split("/")
        head = parts[1] if len(parts) > 1 else ""
        try:
            if head == "status":
                self.send_short(int(parts[2]))
            elif head == "redirect":
                self.send_short(int(parts[2]), [("Location", "/" + "/".join(parts[3:]))])
            elif head == "nolength":
                self.send_file("/" + "/".join(parts[2:]), length=False, modified=True)
            elif head == "nomodified":
                rest = "/" + "/".join(parts[2:])
                if os.path.isdir(self.translate_path(rest)):
                    self.path = rest
                    return False
                self.send_file(rest, length=True, modified=False)
            elif head == "slowhead":
                if self.command == "HEAD":
                    time.sleep(min(float(parts[2]), 120))
                self.path = "/" + "/".join(parts[3:])
                return False
            elif head == "trickle":
                self.send_file("/" + "/".join(parts[2:]), length=True, modified=True, piece=4096)
            elif head == "cut":
                with open(self.translate_path("/" + "/".join(parts[2:])), "rb") as f:
                    body = f.read()
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                self.close_connection = True
            elif head == "stall" and parts[2] == "headers":
                time.sleep(min(float(parts[3]), 120))
                self.close_connection = True
            elif head == "stall" and parts[2] == "body":
                self.send_response(200)
                self.send_header("Content-Length", "100000")
                self.end_headers()
                self.wfile.write(b"x" * 1000)
                self.wfile.flush()
                time.sleep(min(float(parts[3]), 120))
                self.close_connection = True
            elif head == "big":
                self.send_big_page(int(parts[2]) * 1024 * 1024)
            else:
                return False
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
        return True

    def send_file(self, path, length, modified, piece=0):
        full = self.translate_path(path)
        try:
            with open(full, "rb") as f:
                data = f.read()
        except OSError:
            self.send_short(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if length:
            self.send_header("Content-Length", str(len(data)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        if modified:
            self.send_header("Last-Modified", self.date_time_string(os.stat(full).st_mtime))
        self.end_headers()
        if self.command == "HEAD":
            return
        if not piece:
            self.wfile.write(data)
            return
        for start in range(0, len(data), piece):
            self.wfile.write(data[start:start + piece])
            self.wfile.flush()
            time.sleep(0.03)

    def send_big_page(self, size):
        head = b'<html><body>\n<a href="first.zip">first.zip</a>\n'
        tail = b'<a href="last.zip">last.zip</a>\n</body></html>\n'
        line = b"<tr><td>padding without any link in it, just text to scroll past</td></tr>\n"
        filler = size - len(head) - len(tail)
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        if self.command == "HEAD":
            return
        self.wfile.write(head)
        block = line * (65536 // len(line))
        while filler > 0:
            piece = block[:filler]
            self.wfile.write(piece)
            filler -= len(piece)
        self.wfile.write(tail)


class MirrorHTTPServer(http.server.ThreadingHTTPServer):
    allow_reuse_address = True
    daemon_threads = True


# ---------------------------------------------------------------- HTTP proxy

HOP_BY_HOP = {"connection", "proxy-connection", "keep-alive", "transfer-encoding", "te",
              "trailer", "upgrade", "proxy-authorization", "proxy-authenticate"}
# send_response writes these itself.
OWN_HEADERS = {"server", "date"}


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    """Forwards GET and HEAD for absolute http:// URLs and records each request line."""

    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.forward()

    def do_HEAD(self):
        self.forward()

    def forward(self):
        append_line(self.server.request_log, f"{self.command} {self.path}")
        url = urllib.parse.urlsplit(self.path)
        if url.scheme != "http" or not url.hostname:
            self.send_error(400, "absolute http URL expected")
            return
        target = url.path or "/"
        if url.query:
            target += "?" + url.query
        headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
        try:
            upstream = http.client.HTTPConnection(url.hostname, url.port or 80, timeout=60)
            upstream.request(self.command, target, headers=headers)
            answer = upstream.getresponse()
            body = answer.read()
        except OSError as error:
            self.send_error(502, f"upstream failed: {error}")
            return
        self.send_response(answer.status, answer.reason)
        for name, value in answer.getheaders():
            if name.lower() in HOP_BY_HOP or name.lower() in OWN_HEADERS:
                continue
            if name.lower() == "content-length" and self.command != "HEAD":
                continue
            self.send_header(name, value)
        if self.command != "HEAD":
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        upstream.close()


# ---------------------------------------------------------------- serving

def bind_first_free(addresses, make):
    """Calls make(address) on each address until one binds; gives (address, server).
    pyftpdlib wraps the bind error and loses its errno, so any OSError moves on."""
    last = None
    for address in addresses:
        try:
            return address, make(address)
        except OSError as error:
            last = error
    raise SystemExit(f"no free loopback address in the range (last error: {last})")


def serve(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.WARNING)
    # Ends by itself, whatever happens to the test run that started it.
    timer = threading.Timer(args.time_limit, lambda: os._exit(0))
    timer.daemon = True
    timer.start()

    root = os.path.join(args.state, "root")
    addresses = [f"127.0.0.{n}" for n in range(args.first, args.last + 1)]

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(os.path.join(root, "ftp"), perm="elr")

    ftp_log = os.path.join(args.state, "ftp.log")

    class Handler(FTPHandler):
        # Every command, so that tests and benchmarks can count the round trips.
        def pre_process_command(self, line, cmd, arg):
            append_line(ftp_log, line)
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.banner = "mirror ready"
    ftp_address, ftp = bind_first_free(addresses, lambda a: FTPServer((a, FTP_PORT), Handler))

    def http_server(address):
        server = MirrorHTTPServer(
            (address, HTTP_PORT),
            lambda *a, **k: MirrorHandler(*a, directory=os.path.join(root, "http"), **k))
        server.request_log = os.path.join(args.state, "http.log")
        return server

    rest = [a for a in addresses if a != ftp_address]
    http_address, web = bind_first_free(rest, http_server)

    def proxy_server(address):
        server = MirrorHTTPServer((address, PROXY_PORT), ProxyHandler)
        server.request_log = os.path.join(args.state, "proxy.log")
        return server

    rest = [a for a in rest if a != http_address]
    proxy_address, proxy = bind_first_free(rest, proxy_server)

    for name in ("http.log", "proxy.log", "ftp.log"):
        open(os.path.join(args.state, name), "w").close()
    threading.Thread(target=web.serve_forever, daemon=True).start()
    threading.Thread(target=proxy.serve_forever, daemon=True).start()

    ready = os.path.join(args.state, "servers")
    with open(ready + ".tmp", "w") as f:
        f.write(f"ftp {ftp_address}\nhttp {http_address}\nproxy {proxy_address} {PROXY_PORT}\n")
    os.replace(ready + ".tmp", ready)
    ftp.serve_forever(handle_exit=False)


def is_our_server(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            words = f.read().split(b"\0")
    except OSError:
        return False
    return any(w.endswith(b"mirror_servers.py") for w in words) and b"serve" in words


def stop(args):
    pid_file = os.path.join(args.state, "pid")
    try:
        pid = int(open(pid_file).read())
    except (OSError, ValueError):
        return
    if is_our_server(pid):
        os.kill(pid, signal.SIGTERM)
        for _ in range(100):
            if not is_our_server(pid):
                break
            time.sleep(0.05)
        else:
            os.kill(pid, signal.SIGKILL)
    for name in ("pid", "servers"):
        try:
            os.remove(os.path.join(args.state, name))
        except OSError:
            pass


def start(args):
    stop(args)  # a server left over from an earlier run in this directory
    os.makedirs(args.state, exist_ok=True)
    mirror_fixtures.write_all(os.path.join(args.state, "root"), args.demo_programs)
    ready = os.path.join(args.state, "servers")
    with open(os.path.join(args.state, "serve.out"), "w") as out:
        child = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve", "--state", args.state,
             "--first", str(args.first), "--last", str(args.last),
             "--time-limit", str(args.time_limit)],
            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
            start_new_session=True)
    with open(os.path.join(args.state, "pid"), "w") as f:
        f.write(str(child.pid))
    deadline = time.time() + 60
    while not os.path.exists(ready):
        if child.poll() is not None or time.time() > deadline:
            sys.stderr.write(open(os.path.join(args.state, "serve.out")).read())
            raise SystemExit("the mirror servers did not start")
        time.sleep(0.05)
    sys.stdout.write(open(ready).read())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["start", "stop", "serve"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--first", type=int, default=20)
    parser.add_argument("--last", type=int, default=49)
    parser.add_argument("--time-limit", type=float, default=1800)
    parser.add_argument("--demo-programs", help="programs for the demo mirror's archives")
    args = parser.parse_args()
    args.state = os.path.abspath(args.state)
    {"start": start, "stop": stop, "serve": serve}[args.command](args)


if __name__ == "__main__":
    main()
