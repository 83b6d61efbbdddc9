#!/usr/bin/env python3
"""kovrant-merge's guards, end to end: a pass of another cassette refused
(unless --force), the merge interrupted by a signal, a merge killed outright
and its temporary file swept by the next run, and an input rewritten or
replaced while it is being merged.

    merge_guards.py kovrant-merge kovrant-sim make_image SELTHIX

A merge is held in the middle of its work by its own report: its standard
output is a pipe of one page that the test reads only when it is done with
the merge, and a base with a gap every few frames has many more lines to say
once the result's temporary file is there. Nothing depends on timing.
"""
import fcntl
import os
import signal
import subprocess
import sys
import tempfile
import time
import shutil

from checks import FRAME, check, verdict
from merge_passes import Tools, atime, frames

F_SETPIPE_SZ = getattr(fcntl, "F_SETPIPE_SZ", 1031)


def write(path, parts):
    with open(path, "wb") as f:
        f.write(b"".join(parts))
    return path


def cp932(data):
    return data.decode("cp932")


def log_of(d):
    path = os.path.join(d, "KOVRANT-MERGE.LOG")
    return open(path, encoding="utf-8").read() if os.path.exists(path) else ""


def parts(d):
    return sorted(n for n in os.listdir(d) if n.startswith("KOVRANT.IMG.part-"))


def merge_by_time(base, other):
    """The frames of both in tape order, the base's where both have one."""
    placed = {atime(f): f for f in other}
    placed.update({atime(f): f for f in base})
    return [placed[t] for t in sorted(placed)]


class Held:
    """A merge in `d` whose report waits in a one-page pipe: it stops in the
    middle of its work until the test reads it (finish)."""

    def __init__(self, tools, d, *inputs):
        os.makedirs(d, exist_ok=True)
        self.d = d
        read, written = os.pipe()
        fcntl.fcntl(read, F_SETPIPE_SZ, 4096)
        self.p = subprocess.Popen([tools.merge] + list(inputs), cwd=d, stdin=subprocess.DEVNULL,
                                  stdout=written, stderr=subprocess.PIPE)
        os.close(written)
        self.out = os.fdopen(read, "rb")

    def wait_for_result_file(self):
        """The name of the result's temporary file, once it is there."""
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and self.p.poll() is None:
            if parts(self.d):
                return parts(self.d)[0]
            time.sleep(0.002)
        return None

    def finish(self):
        out = self.out.read()
        self.out.close()
        err = self.p.stderr.read()
        self.p.wait()
        return self.p.returncode, cp932(out), cp932(err)


def share(base, other):
    """The times of the frames both hold, and how many of those frames differ."""
    by_time = {atime(f): f for f in base}
    shared = [atime(f) for f in other if atime(f) in by_time]
    return set(shared), sum(1 for f in other if atime(f) in by_time and by_time[atime(f)] != f)


