#!/usr/bin/env python3
"""No capture lost: kovrant-sim keeps an earlier capture under the next free
numbered names, byte for byte, beside a whole new one; an image it cannot
move is not read over.

    capture_kept.py kovrant-sim make_image
"""
import os
import shutil
import subprocess
import sys
import tempfile

from capture_records import run
from checks import FRAME, check, record, verdict

SET = ("KOVRANT.IMG", "KOVRANT.LOG", "KOVRANT.json")
ALONE = (SET[0], None, None)
WHOLE = 483  # the tape's frames


def files(d, names):
    return [open(os.path.join(d, n), "rb").read() if os.path.isfile(os.path.join(d, n)) else None
            for n in names]


def again(sim, tape, d, n, names=SET, count=WHOLE, lang="C", record_name=SET[2], **popen):
    """One more capture in `d`, whole: the earlier one's image, log and
    record `names` (None: not kept; none at all: replaced) kept as number
    `n`, as the console, the log and the record say."""
    kept = [(x, to.replace(".", "-%d." % n)) for x, to in zip(names, SET) if x]
    before = files(d, [x for x, _ in kept])
    status, out = run(sim, tape, d, lang="C.UTF-8" if lang == "C" else lang, **popen)
    doc = record(os.path.join(d, record_name), "kovrant.schema.json") or {}
    said = {"C": ("\n以前のキャプチャ(%dフレーム)を残しました: %s\n", "、", "\nテープの読み取り中"),
            "en": ("\nThe earlier capture (%d frames) is kept: %s\n", ", ", "\nReading the tape.")}
    line, comma, reading = said[lang[:2] if lang != "C" else "C"]
    line %= (count, comma.join(to for _, to in kept))
    to = dict((x.split(".")[1], t) for x, t in kept)
    told = {"image": to.get("IMG"), "frames": count, "log": to.get("LOG"), "record": to.get("json")}
    log = open(os.path.join(d, doc.get("log") or "-"), encoding="utf-8").read() if doc else ""
    check(status == 0 and files(d, [t for _, t in kept]) == before and
          (line in out and out.index(line) < out.index(reading)) == bool(names) and
          doc.get("kept", 0) == (told if names else None) and
          (("\n残した以前のキャプチャ: %s (%dフレーム)\n" % (comma.join(t for _, t in kept), count) in log)
           or lang != "C") == bool(names) and files(d, [SET[0]]) == [open(tape, "rb").read()],
          "%s: kept as %d: %r %r %r" % (d, n, doc.get("kept"), sorted(os.listdir(d)), out[:300]))
    return doc


def in_the_way(sim, tape, work):
    def taken(d):  # by a link, a directory, another user's file
        os.symlink("nowhere", os.path.join(d, "KOVRANT-1.IMG"))
        os.mkdir(os.path.join(d, "KOVRANT-2.LOG"))
        open(os.path.join(d, "KOVRANT-3.json"), "w").close()
        os.chown(os.path.join(d, "KOVRANT-3.json"), 4242, 4242)

    def link(d):
        os.rename(os.path.join(d, SET[0]), os.path.join(d, "x.img"))
        os.symlink("x.img", os.path.join(d, SET[0]))
    cut = lambda size: lambda d: os.truncate(os.path.join(d, SET[0]), size)  # noqa: E731
    cases = [  # name, what is done after the first capture, kept as, the names kept, frames
        ("again", lambda d: None, 1, SET, WHOLE), ("taken", taken, 4, SET, WHOLE),
        ("described by no record", cut(WHOLE * FRAME - 1), 1, ALONE, WHOLE - 1),
        ("empty", cut(0), 0, (), 0), ("short of a frame", cut(FRAME - 1), 0, (), 0),
        ("a link", link, 0, (), 0)]
    for name, prepare, n, names, count in cases:
        d = os.path.join(work, name)
        run(sim, tape, d)
        prepare(d)
        again(sim, tape, d, n, names, count)
        check(n > 0 or not [x for x in os.listdir(d) if x.startswith("KOVRANT-")], name)
    again(sim, tape, os.path.join(work, "again"), 2, lang="en_US.UTF-8")  # a third capture


