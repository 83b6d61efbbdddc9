#!/usr/bin/env python3
"""kovrant-merge's guards end to end: another cassette's pass (--force),
signals, a killed merge's file swept, an input rewritten, replaced or cut
short meanwhile, a link or a directory under the record's name; the record of
each says so.

    merge_guards.py kovrant-merge kovrant-sim make_image SELTHIX

A merge is held at work, without timing, by its report: standard output is a
one-page pipe read only afterwards, and a base with a gap every fourth frame
has many lines to say once the result's temporary file is there.
"""
import fcntl
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import FRAME, check, verdict
from merge_passes import Tools, atime, frames


def write(path, parts):
    with open(path, "wb") as f:
        f.write(b"".join(parts))
    return path


def share(base, other):  # the frames both hold (by ATIME), and how many differ
    by_time = {atime(f): f for f in base}
    both = [f for f in other if atime(f) in by_time]
    return len(both), sum(1 for f in both if by_time[atime(f)] != f)


def merged(base, other):  # both in tape order, the base's frame where both have one
    placed = {atime(f): f for f in other}
    placed.update({atime(f): f for f in base})
    return b"".join(placed[t] for t in sorted(placed))


def another_cassette(tools, tape, other_tape):
    other, holed = frames(other_tape), [f for k, f in enumerate(tape) if k % 5 != 4]
    base = write(os.path.join(tools.work, "holed.IMG"), holed)
    half = share(holed, tape)[0] // 2

    def changed(count):  # the tape, the first `count` frames it shares with the base changed
        out = [f[:-1] + bytes([f[-1] ^ 1]) if k % 5 != 4 and k - k // 5 < count else f
               for k, f in enumerate(tape)]
        return write(os.path.join(tools.work, "changed-%d.IMG" % count), out)

    first = [write(os.path.join(tools.work, "%d.IMG" % n), tape[:n]) for n in (99, 100)]
    cases = [  # inputs, the result (None: refused)
        (["--force", base, other_tape], merged(holed, other)), ([base, other_tape], None),
        ([base, changed(3)], b"".join(tape)), ([base, changed(half)], b"".join(tape)),
        ([base, changed(half + 1)], None),
        ([first[0], other_tape], merged(tape[:99], other)), ([first[1], other_tape], None)]
    check(share(holed, other)[1] > 1000, "the cassettes overlap: %r" % (share(holed, other),))
    for n, (inputs, result) in enumerate(cases):
        d = os.path.join(tools.work, "cassette-%d" % n)
        os.makedirs(d)
        image = write(os.path.join(d, "KOVRANT.IMG"), [b"earlier"])
        _, p, log = tools.run_merge(d, *inputs, status=0 if result else 1)
        said = "%sと基準の%sが共有する %d フレームのうち %d フレームが異なります" % (
            (inputs[-1], inputs[-2]) + share(frames(inputs[-2]), frames(inputs[-1])))
        shared, differing = share(frames(inputs[-2]), frames(inputs[-1]))
        if result is None:
            check(open(image, "rb").read() == b"earlier" and len(os.listdir(d)) == 4 and
                  said + "。別のカセット" in p.stderr.decode("cp932") and
                  log.endswith("\nまとめ: 結合しませんでした\n"), "%d: refused: %r" % (n, p.stderr))
            check(tools.doc["refusals"] == [{"code": "other-cassette", "input": {"text": inputs[-1]},
                                             "reason": None, "shared": shared,
                                             "differing": differing}] and
                  tools.doc["ending"] == "refused", "%d: the record: %r" % (n, tools.doc))
        else:
            forced = "--force" in inputs
            check(open(image, "rb").read() == result and
                  (log.splitlines()[1:2] == ["オプション: --force"]) == forced and
                  (said + "が、--force により結合します" in log) == forced,
                  "%d: merged, --force in the log if given: %r" % (n, log[:600]))
            check(tools.doc["options"]["force"] == forced and tools.doc["inputs"][1]["forced"] ==
                  ({"shared": shared, "differing": differing} if forced else None),
                  "%d: the record: %r" % (n, tools.doc["inputs"]))


def held(tools, d, *inputs):  # a merge in `d`, held once its temporary file is there
    os.makedirs(d, exist_ok=True)
    read, written = os.pipe()
    fcntl.fcntl(read, getattr(fcntl, "F_SETPIPE_SZ", 1031), 4096)
    p = subprocess.Popen([tools.merge] + list(inputs), cwd=d, stdin=subprocess.DEVNULL,
                         stdout=written, stderr=subprocess.PIPE)
    os.close(written)
    p.report, deadline = os.fdopen(read, "rb"), time.monotonic() + 60
    while not [n for n in os.listdir(d) if ".part-" in n] and time.monotonic() < deadline:
        time.sleep(0.002)
    p.staged = [n for n in os.listdir(d) if ".part-" in n]
    check(len(p.staged) == 1 and p.poll() is None, "the merge held at work in " + d)
    return p