def another_cassette(tools, other_tape):
    tape = frames(tools.tape)
    other = frames(other_tape)
    holed = [f for k, f in enumerate(tape) if k % 5 != 4]
    base = write(os.path.join(tools.work, "holed.IMG"), holed)

    def altered(count):
        """The whole tape, the first `count` frames it shares with the base changed."""
        out, left = [], count
        times = share(holed, tape)[0]
        for f in tape:
            if left > 0 and atime(f) in times:
                f = f[:-1] + bytes([f[-1] ^ 1])
                left -= 1
            out.append(f)
        return write(os.path.join(tools.work, "altered-%d.IMG" % count), out)

    one_tape = len(share(holed, tape)[0])
    # name, inputs, status, the result
    cases = [
        ("another cassette", [base, other_tape], 1, None),
        ("another cassette, forced", ["--force", base, other_tape], 0, merge_by_time(holed, other)),
        ("one tape, a few frames differ", [base, altered(3)], 0, merge_by_time(holed, tape)),
        ("one tape, half of them differ", [base, altered(one_tape // 2)], 0,
         merge_by_time(holed, tape)),
        ("one tape, more than half differ", [base, altered(one_tape // 2 + 1)], 1, None),
        ("another cassette, 99 frames shared",
         [write(os.path.join(tools.work, "99.IMG"), tape[:99]), other_tape], 0,
         merge_by_time(tape[:99], other)),
        ("another cassette, 100 frames shared",
         [write(os.path.join(tools.work, "100.IMG"), tape[:100]), other_tape], 1, None),
    ]
    shared, differ = share(holed, other)
    check(len(shared) > 1000 and differ > len(shared) * 9 // 10,
          "the two cassettes overlap in time: %d, %d" % (len(shared), differ))
    for n, (name, inputs, status, result) in enumerate(cases):
        d = os.path.join(tools.work, "cassette-%d" % n)
        os.makedirs(d)
        earlier = write(os.path.join(d, "KOVRANT.IMG"), [b"an earlier result"])
        _, p, log = tools.run_merge(d, *inputs, status=status)
        named = [i for i in inputs if not i.startswith("-")]
        shared, differ = share(frames(named[0]), frames(named[1]))
        sentence = "%sと基準の%sが共有する %d フレームのうち %d フレームが異なります" % (
            named[1], named[0], len(shared), differ)
        image = open(earlier, "rb").read()
        if status == 1:
            check(image == b"an earlier result" and parts(d) == [],
                  name + ": nothing written, nothing replaced")
            check(sentence + "。別のカセットの録音とみなし" in cp932(p.stderr),
                  name + ": the inputs and the share named: %r" % cp932(p.stderr))
            check(log.endswith("\nまとめ: 結合しませんでした\n"), name + ": the log says so")
            continue
        check(image == b"".join(result), name + ": merged")
        forced = "--force" in inputs
        check(("オプション: --force" in log.splitlines()[1:2]) == forced and
              (sentence + "が、--force により結合します" in log) == forced,
              name + ": the log tells whether --force was given: %r" % log.splitlines()[:5])
        check(log.endswith("不一致 %d フレーム\n" % differ), name + ": disagreements counted")


def interrupted(tools, base, whole):
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        name = signal.Signals(sig).name
        held = Held(tools, os.path.join(tools.work, "interrupted-" + name), base, whole)
        staged = held.wait_for_result_file()
        check(staged is not None, name + ": the merge under way")
        held.p.send_signal(sig)
        status, _, err = held.finish()
        check(status == 3, name + ": exit status 3, not %r" % status)
        check(os.listdir(held.d) == ["KOVRANT-MERGE.LOG"], name + ": the temporary file removed: %r"
              % os.listdir(held.d))
        said = "結合を中断しました。書きかけのファイルは残していません。\n"
        check(err.endswith(said), name + ": said on the console: %r" % err)
        check(log_of(held.d).endswith(said + "終了ステータス: 3\nまとめ: 中断。結合しませんでした\n"),
              name + ": the log's end: %r" % log_of(held.d)[-200:])


def killed_then_swept(tools, base, whole):
    d = os.path.join(tools.work, "killed")
    held = Held(tools, d, base, whole)
    staged = held.wait_for_result_file()
    check(staged is not None, "killed: the merge under way")
    held.p.kill()
    held.finish()
    check(parts(d) == [staged], "killed: its temporary file is left")
    gone = held.p.pid
    kept = ["KOVRANT.IMG.part-%d-0" % os.getpid(),  # of a process that still runs
            "KOVRANT.LOG.part-%d-0" % gone]  # not the result's
    if os.geteuid() == 0:
        kept.append("KOVRANT.IMG.part-%d-1" % gone)  # another user's
    for n in kept:
        write(os.path.join(d, n), [b"kept"])
    if os.geteuid() == 0:
        os.chown(os.path.join(d, kept[-1]), 4242, 4242)
    _, p, log = tools.run_merge(d, base, whole)
    check(not os.path.exists(os.path.join(d, staged)), "the next run removes it")
    check(all(os.path.exists(os.path.join(d, n)) for n in kept), "and nothing else: %r" % kept)
    line = "古い一時ファイルを削除: %s" % staged
    check(log.splitlines()[1:2] == [line] and line in cp932(p.stdout), "the removal said: %r"
          % log.splitlines()[:3])


def changed_inputs(tools, base, whole, other_tape):
    other = frames(other_tape)[:len(frames(whole))]
    check(len(other) == len(frames(whole)), "another recording of the same length")
    for how in ("rewritten in place", "replaced"):
        d = os.path.join(tools.work, how.replace(" ", "-"))
        os.makedirs(d)
        second = shutil.copy(whole, os.path.join(d, "pass2.IMG"))
        hour_ago = time.time() - 3600  # a rewrite cannot leave its modification time
        os.utime(second, (hour_ago, hour_ago))
        held = Held(tools, os.path.join(d, "merged"), base, second)
        staged = held.wait_for_result_file()
        check(staged is not None, how + ": the merge under way")
        if how == "replaced":
            os.replace(write(os.path.join(d, "new.IMG"), other), second)
        else:
            with open(second, "r+b") as f:
                f.write(b"".join(other))
        status, _, err = held.finish()
        check(os.path.getsize(second) == len(other) * FRAME, how + ": the same length")
        check(status == 1, how + ": exit status 1, not %r" % status)
        check(os.listdir(held.d) == ["KOVRANT-MERGE.LOG"], how + ": nothing written: %r"
              % os.listdir(held.d))
        check(err.startswith("%sが結合の間に変わりました" % second), how + ": said: %r" % err)
        check(log_of(held.d).endswith("終了ステータス: 1\nまとめ: 結合しませんでした\n"),
              how + ": the log's end")


def main():
    merge, sim, make_image, selthix = (os.path.abspath(a) for a in sys.argv[1:5])
    work = tempfile.mkdtemp(prefix="merge-guards.")
    try:
        tools = Tools(merge, sim, make_image, selthix, work)
        # Another cassette's recording, longer than the first.
        other_tape = os.path.join(work, "other-tape.bin")
        subprocess.run([make_image, "--seed", "10", "--programs", "3", "--frames", "2000",
                        other_tape], check=True, stdout=subprocess.DEVNULL)
        another_cassette(tools, other_tape)
        # A base with a gap every fourth frame: a report line for each.
        tape = frames(tools.tape)
        base = write(os.path.join(work, "gappy.IMG"), [f for k, f in enumerate(tape) if k % 4])
        interrupted(tools, base, tools.tape)
        killed_then_swept(tools, base, tools.tape)
        changed_inputs(tools, base, tools.tape, other_tape)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
