#!/usr/bin/env python3
"""Makes the hostile files (make_hostile_files.py) and has kelhost answer each one, under a
memory cap and a time-out that only a hang reaches: exit 1 with the case's message, or exit
0, and never a raw control byte on standard output or standard error. On Linux, also loads
a module by a bare name with a decoy of that name first on the library path.

    run_hostile_files.py --kelhost PATH --module PATH --format elf|pe --dir DIR
                         [--emulator PROGRAM] [--decoy PATH] [--no-memory-cap]
"""
import argparse
import json
import os
import re
import resource
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT_SECONDS = 120
MEMORY_CAP = 1 << 30
# C0 controls but LF (and CR, which wine's console writes before LF), DEL, C1 controls.
RAW_CONTROL = re.compile(rb"[\x00-\x09\x0b\x0c\x0e-\x1f\x7f]|\xc2[\x80-\x9f]")


def run(command, options, **extra):
    def cap_memory():
        resource.setrlimit(resource.RLIMIT_AS, (MEMORY_CAP, MEMORY_CAP))
    capped = not options.emulator and not options.no_memory_cap
    prefix = [options.emulator] if options.emulator else []
    return subprocess.run(prefix + command, capture_output=True, timeout=TIMEOUT_SECONDS,
                          preexec_fn=cap_memory if capped else None, **extra)


def check(name, result, expected_exit, message, failures):
    output = result.stdout + result.stderr
    problems = []
    if result.returncode != expected_exit:
        problems.append(f"exit {result.returncode}, expected {expected_exit}")
    if message is not None and message.encode() not in output:
        problems.append(f"no {message!r} in the output")
    raw = RAW_CONTROL.search(output.replace(b"\r\n", b"\n"))
    if raw:
        problems.append(f"a raw control byte {raw.group()!r}")
    if problems:
        failures.append(f"{name}: {'; '.join(problems)}\n{output.decode(errors='replace')}")
    print(f"{'FAIL' if problems else 'ok  '} {name}: exit {result.returncode}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kelhost", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--format", choices=["elf", "pe"], required=True)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--decoy")
    parser.add_argument("--no-memory-cap", action="store_true")
    options = parser.parse_args()
    options.kelhost = os.path.abspath(options.kelhost)
    options.module = os.path.abspath(options.module)
    shutil.rmtree(options.dir, ignore_errors=True)
    subprocess.run([sys.executable, os.path.join(HERE, "make_hostile_files.py"), options.dir,
                    "--format", options.format], check=True)
    with open(os.path.join(options.dir, "cases.json")) as cases_file:
        cases = json.load(cases_file)
    failures = []
    for case in cases:
        path = os.path.join(options.dir, case["file"])
        if options.emulator and case["file"] == "fifo":
            continue  # Windows file systems hold no FIFOs
        command = {
            "inspect": [options.kelhost, "inspect", path],
            "module": [options.kelhost, "--module", path, "--", "x"],
            "args-file": [options.kelhost, "--module", options.module, "--args-file", path],
        }[case["command"]]
        message = case["message"]
        check(f"{case['command']} {case['file']}", run(command, options),
              1 if message else 0, message, failures)
    if options.decoy:
        # The module in the current directory, a library of the same name that must not run
        # first on the search path.
        name = os.path.basename(options.module)
        decoys = os.path.join(options.dir, "decoys")
        os.makedirs(decoys, exist_ok=True)
        shutil.copy(options.decoy, os.path.join(decoys, name))
        shutil.copy(options.module, os.path.join(options.dir, name))
        environment = dict(os.environ, LD_LIBRARY_PATH=decoys)
        check("--module by a bare name with a decoy on the library path",
              run([options.kelhost, "--module", name, "--", "x"], options, cwd=options.dir,
                  env=environment), 0, "PlugDLL created", failures)
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
