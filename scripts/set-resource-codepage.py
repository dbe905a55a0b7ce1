#!/usr/bin/env python3
"""Sets the code page of every resource data entry of a PE file.

GNU windres writes code page 0 into the resource data entries; the module declares its
resources in code page 1252. Usage: set-resource-codepage.py FILE CODEPAGE
"""
import struct
import sys

RESOURCE_DIRECTORY_INDEX = 2
SUBDIRECTORY_FLAG = 0x80000000


def fail(message):
    sys.exit(f"set-resource-codepage: {message}")


def main():
    if len(sys.argv) != 3:
        fail("usage: set-resource-codepage.py FILE CODEPAGE")
    path, codepage = sys.argv[1], int(sys.argv[2])
    image = bytearray(open(path, "rb").read())

    if image[:2] != b"MZ":
        fail(f"{path} is not a PE file")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(f"{path} has no PE signature")
    section_count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        fail(f"{path} is not a PE32+ image")
    directories = optional + 112
    resource_rva, resource_size = struct.unpack_from("<II", image, directories + 8 * RESOURCE_DIRECTORY_INDEX)
    if resource_rva == 0 or resource_size == 0:
        fail(f"{path} has no resources")

    sections = optional + optional_size
    for index in range(section_count):
        header = sections + 40 * index
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", image, header + 8)
        if virtual_address <= resource_rva < virtual_address + max(virtual_size, raw_size):
            base = raw_offset + (resource_rva - virtual_address)
            break
    else:
        fail(f"{path}: no section holds the resource directory")

    patched = 0

    def walk(offset, depth):
        nonlocal patched
        named, numbered = struct.unpack_from("<HH", image, base + offset + 12)
        for entry in range(named + numbered):
            _, target = struct.unpack_from("<II", image, base + offset + 16 + 8 * entry)
            if target & SUBDIRECTORY_FLAG:
                walk(target & ~SUBDIRECTORY_FLAG, depth + 1)
            elif depth != 2:
                fail(f"{path}: resource data entry outside the language level")
            else:
                struct.pack_into("<I", image, base + target + 8, codepage)
                patched += 1

    walk(0, 0)
    open(path, "wb").write(image)
    print(f"set-resource-codepage: {patched} resource entries of {path} set to code page {codepage}")


if __name__ == "__main__":
    main()
