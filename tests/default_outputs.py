"""The programs with no option against those of the pinned commit
(tests/pinned_commit, built by `scripts/build.sh --pinned`): SELTHIX over
generated images and kovrant-sim over generated tapes, both built from
frames whose identification bytes, packs and program numbers take every
value, and over make_image's synthesized tapes. Every output byte (each
file, standard output and error) and the exit status must be the same; a
difference is reported at its first byte. The changes made on purpose since
the pinned commit are listed in INTENDED, each by name with its reason, and
are the only differences allowed.

    default_outputs.py PINNED_BUILD CURRENT_BUILD [--cases N] [--seed S]"""
import ast
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import FRAME, check, verdict  # noqa: E402

PINNED_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pinned_commit")


def bcd(v):
    return (v // 10) << 4 | v % 10


def atime_pack(pos):
    """An ATIME pack for the frame `pos` frames from the start of the tape
    (published cycle)."""
    s = (pos * 3 + 2) // 100
    f = pos - s * 100 // 3
    return bytes([0x20, 0, 0, bcd(s // 3600 % 100), bcd(s // 60 % 60), bcd(s % 60), bcd(f), 0])


def audio(rng, kind):
    if kind == "silent":
        return bytes(5760)
    if kind == "noise":
        return rng.randbytes(5760)
    if kind == "quiet":  # a few low samples among zeros
        a = bytearray(5760)
        for _ in range(rng.randint(1, 4)):
            a[rng.randrange(0, 5760, 2)] = rng.randint(1, 3)
        return bytes(a)
    if kind == "tail":  # silent where a 44.1 kHz frame holds samples, noise after
        return bytes(5292) + rng.randbytes(468)
    level = rng.choice([1, 100, 3000, 32767])
    return (level.to_bytes(2, "little", signed=True) +
            (-level).to_bytes(2, "little", signed=True)) * 1440


AUDIO = ["silent", "noise", "quiet", "tail", "level"]


def packs(rng, pos):
    """Seven packs: items and bytes at random, an ATIME pack at a random
    place or none, now and then one that is not a time."""
    p = bytearray(rng.randbytes(56))
    for k in range(7):
        if p[8 * k] >> 4 == 2 and rng.random() < 0.7:
            p[8 * k] = (rng.choice([0, 1, 3, 4, 5, 15]) << 4) | (p[8 * k] & 15)
    if pos is not None and rng.random() < 0.9:
        k = rng.randrange(7)
        p[8 * k:8 * k + 8] = atime_pack(pos)
    return bytes(p)


def program_digits(rng):
    """Digits of a program number: mostly BCD, also hex digits and the
    texts that name no program (0aa, 0bb, 0ee)."""
    r = rng.random()
    if r < 0.15:
        return 0, rng.choice([0xA, 0xB, 0xE]), None
    if r < 0.3:
        return rng.randrange(16), rng.randrange(16), rng.randrange(16)
    n = rng.randrange(1, 200)
    return n // 100, n // 10 % 10, n % 10


def frame(rng, pos, digits, rate, aud):
    h, t, u = digits
    if u is None:
        u = t  # 0aa, 0bb, 0ee
    sub0 = rng.randrange(256)
    sub1 = h << 4 | rng.randrange(16)
    sub2 = t << 4 | u
    sub3 = rng.choice([0, 0, 0, rng.randrange(256)])
    main0 = (rng.randrange(256) & ~0x0C) | rate << 2
    main1 = rng.randrange(256)
    return audio(rng, aud) + packs(rng, pos) + bytes([sub0, sub1, sub2, sub3, main0, main1])


def structured_image(rng):
    """Runs of frames of one program and rate, every other identification
    bit at random, single-frame errors, lost stretches of tape time, silence
    around program changes and a tail of frames of no use."""
    out = []
    pos = rng.randrange(0, 100000)
    for _ in range(rng.randint(1, 6)):
        digits = program_digits(rng)
        rate = rng.choice([0, 0, 0, 1, 1, 2, 3])
        for k in range(rng.randint(1, 120)):
            aud = "silent" if k < rng.randint(0, 5) else rng.choice(AUDIO)
            f = frame(rng, pos if rng.random() < 0.95 else None, digits, rate, aud)
            if rng.random() < 0.03:  # one frame's identification misread
                f = f[:5816] + rng.randbytes(6)
            out.append(f)
            pos += 1 if rng.random() < 0.97 else rng.randint(2, 40)
    for _ in range(rng.randint(0, 8)):
        f = frame(rng, None, (0, 0, 0), 0, rng.choice(AUDIO))
        out.append(f[:5819] + bytes([rng.choice([0, 1])]) + f[5820:])
    return b"".join(out)


def wild_image(rng):
    """Every identification and pack byte at random in every frame."""
    return b"".join(rng.choice(["noise", "silent"]) == "silent" and
                    bytes(5760) + rng.randbytes(62) or rng.randbytes(FRAME)
                    for _ in range(rng.randint(1, 60)))


def images(rng, cases, make_image, work):
    """(name, image bytes) of every kind."""
    yield "empty", b""
    yield "short of a frame", rng.randbytes(FRAME - 1)
    for n in (1, 2, 3):
        yield "%d frames" % n, structured_image(rng)[:n * FRAME] + rng.randbytes(rng.randrange(3))
    made = [("--seed", "1"), ("--seed", "2", "--rate44", "2"), ("--seed", "3", "--32k"),
            ("--seed", "4", "--repeat", "--tail", "9"), ("--seed", "5", "--no-glitches"),
            ("--seed", "6", "--programs", "7", "--frames", "3000")]
    for args in made:
        path = os.path.join(work, "made.img")
        subprocess.run([make_image] + list(args) + [path], check=True)
        with open(path, "rb") as f:
            yield "make_image " + " ".join(args), f.read()
    for k in range(cases):
        yield ("wild %d" % k, wild_image(rng)) if k % 4 == 3 else ("structured %d" % k,
                                                                   structured_image(rng))


def sim_faults(rng, frames):
    faults = []
    for _ in range(rng.randint(0, 3)):
        n = rng.randint(1, max(1, frames))
        action = rng.choice(["lost:03/11", "02/03", "lost:03/11", "short:100", "fail"])
        faults.append("read#%d*%d=%s" % (n, rng.randint(1, 20), action))
    if rng.random() < 0.1:
        faults.append(rng.choice(["select#1=fail", "sense#2=fail", "tur#2=02/06", "open#1=fail"]))
    return ",".join(faults)


ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def texts(name):
    """The Japanese and the English of the text `name` (DAT_MESSAGE or
    DAT_FILE_TEXT in the message headers), as UTF-8 bytes."""
    for folder in ("common", "converter", "dumper", "merge"):
        for header in os.listdir(os.path.join(ROOT, folder)):
            if not header.endswith("_messages.h"):
                continue
            with open(os.path.join(ROOT, folder, header), encoding="utf-8") as f:
                source = f.read()
            m = re.search(r"DAT_(?:MESSAGE|FILE_TEXT)\(\s*%s,((?:\s*\"(?:[^\"\\]|\\.)*\")+),"
                          r"((?:\s*\"(?:[^\"\\]|\\.)*\")+)\)" % name, source)
            if m:
                return [ast.literal_eval("(%s)" % g).encode() if g.count('"') > 2 else
                        ast.literal_eval(g.strip()).encode() for g in (m.group(1), m.group(2))]
    raise KeyError(name)


def pattern(text):
    """A text's printf format as a regular expression over bytes, each
    conversion a group."""
    parts = re.split(rb"%[-+ #0-9.]*(?:ll|l)?[a-z]", text)
    return re.compile(b"(.*?)".join(re.escape(p) for p in parts) + b"$")


def cformat(fmt, *args):
    """printf's formatting of `args` by the format `fmt` (bytes)."""
    return re.sub(rb"%([-+ #0-9.]*)(?:ll|l)?([a-z])", rb"%\1\2", fmt) % args


def log_lines(outputs, change, name="SELTHIX.LOG"):
    """`outputs` with each line of its log `name` passed through `change`
    (a line, or None to leave it out)."""
    log = outputs["files"].get(name)
    if log is None:
        return outputs
    lines = [change(line) for line in log.split(b"\n")]
    files = dict(outputs["files"], **{name: b"\n".join(x for x in lines if x is not None)})
    return dict(outputs, files=files)


def without_gaps_outside(outputs):
    """The log as it was before the gaps outside files were told: their
    lines left out and the totals counted without them."""
    words = texts("kConversionLogBeforeFile") + texts("kConversionLogAfterFile")
    gap = [pattern(t) for t in texts("kConversionLogGap")]
    told = [0, 0]  # gaps, frames
    def leave_out(line):
        for p in gap:
            m = p.match(line)
            if m and m.group(6) in words:
                told[0] += 1
                told[1] += int(m.group(4))
                return None
        return line
    outputs = log_lines(outputs, leave_out)
    summary = texts("kConversionLogSummary")
    def recount(line):
        for fmt in texts("kConversionLogGaps"):
            m = pattern(fmt).match(line)
            if m:
                return cformat(fmt, int(m.group(1)) - told[0], int(m.group(2)) - told[1])
        for fmt in summary:
            m = pattern(fmt).match(line)
            if m:
                return cformat(fmt, m.group(1), int(m.group(2)), int(m.group(3)) - told[0],
                               int(m.group(4)) - told[1], int(m.group(5)))
        return line
    return log_lines(outputs, recount)


def without_quality(outputs):
    """The log as it was before each file's levels and concealment events
    and their totals were told: those lines left out."""
    kinds = [pattern(t) for name in ("kConversionLogLevels", "kConversionLogConcealed",
                                     "kConversionLogConcealedTotals") for t in texts(name)]
    return log_lines(outputs, lambda line: None if any(p.match(line) for p in kinds) else line)


def without_sense_codes(outputs):
    """The capture log as it was before it kept the drive's words: each
    stretch's line without its last field (the answers' sense key, ASC and
    ASCQ), and no line naming a sense code."""
    stretch = [pattern(t) for t in texts("kCaptureLogStretch")]
    named = [t.split(b"%")[0] for t in texts("kCaptureLogSenseCode")]  # its text before "%02X"

    def change(line):
        if any(line.startswith(p) for p in named):
            return None
        return line.rsplit(b" ", 1)[0] if any(p.match(line) for p in stretch) else line
    return log_lines(outputs, change, "KOVRANT.LOG")


# Each change of the outputs with no option made on purpose since the
# pinned commit: its name, why, and what undoes it in today's outputs. A
# difference that remains fails the test.
INTENDED = [
    ("records and pages",
     "SELTHIX.json, SELTHIX.html and KOVRANT.json, the records for machines and the page, are new "
     "files beside the logs",
     lambda o: dict(o, files={k: v for k, v in o["files"].items()
                              if k not in ("SELTHIX.json", "SELTHIX.html", "KOVRANT.json")})),
    ("gaps outside files",
     "a gap among the frames that no file holds (left out before a cut, or at the end of the "
     "image) was told nowhere; SELTHIX.LOG tells it with the file it lies before or after and "
     "counts it", without_gaps_outside),
    ("levels and concealment",
     "SELTHIX.LOG tells each file's peak, RMS and DC offset and the places where its audio looks "
     "held, muted, interpolated or clipped although the frames were read well, and their totals",
     without_quality),
    ("the drive's words",
     "KOVRANT.LOG gives each unread stretch's answers with the sense key, ASC and ASCQ of their "
     "sense data beside status and sense byte, and names each additional sense code they hold "
     "once, after the first stretch that holds it", without_sense_codes),
]


def run(program, d, env):
    p = subprocess.run([program], cwd=d, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       timeout=120)
    files = {}
    for name in sorted(os.listdir(d)):
        if name in ("KOVRANT.IMG",) and program.endswith("SELTHIX") or name == "tape.bin":
            continue
        with open(os.path.join(d, name), "rb") as f:
            files[name] = f.read()
    return {"status": p.returncode, "stdout": p.stdout, "stderr": p.stderr, "files": files}


def first_difference(a, b):
    n = next((k for k in range(min(len(a), len(b))) if a[k] != b[k]), min(len(a), len(b)))
    return "at byte %d: %r against %r" % (n, a[max(0, n - 20):n + 40], b[max(0, n - 20):n + 40])


APPLIED = {}  # runs whose outputs each intended change made differ


def compare(what, old, new):
    for name, _, undo in INTENDED:
        undone = undo(new)
        APPLIED[name] = APPLIED.get(name, 0) + (undone != new)
        new = undone
    same = True
    if old["status"] != new["status"]:
        check(False, "%s: exit status %d, pinned %d" % (what, new["status"], old["status"]))
        same = False
    for stream in ("stdout", "stderr"):
        if old[stream] != new[stream]:
            check(False, "%s: %s %s" % (what, stream, first_difference(new[stream], old[stream])))
            same = False
    names = set(old["files"]) | set(new["files"])
    for name in sorted(names):
        a, b = old["files"].get(name), new["files"].get(name)
        if a is None or b is None:
            check(False, "%s: %s %s" % (what, name, "not written" if b is None else "new"))
            same = False
        elif a != b:
            check(False, "%s: %s %s" % (what, name, first_difference(b, a)))
            same = False
    check(same, "%s: the same outputs" % what) if same else None
    return same


def main():
    pinned, current = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    args = sys.argv[3:]
    cases = int(args[args.index("--cases") + 1]) if "--cases" in args else 300
    seed = int(args[args.index("--seed") + 1]) if "--seed" in args else 20261208
    rng = random.Random(seed)
    programs = {
        "SELTHIX": ("converter/SELTHIX",),
        "kovrant-sim": ("simdrive/kovrant-sim",),
    }
    for name, (path,) in programs.items():
        for build in (pinned, current):
            if not os.path.exists(os.path.join(build, path)):
                print("%s not built in %s (scripts/build.sh --pinned)" % (name, build))
                return 1 if os.environ.get("CI") else 77
    make_image = os.path.join(current, "tools", "make_image")
    differing = 0
    with tempfile.TemporaryDirectory() as work:
        for k, (what, image) in enumerate(images(rng, cases, make_image, work)):
            lang = "en_US.UTF-8" if k % 5 == 4 else "C.UTF-8"
            base = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": lang, "TZ": "UTC"}
            outs = []
            for build in (pinned, current):
                d = tempfile.mkdtemp(dir=work)
                with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
                    f.write(image)
                outs.append(run(os.path.join(build, "converter", "SELTHIX"), d, base))
            if not compare("SELTHIX, %s (seed %d, %s)" % (what, seed, lang), *outs):
                differing += 1
            if k % 3 != 0 or len(image) < FRAME:
                continue
            env = dict(base, KOVRANT_SIM_TAPE="tape.bin",
                       KOVRANT_SIM_FAULTS=sim_faults(rng, len(image) // FRAME))
            outs = []
            for build in (pinned, current):
                d = tempfile.mkdtemp(dir=work)
                with open(os.path.join(d, "tape.bin"), "wb") as f:
                    f.write(image)
                outs.append(run(os.path.join(build, "simdrive", "kovrant-sim"), d, env))
            what = "kovrant-sim, %s, faults %r (seed %d, %s)" % (
                what, env["KOVRANT_SIM_FAULTS"], seed, lang)
            if not compare(what, *outs):
                differing += 1
    for name, reason, _ in INTENDED:
        print("intended: %s (%d runs): %s" % (name, APPLIED.get(name, 0), reason))
    print("%d runs differ from the pinned commit's" % differing)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
