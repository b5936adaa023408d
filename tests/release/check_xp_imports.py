#!/usr/bin/env python3
"""Checks that 32-bit Windows programs can start on Windows XP SP3.

Usage: check_xp_imports.py --objdump OBJDUMP --lists DIR FILE...

FILE is an executable (read with OBJDUMP -p) or a text file holding such
`objdump -p` output. For each file the check requires:
  - a 32-bit (PE32) image,
  - subsystem version and OS version 5.1 in the PE header (XP refuses a
    subsystem version above 5.1),
  - every imported function exported by Windows XP SP3: listed in
    DIR/<dll>.nt5.txt (dll in lower case, without .dll) and not listed in
    DIR/xp-missing-extra.txt. A DLL without a list and an import by ordinal
    count as failures: nothing shows that XP has them.
Prints every failure and exits 1 when there is one, 0 otherwise.
"""
import argparse
import os
import re
import subprocess
import sys


def read_names(path):
    with open(path, encoding="ascii") as f:
        return {line.strip() for line in f if line.strip()}


def objdump_text(objdump, path):
    if path.endswith(".txt"):
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    done = subprocess.run([objdump, "-p", path], capture_output=True, text=True, errors="replace")
    if done.returncode != 0:
        raise RuntimeError(f"{objdump} -p {path} failed: {done.stderr.strip()}")
    return done.stdout


def parse(text):
    """Returns (header fields, [(dll, name or None for an ordinal)])."""
    header = {}
    for key in ("Magic", "MajorSubsystemVersion", "MinorSubsystemVersion",
                "MajorOSystemVersion", "MinorOSystemVersion"):
        m = re.search(r"^%s\s+(\S+)" % key, text, re.M)
        if m:
            header[key] = m.group(1)
    imports = []
    dll = None
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            continue
        if dll is None:
            continue
        if not line.strip():
            dll = None
            continue
        # Rows: "<vma> <hint> <name>" for names, "<vma> <ordinal> <none>" or
        # "Ordinal ..." for imports by number; the column header row is skipped.
        fields = line.split()
        if fields[0] == "vma:":
            continue
        if len(fields) >= 3 and re.fullmatch(r"[0-9a-fA-F]+", fields[0]) and fields[1].isdigit():
            name = fields[2]
            imports.append((dll, None if name == "<none>" else name))
        elif "rdinal" in line:
            imports.append((dll, None))
    return header, imports


def check(path, text, lists_dir, missing_on_xp):
    failures = []
    header, imports = parse(text)
    if header.get("Magic") != "010b":
        failures.append(f"not a 32-bit (PE32) image: Magic {header.get('Magic', 'missing')}")
    for what in ("Subsystem", "OSystem"):
        major = header.get(f"Major{what}Version")
        minor = header.get(f"Minor{what}Version")
        if (major, minor) != ("5", "1"):
            label = "subsystem version" if what == "Subsystem" else "OS version"
            failures.append(f"{label} is {major}.{minor}, not 5.1")
    if not imports:
        failures.append("no import table found")
    lists = {}
    for dll, name in imports:
        key = dll.lower()
        if key.endswith(".dll"):
            key = key[:-4]
        if key not in lists:
            list_path = os.path.join(lists_dir, key + ".nt5.txt")
            lists[key] = read_names(list_path) if os.path.exists(list_path) else None
            if lists[key] is None:
                failures.append(f"{dll}: no Windows XP export list ({list_path})")
        if lists[key] is None:
            continue
        if name is None:
            failures.append(f"{dll}: import by ordinal, not covered by the lists")
        elif name not in lists[key] or name in missing_on_xp:
            failures.append(f"{dll}!{name}: not exported by Windows XP SP3")
    return failures, len(imports)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--lists", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    missing_on_xp = read_names(os.path.join(args.lists, "xp-missing-extra.txt"))
    status = 0
    for path in args.files:
        try:
            failures, count = check(path, objdump_text(args.objdump, path), args.lists, missing_on_xp)
        except (OSError, RuntimeError) as e:
            failures, count = [str(e)], 0
        if failures:
            status = 1
            for failure in failures:
                print(f"{path}: {failure}")
        else:
            print(f"{path}: {count} imports, all on Windows XP SP3; subsystem and OS version 5.1")
    return status


if __name__ == "__main__":
    sys.exit(main())
