#!/usr/bin/env python3
"""The kernel test's own harness under hostile conditions.

    tests/kernel/harness_test.py BUILD_DIR

- A cache that cannot be written: one line and a skip (77), no traceback.
- A second run waits while another holds the cache.
- SIGTERM while the virtual machine runs: QEMU is stopped and the run's
  temporary directory removed.
Exit 0 when all hold, 1 when not, 77 when QEMU is not installed.
"""
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
HARNESS = os.path.join(HERE, "kernel_test.py")
FAILURES = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        FAILURES.append(what)


def qemu_under(directory):
    """Process ids of QEMU whose command line names `directory`."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmdline = f.read()
        except OSError:
            continue
        if b"qemu-system" in cmdline and directory.encode() in cmdline:
            found.append(int(pid))
    return found


def main():
    build = os.path.abspath(sys.argv[1])
    if shutil.which("qemu-system-x86_64") is None:
        print("qemu-system-x86_64 not installed: skipped")
        return 77
    env = dict(os.environ)
    env.pop("CI", None)

    p = subprocess.run([sys.executable, HARNESS, build],
                       env=dict(env, KOVRANT_VM_CACHE="/proc/kovrant-vm-cache"),
                       capture_output=True, text=True, timeout=60)
    check(p.returncode == 77 and p.stdout.count("\n") == 1 and "cache" in p.stdout and
          "Traceback" not in p.stderr, "an unwritable cache: one line and a skip: %r %r" %
          (p.stdout, p.stderr[-200:]))

    cache = os.environ.get("KOVRANT_VM_CACHE") or os.path.join(
        os.path.expanduser("~"), ".cache", "kovrant-vm")
    os.makedirs(cache, exist_ok=True)
    temp = tempfile.mkdtemp(prefix="harness.")
    try:
        lock = open(os.path.join(cache, ".lock"), "w")
        fcntl.flock(lock, fcntl.LOCK_EX)
        run = subprocess.Popen([sys.executable, HARNESS, build, "--only", "sg-root"],
                               env=dict(env, TMPDIR=temp), stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        time.sleep(3)
        check(run.poll() is None and not qemu_under(temp),
              "a second run waits while the cache is held")
        lock.close()
        started = False
        for _ in range(1200):  # the first run of a machine also fetches the kernel
            if qemu_under(temp) or run.poll() is not None:
                started = bool(qemu_under(temp))
                break
            time.sleep(0.5)
        check(started, "the virtual machine starts once the cache is free")
        run.send_signal(signal.SIGTERM)
        run.wait(timeout=60)
        time.sleep(0.5)
        check(not qemu_under(temp), "SIGTERM stops the virtual machine")
        check(os.listdir(temp) == [], "SIGTERM removes the run's directory: %r" %
              os.listdir(temp))
    finally:
        for pid in qemu_under(temp):
            os.kill(pid, signal.SIGKILL)
        shutil.rmtree(temp, ignore_errors=True)
    print("%d failed" % len(FAILURES) if FAILURES else "all checks passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
