#!/usr/bin/python3
"""The class package's web page for the demo, beside the demo mirror:

  demo_plugin_page.py HTTP_ROOT

writes HTTP_ROOT/demo/jsclasses/index.html (plain ASCII, which is also EUC-JP)
linking jsclasses-100101.zip, and that archive: three class files at its top,
which the plug-in unpacks into ptex\\platex\\jsclasses\\ of the TeX tree. A
settings file whose [jsclasses] URL is http://HOST/demo/jsclasses/ then lets
plugin_extrapack find, fetch and install it from the loopback server.
"""

import io
import os
import sys
import zipfile

ARCHIVE = "jsclasses-100101.zip"
CLASSES = ["jsarticle.cls", "jsbook.cls", "jsclasses.dtx"]


def main():
    directory = os.path.join(sys.argv[1], "demo", "jsclasses")
    os.makedirs(directory, exist_ok=True)
    page = ("<html><head><title>jsclasses</title></head><body>\r\n"
            f'<p>newest: <a href="{ARCHIVE}">{ARCHIVE}</a></p>\r\n'
            "</body></html>\r\n")
    with open(os.path.join(directory, "index.html"), "w", newline="") as f:
        f.write(page)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name in CLASSES:
            z.writestr(zipfile.ZipInfo(name, (2010, 1, 1, 0, 0, 0)),
                       f"% {name} of the demo\n".encode())
    with open(os.path.join(directory, ARCHIVE), "wb") as f:
        f.write(out.getvalue())


if __name__ == "__main__":
    main()
