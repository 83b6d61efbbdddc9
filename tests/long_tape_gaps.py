#!/usr/bin/env python3
"""A two-hour tape of 200 programs read by kovrant-sim with 3000 stretches
whose frames the drive loses, then SELTHIX --check: every unread stretch of
KOVRANT.json is one gap of SELTHIX.json, at the same image frame, with the
same ATIME around it and as many frames missing as reads were lost, also
those that fall among the frames that no file holds (the silence before a
cut, the tail of the image).

    long_tape_gaps.py SELTHIX kovrant-sim make_image"""
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

from checks import check, verdict

FRAMES = 240000  # two hours at 33 1/3 frames a second
STRETCHES = 3000


def faults(rng):
    """3000 lost stretches of 1 to 30 reads, apart from one another."""
    out, read = [], 0
    for _ in range(STRETCHES):
        read += rng.randint(2, 2 * FRAMES // STRETCHES - 40)
        length = rng.randint(1, 30)
        out.append("read#%d*%d=lost:03/11" % (read, length))
        read += length
    return ",".join(out)


def main():
    selthix, kovrant_sim, make_image = (os.path.abspath(a) for a in sys.argv[1:4])
    work = tempfile.mkdtemp(prefix="long-tape.")
    try:
        subprocess.run([make_image, "--seed", "11", "--programs", "200", "--frames", str(FRAMES),
                        "tape.bin"], cwd=work, check=True)
        env = dict(os.environ, KOVRANT_SIM_TAPE="tape.bin",
                   KOVRANT_SIM_FAULTS=faults(random.Random(5)))
        p = subprocess.run([kovrant_sim], cwd=work, env=env, capture_output=True)
        check(p.returncode == 0, "the capture: exit %d" % p.returncode)
        os.remove(os.path.join(work, "tape.bin"))
        p = subprocess.run([selthix, "--check"], cwd=work, capture_output=True)
        check(p.returncode == 4, "--check finds the gaps: exit %d" % p.returncode)
        with open(os.path.join(work, "KOVRANT.json"), encoding="utf-8") as f:
            stretches = json.load(f)["stretches"]
        with open(os.path.join(work, "SELTHIX.json"), encoding="utf-8") as f:
            doc = json.load(f)
        unread = sorted((s["imageFrame"], s["before"]["text"], s["after"]["text"], s["reads"])
                        for s in stretches)
        gaps = sorted((g["imageFrame"], g["before"]["text"], g["after"]["text"], g["missing"])
                      for f in doc["files"] for g in f["gaps"])
        outside = sum(g.get("place", "inside") != "inside" for f in doc["files"] for g in f["gaps"])
        check(len(unread) == STRETCHES, "%d stretches unread" % len(unread))
        check(gaps == unread and doc["totals"]["gaps"] == STRETCHES,
              "every unread stretch a gap: %d of %d, first differing %r" %
              (len(gaps), len(unread), next((a, b) for a, b in zip(unread + [None], gaps + [None])
                                            if a != b) if gaps != unread else None))
        check(outside > 0, "some lie where no file holds them: %d" % outside)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
