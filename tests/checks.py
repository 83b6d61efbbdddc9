"""What the Python end-to-end tests share: the frame size, checks that are
counted and named rather than stopping at the first, and the readers that
are not ours, whose checks are left out where one is missing."""
import os
import shutil

FRAME = 5822
FAILURES = []
PASSED = 0
MISSING = []


def check(cond, what):
    global PASSED
    if cond:
        PASSED += 1
    else:
        FAILURES.append(what)
        print("FAIL " + what, flush=True)


def have(tool):
    """Whether the reader `tool` is installed. Without it the caller leaves
    out the checks that need it and the run ends as skipped; under CI (CI
    set) a missing reader is a failure."""
    if shutil.which(tool) is not None:
        return True
    if tool not in MISSING:
        MISSING.append(tool)
        if os.environ.get("CI"):
            check(False, "%s not installed (under CI every reader must be)" % tool)
        else:
            print("%s not installed: the checks that need it skipped" % tool, flush=True)
    return False


def verdict():
    """The closing line and the exit status: 1 when a check failed, 77 when
    all that ran passed but a reader was missing, 0 when all passed."""
    if FAILURES:
        print("%d failed" % len(FAILURES))
        return 1
    if MISSING:
        print("%d checks passed; skipped for want of %s" % (PASSED, ", ".join(MISSING)))
        return 77
    print("all checks passed")
    return 0
