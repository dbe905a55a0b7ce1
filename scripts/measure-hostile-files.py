#!/usr/bin/env python3
"""Measures what kelhost inspect costs on the hostile files (tests/hostile) grown to SIZE
bytes (16 MiB unless given): wall-clock time and peak resident memory of each run, from
wait4 (a run's peak includes the Python process it was forked from, about 14 MiB). Linux: build/linux/bin/kelhost on the ELF files. With --wine: build/mingw/bin/
kelhost.exe under wine64 on the PE files, with the time of `kelhost.exe --help` (wine's own
start-up) for comparison. Builds nothing: build the preset first.

    scripts/measure-hostile-files.py [--wine] [SIZE]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def measure(command, env=None):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=env)
    output = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.monotonic() - start
    return seconds, usage.ru_maxrss, process.returncode, len(output)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("size", nargs="?", type=int, default=16 << 20)
    parser.add_argument("--wine", action="store_true")
    options = parser.parse_args()
    file_format = "pe" if options.wine else "elf"
    env = None
    if options.wine:
        wine = shutil.which("wine64") or "/usr/lib/wine/wine64"
        kelhost = [os.environ.get("KEL_WINE", wine),
                   os.path.join(ROOT, "build/mingw/bin/kelhost.exe")]
        env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                   WINEPREFIX=os.path.join(ROOT, "build/wineprefix"))
    else:
        kelhost = [os.path.join(ROOT, "build/linux/bin/kelhost")]
    with tempfile.TemporaryDirectory() as directory:
        subprocess.run([sys.executable, os.path.join(ROOT, "tests/hostile/make_hostile_files.py"),
                        directory, "--format", file_format, "--size", str(options.size),
                        "--readers-only"], check=True)
        print(f"kelhost inspect, files grown to {options.size:,} bytes")
        print()
        print("| file | bytes | time | peak memory | exit | output bytes |")
        print("|---|---:|---:|---:|---:|---:|")
        rows = [("(`kelhost --help`, for comparison)", None, kelhost + ["--help"])]
        for name in sorted(os.listdir(directory)):
            path = os.path.join(directory, name)
            rows.append((name, os.path.getsize(path), kelhost + ["inspect", path]))
        for name, size, command in rows:
            seconds, peak_kib, status, output_bytes = measure(command, env)
            shown_size = f"{size:,}" if size is not None else ""
            print(f"| {name} | {shown_size} | {seconds * 1000:.0f} ms | {peak_kib / 1024:.1f} MiB "
                  f"| {status} | {output_bytes:,} |")


if __name__ == "__main__":
    main()
