#!/usr/bin/env python3
"""kovrant-collection end to end: three tapes captured by kovrant-sim under
three identities (one clean and captured twice, so that an earlier capture is
kept; one damaged, read twice and merged in a third directory; one at 44.1 kHz
with program changes), converted, beside a conversion that failed, a pass
never converted and a directory without records.

    collection.py kovrant-collection kovrant-sim make_image SELTHIX kovrant-merge [--no-browser]

COLLECTION.json is valid by its schema and says what each directory's records
say, fact by fact, in the documented order with the documented verdicts;
COLLECTION.csv, read by Python's csv module, holds the same rows; the page,
in headless Chromium (tests/browser_page.py), shows every tape, sorts by
each column and links each SELTHIX.html where it stands. --verify finds a
flipped byte, a deleted file, a truncated file and an MD5 that the record
gives otherwise, and nothing in untouched directories. Each bag passes a
validator written here from RFC 8493 and sha256sum -c; a bag that cannot be
completed (a file in the way, a file that differs, a full disk) leaves
nothing half-made.
"""
import csv
import hashlib
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from urllib.parse import urlparse
from urllib.request import url2pathname

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_page  # noqa: E402
from checks import check, have, record, verdict  # noqa: E402

VERDICT_WORDS = {
    "C": {"complete": "完全", "gaps": "欠落あり", "not-converted": "未変換",
          "failed": "変換失敗", "changed": "ファイルが記録と違う", "no-records": "記録なし"},
    "en": {"complete": "complete", "gaps": "gaps", "not-converted": "not converted",
           "failed": "conversion failed", "changed": "files changed", "no-records": "no records"},
}


class Tools:
    def __init__(self, argv, work):
        self.collection, self.sim, self.make_image, self.selthix, self.merge = argv
        self.work = work

    def run(self, cmd, cwd, lang="C", env=None, status=None):
        e = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
        e.update(env or {}, LANG=lang)
        p = subprocess.run(cmd, cwd=cwd, env=e, capture_output=True, stdin=subprocess.DEVNULL)
        if status is not None:
            check(p.returncode == status, "%s in %s: exit %d, not %d: %r" % (
                cmd[0], cwd, p.returncode, status, p.stderr[-400:]))
        return p

    def tape(self, name, *options):
        path = os.path.join(self.work, name + ".bin")
        subprocess.run([self.make_image] + list(options) + [path], check=True,
                       stdout=subprocess.DEVNULL)
        return path

    def capture(self, d, tape, identity, faults=""):
        os.makedirs(d, exist_ok=True)
        self.run([self.sim, "--tape", identity], d,
                 env={"KOVRANT_SIM_TAPE": tape, "KOVRANT_SIM_FAULTS": faults})

    def convert(self, d, *options, status=0):
        os.makedirs(d, exist_ok=True)
        self.run([self.selthix] + list(options), d, status=status)

    def collect(self, cwd, *args, status=0, lang="C"):
        os.makedirs(cwd, exist_ok=True)
        return self.run([self.collection] + list(args), cwd, lang=lang, status=status)


def tapes(tools):
    """The directories, as given from the collection's directory."""
    t = os.path.join(tools.work, "tapes")
    clean = tools.tape("a", "--seed", "1", "--programs", "3", "--frames", "900")
    damaged = tools.tape("b", "--seed", "2", "--programs", "2", "--frames", "1200")
    rate44 = tools.tape("c", "--seed", "3", "--rate44", "2", "--programs", "4", "--frames", "1200")
    tools.capture(os.path.join(t, "A"), clean, "TAPE-A", "read#300*10=lost:03/11")
    tools.capture(os.path.join(t, "A"), clean, "TAPE-A")  # the first kept as KOVRANT-1.*
    tools.capture(os.path.join(t, "B pass 1"), damaged, "TAPE-B", "read#200*20=lost:03/11")
    tools.capture(os.path.join(t, "B pass 2"), damaged, "TAPE-B", "read#600*10=lost:03/11")
    os.makedirs(os.path.join(t, "B merged"))
    tools.run([tools.merge, "../B pass 1/KOVRANT.IMG", "../B pass 2/KOVRANT.IMG"],
              os.path.join(t, "B merged"), status=0)
    tools.capture(os.path.join(t, "C"), rate44, "TAPE-C")
    tools.convert(os.path.join(t, "A"), "--bwf")
    tools.convert(os.path.join(t, "B pass 1"))
    tools.convert(os.path.join(t, "B merged"), "--bwf", "--keep-time")
    tools.convert(os.path.join(t, "C"), "--bwf")
    tools.convert(os.path.join(t, "F"), "--tape", "TAPE-F", status=1)  # no image: failed
    os.makedirs(os.path.join(t, "empty"))
    dirs = ["../tapes/" + n for n in ("C", "B merged", "empty", "A", "B pass 2", "F", "B pass 1")]
    dirs[0] = os.path.join(t, "C")  # one given by its absolute path
    return dirs


