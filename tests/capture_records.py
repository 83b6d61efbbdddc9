#!/usr/bin/env python3
"""KOVRANT.json end to end, through kovrant-sim: for captures with unread
stretches and for every way a capture ends, the record is valid by its
schema and says what KOVRANT.LOG says, fact by fact, and what the image
holds; the same under a Japanese and an English console; a link under its
name replaced, a directory there said; a capture killed outright leaves a
whole record that says it did not end; another user's record left alone.

    capture_records.py kovrant-sim make_image
"""
import fcntl
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import FRAME, check, named, record, shown, verdict
from merge_passes import atime, frames

ENDINGS = {"テープの終端": "blank-tape", "中断": "interrupted", "イメージの書き込みに失敗": "write-failed",
           "読み取りエラーの連続": "read-errors", "読み取り要求の失敗": "read-request-failed"}


def capture(sim, tape, d, faults="", lang="C.UTF-8", drives="-", args=(), **popen):
    os.makedirs(d, exist_ok=True)
    env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
    env.update(LANG=lang, KOVRANT_SIM_TAPE=tape, KOVRANT_SIM_FAULTS=faults,
               KOVRANT_SIM_DRIVES=drives)
    popen.setdefault("stdout", subprocess.PIPE)
    return subprocess.Popen([sim] + list(args), cwd=d, env=env, stdin=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, **popen)


def run(sim, tape, d, faults="", lang="C.UTF-8", drives="-", args=(), **popen):
    p = capture(sim, tape, d, faults, lang, drives, args, **popen)
    out = p.communicate()[0]
    return p.returncode, out.decode("cp932" if lang == "C.UTF-8" else "utf-8")


def iso(stamp):  # "2026-01-01 00:00:03 +00:00 (UTC ...)" as ISO 8601
    m = re.match(r"(\S+) (\S+) (\S+) \(UTC", stamp)
    return "%sT%s%s" % m.groups() if m else stamp


