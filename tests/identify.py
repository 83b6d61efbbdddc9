#!/usr/bin/env python3
"""KOVRANT --identify against the drive model: the supported drive, one a
revision off, one without vital product data pages, another drive, a
device that does not open, a device that is no drive (the real KOVRANT on
/dev/null), an identification that fails. Each run under a Japanese and an
English console: its exit status, the supported drive told from the others
by the field that differs, the hex dumps read back to the bytes the model
holds (identification, serial number, mode parameters) and the decoded line
agreeing with them; only INQUIRY and MODE SENSE asked of the drive, and no
file written.

    identify.py kovrant-sim KOVRANT
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from checks import check, verdict

SUPPORTED = "SONY    SDT-9000        12.2"
OFF = "SONY    SDT-9000        12.1"
OTHER = "HP      C1537A          L812"
SERIAL = "XZ-0042"

# name, settings, arguments, real KOVRANT, exit status, the drive's
# identification (None: none told), what differs, the serial number told
CASES = [
    ("supported", {"KOVRANT_SIM_SERIAL": SERIAL}, [], False, 0, SUPPORTED, "", SERIAL),
    ("a revision off", {"KOVRANT_SIM_ID": OFF}, [], False, 0, OFF, "revision", "0012345678"),
    ("no product data", {"KOVRANT_SIM_NO_VPD": "1"}, [], False, 0, SUPPORTED, "", None),
    ("another drive", {"KOVRANT_SIM_DRIVES": OTHER + ",-"}, ["--device", "tape0"], False, 0,
     OTHER, "vendor, product, revision", None),
    ("no such device", {}, ["--device", "tape7"], False, 1, None, None, None),
    ("identification fails", {"KOVRANT_SIM_FAULTS": "inquiry#1=fail"}, [], False, 1, None, None,
     None),
    ("no drive", {}, ["--device", "/dev/null"], True, 1, None, None, None),
]
ASKED = {"inquiry", "mode-sense"}


def run(program, d, settings, args, lang):
    os.makedirs(d)
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("KOVRANT_SIM", "LC_")) and k != "TAPE"}
    env.update(LANG=lang, KOVRANT_SIM_LOG=os.path.join(d, "sim.log"), **settings)
    p = subprocess.run([program, "--identify"] + args, cwd=d, env=env, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=60)
    return p.returncode, p.stdout, p.stderr


def dumps(out):
    """The hex dumps of the output, each as its bytes, after the line that
    heads it."""
    found, heading = {}, None
    for line in out.splitlines():
        if re.fullmatch(r"  [0-9a-f]{2}( [0-9a-f]{2}){0,15}", line):
            found[heading] = found.get(heading, b"") + bytes.fromhex(line)
        else:
            heading = line
    return found


def dump_after(found, pattern):
    return next((v for k, v in found.items() if re.search(pattern, k)), None)


def english(name, status, out, want):
    _, _, _, _, code, ident, differs, serial = want
    found = dumps(out)
    inquiry = dump_after(found, r"^Standard INQUIRY data \((\d+) bytes\)")
    told = re.search(r"^Identification: (.*)$", out, re.M)
    check(status == code, "%s: exit status %d" % (name, status))
    check((told.group(1) if told else None) == ident, "%s: identification %r" % (name, told))
    if ident is None:
        check(not found and "Could not" in out, "%s: said %r" % (name, out))
        return
    supported = "This is the supported drive (%s)." % SUPPORTED
    other = "This is not the supported drive (%s); what differs: %s" % (SUPPORTED, differs)
    check((supported if differs == "" else other) in out, "%s: supported or not: %r" % (name, out))
    if inquiry is not None:
        check(inquiry[8:36].decode("ascii") == ident and inquiry[0] & 31 == 1,
              "%s: the inquiry data %r" % (name, inquiry))
    else:
        check(ident == OTHER, "%s: no inquiry data" % name)
    got = re.search(r'unit serial number "(.*)"', out)
    page = dump_after(found, r"^Vital product data page 80h")
    check((got.group(1) if got else None) == serial and
          (serial is None or page[4:4 + page[3]].decode("ascii") == serial),
          "%s: serial number %r" % (name, got))
    if serial is None and ident != OTHER:
        check("INQUIRY VPD 00h with status 02h: sense key 5h ILLEGAL REQUEST, ASC/ASCQ 24/00 "
              "INVALID FIELD IN CDB" in out, "%s: no pages, said %r" % (name, out))
    mode = dump_after(found, r"^Current mode parameters")
    if mode is not None:
        decoded = re.search(r"density code ([0-9A-F]{2})h .*, block length (\d+).*, write "
                            r"protected: (yes|no)", out)
        check(decoded is not None and int(decoded.group(1), 16) == mode[4] and
              int(decoded.group(2)) == int.from_bytes(mode[9:12], "big") and
              (decoded.group(3) == "yes") == bool(mode[2] & 0x80),
              "%s: the mode parameters %r, %r" % (name, mode, decoded))


def nothing_done(name, d):
    log = os.path.join(d, "sim.log")
    asked = set()
    if os.path.exists(log):
        asked = {line.split()[0] for line in open(log) if "cdb=" in line}
    check(asked <= ASKED, "%s: asked of the drive %s" % (name, sorted(asked)))
    check(set(os.listdir(d)) <= {"sim.log"}, "%s: files %s" % (name, os.listdir(d)))


def main():
    sim, kovrant = (os.path.abspath(a) for a in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="identify.")
    try:
        for case in CASES:
            name, settings, args, real = case[:4]
            program = kovrant if real else sim
            status, out, err = run(program, os.path.join(work, name), settings, args,
                                   "en_US.UTF-8")
            english(name, status, out.decode("utf-8"), case)
            nothing_done(name, os.path.join(work, name))
            ja = os.path.join(work, name + "-ja")
            status_ja, out_ja, _ = run(program, ja, settings, args, "C")
            check(status_ja == status and list(dumps(out_ja.decode("cp932")).values()) ==
                  list(dumps(out.decode("utf-8")).values()) and out_ja.decode("cp932").startswith("KOVRANT"),
                  "%s: the Japanese console %d %r" % (name, status_ja, out_ja[-200:]))
            nothing_done(name + " (Japanese)", ja)
            if case[6] == "revision":
                check("対応するドライブ (%s) ではありません。違う項目: リビジョン" % SUPPORTED in
                      out_ja.decode("cp932"), "%s: said in Japanese" % name)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
