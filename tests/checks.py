"""What the Python end-to-end tests share: the frame size, checks that are
counted and named rather than stopping at the first, the readers that are
not ours, whose checks are left out where one is missing, and the records
for machines read back against their schemas."""
import json
import os
import shutil

try:
    import jsonschema
except ImportError:
    jsonschema = None

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
    return shutil.which(tool) is not None or missing(tool)


def missing(tool):
    if tool not in MISSING:
        MISSING.append(tool)
        if os.environ.get("CI"):
            check(False, "%s not installed (under CI every reader must be)" % tool)
        else:
            print("%s not installed: the checks that need it skipped" % tool, flush=True)
    return False


SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "doc", "schema")


def record(path, schema):
    """The JSON document at `path`, each way it departs from its schema
    (doc/schema/`schema`, draft 2020-12) a failed check; None when it cannot
    be read. Without Python's jsonschema it is read only."""
    try:
        with open(path, encoding="utf-8") as f:
            doc = json.load(f)
    except (OSError, ValueError) as e:
        check(False, "%s: %s" % (path, e))
        return None
    if jsonschema is None:
        missing("python3-jsonschema")
        return doc
    with open(os.path.join(SCHEMAS, schema), encoding="utf-8") as f:
        validator = jsonschema.Draft202012Validator(json.load(f))
    errors = ["%s at %s" % (e.message, "/".join(map(str, e.path)))
              for e in validator.iter_errors(doc)]
    check(not errors, "%s against %s: %s" % (path, schema, errors[:3]))
    return doc


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
