#!/usr/bin/env python3
"""What can be checked of the shipped i686 VtrSysTray.exe without running it:
its PE header (i386, Windows GUI), its resources (manifest 1, the version,
an icon group whose pictures are there) and that every DLL function it
imports is exported by 32-bit Wine's DLL of that name. Needs no Wine, only
Wine's i386 DLL files, so it runs on every machine.

  check_pe.py --program VtrSysTray.exe --dlls DIR --version X.Y.Z
"""
import argparse
import os
import struct
import sys

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32 = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


class Image:
    """A PE file's headers, sections and data directories, read from its bytes."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        self.wide = self.magic != PE32  # PE32+: 64-bit thunks, directories 16 bytes later
        self.subsystem = self.u16(optional + 68)
        directories = optional + (112 if self.wide else 96)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%X is in no section" % rva)

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        """(file offset, size) of a data directory, or None when it is empty."""
        if index >= len(self.directories) or self.directories[index][0] == 0:
            return None
        rva, size = self.directories[index]
        return self.offset(rva), size

    def imports(self):
        """{dll name in lower case: [function name, or ordinal number]}"""
        found, at = {}, self.directory(1)
        at = at[0] if at else None
        while at is not None:
            names, _, _, dll, thunks = struct.unpack_from("<IIIII", self.data, at)
            if dll == 0:
                break
            step, flag = (8, 1 << 63) if self.wide else (4, 1 << 31)
            thunk, entries = self.offset(names or thunks), found.setdefault(self.text(dll).lower(), [])
            while (value := int.from_bytes(self.data[thunk:thunk + step], "little")) != 0:
                entries.append(value & 0xFFFF if value & flag else self.text((value & 0x7FFFFFFF) + 2))
                thunk += step
            at += 20
        return found

    def exports(self):
        """Exported names and ordinals, in one set."""
        at = self.directory(0)
        if at is None:
            return set()
        base, functions, names, function_table, name_table = struct.unpack_from("<IIIII", self.data, at[0] + 16)
        table = self.offset(function_table)
        found = {base + i for i in range(functions) if self.u32(table + 4 * i) != 0}
        table = self.offset(name_table) if names else 0
        return found | {self.text(self.u32(table + 4 * i)) for i in range(names)}

    def resources(self):
        """{(type id, name id): data bytes} of the resources named by number."""
        root = self.directory(2)
        if root is None:
            return {}
        root, found = root[0], {}

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if not name & 0x80000000:
                    yield name, target

        for kind, names in entries(root):
            for name, languages in entries(root + (names & 0x7FFFFFFF)):
                for _, leaf in entries(root + (languages & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, root + leaf)
                    found[(kind, name)] = self.data[self.offset(rva):self.offset(rva) + size]
        return found


def problems(program, dlls, version):
    """Every way the program falls short, as lines; none when it passes."""
    out = []
    image = Image(program)
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32:
        out.append("machine 0x%X, optional header 0x%X: not an i386 PE32 image" % (image.machine, image.magic))
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        out.append("subsystem %d, not the Windows GUI (2)" % image.subsystem)
    if image.directory(13) is not None:
        out.append("delay-loaded imports, which this check does not read")

    resources = image.resources()
    manifest = resources.get((RT_MANIFEST, 1), b"")
    if b"<assembly" not in manifest:
        out.append("no manifest (RT_MANIFEST 1) with an <assembly>")
    info = resources.get((RT_VERSION, 1), b"")
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    wanted = [int(part) for part in version.split(".")] + [0]
    if fixed < 0 or list(struct.unpack_from("<HHHH", info, fixed + 8)) != [wanted[1], wanted[0], wanted[3], wanted[2]]:
        out.append("no version resource of version %s.0" % version)
    groups = [data for (kind, _), data in resources.items() if kind == RT_GROUP_ICON]
    if not groups:
        out.append("no icon group")
    for group in groups:
        count = struct.unpack_from("<H", group, 4)[0]
        for i in range(count):
            picture = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            if (RT_ICON, picture) not in resources:
                out.append("the icon group names picture %d, which is not there" % picture)

    if not os.path.isfile(os.path.join(dlls, "kernel32.dll")):
        return out + ["no 32-bit Wine DLLs in %s (Debian: apt-get install wine32:i386)" % dlls]
    imports = image.imports()
    if not imports:
        out.append("no imports found")
    for dll, functions in sorted(imports.items()):
        path = os.path.join(dlls, dll)
        if not os.path.isfile(path):
            out.append("%s: 32-bit Wine has no such DLL" % dll)
            continue
        with open(path, "rb") as f:
            exported = Image(f.read()).exports()
        out += ["%s: %s is not exported" % (dll, name if isinstance(name, str) else "ordinal %d" % name)
                for name in functions if name not in exported]
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--dlls", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    with open(args.program, "rb") as f:
        found = problems(f.read(), args.dlls, args.version)
    for line in found:
        print("not ok - " + line)
    if not found:
        print("ok - %s: i386, Windows GUI, manifest, version, icons; every import exported by Wine's %s"
              % (args.program, args.dlls))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
