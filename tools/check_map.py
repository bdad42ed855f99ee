#!/usr/bin/env python3
"""Checks the map of the code in docs/ARCHITECTURE.md against the code: each
row between the markers names places as `Name` path, and each such name must
stand in that file (as a whole word). Exit 0 when every place is found, 1
naming each one that is not, 2 when there is no map."""
import argparse
import os
import re
import sys

BEGIN, END = "<!-- map of the code -->", "<!-- end of map -->"
PLACE = re.compile(r"`([A-Za-z_][A-Za-z0-9_:~]*)`\s+\(?([\w./-]+\.(?:cpp|h|py|sh|rc|in|txt))\)?")


def places(doc):
    if BEGIN not in doc or END not in doc:
        return None
    before, rest = doc.split(BEGIN, 1)
    first = before.count("\n") + 1  # the marker's line in the document
    return [(first + number, m.group(1), m.group(2))
            for number, line in enumerate(rest.split(END, 1)[0].split("\n")) if line.startswith("|")
            for m in PLACE.finditer(line)]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    root = parser.parse_args().root
    with open(os.path.join(root, "docs", "ARCHITECTURE.md"), encoding="utf-8") as f:
        found = places(f.read())
    if not found:
        print("docs/ARCHITECTURE.md has no map of the code between %s and %s" % (BEGIN, END))
        return 2
    wrong = []
    for row, name, path in found:
        file = os.path.join(root, path)
        if not os.path.isfile(file):
            wrong.append("docs/ARCHITECTURE.md:%d: %s: no such file" % (row, path))
            continue
        with open(file, encoding="utf-8", errors="replace") as f:
            word = name.split("::")[-1]
            if not re.search(r"(?<![\w])" + re.escape(word) + r"(?![\w])", f.read()):
                wrong.append("docs/ARCHITECTURE.md:%d: `%s` is not in %s" % (row, name, path))
    for line in wrong:
        print(line)
    print("map of the code: %d places, %d wrong" % (len(found), len(wrong)))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
