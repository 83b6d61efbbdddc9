#!/usr/bin/env python3
"""KOVRANT --trace and kovrant-sim --replay end to end. For simulated
captures under the fault scripts the other tests use (stretches lost, reads
failed, a wait that runs out, no audio mode, interrupts, a closed console,
several drives, --identify): every line of the trace is valid by its schema,
its requests are those the drive model saw, in order (KOVRANT_SIM_LOG), and
the trace replayed with the image gives the same console bytes, exit status,
image, KOVRANT.LOG and KOVRANT.json, and a trace of its own that is the
same. A trace changed at one answer replays to what that answer causes (a
GOOD READ become a CHECK CONDITION: the capture with that frame lost); one
whose request was changed, or that holds more, or is cut short inside a line,
or whose image is not its own, ends the replay with its message; a trace
that cannot be written is said.

    trace_replay.py kovrant-sim make_image
"""
import fcntl
import hashlib
import json
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import FRAME, check, frames, valid_record, verdict

SIM_FLOW = {"out": "0", "in": "1", "none": "2"}
CHECK_LOST = "700003000000000a00000000110000000000" + "0" * 12  # MEDIUM ERROR, 11/00
OTHER = "HP      C1537A          L812"

# name, settings, arguments, language, standard output closed, tape
CASES = [
    ("plain", {}, [], "C.UTF-8", False, "plain"),
    ("damaged", {"KOVRANT_SIM_FAULTS": "read#1*2=02/03/11/00,read#50*3=lost:03/11,"
                                       "read#200*2=02/04/44/00,read#202=03/11"},
     [], "C.UTF-8", False, "plain"),
    ("read-failed", {"KOVRANT_SIM_FAULTS": "read#30=lost:03/11,read#60=fail"}, [], "C.UTF-8",
     False, "plain"),
    ("timeout", {"KOVRANT_SIM_FAULTS": "sense#2=delay:5000"}, [], "C.UTF-8", False, "plain"),
    ("short-reads", {"KOVRANT_SIM_FAULTS": "read#7=short:1000,read#9=short:0,"
                                           "read#11=overreport:9000"}, [], "C.UTF-8", False,
     "plain"),
    ("interrupted-reading", {"KOVRANT_SIM_FAULTS": "read#40=interrupt"}, [], "C.UTF-8", False,
     "plain"),
    ("interrupted-waiting", {"KOVRANT_SIM_FAULTS": "tur#2=interrupt"}, [], "C.UTF-8", False,
     "plain"),
    ("no-cassette", {"KOVRANT_SIM_INSERT_AFTER": "200"}, [], "C.UTF-8", False, "plain"),
    ("no-audio-mode", {"KOVRANT_SIM_NO_AUDIO_MODE": "1"}, [], "C.UTF-8", False, "plain"),
    ("data-mode-refused", {"KOVRANT_SIM_FAULTS": "select#2=02/05/26/00"}, [], "en_US.UTF-8",
     False, "plain"),
    ("filtered", {}, [], "C.UTF-8", False, "filtered"),
    ("second-drive", {"KOVRANT_SIM_DRIVES": OTHER + ",-"}, [], "C.UTF-8", False, "plain"),
    ("open-refused", {"KOVRANT_SIM_DRIVES": "-," + OTHER, "KOVRANT_SIM_FAULTS": "open#1=busy"},
     [], "C.UTF-8", False, "plain"),
    ("not-supported", {"KOVRANT_SIM_ID": "SONY    SDT-9000        12.1"}, [], "C.UTF-8", False,
     "plain"),
    ("settings", {}, ["--device", "tape0", "--tape", "A-17", "--length", "90"], "en_US.UTF-8",
     False, "plain"),
    ("console-closed", {}, [], "C.UTF-8", True, "plain"),
    ("identify", {}, ["--identify"], "en_US.UTF-8", False, "plain"),
]


