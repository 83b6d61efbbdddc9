#!/usr/bin/env python3
"""Long play and de-emphasis through SELTHIX, against audio made by tools
that are not ours (espeak-ng speaking, sox sweeping and mixing):

    long_play.py SELTHIX

1. For each named layout, a long-play stretch between two 48 kHz ones, its
   ATIME moving on by two a frame, with frames lost inside it: --long-play
   takes that layout, the WAV file holds exactly the expansion of the codes
   with the lost frames' silence where --keep-time keeps them, the log names
   the layout and the step; the 48 kHz files are those of a run without the
   option, and without it the stretch stays a placeholder.
2. Random bytes, white noise and four channels are refused, with scores.
3. --de-emphasis: a copy only of a file with pre-emphasis, its tones at the
   level the 50/15 us curve gives them, marked as derived.
Exit 0 when all hold, 1 when not, 77 when a reader is missing.
"""
import array
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

from checks import FRAME, check, have, verdict

PAIRS = 1920  # a long-play frame's stereo pairs

# The layouts' names as the log gives them, and how each packs codes A, B.
LAYOUTS = [
    ("A-B-nibbles, L/R alternating", "nib", "alt"),
    ("24-bit big-endian, L/R alternating", "be", "alt"),
    ("24-bit little-endian, L/R alternating", "le", "alt"),
    ("A-B-swapped-nibbles, L/R alternating", "swap", "alt"),
    ("A-B-nibbles, all L then all R", "nib", "split"),
    ("24-bit big-endian, all L then all R", "be", "split"),
    ("24-bit little-endian, all L then all R", "le", "split"),
    ("A-B-swapped-nibbles, all L then all R", "swap", "split"),
]


def expand(c):
    """The 12-bit code's 16-bit value, segment by segment as published."""
    if c < 0x200:
        return c
    if c < 0x800:
        return ((c & 0xFF) + 0x100) << ((c >> 8) - 1)
    if c == 0x800:
        return 0
    if c < 0xE00:
        return ((c & 0xFF) - 0x200) << (14 - (c >> 8))
    return c - 0x1000


VALUES = sorted((expand(c), c) for c in range(0x1000) if c != 0x800)


def compress(v):
    lo, hi = 0, len(VALUES) - 1
    while lo < hi:  # the first value >= v
        mid = (lo + hi) // 2
        if VALUES[mid][0] < v:
            lo = mid + 1
        else:
            hi = mid
    best = VALUES[lo]
    if lo > 0 and abs(VALUES[lo - 1][0] - v) <= abs(best[0] - v):
        best = VALUES[lo - 1]
    return best[1]


def pack(kind, a, b):
    if kind == "nib":
        return bytes([a >> 4, b >> 4, (a & 15) << 4 | (b & 15)])
    if kind == "swap":
        return bytes([a >> 4, b >> 4, (b & 15) << 4 | (a & 15)])
    v = a << 12 | b
    return v.to_bytes(3, "big" if kind == "be" else "little")


