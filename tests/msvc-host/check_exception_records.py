#!/usr/bin/env python3
"""Checks, in a built DLL's own tables, that the exception the module raises to a host built
with Microsoft's compiler can be used: every function its table of virtual functions and its
throw description point to lies in an executable section (x64 Windows never executes data),
and the table is preceded by a complete-object locator that names itself.

Usage: check_exception_records.py DLL. Reads the DLL's section table and COFF symbol table
(present in every unstripped build). Prints what it checked; exit status 1 on any failure."""
import struct
import sys

EXECUTABLE = 0x20000000


def main(path):
    image = open(path, "rb").read()
    header = struct.unpack_from("<I", image, 0x3C)[0]
    if image[header:header + 4] != b"PE\0\0":
        return fail(f"{path} is no PE file")
    _, sections_count, _, symbols_at, symbols_count, optional_size, _ = struct.unpack_from(
        "<HHIIIHH", image, header + 4)
    optional = header + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        return fail("not a 64-bit image")
    image_base = struct.unpack_from("<Q", image, optional + 24)[0]
    sections = []
    for index in range(sections_count):
        at = optional + optional_size + 40 * index
        size, address, raw_size, raw_at = struct.unpack_from("<IIII", image, at + 8)
        flags = struct.unpack_from("<I", image, at + 36)[0]
        sections.append((image[at:at + 8].rstrip(b"\0").decode(), address,
                         max(size, raw_size), raw_at, flags))
    if symbols_at == 0:
        return fail("the DLL has no symbol table: check an unstripped build")

    strings_at = symbols_at + 18 * symbols_count
    symbols = {}
    index = 0
    while index < symbols_count:
        at = symbols_at + 18 * index
        raw_name, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", image, at)
        if raw_name[:4] == b"\0\0\0\0":
            offset = struct.unpack_from("<I", raw_name, 4)[0]
            raw_name = image[strings_at + offset:image.index(b"\0", strings_at + offset)]
        if section > 0:
            symbols[raw_name.rstrip(b"\0").decode(errors="replace")] = (
                sections[section - 1][1] + value)
        index += 1 + aux

    def section_of(rva):
        for section in sections:
            if section[1] <= rva < section[1] + section[2]:
                return section
        return None

    def read(rva, form):
        section = section_of(rva)
        return struct.unpack_from(form, image, section[3] + rva - section[1])

    failures = 0

    def expect(ok, what):
        nonlocal failures
        print(("ok    " if ok else "FAIL  ") + what)
        failures += 0 if ok else 1

    def expect_code(rva, what):
        section = section_of(rva)
        expect(section is not None and section[4] & EXECUTABLE != 0,
               f"{what} at {rva:#x} lies in an executable section "
               f"({section[0] if section else 'none'})")

    for name in ("KelHostBadAllocVirtualFunctions", "KelHostBadAllocThrowInfo"):
        if name not in symbols:
            return fail(f"no symbol {name} in {path}")
    table = symbols["KelHostBadAllocVirtualFunctions"]
    for slot, what in enumerate(("the scalar deleting destructor", "what()")):
        expect_code(read(table + 8 * slot, "<Q")[0] - image_base, f"slot {slot}, {what},")
    expect_code(read(symbols["KelHostBadAllocThrowInfo"] + 4, "<i")[0],
                "the thrown object's destructor")

    locator = read(table - 8, "<Q")[0] - image_base
    signature, _, _, _, _, itself = read(locator, "<IIIiii")
    expect(section_of(locator) is not None and section_of(locator)[4] & EXECUTABLE == 0,
           "the table is preceded by a pointer to data")
    expect(signature == 1 and itself == locator,
           "that data is a complete-object locator (signature 1) that names itself")
    print(f"{path}: {failures} failed")
    return 1 if failures else 0


def fail(message):
    print(f"FAIL  {message}")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
