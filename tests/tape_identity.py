#!/usr/bin/env python3
"""The tape's identity through the three programs: --tape refused for every
kind of bad identity (exit 2, nothing written); recorded by the capture;
taken by SELTHIX from the capture's and the merge's records, into its
record, log, page, each file's bext reference and SELTHIX-CORE.csv; SELTHIX
refusing an identity that the image's record contradicts; the merge taking
its inputs' and refusing passes of two identities (--force merges them);
--tape-names naming the files after the tape.

    tape_identity.py KOVRANT-SIM SELTHIX KOVRANT-MERGE MAKE_IMAGE"""
import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile

from checks import check, valid_record, verdict

BAD = ["", ".hidden", "-dash", "a" * 33, "has space", "semi;colon", "slash/x", "ü", "tab\tx"]


def run(cmd, d, env=None, status=0):
    e = dict(os.environ, LANG="C.UTF-8")
    e.update(env or {})
    p = subprocess.run(cmd, cwd=d, env=e, capture_output=True, stdin=subprocess.DEVNULL)
    check(p.returncode == status, "%s in %s: exit %d, not %d: %r" %
          (cmd[1:], os.path.basename(d), p.returncode, status, p.stderr[-200:]))
    return p


def record(d, name, schema):
    with open(os.path.join(d, name), encoding="utf-8") as f:
        doc = json.load(f)
    valid_record(doc, schema, os.path.join(os.path.basename(d), name))
    return doc


def bext_reference(path):
    with open(path, "rb") as f:
        b = f.read()
    at = b.index(b"bext")
    return b[at + 8 + 256 + 32:at + 8 + 256 + 64].rstrip(b"\0").decode()


def main():
    sim, selthix, merge, make_image = (os.path.abspath(a) for a in sys.argv[1:5])
    work = tempfile.mkdtemp(prefix="tape.")
    try:
        tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "4", "--programs", "3", "--frames", "1500", tape],
                       check=True)
        env = {"KOVRANT_SIM_TAPE": tape}
        for k, bad in enumerate(BAD):  # every program refuses each, and writes nothing
            for n, program in enumerate((sim, selthix, merge)):
                d = os.path.join(work, "bad%d-%d" % (k, n))
                os.makedirs(d)
                args = [program, "--tape", bad] + (["a", "b"] if program == merge else [])
                p = run(args, d, env, status=2)
                check(os.listdir(d) == [] and p.stderr,
                      "%r refused by %s with a word, nothing written: %r" %
                      (bad, os.path.basename(program), os.listdir(d)))
        # Two passes of one tape, another tape's pass, and their merges.
        passes = {}
        for name, tape_id, faults in (("one", "SHELF-1", "read#300*20=lost:03/11"),
                                      ("two", "SHELF-1", "read#900*20=lost:03/11"),
                                      ("other", "SHELF-2", "")):
            d = os.path.join(work, name)
            os.makedirs(d)
            run([sim, "--tape", tape_id], d, dict(env, KOVRANT_SIM_FAULTS=faults))
            check(record(d, "KOVRANT.json", "kovrant.schema.json")["tape"] == tape_id and
                  "テープ: " + tape_id in open(os.path.join(d, "KOVRANT.LOG"), encoding="utf-8")
                  .read(), "%s: the capture records its tape" % name)
            passes[name] = d
        merged = os.path.join(work, "merged")
        os.makedirs(merged)
        run([merge, "../one/KOVRANT.IMG", "../two/KOVRANT.IMG"], merged)
        m = record(merged, "KOVRANT-MERGE.json", "kovrant-merge.schema.json")
        check(m["tape"] == "SHELF-1" and [i["tape"] for i in m["inputs"]] == ["SHELF-1"] * 2,
              "the merge takes its inputs' identity: %r" % m["tape"])
        refused = os.path.join(work, "refused")
        os.makedirs(refused)
        p = run([merge, "../one/KOVRANT.IMG", "../other/KOVRANT.IMG"], refused, status=1)
        r = record(refused, "KOVRANT-MERGE.json", "kovrant-merge.schema.json")
        check([x["code"] for x in r["refusals"]] == ["other-tape"] and
              not os.path.exists(os.path.join(refused, "KOVRANT.IMG")) and
              "SHELF-2" in p.stderr.decode("cp932"), "passes of two tapes refused: %r" %
              r["refusals"])
        forced = os.path.join(work, "forced")
        os.makedirs(forced)
        run([merge, "--force", "../one/KOVRANT.IMG", "../other/KOVRANT.IMG"], forced)
        # SELTHIX: from the merge's record, with --bwf; a contradicting --tape.
        run([selthix, "--bwf"], merged)
        c = record(merged, "SELTHIX.json", "selthix.schema.json")
        wavs = [f["name"] for f in c["files"] if f["samplePairs"]]
        rows = list(csv.DictReader(open(os.path.join(merged, "SELTHIX-CORE.csv"),
                                        encoding="utf-8", newline="")))
        page = open(os.path.join(merged, "SELTHIX.html"), encoding="utf-8").read()
        check(c["tape"] == "SHELF-1" and wavs and
              all(bext_reference(os.path.join(merged, n)) == "SHELF-1" for n in wavs) and
              {row["OriginatorReference"] for row in rows} == {"SHELF-1"} and
              "テープ: SHELF-1" in open(os.path.join(merged, "SELTHIX.LOG"),
                                      encoding="utf-8").read() and '"tape":"SHELF-1"' in page,
              "SELTHIX takes the merge's identity into record, bext, CSV, log and page")
        before = sorted(os.listdir(passes["two"]))
        p = run([selthix, "--tape", "SHELF-9"], passes["two"], status=2)
        check(sorted(os.listdir(passes["two"])) == before and b"SHELF-9" in p.stderr and
              b"SHELF-1" in p.stderr, "a contradicting --tape refused, nothing written")
        run([selthix, "--tape-names"], passes["one"])
        names = sorted(n for n in os.listdir(passes["one"]) if n.endswith(".wav"))
        check(names and all(n.startswith("SHELF-1_") and "#" not in n for n in names),
              "--tape-names: %r" % names)
        bare = os.path.join(work, "bare")
        os.makedirs(bare)
        shutil.copy(os.path.join(passes["one"], "KOVRANT.IMG"), bare)
        run([selthix, "--tape-names"], bare, status=2)
        check(os.listdir(bare) == ["KOVRANT.IMG"], "--tape-names without an identity refused")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