def load(d, name):
    path = os.path.join(d, name)
    return json.load(open(path, encoding="utf-8")) if os.path.exists(path) else None


def expected(d, here):
    """What the collection should say of the directory `d`, from its records
    read here."""
    cap, mer, con = (load(d, n) for n in ("KOVRANT.json", "KOVRANT-MERGE.json", "SELTHIX.json"))
    tape = next((r["tape"] for r in (con, mer, cap) if r and r.get("tape")), None)
    if not (cap or mer or con):
        v = "no-records"
    elif con is None or con["check"]:
        v = "not-converted"
    elif con["ending"] != "done" or con["exitStatus"] != 0:
        v = "failed"
    elif con["totals"]["gaps"] or con["totals"]["discontinuities"]:
        v = "gaps"
    else:
        v = "complete"
    e = {"tape": tape, "verdict": v, "capture": None, "merge": None, "conversion": None,
         "page": os.path.relpath(os.path.join(d, "SELTHIX.html"), here).replace(os.sep, "/")
         if os.path.exists(os.path.join(d, "SELTHIX.html")) else None}
    if cap:
        e["capture"] = {k: cap[k] for k in ("tape", "started", "arrived", "ended", "drive",
                                            "ending", "exitStatus")}
        e["capture"].update(frames=cap["counts"]["framesWritten"],
                            unreadStretches=cap["counts"]["stretches"])
    if mer:
        e["merge"] = {"inputs": [{"path": i["path"], "tape": i["tape"]} for i in mer["inputs"]],
                      "frames": mer["output"]["frames"], "ending": mer["ending"],
                      "missingFrames": mer["totals"]["missingFrames"]}
    if con:
        files = [f for f in con["files"] if f["derivedFrom"] is None]
        t = con["totals"]
        e["conversion"] = {
            "ending": con["ending"], "exitStatus": con["exitStatus"], "options": con["options"],
            "files": len(con["files"]), "framesConverted": sum(f["frames"] for f in files),
            "duration": round(sum(f["duration"] for f in files), 3),
            "emptyFiles": sum(f["samplePairs"] == 0 for f in con["files"]),
            "longPlayFiles": sum(f["longPlay"] is not None or f["state"].startswith("long-play")
                                 for f in con["files"]),
            "emphasisFiles": sum(f["emphasis"]["on"] > 0 for f in files),
            "gaps": t and t["gaps"], "discontinuities": t and t["discontinuities"],
            "missingFrames": t and t["missingFrames"], "events": t and t["events"],
            "imageFrames": (con["image"] or {}).get("frames")}
    return e


def agrees(doc, dirs, here, what):
    """Every entry against its directory's records, in the collection's order."""
    entries = doc["tapes"]
    given = [e["path"]["text"] for e in entries]
    check(sorted(given) == sorted(dirs), "%s: every directory listed once: %r" % (what, given))
    keys = [(e["tape"] is None, e["tape"] or "", e["path"]["text"]) for e in entries]
    check(keys == sorted(keys), "%s: by identity, then path: %r" % (what, keys))
    for e in entries:
        d = os.path.join(here, e["path"]["text"])
        want = expected(d, here)
        for key in ("tape", "verdict", "page"):
            check(e[key] == want[key], "%s %s: %s %r, not %r" % (what, d, key, e[key], want[key]))
        for part in ("capture", "merge", "conversion"):
            got = e[part] and {k: e[part][k] for k in (want[part] or {})}
            check(got == want[part], "%s %s: %s %r, not %r" % (what, d, part, got, want[part]))
        kept = sorted(n for n in os.listdir(d) if re.match(r"KOVRANT-\d+\.(IMG|json)$", n))
        listed = sorted(n for k in e["keptCaptures"] for n in (k["image"], k["record"]) if n)
        check(kept == listed, "%s %s: kept captures %r, not %r" % (what, d, listed, kept))
    counts = {v: sum(e["verdict"] == v for e in entries) for v in VERDICT_WORDS["en"]}
    check(doc["totals"]["verdicts"] == counts and doc["totals"]["directories"] == len(dirs),
          "%s: totals %r" % (what, doc["totals"]))
    return {e["path"]["text"]: e for e in entries}


