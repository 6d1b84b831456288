#!/usr/bin/env python3
"""Packs the 32-bit release: a zip of ZEKO.EXE, zekocli.exe and the read-me files, and
its SHA-256, into a folder.

    dist.py WIN32_BUILD OUT_DIR

The read-me files go in as Windows users read them: in code page 932, every line ending
in CR LF.  The entries carry one fixed time, so the same build packs to the
same bytes.
"""
import hashlib
import os
import sys
import zipfile

VERSION = "1.03a"
NAME = f"morvane-{VERSION}-win32"
STAMP = (2026, 1, 1, 0, 0, 0)


def entries(build, source):
    release = os.path.join(source, "docs", "release")
    for name, path in (("ZEKO.EXE", os.path.join(build, "ui", "ZEKO.EXE")),
                       ("zekocli.exe", os.path.join(build, "tools", "zekocli.exe"))):
        with open(path, "rb") as f:
            yield name, f.read(), 0o755
    for name in ("README-ja.txt", "README-en.txt"):
        with open(os.path.join(release, name), encoding="utf-8") as f:
            text = f.read()
        yield name, text.replace("\n", "\r\n").encode("cp932"), 0o644


def main():
    build, out = sys.argv[1], sys.argv[2]
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(out, exist_ok=True)
    archive = os.path.join(out, NAME + ".zip")
    # Written aside and renamed when complete: a failed run leaves no half archive.
    try:
        with zipfile.ZipFile(archive + ".part", "w", zipfile.ZIP_DEFLATED) as zip_file:
            for name, data, mode in entries(build, source):
                info = zipfile.ZipInfo(f"{NAME}/{name}", STAMP)
                info.external_attr = mode << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                zip_file.writestr(info, data)
    except BaseException:
        os.remove(archive + ".part")
        raise
    os.replace(archive + ".part", archive)
    with open(archive, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(archive + ".sha256", "w") as f:
        f.write(f"{digest}  {NAME}.zip\n")
    print(archive)


if __name__ == "__main__":
    main()
