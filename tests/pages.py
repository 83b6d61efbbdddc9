"""SELTHIX.html and KOVRANT-MERGE.html: the page parses, fetches nothing from
outside its directory and holds every gap of SELTHIX.LOG and every input of
the merge; then in headless Chromium (tests/browser_page.py, Selenium): no
script or console error, no dialog, no request outside, one player per WAV
file on the file beside the page, a click on each gap (timeline and table)
puts its player 2 s before it, a mark per gap and per program, the programs'
names apart, and hostile input names shown as text; the title names the
tape and the capture's day, the legend's swatches are coloured as the marks
they explain, an empty file has no player, the files of the run before left
stale are told, and at widths of 800 to 1600 pixels no text of the timeline
runs out of it or over another. The level strip equals
the peaks worked out here from the image. Screenshots land in the run's
directory; a page with those faults shows that the browser's report sees
them.
    pages.py SELTHIX kovrant-sim make_image kovrant-merge [--no-browser]"""
import array
import html.parser
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_page  # noqa: E402
import gap_marking as gm  # noqa: E402
from checks import FRAME, atime, check, frames, have, named, position, shown, verdict  # noqa: E402

FRAME_SECONDS = 0.03
LEGEND = ["legendProgram", "legendOff", "legendEmphasis", "legendJoined", "legendFilled",
          "legendOutside", "legendJump", "legendConcealed", "legendLevel"]
BROWSED = []


class Page(html.parser.HTMLParser):
    """The page's references and its embedded data."""

    def __init__(self, text):
        super().__init__()
        self.refs, self.data, self.inside = [], None, False
        self.feed(text)
        self.close()

    def handle_starttag(self, tag, attrs):
        self.refs += [v for k, v in attrs if k in ("src", "href") and v is not None]
        self.inside = tag == "script" and ("id", "data") in attrs

    def handle_endtag(self, tag):
        self.inside = False

    def handle_data(self, data):
        if self.inside:
            self.data = json.loads(data)


def level_strip(image):
    """The peak of each second of tape in whole dBFS (-96 for silence, None for a
    second without frames) from the frames' 48 and 44.1 kHz audio, each frame at
    its ATIME's second, a frame without one running on from the last."""
    peaks, last = {}, None
    for k, f in enumerate(frames(image)):
        stamp = atime(f)
        last = (position(stamp), k) if stamp else (k, k) if last is None else last
        second = (last[0] + k - last[1]) * 3 // 100
        audio = array.array("h", f[:{0: 5760, 1: 5292}.get(f[5820] >> 2 & 3, 0)])
        if audio:
            peaks[second] = max(peaks.get(second, 0), max(audio), -min(audio))
    if not peaks:
        return None
    db = lambda p: -96 if p == 0 else max(-96, -math.floor(0.5 - 20 * math.log10(p / 32768)))
    return {"start": min(peaks), "peaks": [db(peaks[s]) if s in peaks else None
                                           for s in range(min(peaks), max(peaks) + 1)]}


def in_order(lines, log):
    """The lines are lines of the log, in its order."""
    at = 0
    for line in lines:
        if line not in log[at:]:
            return False
        at = log.index(line, at) + 1
    return True


def run(cmd, cwd, env=None, **kw):
    e = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
    e["LANG"] = "C.UTF-8"
    e.update(env or {})
    return subprocess.run(cmd, cwd=cwd, env=e, capture_output=True, stdin=subprocess.DEVNULL,
                          **kw)


def read_page(path, what):
    text = open(path, encoding="utf-8").read()
    page = Page(text)
    check(page.data is not None, "%s: the data embedded" % what)
    check(not re.search(r"(https?|ftp):|src=\"/|file:", text.split('id="data"')[0]),
          "%s: nothing fetched from outside" % what)
    return text, page


def browse(page, shot, what, widths=()):
    """What tests/browser_page.py tells of the page; None without a browser."""
    python = browser_page.python()
    # python3-selenium is no command: where it is missing, it is counted as a
    # missing reader is.
    if "--no-browser" in sys.argv[5:] or not (have("chromium") and have("chromedriver") and
                                              (python or have("python3-selenium"))):
        return None
    p = subprocess.run([python, browser_page.__file__, page, shot] +
                       [",".join(map(str, widths))] * bool(widths), capture_output=True,
                       stdin=subprocess.DEVNULL, timeout=300)
    check(p.returncode == 0, "%s: the browser ran: %r" % (what, p.stderr[-500:]))
    if p.returncode != 0:
        return None
    BROWSED.append(what)
    return json.loads(p.stdout)


