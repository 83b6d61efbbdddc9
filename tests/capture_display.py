#!/usr/bin/env python3
"""The capture a person can watch: kovrant-sim on a pseudo-terminal, under
LANG=C (Japanese, code page 932) and LANG=en_US.UTF-8, shows on one line of
at most 79 columns, redrawn at most four times a second of its clock, the
ATIME, the time the reading took, the frames read and the unread stretches,
and with --length how far along the tape is and the time left, as the tape,
its faults and the record say. Into a pipe, --length and --tape change no byte.

    capture_display.py kovrant-sim make_image
"""
import os
import pty
import re
import subprocess
import sys
import tempfile
import tty
import unicodedata

from capture_records import capture
from checks import FRAME, check, position, record, verdict
from default_outputs import atime_pack

FAULTS = "read#100*4=lost:03/11,read#300*2=02/04,read#400=delay:2000"
WORDS = {"C": ("経過", "フレーム", "エラー区間", "残り", "cp932"),
         "en_US.UTF-8": ("elapsed ", "frames ", "unread ", "left ", "utf-8")}


def shown(sim, tape, work, lang, args):
    """What the terminal got, and the record."""
    d, (main, side) = tempfile.mkdtemp(dir=work), pty.openpty()
    tty.setraw(side)
    p = capture(sim, tape, d, FAULTS, lang, args=args, stdout=side)
    os.close(side)
    out = b""
    try:
        while chunk := os.read(main, 65536):
            out += chunk
    except OSError:  # the program has closed the terminal
        pass
    os.close(main)
    p.wait()
    return out.decode(WORDS[lang][4]), record(os.path.join(d, "KOVRANT.json"), "kovrant.schema.json")


def clock(ms):
    return "%d:%02d:%02d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60)


def watched(sim, tape, work, lang, length, frames):
    out, doc = shown(sim, tape, work, lang, ["--length", str(length)] if length else [])
    shape = re.compile(r"ATIME=(\S+) %s(\S+) %s(\d+) %s(\d+)(?: (\d+)%%(?: %s(\S+))?)? *$" %
                       WORDS[lang][:4])
    lines = [s.split("\n")[0] for s in out.split("\r")[1:]]
    wide = max([sum(1 + (unicodedata.east_asian_width(c) in "WF") for c in s) for s in lines] + [0])
    reading = 30 * frames + 2000  # each frame passes the head in 30 ms; the delay
    check(all(shape.match(s) for s in lines) and wide <= 79 and
          3 < len(lines) <= reading // 250 + 2 and "\n" in out.split("\r")[-1],
          "%s: %d lines, %d columns: %r" % (lang, len(lines), wide, lines[:3]))
    if doc is None:
        return
    first, latest = (position(bytes.fromhex(doc[k]["text"].replace(":", "")))
                     for k in ("firstAtime", "lastAtime"))
    c, whole = doc["counts"], length * 2000  # frames in a minute
    said = (doc["lastAtime"]["text"], clock(reading), str(c["goodReads"]), "2", None, None)
    if length:
        said = said[:4] + (str(latest * 100 // whole),
                           clock(int((whole - latest) * reading / (latest - first))))
    last = shape.match(lines[-1])
    check(last is not None and last.groups() == said and c["stretches"] == 2,
          "%s, --length %d: %r, not %r" % (lang, length, last and last.groups(), said))


def main():
    sim, make_image = (os.path.abspath(a) for a in sys.argv[1:3])
    with tempfile.TemporaryDirectory(prefix="capture-display.") as work:
        tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "3", "--programs", "2", "--frames", "400",
                        "--no-glitches", tape], check=True, stdout=subprocess.DEVNULL)
        frames = bytearray(open(tape, "rb").read())
        for at in (f + 5760 + 8 * k for f in range(0, len(frames), FRAME) for k in range(7)):
            if frames[at] >> 4 == 2:  # its times half an hour in: half of a 60-minute cassette
                frames[at + 3:at + 7] = atime_pack(position(frames[at + 3:at + 7]) + 60000)[3:7]
        open(tape, "wb").write(frames)
        for lang in WORDS:
            for length in (60, 0):
                watched(sim, tape, work, lang, length, len(frames) // FRAME)
            piped = [capture(sim, tape, tempfile.mkdtemp(dir=work), FAULTS, lang, args=args)
                     .communicate()[0] for args in ([], ["--length", "120", "--tape", "A-1"])]
            check(piped[0] == piped[1] and piped[0].count(b"\rATIME=") > 100,
                  "%s: the same bytes into a pipe with --length" % lang)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
