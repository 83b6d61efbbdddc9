#!/usr/bin/env python3
"""SELTHIX run again in a directory where a conversion ran before: no file
beside its outputs claims to be this run's unless this run wrote it. The
files the earlier run's record names and this run does not write again are
removed while they stand as that run left them, and kept and told stale
(log, record, page) where they have changed since; nothing that no record
names, nor another user's file, is ever removed; --check touches nothing.

    earlier_files.py SELTHIX"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

from checks import check, valid_record, verdict
import gap_marking as gm


def image(path, frames):
    with open(path, "wb") as f:
        f.write(b"".join(frames))


def names(d):
    return sorted(n for n in os.listdir(d) if n not in ("KOVRANT.IMG",))


def record(d, what):
    with open(os.path.join(d, "SELTHIX.json"), encoding="utf-8") as f:
        doc = json.load(f)
    valid_record(doc, "selthix.schema.json", what)
    return doc


def main():
    selthix = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="earlier.")
    try:
        d = os.path.join(work, "tape")
        os.makedirs(d)
        # A: three programs, pre-emphasis, a gap: WAV files, access copies,
        # label files and the CORE document.
        a = ([gm.frame(p, program=1, emphasis=1) for p in range(0, 300)] +
             [gm.frame(p, program=2, emphasis=1) for p in range(310, 600)] +
             [gm.frame(p, program=3) for p in range(600, 900)])
        image(os.path.join(d, "KOVRANT.IMG"), a)
        gm.run([selthix, "--keep-time", "--bwf", "--de-emphasis"], d)
        first = record(d, "first run")
        before = set(names(d))
        check({"#001-48kHz-deemph.wav", "#001-48kHz.txt", "SELTHIX-CORE.csv",
               "#003-48kHz.wav"} <= before and len(first["written"]) >= 8,
              "the first run wrote its files: %r" % sorted(before))
        # The user changes one label file and keeps a file of their own.
        with open(os.path.join(d, "#002-48kHz.txt"), "a") as f:
            f.write("my note\n")
        with open(os.path.join(d, "#099-48kHz.wav"), "wb") as f:
            f.write(b"mine")
        # --check writes nothing and removes nothing.
        gm.run([selthix, "--check"], d, status=4)
        check(set(names(d)) == before | {"#099-48kHz.wav"}, "--check touches no file")
        # B: one program without emphasis, converted with no option: the
        # files --check left in place are still the first run's.
        image(os.path.join(d, "KOVRANT.IMG"), [gm.frame(p, program=1) for p in range(0, 300)])
        p = gm.run([selthix], d)
        second = record(d, "second run")
        written = {f["name"] for f in second["written"]}
        left = set(names(d)) - {"SELTHIX.LOG", "SELTHIX.json", "SELTHIX.html"}
        check(left == written | {"#002-48kHz.txt", "#099-48kHz.wav"},
              "only this run's files, the changed one and the user's own are left: %r" %
              sorted(left))
        check(second["earlierFiles"]["stale"] == ["#002-48kHz.txt"] and
              "#001-48kHz-deemph.wav" in second["earlierFiles"]["removed"] and
              "SELTHIX-CORE.csv" in second["earlierFiles"]["removed"] and
              "#099-48kHz.wav" not in second["earlierFiles"]["removed"],
              "the record tells what was removed and what is stale: %r" % second["earlierFiles"])
        log = open(os.path.join(d, "SELTHIX.LOG"), encoding="utf-8").read()
        check("前の変換のファイルが残っています (その後に変わっているため消していません): "
              "#002-48kHz.txt" in log and
              log.count("前の変換のファイルを削除しました") == len(second["earlierFiles"]["removed"]),
              "the log tells each")
        page = open(os.path.join(d, "SELTHIX.html"), encoding="utf-8").read()
        check("#002-48kHz.txt" in page, "the page names the stale file")
        # Another user's file under a name the record lists is left alone.
        gm.run([selthix, "--keep-time"], d)
        os.chown(os.path.join(d, "#001-48kHz.txt"), 4242, 4242)
        gm.run([selthix], d)
        third = record(d, "third run")
        check(os.path.exists(os.path.join(d, "#001-48kHz.txt")) and
              third["earlierFiles"]["stale"] == ["#001-48kHz.txt"],
              "another user's file is not removed: %r" % third["earlierFiles"])
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