def csv_rows(path, doc, what):
    """COLLECTION.csv read by the csv module: one row per entry, in its order,
    with the entry's facts; CR LF after every row."""
    raw = open(path, "rb").read()
    check(raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""),
          "%s: CR LF line ends only" % what)
    rows = list(csv.DictReader(io.StringIO(raw.decode("utf-8"), newline="")))
    check(len(rows) == len(doc["tapes"]), "%s: %d rows" % (what, len(rows)))
    for row, e in zip(rows, doc["tapes"]):
        c, v = e["capture"] or {}, e["conversion"] or {}
        want = {"tape": e["tape"] or "", "path": e["path"]["text"], "verdict": e["verdict"],
                "framesRead": str(c.get("frames", "")), "drive": c.get("drive", ""),
                "files": str(v.get("files", "")), "gaps": str(v.get("gaps", "")),
                "duration": str(v["duration"]) if v else "", "page": e["page"] or "",
                "mergeInputs": "; ".join(i["path"]["text"] for i in (e["merge"] or {}).get(
                    "inputs", [])),
                "changed": "; ".join(p["name"] for p in (e["verify"] or {}).get("problems", []))}
        got = {k: row[k] for k in want}
        check(got == want, "%s: row %r, not %r" % (what, got, want))
    return rows


def page(path, doc, lang, what):
    """The page in Chromium: every tape's row, its links resolving, each column sorting."""
    if "--no-browser" in sys.argv:
        return None
    if browser_page.python() is None:
        return have("python3-selenium")
    p = subprocess.run([browser_page.python(), browser_page.__file__, path],
                       capture_output=True, timeout=300)
    check(p.returncode == 0, "%s: the browser: %r" % (what, p.stderr[-500:]))
    if p.returncode != 0:
        return None
    r = json.loads(p.stdout)
    t = r["table"]
    check(not r["errors"] and not r["dialogs"] and
          r["requests"] == [browser_page.pathlib.Path(path).as_uri()],
          "%s: errors %r, requests %r" % (what, r["errors"], r["requests"]))
    shown = [(row["path"], row["tape"], row["verdict"]) for row in t["rows"]]
    want = [(e["path"]["text"], e["tape"] or "", VERDICT_WORDS[lang][e["verdict"]])
            for e in doc["tapes"]]
    check(shown == want, "%s: the rows %r, not %r" % (what, shown, want))
    for links, e in zip(t["links"], doc["tapes"]):
        target = [url2pathname(urlparse(a["url"]).path) for a in links]
        real = os.path.join(os.path.dirname(path), e["path"]["text"], "SELTHIX.html")
        check((e["page"] is None and not links) or
              (len(target) == 1 and os.path.exists(target[0]) and os.path.samefile(target[0], real)),
              "%s: the link of %s: %r" % (what, e["path"]["text"], links))
    for bar, e in zip(t["bars"], doc["tapes"]):
        parts = {b["part"]: b for b in bar}
        v = e["conversion"] or {}
        check(parts["converted"]["width"] <= parts["read"]["width"] and
              str(v.get("framesConverted", 0)) in parts["converted"]["title"],
              "%s: the bar of %s: %r" % (what, e["path"]["text"], bar))
    for s in t["sorts"]:
        if s["key"] not in ("frames", "files", "gaps", "tape"):
            continue
        values = [row[s["key"]] for row in s["rows"] if row[s["key"]] != ""]
        values = values if s["key"] == "tape" else [int(x) for x in values]
        ordered = sorted(values, reverse=s["sort"] == "descending")
        check(values == ordered and len(s["rows"]) == len(doc["tapes"]) and
              s["sort"] == ("ascending" if s["click"] == 1 else "descending") and
              all(row[s["key"]] == "" for row in s["rows"][len(values):]),
              "%s: sorted by %s (%s): %r" % (what, s["key"], s["sort"], values))
    return r


