#!/usr/bin/env python3
"""Rewrites the table of common/cp932.h so that it holds exactly the
non-ASCII characters of the Japanese console texts (DAT_MESSAGE in the
message headers), with their code page 932 bytes from Python's cp932 codec. The
tests check every row against the C library's converter as well.

    tools/cp932_table.py            rewrite the table
    tools/cp932_table.py --check    exit 1 when the table is not up to date
"""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Every header of console texts: */*_messages.h.
HEADERS = sorted(os.path.relpath(p, ROOT) for p in glob.glob(os.path.join(ROOT, "*", "*_messages.h")))
TABLE = os.path.join(ROOT, "common", "cp932.h")


def texts():
    for h in HEADERS:
        source = open(os.path.join(ROOT, h), encoding="utf-8").read()
        # DAT_MESSAGE(name, japanese, english): the Japanese is encoded.
        for m in re.finditer(r'DAT_MESSAGE\(\s*\w+,\s*((?:"(?:[^"\\]|\\.)*"\s*)+),', source):
            yield "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', m.group(1)))


def rows():
    chars = sorted({c for t in texts() for c in t if ord(c) >= 0x80})
    out = []
    for c in chars:
        b = c.encode("cp932")
        out.append("    {0x%04X, 0x%02X%02X},  // %s\n" % (ord(c), b[0], b[1], c))
    return "".join(out)


def main():
    source = open(TABLE, encoding="utf-8").read()
    start = source.index("constexpr Row kTable[] = {\n") + len("constexpr Row kTable[] = {\n")
    end = source.index("};\n", start)
    updated = source[:start] + rows() + source[end:]
    if "--check" in sys.argv[1:]:
        if updated != source:
            print("common/cp932.h: the table is not up to date: run tools/cp932_table.py")
            return 1
        return 0
    open(TABLE, "w", encoding="utf-8").write(updated)
    return 0


if __name__ == "__main__":
    sys.exit(main())
