#!/usr/bin/python3
"""Loopback mirrors for the network tests, the benchmarks and the demo: an FTP server (pyftpdlib, so
Debian's /usr/bin/python3), an HTTP server of our own and a recording HTTP proxy serving the HTTP tree itself.

  mirror_servers.py start|stop --state DIR [--first 20] [--last 49] [--time-limit S] [--demo-programs DIR]

`start` writes the trees into DIR/root and returns once one detached process, ending after the time limit,
serves all three, each on the first free 127.0.0.x of the range. DIR/servers then reads "ftp ADDRESS", "http
ADDRESS" and "proxy ADDRESS 8080"; DIR/ftp.log, http.log and proxy.log get a line per command or request.
"""

import argparse
import http.server
import logging
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import make_demo_mirror  # noqa: E402

# Every fixture file's time unless said otherwise: 3 February 2009, 01:05:00 UTC, older than six months, so
# FTP listings give the day only and the HTTP server's Last-Modified gives the minute.
OLD_TIME = 1233623100


def sample_bytes(size):
    """The fixture's sample files: byte i is (i * 7 + 3) % 251."""
    return bytes((i * 7 + 3) % 251 for i in range(size))


def write_file(path, data, mtime=OLD_TIME):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def write_trees(root, demo_programs=None):
    """root/ftp for the FTP server and root/http for the HTTP server, as the tests expect them."""
    shutil.rmtree(root, ignore_errors=True)
    ftp, http = os.path.join(root, "ftp"), os.path.join(root, "http")
    # The demo distribution, with the same times in both trees.
    demo_time = (int(time.time()) - 10 * 24 * 3600) // 60 * 60
    for base in (ftp, http):
        make_demo_mirror.build(os.path.join(base, "demo"), demo_programs, demo_time)
    os.makedirs(os.path.join(ftp, "pub/empty"))
    write_file(os.path.join(ftp, "pub/files/sample.bin"), sample_bytes(5000))
    # Two days old, whole minutes: listings show the time of day of files younger than six months.
    write_file(os.path.join(ftp, "pub/files/recent.bin"), sample_bytes(100),
               (int(time.time()) - 2 * 24 * 3600) // 60 * 60)
    # W32TeX directories that fail the catalogue at one step each: notzip/ lists an
    # information archive that is no zip, noinfo/ one that lacks texinst2006.c.
    write_file(os.path.join(ftp, "broken/notzip/texinst2006.zip"), b"not a zip archive\n")
    write_file(os.path.join(http, "broken/noinfo/texinst2006.zip"),
               make_demo_mirror.zip_bytes([("readme.txt", b"no list here\r\n")]))
    write_file(os.path.join(http, "files/sample.bin"), sample_bytes(5000))
    # Large enough for a download to be cancelled half-way when it comes in pieces (/trickle/).
    write_file(os.path.join(http, "files/big.bin"), sample_bytes(200 * 1024))
    # An index page naming texinst2006.zip, which is not there.
    write_file(os.path.join(http, "broken/nofile/index.html"),
               b'<html><body><a href="texinst2006.zip">texinst2006.zip</a></body></html>\n')


def append_line(path, line):
    with open(path, "a", encoding="utf-8") as log:
        log.write(line + "\n")


class MirrorHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the HTTP tree with Python's own index pages, plus paths that misbehave on purpose:

      /nolength/<path>        the file without Content-Length (connection closes)
      /nomodified/<path>      the file without Last-Modified (a directory: its index)
      /slowhead/S/<path>      HEAD answered after S seconds; GET as usual
      /trickle/<path>         the file in 4 KB pieces, 30 ms apart
      /cut/<path>             the file's full Content-Length, half its body, then the close
      /stall/headers/S        reads the request, says nothing for S seconds
      /stall/body/S           headers and 1000 of 100000 bytes, then S seconds of nothing
    """

    protocol_version = "HTTP/1.1"
    FILE_FORMS = {"nolength": {"length": False}, "trickle": {"piece": 4096}, "cut": {"modified": False, "cut": True}}

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.answer(super().do_GET)

    def do_HEAD(self):
        self.answer(super().do_HEAD)

    def answer(self, usual):
        if self.server.proxy_log:
            # The proxy records the absolute URL and serves the tree itself, whatever
            # the host: every test sends it requests for this HTTP server only.
            append_line(self.server.proxy_log, f"{self.command} {self.path}")
            self.path = urllib.parse.urlsplit(self.path)._replace(scheme="", netloc="").geturl()
        agent = self.headers.get("User-Agent", "")
        append_line(self.server.request_log, f"{self.command} {self.path} agent={agent}")
        parts = urllib.parse.urlsplit(self.path).path.split("/")[1:]
        special = getattr(self, "special_" + parts[0], None) if parts[0] else None
        try:
            if parts[0] in self.FILE_FORMS:
                self.send_file(parts[1:], **self.FILE_FORMS[parts[0]])
            elif not special or special(parts[1:]) is False:
                usual()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def head(self, code, headers):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        return self.command != "HEAD"

    def send_file(self, path, length=True, modified=True, piece=0, cut=False):
        full = self.translate_path("/" + "/".join(path))
        try:
            with open(full, "rb") as f:
                data = f.read()
        except OSError:
            return self.send_error(404)
        headers = [("Content-Type", "application/octet-stream")]
        headers.append(("Content-Length", str(len(data))) if length else ("Connection", "close"))
        if modified:
            headers.append(("Last-Modified", self.date_time_string(os.stat(full).st_mtime)))
        self.close_connection = not length or cut
        if not self.head(200, headers):
            return
        if cut:
            data = data[: len(data) // 2]
        piece = piece or len(data) or 1
        for start in range(0, len(data), piece):
            self.wfile.write(data[start:start + piece])
            self.wfile.flush()
            time.sleep(0.03 if piece < len(data) else 0)

    def special_nomodified(self, rest):
        if os.path.isdir(self.translate_path("/" + "/".join(rest))):
            self.path = "/" + "/".join(rest)
            return False
        self.send_file(rest, modified=False)

    def special_slowhead(self, rest):
        if self.command == "HEAD":
            time.sleep(min(float(rest[0]), 120))
        self.path = "/" + "/".join(rest[1:])
        return False

    def special_stall(self, rest):
        if rest[0] == "body" and self.head(200, [("Content-Length", "100000")]):
            self.wfile.write(b"x" * 1000)
            self.wfile.flush()
        time.sleep(min(float(rest[1]), 120))
        self.close_connection = True


def serve(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.WARNING)  # not pyftpdlib's line per command
    # Ends by itself, whatever happens to the test run that started it.
    threading.Timer(args.time_limit, os._exit, [0]).start()
    root = os.path.join(args.state, "root")
    free = [f"127.0.0.{n}" for n in range(args.first, args.last + 1)]
    for name in ("http.log", "proxy.log", "ftp.log"):
        open(os.path.join(args.state, name), "w").close()

    def bind_first_free(make):
        for address in list(free):
            try:
                server = make(address)
            except OSError:  # pyftpdlib wraps the bind error and loses its errno
                continue
            free.remove(address)
            return address, server
        raise SystemExit("no free loopback address in the range")

    class Handler(FTPHandler):
        # Every command, so that tests and benchmarks can count the round trips.
        def pre_process_command(self, line, cmd, arg):
            append_line(os.path.join(args.state, "ftp.log"), line)
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = DummyAuthorizer()
    Handler.authorizer.add_anonymous(os.path.join(root, "ftp"), perm="elr")
    ftp_address, ftp = bind_first_free(lambda a: FTPServer((a, 21), Handler))

    def web_server(port, proxy_log=None):
        def make(address):
            server = http.server.ThreadingHTTPServer((address, port), lambda *a, **k: MirrorHandler(
                *a, directory=os.path.join(root, "http"), **k))
            server.request_log = os.path.join(args.state, "http.log")
            server.proxy_log = proxy_log and os.path.join(args.state, proxy_log)
            threading.Thread(target=server.serve_forever, daemon=True).start()
            return server
        return make

    http_address, _ = bind_first_free(web_server(80))
    proxy_address, _ = bind_first_free(web_server(8080, "proxy.log"))
    ready = os.path.join(args.state, "servers")
    with open(ready + ".tmp", "w") as f:
        f.write(f"ftp {ftp_address}\nhttp {http_address}\nproxy {proxy_address} 8080\n")
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
    try:
        pid = int(open(os.path.join(args.state, "pid")).read())
    except (OSError, ValueError):
        return
    if is_our_server(pid):
        os.kill(pid, signal.SIGKILL)  # its logs are closed after every line
    for name in ("pid", "servers"):
        if os.path.exists(os.path.join(args.state, name)):
            os.remove(os.path.join(args.state, name))


def start(args):
    stop(args)  # a server left over from an earlier run in this directory
    os.makedirs(args.state, exist_ok=True)
    write_trees(os.path.join(args.state, "root"), args.demo_programs)
    ready, out = os.path.join(args.state, "servers"), os.path.join(args.state, "serve.out")
    with open(out, "w") as log:
        child = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve", "--state", args.state,
             "--first", str(args.first), "--last", str(args.last), "--time-limit", str(args.time_limit)],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    with open(os.path.join(args.state, "pid"), "w") as f:
        f.write(str(child.pid))
    deadline = time.time() + 60
    while not os.path.exists(ready):
        if child.poll() is not None or time.time() > deadline:
            sys.stderr.write(open(out).read())
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