def not_kept(sim, tape, d, reason, **popen):
    """Nothing read, nothing changed, data mode restored."""
    before = {n: files(d, [n]) for n in os.listdir(d)}
    status, out = run(sim, tape, d, **popen)
    check(status == 1 and {n: files(d, [n]) for n in os.listdir(d)} == before and
          ("(%dフレーム)を別の名前に移せないため(%s)、このテープは読みません。" % (WHOLE, reason)) in out and
          "読み取り中" not in out and out.endswith("データモードに切り替えています・・・成功しました。"),
          "%s: not kept: %r %r" % (d, out[-300:], sorted(os.listdir(d))))


def shared(sim, tape, work):
    """As user 4343 beside another user's log and record in a shared
    directory, and with another user's image (which could take a second name)."""
    if os.geteuid() != 0:
        return print("not root: another user's files not tried")
    top = os.path.join(work, "top")
    d, theirs = os.path.join(top, "shared"), os.path.join(top, "theirs")
    for path, mode in ((work, 0o755), (top, 0o755), (d, 0o1777), (theirs, 0o1777)):
        os.makedirs(path, exist_ok=True)
        os.chmod(path, mode)
    sim, tape = shutil.copy(sim, top), shutil.copy(tape, top)
    for name, mode in ((tape, 0o644), (shutil.copy(tape, os.path.join(theirs, SET[0])), 0o666),
                       (os.path.join(d, SET[1]), 0o644), (os.path.join(d, SET[2]), 0o644)):
        open(name, "a").close()
        os.chown(name, 4242, 4242)
        os.chmod(name, mode)

    def another():
        os.setgid(4343)
        os.setuid(4343)
    run(sim, tape, d, preexec_fn=another)
    again(sim, tape, d, 2, (SET[0], "KOVRANT-1.LOG", "KOVRANT-1.json"), record_name="KOVRANT-1.json",
          preexec_fn=another)
    os.remove(os.path.join(d, "KOVRANT-1.json"))  # kept alone: not where this capture's go
    doc = again(sim, tape, d, 4, ALONE, record_name="KOVRANT-1.json", preexec_fn=another)
    check(doc.get("log") == "KOVRANT-3.LOG" and files(d, SET[1:]) == [b"", b""], "kept alone")
    not_kept(sim, tape, theirs, "Operation not permitted", preexec_fn=another)


def full_disk(sim, tape, work):
    d = os.path.join(work, "small")
    os.makedirs(d)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", d]).returncode != 0:
        return print("no tmpfs could be mounted: the full disk not tried")
    try:
        run(sim, tape, d)
        before = files(d, SET)
        status, out = run(sim, tape, d)
        check(status == 1 and files(d, [x.replace(".", "-1.") for x in SET]) == before and
              "KOVRANT.IMGへの書き込みに失敗しました: No space left on device" in out and
              os.path.getsize(os.path.join(d, SET[0])) % FRAME == 0, "full: %r" % out[-300:])
    finally:
        subprocess.run(["umount", d])


def main():
    sim, make_image = (os.path.abspath(a) for a in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="capture-kept.")
    try:
        tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "7", "--programs", "2", "--frames", "400", tape],
                       check=True, stdout=subprocess.DEVNULL)
        check(os.path.getsize(tape) == WHOLE * FRAME, "the tape's frames")
        in_the_way(sim, tape, work)
        every = os.path.join(work, "every name taken")
        run(sim, tape, every)
        for k in range(1, 100):
            os.mkdir(os.path.join(every, "KOVRANT-%d.IMG" % k))
        not_kept(sim, tape, every, "File exists")
        shared(sim, tape, work)
        full_disk(sim, tape, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
