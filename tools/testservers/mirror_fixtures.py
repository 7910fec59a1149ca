"""The trees the loopback mirrors serve: root/ftp for the FTP server and root/http
for the HTTP server. Names, sizes and times here are what the tests expect.

Every file's time is OLD_TIME (3 February 2009, 01:05:00 UTC) unless said otherwise:
older than six months, so FTP listings give the day only and the HTTP server's
Last-Modified gives the minute.
"""

import calendar
import io
import os
import shutil
import subprocess
import sys
import time
import zipfile

OLD_TIME = calendar.timegm((2009, 2, 3, 1, 5, 0))

# pub/TeX/win32/ on both servers: (name, size).
W32TEX_FILES = [
    ("texinst2006.zip", 1000),
    ("texinst2007.zip", 2000),
    ("gs853w32full.zip", 3000),
    ("readme.txt", 10),
]

# pub/bench/ on both servers: the 90 archives of the round-trip benchmark.
BENCH_FILES = [(f"gs{800 + i}w32full.zip", 1000 + i) for i in range(90)]

SAMPLE_SIZE = 5000
# pub/files/recent.bin on the FTP server is two days old, whole minutes: listings
# show the time of day of files younger than six months.
RECENT_AGE = 2 * 24 * 3600


def sample_bytes(size):
    return bytes((i * 7 + 3) % 251 for i in range(size))


def write_file(path, data, mtime=OLD_TIME):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def write_tree(base, files):
    for name, size in files:
        write_file(os.path.join(base, name), sample_bytes(size))


# files/big.bin on the HTTP server: large enough for a download to be cancelled
# half-way when it comes in pieces (/trickle/).
BIG_SIZE = 200 * 1024


def write_demo(root, programs):
    """The demo distribution of tools/make_demo_mirror.py, below demo/ of both trees
    with the same times."""
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "make_demo_mirror.py")
    base = (int(time.time()) - 10 * 24 * 3600) // 60 * 60
    for tree in ("ftp", "http"):
        command = [sys.executable, script, os.path.join(root, tree, "demo"), "--time", str(base)]
        if programs:
            command += ["--programs", programs]
        subprocess.run(command, check=True)


def zip_holding(name, data):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo(name, (2009, 2, 3, 1, 5, 0)), data)
    return out.getvalue()


def write_broken(root):
    """W32TeX directories that fail the catalogue at one step each, below broken/
    of both trees: notzip/ lists an information archive that is no zip, noinfo/
    one that lacks texinst2006.c; the HTTP tree's nofile/ is an index page naming
    texinst2006.zip, which is not there."""
    for tree in ("ftp", "http"):
        base = os.path.join(root, tree, "broken")
        write_file(os.path.join(base, "notzip/texinst2006.zip"), b"not a zip archive\n")
        write_file(os.path.join(base, "noinfo/texinst2006.zip"),
                   zip_holding("readme.txt", b"no list here\r\n"))
    write_file(os.path.join(root, "http", "broken/nofile/index.html"),
               b'<html><body><a href="texinst2006.zip">texinst2006.zip</a></body></html>\n')


def write_all(root, demo_programs=None):
    shutil.rmtree(root, ignore_errors=True)
    ftp = os.path.join(root, "ftp")
    http = os.path.join(root, "http")

    write_tree(os.path.join(ftp, "pub/TeX/win32"), W32TEX_FILES)
    os.makedirs(os.path.join(ftp, "pub/TeX/win32/old"))
    os.makedirs(os.path.join(ftp, "pub/empty"))
    write_tree(os.path.join(ftp, "pub/bench"), BENCH_FILES)
    write_file(os.path.join(ftp, "pub/files/sample.bin"), sample_bytes(SAMPLE_SIZE))
    recent = (int(time.time()) - RECENT_AGE) // 60 * 60
    write_file(os.path.join(ftp, "pub/files/recent.bin"), sample_bytes(100), recent)

    write_tree(os.path.join(http, "pub/TeX/win32"), W32TEX_FILES)
    os.makedirs(os.path.join(http, "pub/TeX/win32/old"))
    write_tree(os.path.join(http, "pub/bench"), BENCH_FILES)
    write_file(os.path.join(http, "files/sample.bin"), sample_bytes(SAMPLE_SIZE))
    write_file(os.path.join(http, "files/big.bin"), sample_bytes(BIG_SIZE))
    write_demo(root, demo_programs)
    write_broken(root)
