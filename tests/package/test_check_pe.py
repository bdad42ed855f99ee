#!/usr/bin/env python3
"""check_pe.py on the built program with one fault planted at a time: each
must be reported, and a sound import by ordinal must not be.

  test_check_pe.py --program VtrSysTray.exe --dlls DIR --version X.Y.Z
"""
import argparse
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_pe import Image, problems  # noqa: E402


def replaced(data, old, new):
    assert data.count(old) == 1, old
    return data.replace(old, new)


def at_offset(data, offset, fmt, value):
    out = bytearray(data)
    struct.pack_into(fmt, out, offset, value)
    return bytes(out)


def first_thunk(image, dll):
    """The file offset of the first import-name entry of a DLL."""
    at = image.directory(1)[0]
    while image.text(image.u32(at + 12)).lower() != dll:
        at += 20
    return image.offset(image.u32(at))


def resource_entry(image, kind):
    """The file offset of the root resource directory's entry for a type."""
    root = image.directory(2)[0]
    at = root + 16
    while image.u32(at) != kind:
        at += 8
    return at


def main():
    parser = argparse.ArgumentParser()
    for name in ("--program", "--dlls", "--version"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    with open(args.program, "rb") as f:
        data = f.read()
    image = Image(data)
    pe = image.u32(0x3C)
    with open(os.path.join(args.dlls, "kernel32.dll"), "rb") as f:
        ordinal = min(n for n in Image(f.read()).exports() if isinstance(n, int))
    group = next(data.index(blob) for (kind, _), blob in image.resources().items() if kind == 14)
    thunk = first_thunk(image, "kernel32.dll")
    d, v = args.dlls, args.version
    cases = [  # (fault, program, DLL folder, version, a line that must be reported, or None for none)
        ("none", data, d, v, None),
        ("a made-up function", replaced(data, b"CreateProcessA\0", b"CreateProcessQ\0"), d, v,
         "kernel32.dll: CreateProcessQ is not exported"),
        ("an existing ordinal", at_offset(data, thunk, "<I", 0x80000000 | ordinal), d, v, None),
        ("a made-up ordinal", at_offset(data, thunk, "<I", 0x8000FFFE), d, v,
         "kernel32.dll: ordinal 65534 is not exported"),
        ("a made-up DLL", replaced(data, b"SHELL32.dll\0", b"SHELL99.dll\0"), d, v,
         "shell99.dll: 32-bit Wine has no such DLL"),
        ("x86_64", at_offset(data, pe + 4, "<H", 0x8664), d, v, "machine 0x8664, optional header 0x10B"),
        ("a console program", at_offset(data, pe + 24 + 68, "<H", 3), d, v, "subsystem 3"),
        ("no manifest", at_offset(data, resource_entry(image, 24), "<I", 23), d, v, "no manifest"),
        ("no version", at_offset(data, resource_entry(image, 16), "<I", 17), d, v, "no version resource"),
        ("another version", data, d, "9.9.9", "no version resource of version 9.9.9"),
        ("a missing icon", at_offset(data, group + 6 + 12, "<H", 999), d, v, "names picture 999"),
        ("no Wine DLLs", data, "/nonexistent", v, "no 32-bit Wine DLLs in /nonexistent"),
    ]
    failed = 0
    for fault, program, dlls, version, wanted in cases:
        found = problems(program, dlls, version)
        ok = any(wanted in line for line in found) if wanted else not found
        print("%s - %s: %s" % ("ok" if ok else "not ok", fault, found))
        failed += not ok
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