def agrees(d, status, tape_index, name="KOVRANT.json"):
    """The record in `d` against the log, the image and the exit status."""
    doc = record(os.path.join(d, name), "kovrant.schema.json")
    if doc is None:
        return None
    # A device's name that is not UTF-8 stands in the log as its bytes.
    text = open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8", errors="surrogateescape").read()
    log = dict(l.split(": ", 1) for l in text.splitlines() if not l.startswith("読み取りエラー区間: "))

    def time_of(a):
        if a is not None:  # its position: the frame's place on the tape
            check(tape_index.get(a["text"]) == a["position"], "%s: position of %r" % (d, a))
        return "なし" if a is None else a["text"]

    c = doc["counts"]
    facts = [("プログラム", "KOVRANT " + doc["version"]), ("ドライブ", doc["drive"]),
             ("開始", doc["started"]), ("カセット到着", doc["arrived"]), ("終了", doc["ended"]),
             ("最初のATIME", time_of(doc["firstAtime"])), ("最後のATIME", time_of(doc["lastAtime"])),
             ("正常に読んだフレーム", c["goodReads"]), ("書き込んだフレーム", c["framesWritten"]),
             ("フィルターで除いたフレーム", c["framesFiltered"]), ("読み取りエラー区間の数", c["stretches"]),
             ("読み取りエラーの回数", c["errorReads"]), ("終了ステータス", doc["exitStatus"]),
             ("データモード", {True: "戻した", False: "戻せなかった"}[doc["dataModeRestored"]]),
             ("デバイス", shown(named(doc["device"])) if "デバイス" in log else None),
             ("テープ", doc["tape"])]
    for key, value in facts:
        said = iso(log.get(key, "")) if key in ("開始", "カセット到着", "終了") else log.get(key)
        check(said == (value if value is None else str(value)),
              "%s: %s %r, the record %r" % (d, key, said, value))
    check(ENDINGS.get(log.get("終了理由")) == doc["ending"] and doc["exitStatus"] == status,
          "%s: ending %r, status %d: %r" % (d, log.get("終了理由"), status, doc["ending"]))
    lines = re.findall(r"読み取りエラー区間: (.*)", text)

    def senses(s):  # each answer by its sense key, ASC and ASCQ ("--" where none came)
        return ",".join("%02X/%02X/%s:%d" % (a["status"], a["sense"], "--/--/--" if k["key"] is None
                                             else "%02X/%02X/%02X" % (k["key"], k["asc"], k["ascq"]),
                                             k["count"]) for a in s["answers"] for k in a["senses"])
    told = ["位置=%d 回数=%d 直前のATIME=%s 直後のATIME=%s 内訳=%s センス=%s" % (
        s["imageFrame"], s["reads"], time_of(s["before"]), time_of(s["after"]),
        ",".join("%02X/%02X:%d" % (a["status"], a["sense"], a["count"]) for a in s["answers"]),
        senses(s)) for s in doc["stretches"]]
    check(lines == told and len(told) == c["stretches"] and
          sum(s["reads"] for s in doc["stretches"]) == c["errorReads"] and
          all(sum(k["count"] for k in a["senses"]) == a["count"]
              for s in doc["stretches"] for a in s["answers"]),
          "%s: the stretches %r, the record %r" % (d, lines, told))
    # Each code the answers hold, named once in the log in the order of first appearance.
    held = [(k["asc"], k["ascq"]) for s in doc["stretches"] for a in s["answers"]
            for k in a["senses"] if k["key"] is not None]
    first = [code for n, code in enumerate(held) if code not in held[:n]]
    codes = [(int(a, 16), int(q, 16)) for a, q in re.findall(r"\nセンスコード: (..)/(..) ", text)]
    check(codes == first == [(k["asc"], k["ascq"]) for k in doc["senseCodes"]],
          "%s: the sense codes named %r, held %r, the record %r" % (d, codes, first,
                                                                    doc["senseCodes"]))
    image = frames(os.path.join(d, "KOVRANT.IMG"))
    check(len(image) == c["framesWritten"] and doc["log"] == "KOVRANT.LOG",
          "%s: %d frames in the image" % (d, len(image)))
    for s in doc["stretches"]:  # the image's frame after the stretch is the one shown after it
        stamp = atime(image[s["imageFrame"]]) if s["imageFrame"] < len(image) else None
        if stamp is not None and s["after"] is not None:
            check("%02x:%02x:%02x:%02x" % tuple(stamp) == s["after"]["text"],
                  "%s: image frame %d" % (d, s["imageFrame"]))
    return doc


def no_limit_but_size(limit):
    def child():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return child


