#!/usr/bin/env python3
"""KOVRANT through the real Linux SCSI stack, compared with kovrant-sim.

Boots Debian's kernel in QEMU (software emulation) with a busybox initramfs.
Inside, the drive model (kovrant-drive) answers as a TCM-User backstore behind
a tcm_loop LUN, so the kernel's SCSI midlayer, sg and st drivers see a tape
drive; KOVRANT runs against it in each scenario. Every scenario is run again
here with kovrant-sim (the same run linked against the same model) and the
two must agree: exit status, standard output and error bytes, and the image.
Each run in the machine writes a trace (--trace), which is replayed here
(kovrant-sim --replay) with an image made of the tape's frames that the
trace's digests name: the run's image, console and status again, and its
KOVRANT.LOG and KOVRANT.json but for times.
Where the simulated carrier prints a Windows error text, the kernel run
prints the Linux one named in the scenario.

    tests/kernel/kernel_test.py BUILD_DIR [--slow] [--keep DIR] [--only TEXT]
    tests/kernel/kernel_test.py BUILD_DIR --windows BUILD_WIN [...]

--slow adds the scenarios that wait for the kernel's timeouts (tens of
seconds to three minutes). --windows runs KOVRANT.exe of the MinGW build
under Wine inside the machine instead (Wine's IOCTL_SCSI_* controls become
SG_IO on the drive's sg node): the host's root is shared into the guest
over 9p, read-only, and used as a chroot; a Wine prefix made on the host
(kept in the cache) lies under an overlay there. Downloads (the kernel and busybox-static
packages, about 72 MB) are kept in $KOVRANT_VM_CACHE or ~/.cache/kovrant-vm.
Exit status 0 when all agree, 1 when not, 77 (skipped) when the virtual
machine cannot run here, unless CI is set: then that is a failure too.
"""
import argparse
import base64
import fcntl
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MODULES = ["scsi_common", "scsi_mod", "sg", "st", "configfs", "crct10dif_common",
           "crct10dif_generic", "crc-t10dif", "target_core_mod", "uio", "target_core_user",
           "tcm_loop"]
# For the Windows build: the host's root over 9p, an overlay over the Wine prefix.
WINE_MODULES = ["virtio_ring", "virtio", "virtio_pci_legacy_dev", "virtio_pci_modern_dev",
                "virtio_pci", "9pnet", "9pnet_virtio", "netfs", "fscache", "9p", "overlay"]
EIO = "Input/output error"
SIM_TEXTS = ["The request could not be performed because of an I/O device error.",
             "The semaphore timeout period has expired."]


# The other drive of the two-drive scenarios: the first tape drive of the
# system, not the supported one.
OTHER_ID = "HP______Ultrium_5-SCSI__Z6ED"


class Scenario:
    def __init__(self, name, how, settings="", sim="", os_text=EIO, slow=False, tape="plain",
                 late_interrupt=False, names=None):
        self.name, self.how, self.settings, self.sim = name, how, settings, sim
        # The simulated drives' names and the kernel's devices they stand for.
        self.names = names or {}
        self.os_text, self.slow, self.tape = os_text, slow, tape
        self.windows = how.startswith("wine-")
        # Ctrl-C reaches a Windows program in a thread of its own, some frames
        # later: the run must end the same way, with a prefix of the tape.
        self.late_interrupt = late_interrupt


