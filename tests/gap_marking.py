#!/usr/bin/env python3
"""Where the tape failed, in the converter's files: SELTHIX.LOG, --keep-time,
--bwf and --convert-32k, checked with readers that are not ours.

    gap_marking.py SELTHIX kovrant-sim make_image

1. A tape read by kovrant-sim with stretches whose frames the drive loses:
   every lost stretch of KOVRANT.LOG is a gap of SELTHIX.LOG at the same
   place (sample offset from the image position, ATIME before and after,
   missing frames = lost reads); sha256sum -c accepts the log's list; with
   --keep-time --bwf each file is as long as its ATIME span, its silence
   lies where the log says, ffprobe shows the markers as chapters and the
   bext fields as tags, each gap's cue point starts a region of its silence
   (ltxt), sndfile-info finds the chunks, the label files agree with the log
   line by line, the "MD5 " chunk closing each file is the digest of its data
   chunk as the log lists it and MediaInfo shows it, and SELTHIX-CORE.csv
   lists every file's bext fields; without --bwf none of these.
2. An image built here, frame by frame: a discontinuity, frames without
   ATIME, gaps beside rate changes, pre-emphasis, 32 kHz at 16 and 12 bits.
3. Continuous recordings with a bad ATIME pack, or another cycle of 34-frame
   seconds: no gap, nothing filled.
Exit 0 when all hold, 1 when not. A reader that is missing leaves out the
checks that need it and makes the run skipped (77), or failed under CI.
"""
import csv
import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

from checks import FRAME, check, have, verdict


def run(cmd, cwd, env=None, status=0):
    p = subprocess.run(cmd, cwd=cwd, env=env, capture_output=True, stdin=subprocess.DEVNULL)
    check(p.returncode == status, "%s exited %d, not %d: %r" % (cmd, p.returncode, status,
                                                                p.stderr[-300:]))
    return p


def position(atime):
    h, m, s, f = (int(x) for x in atime.split(":"))
    return ((h * 60 + m) * 60 + s) * 100 // 3 + f


def parse_log(path):
    """SELTHIX.LOG: {name: {"first", "frames", "samples", "rate", "gaps", "jumps", ...}}."""
    files, order, cur = {}, [], None
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for line in lines:
        key, _, value = line.partition(": ")
        if key == "ファイル":
            cur = {"gaps": [], "jumps": [], "first": 0, "frames": 0, "text": []}
            files[value] = cur
            order.append(value)
            continue
        if key == "書いたファイル":  # the totals
            cur = None
        if cur is None:
            continue
        cur["text"].append(line)
        if key == "フレーム":
            m = re.match(r"(\d+)(?: \(イメージの (\d+)-(\d+)\))?$", value)
            cur["frames"] = int(m.group(1))
            cur["first"] = int(m.group(2) or 0)
        elif key == "サンプリング周波数":
            cur["rate"] = int(value.split()[0])
        elif key == "サンプル":
            cur["samples"] = int(value)
        elif key in ("最初のATIME", "最後のATIME"):
            cur[key] = value
        elif key == "ギャップ":
            m = re.match(r"位置=(\d+) サンプル 直前のATIME=(\S+) 直後のATIME=(\S+) "
                         r"欠落=(\d+) フレーム 長さ=(\S+) 秒 \((\S+)\)$", value)
            cur["gaps"].append({"sample": int(m.group(1)), "before": m.group(2),
                                "after": m.group(3), "missing": int(m.group(4)),
                                "filled": m.group(6) == "無音で埋めた", "how": m.group(6)})
        elif key == "不連続":
            m = re.match(r"位置=(\d+) サンプル 直前のATIME=(\S+) 直後のATIME=(\S+)", value)
            cur["jumps"].append({"sample": int(m.group(1)), "before": m.group(2),
                                 "after": m.group(3)})
        elif key == "状態":
            cur["state"] = value
        elif key == "SHA-256":
            cur["sha256"] = value.split()[0]
        elif key == "MD5 (data チャンク)":
            cur["md5"] = value
    return files, order, lines