def endings(sim, tape, work, tape_index):
    cases = [  # name, faults, exit status, what the record says
        ("damaged", "read#1*2=02/03/11/00,read#50*3=lost:03/11,read#200*2=02/04/44/00,"
         "read#202=03/11,read#203=02/03/82/01", 0,
         {"ending": "blank-tape", "dataModeRestored": True, "device": {"text": "tape0"}}),
        ("second-drive", "", 0, {"ending": "blank-tape", "device": {"text": "tape1"}}),
        ("interrupted", "read#40=interrupt", 1, {"ending": "interrupted"}),
        ("read-failed", "read#30=lost:03/11,read#60=fail", 1, {"ending": "read-request-failed"}),
        ("data-mode", "select#2=fail", 1, {"ending": "blank-tape", "dataModeRestored": False}),
        ("full-disk", "", 1, {"ending": "write-failed"}),
        ("tape", "", 0, {"ending": "blank-tape", "tape": "A-17", "kept": None}),
    ]
    for name, faults, status, said in cases:
        d = os.path.join(work, name)
        limit = {"preexec_fn": no_limit_but_size(100 * FRAME + 50)} if name == "full-disk" else {}
        drives = "HP      C1537A          L812,-" if name == "second-drive" else "-"
        args = ["--tape", "A-17", "--length", "90"] if name == "tape" else []
        got, _ = run(sim, tape, d, faults, drives=drives, args=args, **limit)
        doc = agrees(d, got, tape_index)
        check(got == status and doc is not None and
              all(doc[k] == v for k, v in said.items()), "%s: %d %r" % (name, got, doc and
                                                                       doc["ending"]))
    # The same capture under an English console: the same record.
    english = os.path.join(work, "english")
    run(sim, tape, english, cases[0][1], lang="en_US.UTF-8")
    doc = record(os.path.join(english, "KOVRANT.json"), "kovrant.schema.json")
    log = open(os.path.join(english, "KOVRANT.LOG"), encoding="utf-8").read()
    check(doc == record(os.path.join(work, "damaged", "KOVRANT.json"), "kovrant.schema.json") and
          "\nSummary: the end of the tape. Read errors in 3 places" in log,
          "the English capture's record: %r" % log[-200:])
    # There the names are the record's, and the codes without one said so.
    names = re.findall(r"\nSense code: (..)/(..) (.*)", log)
    check(doc is not None and [(int(a, 16), int(q, 16)) for a, q, _ in names] ==
          [(k["asc"], k["ascq"]) for k in doc["senseCodes"]] and
          [n for _, _, n in names] == [k["name"] or "a code of the vendor's own"
                                       for k in doc["senseCodes"]] and
          [k["name"] for k in doc["senseCodes"]] == [
              "UNRECOVERED READ ERROR", "NO ADDITIONAL SENSE INFORMATION", None,
              "INTERNAL TARGET FAILURE"],
          "the English log's sense codes %r, the record's %r" % (names, doc and doc["senseCodes"]))


def names_in_the_way(sim, tape, work, tape_index):
    d = os.path.join(work, "link")
    os.makedirs(d)
    open(os.path.join(d, "victim"), "w").write("keep")
    os.symlink("victim", os.path.join(d, "KOVRANT.json"))
    dead = subprocess.Popen(["true"])
    dead.wait()
    stale = ["KOVRANT.json.part-%d-0" % dead.pid, "KOVRANT-1.json.part-%d-3" % dead.pid]
    kept = ["KOVRANT.json.part-%d-0" % os.getpid(), "KOVRANT.LOG.part-%d-0" % dead.pid]
    for n in stale + kept:
        open(os.path.join(d, n), "w").write("x")
    status, _ = run(sim, tape, d)
    doc = agrees(d, status, tape_index)
    check(open(os.path.join(d, "victim")).read() == "keep" and
          not os.path.islink(os.path.join(d, "KOVRANT.json")), "the link replaced, not followed")
    check(doc is not None and sorted(named(n) or b"" for n in doc["staleTemporariesRemoved"]) ==
          sorted(n.encode() for n in stale) and
          sorted(os.listdir(d)) == sorted(["KOVRANT.IMG", "KOVRANT.LOG", "KOVRANT.json", "victim"] +
                                          kept), "stale temporaries swept: %r" % os.listdir(d))
    d = os.path.join(work, "directory")
    os.makedirs(os.path.join(d, "KOVRANT.json"))
    status, out = run(sim, tape, d)
    check(status == 0 and out.count("KOVRANT.jsonを書けませんでした: Is a directory\n") == 1 and
          open(os.path.join(d, "KOVRANT.IMG"), "rb").read() == open(tape, "rb").read() and
          "まとめ: テープの終端" in open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8").read(),
          "a directory under KOVRANT.json: said once, the capture done: %r" % out[-300:])


