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
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import make_demo_mirror  # noqa: E402

OLD_TIME = calendar.timegm((2009, 2, 3, 1, 5, 0))


def sample_bytes(size):
    return bytes((i * 7 + 3) % 251 for i in range(size))


def write_file(path, data, mtime=OLD_TIME):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def zip_holding(name, data):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo(name, (2009, 2, 3, 1, 5, 0)), data)
    return out.getvalue()


def write_all(root, demo_programs=None):
    shutil.rmtree(root, ignore_errors=True)
    demo_time = (int(time.time()) - 10 * 24 * 3600) // 60 * 60
    for tree in ("ftp", "http"):
        base = os.path.join(root, tree)
        # pub/TeX/win32/ and the 90 archives of the round-trip benchmark in pub/bench/.
        files = [("texinst2006.zip", 1000), ("texinst2007.zip", 2000), ("gs853w32full.zip", 3000),
                 ("readme.txt", 10)]
        for name, size in files:
            write_file(os.path.join(base, "pub/TeX/win32", name), sample_bytes(size))
        os.makedirs(os.path.join(base, "pub/TeX/win32/old"))
        for i in range(90):
            write_file(os.path.join(base, f"pub/bench/gs{800 + i}w32full.zip"), sample_bytes(1000 + i))
        # The demo distribution, with the same times in both trees.
        make_demo_mirror.build(os.path.join(base, "demo"), demo_programs, demo_time)
        # W32TeX directories that fail the catalogue at one step each: notzip/ lists an
        # information archive that is no zip, noinfo/ one that lacks texinst2006.c.
        write_file(os.path.join(base, "broken/notzip/texinst2006.zip"), b"not a zip archive\n")
        write_file(os.path.join(base, "broken/noinfo/texinst2006.zip"),
                   zip_holding("readme.txt", b"no list here\r\n"))
    ftp, http = os.path.join(root, "ftp"), os.path.join(root, "http")
    os.makedirs(os.path.join(ftp, "pub/empty"))
    write_file(os.path.join(ftp, "pub/files/sample.bin"), sample_bytes(5000))
    # Two days old, whole minutes: listings show the time of day of files younger than six months.
    write_file(os.path.join(ftp, "pub/files/recent.bin"), sample_bytes(100),
               (int(time.time()) - 2 * 24 * 3600) // 60 * 60)
    write_file(os.path.join(http, "files/sample.bin"), sample_bytes(5000))
    # Large enough for a download to be cancelled half-way when it comes in pieces (/trickle/).
    write_file(os.path.join(http, "files/big.bin"), sample_bytes(200 * 1024))
    # An index page naming texinst2006.zip, which is not there.
    write_file(os.path.join(http, "broken/nofile/index.html"),
               b'<html><body><a href="texinst2006.zip">texinst2006.zip</a></body></html>\n')