# Without the sg module first (the fallback to /dev/nst0), then through sg.
SCENARIOS = [
    Scenario("nst-root", "root-nst"),
    Scenario("nst-user", "user-nst", sim="KOVRANT_SIM_FAULTS=inquiry#1=fail",
             os_text="Operation not permitted"),
    # Standard output closed: nothing may reach the tape through st (WRITE, WRITE FILEMARKS).
    Scenario("nst-stdout-closed", "root-nst-closed"),
    Scenario("nst-loaded", "root-nst", "KOVRANT_SIM_INSERT_AFTER=0", slow=True,
             sim="KOVRANT_SIM_FAULTS=tur#1*180=00/00"),
    Scenario("sg-root", "root-sg"),
    Scenario("sg-user", "user-sg"),
    Scenario("sg-check-conditions", "root-sg",
             "KOVRANT_SIM_FAULTS=read#5*3=02/03,read#12=02/06,read#20=02/48,read#31=00/0b"),
    # Frames the moving tape takes past the head: the image has gaps.
    Scenario("sg-lost-frames", "root-sg", "KOVRANT_SIM_FAULTS=read#5*3=lost:03/11,read#20=lost:02/03"),
    Scenario("sg-short-reads", "root-sg", "KOVRANT_SIM_FAULTS=read#7=short:1000,read#9=short:0"),
    Scenario("sg-interrupt", "root-sg", "KOVRANT_SIM_FAULTS=read#40=interrupt"),
    Scenario("sg-data-mode-refused", "root-sg", "KOVRANT_SIM_FAULTS=select#2=02/05"),
    # Answered 3 s after its 2 s timeout: a margin that a busy host does not eat.
    Scenario("sg-timeout-check", "root-sg", "KOVRANT_SIM_FAULTS=sense#2=delay:5000"),
    Scenario("sg-timeout-read", "root-sg", "KOVRANT_SIM_FAULTS=read#10=delay:11000", slow=True),
    Scenario("sg-no-answer-read", "root-sg", "KOVRANT_SIM_FAULTS=read#10=fail", slow=True),
    # Last: they leave another drive first. KOVRANT finds the supported one
    # second, or is led to it by TAPE (its tape device: its sg node is used).
    Scenario("two-drives", "two-sg", sim="KOVRANT_SIM_DRIVES=%s,-" % OTHER_ID,
             names={"tape1": "/dev/sg1"}),
    Scenario("two-drives-tape", "two-tape", sim="KOVRANT_SIM_DRIVES=%s,- TAPE=tape1" % OTHER_ID,
             names={"tape1": "/dev/sg1"}),
]


# KOVRANT.exe under Wine through the same stack: the scenarios Wine can carry
# (none that prints a system error text, which Wine words its own way).
WINDOWS_SCENARIOS = [
    Scenario("wine-sg", "wine-sg"),
    Scenario("wine-check-conditions", "wine-sg",
             "KOVRANT_SIM_FAULTS=read#5*3=02/03,read#12=02/06,read#20=02/48,read#31=00/0b"),
    Scenario("wine-short-reads", "wine-sg", "KOVRANT_SIM_FAULTS=read#7=short:1000,read#9=short:0"),
    Scenario("wine-lost-frames", "wine-sg", "KOVRANT_SIM_FAULTS=read#5*3=lost:03/11"),
    Scenario("wine-interrupt", "wine-sg", "KOVRANT_SIM_FAULTS=read#40=interrupt",
             late_interrupt=True),
    Scenario("wine-data-mode-refused", "wine-sg", "KOVRANT_SIM_FAULTS=select#2=02/05"),
    Scenario("wine-not-supported", "wine-sg", "KOVRANT_SIM_ID=ACME____TAPE-0000________0.01"),
    # Last: another drive becomes Tape0, the drive model Tape1.
    Scenario("wine-two-drives", "wine-two", sim="KOVRANT_SIM_DRIVES=%s,-" % OTHER_ID,
             names={"tape1": "\\\\.\\Tape1"}),
]


def note(text):
    print("kernel test: " + text, flush=True)


def cannot_run(why):
    note("cannot run the virtual machine: " + why)
    sys.exit(1 if os.environ.get("CI") else 77)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def fetch_system(cache):
    """Debian's kernel and busybox-static, unpacked (not installed) in the
    cache: one tree per kernel package, so that a newer kernel never mixes
    with an older one."""
    def kernel_packages():
        depends = subprocess.run(["apt-cache", "depends", "linux-image-amd64"],
                                 capture_output=True, text=True).stdout
        return [l.split(":", 1)[1].strip() for l in depends.splitlines()
                if l.strip().startswith("Depends:") and "linux-image-" in l]
    kernels = kernel_packages()
    if not kernels and os.geteuid() == 0:
        subprocess.run(["apt-get", "update", "-qq"], capture_output=True)
        kernels = kernel_packages()
    if not kernels:
        cannot_run("apt-cache knows no linux-image-amd64 (run apt-get update)")
    root = os.path.join(cache, "root-" + kernels[0])
    if os.path.exists(os.path.join(root, ".complete")):
        return root
    debs = os.path.join(cache, "debs-" + kernels[0])
    shutil.rmtree(debs, ignore_errors=True)
    os.makedirs(debs)
    got = subprocess.run(["apt-get", "download", kernels[0], "busybox-static"], cwd=debs,
                         capture_output=True, text=True)
    if got.returncode != 0:
        cannot_run("apt-get download failed: " + got.stderr.strip()[-300:])
    shutil.rmtree(root, ignore_errors=True)
    for deb in os.listdir(debs):
        run(["dpkg-deb", "-x", os.path.join(debs, deb), root])
    open(os.path.join(root, ".complete"), "w").close()
    return root