def console(p, doc, lang, what):
    out = p.stdout.decode("cp932" if lang == "C" else "utf-8")
    v = doc["totals"]["verdicts"]
    counts = (len(doc["tapes"]), v["complete"], v["gaps"], v["not-converted"], v["failed"],
              v["changed"], v["no-records"])
    summary = ("まとめ: %d ディレクトリ (完全 %d、欠落あり %d、未変換 %d、変換失敗 %d、"
               "ファイルが記録と違う %d、記録なし %d)" if lang == "C" else
               "Summary: %d directories (complete %d, gaps %d, not converted %d, conversion "
               "failed %d, files changed %d, no records %d)") % counts
    lines = out.splitlines()
    check(lines and lines[-1] == summary, "%s: the summary %r" % (what, lines[-1:]))
    for e in doc["tapes"]:
        head = "%s  %s: %s" % (e["tape"] or ("(識別名なし)" if lang == "C" else "(no identity)"),
                               e["path"]["text"], VERDICT_WORDS[lang][e["verdict"]])
        check(any(l.startswith(head) for l in lines), "%s: no line %r" % (what, head))
    return out


def collection(tools, dirs):
    here = os.path.join(tools.work, "coll")
    docs = {}
    for lang in ("C", "en_US.UTF-8"):
        cwd = os.path.join(here, lang)
        p = tools.collect(cwd, *[d if os.path.isabs(d) else os.path.join("..", d) for d in dirs],
                          lang=lang)
        check(p.returncode == 0, "collection (%s): exit %d: %r" % (lang, p.returncode, p.stderr))
        doc = record(os.path.join(cwd, "COLLECTION.json"), "collection.schema.json")
        if doc is None:
            return None
        given = [d if os.path.isabs(d) else os.path.join("..", d) for d in dirs]
        agrees(doc, given, cwd, "collection (%s)" % lang)
        csv_rows(os.path.join(cwd, "COLLECTION.csv"), doc, "csv (%s)" % lang)
        short = "C" if lang == "C" else "en"
        console(p, doc, short, "console (%s)" % lang)
        page(os.path.join(cwd, "COLLECTION.html"), doc, short, "page (%s)" % lang)
        docs[lang] = doc
    strip = [dict(d, made=None) for d in docs.values()]
    check(strip[0] == strip[1], "the document the same in both languages but for its time")
    by = {os.path.basename(e["path"]["text"]): e for e in docs["C"]["tapes"]}
    check([by[n]["verdict"] for n in ("A", "B pass 1", "B pass 2", "B merged", "C", "F", "empty")]
          == ["complete", "gaps", "not-converted", "complete", "complete", "failed", "no-records"],
          "the verdicts: %r" % {n: e["verdict"] for n, e in by.items()})
    check(len(by["A"]["keptCaptures"]) == 1 and by["A"]["keptCaptures"][0]["capture"]
          ["unreadStretches"] == 1 and by["C"]["conversion"]["files"] >= 4,
          "the kept capture of A, the programs of C")
    return docs["C"]


def first_wav(d):
    return os.path.join(d, sorted(n for n in os.listdir(d) if n.endswith(".wav"))[1])


