#!/usr/bin/env python3
"""Prints a C string literal holding the Shift_JIS (code page 932) bytes of
each argument, for pasting into the message headers
(converter/converter_messages.h, dumper/dumper_messages.h). Backslash escapes in the
argument (\\n, \\r) are understood.

    tools/sjis_literal.py 'テープの終端に達しました。\\n'
"""
import sys

NAMED = {"\n": "\\n", "\r": "\\r", '"': '\\"', "\\": "\\\\"}


def literal(text: str) -> str:
    text = text.encode("utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")
    out, escaped = [], False
    for ch in text:
        if ch in NAMED:
            out.append(NAMED[ch])
            escaped = False
        elif ord(ch) < 0x80:
            # A hex escape swallows every hex digit after it: split the literal.
            if escaped and ch in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(ch)
            escaped = False
        else:
            out.extend("\\x%02x" % b for b in ch.encode("cp932"))
            escaped = True
    return '"' + "".join(out) + '"'


for arg in sys.argv[1:]:
    print(literal(arg))
