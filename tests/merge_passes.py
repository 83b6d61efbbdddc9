#!/usr/bin/env python3
"""kovrant-merge end to end: one synthesized tape read by kovrant-sim in
several passes that lose frames at different places, merged by tape time.

    merge_passes.py kovrant-merge kovrant-sim make_image SELTHIX

The merged image holds every frame that any pass read, in tape order (it is
the fault-free capture, less the frames no pass read); the report names the
open gaps and the frames two passes read differently; SELTHIX converts the
merged image to the fault-free capture's files where every gap was filled.
Inputs that are not one recording, or not readable, or the output itself,
are refused before anything is written. Every merge's KOVRANT-MERGE.json is
valid by its schema and says what the log says, fact by fact, and what the
result holds; the same under an English console but for its times. Without
iconv the console is not compared with the log, and the run is skipped (77),
or failed under CI.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from checks import (FRAME, atime, check, frames, have, named, record, shown, verdict,
                    without_times)


def stamp_text(stamp):
    return "%02x:%02x:%02x:%02x" % tuple(stamp)


def joined(numbers):
    return ",".join(map(str, numbers)) or "-"


class Tools:
    def __init__(self, merge, sim, make_image, selthix, work):
        self.merge, self.sim, self.selthix, self.work = merge, sim, selthix, work
        self.tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "9", "--programs", "3", "--frames", "1500",
                        self.tape], check=True, stdout=subprocess.DEVNULL)
        self.places = {}  # each ATIME at its place: the tapes start at 00:00:00:00 and run on
        self.index(self.tape)

    def index(self, tape):
        self.places.update((stamp_text(atime(f)), k) for k, f in enumerate(frames(tape)) if atime(f))

    def record(self, d, log, status, name="KOVRANT-MERGE.json"):
        """The record in `d` against the log, the result and the exit status."""
        doc = record(os.path.join(d, name), "kovrant-merge.schema.json")
        if doc is None:
            return None

        def at(a):
            check(self.places.get(a["text"]) == a["position"], "%s: position of %r" % (d, a))
            return a["text"]
        told = ["プログラム: kovrant-merge " + doc["version"]]
        told += ["オプション: --force"] * doc["options"]["force"]
        told += ["古い一時ファイルを削除: " + shown(named(n)) for n in doc["staleTemporariesRemoved"]]
        for i in doc["inputs"]:
            told.append("入力%d: %s (%d フレーム、ATIME %s - %s)" % (
                i["number"], shown(named(i["path"])), i["frames"], at(i["firstAtime"]),
                at(i["lastAtime"])))
            told += ["入力%d: 前後のフレームと合わないATIMEパック %d 個をATIMEなしとして扱いました。" % (
                i["number"], i["badAtimePacks"])] * (i["badAtimePacks"] > 0)
            told += ["入力%d: 二度続けて届いたフレーム %d 個を一度だけ置きました。" % (
                i["number"], i["repeats"])] * (i["repeats"] > 0)
        for i in doc["inputs"]:
            if i["forced"]:
                told.append("%sと基準の%sが共有する %d フレームのうち %d フレームが異なりますが、--force "
                            "により結合します。" % (shown(named(i["path"])),
                                             shown(named(doc["inputs"][0]["path"])),
                                             i["forced"]["shared"], i["forced"]["differing"]))
        told += ["基準の欠落: 直前のATIME=%s 直後のATIME=%s 欠落=%d フレーム 埋めた=%d 入力=%s 残り=%d" % (
            at(g["before"]), at(g["after"]), g["missing"], g["filled"], joined(g["inputs"]),
            g["left"]) for g in doc["gaps"]]
        told += ["不一致: ATIME=%s 入力%d と入力%d" % (at(g["atime"]), g["kept"], g["differs"])
                 for g in doc["disagreements"]]
        for key, word in (("addedBefore", "前"), ("addedAfter", "後")):
            a = doc[key]
            told += ["基準より%sに加えたフレーム: %d 入力=%s" % (word, a["frames"], joined(a["inputs"]))
                     ] * (a["frames"] > 0)
        o, t = doc["output"], doc["totals"]
        if o is not None:
            told.append("書いたフレーム: %d (基準 %d、埋めた %d、前後に加えた %d)" % (
                o["frames"], o["fromBase"], o["filled"], o["added"]))
            told.append("まとめ: KOVRANT.IMG に書きました。欠落 %d か所のうち %d か所を埋め、残りの欠落は推定 %d "
                        "フレーム。不一致 %d フレーム" % (t["gaps"], t["gapsFilled"],
                                                t["missingFrames"], t["disagreements"]))
            check(len(frames(os.path.join(d, "KOVRANT.IMG"))) == o["frames"] ==
                  sum(i["framesTaken"] for i in doc["inputs"]) and not doc["refusals"] and
                  t["gaps"] == len(doc["gaps"]) and t["disagreements"] == len(doc["disagreements"])
                  and t["missingFrames"] == sum(g["left"] for g in doc["gaps"]),
                  "%s: the result as the record says" % d)
        lines = [l for l in log.splitlines() if not l.startswith(("終了ステータス", "まとめ: 結合しません",
                                                                 "まとめ: 中断", "結合を中断", "割り込みを"))]
        # Refusals are the console's own words: each names its input.
        refused = [l for l in lines if l not in told]
        check(len(refused) == len(doc["refusals"]) and
              all(r["input"] is None or shown(named(r["input"])) in l
                  for l, r in zip(refused, doc["refusals"])),
              "%s: the refusals %r, the record %r" % (d, refused, doc["refusals"]))
        check(sorted(l for l in lines if l in told) == sorted(told) and
              "終了ステータス: %d" % status in log and
              doc["exitStatus"] == status and (o is None) == (doc["ending"] != "done"),
              "%s: the log %r, the record %r" % (d, lines, told))
        return doc

    def capture(self, name, faults=""):
        d = os.path.join(self.work, name)
        os.makedirs(d)
        env = dict(os.environ, KOVRANT_SIM_TAPE=self.tape, KOVRANT_SIM_FAULTS=faults)
        subprocess.run([self.sim], cwd=d, env=env, capture_output=True, stdin=subprocess.DEVNULL)
        return os.path.join(d, "KOVRANT.IMG")

    def run_merge(self, name, *inputs, status=0, lang="C.UTF-8"):
        d = os.path.join(self.work, name)
        os.makedirs(d, exist_ok=True)
        env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
        p = subprocess.run([self.merge] + list(inputs), cwd=d, capture_output=True,
                           stdin=subprocess.DEVNULL, env=dict(env, LANG=lang))
        check(p.returncode == status, "%s: exit %d, not %d: %r" % (name, p.returncode, status,
                                                                   p.stderr[-300:]))
        log = os.path.join(d, "KOVRANT-MERGE.LOG")
        # A name that is not UTF-8 stands in the log as its bytes.
        text = open(log, encoding="utf-8", errors="surrogateescape").read() \
            if os.path.exists(log) else ""
        # A refused command line writes neither (an earlier run's may be there).
        self.doc = None
        if text and p.returncode != 2 and lang == "C.UTF-8" and \
                not os.path.isdir(os.path.join(d, "KOVRANT-MERGE.json")):
            self.doc = self.record(d, text, p.returncode)
        check(bool(text) == os.path.exists(os.path.join(d, "KOVRANT-MERGE.json")),
              "%s: a record beside every log, none without" % name)
        return d, p, text


def lost_stretches(tools):
    ok = tools.capture("ok")
    # Pass 1 and 2 lose different stretches, and both the same one; pass 2
    # ends early on a failed READ.
    p1 = tools.capture("p1", "read#200*20=lost:03/11,read#700*5=lost:03/11")
    p2 = tools.capture("p2", "read#400*10=lost:03/11,read#700*5=lost:03/11,read#1200=fail")
    good = frames(ok)
    read = {atime(f) for f in frames(p1)} | {atime(f) for f in frames(p2)}
    expected = [f for f in good if atime(f) in read]
    check(len(expected) == len(good) - 5, "the passes share one lost stretch of 5")
    d, p, log = tools.run_merge("merged", p1, p2)
    check(frames(os.path.join(d, "KOVRANT.IMG")) == expected,
          "the merged image: every frame either pass read, in tape order")
    gaps = re.findall(r"基準の欠落: 直前のATIME=(\S+) 直後のATIME=(\S+) 欠落=(\d+) フレーム "
                      r"埋めた=(\d+) 入力=(\S+) 残り=(\d+)", log)
    check([(g[2], g[3], g[4], g[5]) for g in gaps] == [("20", "20", "2", "0"),
                                                      ("5", "0", "-", "5")],
          "the base's gaps and their fate: %r" % gaps)
    check(log.splitlines()[-1].startswith("まとめ: KOVRANT.IMG に書きました。欠落 2 か所のうち 1 か所を埋め、"
                                          "残りの欠落は推定 5 フレーム。不一致 0 フレーム"),
          "summary last: %r" % log.splitlines()[-1:])
    if have("iconv"):
        console = subprocess.run(["iconv", "-f", "CP932", "-t", "UTF-8"], input=p.stdout,
                                 capture_output=True).stdout.decode()
        check(console.splitlines() == log.splitlines(), "the console says what the log says")
    # The same merge under an English console: the same record but for its times.
    doc = tools.doc
    d, _, log = tools.run_merge("merged-english", p1, p2, lang="en_US.UTF-8")
    english = record(os.path.join(d, "KOVRANT-MERGE.json"), "kovrant-merge.schema.json")
    check(english is not None and log.startswith("Program: kovrant-merge") and
          without_times(english) == without_times(doc) and len(english["gaps"]) == 2,
          "the English merge's record: %r" % log[:100])

    # Gaps that a later pass fills everywhere: the fault-free capture, and its WAV files.
    d, _, log = tools.run_merge("filled", p2, p1)
    check(frames(os.path.join(d, "KOVRANT.IMG")) == expected,
          "pass 2 as the base: its tail after the failed READ comes from pass 1")
    end = atime(frames(p2)[-1])
    after = len([f for f in expected if atime(f) > end])  # BCD bytes order as the times do
    check(after > 0 and "基準より後に加えたフレーム: %d 入力=2\n" % after in log,
          "the frames after the base's end are added: %d" % after)
    p3 = tools.capture("p3", "read#200*20=lost:03/11,read#900*3=lost:02/03")
    p4 = tools.capture("p4", "read#500*8=lost:03/11")
    d, _, _ = tools.run_merge("complete", p3, p4)
    merged = os.path.join(d, "KOVRANT.IMG")
    check(frames(merged) == good, "two passes with gaps at different places: the whole tape")
    for dir_ in (d, os.path.dirname(ok)):
        subprocess.run([tools.selthix], cwd=dir_, capture_output=True)
    wavs = sorted(n for n in os.listdir(os.path.dirname(ok)) if n.endswith(".wav"))
    check(len(wavs) >= 3 and all(open(os.path.join(d, n), "rb").read() ==
                                 open(os.path.join(os.path.dirname(ok), n), "rb").read()
                                 for n in wavs), "SELTHIX: the fault-free capture's files")

    # A frame both passes hold but read differently: counted, the base's kept.
    changed = os.path.join(tools.work, "changed.IMG")
    data = bytearray(open(p2, "rb").read())
    data[50 * FRAME + FRAME - 1] ^= 0x01  # the last byte: a comparison must reach it
    open(changed, "wb").write(bytes(data))
    d, _, log = tools.run_merge("disagree", p1, changed)
    check(frames(os.path.join(d, "KOVRANT.IMG")) == expected, "the base's frame is kept")
    stamp = atime(frames(p1)[50])
    want = "不一致: ATIME=%02x:%02x:%02x:%02x 入力1 と入力2" % tuple(stamp)
    check(log.count("不一致: ") == 1 and want in log, "the disagreement named: %r" % want)
    check("不一致 1 フレーム" in log, "and counted in the summary")
    structured_differences(tools, ok)
    return p1, p2


# Frames that differ from the whole pass's in a pattern, each as (byte, bit)
# flips in the audio: one bit at every place in a 32-byte stretch (every
# byte of the four 8-byte words, every bit) somewhere in the frame; and, in
# each 8-byte word of such a stretch, its top bit with bit 28 of the word
# 32 bytes on (the sign of a sample and bit 12 of its channel's sample eight
# pairs later), at the start, the middle and the end of the audio.
DIFFERENCES = [[(32 * ((c * 8 + b) % 179) + c, b)] for c in range(32) for b in range(8)] + \
    [[(o + 7, 7), (o + 35, 4)] for m in (0, 90, 178) for o in range(32 * m, 32 * m + 32, 8)]


def structured_differences(tools, ok):
    """Every patterned difference is a disagreement, each at its own frame."""
    data = bytearray(open(ok, "rb").read())
    first = 100
    for k, flips in enumerate(DIFFERENCES):
        for at, bit in flips:
            data[(first + k) * FRAME + at] ^= 1 << bit
    changed = os.path.join(tools.work, "patterned.IMG")
    open(changed, "wb").write(bytes(data))
    d, _, _ = tools.run_merge("patterned", ok, changed)
    good = frames(ok)
    want = [stamp_text(atime(good[first + k])) for k in range(len(DIFFERENCES))]
    told = [g["atime"]["text"] for g in tools.doc["disagreements"]] if tools.doc else []
    missed = [DIFFERENCES[k] for k, a in enumerate(want) if a not in told]
    check(told == want and frames(os.path.join(d, "KOVRANT.IMG")) == good,
          "%d patterned differences, %d told; missed: %r" % (len(want), len(told), missed[:4]))


def untrusted_times(tools, p1, p2):
    """A pack with a bit flipped in its minutes, and frames delivered twice:
    neither stops a merge, as base or as later input."""
    data = open(p1, "rb").read()
    frame = bytearray(frames(p1)[300])
    count = frame[5817] & 15 or 7
    last = max(k for k in range(min(count, 7)) if frame[5760 + 8 * k] >> 4 == 2)
    frame[5760 + 8 * last + 4] ^= 0x02
    variants = {"flipped.IMG": (data[:300 * FRAME] + bytes(frame) + data[301 * FRAME:],
                                "前後のフレームと合わないATIMEパック 1 個"),
                # The first repeat opens the merge's second read of 180 frames.
                "repeat.IMG": (data[:180 * FRAME] + data[179 * FRAME:301 * FRAME] +
                               data[300 * FRAME:], "二度続けて届いたフレーム 2 個")}
    _, _, log = tools.run_merge("plain", p1, p2)
    want = frames(os.path.join(tools.work, "plain", "KOVRANT.IMG"))
    for name, (image, said) in variants.items():
        path = os.path.join(tools.work, name)
        open(path, "wb").write(image)
        for inputs in ((path, p2), (p2, path)):
            d, _, log = tools.run_merge(name + str(inputs[0] == p2), *inputs)
            check(said in log, "%s: said: %r" % (name, log.splitlines()[:4]))
            merged = frames(os.path.join(d, "KOVRANT.IMG"))
            # The flipped frame stands where its neighbours place it.
            check(len(merged) == len(want) and
                  sum(a != b for a, b in zip(merged, want)) == (name == "flipped.IMG" and
                                                                 inputs[0] == path),
                  "%s %s: every frame once, in tape order" % (name, inputs[0] == p2))


def refusals(tools, p1, p2):
    base = frames(p1)
    def image(name, parts):
        path = os.path.join(tools.work, name)
        with open(path, "wb") as f:
            f.write(b"".join(parts))
        return path
    other = image("other.IMG", base[1000:1100])
    backwards = image("backwards.IMG", base[500:600] + base[0:100])
    timeless = image("timeless.IMG", [bytes(FRAME)] * 10)
    empty = image("empty.IMG", [])
    os.makedirs(os.path.join(tools.work, "adir"), exist_ok=True)
    cases = [
        ("not-overlapping", [image("first.IMG", base[0:100]), other]),
        ("backwards", [p1, backwards]),
        ("no-atime", [p1, timeless]),
        ("empty", [p1, empty]),
        ("missing", [p1, os.path.join(tools.work, "nothing.IMG")]),
        ("directory", [p1, os.path.join(tools.work, "adir")]),
    ]
    for name, inputs in cases:
        d, p, log = tools.run_merge("refused-" + name, *inputs, status=1)
        check(not os.path.exists(os.path.join(d, "KOVRANT.IMG")), name + ": nothing written")
        check(p.stderr and log.splitlines()[-1] == "まとめ: 結合しませんでした",
              name + ": said why: %r" % log.splitlines()[-3:])
    # The output itself as an input, by its name and through a link: refused,
    # the image untouched.
    d = os.path.join(tools.work, "self")
    os.makedirs(d)
    shutil.copy(p2, os.path.join(d, "KOVRANT.IMG"))
    os.symlink(os.path.join(d, "KOVRANT.IMG"), os.path.join(tools.work, "link.IMG"))
    before = open(p2, "rb").read()
    for inputs in (["KOVRANT.IMG", p1], [p1, os.path.join(tools.work, "link.IMG")]):
        _, p, _ = tools.run_merge("self", *inputs, status=1)
        check(open(os.path.join(d, "KOVRANT.IMG"), "rb").read() == before,
              "the output as input %r: untouched" % inputs)
        check([n for n in os.listdir(d) if ".part" in n] == [], "no temporary file left")
    # An input whose name starts with "-" comes after "--".
    d = os.path.join(tools.work, "dashed")
    os.makedirs(d)
    shutil.copy(p1, os.path.join(d, "-p1.IMG"))
    tools.run_merge("dashed", "--", "-p1.IMG", p2)
    tools.run_merge("dashed", "-p1.IMG", p2, status=2)
    # An input whose path holds control characters is shown escaped and read
    # by its own name, start to end.
    odd = os.path.join(tools.work, "ctl\x01\x1b\r")
    os.makedirs(odd)
    shutil.copy(p1, os.path.join(odd, "KOVRANT.IMG"))
    tools.run_merge("controls", os.path.join(odd, "KOVRANT.IMG"), p2)
    tools.run_merge("dashed", "--force", "--", "-p1.IMG", "--", status=1)  # "--" again: an input
    tools.run_merge("usage", p1, status=2)
    tools.run_merge("usage", "--frobnicate", p1, p2, status=2)
    _, p, _ = tools.run_merge("usage", "--version")
    check(p.stdout == b"kovrant-merge 0.1.0\n", "--version: %r" % p.stdout)


# Names that the console shows alike (a backslash written out, and the
# control character it stands for), and one that is not UTF-8.
HOSTILE_NAMES = [b"x\\x0d.img", b"x\r.img", b"x\xff.img"]


def names_from_outside(tools, p1, p2):
    """The record names each input as it was given, so that a script can
    open it: as text where it is UTF-8, else as its bytes; a refused input
    too."""
    d = os.path.join(os.fsencode(tools.work), b"names")
    os.makedirs(d)
    for name, image in zip(HOSTILE_NAMES + [b"e\xff.img"], (p1, p2, p2, None)):
        with open(os.path.join(d, name), "wb") as f:
            f.write(open(image, "rb").read() if image else b"")
    given = [os.path.join(b"..", b"names", n) for n in HOSTILE_NAMES + [b"e\xff.img"]]
    # A merge, and one whose second input is refused (empty): the forms
    # the record gives its inputs in.
    for run, inputs, status, forms in (("named", given[:3], 0, ["text", "text", "bytes"]),
                                       ("named-refused", given[2:], 1, ["bytes", "bytes"])):
        out = os.path.join(os.fsencode(tools.work), os.fsencode(run))
        tools.run_merge(run, *map(os.fsdecode, inputs), status=status)
        doc = tools.doc or {}
        paths = [i["path"] for i in doc.get("inputs", [])] + [
            r["input"] for r in doc.get("refusals", [])]
        check([named(p) for p in paths] == inputs and
              all(os.path.exists(os.path.join(out, named(p))) for p in paths) and
              [list(p) for p in paths] == [[f] for f in forms],
              "%s: the inputs as given: %r" % (run, paths))


def main():
    merge, sim, make_image, selthix = (os.path.abspath(a) for a in sys.argv[1:5])
    work = tempfile.mkdtemp(prefix="merge.")
    try:
        tools = Tools(merge, sim, make_image, selthix, work)
        p1, p2 = lost_stretches(tools)
        untrusted_times(tools, p1, p2)
        refusals(tools, p1, p2)
        names_from_outside(tools, p1, p2)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
