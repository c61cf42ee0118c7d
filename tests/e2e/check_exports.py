"""The plugin exports GetMethodTable, undecorated, and nothing else."""

import argparse
import re
import subprocess
import sys


def pe_exports(tool, plugin):
    text = subprocess.run([tool, "-p", plugin], capture_output=True, text=True, check=True).stdout
    section = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) != 2:
        return []
    names = []
    for line in section[1].splitlines()[1:]:
        match = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def dumpbin_exports(tool, plugin):
    # "dumpbin /exports": a table of ordinal, hint, RVA and name after a header line.
    text = subprocess.run([tool, "/nologo", "/exports", plugin], capture_output=True, text=True,
                          check=True).stdout
    return [m.group(1) for m in
            re.finditer(r"^\s+\d+\s+[0-9A-Fa-f]+\s+[0-9A-Fa-f]{8}\s+(\S+)", text, re.M)]


def coff_exports(tool, plugin):
    # "llvm-readobj --coff-exports": one Export block (ordinal, name, RVA) per slot of the
    # export address table. lld-link 14 numbers from 0 and leaves slot 0 empty (no
    # name, RVA 0): a gap, not an export.
    text = subprocess.run([tool, "--coff-exports", plugin], capture_output=True, text=True,
                          check=True).stdout
    slots = re.findall(r"^\s*Name: (\S*)\n\s*RVA: (0x[0-9A-Fa-f]+)$", text, re.M)
    return [name for name, rva in slots if name or int(rva, 16) != 0]


def elf_exports(tool, plugin):
    text = subprocess.run([tool, "-D", "--defined-only", plugin], capture_output=True, text=True,
                          check=True).stdout
    return [line.split()[-1] for line in text.splitlines() if line.strip()]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--plugin", required=True)
    readers = {"pe": pe_exports, "dumpbin": dumpbin_exports, "coff": coff_exports,
               "elf": elf_exports}
    parser.add_argument("--kind", choices=sorted(readers), required=True)
    args = parser.parse_args()
    names = readers[args.kind](args.tool, args.plugin)
    if names != ["GetMethodTable"]:
        print(f"exports of {args.plugin}: {names}", file=sys.stderr)
        return 1
    print("exports: GetMethodTable")
    return 0


if __name__ == "__main__":
    sys.exit(main())
