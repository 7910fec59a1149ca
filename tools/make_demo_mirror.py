#!/usr/bin/python3
"""A small W32TeX-like distribution for the demo and the tests:

  make_demo_mirror.py OUT_DIR [--programs DIR] [--time EPOCH]

writes four mirror directories below OUT_DIR:

  w32tex/   texinst2006.zip (the information archive: texinst2006.c and every
            *.exe of --programs DIR) and the archives its list names, .tar.gz
            and .tar.bz2; the list also names otfdevel-w32.tar.gz (on the mirror,
            never to be taken), "Mixed-Case.tar.gz" written with capitals while the
            mirror has mixed-case.tar.gz, and an empty name
  dviout/   tex318w.zip, tex323w.zip, tex33w.zip (newest by number: tex323w.zip)
  gs/       gs853w32full.zip, gs860w32full.zip, and gs860w32full.zip.old
  gsview/   gsv48w32.exe, gsv49w32.exe

The zips of dviout and GhostScript hold dviout.exe and setupgs.exe from --programs
when it has them (else a placeholder), the GSview installers are a copy of
gsview_setup.exe from --programs when it has one. Every file's time is the given
time (default: ten days ago, whole minutes) plus its index in minutes, so that
FTP listings show the time of day; the times are written to OUT_DIR/times.txt.
"""

import argparse
import io
import os
import tarfile
import time
import zipfile

W32TEX_ARCHIVES = [
    "latex.tar.bz2", "ptex-w32.tar.gz", "web2c-w32.tar.bz2", "dvipdfmx-w32.tar.gz",
    "mftools.tar.gz", "pdftex-w32.tar.bz2", "makeindex-w32.tar.gz", "texinfo.tar.gz",
    "fonts-base.tar.bz2", "mixed-case.tar.gz", "otfdevel-w32.tar.gz", "ttf2pk-w32.tar.bz2",
]
# Written into the list; not on the mirror.
LISTED_ONLY = ["missing-from-mirror.tar.gz"]


def info_source(names):
    lines = ["/* texinst: the archives of the distribution */",
             "#include <stdio.h>", "", "char *fname[] = {"]
    for name in names:
        shown = "Mixed-Case.tar.gz" if name == "mixed-case.tar.gz" else name
        lines.append(f'"{shown}",')
    lines.append('"",')
    lines.append("};")
    lines.append("")
    lines.append('int main(void) { puts("texinst"); return 0; }')
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def tar_bytes(name, mode):
    stem = name.split(".tar")[0]
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode=mode) as tar:
        for path, text in ((f"share/texmf/{stem}/README", f"{stem} from the demo mirror\n"),
                           (f"bin/{stem}.txt", f"{stem}\n" * 20)):
            data = text.encode()
            info = tarfile.TarInfo(path)
            info.size = len(data)
            info.mtime = 1230000000
            tar.addfile(info, io.BytesIO(data))
    return out.getvalue()


def zip_bytes(entries):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for path, data in entries:
            z.writestr(zipfile.ZipInfo(path, (2009, 2, 3, 1, 5, 0)), data)
    return out.getvalue()


def program(programs, name, placeholder):
    if programs:
        path = os.path.join(programs, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return f.read()
    return placeholder


def build(out, programs, base):
    files = []  # (relative path, bytes)
    order = [n for n in W32TEX_ARCHIVES] + LISTED_ONLY
    texinst = [("texinst2006.c", info_source(order))]
    if programs and os.path.isdir(programs):
        for name in sorted(os.listdir(programs)):
            if name.lower().endswith(".exe"):
                with open(os.path.join(programs, name), "rb") as f:
                    texinst.append((name, f.read()))
    files.append(("w32tex/texinst2006.zip", zip_bytes(texinst)))
    for name in W32TEX_ARCHIVES:
        files.append((f"w32tex/{name}", tar_bytes(name, "w:bz2" if name.endswith(".bz2") else "w:gz")))
    dviout = program(programs, "dviout.exe", b"dviout placeholder\r\n")
    for version in ("318", "323", "33"):
        files.append((f"dviout/tex{version}w.zip",
                      zip_bytes([("dviout.exe", dviout), ("dviout.par", f"version {version}\r\n".encode())])))
    setupgs = program(programs, "setupgs.exe", b"setupgs placeholder\r\n")
    for version in ("853", "860"):
        entries = [("setupgs.exe", setupgs), (f"gs{version[0]}.{version[1:]}/lib/gs_init.ps", b"% init\n")]
        files.append((f"gs/gs{version}w32full.zip", zip_bytes(entries)))
    files.append(("gs/gs860w32full.zip.old", b"an old copy\n"))
    gsview = program(programs, "gsview_setup.exe", b"gsview installer placeholder\r\n")
    for version in ("48", "49"):
        files.append((f"gsview/gsv{version}w32.exe", gsview))

    times = []
    for index, (relative, data) in enumerate(files):
        path = os.path.join(out, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        stamp = base + 60 * index
        os.utime(path, (stamp, stamp))
        times.append(f"{relative} {stamp} {len(data)}")
    with open(os.path.join(out, "times.txt"), "w") as f:
        f.write("\n".join(times) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--programs")
    parser.add_argument("--time", type=int)
    args = parser.parse_args()
    base = args.time if args.time is not None else (int(time.time()) - 10 * 24 * 3600) // 60 * 60
    build(args.out, args.programs, base)


if __name__ == "__main__":
    main()