def device_names(sim, tape, work, tape_index):
    """The drive named by a link (as under /dev/tape/by-id) whose name the
    console shows as another's, or that is not UTF-8: the record names the
    device as given, so that a script can open it."""
    links = os.path.join(os.fsencode(work), b"devices")
    os.makedirs(links)
    open(os.path.join(links, b"tape0"), "w").close()  # what the links lead to
    for k, (name, form) in enumerate([(b"x\\x0d", "text"), (b"x\r", "text"), (b"x\xff", "bytes")]):
        link = os.path.join(links, name)
        os.symlink(b"tape0", link)
        d = os.path.join(work, "device-%d" % k)
        status, out = run(sim, tape, d, args=["--device", os.fsdecode(link)])
        doc = agrees(d, status, tape_index) or {}
        device = named(doc.get("device"))
        check(status == 0 and device == link and os.path.exists(device) and
              list(doc["device"]) == [form], "device %r: %r" % (name, doc.get("device")))


def killed(sim, tape, work, tape_index):
    """Held by its time display (a one-page pipe nobody reads), then killed."""
    d = os.path.join(work, "killed")
    read, written = os.pipe()
    fcntl.fcntl(read, getattr(fcntl, "F_SETPIPE_SZ", 1031), 4096)
    p = capture(sim, tape, d, stdout=written)
    os.close(written)
    deadline = time.monotonic() + 60
    while not os.path.exists(os.path.join(d, "KOVRANT.json")) and time.monotonic() < deadline:
        time.sleep(0.002)
    time.sleep(0.2)
    check(p.poll() is None, "the capture held at work")
    p.kill()
    p.wait()
    os.close(read)
    doc = record(os.path.join(d, "KOVRANT.json"), "kovrant.schema.json")
    log = open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8").read()
    check(doc is not None and doc["ending"] == "unfinished" and doc["exitStatus"] is None and
          doc["ended"] is None and doc["arrived"] == iso(re.search("カセット到着: (.*)", log)[1]) and
          "終了理由" not in log, "killed: the record says it did not end: %r" % doc)


def shared(sim, tape, work, tape_index):
    """Another user's KOVRANT.json in a shared directory: this capture's
    goes under the first free name, start and end alike."""
    if os.geteuid() != 0:
        print("not root: another user's record not tried")
        return
    top = os.path.join(work, "top")
    d = os.path.join(top, "shared")
    os.makedirs(d)
    os.chmod(work, 0o755)
    os.chmod(top, 0o755)
    os.chmod(d, 0o1777)
    program = shutil.copy(sim, os.path.join(top, "kovrant-sim"))
    os.chmod(program, 0o755)
    theirs = shutil.copy(tape, os.path.join(top, "tape.bin"))
    os.chmod(theirs, 0o644)
    open(os.path.join(d, "KOVRANT.json"), "w").write("theirs")
    os.chown(os.path.join(d, "KOVRANT.json"), 4242, 4242)

    def as_another():
        os.setgid(4343)
        os.setuid(4343)
    status, out = run(program, theirs, d, preexec_fn=as_another)
    doc = agrees(d, status, tape_index, "KOVRANT-1.json")
    check(open(os.path.join(d, "KOVRANT.json")).read() == "theirs" and
          sorted(os.listdir(d)) == ["KOVRANT-1.json", "KOVRANT.IMG", "KOVRANT.LOG", "KOVRANT.json"]
          and doc is not None and doc["ending"] == "blank-tape" and
          "KOVRANT.jsonを置き換えられないため(Operation not permitted)、このキャプチャのJSONは"
          "KOVRANT-1.jsonに書きます。\n" in out, "another user's record: %r %r" % (
              os.listdir(d), out[-300:]))


def main():
    sim, make_image = (os.path.abspath(a) for a in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="capture-records.")
    try:
        tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "7", "--programs", "2", "--frames", "400", tape],
                       check=True, stdout=subprocess.DEVNULL)
        # Each ATIME of the tape at its place: the tape starts at 00:00:00:00 and runs on.
        tape_index = {"%02x:%02x:%02x:%02x" % tuple(atime(f)): k
                      for k, f in enumerate(frames(tape)) if atime(f) is not None}
        for case in (endings, names_in_the_way, device_names, killed, shared):
            case(sim, tape, work, tape_index)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
