#!/usr/bin/env python3
"""No capture lost: kovrant-sim where an earlier capture stands keeps it
under the next free numbered names, byte for byte, beside a whole new one
(also past names taken, beside another user's log and record, on a full
disk); an empty or short image, or a link, is replaced; an image that
cannot be moved is not read over.

    capture_kept.py kovrant-sim make_image
"""
import os
import shutil
import subprocess
import sys
import tempfile

from capture_records import agrees, run
from checks import FRAME, check, record, verdict
from merge_passes import atime, frames

SET = ("KOVRANT.IMG", "KOVRANT.LOG", "KOVRANT.json")
WHOLE = 483  # the tape's frames


def numbered(n, names=SET):
    return [name.replace(".", "-%d." % n) for name in names]


def files(d, names):
    return [open(os.path.join(d, n), "rb").read() if os.path.isfile(os.path.join(d, n)) else None
            for n in names]


def again(sim, tape, d, index, n, names=SET, count=WHOLE, lang="C.UTF-8", record_name=SET[2],
          **popen):
    """One more capture in `d`, whole: the earlier one's image, log and
    record `names` (None: not kept; none: replaced) kept as number `n`, said
    on the console and in the log."""
    moved = [(x, to) for x, to in zip(names, numbered(n)) if x]
    before = files(d, [x for x, _ in moved])
    status, out = run(sim, tape, d, lang=lang, **popen)
    doc = record(os.path.join(d, record_name), "kovrant.schema.json") or {}
    listed = [to for _, to in moved]
    said = {"C.UTF-8": "\n以前のキャプチャ(%dフレーム)を残しました: %s\n",
            "en_US.UTF-8": "\nThe earlier capture (%d frames) is kept: %s\n"}[lang]
    said %= (count, ("、" if lang == "C.UTF-8" else ", ").join(listed))
    reading = "\nテープの読み取り中" if lang == "C.UTF-8" else "\nReading the tape."
    told = said in out and out.index(said) < out.index(reading)
    image, log, rec = (to if x else None for x, to in zip(names or (None,) * 3, numbered(n)))
    kept = {"image": image, "frames": count, "log": log, "record": rec} if names else None
    check(status == 0 and files(d, listed) == before and told == bool(names) and
          doc.get("kept", 0) == kept and files(d, ["KOVRANT.IMG"]) == [open(tape, "rb").read()],
          "%s: kept as %d: %r %r %r" % (d, n, doc.get("kept"), sorted(os.listdir(d)), out[:300]))
    if lang == "C.UTF-8" and record_name == SET[2]:
        agrees(d, status, index)
        log = open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8").read()
        check(("\n残した以前のキャプチャ: %s (%dフレーム)\n" % ("、".join(listed), count) in log) ==
              bool(names), "%s: the log %r" % (d, log[:300]))
    return doc


def taken(d):  # by a link, a directory, another user's file
    os.symlink("nowhere", os.path.join(d, "KOVRANT-1.IMG"))
    os.mkdir(os.path.join(d, "KOVRANT-2.LOG"))
    open(os.path.join(d, "KOVRANT-3.json"), "w").close()
    os.chown(os.path.join(d, "KOVRANT-3.json"), 4242, 4242)


def link(d):
    os.rename(os.path.join(d, "KOVRANT.IMG"), os.path.join(d, "x.img"))
    os.symlink("x.img", os.path.join(d, "KOVRANT.IMG"))


def cut(size):
    return lambda d: os.truncate(os.path.join(d, "KOVRANT.IMG"), size)


