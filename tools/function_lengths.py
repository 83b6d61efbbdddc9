#!/usr/bin/env python3
"""Lists the functions of the programs' C++ sources that are longer than a
limit (50 lines by default), from the line of a function's name to its
closing brace; with --check, exits 1 when there is one.

    function_lengths.py [--limit N] [--check] DIR...

A function is a brace block at namespace or class level whose opening
line holds a parameter list (not a class, struct, enum, namespace, array or
initializer list). Lambdas count as part of the function around them."""
import os
import re
import sys

BLOCK = re.compile(r"^\s*(namespace|class|struct|enum|union|extern)\b")


def strip(text):
    """The source without comments, strings and character literals."""
    text = re.sub(r"//[^\n]*|/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group()), text,
                  flags=re.S)
    return re.sub(r'R"\((?:.|\n)*?\)"|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                  lambda m: re.sub(r"[^\n]", " ", m.group()), text)


def functions(path):
    """(name, first line, lines) of each function in `path`."""
    with open(path, encoding="utf-8") as f:
        lines = strip(f.read()).split("\n")
    out = []
    stack = []  # per open brace: (name, first line) of a function, or None
    head, head_line = "", None  # the text since the last ; { } outside functions
    for number, line in enumerate(lines, 1):
        for c in line + "\n":
            if any(stack):  # inside a function: only its braces count
                if c == "{":
                    stack.append(None)
                elif c == "}":
                    top = stack.pop()
                    if top is not None:
                        out.append((top[0], top[1], number - top[1] + 1))
                continue
            if c == "{":
                opening = " ".join(head.split())
                function = ("(" in opening and not BLOCK.match(opening) and
                            not opening.endswith("=") and
                            not re.search(r"\b(class|struct|enum|namespace)\b[^()]*$", opening))
                name = re.findall(r"([~\w:]+)\s*\(", opening)
                stack.append((name[0] if name else "?", head_line or number) if function else None)
                head, head_line = "", None
            elif c in ";}":
                if c == "}" and stack:
                    stack.pop()
                head, head_line = "", None
            else:
                if head_line is None and not c.isspace():
                    head_line = number
                head += c
    return out


def main():
    args = sys.argv[1:]
    limit = 50
    if "--limit" in args:
        limit = int(args[args.index("--limit") + 1])
        del args[args.index("--limit"):args.index("--limit") + 2]
    check = "--check" in args
    dirs = [a for a in args if a != "--check"]
    long_ones = []
    for d in dirs:
        for root, _, names in os.walk(d):
            for n in sorted(names):
                if n.endswith((".cpp", ".h")):
                    path = os.path.join(root, n)
                    long_ones += [(length, path, line, name) for name, line, length in
                                  functions(path) if length > limit]
    for length, path, line, name in sorted(long_ones, reverse=True):
        print("%s:%d: %s: %d lines" % (path, line, name, length))
    if not long_ones:
        print("no function longer than %d lines" % limit)
    return 1 if check and long_ones else 0


if __name__ == "__main__":
    sys.exit(main())