def usable_cache(cache):
    """The cache directory, made and locked for this run (two first runs would
    otherwise unpack into each other); a cache that cannot be written is a
    reason not to run."""
    try:
        os.makedirs(cache, exist_ok=True)
        lock = open(os.path.join(cache, ".lock"), "w")
    except OSError as e:
        cannot_run("the cache %s cannot be written: %s" % (cache, e.strerror))
    fcntl.flock(lock, fcntl.LOCK_EX)
    return lock


def find(root, name):
    for d, _, files in os.walk(root):
        if name in files:
            return os.path.join(d, name)
    return None


def copy_with_libraries(program, tree):
    dest = os.path.join(tree, "bin", os.path.basename(program))
    shutil.copy2(program, dest)
    for line in subprocess.run(["ldd", program], capture_output=True, text=True).stdout.splitlines():
        parts = line.split()
        path = parts[2] if "=>" in parts and len(parts) > 2 else parts[0]
        if path.startswith("/"):
            target = os.path.join(tree, path.lstrip("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy2(path, target)


def wine_prefix(cache):
    """A Wine prefix made on the host (once per Wine version), for the guest."""
    version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    prefix = os.path.join(cache, "wine-prefix-" + re.sub(r"[^A-Za-z0-9.-]+", "_", version))
    if os.path.exists(os.path.join(prefix, ".complete")):
        return prefix
    shutil.rmtree(prefix, ignore_errors=True)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    try:
        subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=300,
                       stdin=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=120)
    except subprocess.TimeoutExpired:
        cannot_run("wineboot -i did not finish")
    if not os.path.isdir(os.path.join(prefix, "dosdevices")):
        cannot_run("wineboot -i made no prefix")
    open(os.path.join(prefix, ".complete"), "w").close()
    return prefix


def make_initramfs(system, build, scenarios, tapes, work, wine=None):
    tree = os.path.join(work, "tree")
    for d in ["bin", "modules", "tapes", "etc", "proc", "sys", "dev", "tmp", "s"]:
        os.makedirs(os.path.join(tree, d), exist_ok=True)
    shutil.copy2(os.path.join(system, "bin", "busybox"), os.path.join(tree, "bin", "busybox"))
    modules = os.path.join(system, "lib", "modules")
    if wine:
        with open(os.path.join(tree, "wine"), "w") as f:
            f.write("%s|%s\n" % wine)
    for m in MODULES + (WINE_MODULES if wine else []):
        path = find(modules, m + ".ko")
        if path is None:
            cannot_run("the kernel package has no module " + m)
        shutil.copy2(path, os.path.join(tree, "modules", m + ".ko"))
    copy_with_libraries(os.path.join(build, "dumper", "KOVRANT"), tree)
    copy_with_libraries(os.path.join(build, "simdrive", "kovrant-drive"), tree)
    for name, path in tapes.items():
        shutil.copy2(path, os.path.join(tree, "tapes", name))
    shutil.copy2(os.path.join(HERE, "init"), os.path.join(tree, "init"))
    os.chmod(os.path.join(tree, "init"), 0o755)
    with open(os.path.join(tree, "other-id"), "w") as f:
        f.write(OTHER_ID)
    with open(os.path.join(tree, "scenarios"), "w") as f:
        for s in scenarios:
            f.write("%s|%s|%s|%s\n" % (s.name, s.how, s.tape, s.settings))
    image = os.path.join(work, "initramfs.cpio.gz")
    files = subprocess.run("find . | LC_ALL=C sort", shell=True, cwd=tree, capture_output=True,
                           check=True).stdout
    cpio = subprocess.run(["cpio", "-o", "-H", "newc", "--quiet"], cwd=tree, input=files,
                          capture_output=True, check=True).stdout
    with open(image, "wb") as f:
        f.write(__import__("gzip").compress(cpio, 1))
    return image


def boot(system, initramfs, work, timeout, share_root=False):
    kernel = [os.path.join(system, "boot", f) for f in os.listdir(os.path.join(system, "boot"))
              if f.startswith("vmlinuz")][0]
    results = os.path.join(work, "results.txt")
    console = os.path.join(work, "console.txt")
    cmd = ["qemu-system-x86_64", "-accel", "tcg", "-cpu", "max", "-m", "512", "-smp", "1",
           "-nodefaults", "-display", "none", "-no-reboot", "-nic", "none",
           "-kernel", kernel, "-initrd", initramfs,
           "-append", "console=ttyS0 panic=-1 quiet",
           "-serial", "file:" + console, "-serial", "file:" + results]
    if share_root:
        # Wine in the guest runs from the host's root. QEMU 7.2's emulation
        # mishandles a user-mode iretq under SMAP: without smap=off every
        # Wine process oopses the guest.
        cmd[cmd.index("max")] = "max,smap=off"
        cmd[cmd.index("512")] = "1024"
        cmd += ["-virtfs", "local,path=/,mount_tag=hostroot,security_model=none,readonly=on"]
    vm = subprocess.Popen(cmd)
    try:
        vm.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        note("the virtual machine did not finish in %d s" % timeout)
    finally:
        if vm.poll() is None:  # a timeout, or this run was ended
            vm.kill()
            vm.wait()
    with open(results, "rb") as f:
        return f.read().decode("ascii", "replace").replace("\r", ""), console


def parse(text):
    """Scenario results: {name: {"status", "image", "out", "err", "log",
    "files": {name: bytes}}} (the run's trace, KOVRANT.LOG, KOVRANT.json)."""
    found, current, field = {}, None, None
    for line in text.splitlines():
        if line.startswith("BEGIN "):
            current = {"out": "", "err": "", "log": "", "files": {}}
            found[line[6:]] = current
        elif current is None:
            continue
        elif line.startswith("END "):
            current, field = None, None
        elif line.startswith("status "):
            current["status"] = int(line[7:])
        elif line.startswith("image "):
            current["image"] = line[6:]
        elif line.startswith("size "):
            current["size"] = int(line[5:])
        elif line in ("out", "err", "log"):
            field = line
        elif line.startswith("file "):
            field = line
            current["files"][line[5:]] = ""
        elif field and field.startswith("file "):
            current["files"][field[5:]] += line
        elif field:
            current[field] += line
    for r in found.values():
        for k in ("out", "err", "log"):
            r[k] = base64.b64decode(r[k])
        r["files"] = {k: base64.b64decode(v) for k, v in r["files"].items() if v}
    return found


def simulate(scenario, kovrant_sim, tapes, work):
    d = os.path.join(work, "sim-" + scenario.name)
    os.makedirs(d)
    env = dict(os.environ, KOVRANT_SIM_TAPE=tapes[scenario.tape])
    for item in (scenario.settings + " " + scenario.sim).split():
        k, v = item.split("=", 1)
        env[k] = v
    closed = scenario.how.endswith("-closed")
    p = subprocess.run([kovrant_sim], cwd=d, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL if closed else subprocess.PIPE,
                       stderr=subprocess.PIPE, preexec_fn=(lambda: os.close(1)) if closed else None)
    p.stdout = p.stdout or b""
    out = p.stdout
    for t in SIM_TEXTS:
        out = out.replace(t.encode(), scenario.os_text.encode())
    for sim_name, device in scenario.names.items():
        out = out.replace(b": " + sim_name.encode() + b"\n", b": " + device.encode() + b"\n")
    image = os.path.join(d, "KOVRANT.IMG")
    digest = tape_digest(image) if os.path.exists(image) else "none"
    return {"status": p.returncode, "out": out, "err": p.stderr, "image": digest}


def without_times(data):
    """A log's or record's bytes with every time of day as TIME."""
    return re.sub(rb"\d{4}-\d\d-\d\d[ T]\d\d:\d\d:\d\d( ?[+-]\d\d:\d\d)?", b"TIME", data)


def replayed_diffs(scenario, got, kovrant_sim, tapes, work):
    """The run's trace replayed here by kovrant-sim with an image made of the
    tape's frames that the trace says were written (by their SHA-256): the
    same image as the run's, the same exit status and console bytes, and
    the same KOVRANT.LOG and KOVRANT.json but for times."""
    trace = got["files"].get("trace.jsonl")
    if trace is None:
        return ["no trace"]
    d = os.path.join(work, "replay-" + scenario.name)
    os.makedirs(d)
    with open(tapes[scenario.tape], "rb") as f:
        data = f.read()
    frames = {hashlib.sha256(data[k:k + 5822]).hexdigest(): data[k:k + 5822]
              for k in range(0, len(data), 5822)}
    image = b""
    lines = [json.loads(l) for l in trace.decode("utf-8").splitlines()]
    for line in lines:
        if line.get("written"):
            image += frames.get(line["sha256"], b"")
    diffs = []
    try:
        import jsonschema
        with open(os.path.join(HERE, "..", "..", "doc", "schema", "kovrant-trace.schema.json")) as f:
            validator = jsonschema.Draft202012Validator(json.load(f))
        invalid = [k + 1 for k, line in enumerate(lines) if not validator.is_valid(line)]
        if invalid:
            diffs.append("the trace's lines %s against its schema" % invalid[:5])
    except ImportError:
        if os.environ.get("CI"):
            diffs.append("python3-jsonschema not installed (under CI it must be)")
    path = os.path.join(work, "replay-%s.jsonl" % scenario.name)
    with open(path, "wb") as f:
        f.write(trace)
    with open(path + ".img", "wb") as f:
        f.write(image)
    closed = scenario.how.endswith("-closed")
    env = {k: v for k, v in os.environ.items() if not k.startswith(("KOVRANT_SIM", "LC_", "LANG"))}
    p = subprocess.run([kovrant_sim, "--replay", path, "--image", path + ".img"], cwd=d, env=env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL if closed else subprocess.PIPE,
                       stderr=subprocess.PIPE)
    if hashlib.sha256(image).hexdigest() != got.get("image", "none") and image:
        diffs.append("the image of the trace's frames")
    if p.returncode != got.get("status"):
        diffs.append("the replay's exit status %d" % p.returncode)
    if (p.stdout or b"") != got["out"] or p.stderr != got["err"]:
        diffs.append("the replay's console %r %r" % ((p.stdout or b"")[-300:], p.stderr[-300:]))
    again = os.path.join(d, "KOVRANT.IMG")
    if os.path.exists(again) != (got.get("image", "none") != "none") or (
            os.path.exists(again) and tape_digest(again) != got["image"]):
        diffs.append("the replay's image")
    for name in ("KOVRANT.LOG", "KOVRANT.json"):
        mine = os.path.join(d, name)
        mine = open(mine, "rb").read() if os.path.exists(mine) else None
        theirs = got["files"].get(name)
        if scenario.windows and theirs is not None:
            theirs = theirs.replace(b"\r\n", b"\n")
        if (mine is None) != (theirs is None) or (
                mine is not None and without_times(mine) != without_times(theirs)):
            diffs.append("the replay's %s" % name)
    return diffs


def tape_digest(path, size=None):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read() if size is None else f.read(size)).hexdigest()


