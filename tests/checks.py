"""What the Python end-to-end tests share: the frame size, checks that are
counted and named rather than stopping at the first, and the readers that
are not ours, whose checks are left out where one is missing."""
import base64
import os
import re
import shutil

FRAME = 5822
FAILURES = []
PASSED = 0
MISSING = []


def frames(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        data = f.read()
    return [data[k:k + FRAME] for k in range(0, len(data) - FRAME + 1, FRAME)]


def atime(frame):
    """The last ATIME pack among the valid ones, as bytes (None when none)."""
    count = frame[5817] & 15 or 7
    found = None
    for k in range(min(count, 7)):
        pack = frame[5760 + 8 * k:5768 + 8 * k]
        if pack[0] >> 4 == 2:
            found = pack[3:7]
    return found


def position(stamp):
    """The frames from the start of the tape to an ATIME (its bytes, BCD) under the
    published cycle: seconds 0 and 1 of every three hold 33 frames, the third 34."""
    h, m, s, f = (10 * (b >> 4) + (b & 15) for b in stamp)
    return ((h * 60 + m) * 60 + s) * 100 // 3 + f


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


SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "doc", "schema")


def valid_record(doc, schema, what):
    """Checks the document `doc` against doc/schema/`schema` (JSON Schema,
    draft 2020-12) with python3-jsonschema; without it the check is left
    out as a missing reader's."""
    try:
        import jsonschema
    except ImportError:
        if "python3-jsonschema" not in MISSING:
            MISSING.append("python3-jsonschema")
            if os.environ.get("CI"):
                check(False, "python3-jsonschema not installed (under CI every reader must be)")
            else:
                print("python3-jsonschema not installed: the schema checks skipped", flush=True)
        return
    import json
    with open(os.path.join(SCHEMAS, schema), encoding="utf-8") as f:
        validator = jsonschema.Draft202012Validator(json.load(f))
    errors = ["%s: %s" % ("/".join(str(p) for p in e.absolute_path), e.message)
              for e in validator.iter_errors(doc)]
    check(not errors, "%s against %s: %s" % (what, schema, errors[:3]))


ISO_TIME = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}[+-]\d{2}:\d{2}$")


def without_times(doc):
    """The document with every time of day (ISO 8601 with its offset) and
    every file's modification time ("modified") as "TIME": two runs of one
    job give the same document but for them."""
    if isinstance(doc, dict):
        return {k: "TIME" if k == "modified" else without_times(v) for k, v in doc.items()}
    if isinstance(doc, list):
        return [without_times(v) for v in doc]
    if isinstance(doc, str) and ISO_TIME.match(doc):
        return "TIME"
    return doc


def named(path):
    """The bytes of a name from outside as a record gives it: {"text": ...}
    (UTF-8) or {"bytes": ...} (base64); None for anything else."""
    if isinstance(path, dict) and list(path) == ["text"]:
        return path["text"].encode("utf-8")
    if isinstance(path, dict) and list(path) == ["bytes"]:
        return base64.b64decode(path["bytes"], validate=True)
    return None


def shown(name):
    """A name's bytes as the console and the logs show it, its control
    characters (C0, DEL, and C1 as UTF-8) written as \\xNN; as a text read
    from a log with errors="surrogateescape". None (no name) gives a text
    that no log holds."""
    if name is None:
        return "\0(not a name)"
    escaped = re.sub(rb"[\x00-\x1f\x7f]|\xc2[\x80-\x9f]",
                     lambda m: b"".join(b"\\x%02x" % c for c in m.group()), name)
    return escaped.decode("utf-8", "surrogateescape")


def record(path, schema):
    """The JSON document at `path`, checked against doc/schema/`schema`;
    None, a failed check, when it cannot be read."""
    import json
    try:
        with open(path, encoding="utf-8") as f:
            doc = json.load(f)
    except (OSError, ValueError) as e:
        check(False, "%s: %s" % (path, e))
        return None
    valid_record(doc, schema, path)
    return doc