def run(sim, d, settings=None, args=(), lang="C.UTF-8", closed=False, tape=None, **popen):
    os.makedirs(d, exist_ok=True)
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("KOVRANT_SIM", "LC_")) and k != "TAPE"}
    env.update(LANG=lang, **(settings or {}))
    if tape is not None:
        env.update(KOVRANT_SIM_TAPE=tape, KOVRANT_SIM_LOG=os.path.join(d, "sim.log"))
    p = subprocess.run([sim] + list(args), cwd=d, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL if closed else subprocess.PIPE,
                       stderr=subprocess.PIPE, timeout=300, **popen)
    return {"status": p.returncode, "out": p.stdout or b"", "err": p.stderr}


def trace_lines(path, what, whole_only=False):
    """The trace's lines, each checked against the schema; a last line cut
    short is left out when `whole_only`."""
    with open(path, "rb") as f:
        text = f.read()
    if whole_only:
        text = text[:text.rfind(b"\n") + 1]
    lines = [json.loads(line) for line in text.decode("utf-8").splitlines()]
    for k, line in enumerate(lines):
        valid_record(line, "kovrant-trace.schema.json", "%s line %d" % (what, k + 1))
    check(len(lines) > 1 and "schema" in lines[0], "%s: a first line" % what)
    return lines


def expanded(lines):
    """The trace with each short READ line written in full, as the READ line
    before it."""
    out, last = [], None
    for line in lines:
        if line.get("op") == "read" and "cdb" not in line:
            full = {k: v for k, v in last.items() if k not in ("t", "ms", "sha256", "written",
                                                               "frame")}
            line = dict(full, t=line["t"], ms=line["ms"], **{k: line[k] for k in
                                                            ("sha256", "written", "frame")
                                                            if k in line})
        elif line.get("op") == "read":
            last = line
        out.append(line)
    return out


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8") as f:
        for line in lines:
            f.write(json.dumps(line, separators=(",", ":")) + "\n")


def sim_log(d):
    """The requests the drive model saw: operation, CDB, direction, length,
    timeout, and status, sense byte and bytes reported (None: no answer)."""
    out = []
    with open(os.path.join(d, "sim.log")) as f:
        for line in f:
            m = re.match(r"(\S+) +cdb=([0-9a-f ]{17}) dir=(\d) len=(\d+) timeout=(\d+)[A-Z ]* -> "
                         r"(?:status=(..) sense=(..) got=(\d+)|no answer)$", line.rstrip("\n"))
            if m:
                g = m.groups()
                out.append((g[0], g[1].replace(" ", ""), g[2], int(g[3]), int(g[4]),
                            None if g[5] is None else (int(g[5], 16), int(g[6], 16), int(g[7]))))
    return out


def holds_every_request(name, d, lines):
    """The trace's requests are the model's, in order, answered as it answered
    them (a late answer is a failed control to the dumper)."""
    traced = [l for l in expanded(lines) if "op" in l and l.get("cdb") is not None]
    seen = sim_log(d)
    same = len(traced) == len(seen) and any("op" in l for l in lines)
    for t, s in zip(traced, seen):
        asked = (t["op"], t["cdb"], SIM_FLOW[t["dir"]], t["len"], t["timeout"]) == s[:5]
        answer = t["error"] is not None or (
            s[5] is not None and t["status"] == s[5][0] and
            int((t["sense"] or {"bytes": "000000"})["bytes"][4:6], 16) == s[5][1] and
            t["got"] == (min(s[5][2], t["len"]) if t["dir"] == "in" else None))
        same = same and asked and answer
    check(same, "%s: the trace's %d requests, the model's %d" % (name, len(traced), len(seen)))


OUTPUTS = ("KOVRANT.IMG", "KOVRANT.LOG", "KOVRANT.json")


def same_run(name, a, b, da, db, files=OUTPUTS):
    for k in ("status", "out", "err"):
        check(a[k] == b[k], "%s: %s %r, replayed %r" % (name, k, a[k][-300:] if k != "status" else
                                                       a[k], b[k][-300:] if k != "status" else b[k]))
    for f in files:
        pa, pb = os.path.join(da, f), os.path.join(db, f)
        check(os.path.exists(pa) == os.path.exists(pb) and
              (not os.path.exists(pa) or open(pa, "rb").read() == open(pb, "rb").read()),
              "%s: %s the same replayed" % (name, f))


