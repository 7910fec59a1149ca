#!/usr/bin/python3
"""Writes the zip archives that the reader is compared on against another zip
library: stored and deflated entries, empty files, directories, Shift_JIS names,
data descriptors, an archive comment and a program prepended, plus damaged ones
(a CRC error, damaged compressed data, a truncated archive).

Usage: make_zip_fixtures.py OUTPUT_DIR
       make_zip_fixtures.py --seeds OUTPUT_DIR   (only the small archives: fuzzing seeds)
Everything is made here from a fixed seed; nothing is downloaded.
"""
import io
import os
import random
import struct
import sys
import zipfile


class SjisInfo(zipfile.ZipInfo):
    """Stores the name as Shift_JIS bytes, as the archives the installer reads do
    (zipfile itself would store UTF-8 and set the UTF-8 flag)."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits


def entry(name, method=zipfile.ZIP_DEFLATED, directory=False):
    info = SjisInfo(name, date_time=(2004, 2, 29, 12, 34, 56))
    info.compress_type = zipfile.ZIP_STORED if directory else method
    if directory:
        info.external_attr = 0x10
    return info


def mixed(rng, length):
    """Half text, half noise: compresses, but not to nothing."""
    words = [b"tex", b"dviout", b"\x95\x5c", b"\x83\x5c", b"gs", b"\r\n", b"  "]
    out = bytearray()
    while len(out) < length:
        if rng.random() < 0.5:
            out += rng.choice(words)
        else:
            out += bytes(rng.getrandbits(8) for _ in range(16))
    return bytes(out[:length])


def central_headers(data):
    """(offset of each central header, offset of the end record) of a clean archive."""
    end = data.rindex(b"PK\x05\x06")
    count, size, start = struct.unpack_from("<HII", data, end + 10)
    offsets, pos = [], start
    for _ in range(count):
        offsets.append(pos)
        n, e, c = struct.unpack_from("<HHH", data, pos + 28)
        pos += 46 + n + e + c
    return offsets, end


def write(path, build, comment=b""):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        build(z)
        z.comment = comment
    data = buffer.getvalue()
    with open(path, "wb") as f:
        f.write(data)
    return data


def basic(z):
    rng = random.Random(1)
    z.writestr(entry("readme.txt", zipfile.ZIP_STORED), b"plain stored text\r\n")
    z.writestr(entry("texmf/", directory=True), b"")
    z.writestr(entry("texmf/tex/platex/base/jarticle.cls"), mixed(rng, 40000))
    z.writestr(entry("texmf/tex/platex/base/empty.sty"), b"")
    z.writestr(entry("empty-stored.txt", zipfile.ZIP_STORED), b"")
    z.writestr(entry("bin/big.dat"), mixed(rng, 1 << 20))
    z.writestr(entry("bin/noise.bin", zipfile.ZIP_STORED), rng.randbytes(70000))
    z.writestr(entry("bin/zeros.bin"), bytes(300000))


def sjis(z):
    rng = random.Random(2)
    z.writestr(entry("表/", directory=True), b"")
    z.writestr(entry("表/ソフト.txt"), "ソフトウェア表示".encode("cp932"))
    z.writestr(entry("ソ"), mixed(rng, 5000))
    z.writestr(entry("能力/予定表.tex", zipfile.ZIP_STORED), b"\\documentclass{jarticle}\r\n")
    z.writestr(entry("十/"), b"")


def many(z):
    rng = random.Random(3)
    for i in range(1500):
        method = zipfile.ZIP_STORED if i % 3 == 0 else zipfile.ZIP_DEFLATED
        z.writestr(entry("d%02d/f%04d.txt" % (i % 37, i), method), mixed(rng, rng.randrange(0, 3000)))


def escaping(z):
    for name in ["../evil1.txt", "a/../../evil2.txt", "c:/evil3.txt", "/evil4.txt", "ok/fine.txt"]:
        z.writestr(entry(name), name.encode("ascii"))


def seeds(out):
    os.makedirs(out, exist_ok=True)
    path = lambda name: os.path.join(out, name)
    write(path("sjis.zip"), sjis)
    write(path("escaping.zip"), escaping)
    write(path("empty.zip"), lambda z: None)
    write(path("comment.zip"), sjis, comment=b"an archive comment")
    with open(path("prefixed.zip"), "wb") as f:
        f.write(b"MZ" + bytes(62) + open(path("sjis.zip"), "rb").read())


def main():
    if sys.argv[1] == "--seeds":
        seeds(sys.argv[2])
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    path = lambda name: os.path.join(out, name)

    clean = write(path("basic.zip"), basic)
    write(path("sjis.zip"), sjis)
    write(path("many.zip"), many)
    write(path("escaping.zip"), escaping)
    write(path("empty.zip"), lambda z: None)
    write(path("comment.zip"), sjis, comment=b"an archive comment")

    # Written to a stream that cannot seek back, zipfile puts sizes and CRCs in
    # data descriptors after each entry (flag bit 3) and zeros in the local headers.
    class Forward(io.RawIOBase):
        def __init__(self):
            self.data = bytearray()
        def writable(self):
            return True
        def write(self, b):
            self.data += b
            return len(b)
    stream = Forward()
    with zipfile.ZipFile(stream, "w") as z:
        rng = random.Random(4)
        for i in range(5):
            with z.open(entry("stream/%d.txt" % i), "w") as f:
                f.write(mixed(rng, 10000 * i))
    with open(path("descriptor.zip"), "wb") as f:
        f.write(stream.data)

    # A program in front of the archive, as in self-extractors.
    with open(path("prefixed.zip"), "wb") as f:
        f.write(b"MZ" + bytes(4094))
        f.write(open(path("sjis.zip"), "rb").read())

    # The CRC-32 of the third entry changed in both of its headers.
    damaged = bytearray(clean)
    centrals, _ = central_headers(clean)
    local = struct.unpack_from("<I", clean, centrals[2] + 42)[0]
    for at in (local + 14, centrals[2] + 16):
        struct.pack_into("<I", damaged, at, struct.unpack_from("<I", damaged, at)[0] ^ 0x5A5A5A5A)
    open(path("crc_error.zip"), "wb").write(damaged)

    # Bytes flipped inside the compressed data of the big entry.
    damaged = bytearray(clean)
    local = struct.unpack_from("<I", clean, centrals[5] + 42)[0]
    n, e = struct.unpack_from("<HH", clean, local + 26)
    start = local + 30 + n + e
    for i in range(64):
        damaged[start + 5000 + i * 97] ^= 0xA5
    open(path("data_damaged.zip"), "wb").write(damaged)

    # A long entry between two short ones, to cancel while it is being written:
    # 256 MiB of zeros take little room and long enough to unpack.
    with zipfile.ZipFile(path("cancel.zip"), "w") as z:
        z.writestr(entry("first.txt"), b"first\r\n")
        with z.open(entry("big.bin"), "w") as f:
            block = bytes(1 << 20)
            for _ in range(256):
                f.write(block)
        z.writestr(entry("last.txt"), b"last\r\n")

    # Cut in the middle: the end record and the directory are gone.
    open(path("truncated.zip"), "wb").write(clean[: len(clean) // 2])
    # Cut inside the central directory only.
    _, end = central_headers(clean)
    open(path("truncated_directory.zip"), "wb").write(clean[: end - 10])


if __name__ == "__main__":
    main()
