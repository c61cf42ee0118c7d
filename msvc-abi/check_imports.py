#!/usr/bin/env python3
"""A module of the MSVC-ABI build imports only Windows system DLLs and the Visual C++
runtime DLLs, and takes its C and C++ runtime from the shared DLLs (/MD): the heap it
allocates from is the one the host frees into.

  check_imports.py --readobj llvm-readobj-14 MODULE...
"""
import argparse
import re
import subprocess
import sys

VISUAL_CPP_RUNTIME = {"ucrtbase.dll", "vcruntime140.dll", "vcruntime140_1.dll", "msvcp140.dll",
                      "msvcp140_1.dll", "msvcp140_2.dll"}
SYSTEM = {"kernel32.dll", "ntdll.dll", "advapi32.dll", "bcrypt.dll", "winhttp.dll", "shell32.dll"}
# The shared runtime: the C library (malloc and free) and the C++ support library.
REQUIRED = {"ucrtbase.dll", "vcruntime140.dll"}


def imports(readobj, module):
    text = subprocess.run([readobj, "--coff-imports", module], capture_output=True, text=True,
                          check=True).stdout
    return {name.lower() for name in re.findall(r"^  Name: (\S+)$", text, re.M)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--readobj", required=True)
    parser.add_argument("modules", nargs="+")
    args = parser.parse_args()
    failed = False
    for module in args.modules:
        names = imports(args.readobj, module)
        stray = sorted(n for n in names
                       if n not in VISUAL_CPP_RUNTIME | SYSTEM and not n.startswith("api-ms-win-crt-"))
        missing = sorted(REQUIRED - names)
        print(f"{module} imports: {' '.join(sorted(names))}")
        if stray:
            print(f"  not a system or Visual C++ runtime DLL: {' '.join(stray)}", file=sys.stderr)
        if missing:
            print(f"  not on the shared runtime, missing: {' '.join(missing)}", file=sys.stderr)
        failed = failed or bool(stray or missing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