def replay(sim, d, trace, image=None, lang="C.UTF-8", closed=False, args=()):
    extra = ["--image", image] if image else []
    return run(sim, d, args=["--replay", trace] + extra + list(args), lang=lang, closed=closed)


def captures(sim, tapes, work):
    """Each case traced, checked and replayed. The traces by name."""
    traces = {}
    for name, settings, args, lang, closed, tape in CASES:
        d = os.path.join(work, name)
        got = run(sim, d, settings, args + ["--trace", "trace.jsonl"], lang, closed, tapes[tape])
        lines = trace_lines(os.path.join(d, "trace.jsonl"), name)
        traces[name] = (d, lines, got)
        holds_every_request(name, d, lines)
        check(lines[-1].get("exitStatus") == got["status"], "%s: the last line %r, status %d" % (
            name, lines[-1], got["status"]))
        r = os.path.join(work, name + "-replayed")
        image = os.path.join(d, "KOVRANT.IMG")
        # The digests of the frames written are those of the image's frames, in order.
        check([l["sha256"] for l in lines if l.get("written")] ==
              [hashlib.sha256(f).hexdigest() for f in frames(image)],
              "%s: the SHA-256 of every frame written, the image's" % name)
        again = replay(sim, r, os.path.join(d, "trace.jsonl"),
                       image if os.path.exists(image) else None, lang, closed,
                       ["--trace", "replay.jsonl"])
        same_run(name, got, again, d, r)
        check(open(os.path.join(d, "trace.jsonl"), "rb").read() ==
              open(os.path.join(r, "replay.jsonl"), "rb").read(), "%s: the replay's trace" % name)
    plain = traces["plain"][1]
    check(any("cdb" not in l and l.get("op") == "read" for l in plain) and
          sum(1 for l in plain if l.get("op") == "read" and "cdb" in l) == 2,
          "the plain trace: READs in short lines but the first and the last")
    check(any(l.get("written") is False and "frame" in l for l in traces["filtered"][1]),
          "the filtered frames are in the trace")
    check(any("interrupt" in l for l in traces["interrupted-reading"][1]),
          "the interrupt in the trace")
    return traces


def one_answer_changed(sim, tapes, work, traces):
    """The 10th READ turned into a CHECK CONDITION, its frame out of the
    image: the replay is the capture that lost that frame."""
    d, lines, _ = traces["plain"]
    lines = expanded(lines)
    reads = [k for k, l in enumerate(lines) if l.get("op") == "read"]
    k = reads[9]
    line = dict(lines[k], status=2, got=0, frame=None,
                sense={"bytes": CHECK_LOST, "length": 18, "key": 3, "asc": 17, "ascq": 0,
                       "filemark": False, "eom": False, "ili": False, "information": None,
                       "name": "UNRECOVERED READ ERROR"})
    del line["sha256"], line["written"]
    lines[k] = line
    changed = os.path.join(work, "changed.jsonl")
    write_lines(changed, lines)
    for l in lines:
        valid_record(l, "kovrant-trace.schema.json", "the changed trace")
    image = open(os.path.join(d, "KOVRANT.IMG"), "rb").read()
    cut = os.path.join(work, "cut.img")
    open(cut, "wb").write(image[:9 * FRAME] + image[10 * FRAME:])
    lost = os.path.join(work, "lost")
    want = run(sim, lost, {"KOVRANT_SIM_FAULTS": "read#10=lost:02/03/11/00"}, tape=tapes["plain"])
    r = os.path.join(work, "changed-replayed")
    got = replay(sim, r, changed, cut)
    same_run("one answer changed", want, got, lost, r)
    check("内訳=02/03:1" in open(os.path.join(r, "KOVRANT.LOG"), encoding="utf-8").read(),
          "one answer changed: a stretch in the log")


