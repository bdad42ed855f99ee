#!/usr/bin/env python3
"""check_layers.py [--root DIR]: every #include of the product's sources
must land in a folder its own folder may see.

The rules are the table between the "layer rules" markers of
docs/ARCHITECTURE.md, so the map a maintainer reads is the one that is
enforced. Each include is resolved the way the compiler resolves it with the
source tree as its include directory: a quoted include first beside the
including file, then from the tree's root; an angle include from the root
only. An include that lands outside the tree (the system's, the build's
generated headers) is not the check's business.

Exit status: 0 when every include keeps the rules, 1 with one line per
broken rule ("file:line: ..."), 2 when the rules themselves can't be read.
"""
import argparse
import os
import re
import sys

RULES_DOC = os.path.join("docs", "ARCHITECTURE.md")
BEGIN, END = "<!-- layer rules -->", "<!-- end of layer rules -->"
SOURCE_SUFFIXES = (".h", ".cpp", ".rc", ".in")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
TICKED = re.compile(r"`([^`]+)`")


class RulesError(Exception):
    pass


def read_rules(root):
    """Returns (folders, programs): folder -> (layer, visible folders), and
    the program files, which see the whole tree."""
    try:
        with open(os.path.join(root, RULES_DOC), encoding="utf-8") as doc:
            text = doc.read()
    except OSError as err:
        raise RulesError(f"{RULES_DOC}: {err.strerror}") from err
    start, end = text.find(BEGIN), text.find(END)
    if start < 0 or end < start:
        raise RulesError(f"{RULES_DOC}: no table between {BEGIN} and {END}")
    folders, programs = {}, set()
    for row in text[start + len(BEGIN):end].splitlines():
        cells = [cell.strip() for cell in row.strip().strip("|").split("|")]
        if len(cells) != 3 or not cells[0].startswith("`"):
            continue  # the header, its rule line, blank lines
        owners = [name.rstrip("/") for name in TICKED.findall(cells[0])]
        layer, seen = cells[1], cells[2]
        if seen == "everything":
            programs.update(owners)
            continue
        visible = {name.rstrip("/") for name in TICKED.findall(seen)}
        for owner in owners:
            folders[owner] = (layer, visible)
    if not folders:
        raise RulesError(f"{RULES_DOC}: the layer rules table has no rows")
    return folders, programs


def relative(root, path):
    return os.path.relpath(path, root).replace(os.sep, "/")


def resolve(root, including_dir, kind, name):
    """The file an include lands on inside the tree, or None."""
    candidates = [os.path.join(root, name)]
    if kind == '"':
        candidates.insert(0, os.path.join(including_dir, name))
    for candidate in candidates:
        candidate = os.path.normpath(candidate)
        inside = os.path.commonpath([root, candidate]) == root
        if inside and os.path.isfile(candidate):
            return candidate
    return None


def product_files(root, folders):
    for owner in sorted(folders):
        top = os.path.join(root, owner)
        for name in sorted(os.listdir(top)) if os.path.isdir(top) else []:
            path = os.path.join(top, name)
            if os.path.isfile(path) and name.endswith(SOURCE_SUFFIXES):
                yield path


def check(root):
    """The broken rules, one line each."""
    root = os.path.realpath(root)
    folders, programs = read_rules(root)
    problems = []
    # A folder of the product with no row would escape the check unseen.
    unruled = set()
    for owner in folders:
        for here, dirs, _ in os.walk(os.path.join(root, owner)):
            unruled.update(relative(root, os.path.join(here, d)) for d in dirs)
    for folder in sorted(unruled - folders.keys()):
        problems.append(f"{folder}/: a product folder with no row in the layer rules")
    for path in product_files(root, folders):
        name = relative(root, path)
        if name in programs:
            continue
        owner = relative(root, os.path.dirname(path))
        layer, visible = folders[owner]
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, os.path.dirname(path), match.group(1), match.group(2))
                if target is None:
                    continue
                landed = relative(root, os.path.dirname(target))
                if landed not in visible:
                    problems.append(
                        f"{name}:{number}: {match.group(2)} lands in {landed}/, which the {layer} "
                        f"({owner}/) may not include (it sees {', '.join(sorted(v + '/' for v in visible))})")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    args = parser.parse_args()
    try:
        problems = check(args.root)
    except RulesError as err:
        print(f"check_layers: {err}", file=sys.stderr)
        return 2
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_layers: {len(problems)} problem(s) with the layer rules of {RULES_DOC}")
        return 1
    print("check_layers: every include keeps the layer rules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
