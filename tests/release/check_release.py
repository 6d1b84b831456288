#!/usr/bin/env python3
"""Checks what a user downloads: the release zip holds exactly the listed files, and each
program in it is a 32-bit x86 Windows program of the right kind (window or console) that
needs no DLL beyond the system's, with the Japanese version block of 1.03a and the icon.

    check_release.py ZIP

Prints each fault and exits 1 when there is any.
"""
import struct
import sys
import zipfile

FOLDER = "morvane-1.03a-win32/"
PROGRAMS = {"ZEKO.EXE": 2, "zekocli.exe": 3}  # IMAGE_SUBSYSTEM_WINDOWS_GUI / _CUI
FILES = set(PROGRAMS) | {"README-ja.txt", "README-en.txt"}
# What every Windows has; a compiler's runtime (libgcc, libstdc++, libwinpthread) is not.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll",
               "ole32.dll", "msvcrt.dll", "advapi32.dll"}
RT_GROUP_ICON, RT_VERSION = 14, 16
IDI_APP = 101
LANG_JAPANESE = 0x411


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + 96  # PE32
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8)
                         for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva = self.directories[1][0]
        if rva == 0:
            return []
        names, at = [], self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if descriptor == (0, 0, 0, 0, 0):
                return names
            names.append(self.text(descriptor[3]))
            at += 20

    def resources(self, kind):
        """{(id, language): bytes} of a resource type."""
        if self.directories[2][0] == 0:
            return {}
        base = self.offset(self.directories[2][0])

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield key, target

        found = {}
        for key, types in entries(base):
            if key != kind:
                continue
            for name, languages in entries(base + (types & 0x7FFFFFFF)):
                for language, leaf in entries(base + (languages & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(rva)
                    found[(name, language)] = self.data[start:start + size]
        return found


def check_program(name, data):
    faults = []
    image = Image(data)
    if image.machine != 0x14C or image.magic != 0x10B:
        faults.append(f"not PE32 for i386 (machine {image.machine:#x}, magic {image.magic:#x})")
    if image.subsystem != PROGRAMS[name]:
        faults.append(f"subsystem {image.subsystem}, not {PROGRAMS[name]}")
    foreign = [dll for dll in image.imports() if dll.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append("needs DLLs beside it: " + ", ".join(foreign))
    versions = image.resources(RT_VERSION)
    block = versions.get((1, LANG_JAPANESE), b"")
    for text in ("041104b0", "FileVersion", "1.03a"):
        if text.encode("utf-16-le") not in block:
            faults.append(f"no Japanese version block with {text}")
    if not any(key[0] == IDI_APP for key in image.resources(RT_GROUP_ICON)):
        faults.append("no icon")
    return [f"{name}: {fault}" for fault in faults]


def main():
    faults = []
    with zipfile.ZipFile(sys.argv[1]) as release:
        names = release.namelist()
        listed = {name[len(FOLDER):] for name in names if name.startswith(FOLDER)}
        if listed != FILES or len(names) != len(FILES):
            faults.append(f"the zip holds {sorted(names)}, not {sorted(FILES)} in {FOLDER}")
        for name in PROGRAMS:
            if name in listed:
                faults += check_program(name, release.read(FOLDER + name))
    for fault in faults:
        print(f"check_release: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