def riff_chunks(path):
    """Our own RIFF walk: [(id, offset of body, size)]."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", path
    check(struct.unpack("<I", data[4:8])[0] == len(data) - 8, path + ": RIFF size")
    chunks, at = [], 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4].decode("latin-1"), struct.unpack("<I", data[at + 4:at + 8])[0]
        chunks.append((cid, at + 8, size))
        at += 8 + size + (size & 1)
    check(at == len(data), path + ": chunks end at the end of the file")
    return data, chunks


def audio(path):
    data, chunks = riff_chunks(path)
    for cid, at, size in chunks:
        if cid == "data":
            return data[at:at + size]
    return b""


def chunk(path, cid):
    data, chunks = riff_chunks(path)
    found = [data[at:at + size] for c, at, size in chunks if c == cid]
    return found[0] if found else None


def regions(path):
    """The ltxt entries of the LIST/adtl chunk: {cue point's sample: (length,
    purpose, country/language/dialect/code page, text)}."""
    cue, adtl = chunk(path, "cue "), chunk(path, "LIST")
    if cue is None or adtl is None or adtl[:4] != b"adtl":
        return {}
    points = {}
    for k in range(struct.unpack("<I", cue[:4])[0]):
        cid, sample = struct.unpack("<I", cue[4 + 24 * k:8 + 24 * k])[0], \
            struct.unpack("<I", cue[24 + 24 * k:28 + 24 * k])[0]
        points[cid] = sample
    out, at = {}, 4
    while at + 8 <= len(adtl):
        sub, size = adtl[at:at + 4], struct.unpack("<I", adtl[at + 4:at + 8])[0]
        body = adtl[at + 8:at + 8 + size]
        if sub == b"ltxt":
            cid, length = struct.unpack("<II", body[:8])
            out[points.get(cid)] = (length, body[8:12], body[12:20], body[20:])
        at += 8 + size + (size & 1)
    return out


def bext_fields(path):
    """The CORE document's values of a file's bext chunk, as it holds them."""
    b = chunk(path, "bext")
    text = lambda at, size: b[at:at + size].split(b"\0")[0].decode()
    return {"Description": text(0, 256), "Originator": text(256, 32),
            "OriginatorReference": text(288, 32), "OriginationDate": text(320, 10),
            "OriginationTime": text(330, 8),
            "TimeReference": str(struct.unpack("<Q", b[338:346])[0]),
            "BextVersion": str(struct.unpack("<H", b[346:348])[0]),
            "UMID": b[348:412].rstrip(b"\0").hex(), "CodingHistory": b[602:].decode()}


CORE_COLUMNS = ["FileName", "Description", "Originator", "OriginatorReference",
                "OriginationDate", "OriginationTime", "TimeReference (translated)",
                "TimeReference", "BextVersion", "UMID", "CodingHistory"]


def fixity(directory, files, order):
    """--bwf: the "MD5 " chunk last in every file, the digest of its data
    chunk's bytes, as the log lists it and MediaInfo shows it (its 16 bytes
    reversed); SELTHIX-CORE.csv, read back with the csv module: one row per
    file, in the log's order, with the values its bext chunk holds."""
    for name in order:
        path = os.path.join(directory, name)
        data, chunks = riff_chunks(path)
        cid, at, size = chunks[-1]
        digest = hashlib.md5(audio(path)).digest()
        check(cid == "MD5 " and size == 16 and data[at:at + 16] == digest,
              "%s: the MD5 chunk last, of the data: %r" % (name, chunks[-1]))
        check(files[name].get("md5") == digest.hex(), "%s: the log's MD5 %r" %
              (name, files[name].get("md5")))
        if files[name]["frames"] and have("mediainfo"):
            p = subprocess.run(["mediainfo", "--Output=JSON", path], capture_output=True, text=True)
            tracks = json.loads(p.stdout or "{}").get("media", {}).get("track", [])
            shown = [t.get("extra", {}).get("MD5") for t in tracks if t.get("@type") == "Audio"]
            check(shown == [digest[::-1].hex().upper()], "%s: MediaInfo shows %r" % (name, shown))
    core = os.path.join(directory, "SELTHIX-CORE.csv")
    check(os.path.exists(core), "SELTHIX-CORE.csv written")
    if not os.path.exists(core):
        return
    with open(core, encoding="utf-8", newline="") as f:
        raw = f.read()
    rows = list(csv.reader(raw.splitlines(keepends=True)))
    check(raw.endswith("\r\n") and rows[0] == CORE_COLUMNS, "CORE columns: %r" % rows[:1])
    check([r[0] for r in rows[1:]] == order, "CORE rows: %r" % [r[0] for r in rows[1:]])
    for row in rows[1:]:
        got = dict(zip(CORE_COLUMNS, row))
        if got["FileName"] not in files:
            continue
        want = bext_fields(os.path.join(directory, got["FileName"]))
        ms = int(want["TimeReference"]) * 1000 // files[got["FileName"]]["rate"]
        want["TimeReference (translated)"] = "%02d:%02d:%02d.%03d" % (
            ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
        want["FileName"] = got["FileName"]
        check(len(row) == len(CORE_COLUMNS) and got == want and want["UMID"] == "" and
              want["CodingHistory"].endswith("\r\n"),
              "%s: CORE row %r, bext %r" % (got["FileName"], got, want))


def ffprobe(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-show_chapters", "-show_format", "-of", "json",
                        path], capture_output=True, text=True)
    check(p.returncode == 0, "ffprobe reads " + path)
    return json.loads(p.stdout or "{}")