def outside(r, page):
    return [u for u in r["requests"] if not u.startswith("data:") and
            not u.startswith("file://" + os.path.dirname(os.path.abspath(page)) + "/")]


def in_browser(page, shot, what, widths=()):
    r = browse(page, shot, what, widths)
    if r is None:
        return None
    check(r["errors"] == [] and r["dialogs"] == [],
          "%s: no error, no dialog: %r %r" % (what, r["errors"], r["dialogs"]))
    check(outside(r, page) == [], "%s: fetched nothing outside its directory: %r"
          % (what, outside(r, page)))
    check(os.path.getsize(shot) > 0, "%s: a screenshot" % what)
    return r


def told(r, page, title, keys, what):
    """The title; the legend's entries (their labels' names), each swatch
    coloured as the marks of its classes: how many of those are drawn."""
    check(r["title"] == r["heading"] == title, "%s: titled %r" % (what, r["heading"]))
    got = [(e["key"], e["label"]) for e in r["legend"]]
    check(got == [(k, page.data["labels"].get(k)) for k in keys],
          "%s: the legend: %r" % (what, got))
    drawn = {}
    for m in r["marks"]:
        drawn.setdefault(m["classes"], set()).add(tuple(m["style"]))
    swatches = [(s["classes"], tuple(s["style"])) for e in r["legend"] for s in e["swatches"]]
    unlike = [(c, s, drawn[c]) for c, s in swatches if c in drawn and drawn[c] != {s}]
    check(unlike == [], "%s: the legend drawn as the marks: %r" % (what, unlike))
    return sum(c in drawn for c, _ in swatches)


def empty_files(r, record, labels, what):  # no player, but the word for it
    word = labels["noFile"] if record["check"] else labels.get("empty")
    cells = [r["playerCells"][k] for k, f in enumerate(record["files"]) if f["samplePairs"] == 0]
    check(cells and all(c == {"text": word, "player": False} for c in cells),
          "%s: the empty files said empty: %r" % (what, cells))


def inside(v, what):  # the timeline's texts at a width, inside it, over no other
    s, texts = v["svg"], [t for t in v["items"] if t["tag"] == "text"]
    out = [t["text"] for t in texts if t["left"] < s["left"] or t["right"] > s["right"] or
           t["top"] < s["top"] or t["bottom"] > s["bottom"]]
    over = [(a["text"], b["text"]) for k, a in enumerate(texts) for b in texts[k + 1:]
            if a["left"] < b["right"] and b["left"] < a["right"] and a["top"] < b["bottom"] and
            b["top"] < a["bottom"]]
    check(texts and out == over == [], "%s at %d px: out %r, over another %r" %
          (what, v["width"], out, over))
    return texts


def laid_out(r, record, what):
    """At each width the texts inside and apart, as high as at the others (in
    the page's pixels), each over its mark's start (some moved left at the
    right edge), the last program's name and its gap's label drawn, names
    for a 12th of the bands at least, two labels of three close gaps."""
    last = max(k for k, f in enumerate(record["files"]) if f["frames"])
    close = next(k for k, f in enumerate(record["files"]) if len(f["gaps"]) == 3)
    high = {round(t["bottom"] - t["top"]) for v in r["widths"] for t in inside(v, what)}
    check(len(high) == 1, "%s: the texts as high at every width: %r" % (what, high))
    for v in r["widths"]:
        marks = {tuple(m["mark"]): m for m in v["items"] if m["tag"] == "rect"}
        own = {tuple(t["mark"]): t for t in v["items"] if t["tag"] == "text" and t["mark"]}
        astray = [t["text"] for k, t in own.items() if not (
            marks[k]["left"] <= t["right"] and t["left"] <= marks[k]["left"] + 4) or
            k[1] is None and record["files"][k[0]]["name"] != t["text"] + ".wav"]
        shifted = [t["text"] for k, t in own.items() if t["left"] < marks[k]["left"]]
        check(astray == [] and shifted and {(last, None), (last, "0")} <= set(own) and
              12 * len([k for k in own if k[1] is None]) >= len(marks) and
              len([k for k in own if k[0] == close and k[1]]) == 2,
              "%s at %d px: astray %r, moved left %r, drawn %r" % (what, v["width"], astray,
                                                                  shifted, sorted(own, key=str)))


