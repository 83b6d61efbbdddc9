#!/usr/bin/env python3
"""SIGHUP, as the closing of a terminal or an ssh session sends it, to a
capture (kovrant-sim) and to a conversion (SELTHIX) at work: it interrupts
them as Ctrl-C does, but not a program started under nohup (SIGHUP
ignored), which reads the whole tape, or converts the whole image.

    hangup.py kovrant-sim SELTHIX make_image
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import check, record, verdict


def stopped_at_work(cmd, d, env, at_work):
    """`cmd` started in `d` and stopped (SIGSTOP) once `at_work(d)`; None
    when it ended first, five times."""
    for _ in range(5):
        for name in os.listdir(d):
            if name != "KOVRANT.IMG" or "KOVRANT_SIM_TAPE" in env:
                os.remove(os.path.join(d, name))
        p = subprocess.Popen(cmd, cwd=d, env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while p.poll() is None and not at_work(d) and time.monotonic() < deadline:
            time.sleep(0.0005)
        p.send_signal(signal.SIGSTOP)
        if p.poll() is None and at_work(d):
            return p
        p.kill()
        p.wait()
    return None


def main():
    sim, selthix, make_image = (os.path.abspath(a) for a in sys.argv[1:4])
    work = tempfile.mkdtemp(prefix="hangup.")
    try:
        tape = os.path.join(work, "tape.bin")
        subprocess.run([make_image, "--seed", "5", "--programs", "3", "--frames", "15000",
                        "--tail", "0", "--no-glitches", tape], check=True,
                       stdout=subprocess.DEVNULL)
        size = os.path.getsize(tape)

        def reading(d):
            image = os.path.join(d, "KOVRANT.IMG")
            return os.path.exists(image) and 0 < os.path.getsize(image) < size // 2

        def writing(d):
            return any(".wav.part-" in n for n in os.listdir(d))
        env = dict(os.environ, LANG="C.UTF-8")
        programs = {"capture": ([sim], dict(env, KOVRANT_SIM_TAPE=tape), reading,
                                "KOVRANT.json", "kovrant.schema.json"),
                    "conversion": ([selthix], env, writing, "SELTHIX.json",
                                   "selthix.schema.json")}
        cases = [  # what runs, under nohup, its exit status and ending
            ("capture", False, 1, "interrupted"),
            ("capture", True, 0, "blank-tape"),
            ("conversion", False, 3, "interrupted"),
            ("conversion", True, 0, "done"),
        ]
        for what, nohup, status, ending in cases:
            name = "%s%s" % (what, " under nohup" if nohup else "")
            cmd, run_env, at_work, record_name, schema = programs[what]
            d = os.path.join(work, name.replace(" ", "-"))
            os.makedirs(d)
            if what == "conversion":
                shutil.copy(tape, os.path.join(d, "KOVRANT.IMG"))
            p = stopped_at_work(["nohup"] * nohup + cmd, d, run_env, at_work)
            check(p is not None, "%s: held at work" % name)
            if p is None:
                continue
            p.send_signal(signal.SIGHUP)
            p.send_signal(signal.SIGCONT)
            code = p.wait()
            doc = record(os.path.join(d, record_name), schema) or {}
            check(code == status and doc.get("exitStatus") == status and
                  doc.get("ending") == ending,
                  "%s: exit %d, ending %r; not %d, %r" % (name, code, doc.get("ending"), status,
                                                         ending))
            if what == "capture" and nohup:
                with open(tape, "rb") as a, open(os.path.join(d, "KOVRANT.IMG"), "rb") as b:
                    check(a.read() == b.read(), "%s: the image is the whole tape" % name)
            if what == "conversion" and nohup:
                files = doc.get("files", [])
                check(len(files) >= 3 and all(f["state"] == "complete" and
                                              os.path.exists(os.path.join(d, f["name"]))
                                              for f in files) and
                      not [n for n in os.listdir(d) if ".part-" in n],
                      "%s: every file written: %r" % (name, [f["state"] for f in files]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
