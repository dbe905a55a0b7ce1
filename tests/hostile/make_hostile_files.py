#!/usr/bin/env python3
"""Writes files made to make a module-file reader work hard or print what it must not, and
cases.json, which says how kelhost must answer each one.

    make_hostile_files.py OUTDIR --format elf|pe [--size BYTES]

--size is how large the amplification files grow (256 KiB unless given): the tests use the
default, scripts/measure-hostile-files.py asks for 16 MiB. Every case expects exit 1 with
the message given, or exit 0; kelhost must never hang, abort or print a raw control byte.
"""
import argparse
import json
import os
import struct

# ---------------------------------------------------------------------------------- ELF

SHT_PROGBITS, SHT_STRTAB, SHT_DYNAMIC, SHT_NOTE, SHT_DYNSYM = 1, 3, 6, 7, 11
DT_NEEDED = 1
PT_NOTE = 4
EM_X86_64 = 62


def long_name_length(size):
    """8000 bytes, which 525 names take past the names' budget; shorter for small files (the
    fuzzers' seeds), yet longer than the 256 bytes of the fuzzers' small limits."""
    return min(8000, max(300, size // 8))


def elf(sections, machine=EM_X86_64, ei_version=1, e_version=1, note=None):
    """An ELF64 shared object. `sections`: (name, type, data, link, entsize) or
    (name, type, ("same", index), link, entsize) for a header describing the data of section
    `index` again (indices count from 1). `note`: index of a section a PT_NOTE covers."""
    names = bytearray(b"\0")
    name_offsets = []
    for section in sections:
        name_offsets.append(len(names))
        names += section[0].encode() + b"\0"
    shstrtab_name = len(names)
    names += b".shstrtab\0"
    names = bytes(names)
    header_size, phdr_size = 64, 56 if note else 0
    body = bytearray()
    placed = []  # (offset, size)
    for section in sections:
        data = section[2]
        if isinstance(data, tuple):
            placed.append(placed[data[1] - 1])
            continue
        offset = header_size + phdr_size + len(body)
        placed.append((offset, len(data)))
        body += data + b"\0" * (-len(data) % 8)
    names_offset = header_size + phdr_size + len(body)
    body += names + b"\0" * (-len(names) % 8)
    shoff = header_size + phdr_size + len(body)
    shnum = len(sections) + 2
    # From 0xff00 sections on, the count and the names' index are kept in the first header.
    extended = shnum >= 0xff00
    ident = b"\x7fELF" + bytes([2, 1, ei_version, 0]) + b"\0" * 8
    header = ident + struct.pack("<HHIQQQIHHHHHH", 3, machine, e_version, 0,
                                 header_size if note else 0, shoff, 0, 64, 56,
                                 1 if note else 0, 64, 0 if extended else shnum,
                                 0xffff if extended else shnum - 1)
    phdrs = b""
    if note:
        offset, size = placed[note - 1]
        phdrs = struct.pack("<IIQQQQQQ", PT_NOTE, 4, offset, 0, 0, size, size, 4)
    shdrs = bytearray(struct.pack("<IIQQQQIIQQ", 0, 0, 0, 0, 0, shnum, shnum - 1, 0, 0, 0)
                      if extended else b"\0" * 64)
    for section, name, (offset, size) in zip(sections, name_offsets, placed):
        shdrs += struct.pack("<IIQQQQIIQQ", name, section[1], 0, 0, offset, size, section[3], 0,
                             8, section[4])
    shdrs += struct.pack("<IIQQQQIIQQ", shstrtab_name, SHT_STRTAB, 0, 0, names_offset,
                         len(names), 0, 0, 1, 0)
    return header + phdrs + bytes(body) + bytes(shdrs)


def symbols(count, name_offset=1):
    """The null symbol and `count` defined global functions named at `name_offset`."""
    return b"\0" * 24 + struct.pack("<IBBHQQ", name_offset, 0x12, 0, 1, 0, 0) * count


def symbol_names(names):
    """A .dynsym naming each of `names` once, and its string table."""
    strings, table = b"\0", b"\0" * 24
    for name in names:
        table += struct.pack("<IBBHQQ", len(strings), 0x12, 0, 1, 0, 0)
        strings += name + b"\0"
    return table, strings


def manifest_note(xml):
    note = struct.pack("<III", 8, len(xml), 1) + b"PLUGCFG\0" + xml
    return note + b"\0" * (-len(note) % 4)


def elf_with_manifest(xml):
    table, strings = symbol_names([b"GetExport"])
    return elf([(".dynsym", SHT_DYNSYM, table, 2, 24), (".dynstr", SHT_STRTAB, strings, 0, 0),
                (".note.kel.plugcfg", SHT_NOTE, manifest_note(xml), 0, 0)], note=3)


def elf_cases(size):
    long_name = b"n" * long_name_length(size)
    repeat = max(1, size // 24)
    needed = struct.pack("<QQ", DT_NEEDED, 1) * max(1, size // 16) + b"\0" * 16
    control_table, control_strings = symbol_names(
        [b"\x1b]0;title\x07", b"\x1b[2J\x1b[H", b"x\nproblems:   (none)", b"\xc2\x9b31m",
         b"\xff\xfe"])
    table, strings = symbol_names([b"GetExport"])
    many = max(1, size // 64)
    note = manifest_note(b"<plugcfg/>")
    return [
        ("elf-dynsym-one-long-name.so", "inspect",
         elf([(".dynsym", SHT_DYNSYM, symbols(repeat), 2, 24),
              (".dynstr", SHT_STRTAB, b"\0" + long_name + b"\0", 0, 0)]),
         "the names the file holds take more than"),
        ("elf-needed-one-long-name.so", "inspect",
         elf([(".dynamic", SHT_DYNAMIC, needed, 2, 16),
              (".dynstr", SHT_STRTAB, b"\0" + long_name + b"\0", 0, 0)]),
         "the names the file holds take more than"),
        # Just within the names' budget: the most a file can make kelhost copy and print.
        ("elf-names-at-budget.so", "inspect",
         elf([(".dynsym", SHT_DYNSYM, symbols(520), 2, 24),
              (".dynstr", SHT_STRTAB, b"\0" + long_name + b"\0", 0, 0)]),
         "does not export GetExport"),
        ("elf-name-too-long.so", "inspect",
         elf([(".dynsym", SHT_DYNSYM, symbols(1), 2, 24),
              (".dynstr", SHT_STRTAB, b"\0" + b"n" * (size + 1) + b"\0", 0, 0)]),
         "is longer than 16384 bytes"),
        ("elf-repeated-dynsym.so", "inspect",
         elf([(".dynstr", SHT_STRTAB, strings, 0, 0), (".dynsym", SHT_DYNSYM, table, 1, 24)] +
             [(".dynsym", SHT_DYNSYM, ("same", 2), 1, 24)] * many),
         "more than one SHT_DYNSYM section"),
        ("elf-repeated-note.so", "inspect",
         elf([(".note.kel.plugcfg", SHT_NOTE, note, 0, 0)] +
             [(".note.kel.plugcfg", SHT_NOTE, ("same", 1), 0, 0)] * many, note=1),
         "does not export GetExport"),
        ("elf-other-machine.so", "inspect", elf([], machine=183), "e_machine is 183 (AArch64)"),
        ("elf-ei-version.so", "inspect", elf([], ei_version=0), "EI_VERSION is 0"),
        ("elf-e-version.so", "inspect", elf([], e_version=2), "e_version is 2"),
        ("elf-note-past-section.so", "inspect",
         elf([(".note.kel.plugcfg", SHT_NOTE, struct.pack("<III", 8, 4096, 1) + b"PLUGCFG\0", 0,
               0)], note=1),
         "runs past its section"),
        ("elf-control-names.so", "inspect",
         elf([(".dynsym", SHT_DYNSYM, control_table, 2, 24),
              (".dynstr", SHT_STRTAB, control_strings, 0, 0)]),
         "does not export GetExport"),
        ("elf-manifest-control-texts.so", "inspect",
         elf_with_manifest(b"<plugcfg><export><id>a\nproblems:   (none)\xc2\x9b</id>"
                           b"<contract>\xc2\x85c</contract></export></plugcfg>"), None),
        ("elf-manifest-not-utf8.so", "inspect",
         elf_with_manifest(b"<plugcfg><export><id>\xff</id></export></plugcfg>"),
         "a byte that is not UTF-8"),
        ("elf-manifest-latin1.so", "inspect",
         elf_with_manifest(b"<?xml version='1.0' encoding='ISO-8859-1'?><plugcfg/>"),
         "is not UTF-8"),
        ("elf-manifest-too-large.so", "inspect",
         elf_with_manifest(b"<plugcfg>" + b"<a/>" * (size // 4) + b"</plugcfg>"),
         "more than 65536"),
    ]

# ----------------------------------------------------------------------------------- PE

SECTION_RVA = 0x1000
RAW_OFFSET = 0x400


def pe(data, directories, sections=None, optional_size=240, directory_count=16):
    """A PE32+ DLL whose one section holds `data` at RVA 0x1000; `directories` maps a data
    directory index to (rva, size). `sections`: (rva, virtual size, raw size, raw offset)
    instead of the one; a raw offset of None is where `data` starts."""
    if sections is None:
        sections = [(SECTION_RVA, len(data), len(data), None)]
    data_offset = max(RAW_OFFSET, 0x148 + 40 * len(sections) + optional_size - 240)
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    file_header = struct.pack("<HHIIIHH", 0x8664, len(sections), 0, 0, 0, optional_size, 0x2022)
    optional = bytearray(max(optional_size, 112 + 8 * directory_count))
    struct.pack_into("<H", optional, 0, 0x20B)
    struct.pack_into("<I", optional, 108, directory_count)
    for index, (rva, size) in directories.items():
        struct.pack_into("<II", optional, 112 + 8 * index, rva, size)
    table = b"".join(b".data\0\0\0" + struct.pack("<IIIIIIHHI", vsize, rva, raw, offset, 0, 0,
                                                   0, 0, 0xC0000040)
                     for rva, vsize, raw, offset in
                     ((rva, vsize, raw, data_offset if offset is None else offset)
                      for rva, vsize, raw, offset in sections))
    head = dos + b"PE\0\0" + file_header + bytes(optional[:optional_size]) + table
    return head + b"\0" * (data_offset - len(head)) + data


def export_directory(names, functions=None, module=b"hostile.dll"):
    """Data for an export directory at RVA 0x1000 naming `names` (RVAs are computed)."""
    count = len(names) if functions is None else functions
    base = SECTION_RVA + 40
    address_table = base
    name_table = address_table + 4 * count
    ordinal_table = name_table + 4 * len(names)
    strings = ordinal_table + 2 * len(names)
    blob, offsets = b"", {}
    for name in names + [module]:
        if name not in offsets:
            offsets[name] = strings + len(blob)
            blob += name + b"\0"
    directory = struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, offsets[module], 1, count, len(names),
                            address_table, name_table, ordinal_table)
    return (directory + struct.pack("<I", 0x2000) * count +
            b"".join(struct.pack("<I", offsets[name]) for name in names) +
            b"".join(struct.pack("<H", index % count) for index in range(len(names))) + blob)


def pe_cases(size):
    long_name = b"n" * long_name_length(size)
    names = max(1, size // 6)
    imports = max(1, size // 20)
    import_name_rva = SECTION_RVA + 20 * imports + 20
    import_data = (struct.pack("<IIIII", 0, 0, 0, import_name_rva, 0) * imports + b"\0" * 20 +
                   long_name + b"\0")
    many_sections = min(65535, max(1, size // 40))
    # Sections mapping RVA r to file offset r, and RVA 0xFFFFF000 + r to r: the second name
    # pointer lies at 0x1_0000_0000, which 32-bit arithmetic would wrap to the file's start.
    wrap = (struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, 0, 1, 1, 2, 0x428, 0xFFFFFFFC, 0x42C) +
            struct.pack("<IHH", 0x2000, 0, 0))
    wrap += b"\0" * (0xC00 - len(wrap))
    return [
        ("pe-export-one-long-name.dll", "inspect",
         pe(export_directory([long_name] * names, functions=1), {0: (SECTION_RVA, 40)}),
         "the names the file holds take more than"),
        ("pe-names-at-budget.dll", "inspect",
         pe(export_directory([long_name] * 520), {0: (SECTION_RVA, 40)}),
         "does not export GetExport"),
        ("pe-import-run.dll", "inspect", pe(import_data, {1: (SECTION_RVA, 20)}),
         "the names the file holds take more than"),
        ("pe-many-sections.dll", "inspect",
         pe(export_directory([b"GetExport"] * 65), {0: (SECTION_RVA, 40)},
            sections=[(0x100000 + 0x100 * index, 16, 16, 0)
                      for index in range(many_sections - 1)] +
            [(SECTION_RVA, 0x10000, 0x10000, None)]),
         "carries no plug-in manifest"),
        ("pe-wrapping-address.dll", "inspect",
         pe(wrap, {0: (0x400, 40)},
            sections=[(0, 0x1000, 0x1000, 0), (0xFFFFF000, 0x1000, 0x1000, 0)]),
         "lies outside the file's sections"),
        ("pe-short-optional-header.dll", "inspect", pe(b"", {}, optional_size=200),
         "SizeOfOptionalHeader is 200, too short for its 16 data directories"),
        ("pe-control-names.dll", "inspect",
         pe(export_directory([b"\x1b]0;title\x07", b"x\nproblems:   (none)", b"\xc2\x9b2J",
                              b"\xff"]), {0: (SECTION_RVA, 40)}),
         "carries no plug-in manifest"),
    ]

# ---------------------------------------------------------------------------- all files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--format", choices=["elf", "pe"], required=True)
    parser.add_argument("--size", type=int, default=256 << 10)
    parser.add_argument("--readers-only", action="store_true",
                        help="only the module files (fuzzer seeds): no arguments file, no FIFO")
    options = parser.parse_args()
    os.makedirs(options.outdir, exist_ok=True)
    cases = []
    files = elf_cases(options.size) if options.format == "elf" else pe_cases(options.size)
    for name, command, data, message in files:
        with open(os.path.join(options.outdir, name), "wb") as out:
            out.write(data)
        cases.append({"file": name, "command": command, "message": message})
    if options.readers_only:
        return
    # Arguments files: one over the size limit (sparse, so it costs no disk), one of only
    # NUL bytes, more arguments than are taken.
    with open(os.path.join(options.outdir, "args-too-large"), "wb") as out:
        out.truncate((64 << 20) + 1)
    cases.append({"file": "args-too-large", "command": "args-file",
                  "message": "larger than 67108864 bytes"})
    with open(os.path.join(options.outdir, "args-only-nuls"), "wb") as out:
        out.write(b"\0" * ((1 << 20) + 1))
    cases.append({"file": "args-only-nuls", "command": "args-file",
                  "message": "more than 1048576 arguments"})
    if hasattr(os, "mkfifo"):
        fifo = os.path.join(options.outdir, "fifo")
        if not os.path.exists(fifo):
            os.mkfifo(fifo)
        for command in ("inspect", "module", "args-file"):
            cases.append({"file": "fifo", "command": command, "message": "not a regular file"})
    with open(os.path.join(options.outdir, "cases.json"), "w") as out:
        json.dump(cases, out, indent=1)


if __name__ == "__main__":
    main()
