#!/usr/bin/env python3
"""Checks a 32-bit Windows image by reading it: these machines cannot run it.

Reads the PE headers (machine, image kind, subsystem, declared system
versions), the export table and the import tables (ordinary and delay-load),
and reports every way in which the file differs from what it must be. Exits 1
when there is any finding, 2 when the file cannot be read as an image.
"""

import argparse
import struct
import sys

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
SUBSYSTEMS = {"gui": 2, "console": 3}
PE32_MAGIC = 0x10B


class ImageError(Exception):
    pass


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ImageError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ImageError("no PE signature")
        coff = pe + 4
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = \
            struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        self.magic = self.u16(optional)
        if self.magic != PE32_MAGIC:
            # Only the 32-bit layout is read further.
            self.os_version = self.subsystem_version = (0, 0)
            self.subsystem = 0
            self.directories = []
        else:
            self.os_version = (self.u16(optional + 40), self.u16(optional + 42))
            self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
            self.subsystem = self.u16(optional + 68)
            count = self.u32(optional + 92)
            self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                                for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((address, max(size, raw_size), raw_offset, raw_size))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for address, size, raw_offset, raw_size in self.sections:
            if address <= rva < address + size:
                if rva - address >= raw_size:
                    raise ImageError("address 0x%x lies outside the file" % rva)
                return raw_offset + rva - address
        raise ImageError("address 0x%x is in no section" % rva)

    def text(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii", "replace")

    def directory(self, index):
        if index >= len(self.directories):
            return (0, 0)
        return self.directories[index]

    def exports(self):
        rva, size = self.directory(0)
        if rva == 0 or size == 0:
            return []
        at = self.offset(rva)
        names = self.u32(at + 24)
        name_table = self.offset(self.u32(at + 32))
        return [self.text(self.u32(name_table + 4 * i)) for i in range(names)]

    def _thunks(self, dll, table_rva):
        at = self.offset(table_rva)
        while True:
            entry = self.u32(at)
            if entry == 0:
                return
            if entry & 0x80000000:
                yield (dll, "#%d" % (entry & 0xFFFF))
            else:
                yield (dll, self.text(entry + 2))
            at += 4

    def imports(self):
        """(dll, function) pairs of the import and delay-load import tables."""
        found = []
        rva, _ = self.directory(1)
        if rva:
            at = self.offset(rva)
            while self.u32(at + 12) != 0:
                lookup, first_thunk = self.u32(at), self.u32(at + 16)
                found += self._thunks(self.text(self.u32(at + 12)), lookup or first_thunk)
                at += 20
        rva, _ = self.directory(13)
        if rva:
            at = self.offset(rva)
            while self.u32(at + 4) != 0:
                found += self._thunks(self.text(self.u32(at + 4)), self.u32(at + 16))
                at += 32
        return found


def read_list(path):
    """Non-empty lines without '#' comments, each split into words."""
    rows = []
    with open(path, encoding="ascii") as lines:
        for line in lines:
            words = line.split("#", 1)[0].split()
            if words:
                rows.append(words)
    return rows


def findings(image, args):
    found = []
    if image.machine != MACHINES[args.machine]:
        found.append("machine 0x%x, not %s" % (image.machine, args.machine))
    if image.magic != PE32_MAGIC:
        found.append("optional header 0x%x, not a PE32 image" % image.magic)
        return found
    if image.subsystem != SUBSYSTEMS[args.subsystem]:
        found.append("subsystem %d, not %s" % (image.subsystem, args.subsystem))
    wanted = tuple(int(part) for part in args.os_version.split("."))
    for what, version in (("operating system", image.os_version),
                          ("subsystem", image.subsystem_version)):
        if version != wanted:
            found.append("declared %s version %d.%d, not %s" % (what, *version, args.os_version))
    if args.exports:
        expected = {row[0] for row in read_list(args.exports)}
        actual = image.exports()
        for name in sorted(expected - set(actual)):
            found.append("missing export %s" % name)
        for name in sorted(set(actual) - expected):
            found.append("unexpected export %s" % name)
        for name in sorted({n for n in actual if actual.count(n) > 1}):
            found.append("export %s listed twice" % name)
    imports = image.imports()
    if args.dlls:
        allowed = {row[0].lower() for row in read_list(args.dlls)}
        for dll in sorted({dll for dll, _ in imports if dll.lower() not in allowed}):
            found.append("imports %s, which the system does not have" % dll)
    if args.refused_imports:
        refused = {(row[0].lower(), row[1]) for row in read_list(args.refused_imports)}
        for dll, function in imports:
            if (dll.lower(), function) in refused:
                found.append("imports %s %s, which the system does not have" % (dll, function))
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("image")
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--subsystem", choices=sorted(SUBSYSTEMS), required=True)
    parser.add_argument("--os-version", required=True, help="for example 4.0")
    parser.add_argument("--exports", help="file naming every export, one a line")
    parser.add_argument("--dlls", help="file naming the DLLs the system has")
    parser.add_argument("--refused-imports", help="file of '<dll> <function>' lines")
    args = parser.parse_args()
    try:
        with open(args.image, "rb") as file:
            image = Image(file.read())
        found = findings(image, args)
    except (ImageError, struct.error, ValueError, OSError) as error:
        print("%s: cannot be read as an image: %s" % (args.image, error))
        return 2
    for line in found:
        print("%s: %s" % (args.image, line))
    if not found:
        print("%s: %d imports, %d exports, as required" %
              (args.image, len(image.imports()), len(image.exports())))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