def in_the_way(sim, tape, work, index):
    d = os.path.join(work, "again")
    run(sim, tape, d)
    again(sim, tape, d, index, 1)
    again(sim, tape, d, index, 2, lang="en_US.UTF-8")
    cases = [  # name, what is done after the first capture, kept as, the names kept, frames
        ("taken", taken, 4, SET, WHOLE),
        ("described by no record", cut(WHOLE * FRAME - 1), 1, (SET[0], None, None), WHOLE - 1),
        ("empty", cut(0), 0, (), 0),
        ("short of a frame", cut(FRAME - 1), 0, (), 0),
        ("a link", link, 0, (), 0),
    ]
    for name, prepare, n, names, count in cases:
        d = os.path.join(work, name)
        run(sim, tape, d)
        prepare(d)
        again(sim, tape, d, index, n, names, count)
        check(n > 0 or not [x for x in os.listdir(d) if x.startswith("KOVRANT-")], name)


def not_kept(sim, tape, d, reason, **popen):
    """An image that cannot be moved: the tape is not read, nothing changes."""
    before = {n: files(d, [n]) for n in os.listdir(d)}
    status, out = run(sim, tape, d, **popen)
    check(status == 1 and {n: files(d, [n]) for n in os.listdir(d)} == before and
          ("(%dフレーム)を別の名前に移せないため(%s)、このテープは読みません。" % (WHOLE, reason)) in out and
          "読み取り中" not in out and out.endswith("データモードに切り替えています・・・成功しました。"),
          "%s: not kept: %r %r" % (d, out[-300:], sorted(os.listdir(d))))


def shared(sim, tape, work, index):
    """As user 4343 in a shared directory beside another user's log and
    record, and with another user's image."""
    if os.geteuid() != 0:
        return print("not root: another user's files not tried")
    top = os.path.join(work, "top")
    d, theirs = os.path.join(top, "shared"), os.path.join(top, "theirs")
    for path, mode in ((work, 0o755), (top, 0o755), (d, 0o1777), (theirs, 0o1777)):
        os.makedirs(path, exist_ok=True)
        os.chmod(path, mode)
    sim, tape = shutil.copy(sim, top), shutil.copy(tape, top)
    os.chmod(tape, 0o644)
    for name in (os.path.join(d, SET[1]), os.path.join(d, SET[2]), shutil.copy(tape, theirs)):
        open(name, "a").close()
        os.chown(name, 4242, 4242)
    os.chmod(os.path.join(theirs, "tape.bin"), 0o666)  # a second name could be made for it
    os.rename(os.path.join(theirs, "tape.bin"), os.path.join(theirs, "KOVRANT.IMG"))

    def another():
        os.setgid(4343)
        os.setuid(4343)
    run(sim, tape, d, preexec_fn=another)
    again(sim, tape, d, index, 2, ("KOVRANT.IMG", "KOVRANT-1.LOG", "KOVRANT-1.json"),
          record_name="KOVRANT-1.json", preexec_fn=another)
    # Kept alone: not under the number this capture's log or record takes.
    os.remove(os.path.join(d, "KOVRANT-1.json"))
    doc = again(sim, tape, d, index, 4, (SET[0], None, None), record_name="KOVRANT-1.json",
                preexec_fn=another)
    check(doc.get("log") == "KOVRANT-3.LOG" and files(d, SET[1:]) == [b"", b""],
          "kept alone: %r" % sorted(os.listdir(d)))
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
        check(status == 1 and files(d, numbered(1)) == before and
              "KOVRANT.IMGへの書き込みに失敗しました: No space left on device" in out and
              os.path.getsize(os.path.join(d, "KOVRANT.IMG")) % FRAME == 0,
              "a full disk while keeping: %r" % out[-300:])
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
        index = {"%02x:%02x:%02x:%02x" % tuple(atime(f)): k
                 for k, f in enumerate(frames(tape)) if atime(f) is not None}
        in_the_way(sim, tape, work, index)
        every = os.path.join(work, "every name taken")
        run(sim, tape, every)
        for k in range(1, 100):
            os.mkdir(os.path.join(every, "KOVRANT-%d.IMG" % k))
        not_kept(sim, tape, every, "File exists")
        shared(sim, tape, work, index)
        full_disk(sim, tape, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