def around_display(out):
    """The console before the first and after the last ATIME display."""
    first = out.find(b"\rATIME=")
    if first < 0:
        return out, b""
    return out[:first], re.sub(rb"^.*\rATIME=\S+ ", b"", out, flags=re.DOTALL)


def late_interrupt_diffs(got, want, tape):
    """An interrupt that took effect later than the simulated one: the same
    console around the time display, the same end, the start of the tape.
    Under Wine the signal also breaks off the READ in flight and Wine sends
    it again: the frame the drive had delivered to the first is lost, so one
    frame may be missing (Windows does not interrupt the request)."""
    diffs = [k for k in ("status", "err") if got.get(k) != want[k]]
    if around_display(got["out"]) != around_display(want["out"]):
        diffs.append("out")
    size = got.get("size", -1)
    frames = size // 5822 if size > 0 and size % 5822 == 0 else -1
    with open(tape, "rb") as f:
        data = f.read()
    fits = frames > 0 and (hashlib.sha256(data[:frames * 5822]).hexdigest() == got.get("image") or
                           any(hashlib.sha256(data[:k * 5822] + data[(k + 1) * 5822:
                                                                     (frames + 1) * 5822])
                               .hexdigest() == got.get("image") for k in range(frames + 1)))
    if not fits:
        diffs.append("image (not the start of the tape, less at most one frame)")
    return diffs


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--slow", action="store_true")
    ap.add_argument("--keep")
    ap.add_argument("--only", help="the scenarios whose names contain this")
    ap.add_argument("--windows", metavar="BUILD_WIN",
                    help="run KOVRANT.exe of this Windows build under Wine instead")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    tools = ("qemu-system-x86_64", "cpio", "apt-get", "dpkg-deb", "ldd")
    if a.windows:
        tools += ("wine", "wineboot", "wineserver")
        exe = os.path.join(os.path.abspath(a.windows), "dumper", "KOVRANT.exe")
        if not os.path.exists(exe):
            cannot_run("not built: " + exe)
    for tool in tools:
        if shutil.which(tool) is None:
            cannot_run(tool + " is not installed")
    for program in ("dumper/KOVRANT", "simdrive/kovrant-drive", "simdrive/kovrant-sim",
                    "tools/make_image"):
        if not os.path.exists(os.path.join(build, program)):
            cannot_run("not built: " + program)
    started = time.time()
    # SIGTERM or SIGHUP end the run like Ctrl-C: the virtual machine is
    # stopped and the work directory removed on the way out.
    for s in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, lambda number, frame: sys.exit(128 + number))
    cache = os.environ.get("KOVRANT_VM_CACHE") or os.path.join(
        os.path.expanduser("~"), ".cache", "kovrant-vm")
    lock = usable_cache(cache)
    system = fetch_system(cache)
    work = a.keep or tempfile.mkdtemp(prefix="kovrant-vm.")
    os.makedirs(work, exist_ok=True)
    try:
        scenarios = [s for s in (WINDOWS_SCENARIOS if a.windows else SCENARIOS)
                     if (a.slow or not s.slow) and (a.only is None or a.only in s.name)]
        tapes = {"plain": os.path.join(work, "plain.tape")}
        run([os.path.join(build, "tools", "make_image"), "--seed", "5", "--programs", "2",
             "--frames", "60", tapes["plain"]], stdout=subprocess.DEVNULL)
        wine = (exe, wine_prefix(cache)) if a.windows else None
        lock.close()  # the cache is ready: other runs may use it
        initramfs = make_initramfs(system, build, scenarios, tapes, work, wine)
        text, console = boot(system, initramfs, work, 900 if a.slow else 300, wine is not None)
        results = parse(text)
        for line in text.splitlines():
            if line.startswith(("KERNEL", "FATAL", "DMESG")):
                note(line)
        failures = 0
        for s in scenarios:
            got = results.get(s.name)
            if got is None:
                failures += 1
                note("FAIL %s: no result from the virtual machine (console: %s)" % (s.name, console))
                continue
            want = simulate(s, os.path.join(build, "simdrive", "kovrant-sim"), tapes, work)
            if s.windows:  # a Windows program's text-mode line ends
                for k in ("out", "err"):
                    got[k] = got[k].replace(b"\r\n", b"\n")
            if s.late_interrupt:
                diffs = late_interrupt_diffs(got, want, tapes[s.tape])
            else:
                diffs = [k for k in ("status", "out", "err", "image") if got.get(k) != want[k]]
            diffs += replayed_diffs(s, got, os.path.join(build, "simdrive", "kovrant-sim"), tapes,
                                    work)
            # Commands that write to the tape: WRITE(6), WRITE FILEMARKS.
            log = got["log"].decode("ascii", "replace")
            if "cdb=0a " in log or "cdb=10 " in log:
                diffs.append("writes to the tape in the drive log")
            if s.how.endswith("-closed") and got.get("image") != tape_digest(tapes[s.tape]):
                diffs.append("image (not the tape)")
            if diffs:
                failures += 1
                note("FAIL %s: %s differ" % (s.name, ", ".join(diffs)))
                for k in diffs:
                    note("  kernel %s: %r" % (k, got.get(k)))
                    note("  sim    %s: %r" % (k, want.get(k)))
                note("  drive log in the VM:\n" + got["log"].decode("ascii", "replace"))
            else:
                note("ok   %s (exit %d)" % (s.name, got["status"]))
        note("%d scenarios, %d passed, %d failed, %.0f s" %
             (len(scenarios), len(scenarios) - failures, failures, time.time() - started))
        return 1 if failures else 0
    finally:
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
