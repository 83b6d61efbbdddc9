#!/usr/bin/env python3
"""SELTHIX.json, the conversion's record for machines, against its schema,
SELTHIX.LOG and the files; and SELTHIX --check.

    conversion_record.py SELTHIX kovrant-sim make_image

1. The runs of gap_marking.py (a capture with lost stretches converted
   plain and with --keep-time --bwf; an image built frame by frame with a
   discontinuity, frames without ATIME, rate changes, emphasis, 32 kHz and
   long play; an image without ATIME) and one whose first second of three
   holds 34 frames: every record is valid and agrees
   with its log fact by fact (each file, gap, discontinuity, count) and with
   the files (SHA-256, length of the audio, MD5 chunk).
2. The same run under LANG=C and LANG=en_US.UTF-8, a file failing in it:
   the same record but for its times.
3. A link and a directory planted under SELTHIX.json; a staged record of a
   killed run; no image; an interrupted conversion.
4. --check on an undamaged and on the damaged image: status 0 and 4, no WAV
   or label file, the log and the record say it was a check and describe
   the files as the conversion does.
Exit 0 when all hold, 1 when not, 77 when python3-jsonschema is missing
(a failure under CI).
"""
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import FRAME, check, valid_record, verdict, without_times
import gap_marking as gm

STATES = {"完了": "complete", "ヘッダーのみ (32kHz": "placeholder-32k",
          "ヘッダーのみ (12ビット": "long-play", "WAVの上限4GiB": "cut-4gib", "失敗": "failed",
          "書いていません": "not-written"}
SAMPLES_PER_FRAME = {48000: 1440, 44100: 1323, 32000: 960}


def record(d, what):
    with open(os.path.join(d, "SELTHIX.json"), encoding="utf-8") as f:
        doc = json.load(f)
    valid_record(doc, "selthix.schema.json", what)
    return doc


