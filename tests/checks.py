"""What the Python end-to-end tests share: the frame size, and checks that
are counted and named rather than stopping at the first."""
FRAME = 5822
FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)
        print("FAIL " + what, flush=True)


def verdict():
    """The closing line and the exit status."""
    print("%d failed" % len(FAILURES) if FAILURES else "all checks passed")
    return 1 if FAILURES else 0