def faults(work):
    """The browser's report of a page with a script error, a console error, a
    dialog and a request outside (to a port Chromium refuses to reach)."""
    page = os.path.join(work, "faults.html")
    with open(page, "w", encoding="utf-8") as f:
        f.write('<img src="http://127.0.0.1:9/x.png"><p>text</p><script>'
                'console.error("console fault"); alert("dialog fault");'
                'throw new Error("script fault");</script>')
    r = browse(page, os.path.join(work, "faults.png"), "faults")
    if r is not None:
        errors = " ".join(r["errors"])
        check("console fault" in errors and "script fault" in errors and
              r["dialogs"] == ["dialog fault"] and r["text"] == "text" and
              outside(r, page) == ["http://127.0.0.1:9/x.png"],
              "faults: the browser's report sees them: %r" % r)


def conversion(tools, work):
    selthix, sim, make_image = tools[:3]
    d = os.path.join(work, "conversion")
    os.makedirs(d)
    run([make_image, "--seed", "1", "--programs", "5", "--frames", "6000", "--repeat", "tape.bin"],
        d, check=True)
    run([sim], d, {"KOVRANT_SIM_TAPE": "tape.bin",
                   "KOVRANT_SIM_FAULTS": "read#2000*40=lost:03/11,read#4000*5=lost:02/03"})
    # For the level strip: a second of digital silence, and a peak that only
    # the negative half of a frame reaches.
    with open(os.path.join(d, "KOVRANT.IMG"), "r+b") as f:
        for k in range(1000, 1040):
            f.seek(k * FRAME)
            f.write(bytes(5760))
        f.seek(3000 * FRAME + 2)
        f.write(b"\x00\x80")
        # Concealment to be marked: a held sample pair, a clip.
        f.seek(3500 * FRAME)
        f.write(b"\x34\x12\x21\x43" * 100)
        f.seek(5000 * FRAME + 400)
        f.write(b"\xff\x7f\x00\x00" * 5)
    for options, name in ((["--check"], "check"), (["--keep-time"], "keep-time"), ([], "plain")):
        p = run([selthix] + options, d)
        what = "SELTHIX %s" % name
        text, page = read_page(os.path.join(d, "SELTHIX.html"), what)
        log = open(os.path.join(d, "SELTHIX.LOG"), encoding="utf-8").read()
        record = json.load(open(os.path.join(d, "SELTHIX.json"), encoding="utf-8"))
        check(page.data["record"] == record, "%s: the page's facts are the record's" % what)
        logged = re.findall(r"^ギャップ: .*?(\d\d:\d\d:\d\d:\d\d).*?(\d\d:\d\d:\d\d:\d\d)", log, re.M)
        shown = [(g["before"]["text"], g["after"]["text"])
                 for f in page.data["record"]["files"] for g in f["gaps"]]
        check(len(logged) == 2 and logged == shown,
              "%s: every gap of the log on the page: %r %r" % (what, logged, shown))
        summary = re.findall(r"^まとめ: .*$", log, re.M)
        check(summary == [page.data["summary"]], "%s: the log's summary" % what)
        capture = open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8").read().splitlines()
        check(in_order(page.data["totals"], log.splitlines()) and len(page.data["totals"]) >= 5,
              "%s: the log's totals: %r" % (what, page.data["totals"]))
        check(in_order(page.data["capture"]["lines"], capture) and
              "読み取りエラー区間の数: 2" in page.data["capture"]["lines"] and
              page.data["capture"]["summary"] == capture[-1],
              "%s: the capture's tallies and summary in its log's words: %r" % (what, page.data["capture"]))
        check(page.data["levels"] == level_strip(os.path.join(d, "KOVRANT.IMG")),
              "%s: the level strip: %r" % (what, page.data["levels"]))
        check("SELTHIX.html" not in p.stdout.decode("cp932") + p.stderr.decode("cp932"),
              "%s: the console says nothing of a page written" % what)
        wavs = [f["name"] for f in record["files"] if f["sha256"]]
        check(all(os.path.isfile(os.path.join(d, n)) for n in wavs),
              "%s: the players' files beside the page" % what)
        r = in_browser(os.path.join(d, "SELTHIX.html"), os.path.join(work, name + ".png"), what)
        if r is None:
            continue
        shown = page.data["totals"] + page.data["capture"]["lines"]
        check(all(line.replace(": ", "\t", 1) in r["text"] for line in shown) and
              not re.search(r"missingFrames|goodReads|errorReads", r["text"]),
              "%s: the totals as the logs label them, not the record's keys" % what)
        date = json.load(open(os.path.join(d, "KOVRANT.json"), encoding="utf-8"))["arrived"][:10]
        check(told(r, page, "SELTHIX: テープの全体 — %s 取り込み" % date, LEGEND, what) >= 3,
              "%s: the legend's marks on the page" % what)
        empty_files(r, record, page.data["labels"], what)
        players = [(x["file"], x["src"]) for x in r["players"]]
        want = [(k, f["name"].replace("#", "%23")) for k, f in enumerate(record["files"])
                if f["sha256"] and f["samplePairs"]]
        check(players == want, "%s: one player per file on it: %r" % (what, players))
        gaps = [(k, j) for k, f in enumerate(record["files"]) for j, _ in enumerate(f["gaps"])]
        marks = [(int(m["file"]), int(m["gap"])) for m in r["gapMarks"]]
        check(marks == gaps, "%s: a mark per gap: %r" % (what, marks))
        programs = [f for f in record["files"] if f["frames"] > 0 or f["firstAtime"]]
        check(r["programMarks"] == len(programs), "%s: a band per program" % what)
        names = r["programNames"]
        overlaps = [(a["text"], b["text"]) for k, a in enumerate(names) for b in names[k + 1:]
                    if a["x"] < b["x"] + b["width"] and b["x"] < a["x"] + a["width"] and
                    a["y"] < b["y"] + b["height"] and b["y"] < a["y"] + a["height"]]
        check(names and overlaps == [], "%s: the programs' names apart: %r" % (what, overlaps))
        events = [(k, j) for k, f in enumerate(record["files"]) for j, _ in enumerate(f["qc"]["events"])]
        kinds = sorted({e["kind"] for f in record["files"] for e in f["qc"]["events"]})
        check({"hold", "clip"} <= set(kinds) and
              [(m["file"], m["event"]) for m in r["qcMarks"]] == events and
              [(b["file"], b["event"]) for b in r["qcButtons"]] == events,
              "%s: a mark and a button per concealment event: %r %r" % (what, kinds, r["qcMarks"]))
        words = [b["text"] for b in r["qcButtons"]]
        check(all(page.data["labels"]["kinds"][record["files"][b["file"]]["qc"]["events"][b["event"]]["kind"]]
                  in b["text"] for b in r["qcButtons"]) and len(set(words)) == len(words),
              "%s: each event's button says its kind and place: %r" % (what, words))
        seeks = r["seeks"]
        check(len(seeks) == 2 * len(gaps) + 2 * len(events), "%s: every gap and event clicked" % what)
        for s in seeks:
            if not wavs:
                check(s["currentTime"] is None, "%s: no player to move" % what)
                continue
            f = record["files"][s["file"]]
            at = f["gaps"][s["gap"]] if s["gap"] is not None else f["qc"]["events"][s["event"]]
            want = max(0, at["sample"] / f["rate"] - 2)
            mark = "%s %s of %s" % (s["where"], s["gap"] if s["gap"] is not None else s["event"], f["name"])
            check(s["playing"], "%s: %s: the player plays" % (what, mark))
            check(s["currentTime"] is not None and abs(s["currentTime"] - want) <= FRAME_SECONDS,
                  "%s: %s: at %r, not %r" % (what, mark, s["currentTime"], want))


