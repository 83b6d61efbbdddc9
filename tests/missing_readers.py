#!/usr/bin/env python3
"""The end-to-end checks when readers that are not ours are missing: each
leaves out only the checks that need them and runs the rest (skipped, 77);
under CI the run fails and names every reader missing.

    missing_readers.py SELTHIX kovrant-sim make_image kovrant-merge
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from checks import check, verdict

HERE = os.path.dirname(os.path.abspath(__file__))


def path_without(hidden, work):
    """A directory holding every program of PATH but the hidden ones."""
    bin_dir = tempfile.mkdtemp(dir=work)
    for d in os.environ.get("PATH", "").split(os.pathsep):
        if not os.path.isdir(d):
            continue
        for name in os.listdir(d):
            target, link = os.path.join(d, name), os.path.join(bin_dir, name)
            if name in hidden or os.path.lexists(link) or not os.access(target, os.X_OK):
                continue
            os.symlink(target, link)
    return bin_dir


def main():
    selthix, sim, make_image, merge = (os.path.abspath(a) for a in sys.argv[1:5])
    python, sh = sys.executable, shutil.which("sh")
    passed = r"^(\d+) checks passed; skipped for want of (.*)$"
    cases = [
        ([python, os.path.join(HERE, "gap_marking.py"), selthix, sim, make_image],
         {"ffprobe", "sndfile-info", "sha256sum", "iconv", "mediainfo"}, passed, ", "),
        ([python, os.path.join(HERE, "merge_passes.py"), merge, sim, make_image, selthix],
         {"iconv"}, passed, ", "),
        ([sh, os.path.join(HERE, "third_party_readers.sh"), selthix, make_image],
         {"soxi", "python3"}, r"^(\d+) files read; skipped for want of: (.*)$", " "),
    ]
    work = tempfile.mkdtemp(prefix="readers.")
    try:
        for cmd, hidden, closing, separator in cases:
            name = os.path.basename(cmd[1])
            env = dict(os.environ, PATH=path_without(hidden, work))
            env.pop("CI", None)
            p = subprocess.run(cmd, env=env, capture_output=True, text=True,
                               stdin=subprocess.DEVNULL)
            lines = p.stdout.splitlines()
            last = re.match(closing, lines[-1]) if lines else None
            check(p.returncode == 77, "%s without %s: exit %d, not 77" %
                  (name, sorted(hidden), p.returncode))
            check(last is not None and int(last.group(1)) > 0 and
                  set(last.group(2).split(separator)) == hidden,
                  "%s: the checks that need no missing reader ran: %r" % (name, lines[-1:]))
            check(not any(l.startswith("FAIL") for l in lines),
                  "%s: nothing failed: %r" % (name, [l for l in lines if l.startswith("FAIL")]))

            env["CI"] = "true"
            p = subprocess.run(cmd, env=env, capture_output=True, text=True,
                               stdin=subprocess.DEVNULL)
            failed = {l.split()[1] for l in p.stdout.splitlines()
                      if l.startswith("FAIL ") and l.endswith("not installed (under CI every "
                                                              "reader must be)")}
            check(p.returncode == 1, "%s under CI: exit %d, not 1" % (name, p.returncode))
            check(failed == hidden, "%s under CI: failures name %r" % (name, sorted(failed)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
