#!/usr/bin/env python3
"""Where the bytes of a built program go: the sections in the file, the link map summed per
input (our folders, each runtime library) and the resources one by one.
Usage: size_table.py <program.exe> <link map> <source folder> [payload bytes]"""

import os
import re
import struct
import sys
from collections import defaultdict

# Sections whose input pieces the map lists; the rest are made by the linker or windres.
MAPPED = (".text", ".data", ".rdata", ".eh_frame", ".CRT", ".tls", ".idata")
IMPORT_LIBRARIES = {"kernel32", "user32", "gdi32", "winspool", "shell32", "ole32", "oleaut32", "uuid", "comdlg32",
                    "advapi32", "msvcrt", "moldname"}
RESOURCE_TYPES = {2: "BITMAP", 3: "ICON", 10: "RCDATA", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST"}


def pe_sections(data):
    """(name, raw size, raw offset) of each section."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, = struct.unpack_from("<H", data, pe + 6)
    optional, = struct.unpack_from("<H", data, pe + 20)
    table = pe + 24 + optional
    sections = []
    for i in range(count):
        name, _, _, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
        sections.append((name.rstrip(b"\0").decode(), raw_size, raw_offset))
    return sections


def resources(data, sections):
    """(type, name, size) of every resource, read from the resource directory."""
    base = next((offset for name, _, offset in sections if name == ".rsrc"), None)
    if base is None:
        return []

    def label(value, known=None):
        if value & 0x80000000:
            at = base + (value & 0x7FFFFFFF)
            length, = struct.unpack_from("<H", data, at)
            return data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return (known or {}).get(value, str(value))

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + numbered):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

    found = []
    for kind, kind_table in entries(0):
        for name, name_table in entries(kind_table & 0x7FFFFFFF):
            for _, leaf in entries(name_table & 0x7FFFFFFF):
                _, size = struct.unpack_from("<II", data, base + leaf)
                found.append((label(kind, RESOURCE_TYPES), label(name), size))
    return found


def source_folders(root):
    """Each source file's folder, by the file's name: objects in archives keep only that."""
    folders = {}
    for folder in sorted(os.listdir(root)):
        if os.path.isdir(os.path.join(root, folder)) and folder not in ("tests", "build"):
            for name in os.listdir(os.path.join(root, folder)):
                if name.endswith(".cpp"):
                    folders[name] = folder
    return folders


def input_group(path, folders):
    """Our own code by folder, the resource script's object apart, runtime pieces by library."""
    member = re.search(r"([^/]+\.a)\(([^)]+)\)$", path)
    if not member:
        return path.rsplit("/", 1)[-1]
    archive, obj = member.groups()
    source = obj[:-len(".obj")] if obj.endswith(".obj") else obj
    if source in folders:
        return "our code: %s/" % folders[source]
    if archive.startswith("lib") and archive[3:-2] in IMPORT_LIBRARIES:
        return "import stubs and tables"
    return archive


def map_contributions(text, folders):
    """{group: {section: bytes}} from the "Linker script and memory map" part of a GNU ld map."""
    body = text.split("Linker script and memory map", 1)[-1]
    totals = defaultdict(lambda: defaultdict(int))
    section, split = None, False
    for line in body.splitlines():
        top = re.match(r"^(\.[A-Za-z_]+)(\s|$)", line)
        if top:
            section, split = top.group(1), False
            continue
        if section not in MAPPED:
            continue
        # An input piece: " .name addr size file", or the name alone and the rest on the next line.
        piece = re.match(r"^ \.\S+\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if not piece and split:
            piece = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        split = bool(re.match(r"^ \.\S+$", line))
        if piece:
            totals[input_group(piece.group(2).strip(), folders)][section] += int(piece.group(1), 16)
    return totals


def main(argv):
    exe, map_path, root = argv[1], argv[2], argv[3]
    payload = int(argv[4]) if len(argv) > 4 else 0
    data = open(exe, "rb").read()
    sections = pe_sections(data)
    print("Sections in the file, bytes")
    print("  %-10s %8d" % ("headers", min(offset for _, size, offset in sections if size)))
    for name, size, _ in sections:
        if size:
            print("  %-10s %8d" % (name, size))

    totals = map_contributions(open(map_path, encoding="utf-8", errors="replace").read(), source_folders(root))
    shown = [s for s in MAPPED if any(t.get(s) for t in totals.values())]
    print("\nCode and data by input, bytes before alignment (from the link map)")
    print("  %-30s" % "input" + "".join("%9s" % s for s in shown) + "%9s" % "total")
    rows = sorted(totals.items(), key=lambda item: -sum(item[1].values()))
    small = 0
    for group, by_section in rows:
        total = sum(by_section.values())
        if total < 256:
            small += total
            continue
        print("  %-30s" % group[:30] + "".join("%9d" % by_section.get(s, 0) for s in shown) + "%9d" % total)
    if small:
        print("  %-30s" % "(inputs under 256 bytes each)" + " " * 9 * len(shown) + "%9d" % small)

    print("\nResources, bytes")
    for kind, name, size in sorted(resources(data, sections), key=lambda r: -r[2]):
        note = "  (the expert, not overhead)" if payload and size == payload else ""
        print("  %-10s %-14s %8d%s" % (kind, name, size, note))


if __name__ == "__main__":
    main(sys.argv)
