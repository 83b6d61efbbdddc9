#!/usr/bin/env python3
"""What the drive concealed, through SELTHIX on images with damage planted at
known places (a hold inside a tone, a mute inside speech from espeak-ng with
a noise floor, a line drawn across noise, a clipped sine, a DC offset) and
the same sounds clean: every event of SELTHIX.json is one that a reader of
the WAV file written from the definitions alone finds, exactly (kind, first
sample, length, channel), the planted one among them, and none in the clean
sounds or the demo tape; each file's peak, RMS and DC offset agree with
ffmpeg's astats; --check finds the same; a run across a gap kept with
--keep-time is cut there; the access copy (--de-emphasis) and a long-play
stretch (--long-play) are measured from their own samples.

    concealment.py SELTHIX make_image"""
import array
import json
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

from checks import check, have, valid_record, verdict
import long_play as lp

RATE, PAIRS = 48000, 1440
LOUD, REACH = 33, 480


def runs(values, same):
    """Maximal runs (start, length) of consecutive items for which
    same(previous, item) holds."""
    out, start = [], 0
    for k in range(1, len(values) + 1):
        if k == len(values) or not same(values[k - 1], values[k]):
            out.append((start, k - start))
            start = k
    return out


def events(pairs, gaps=(), rate=RATE):
    """The events the definitions give for the stereo `pairs` of a file
    whose pairs gaps [(start, length)] are filled silence: runs never cross
    a gap, and a gap's pairs are zeros that are no run."""
    cuts = sorted(gaps)
    pieces, at = [], 0
    for start, length in cuts:
        pieces.append((at, start))
        at = start + length
    pieces.append((at, len(pairs)))
    loud = [max(abs(l), abs(r)) >= LOUD for l, r in pairs]
    for start, length in cuts:
        for k in range(start, start + length):
            loud[k] = False
    found = []
    for a, b in pieces:
        piece = pairs[a:b]
        for c in (0, 1):
            ch = [p[c] for p in piece]
            for s, n in runs(ch, lambda x, y: x == y):
                if n >= 3 and ch[s] in (32767, -32768):
                    found.append(("clip", a + s, n, c))
            steps = [y - x for x, y in zip(ch, ch[1:])]
            for s, n in runs(steps, lambda x, y: x == y):
                if steps and steps[s] != 0 and n + 1 >= 32:
                    found.append(("interpolation", a + s, n + 1, c))
        for s, n in runs(piece, lambda x, y: x == y):
            l, r = piece[s]
            if n >= 32 and max(abs(l), abs(r)) >= LOUD and not {l, r} & {32767, -32768}:
                found.append(("hold", a + s, n, None))
            if (l, r) == (0, 0) and 32 <= n < rate:
                first = a + s
                if any(loud[max(0, first - REACH):first]) and \
                        any(loud[first + n:first + n + REACH]):
                    found.append(("mute", first, n, None))
    return sorted(found, key=lambda e: (e[1], -1 if e[3] is None else e[3]))


def wav_pairs(path):
    with open(path, "rb") as f:
        b = f.read()
    at = b.index(b"data")
    data = array.array("h", b[at + 8:at + 8 + int.from_bytes(b[at + 4:at + 8], "little")])
    return list(zip(data[0::2], data[1::2]))


def astats(path):
    """ffmpeg's astats of a file: per channel (peak dB, RMS dB, DC offset)."""
    p = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-i", path, "-af", "astats",
                        "-f", "null", "-"], capture_output=True, text=True)
    out, cur = [], None
    for line in p.stderr.splitlines():
        m = re.search(r"\] (Channel: \d+|Overall|DC offset|Peak level dB|RMS level dB): ?(.*)$",
                      line)
        if not m:
            continue
        key, value = m.group(1), m.group(2)
        if key.startswith("Channel"):
            cur = {}
            out.append(cur)
        elif key == "Overall":
            cur = None
        elif cur is not None:
            cur[key] = float(value) if value not in ("-inf", "inf", "nan") else None
    return out