def merge(tools, work):
    sim, merge_program = tools[1], tools[3]
    d = os.path.join(work, "merge")
    os.makedirs(d)
    run([tools[2], "--seed", "9", "--programs", "3", "--frames", "1500", "tape.bin"], d,
        check=True)
    hostile = ["<script>alert(1)</script>", "a&b \"q\" 'r' " + "long " * 40, "<!--<script>",
               "ctl\x01\x1b[2J\r"]
    inputs = []
    for k, (name, faults) in enumerate(zip(hostile, ["read#500*30=lost:03/11",
                                                      "read#1500*30=lost:03/11",
                                                      "read#500*10=lost:03/11",
                                                      "read#900*10=lost:03/11"])):
        p = os.path.join(d, name)
        os.makedirs(p)
        run([sim], p, {"KOVRANT_SIM_TAPE": os.path.join(d, "tape.bin"), "KOVRANT_SIM_FAULTS": faults})
        inputs.append(os.path.join(name, "KOVRANT.IMG"))
    out = os.path.join(d, "out")
    os.makedirs(out)
    p = run([merge_program] + [os.path.join("..", i) for i in inputs], out)
    check(p.returncode == 0, "merge: exit %d" % p.returncode)
    page_path = os.path.join(out, "KOVRANT-MERGE.html")
    text, page = read_page(page_path, "merge")
    record = json.load(open(os.path.join(out, "KOVRANT-MERGE.json"), encoding="utf-8"))
    # The record names each input as given; the page shows it as the
    # console does, control characters escaped.
    given = [os.fsencode(os.path.join("..", i)) for i in inputs]
    paths = [named(i["path"]) for i in page.data["record"]["inputs"]]
    names = page.data.get("inputNames")
    check(page.data["record"] == record and paths == given and
          names == [shown(g) for g in given], "merge: every input named: %r" % names)
    data = text.split('id="data">')[1].split("</script>")[0]
    check(not set("<>&") & set(data) and len(data) > 1000,
          "merge: no '<', '>' or '&' inside the embedded data (they are escaped)")
    log = open(os.path.join(out, "KOVRANT-MERGE.LOG"), encoding="utf-8").read().splitlines()
    check(len(page.data["totals"]) == 2 and in_order(page.data["totals"], log),
          "merge: the report's totals: %r" % page.data["totals"])
    check(len(page.data["inputGaps"][0]) == 1 and len(page.data["inputGaps"][1]) == 1,
          "merge: each input's unread stretch: %r" % page.data["inputGaps"])
    with open(os.path.join(out, "tape.html"), "w", encoding="utf-8") as f:  # once its record has it
        f.write(text.replace(data, json.dumps(dict(page.data, record=dict(record, tape="SHELF-12")))
                             .replace("<", "\\u003c").replace(">", "\\u003e")
                             .replace("&", "\\u0026")))
    r = in_browser(os.path.join(out, "tape.html"), os.path.join(work, "tape.png"), "merge tape")
    check(r is None or r["heading"] == "kovrant-merge: テープの全体 — SHELF-12",
          "merge: the tape named")
    r = in_browser(page_path, os.path.join(work, "merge.png"), "merge", (800,))
    if r is None:
        return
    inside(r["widths"][0], "merge")  # the long name cut short
    check(told(r, page, "kovrant-merge: テープの全体", ["legendInputs", "legendUnread", "legendMerged",
               "legendMergeFilled", "legendMergeLeft", "legendDisagreement"], "merge") >= 6,
          "merge: the legend's marks on the page")
    check(all(s in r["text"] for s in names), "merge: the names shown as text")
    check(r["scripts"] == 2 and r["inputBands"] == 4, "merge: no script added, a row per input")
    refused = os.path.join(d, "refused")
    os.makedirs(refused)
    p = run([merge_program, os.path.join("..", inputs[0]), "missing.IMG"], refused)
    seen = in_browser(os.path.join(refused, "KOVRANT-MERGE.html"),
                      os.path.join(work, "refused.png"), "refused merge")
    check(p.returncode != 0 and (seen is None or "合計" not in seen["text"]),
          "refused merge: no totals heading over nothing")
    unread = [m for m in r["gapMarks"] if m["input"]]
    merged = [m for m in r["gapMarks"] if "merged" in m["classes"]]
    check(len(unread) == sum(len(g) for g in page.data["inputGaps"]) and
          len(merged) == len(record["gaps"]) and
          r["disagreements"] == len(record["disagreements"]),
          "merge: a mark per unread stretch, gap and disagreement")