def differently_asked(sim, work, traces):
    """The replay ends with its message where the dumper asks otherwise than
    the trace holds, or less; one cut inside a line is read to its last
    whole line; a frame not the trace's, or none given, ends it too."""
    d, lines, _ = traces["plain"]
    trace = os.path.join(d, "trace.jsonl")
    image = os.path.join(d, "KOVRANT.IMG")
    reads = [k for k, l in enumerate(lines) if l.get("op") == "read"]
    sense = next(k for k, l in enumerate(lines) if l.get("op") == "mode-sense")
    unload = next(k for k, l in enumerate(lines) if l.get("op") == "unload")
    read = "read cdb=08000016be00 dir=in len=5822 timeout=10"
    cases = []  # name, lines, image, the message's end
    cdb = [dict(l) for l in lines]
    cdb[reads[0]]["cdb"] = "08000016bf00"
    cases.append(("another CDB", cdb, image, '"%s"; the trace T holds at line %d "%s".' % (
        read, reads[0] + 1, read.replace("16be", "16bf"))))
    length = [dict(l) for l in lines]
    length[sense].update(cdb="1a0000000b00", len=11)
    cases.append(("another length", length, image, '; the trace T holds at line %d "mode-sense '
                  'cdb=1a0000000b00 dir=in len=11 timeout=2".' % (sense + 1)))
    cases.append(("a request left out", lines[:unload] + lines[unload + 1:], image,
                  'asked "unload cdb=1b0000000000 dir=none len=0 timeout=20"; the trace T holds '
                  'at line %d "mode-select cdb=151000000c00 dir=out len=12 timeout=2 '
                  'data=000010081300000000000000".' % (unload + 1)))
    more = lines[:-1] + [dict(lines[unload], t=lines[-2]["t"])] + lines[-1:]
    cases.append(("more than asked", more, image, 'the trace T holds at line %d "unload '
                  'cdb=1b0000000000 dir=none len=0 timeout=20", which KOVRANT did not ask.' %
                  len(lines)))
    spoilt = os.path.join(work, "spoilt.img")
    data = bytearray(open(image, "rb").read())
    data[5 * FRAME + 100] ^= 1
    open(spoilt, "wb").write(data)
    cases.append(("a frame not the trace's", lines, spoilt, "frame 5 of the image S is not the "
                  "frame of line %d of the trace T (its SHA-256 differs)." % (reads[5] + 1)))
    cases.append(("no image", lines, None, "the frame of line %d of the trace T is in the image, "
                  "and no image was given (--image)." % (reads[0] + 1)))
    for k, (what, changed, img, end) in enumerate(cases):
        path = os.path.join(work, "differs-%d.jsonl" % k)
        write_lines(path, changed)
        got = replay(sim, os.path.join(work, "differs-%d" % k), path, img, "en_US.UTF-8")
        said = got["err"].decode().replace(path, "T").replace(spoilt, "S")
        check(got["status"] == 3 and said.endswith(end + "\n") and
              "kovrant-sim: the replay ends: " in said,
              "%s: %d %r" % (what, got["status"], said[-300:]))
    # Cut inside a line: read up to the last whole line.
    text = open(trace, "rb").read()
    at = text.index(b"\n", len(text) // 2)
    whole = text[:at + 1].count(b"\n")
    cut = os.path.join(work, "cut.jsonl")
    open(cut, "wb").write(text[:at + 30])
    got = replay(sim, os.path.join(work, "cut"), cut, image, "en_US.UTF-8")
    said = got["err"].decode()
    written = sum(1 for l in lines[:whole] if l.get("written"))
    kept = open(os.path.join(work, "cut", "KOVRANT.IMG"), "rb").read()
    check(got["status"] == 3 and said.endswith("beyond the end of the trace %s (line %d).\n" % (
        cut, whole + 1)) and kept == open(image, "rb").read()[:written * FRAME],
        "cut inside a line: %r, %d frames" % (said[-200:], len(kept) // FRAME))
    got = replay(sim, os.path.join(work, "japanese"), cut, image)
    check("トレース %s の終わり (%d 行目) より後です。" % (cut, whole + 1) in
          got["err"].decode("cp932"), "the Japanese message: %r" % got["err"][-200:])


def killed(sim, tapes, work):
    """A capture killed at work leaves its trace up to its death: the whole
    lines are valid, and they replay to their end."""
    d = os.path.join(work, "killed")
    os.makedirs(d)
    env = dict(os.environ, LANG="C.UTF-8", KOVRANT_SIM_TAPE=tapes["plain"])
    read, written = os.pipe()
    fcntl.fcntl(read, getattr(fcntl, "F_SETPIPE_SZ", 1031), 4096)  # the time display fills it
    p = subprocess.Popen([sim, "--trace", "trace.jsonl"], cwd=d, env=env, stdout=written,
                         stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    os.close(written)
    deadline = time.monotonic() + 60
    while not os.path.exists(os.path.join(d, "KOVRANT.IMG")) and time.monotonic() < deadline:
        time.sleep(0.002)
    time.sleep(0.3)
    p.send_signal(signal.SIGKILL)
    p.wait()
    os.close(read)
    lines = trace_lines(os.path.join(d, "trace.jsonl"), "killed", whole_only=True)
    check("ending" not in lines[-1] and any(l.get("op") == "read" for l in lines),
          "killed: the trace up to its death (%d lines)" % len(lines))
    # The image, written in blocks, may end before the trace's last frame.
    image = open(os.path.join(d, "KOVRANT.IMG"), "rb").read()
    r = os.path.join(work, "killed-replayed")
    got = replay(sim, r, os.path.join(d, "trace.jsonl"), os.path.join(d, "KOVRANT.IMG"),
                 "en_US.UTF-8")
    again = open(os.path.join(r, "KOVRANT.IMG"), "rb").read()
    check(got["status"] == 3 and (b"beyond the end of the trace" in got["err"] or
                                  b"the replay ends: the image " in got["err"]) and
          len(again) > 0 and image.startswith(again),
          "killed: replayed to its end: %r, %d of %d bytes" % (got["err"][-200:], len(again),
                                                               len(image)))


def trace_failures(sim, tapes, work):
    """A trace that cannot be created: nothing is asked of the drive; one
    that cannot be written on: said once, the run goes on."""
    d = os.path.join(work, "no-trace")
    got = run(sim, d, args=["--trace", "missing/trace.jsonl"], lang="en_US.UTF-8",
              tape=tapes["plain"])
    check(got["status"] == 2 and got["out"] == b"" and
          got["err"] == b"KOVRANT: could not create the trace missing/trace.jsonl: No such file or "
          b"directory\n" and not os.path.exists(os.path.join(d, "sim.log")),
          "a trace that cannot be created: %r" % got)

    def small_files():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (3000, 3000))
    d = os.path.join(work, "trace-full")
    got = run(sim, d, args=["--trace", "trace.jsonl"], lang="en_US.UTF-8", tape=tapes["plain"],
              preexec_fn=small_files)
    check(got["out"].count(b"Could not write to the trace trace.jsonl: File too large\n") == 1 and
          b"Could not write to KOVRANT.IMG: File too large" in got["out"] and
          os.path.getsize(os.path.join(d, "trace.jsonl")) <= 3000,
          "a trace that cannot be written: %r" % got["out"][-400:])


def main():
    sim, make_image = (os.path.abspath(a) for a in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="trace-replay.")
    try:
        tapes = {"plain": os.path.join(work, "plain.tape"),
                 "filtered": os.path.join(work, "filtered.tape")}
        subprocess.run([make_image, "--seed", "7", "--programs", "2", "--frames", "300",
                        tapes["plain"]], check=True, stdout=subprocess.DEVNULL)
        data = bytearray(open(tapes["plain"], "rb").read())
        for k in (20, 21, 22, 23, 60, 61):  # two of three carry the filter's bit: left out
            data[k * FRAME + 5821] |= 8
        open(tapes["filtered"], "wb").write(data)
        traces = captures(sim, tapes, work)
        one_answer_changed(sim, tapes, work, traces)
        differently_asked(sim, work, traces)
        killed(sim, tapes, work)
        trace_failures(sim, tapes, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