def frames_of(pairs, emphasis=0, lost=()):
    """48 kHz frames of program 0, ATIME from 0; those in `lost` left out."""
    out = []
    for k in range(len(pairs) // PAIRS):
        if k in lost:
            continue
        audio = array.array("h", [v for p in pairs[k * PAIRS:(k + 1) * PAIRS] for v in p])
        out.append(lp.frame(audio.tobytes(), k, 0, emphasis=emphasis))
    return b"".join(out)


def sounds(work):
    """Seconds of sound, each as stereo pairs: a tone, speech with a noise
    floor (espeak-ng's pauses are exact digital silence), noise, a clipped
    sine and a sine with a DC offset of 0.01."""
    rng = random.Random(7)
    n = 3 * RATE // PAIRS * PAIRS
    made = {
        "tone": [(int(8000 * math.sin(k * 2 * math.pi * 440 / RATE)) + rng.randint(-4, 4),
                  int(5000 * math.sin(k * 2 * math.pi * 660 / RATE)) + rng.randint(-4, 4))
                 for k in range(n)],
        "noise": [(rng.randint(-2000, 2000), rng.randint(-2000, 2000)) for _ in range(n)],
        "clipped": [tuple(max(-32768, min(32767, int(1.5 * 32767 * math.sin(k * 2 * math.pi *
                                                                         f / RATE))))
                          for f in (300, 450)) for k in range(n)],
        "dc": [(int(9000 * math.sin(k * 2 * math.pi * 500 / RATE)) + 328 + rng.randint(-2, 2),
                rng.randint(-3000, 3000)) for k in range(n)],
    }
    if have("espeak-ng"):
        wav = os.path.join(work, "speech.wav")
        subprocess.run(["espeak-ng", "-w", wav, "-s", "140",
                        "Every frame of this tape was read, and yet the sound is gone."],
                       check=True)
        raw = subprocess.run(["sox", wav, "-t", "raw", "-e", "signed", "-b", "16", "-c", "2",
                              "-r", str(RATE), "-"], capture_output=True, check=True).stdout
        s = array.array("h", raw)
        pairs = [(l + rng.choice((-3, -2, -1, 1, 2, 3)), r + rng.choice((-3, -2, -1, 1, 2, 3)))
                 for l, r in zip(s[0::2], s[1::2])]
        made["speech"] = pairs[:len(pairs) // PAIRS * PAIRS]
    return made


def planted(made):
    """Each sound with its damage: (name, pairs, the planted event)."""
    out = []
    tone = list(made["tone"])
    for k in range(60000, 60040):  # the last sample held
        tone[k] = tone[59999]
    out.append(("held tone", tone, "hold"))
    noise = list(made["noise"])
    for i in range(64):  # a line across 64 samples of the left channel
        noise[90000 + i] = (-1500 + 47 * i, noise[90000 + i][1])
    out.append(("line across noise", noise, "interpolation"))
    out.append(("clipped sine", made["clipped"], "clip"))
    if "speech" in made:
        speech = list(made["speech"])
        loud = max(range(REACH, len(speech) - REACH - 100), key=lambda k: abs(speech[k][0]))
        for k in range(loud, loud + 100):
            speech[k] = (0, 0)
        out.append(("muted speech", speech, "mute"))
    return out


def convert(selthix, work, name, image, args=()):
    d = os.path.join(work, re.sub(r"\W+", "-", name))
    os.makedirs(d)
    with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
        f.write(image)
    p = subprocess.run([selthix] + list(args), cwd=d, capture_output=True)
    with open(os.path.join(d, "SELTHIX.json"), encoding="utf-8") as f:
        doc = json.load(f)
    valid_record(doc, "selthix.schema.json", name)
    return d, p.returncode, doc


def told(f):
    return [(e["kind"], e["sample"], e["length"], e["channel"]) for e in f["qc"]["events"]]


def agrees(d, f, what, gaps=()):
    """One file's events against the definitions and its figures against
    astats; the events found."""
    pairs = wav_pairs(os.path.join(d, f["name"]))
    want = events(pairs, gaps)
    check(told(f) == want, "%s: %s: events %r, the definitions give %r" %
          (what, f["name"], told(f)[:6], want[:6]))
    if have("ffmpeg") and pairs:
        stats = astats(os.path.join(d, f["name"]))
        qc = f["qc"]
        for c, s in enumerate(stats[:2]):
            for key, mine, tol in (("Peak level dB", qc["peakDb"][c], 0.01),
                                   ("RMS level dB", qc["rmsDb"][c], 0.01),
                                   ("DC offset", qc["dcOffset"][c], 1e-6 + 5e-7)):
                theirs = s.get(key)
                check((mine is None and theirs is None) or
                      (mine is not None and theirs is not None and abs(mine - theirs) <= tol),
                      "%s: %s channel %d %s: %r, astats %r" % (what, f["name"], c, key, mine,
                                                               theirs))
    return want


def main():
    selthix, make_image = (os.path.abspath(a) for a in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="concealment.")
    try:
        made = sounds(work)
        for name, pairs in made.items():
            if name == "clipped":
                continue
            d, status, doc = convert(selthix, work, "clean " + name, frames_of(pairs))
            for f in doc["files"]:
                check(agrees(d, f, "clean " + name) == [], "clean %s: no event" % name)
            if name == "dc":
                check(abs(doc["files"][0]["qc"]["dcOffset"][0] - 328 / 32768) < 1e-4,
                      "the DC offset of 0.01: %r" % doc["files"][0]["qc"]["dcOffset"])
        for name, pairs, kind in planted(made):
            d, status, doc = convert(selthix, work, name, frames_of(pairs))
            found = agrees(d, doc["files"][0], name)
            check(any(e[0] == kind for e in found), "%s: the %s found: %r" % (name, kind, found))
            check(doc["totals"]["events"][kind] == sum(e[0] == kind for e in found),
                  "%s: the totals count it" % name)
            _, _, checked = convert(selthix, work, name + " check", frames_of(pairs), ["--check"])
            check(told(checked["files"][0]) == told(doc["files"][0]), name + ": --check finds it")
        # A hold across frames lost and kept to their length: cut at the gap.
        tone = list(made["tone"])
        for k in range(20 * PAIRS - 40, 22 * PAIRS + 40):
            tone[k] = (1234, -617)
        d, _, doc = convert(selthix, work, "hold across a gap", frames_of(tone, lost={20, 21}),
                            ["--keep-time"])
        f = doc["files"][0]
        gaps = [(g["sample"], g["missing"] * PAIRS) for g in f["gaps"] if g["filled"]]
        found = agrees(d, f, "hold across a gap", gaps)
        check(gaps == [(20 * PAIRS, 2 * PAIRS)] and
              [(e[1], e[2]) for e in found] == [(20 * PAIRS - 40, 40), (22 * PAIRS, 40)],
              "the hold cut at the gap: %r %r" % (gaps, found))
        # The access copy, measured from its own samples.
        d, _, doc = convert(selthix, work, "copy", frames_of(made["clipped"], emphasis=1),
                            ["--de-emphasis"])
        for f in doc["files"]:
            agrees(d, f, "access copy")
        copy = [f for f in doc["files"] if f["derivedFrom"]]
        check(len(copy) == 1 and told(copy[0]) != told(doc["files"][0]),
              "the copy's events are its own")
        # A long-play stretch, decoded: a hold planted in its sound.
        rng = random.Random(3)
        lp_sound = array.array("h", [v for k in range(60 * lp.PAIRS) for v in (
            int(6000 * math.sin(k * 2 * math.pi * 330 / 32000)) + rng.randint(-6, 6),
            int(4000 * math.sin(k * 2 * math.pi * 550 / 32000)) + rng.randint(-6, 6))])
        for k in range(30000, 30050):
            lp_sound[2 * k], lp_sound[2 * k + 1] = lp_sound[2 * 29999], lp_sound[2 * 29999 + 1]
        stretch, _ = lp.long_play_frames(lp_sound, lp.LAYOUTS[0], 100, set())
        around = [lp.frame(frames_of(made["noise"])[5822 * k:5822 * k + 5760], p, 0)
                  for k, p in enumerate(range(0, 100))]
        after = [lp.frame(frames_of(made["noise"])[5822 * k:5822 * k + 5760], 220 + k, 0)
                 for k in range(100)]
        d, _, doc = convert(selthix, work, "long play", b"".join(around + stretch + after),
                            ["--long-play"])
        long_play = [f for f in doc["files"] if f["longPlay"]]
        check(len(long_play) == 1, "one long-play file: %r" % [f["name"] for f in doc["files"]])
        for f in long_play:
            found = agrees(d, f, "long play")
            check(any(e[0] == "hold" and e[2] >= 50 for e in found),
                  "the hold in the long-play stretch: %r" % found)
        # One frame; the demo tape.
        d, _, doc = convert(selthix, work, "one frame", frames_of(made["noise"][:PAIRS]))
        check(len(doc["files"]) == 1 and agrees(d, doc["files"][0], "one frame") == [],
              "one frame measured")
        demo = os.path.join(work, "demo.img")
        subprocess.run([make_image, "--seed", "1", "--programs", "5", "--frames", "6000",
                        "--repeat", demo], check=True)
        with open(demo, "rb") as f:
            d, _, doc = convert(selthix, work, "demo", f.read())
        for f in doc["files"]:
            agrees(d, f, "demo")
        check(sum(doc["totals"]["events"].values()) == 0, "the demo: no event")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