def bcd(v):
    return (v // 10) << 4 | v % 10


def frame(audio, pos, rate, quant=0, emphasis=0, channels=0):
    """A frame at tape position `pos` (ATIME as a recorder of the published
    cycle numbers it)."""
    s = (pos * 3 + 2) // 100
    packs = bytearray(56)
    packs[0:8] = bytes([0x20, 0, 0, bcd(s // 3600), bcd(s // 60 % 60), bcd(s % 60),
                        bcd(pos - s * 100 // 3), 0])
    main = bytes([emphasis << 4 | rate << 2 | channels, quant << 6])
    return audio.ljust(5760, b"\0") + bytes(packs) + bytes([0, 1, 0, 0]) + main


def pcm(path, rate):
    """A sound file as 16-bit stereo samples at `rate`, through sox."""
    raw = subprocess.run(["sox", path, "-t", "raw", "-e", "signed", "-b", "16", "-c", "2",
                          "-r", str(rate), "-"], capture_output=True, check=True).stdout
    return array.array("h", raw)


def sounds(work):
    """Speech, a sweep and a music-like mix, each a few seconds of stereo."""
    made = []
    speech = os.path.join(work, "speech.wav")
    if have("espeak-ng"):
        subprocess.run(["espeak-ng", "-w", speech, "-s", "150",
                        "The recording was made in long play, on a portable recorder, in the "
                        "field."], check=True)
        left = os.path.join(work, "left.wav")
        subprocess.run(["sox", speech, "-r", "32000", "-c", "1", left, "gain", "-n", "-3"],
                       check=True)
        subprocess.run(["sox", "-M", left, left, speech + ".st.wav", "remix", "1", "2v0.6"],
                       check=True)
        made.append(("speech", pcm(speech + ".st.wav", 32000)))
    sweep = os.path.join(work, "sweep.wav")
    subprocess.run(["sox", "-n", "-r", "32000", "-c", "2", sweep, "synth", "3", "sine",
                    "100-4000", "sine", "3000-150", "gain", "-3"], check=True)
    made.append(("sweep", pcm(sweep, 32000)))
    mix = os.path.join(work, "mix.wav")
    subprocess.run(["sox", "-n", "-r", "32000", "-c", "2", mix, "synth", "3", "sine", "220",
                    "sine", "330", "sine", "440", "sine", "660", "tremolo", "4", "40",
                    "gain", "-6"], check=True)
    made.append(("mix", pcm(mix, 32000)))
    return made


def long_play_frames(samples, layout, first_pos, lost, channels=0):
    """Long-play frames of `samples` in `layout`, ATIME moving on by two a
    frame from `first_pos`; frames whose index is in `lost` are left out.
    Returns the frames and the 16-bit pairs a decoder must give for them."""
    _, kind, order = layout
    frames, expected = [], []
    count = len(samples) // (2 * PAIRS)
    for k in range(count):
        chunk = samples[2 * PAIRS * k:2 * PAIRS * (k + 1)]
        left = [compress(v) for v in chunk[0::2]]
        right = [compress(v) for v in chunk[1::2]]
        codes = [c for pair in zip(left, right) for c in pair] if order == "alt" else left + right
        audio = b"".join(pack(kind, codes[2 * g], codes[2 * g + 1]) for g in range(PAIRS))
        if k in lost:
            expected.append(None)
            continue
        frames.append(frame(audio, first_pos + 2 * k, 2, quant=1, channels=channels))
        expected.append(array.array("h", [expand(c) for p in zip(left, right) for c in p]))
    return frames, expected


def run(selthix, work, name, image, args):
    d = os.path.join(work, name)
    os.makedirs(d)
    with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
        f.write(image)
    p = subprocess.run([selthix] + args, cwd=d, capture_output=True, stdin=subprocess.DEVNULL)
    console = subprocess.run(["iconv", "-f", "CP932", "-t", "UTF-8"], input=p.stdout + p.stderr,
                             capture_output=True).stdout.decode()
    log = open(os.path.join(d, "SELTHIX.LOG"), encoding="utf-8").read()
    return d, p.returncode, console, log


def data(path):
    with open(path, "rb") as f:
        b = f.read()
    at = b.index(b"data")
    size = int.from_bytes(b[at + 4:at + 8], "little")
    return b[at + 8:at + 8 + size]


def each_layout(selthix, work, made):
    loud = [frame(b"\x10\x20" * 2880, p, 0) for p in range(0, 100)]
    for (sound, samples), layout in [(made[k % len(made)], l) for k, l in enumerate(LAYOUTS)]:
        what = "%s in %s" % (sound, layout[0])
        lp, expected = long_play_frames(samples, layout, 100, {10, 11, 12, 13, 14})
        tail = [frame(b"\x10\x20" * 2880, p, 0) for p in range(100 + 2 * len(expected),
                                                               200 + 2 * len(expected))]
        image = b"".join(loud + lp + tail)
        slug = re.sub(r"\W+", "-", what)
        d, status, console, log = run(selthix, work, slug, image, ["--long-play", "--keep-time"])
        check(status == 0, "%s: exit %d: %s" % (what, status, console[-300:]))
        check("長時間モードの配置: %s (" % layout[0] in log, "%s: the layout named" % what)
        check("長時間モードのATIME: フレームごとに 2 進みます" in log, "%s: the step" % what)
        gaps = re.findall(r"欠落=(\d+) フレーム", log)
        check(gaps == ["5"], "%s: the lost frames as one gap of 5: %r" % (what, gaps))
        # The stretch's first frame closes the 48 kHz file before it (the rate
        # changes there); the lost frames' silence stands where they were.
        want = b"".join(e.tobytes() if e is not None else bytes(4 * PAIRS) for e in expected[1:])
        got = data(os.path.join(d, "#000-32kHz.wav"))
        # The first frame of the next stretch belongs to this file (the rate
        # changes there): its 48 kHz bytes decoded as long play follow.
        check(got[:len(want)] == want, "%s: the expansion of the codes, silence at the gap" % what)
        plain, _, _, plainlog = run(selthix, work, slug + "-plain", image, ["--keep-time"])
        check(len(data(os.path.join(plain, "#000-32kHz.wav"))) == 0 and
              "ヘッダーのみ (12ビットの長時間モードは変換できません)" in plainlog,
              "%s: without --long-play a placeholder as before" % what)
        for n in ("#000-48kHz.wav", "#000-48kHz-2.wav"):
            check(data(os.path.join(d, n)) == data(os.path.join(plain, n)),
                  "%s: %s as without the option" % (what, n))


def refused(selthix, work, made):
    rng = random.Random(5)
    noise = array.array("h", [int(rng.gauss(0, 6000)) for _ in range(2 * PAIRS * 40)])
    cases = [("random bytes", [frame(rng.randbytes(5760), 2 * k, 2, quant=1) for k in range(40)],
              "長時間モード(LP)の録音ですが、フレーム内の配置が分かりません"),
             ("white noise", long_play_frames(noise, LAYOUTS[0], 0, set())[0],
              "長時間モード(LP)の録音ですが、フレーム内の配置が分かりません"),
             ("four channels", long_play_frames(made[0][1], LAYOUTS[0], 0, set(), 1)[0],
              "4チャンネルの長時間モードの録音です")]
    for what, frames, said in cases:
        d, status, console, log = run(selthix, work, what.replace(" ", "-"), b"".join(frames),
                                      ["--long-play"])
        check(said in console, "%s: refused on the console: %r" % (what, console[-300:]))
        check(os.path.getsize(os.path.join(d, "#000-32kHz.wav")) == 44, what + ": header only")
        scores = re.search(r"長時間モードの各配置の粗さ: (.+)", log)
        check((scores is not None and len(scores.group(1).split()) == 8) ==
              (what != "four channels"), "%s: the scores in the log" % what)


def de_emphasis(selthix, work):
    """Tones of 1 and 10 kHz in frames marked with pre-emphasis and in frames
    without: a copy only of the first, each tone at the curve's level."""
    def tone(hz, k):
        return array.array("h", [int(8000 * math.sin(2 * math.pi * hz * (1440 * k + n // 2)
                                                     / 48000)) for n in range(2880)]).tobytes()
    frames = [frame(tone(1000, k), k, 0, emphasis=1) for k in range(100)]
    frames += [frame(tone(10000, k), 100 + k, 0, emphasis=1) for k in range(100)]
    frames += [frame(tone(1000, k), 200 + k, 1) for k in range(50)]  # 44.1 kHz, none
    d, status, console, log = run(selthix, work, "emphasis", b"".join(frames),
                                  ["--de-emphasis", "--bwf"])
    check(status == 0, "de-emphasis: exit %d: %s" % (status, console[-300:]))
    names = sorted(n for n in os.listdir(d) if n.endswith(".wav"))
    check(names == ["#000-44.1kHz.wav", "#000-48kHz-deemph.wav", "#000-48kHz.wav"],
          "a copy only of the file with pre-emphasis: %r" % names)
    original = array.array("h", data(os.path.join(d, "#000-48kHz.wav")))
    copy = array.array("h", data(os.path.join(d, "#000-48kHz-deemph.wav")))
    check(len(copy) == len(original), "the copy as long as its original")
    for hz, frames_from in ((1000, 0), (10000, 100)):
        def rms(s):
            part = s[2 * 1440 * (frames_from + 20):2 * 1440 * (frames_from + 80)]
            return math.sqrt(sum(v * v for v in part) / len(part))
        w = 2 * math.pi * hz
        curve = 20 * math.log10(math.sqrt((1 + (w * 15e-6) ** 2) / (1 + (w * 50e-6) ** 2)))
        level = 20 * math.log10(rms(copy) / rms(original))
        check(abs(level - curve) < 0.1, "%d Hz: %.3f dB, the curve %.3f dB" % (hz, level, curve))
    check("派生: #000-48kHz.wav をディエンファシスしたアクセス用のコピー" in log, "the copy is derived")
    with open(os.path.join(d, "#000-48kHz-deemph.wav"), "rb") as f:
        head = f.read(2000)
    check(b"derived access copy of #000-48kHz.wav" in head, "its coding history says so")


def main():
    selthix = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="long-play.")
    try:
        made = sounds(work)
        each_layout(selthix, work, made)
        refused(selthix, work, made)
        de_emphasis(selthix, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