def position(text, phase):
    """Frames from the start of the tape to the ATIME `text` when the
    seconds whose number is `phase` mod 3 hold 34 frames."""
    h, m, s, f = (int(x) for x in text.split(":"))
    s += (h * 60 + m) * 60
    return s * 33 + max(0, (s - phase + 2) // 3) + f


def totals(lines):
    """The log's totals: {key: [its numbers]}."""
    keys = ("書いたファイル", "変換で書くファイル", "失敗したファイル", "ギャップ", "不連続",
            "終了ステータス")
    out = {}
    for line in lines:
        key, _, value = line.partition(": ")
        if key in keys and not value.startswith("位置="):
            out[key] = [int(n) for n in re.findall(r"\d+", value)]
    return out


def agrees(d, what, status=0):
    """The record of the run in `d` against its schema, its log and its files."""
    doc = record(d, what)
    files, order, lines = gm.parse_log(os.path.join(d, "SELTHIX.LOG"))
    check(doc["log"] == "SELTHIX.LOG" and doc["exitStatus"] == status, what + ": log, status")
    check([f["name"] for f in doc["files"]] == order, "%s: files %r" % (what, order))
    image = doc["image"]
    check(image["frames"] == os.path.getsize(os.path.join(d, "KOVRANT.IMG")) // FRAME and
          "イメージ: KOVRANT.IMG (%d フレーム)" % image["frames"] in lines, what + ": image")
    phase = (image["cycle"] or {}).get("phase", 2)
    check(image["cycle"] is None if "ATIME: なし (どのフレームにもATIMEパックがありません。ギャップは"
          "見つけられません)" in lines else image["framesWithAtime"] > 0, what + ": ATIME")
    for f in doc["files"]:
        name, log = f["name"], files.get(f["name"], {})
        text = log.get("text", [])
        at = "%s: %s" % (what, name)
        check((f["rate"], f["frames"], f["samplePairs"]) ==
              (log.get("rate"), log.get("frames"), log.get("samples")), at + ": counts")
        check(f["firstFrame"] == (log.get("first") if f["frames"] else None) and
              f["lastFrame"] == (log.get("first", 0) + f["frames"] - 1 if f["frames"] else None),
              at + ": frames in the image")
        check("長さ: %.3f 秒" % f["duration"] in text, at + ": duration")
        for key, label in (("firstAtime", "最初のATIME"), ("lastAtime", "最後のATIME")):
            t = f[key]
            check((t["text"] if t else "なし") == log.get(label) and
                  (t is None or t["position"] == position(t["text"], phase)), at + ": " + key)
        e = f["emphasis"]
        emphasis = [l for l in text if l.startswith("エンファシス: ")]
        check(emphasis == [("エンファシス: なし" if e["on"] == 0 else
                            "エンファシス: 50/15µs (オン。音声はそのまま)" if e["off"] == 0 else
                            "エンファシス: 混在 (オン %d フレーム、オフ %d フレーム。音声はそのまま)" %
                            (e["on"], e["off"]))], at + ": emphasis %r" % e)
        check([(g["sample"], g["before"]["text"], g["after"]["text"], g["missing"], g["filled"])
               for g in f["gaps"]] ==
              [(g["sample"], g["before"], g["after"], g["missing"], g["filled"])
               for g in log.get("gaps", [])], at + ": gaps")
        check([(j["sample"], j["before"]["text"], j["after"]["text"]) for j in f["discontinuities"]]
              == [(j["sample"], j["before"], j["after"]) for j in log.get("jumps", [])],
              at + ": discontinuities")
        spf = SAMPLES_PER_FRAME.get(f["rate"], 0) if f["frames"] else 0
        filled = 0
        for g in f["gaps"]:
            check(g["place"] == {"無音で埋めた": "inside", "詰めた": "inside",
                                 "このファイルの前、どのファイルにも入っていない": "before-file",
                                 "このファイルの後、どのファイルにも入っていない": "after-file"}.get(
                                     next(x["how"] for x in log["gaps"] if x["sample"] == g["sample"]
                                          and x["before"] == g["before"]["text"])),
                  at + ": the gap's place as the log words it")
            if g["place"] != "inside":
                check(not g["filled"] and g["sample"] == (0 if g["place"] == "before-file" else
                                                          f["samplePairs"]), at + ": %r" % g)
                continue
            check(g["sample"] == (g["imageFrame"] - (f["firstFrame"] or 0) + filled) * spf and
                  g["duration"] == g["missing"] * 3 / 100 and
                  g["after"]["position"] - g["before"]["position"] - 1 == g["missing"] and
                  all(a["position"] == position(a["text"], phase) for a in (g["before"], g["after"])),
                  at + ": gap %r" % g)
            filled += g["missing"] if g["filled"] else 0
        for key, label in (("cutFrames", "区切りで除いたフレーム: "),
                           ("trimFrames", "末尾で除いたフレーム: ")):
            check([l for l in text if l.startswith(label)] ==
                  ([label + str(f[key])] if f[key] else []), at + ": " + key)
        state = log.get("state", "")
        check(f["state"] == next((c for w, c in STATES.items() if state.startswith(w)), None),
              at + ": state %r / %r" % (f["state"], state))
        check(f["sha256"] == log.get("sha256"), at + ": SHA-256 as the log's")
        if f["state"] == "not-written":
            check(not os.path.exists(os.path.join(d, name)), at + ": not written")
        if f["state"] in ("failed", "not-written"):
            continue
        with open(os.path.join(d, name), "rb") as wav:
            check(f["sha256"] == hashlib.sha256(wav.read()).hexdigest(), at + ": SHA-256")
        data, chunks = gm.riff_chunks(os.path.join(d, name))
        sound = gm.audio(os.path.join(d, name))
        check(len(sound) == f["samplePairs"] * 4 and
              abs(f["duration"] - f["samplePairs"] / f["rate"]) < 1e-9, at + ": length")
        md5 = [data[o:o + n].hex() for c, o, n in chunks if c == "MD5 "]
        check(f["md5"] == (md5[0] if md5 else None) and
              (not md5 or md5[0] == hashlib.md5(sound).hexdigest()), at + ": MD5")
    t, sums = doc["totals"], totals(lines)
    check(sums.get("書いたファイル", [0]) == [t["written"]] and
          sums.get("変換で書くファイル", [t["files"] - t["failed"]]) == [t["files"] - t["failed"]] and
          sums.get("失敗したファイル") == [t["failed"]] and
          sums.get("ギャップ") == [t["gaps"], t["missingFrames"]] and
          sums.get("不連続") == [t["discontinuities"]] and
          sums.get("終了ステータス") == [doc["exitStatus"]] and t["files"] == len(order) and
          t["gaps"] == sum(len(f["gaps"]) for f in doc["files"]) and
          t["discontinuities"] == sum(len(f["discontinuities"]) for f in doc["files"]),
          "%s: totals %r / %r" % (what, t, sums))
    return doc


def other_cycle(selthix, work):
    """A recorder whose first second of three holds 34 frames, a gap of 10
    frames: the tape times counted under the tape's cycle."""
    d = os.path.join(work, "cycle0")
    os.makedirs(d)
    with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
        f.write(b"".join(gm.frame(p, phase=0) for p in list(range(200)) + list(range(210, 400))))
    gm.run([selthix], d)
    doc = agrees(d, "cycle 0")
    check(doc["image"]["cycle"] == {"source": "tape", "phase": 0} and
          [g["missing"] for f in doc["files"] for g in f["gaps"]] == [10], "cycle 0: %r" % doc)


def env(lang):
    e = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
    e["LANG"] = lang
    return e


def languages(selthix, image, work):
    """The same conversion under two languages, a directory in the way of
    one file: the same record but for its times."""
    docs = []
    for lang in ("C", "en_US.UTF-8"):
        d = os.path.join(work, "lang-" + lang)
        os.makedirs(os.path.join(d, "#002-48kHz.wav"))
        shutil.copy(image, d)
        gm.run([selthix, "--keep-time"], d, env(lang), status=1)
        docs.append(record(d, "LANG=" + lang))
    failed = [f for f in docs[0]["files"] if f["state"] == "failed"]
    check([f["failure"] for f in failed] == [{"reason": "create-failed", "errno": 21}],
          "the failed file's reason: %r" % failed)
    check(docs[0]["started"] != "TIME" and without_times(docs[0]) == without_times(docs[1]),
          "the same record under LANG=C and LANG=en_US.UTF-8")


def planted(selthix, image, work):
    """A link under SELTHIX.json is replaced, never followed; a directory
    there is said on the console and the conversion stands."""
    d = os.path.join(work, "link")
    os.makedirs(d)
    shutil.copy(image, d)
    with open(os.path.join(d, "victim"), "w") as f:
        f.write("theirs")
    os.symlink("victim", os.path.join(d, "SELTHIX.json"))
    gm.run([selthix], d)
    with open(os.path.join(d, "victim")) as f:
        check(f.read() == "theirs", "the link's target unchanged")
    check(not os.path.islink(os.path.join(d, "SELTHIX.json")), "the link replaced")
    agrees(d, "planted link")

    d = os.path.join(work, "directory")
    os.makedirs(os.path.join(d, "SELTHIX.json"))
    shutil.copy(image, d)
    p = gm.run([selthix], d, env("en_US.UTF-8"))
    check(p.stderr == b"Could not write SELTHIX.json: Is a directory\n", "said: %r" % p.stderr)
    check(os.path.isdir(os.path.join(d, "SELTHIX.json")) and
          gm.parse_log(os.path.join(d, "SELTHIX.LOG"))[2][-1].startswith("Summary: all written."),
          "the conversion stands beside the directory")


def dead_pid():
    p = subprocess.Popen(["true"])
    p.wait()
    return p.pid


def stale_and_missing(selthix, work):
    """A staged record of a killed run is taken away (and listed); a run
    without an image records why."""
    d = os.path.join(work, "noimage")
    os.makedirs(d)
    stale = "SELTHIX.json.part-%d-0" % dead_pid()
    with open(os.path.join(d, stale), "w") as f:
        f.write("{")
    gm.run([selthix], d, status=1)
    doc = record(d, "no image")
    check(not os.path.exists(os.path.join(d, stale)) and
          doc["staleTemporariesRemoved"] == [{"text": stale}], "the stale record removed: %r" %
          doc["staleTemporariesRemoved"])
    check(doc["image"] == {"name": "KOVRANT.IMG", "failure": "open"} and doc["files"] == [] and
          (doc["ending"], doc["exitStatus"]) == ("no-image", 1), "no image: %r" % doc["image"])


def interrupted(selthix, work):
    """SIGINT while a long file is written: the record is whole and says so."""
    d = os.path.join(work, "interrupted")
    os.makedirs(d)
    with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
        f.write(b"".join(gm.frame(p) for p in range(12000)))
    for _ in range(5):
        p = subprocess.Popen([selthix], cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while time.time() < deadline and not any(".wav.part-" in n for n in os.listdir(d)):
            time.sleep(0.0005)
        p.send_signal(signal.SIGSTOP)
        if any(".wav.part-" in n for n in os.listdir(d)):
            break
        p.kill()
        p.wait()
    p.send_signal(signal.SIGINT)
    p.send_signal(signal.SIGCONT)
    check(p.wait() == 3, "interrupted: status 3")
    doc = agrees(d, "interrupted", status=3)
    check(doc["ending"] == "interrupted" and
          [f["failure"] for f in doc["files"]] == [{"reason": "interrupted", "errno": None}],
          "the record says it was interrupted: %r" % doc["files"])


def killed(selthix, make_image, work):
    """Image A converted, image B put in its place and its conversion killed
    outright once two of its files are written: the record and the page say
    that the run has not ended, and name none of A's files."""
    d = os.path.join(work, "killed")
    os.makedirs(d)
    image = os.path.join(d, "KOVRANT.IMG")
    subprocess.run([make_image, "--seed", "3", "--programs", "2", "--frames", "600", image],
                   check=True)
    gm.run([selthix], d)
    before = record(d, "image A")
    subprocess.run([make_image, "--seed", "4", "--programs", "6", "--frames", "60000", image],
                   check=True)
    second = os.path.join(d, "#001-48kHz.wav")  # image A's, until B's takes its place
    for _ in range(5):
        inode = os.stat(second).st_ino
        p = subprocess.Popen([selthix], cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while time.time() < deadline and p.poll() is None and os.stat(second).st_ino == inode:
            time.sleep(0.0002)
        p.send_signal(signal.SIGSTOP)
        p.kill()
        p.wait()
        doc = record(d, "killed")
        if doc["ending"] == "unfinished":
            break  # else it ended first: image B's whole record
    with open(os.path.join(d, "SELTHIX.html"), encoding="utf-8") as f:
        page = f.read()
    check((doc["ending"], doc["ended"], doc["exitStatus"], doc["totals"], doc["files"]) ==
          ("unfinished", None, None, None, []) and doc["started"] != before["started"],
          "killed: the record says the run has not ended: %r" % {k: doc[k] for k in (
              "ending", "ended", "exitStatus", "totals")})
    check("変換は終わっていません" in page and before["files"][0]["sha256"] not in page,
          "killed: the page says so, and shows nothing of image A's")


def checked(selthix, work, source, options, status, what):
    """--check beside a conversion of the same image with the same options."""
    conv, chk = os.path.join(work, what + "-conv"), os.path.join(work, what + "-check")
    for d in (conv, chk):
        os.makedirs(d)
        shutil.copy(source, os.path.join(d, "KOVRANT.IMG"))
    gm.run([selthix] + options, conv)
    p = gm.run([selthix, "--check"] + options, chk, env("C"), status=status)
    check(sorted(os.listdir(chk)) == ["KOVRANT.IMG", "SELTHIX.LOG", "SELTHIX.html", "SELTHIX.json"],
          "%s: only the log, the record and the page: %r" % (what, os.listdir(chk)))
    a, b = agrees(conv, what), agrees(chk, what + " --check", status)
    said = p.stdout.decode("cp932")
    check(b["check"] and not a["check"] and said.endswith(
        "確認のみ: WAVファイルは書いていません。%s\n" %
        ("ギャップも不連続もありません。" if status == 0 else "ギャップと不連続: %d か所。" %
         (b["totals"]["gaps"] + b["totals"]["discontinuities"]))), "%s: said %r" % (what, said))
    check("確認のみ: WAVファイルもラベルファイルも書きません" in
          gm.parse_log(os.path.join(chk, "SELTHIX.LOG"))[2], what + ": the log says so")
    written = ("sha256", "sha256Errno", "md5", "state", "stateIfConverted")
    for x, y in zip(a["files"], b["files"]):
        check({k: v for k, v in x.items() if k not in written} ==
              {k: v for k, v in y.items() if k not in written} and
              (y["state"], y["stateIfConverted"], y["sha256"]) == ("not-written", x["state"], None),
              "%s: %s checked as converted" % (what, x["name"]))
    check(len(a["files"]) == len(b["files"]) and b["totals"]["written"] == 0 and
          {k: v for k, v in a["totals"].items() if k != "written"} ==
          {k: v for k, v in b["totals"].items() if k != "written"}, what + ": totals")
    check(((b["totals"]["gaps"] + b["totals"]["discontinuities"]) > 0) == (status == 4),
          "%s: status %d for %r" % (what, status, b["totals"]))


def main():
    selthix, kovrant_sim, make_image = (os.path.abspath(a) for a in sys.argv[1:4])
    work = tempfile.mkdtemp(prefix="record.")
    try:
        gm.damaged_tape(selthix, kovrant_sim, make_image, work)
        gm.built_image(selthix, work)
        gm.gaps_between_files(selthix, work)
        for d in ["plain", "kept", "built", "built32", "none"] + [
                d for d in os.listdir(work) if d.startswith("between ")]:
            agrees(os.path.join(work, d), d)
        other_cycle(selthix, work)
        damaged = os.path.join(work, "capture", "KOVRANT.IMG")
        languages(selthix, damaged, work)
        planted(selthix, damaged, work)
        stale_and_missing(selthix, work)
        interrupted(selthix, work)
        killed(selthix, make_image, work)
        checked(selthix, work, os.path.join(work, "capture", "tape.bin"), [], 0, "undamaged")
        checked(selthix, work, damaged, ["--keep-time", "--bwf"], 4, "damaged")
        checked(selthix, work, os.path.join(work, "built", "KOVRANT.IMG"), ["--convert-32k"], 4,
                "built")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