def ended(tools, d, p):  # the exit status, standard error, log and record of a held merge let go
    p.report.read()
    err = p.stderr.read().decode("cp932")
    status = p.wait()
    log = open(os.path.join(d, "KOVRANT-MERGE.LOG"), encoding="utf-8").read()
    return status, err, log, tools.record(d, log, status) or {}


def interrupts_and_changes(tools, base, whole, other_tape):
    said = "結合を中断しました。書きかけのファイルは残していません。\n"
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        d = os.path.join(tools.work, "interrupted-%d" % sig)
        p = held(tools, d, base, whole)
        p.send_signal(sig)
        status, err, log, doc = ended(tools, d, p)
        check(status == 3 and sorted(os.listdir(d)) == ["KOVRANT-MERGE.LOG", "KOVRANT-MERGE.html", "KOVRANT-MERGE.json"]
              and err.endswith(said) and
              log.endswith(said + "終了ステータス: 3\nまとめ: 中断。結合しませんでした\n"),
              "signal %d: %r %r %r %r" % (sig, status, os.listdir(d), err, log[-200:]))
        check(doc.get("ending") == "interrupted" and doc.get("output", 0) is None,
              "signal %d: the record says so: %r" % (sig, doc.get("ending")))
    # Killed outright: its file stays until the next merge there, no other.
    d = os.path.join(tools.work, "killed")
    p = held(tools, d, base, whole)
    p.kill()
    p.report.read()
    p.wait()
    kept = ["KOVRANT.IMG.part-%d-0" % os.getpid(),  # a running process's
            "KOVRANT.LOG.part-%d-0" % p.pid,  # not the result's
            "KOVRANT.IMG.part-%d-1" % p.pid]  # another user's
    record = "KOVRANT-MERGE.json.part-%d-0" % p.pid  # the record's, had it been killed writing it
    for n in kept + [record]:
        write(os.path.join(d, n), [b"x"])
    os.chown(os.path.join(d, kept[2]), 4242, 4242)
    _, _, log = tools.run_merge(d, base, whole)
    removed = sorted(p.staged + [record])
    check(sorted(os.listdir(d)) == sorted(["KOVRANT-MERGE.LOG", "KOVRANT-MERGE.html", "KOVRANT-MERGE.json",
                                           "KOVRANT.IMG"]
                                          + kept) and
          sorted(log.splitlines()[1:3]) == ["古い一時ファイルを削除: " + n for n in removed] and
          sorted(tools.doc["staleTemporariesRemoved"], key=str) ==
          [{"text": n} for n in removed],
          "the next merge removes the killed one's files, no other: %r" % log.splitlines()[:3])
    # An input rewritten in place at the same length, or replaced.
    other = frames(other_tape)[:len(frames(whole))]
    for how in ("rewritten", "replaced"):
        d, second = os.path.join(tools.work, how), shutil.copy(whole, tools.work + "/in.IMG")
        os.utime(second, (time.time() - 3600,) * 2)  # a rewrite cannot keep its time
        p = held(tools, d, base, second)
        if how == "replaced":
            os.replace(write(second + ".new", other), second)
        else:
            with open(second, "r+b") as f:
                f.write(b"".join(other))
        status, err, log, doc = ended(tools, d, p)
        check(status == 1 and sorted(os.listdir(d)) == ["KOVRANT-MERGE.LOG", "KOVRANT-MERGE.html", "KOVRANT-MERGE.json"]
              and os.path.getsize(second) == os.path.getsize(whole) and
              err.startswith(second + "が結合の間に変わりました") and
              log.endswith("\nまとめ: 結合しませんでした\n"), "%s: %r %r" % (how, status, err))
        check(doc.get("refusals") == [{"code": "input-changed", "input": {"text": second},
                                       "reason": None}],
              "%s: the record: %r" % (how, doc.get("refusals")))
    # An input cut short while its frames are copied: a read that fails.
    d, second = os.path.join(tools.work, "shortened"), shutil.copy(whole, tools.work + "/in.IMG")
    p = held(tools, d, base, second)
    os.truncate(second, os.path.getsize(second) // 2)
    status, err, log, doc = ended(tools, d, p)
    check(status == 1 and "KOVRANT.IMG" not in os.listdir(d) and
          err.startswith(second + "を読めません: Input/output error") and
          doc.get("refusals") == [{"code": "unreadable", "input": {"text": second},
                                   "reason": "Input/output error"}],
          "shortened: %r %r %r" % (status, err, doc.get("refusals")))


def names_in_the_way(tools, base, whole):
    """A link under KOVRANT-MERGE.json is replaced, not followed; a directory
    there is said, and the merge done all the same. No room for the result:
    the record says so."""
    d = os.path.join(tools.work, "full")
    os.makedirs(d)

    def small():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (100 * FRAME, 100 * FRAME))
    p = subprocess.run([tools.merge, base, whole], cwd=d, capture_output=True,
                       stdin=subprocess.DEVNULL, preexec_fn=small)
    doc = tools.record(d, open(os.path.join(d, "KOVRANT-MERGE.LOG"), encoding="utf-8").read(),
                       p.returncode) or {}
    check(p.returncode == 1 and doc.get("ending") == "write-failed" and
          doc["refusals"] == [{"code": "write-failed", "input": None, "reason": "File too large"}]
          and "KOVRANT.IMG" not in os.listdir(d), "no room for the result: %r" % doc.get("refusals"))
    d = os.path.join(tools.work, "record-link")
    os.makedirs(d)
    write(os.path.join(d, "victim"), [b"keep"])
    os.symlink("victim", os.path.join(d, "KOVRANT-MERGE.json"))
    tools.run_merge(d, base, whole)
    check(open(os.path.join(d, "victim"), "rb").read() == b"keep" and tools.doc is not None and
          not os.path.islink(os.path.join(d, "KOVRANT-MERGE.json")), "the link replaced")
    d = os.path.join(tools.work, "record-directory")
    os.makedirs(os.path.join(d, "KOVRANT-MERGE.json"))
    _, p, log = tools.run_merge(d, base, whole)
    check(p.stderr.decode("cp932") == "KOVRANT-MERGE.jsonを書けませんでした: Is a directory\n" and
          open(os.path.join(d, "KOVRANT.IMG"), "rb").read() == open(whole, "rb").read() and
          log.splitlines()[-1].startswith("まとめ: KOVRANT.IMG に書きました。"),
          "a directory under KOVRANT-MERGE.json: said, the merge done: %r" % p.stderr)
    if os.geteuid() != 0:
        print("not root: another user's record not tried")
        return
    # Another user's record in a shared directory: this one goes beside it.
    top = os.path.join(tools.work, "top")
    d = os.path.join(top, "shared")
    os.makedirs(d)
    for path, mode in ((tools.work, 0o755), (top, 0o755), (d, 0o1777)):
        os.chmod(path, mode)
    program = shutil.copy(tools.merge, os.path.join(top, "kovrant-merge"))
    inputs = [shutil.copy(f, top) for f in (base, whole)]
    write(os.path.join(d, "KOVRANT-MERGE.json"), [b"theirs"])
    os.chown(os.path.join(d, "KOVRANT-MERGE.json"), 4242, 4242)
    p = subprocess.run([program] + inputs, cwd=d, capture_output=True, stdin=subprocess.DEVNULL,
                       preexec_fn=lambda: (os.setgid(4343), os.setuid(4343)))
    log = open(os.path.join(d, "KOVRANT-MERGE.LOG"), encoding="utf-8").read()
    doc = tools.record(d, log, p.returncode, "KOVRANT-MERGE-1.json") or {}
    check(p.returncode == 0 and open(os.path.join(d, "KOVRANT-MERGE.json"), "rb").read() == b"theirs"
          and p.stderr.decode("cp932") == "KOVRANT-MERGE.jsonを置き換えられないため(Operation not "
          "permitted)、この結合のJSONはKOVRANT-MERGE-1.jsonに書きます。\n" and doc.get("ending") == "done",
          "another user's record: %r %r" % (p.stderr, os.listdir(d)))


def main():
    merge, sim, make_image, selthix = (os.path.abspath(a) for a in sys.argv[1:5])
    work = tempfile.mkdtemp(prefix="merge-guards.")
    try:
        tools = Tools(merge, sim, make_image, selthix, work)
        other_tape = os.path.join(work, "other-tape.bin")  # another cassette's, longer
        subprocess.run([make_image, "--seed", "10", "--programs", "3", "--frames", "2000",
                        other_tape], check=True, stdout=subprocess.DEVNULL)
        tools.index(other_tape)
        tape = frames(tools.tape)
        another_cassette(tools, tape, other_tape)
        base = write(os.path.join(work, "gappy.IMG"), [f for k, f in enumerate(tape) if k % 4])
        interrupts_and_changes(tools, base, tools.tape, other_tape)
        names_in_the_way(tools, base, tools.tape)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
