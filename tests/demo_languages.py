"""scripts/demo.sh as a user runs it, in the C locale (Japanese) and in an
English one: it ends well in both, its text is UTF-8, and it shows the same:
the same sections, each as long, the logs' own lines, the two gaps in the
conversion log as in the record, every checksum OK. It runs the demo in the
work tree (scratch/demo), on the build already made.
    demo_languages.py"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import check, verdict  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ATIMES = r"(\d\d:\d\d:\d\d:\d\d)"


def demo(lang):
    """The demo's sections, heading to lines, under LANG=lang."""
    env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES", "LANGUAGE")}
    env["LANG"] = lang
    p = subprocess.run(["scripts/demo.sh"], cwd=ROOT, env=env, capture_output=True,
                       stdin=subprocess.DEVNULL, timeout=600)
    check(p.returncode == 0, "LANG=%s: exit %d: %r" % (lang, p.returncode, p.stderr[-500:]))
    try:
        text = p.stdout.decode("utf-8")
    except UnicodeDecodeError as e:
        check(False, "LANG=%s: UTF-8 shown: %s" % (lang, e))
        text = p.stdout.decode("utf-8", "replace")
    sections, lines = {}, None
    for line in text.splitlines():
        if line.startswith("== "):
            lines = sections.setdefault(line, [])
        elif lines is not None and line:
            lines.append(line)
    logs = [open(os.path.join(ROOT, "scratch", "demo", name), encoding="utf-8").read().splitlines()
            for name in ("KOVRANT.LOG", "SELTHIX.LOG")]
    return sections, logs


def section(sections, start):
    return next((lines for heading, lines in sections.items() if heading.startswith(start)), [])


def main():
    runs = {lang: demo(lang) for lang in ("C", "en_US.UTF-8")}
    for lang, (sections, (capture, conversion)) in runs.items():
        what = "LANG=%s" % lang
        check(section(sections, "== KOVRANT.LOG") == capture, "%s: the capture log" % what)
        shown = section(sections, "== SELTHIX.LOG")
        lines = iter(conversion)
        check(shown and all(line in lines for line in shown),
              "%s: lines of the conversion log, in its order: %r" % (what, shown))
        gaps = [re.findall(ATIMES, line) for line in shown if len(re.findall(ATIMES, line)) == 2]
        record = [re.findall(ATIMES, line) for line in section(sections, "== SELTHIX.json")]
        check(len(gaps) == 2 and gaps == record, "%s: the gaps, log and record: %r %r"
              % (what, gaps, record))
        sums = section(sections, "== The files against")
        wavs = [line for line in section(sections, "== WAV files") if line.endswith(".wav")]
        check(wavs and len(sums) == len(wavs) and all(s.endswith(": OK") for s in sums),
              "%s: every file's checksum OK: %r" % (what, sums))
    (ja, _), (en, _) = runs.values()
    check(list(ja) == list(en), "the same sections: %r %r" % (list(ja), list(en)))
    check([len(lines) for lines in ja.values()] == [len(lines) for lines in en.values()],
          "each section as long in both")
    same = [h for h in ja if h.startswith(("== SELTHIX.json", "== #", "== The files against"))]
    check(len(same) == 4 and all(ja[h] == en.get(h) for h in same),
          "the record's gaps, the labels and the checksums alike: %r" % same)
    check(ja != en, "the two runs told apart by their language")
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