def verify(tools, dirs):
    """--verify over a copy of the tapes: untouched, then each kind of damage."""
    t = os.path.join(tools.work, "verify")
    shutil.copytree(os.path.join(tools.work, "tapes"), os.path.join(t, "tapes"), symlinks=True)
    here = os.path.join(t, "coll")
    given = ["../tapes/" + os.path.basename(d) for d in dirs]
    p = tools.collect(here, "--verify", *given, status=0)
    doc = record(os.path.join(here, "COLLECTION.json"), "collection.schema.json")
    named = 0
    for e in (doc or {}).get("tapes", []):
        conv = load(os.path.join(here, e["path"]["text"]), "SELTHIX.json")
        names = {w["name"] for w in conv["written"]} | {f["name"] for f in conv["files"]
                                                       if f["sha256"]} if conv else set()
        check(e["verify"]["files"] == len(names) and not e["verify"]["problems"],
              "verify untouched: %s checked %r" % (e["path"]["text"], e["verify"]))
        named += len(names)
    check(doc and doc["verify"] and doc["totals"]["filesChanged"] == 0 and
          doc["totals"]["filesVerified"] == named, "verify untouched: %r" % (doc and doc["totals"]))
    a, b, c = (os.path.join(t, "tapes", n) for n in ("A", "B merged", "C"))
    flipped, deleted, truncated = first_wav(a), first_wav(c), first_wav(b)
    with open(flipped, "r+b") as f:  # one byte of the audio
        f.seek(2000)
        byte = f.read(1)
        f.seek(2000)
        f.write(bytes([byte[0] ^ 1]))
    os.remove(deleted)
    with open(truncated, "r+b") as f:
        f.truncate(os.path.getsize(truncated) - 1000)
    conv = load(os.path.join(t, "tapes", "C"), "SELTHIX.json")  # an MD5 the record gives otherwise
    other = next(f for f in conv["files"] if f["md5"] and f["name"] != os.path.basename(deleted))
    other["md5"] = "0" * 32
    json.dump(conv, open(os.path.join(c, "SELTHIX.json"), "w"))
    want = {(flipped, ("md5-data", "sha256")), (deleted, ("missing",)),
            (truncated, ("no-md5-chunk", "sha256", "size")),
            (os.path.join(c, other["name"]), ("md5-chunk",))}
    for lang in ("C", "en_US.UTF-8"):
        p = tools.collect(here, "--verify", *given, status=5, lang=lang)
        doc = record(os.path.join(here, "COLLECTION.json"), "collection.schema.json") or {}
        found = {(os.path.normpath(os.path.join(here, e["path"]["text"], q["name"])),
                  tuple(sorted(q["problems"])))
                 for e in doc.get("tapes", []) for q in e["verify"]["problems"]}
        check(found == {(n, w) for n, w in want}, "verify (%s): %r, not %r" % (lang, found, want))
        out = p.stdout.decode("cp932" if lang == "C" else "utf-8")
        for name, _ in want:
            shown = os.path.relpath(name, here)
            check(("  %s: " % shown) in out, "verify (%s): the console names %s" % (lang, shown))
        rows = csv_rows(os.path.join(here, "COLLECTION.csv"), doc, "verify csv (%s)" % lang)
        check(sum(int(r["changedFiles"] or 0) for r in rows) == 4 and
              {r["verdict"] for r in rows if r["changed"]} == {"changed"},
              "verify csv (%s): the changed files" % lang)
    page(os.path.join(here, "COLLECTION.html"), doc, "en", "verify page")


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for piece in iter(lambda: f.read(1 << 20), b""):
            h.update(piece)
    return h.hexdigest()


def manifest(path):
    """{file: digest} of a manifest (RFC 8493 2.1.3: digest, whitespace, path
    with %, CR and LF percent-encoded)."""
    out = {}
    for line in open(path, encoding="utf-8").read().splitlines():
        digest, name = re.match(r"^([0-9a-f]{64})[ \t]+(.+)$", line).groups()
        name = name.replace("%0A", "\n").replace("%0D", "\r").replace("%25", "%")
        check(name not in out, "%s: %s listed once" % (path, name))
        out[name] = digest
    return out


def valid_bag(bag, identity, conversion_dir):
    """The bag by RFC 8493: bagit.txt; every payload file listed with its
    digest and nothing else; Payload-Oxum; the tag manifest of every tag file;
    bag-info.txt; sha256sum -c of both manifests; the payload the files the
    conversion wrote, with their recorded digests."""
    what = "bag " + bag
    check(open(os.path.join(bag, "bagit.txt"), "rb").read() ==
          b"BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n", what + ": bagit.txt")
    files = {os.path.relpath(os.path.join(r, n), bag).replace(os.sep, "/")
             for r, _, ns in os.walk(bag) for n in ns}
    payload = {f for f in files if f.startswith("data/")}
    listed = manifest(os.path.join(bag, "manifest-sha256.txt"))
    check(set(listed) == payload and all(sha256(os.path.join(bag, f)) == d
                                         for f, d in listed.items()), what + ": the manifest")
    info = dict(l.split(": ", 1) for l in open(os.path.join(bag, "bag-info.txt")).read()
                .splitlines())
    octets = sum(os.path.getsize(os.path.join(bag, f)) for f in payload)
    check(info.get("Payload-Oxum") == "%d.%d" % (octets, len(payload)) and
          info.get("External-Identifier") == identity and
          re.match(r"^\d{4}-\d{2}-\d{2}$", info.get("Bagging-Date", "")) and
          info.get("Bag-Software-Agent", "").startswith("kovrant-collection "),
          what + ": bag-info.txt %r" % info)
    tags = files - payload - {"tagmanifest-sha256.txt"}
    told = manifest(os.path.join(bag, "tagmanifest-sha256.txt"))
    check(set(told) == tags and all(sha256(os.path.join(bag, f)) == d for f, d in told.items()),
          what + ": the tag manifest %r" % sorted(told))
    for m in ("manifest-sha256.txt", "tagmanifest-sha256.txt"):
        p = subprocess.run(["sha256sum", "--quiet", "-c", m], cwd=bag, capture_output=True)
        check(p.returncode == 0, "%s: sha256sum -c %s: %r" % (what, m, p.stdout[-300:]))
    conv = load(conversion_dir, "SELTHIX.json")
    check(sorted("data/" + w["name"] for w in conv["written"]) == sorted(payload) and
          all(listed["data/" + w["name"]] == w["sha256"] for w in conv["written"] if w["sha256"]),
          what + ": the payload is what the conversion wrote")
    check(all(os.path.samefile(os.path.join(bag, "data", w["name"]),
                               os.path.join(conversion_dir, w["name"])) for w in conv["written"]),
          what + ": hard links on one file system")
    check({"tags/SELTHIX.json", "tags/SELTHIX.LOG", "tags/SELTHIX.html"} <= tags, what + ": tags")