def layout(tools, work):
    """Many short programs under long names (--tape-names), gaps close
    together and one near the end, a header-only file's stretch, emphasis, a
    gap before a file, a discontinuity, after a run of two programs more
    whose last file has changed since; in English, at widths 800 to 1600."""
    d, tape = os.path.join(work, "layout"), "SOME-LONG-IDENTITY-1"
    os.makedirs(d)

    def image(programs):  # program n + 1 at 40 n .. 40 n + 40, but for 12, 19 and after
        lost = {290, 291, 292, 296, 297, 298, 302, 303, 304, 2030, 2031, 2032, *range(600, 610)}
        spans = [range(40 * n, 40 * n + 40) for n in range(19)] + \
            [range(2000 + 40 * n, 2040 + 40 * n) for n in range(programs - 19)]
        spans[11], spans[18] = list(range(440, 460)) + list(range(450, 480)), range(720, 2000)
        frames = [gm.frame(p, program=n + 1, rate=2 * (n == 4), emphasis=int(n == 2),
                           loud=0 if 610 <= p < 620 else 3000)
                  for n, ps in enumerate(spans) for p in ps if p not in lost]
        with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
            f.write(b"".join(frames))
        return len(frames)
    image(22)
    first = run([tools[0], "--tape-names", "--tape", tape], d)
    with open(os.path.join(d, tape + "_022-48kHz.wav"), "ab") as f:
        f.write(b"changed")
    with open(os.path.join(d, "KOVRANT.json"), "w", encoding="utf-8") as f:
        json.dump({"ended": "2026-01-02T01:00:00-05:00", "arrived": "2026-01-01T23:30:00-05:00",
                   "tape": tape, "counts": {"framesWritten": image(20)}}, f)
    p = run([tools[0], "--tape-names"], d, {"LANG": "en_US.UTF-8"})
    page = read_page(os.path.join(d, "SELTHIX.html"), "layout")[1]
    record = page.data["record"]
    r = in_browser(os.path.join(d, "SELTHIX.html"), os.path.join(work, "layout.png"), "layout",
                   (800, 1000, 1280, 1600))
    if r is None:
        return
    title = "SELTHIX: the tape at a glance — %s, captured 2026-01-01" % tape
    check(first.returncode == p.returncode == 0 and told(r, page, title, LEGEND, "layout") == 8,
          "layout: every mark of the legend compared")
    empty_files(r, record, page.data["labels"], "layout")
    stale = {"removed": [tape + "_021-48kHz.wav"], "stale": [tape + "_022-48kHz.wav"]}
    check(record["earlierFiles"] == stale and stale["stale"][0] in (r["earlier"] or "") and
          page.data["labels"].get("earlierRemoved", "").replace("%s", "1") in r["earlier"],
          "layout: the earlier files told: %r" % r["earlier"])
    laid_out(r, record, "layout")