def capture_stretches(log):
    out = []
    with open(log, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"読み取りエラー区間: 位置=(\d+) 回数=(\d+) 直前のATIME=(\S+) "
                         r"直後のATIME=(\S+) 内訳=(\S+)", line)
            if m:
                out.append({"position": int(m.group(1)), "reads": int(m.group(2)),
                            "before": m.group(3), "after": m.group(4), "answers": m.group(5)})
    return out


def file_holding(files, frame):
    """The log's file whose frames hold the image frame `frame` after its first."""
    for name, f in files.items():
        if f["frames"] and f["first"] < frame <= f["first"] + f["frames"] - 1:
            return name, f
    return None, None


def damaged_tape(selthix, kovrant_sim, make_image, work):
    cap = os.path.join(work, "capture")
    os.makedirs(cap)
    run([make_image, "--seed", "4", "--programs", "3", "--frames", "3000", "tape.bin"], cap)
    env = dict(os.environ, KOVRANT_SIM_TAPE="tape.bin",
               KOVRANT_SIM_FAULTS="read#500*7=lost:03/11,read#1200*3=lost:02/03,read#2000=03/11")
    run([kovrant_sim], cap, env)
    stretches = capture_stretches(os.path.join(cap, "KOVRANT.LOG"))
    check(len(stretches) == 3, "three stretches in the capture log: %r" % stretches)

    plain, kept = os.path.join(work, "plain"), os.path.join(work, "kept")
    for d in (plain, kept):
        os.makedirs(d)
        shutil.copy(os.path.join(cap, "KOVRANT.IMG"), d)
    run([selthix], plain)
    run([selthix, "--keep-time", "--bwf"], kept)
    files, order, lines = parse_log(os.path.join(plain, "SELTHIX.LOG"))
    kfiles, korder, _ = parse_log(os.path.join(kept, "SELTHIX.LOG"))
    fixity(kept, kfiles, korder)
    # Without --bwf: no MD5 chunk, no MD5 in the log, no CORE document.
    check(not os.path.exists(os.path.join(plain, "SELTHIX-CORE.csv")), "no CORE without --bwf")
    for name in order:
        ids = [c[0] for c in riff_chunks(os.path.join(plain, name))[1]]
        check(ids == ["fmt ", "data"] and "md5" not in files[name],
              "%s without options: %r" % (name, ids))
    check(lines[-1].startswith("まとめ: すべて書き込み。"), "summary last: " + lines[-1])

    # Each stretch whose frames were lost is a gap where the capture log puts it.
    matched = 0
    for s in stretches:
        lost = s["answers"] in ("03/11:7", "02/03:3")
        name, f = file_holding(files, s["position"])
        if name is None:
            continue
        spf = f["samples"] // f["frames"]
        at = (s["position"] - f["first"]) * spf
        found = [g for g in f["gaps"] if g["sample"] == at]
        if not lost:
            check(not found, "a stretch that lost no frame is no gap: %r" % s)
            continue
        matched += 1
        check(len(found) == 1, "%s: a gap at sample %d for %r: %r" % (name, at, s, f["gaps"]))
        if found:
            g = found[0]
            check((g["before"], g["after"]) == (s["before"], s["after"]), "ATIMEs of %r" % s)
            check(abs(g["missing"] - s["reads"]) <= 1, "missing frames of %r: %d" %
                  (s, g["missing"]))
            check(not g["filled"], "joined without --keep-time")
    check(matched == 2, "both lost stretches found in the files (%d)" % matched)

    # Fixity: the log's list checks the files.
    if have("sha256sum"):
        listing = "".join(l.split(" ", 1)[1] + "\n" for l in lines if l.startswith("SHA-256: "))
        p = subprocess.run(["sha256sum", "-c", "-"], cwd=plain, input=listing.encode(),
                           capture_output=True)
        check(p.returncode == 0 and listing.count("\n") == len(files),
              "sha256sum -c: %r" % p.stdout)

    # --keep-time --bwf: every sample at its tape time, the marks in the file and beside it.
    for name, f in kfiles.items():
        path = os.path.join(kept, name)
        if f["frames"] == 0:
            continue
        spf = 1440 if f["rate"] == 48000 else 1323
        span = position(f["最後のATIME"]) - position(f["最初のATIME"]) + 1
        check(abs(f["samples"] // spf - span) <= len(f["gaps"]),
              "%s: %d frames for an ATIME span of %d" % (name, f["samples"] // spf, span))
        # Without the filled silence, the audio is that of the plain file.
        sound, joined, last = audio(path), b"", 0
        for g in f["gaps"]:
            check(g["filled"], name + ": gap filled")
            silence = sound[g["sample"] * 4:(g["sample"] + g["missing"] * spf) * 4]
            check(silence == bytes(len(silence)) and len(silence) == g["missing"] * spf * 4,
                  "%s: silence at %d" % (name, g["sample"]))
            joined += sound[last * 4:g["sample"] * 4]
            last = g["sample"] + g["missing"] * spf
        joined += sound[last * 4:]
        check(joined == audio(os.path.join(plain, name)), name + ": the same audio around the gaps")
        if have("ffprobe"):
            probe = ffprobe(path)
            tags = probe.get("format", {}).get("tags", {})
            check(tags.get("time_reference") == str(position(f["最初のATIME"]) * spf),
                  "%s: time_reference %r" % (name, tags.get("time_reference")))
            check(tags.get("originator_reference") == "KOVRANT.IMG",
                  name + ": originator_reference")
            check(tags.get("encoded_by") == "SELTHIX 0.1.0", name + ": originator")
            check(tags.get("coding_history", "").startswith(
                "A=PCM,F=%d,W=16,M=stereo,T=" % f["rate"]), name + ": coding history")
            check(f["最初のATIME"] in tags.get("comment", ""),
                  name + ": description names the ATIME")
            chapters = probe.get("chapters", [])
            check([c["start"] for c in chapters] == [g["sample"] for g in f["gaps"]],
                  "%s: chapters %r" % (name, [c["start"] for c in chapters]))
        want = {g["sample"]: (g["missing"] * spf, b"rgn ", bytes(8), b"") for g in f["gaps"]}
        check(regions(path) == want, "%s: regions %r, want %r" % (name, regions(path), want))
        labels = os.path.join(kept, name[:-4] + ".txt")
        with open(labels) as lf:
            rows = [l.rstrip("\n").split("\t") for l in lf]
        want = [["%.6f" % (g["sample"] / f["rate"]),
                 "%.6f" % ((g["sample"] + g["missing"] * spf) / f["rate"])] for g in f["gaps"]]
        check([r[:2] for r in rows] == want, "%s: labels %r, want %r" % (labels, rows, want))
        if have("sndfile-info"):
            info = subprocess.run(["sndfile-info", path], capture_output=True, text=True).stdout
            for chunk in ("bext", "fmt ", "data"):
                check(chunk in info, "%s: sndfile-info finds %s" % (name, chunk))
            check(("labl" in info) == bool(f["gaps"]), name + ": sndfile-info finds the labels")
            check(("ltxt" in info) == bool(f["gaps"]), name + ": sndfile-info finds the regions")
    check(sum(len(f["gaps"]) for f in kfiles.values()) == 2, "two gaps kept")


def tape_time(pos, phase=2):
    """(second, frame) of the frame `pos` frames from the start of a tape whose
    seconds of 34 frames are those whose number is `phase` mod 3."""
    s = 0
    while pos >= (34 if s % 3 == phase else 33):
        pos -= 34 if s % 3 == phase else 33
        s += 1
    return s, pos


def frame(pos=None, rate=0, emphasis=0, quant=0, program=0, loud=3000, phase=2, minutes=0):
    audio = struct.pack("<2880h", *([loud, -loud] * 1440))
    packs = bytearray(56)
    if pos is not None:
        s, f = tape_time(pos, phase)
        bcd = lambda v: (v // 10) << 4 | v % 10
        packs[0:8] = bytes([0x20, 0, 0, bcd(s // 3600), bcd(s // 60 % 60) ^ minutes, bcd(s % 60),
                            bcd(f), 0])
    sub = bytes([0, (program // 100) << 4 | 1, (program // 10 % 10) << 4 | program % 10, 0])
    main = bytes([emphasis << 4 | rate << 2, quant << 6])
    return audio + bytes(packs) + sub + main


def built_image(selthix, work):
    # (frames, where each break lies in the image)
    frames = []
    frames += [frame(p) for p in range(0, 100)]
    frames += [frame(p) for p in range(110, 150)]                # gap of 10 before 100
    frames += [frame(p) for p in range(20, 60)]                  # discontinuity before 140
    frames += [frame(None) for _ in range(5)]                    # no ATIME, time runs on
    frames += [frame(p) for p in range(65, 100)]
    frames += [frame(p, rate=1) for p in range(104, 200)]        # gap of 4 at the rate change
    frames += [frame(p, rate=1, emphasis=1) for p in range(200, 260)]
    frames += [frame(p, rate=2, quant=1) for p in range(260, 300)]   # 32 kHz long play
    frames += [frame(p, rate=0) for p in range(300, 302)]
    frames += [frame(p, rate=2) for p in range(302, 360)]            # 32 kHz, 16 bits
    frames += [frame(p) for p in range(363, 420)]                # gap of 3 before the end
    image = b"".join(frames)
    plain, conv = os.path.join(work, "built"), os.path.join(work, "built32")
    for d in (plain, conv):
        os.makedirs(d)
        with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
            f.write(image)
    run([selthix, "--keep-time"], plain)
    files, order, lines = parse_log(os.path.join(plain, "SELTHIX.LOG"))
    # Program 0 throughout: files cut at the rate changes only, and the first
    # frame of a new rate still belongs to the file before.
    check(order == ["#000-48kHz.wav", "#000-44.1kHz.wav", "#000-32kHz.wav", "#000-48kHz-2.wav",
                    "#000-32kHz-2.wav", "#000-48kHz-3.wav"], "files: %r" % order)
    first = files["#000-48kHz.wav"]
    check(first["first"] == 0 and [g["sample"] for g in first["gaps"]] == [100 * 1440, 230 * 1440],
          "the first file's gaps at frames 100 and 220 (after 10 filled): %r" % first["gaps"])
    check([j["sample"] for j in first["jumps"]] == [(140 + 10) * 1440] and
          (first["jumps"][0]["before"], first["jumps"][0]["after"]) == ("00:00:04:16",
                                                                          "00:00:00:20"),
          "a discontinuity after the first gap, marked not filled: %r" % first["jumps"])
    check(first["samples"] == (221 + 10 + 4) * 1440, "filled: %r" % first["samples"])
    # Each gap a region of its silence; the discontinuity a point only.
    # --keep-time alone: no MD5 chunk, no CORE document.
    path = os.path.join(plain, "#000-48kHz.wav")
    check(regions(path) == {100 * 1440: (10 * 1440, b"rgn ", bytes(8), b""),
                            230 * 1440: (4 * 1440, b"rgn ", bytes(8), b"")},
          "the first file's regions: %r" % regions(path))
    check(riff_chunks(path)[1][-1][0] == "LIST" and
          not os.path.exists(os.path.join(plain, "SELTHIX-CORE.csv")), "no MD5 without --bwf")
    gaps = [(n, g["missing"]) for n in order for g in files[n]["gaps"]]
    check(gaps == [(order[0], 10), (order[0], 4), ("#000-32kHz-2.wav", 3)],
          "gaps beside the rate changes: %r" % gaps)
    e = [l for l in files["#000-44.1kHz.wav"]["text"] if l.startswith("エンファシス")]
    check(e == ["エンファシス: 混在 (オン 60 フレーム、オフ 96 フレーム。音声はそのまま)"],
          "emphasis of the 44.1 kHz file: %r" % e)
    states = {n: files[n].get("state") for n in order}
    check(states.get("#000-32kHz.wav", "").startswith("ヘッダーのみ (12ビット"),
          "long play named in the log: %r" % states)
    check(states.get("#000-32kHz-2.wav", "").startswith("ヘッダーのみ (32kHz"),
          "32 kHz placeholder without --convert-32k: %r" % states)

    p = run([selthix, "--convert-32k", "--keep-time"], conv)
    if have("iconv"):
        console = subprocess.run(["iconv", "-f", "CP932", "-t", "UTF-8"], input=p.stdout,
                                 capture_output=True).stdout.decode()
        check("#000-32kHz.wavは12ビットの長時間モード(LP)" in console, "long play on the console")
    cfiles, _, _ = parse_log(os.path.join(conv, "SELTHIX.LOG"))
    c32 = cfiles["#000-32kHz-2.wav"]
    sound = audio(os.path.join(conv, "#000-32kHz-2.wav"))
    check(c32["rate"] == 32000 and c32["frames"] == 58 and c32["samples"] == (58 + 3) * 960 and
          len(sound) == (58 + 3) * 3840, "32 kHz converted: %d bytes, %r" % (len(sound), c32))
    # The first 960 sample pairs of each frame: the frame's own samples.
    check(sound[:3840] == frame(302, rate=2)[:3840], "32 kHz samples from the start of the frame")
    if have("ffprobe"):
        fmt = ffprobe(os.path.join(conv, "#000-32kHz-2.wav"))
        check(fmt.get("format", {}).get("duration") == "%.6f" % ((58 + 3) * 0.03),
              "ffprobe: 32 kHz duration %r" % fmt.get("format", {}).get("duration"))
    check(len(audio(os.path.join(conv, "#000-32kHz.wav"))) == 0, "long play stays header-only")

    # Options in any order give the same files; an unknown one is refused.
    again = os.path.join(work, "again")
    os.makedirs(again)
    shutil.copy(os.path.join(conv, "KOVRANT.IMG"), again)
    run([selthix, "--keep-time", "--convert-32k"], again)
    for n in cfiles:
        with open(os.path.join(conv, n), "rb") as a, open(os.path.join(again, n), "rb") as b:
            check(a.read() == b.read(), n + ": the same in any order")
    run([selthix, "--keep-tim"], again, status=2)

    none = os.path.join(work, "none")
    os.makedirs(none)
    with open(os.path.join(none, "KOVRANT.IMG"), "wb") as f:
        f.write(b"".join(frame(None) for _ in range(50)))
    run([selthix], none)
    _, _, lines = parse_log(os.path.join(none, "SELTHIX.LOG"))
    check(any(l.startswith("ATIME: なし") for l in lines), "an image without ATIME is said")


def gaps_between_files(selthix, work):
    """Tape lost where no file holds it: between one file's last frame and
    the next file's first (the cut lands after the lost stretch, or the
    silence that the cut drops follows it) or in the frames of no use at
    the end. Each is a gap of the file it lies before (after, at the end),
    counted like the others, and --check sees it; a stretch across the
    change, at the start of a program or at a rate change is inside a file
    as before."""
    def tape(*parts):  # (first position, last position + 1, program, level, rate)
        return [frame(p, rate=r, program=g, loud=l) for a, b, g, l, r in parts
                for p in range(a, b)] + [frame(None, program=parts[-1][2], loud=0)] * 6
    cases = [  # name, frames, (file, where, missing) of each gap
        ("cut after the lost stretch", tape((0, 200, 1, 3000, 0), (220, 260, 2, 0, 0),
                                            (260, 400, 2, 3000, 0)),
         [("#002-48kHz.wav", "このファイルの前、どのファイルにも入っていない", 20)]),
        ("lost before the dropped silence", tape((0, 170, 1, 3000, 0), (190, 220, 1, 0, 0),
                                                 (220, 400, 2, 3000, 0)),
         [("#002-48kHz.wav", "このファイルの前、どのファイルにも入っていない", 20)]),
        ("lost in the tail", tape((0, 300, 1, 3000, 0), (300, 310, 1, 0, 0), (330, 340, 1, 0, 0)),
         [("#001-48kHz.wav", "このファイルの後、どのファイルにも入っていない", 20)]),
        ("across the change", tape((0, 190, 1, 3000, 0), (210, 400, 2, 3000, 0)),
         [("#001-48kHz.wav", "詰めた", 20)]),
        ("at the start of a program", tape((0, 200, 1, 3000, 0), (200, 205, 2, 0, 0),
                                           (225, 400, 2, 3000, 0)),
         [("#002-48kHz.wav", "詰めた", 20)]),
        ("at a rate change", tape((0, 200, 1, 3000, 0), (220, 400, 1, 3000, 1)),
         [("#001-48kHz.wav", "詰めた", 20)]),
    ]
    for name, frames, expected in cases:
        d = os.path.join(work, "between " + name)
        os.makedirs(d)
        with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
            f.write(b"".join(frames))
        run([selthix, "--check"], d, status=4)
        check_log = parse_log(os.path.join(d, "SELTHIX.LOG"))[0]
        run([selthix], d)
        files, order, lines = parse_log(os.path.join(d, "SELTHIX.LOG"))
        gaps = [(n, g["how"], g["missing"]) for n in order for g in files[n]["gaps"]]
        check(gaps == expected, "%s: the gap told once, with its file: %r" % (name, gaps))
        check([(n, g) for n in check_log for g in check_log[n]["gaps"]] ==
              [(n, g) for n in order for g in files[n]["gaps"]], name + ": --check the same")
        with open(os.path.join(d, "SELTHIX.json"), encoding="utf-8") as f:
            doc = json.load(f)
        places = [(x["name"], g["place"], g["sample"] == (0 if g["place"] == "before-file" else
                                                         x["samplePairs"]) or g["place"] == "inside")
                  for x in doc["files"] for g in x["gaps"]]
        check(doc["totals"]["gaps"] == 1 and doc["totals"]["missingFrames"] == 20 and
              all(ok for _, _, ok in places), "%s: the record: %r" % (name, places))
        check("ギャップ: 1 か所、推定 20 フレーム" in lines, name + ": counted in the totals")


def tape_time_faults(selthix, work):
    """Continuous recordings whose ATIME misleads a reader of single steps:
    one pack with a bit flipped in its minutes, and recorders whose second
    of 34 frames is the first or the second of three, with the frames at
    the seconds' boundaries lacking ATIME. None of them has a gap."""
    cases = [("flipped", lambda p: frame(p, minutes=0x02 if p == 1500 else 0)),
             ("cycle0", lambda p: frame(None if tape_time(p, 0)[1] == 0 else p, phase=0)),
             ("cycle1", lambda p: frame(None if tape_time(p, 1)[1] == 0 else p, phase=1))]
    for name, make in cases:
        d = os.path.join(work, name)
        os.makedirs(d)
        with open(os.path.join(d, "KOVRANT.IMG"), "wb") as f:
            f.write(b"".join(make(p) for p in range(3000)))
        run([selthix, "--keep-time"], d)
        files, order, lines = parse_log(os.path.join(d, "SELTHIX.LOG"))
        f = files[order[0]]
        check(not f["gaps"] and not f["jumps"] and f["samples"] == 3000 * 1440 and
              len(audio(os.path.join(d, order[0]))) == 3000 * 5760,
              "%s: no gap, nothing filled: %r %r" % (name, f["gaps"], f["jumps"]))
        check(("前後のフレームと合わないATIMEパック: 1 (ATIMEなしとして扱いました)" in lines) ==
              (name == "flipped"), "%s: the bad pack counted" % name)
        check("ギャップの長さの精度: 正確 (テープがサイクルを示しています)" in lines,
              "%s: the tape's cycle makes lengths exact" % name)
        check(any(l.startswith("34フレームの秒: %s, " % name[-1]) for l in lines) ==
              name.startswith("cycle"), "%s: the cycle taken from the tape" % name)


def main():
    selthix, kovrant_sim, make_image = (os.path.abspath(a) for a in sys.argv[1:4])
    work = tempfile.mkdtemp(prefix="gaps.")
    try:
        damaged_tape(selthix, kovrant_sim, make_image, work)
        built_image(selthix, work)
        gaps_between_files(selthix, work)
        tape_time_faults(selthix, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