def nothing_half_made(d, what):
    left = [n for n in os.listdir(d) if ".part-" in n]
    check(not left, "%s: left %r" % (what, left))



def listing(d):
    return sorted((os.path.relpath(os.path.join(r, n), d), os.lstat(os.path.join(r, n)).st_ino,
                   os.lstat(os.path.join(r, n)).st_mtime_ns)
                  for r, ds, ns in os.walk(d) for n in ds + ns)


def bags(tools, dirs):
    here = os.path.join(tools.work, "bagging")
    given = ["../tapes/" + os.path.basename(d) for d in dirs]
    tools.collect(here, "--bag", "bags", *given, status=0)
    doc = record(os.path.join(here, "COLLECTION.json"), "collection.schema.json") or {"tapes": []}
    by = {os.path.basename(e["path"]["text"]): e["bag"] for e in doc["tapes"]}
    states = {n: (b["state"], b["code"]) for n, b in by.items()}
    check(states == {"A": ("written", None), "B merged": ("written", None),
                     "C": ("written", None), "B pass 1": ("refused", "other"),
                     "B pass 2": ("refused", "not-converted"), "F": ("refused", "failed"),
                     "empty": ("refused", "no-identity")}, "bags: %r" % states)
    bagged = os.path.join(here, "bags")
    check(sorted(os.listdir(bagged)) == ["TAPE-A", "TAPE-B", "TAPE-C"], "bags: the bags' names")
    for name, tape in (("A", "TAPE-A"), ("B merged", "TAPE-B"), ("C", "TAPE-C")):
        valid_bag(os.path.join(bagged, tape), tape, os.path.join(tools.work, "tapes", name))
    # Each bag there already: nothing replaced, nothing left beside them.
    before = listing(bagged)
    p = tools.collect(here, "--bag", "bags", *given, status=1, lang="en_US.UTF-8")
    check(listing(bagged) == before and b"Could not make the bag bags/TAPE-A: something stands "
          b"under its name. Nothing half-made was left." in p.stderr, "bags again: %r" % p.stderr)
    nothing_half_made(bagged, "bags again")
    # A payload file that differs from its record.
    t = os.path.join(tools.work, "bag-differs")
    shutil.copytree(os.path.join(tools.work, "tapes", "A"), os.path.join(t, "A"))
    with open(first_wav(os.path.join(t, "A")), "r+b") as f:
        f.seek(3000)
        f.write(b"\x55\xaa")
    tools.collect(t, "--bag", "bags", "A", status=1)
    b = (record(os.path.join(t, "COLLECTION.json"), "collection.schema.json") or
         {"tapes": [{"bag": None}]})["tapes"][0]["bag"]
    check(b and b["state"] == "failed" and b["code"] == "differs" and
          b["file"] == "data/" + os.path.basename(first_wav(os.path.join(t, "A"))) and
          os.listdir(os.path.join(t, "bags")) == [], "a bag with a file that differs: %r" % b)
    full_disk(tools)