def odd_capture(tools, work):
    """The capture's record and log as a hostile or damaged directory holds
    them: the page is still written, never waits on a FIFO, and shows only
    a record that describes this image (this user's, ended, as many frames
    written as the image holds: KOVRANT.json, else KOVRANT-1.json where
    another user's stands in the way) with the log it names (a name of this
    directory only); a record too large or nested too deep is not read, and
    the console says so."""
    selthix, make_image = tools[0], tools[2]
    ended = {"ended": "2026-01-01T00:00:14+00:00"}
    cases = [  # (records by name, with the owner of each; logs; summary; tallies shown; said)
        ({"KOVRANT.json": {"firstAtime": {"text": 5}, "counts": {"goodReads": "x"},
                           "log": "KOVRANT-1.LOG"}},
         {"KOVRANT.LOG": "stale\nまとめ: 古い\n", "KOVRANT-1.LOG": "a\nまとめ: この取り込み\n"},
         "まとめ: この取り込み", True, ""),
        ({"KOVRANT.json": {"log": "KOVRANT.LOG"}}, {"KOVRANT.LOG": None}, "", True, ""),
        ({"KOVRANT.json": {"log": None}}, {"KOVRANT.LOG": "まとめ: 別の取り込み\n"}, "", True, ""),
        ({"KOVRANT.json": {"log": "../KOVRANT.LOG"}}, {}, "", True, ""),
        # Another user's record, this user's beside it.
        ({"KOVRANT.json": {"counts": {"errorReads": 30}, "log": "KOVRANT.LOG", "uid": 4242},
          "KOVRANT-1.json": {"log": "KOVRANT-1.LOG"}},
         {"KOVRANT.LOG": "まとめ: 別の取り込み\n", "KOVRANT-1.LOG": "まとめ: この取り込み\n"},
         "まとめ: この取り込み", True, ""),
        ({"KOVRANT.json": {"ended": None}}, {}, None, False, ""),  # not ended
        # This capture killed; an earlier one of the same tape kept beside it.
        ({"KOVRANT.json": {"ended": None}, "KOVRANT-1.json": {"log": "KOVRANT-1.LOG"}},
         {"KOVRANT-1.IMG": "kept", "KOVRANT-1.LOG": "まとめ: 前の取り込み\n"}, None, False, ""),
        ({"KOVRANT.json": {"counts": {"framesWritten": 1}}}, {}, None, False, ""),  # another image
        ({"KOVRANT.json": "[" * 10 ** 6}, {}, None, False, "KOVRANT.jsonは読みませんでした: どの"),
        ({"KOVRANT.json": " " * (17 << 20)}, {}, None, False, "KOVRANT.jsonは読みませんでした: 16MB"),
    ]
    for k, (records, files, summary, shown, said) in enumerate(cases):
        d = os.path.join(work, "capture%d" % k)
        os.makedirs(d)
        run([make_image, "--seed", "2", "--frames", "300", "KOVRANT.IMG"], d, check=True)
        frames = os.path.getsize(os.path.join(d, "KOVRANT.IMG")) // 5822
        with open(os.path.join(work, "KOVRANT.LOG"), "w", encoding="utf-8") as f:
            f.write("まとめ: 上の取り込み\n")
        for name, doc in records.items():
            path = os.path.join(d, name)
            with open(path, "w", encoding="utf-8") as f:
                if isinstance(doc, str):
                    f.write(doc)
                    continue
                doc = dict(ended, **doc)
                doc["counts"] = dict({"framesWritten": frames}, **doc.get("counts", {}))
                json.dump({k: v for k, v in doc.items() if k != "uid"}, f)
            if "uid" in doc:
                os.chown(path, doc["uid"], doc["uid"])
        for name, text in files.items():
            if text is None:
                os.mkfifo(os.path.join(d, name))
            else:
                with open(os.path.join(d, name), "w", encoding="utf-8") as f:
                    f.write(text)
        try:
            p = run([selthix, "--check"], d, timeout=60)
        except subprocess.TimeoutExpired:
            check(False, "odd capture %d: SELTHIX waited" % k)
            continue
        written = os.path.exists(os.path.join(d, "SELTHIX.html"))
        check(written, "odd capture %d: the page written (exit %d)" % (k, p.returncode))
        if not written:
            continue
        page = read_page(os.path.join(d, "SELTHIX.html"), "odd capture %d" % k)[1]
        capture = (page.data or {}).get("capture")
        console = p.stderr.decode("cp932", "replace")
        check(p.returncode == 0 and (capture is not None) == shown and
              (not shown or capture.get("summary") == summary and
               "最初のATIME: なし" in capture.get("lines", []) and
               "読み取りエラーの回数: 0" in capture.get("lines", [])),
              "odd capture %d: exit %d, %r" % (k, p.returncode, capture))
        check(console.startswith(said) if said else console == "",
              "odd capture %d: the console %r" % (k, console))


def main():
    tools = [os.path.abspath(t) for t in sys.argv[1:5]]
    work = tempfile.mkdtemp(prefix="pages-")
    try:
        faults(work)
        conversion(tools, work)
        layout(tools, work)
        odd_capture(tools, work)
        merge(tools, work)
    finally:
        if not os.environ.get("KEEP_PAGES"):
            shutil.rmtree(work, ignore_errors=True)
    if BROWSED:
        print("%d pages opened in Chromium (%s)" % (len(BROWSED), ", ".join(BROWSED)))
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