def full_disk(tools):
    d = os.path.join(tools.work, "full")
    os.makedirs(d)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", d]).returncode != 0:
        return print("no tmpfs could be mounted: the full disk not tried")
    try:
        p = tools.collect(d, "--bag", "bags", os.path.join(tools.work, "tapes", "C"), status=1,
                          lang="en_US.UTF-8")
        doc = json.load(open(os.path.join(d, "COLLECTION.json")))
        b = doc["tapes"][0]["bag"]
        check(b["state"] == "failed" and b["code"] == "write-failed" and b["errno"] == 28 and
              os.listdir(os.path.join(d, "bags")) == [] and
              b"No space left on device. Nothing half-made was left." in p.stderr,
              "a full disk: %r %r" % (b, p.stderr))
    finally:
        subprocess.run(["umount", d])


def command_line(tools):
    here = os.path.join(tools.work, "arguments")
    for args, status in ((["--help"], 0), ([], 2), (["--frobnicate", "x"], 2),
                         (["no such directory"], 2), (["--bag", "COLLECTION.txt", "."], 2)):
        os.makedirs(here, exist_ok=True)
        open(os.path.join(here, "COLLECTION.txt"), "w").close()
        p = tools.collect(here, *args, status=status, lang="en_US.UTF-8")
        check(sorted(os.listdir(here)) == ["COLLECTION.txt"],
              "%r writes nothing: %r" % (args, os.listdir(here)))
    p = tools.collect(here, "--help", lang="en_US.UTF-8")
    check(all(o in p.stdout for o in (b"--verify", b"--bag DIR", b"Exit status: 0 done")),
          "--help names the options")


def hostile(tools):
    """A record nested too deep under a name that is markup, and a record that
    names a file outside its directory: read as nothing and as a name
    refused, the page showing the name as text; a directory given twice is
    listed once."""
    t = os.path.join(tools.work, "hostile")
    deep = os.path.join(t, "deep <img src=x onerror=alert(1)> <script>alert(2)<\\script>&lt;")
    os.makedirs(deep)
    open(os.path.join(deep, "SELTHIX.json"), "w").write("[" * 40 + "]" * 40)
    named = os.path.join(t, "named")
    shutil.copytree(os.path.join(tools.work, "tapes", "A"), named)
    conv = load(named, "SELTHIX.json")
    conv["written"].append({"name": "../A/KOVRANT.IMG", "bytes": 1, "modified": 0, "sha256": None})
    json.dump(conv, open(os.path.join(named, "SELTHIX.json"), "w"))
    here = os.path.join(t, "coll")
    p = tools.collect(here, "--verify", "../" + os.path.basename(deep), "../named",
                      os.path.abspath(named), status=5, lang="en_US.UTF-8")
    doc = record(os.path.join(here, "COLLECTION.json"), "collection.schema.json") or {"tapes": []}
    by = {os.path.basename(e["path"]["text"]): e for e in doc["tapes"]}
    check(len(doc["tapes"]) == 2 and b"is the same directory as ../named: it is counted once"
          in p.stdout, "a directory given twice: %r" % p.stdout[-300:])
    e = by.get(os.path.basename(deep), {})
    check(e.get("recordsNotRead") == [{"name": "SELTHIX.json", "why": "too-deep"}] and
          e.get("verdict") == "no-records" and b"SELTHIX.json was not read: nested deeper" in
          p.stderr, "a record nested too deep: %r %r" % (e, p.stderr[-300:]))
    problems = by.get("named", {}).get("verify", {}).get("problems")
    check(problems == [{"name": "../A/KOVRANT.IMG", "problems": ["name"], "errno": None}],
          "a name outside the directory: %r" % problems)
    page(os.path.join(here, "COLLECTION.html"), doc, "en", "the hostile page")
    p = tools.collect(here, "--bag", "bags", "../named", status=1, lang="en_US.UTF-8")
    b = (load(here, "COLLECTION.json") or {"tapes": [{}]})["tapes"][0].get("bag") or {}
    check(b.get("code") == "name" and b.get("file") == "../A/KOVRANT.IMG" and
          os.listdir(os.path.join(here, "bags")) == [], "a bag of a name refused: %r" % b)


def main():
    argv = [os.path.abspath(a) for a in sys.argv[1:6]]
    work = tempfile.mkdtemp(prefix="collection.")
    try:
        tools = Tools(argv, work)
        command_line(tools)
        dirs = tapes(tools)
        collection(tools, dirs)
        verify(tools, dirs)
        bags(tools, dirs)
        hostile(tools)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
