#!/usr/bin/env python3
"""Makes Microsoft-style import libraries (NAME.lib) for the DLLs the MSVC-ABI build
links against, from the export tables of Wine's own PE DLLs: the Visual C++ runtime
(ucrtbase, vcruntime140, msvcp140) and the system DLLs the code calls.

On x86 a C function's symbol carries its calling convention: _name for __cdecl,
_name@N for __stdcall (N bytes of arguments). A PE export table holds only the bare
name, so the byte counts come from the symbol tables of Debian's MinGW-w64 i686
import libraries. An import library whose decoration is wrong fails to link, so the
linker checks them.

  make_import_libs.py --arch x86|x64 --out DIR [--wine-dir DIR] [--dlltool T] [--readobj T] [--nm T]
"""
import argparse
import os
import re
import subprocess
import sys

# The DLLs, and on x86 the MinGW-w64 import library holding their symbols' decoration
# (None: every export is __cdecl or a decorated C++ name).
DLLS = {
    "ucrtbase": "libucrtbase.a",
    "vcruntime140": "libvcruntime140_app.a",
    "msvcp140": None,
    "kernel32": "libkernel32.a",
    "winhttp": "libwinhttp.a",
    "bcrypt": "libbcrypt.a",
    "advapi32": "libadvapi32.a",
    "shell32": "libshell32.a",
}
# The compiler calls a few helpers that Microsoft's static runtime carries copies of
# and ntdll exports: the stack probe, and on x86 the 64-bit arithmetic. Only those
# are imported from ntdll.
NTDLL_HELPERS = {
    "x86": ["_chkstk", "_alloca_probe", "_alldiv", "_alldvrm", "_allmul", "_allrem",
            "_allshl", "_allshr", "_aulldiv", "_aulldvrm", "_aullrem", "_aullshr"],
    "x64": ["__chkstk"],
}

WINE_DIRS = {
    "x86": ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/wine/i386-windows"],
    "x64": ["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/wine/x86_64-windows"],
}
MINGW_I686_LIB = "/usr/i686-w64-mingw32/lib"


def run(cmd):
    return subprocess.run(cmd, check=True, capture_output=True, text=True).stdout


def exports(readobj, dll):
    names = re.findall(r"^\s*Name: (\S+)$", run([readobj, "--coff-exports", dll]), re.M)
    return [n for n in names if n]


def stdcall_sizes(nm, lib):
    """Maps a bare name to its decorated one (name@N) from a MinGW import library."""
    sizes = {}
    for line in run([nm, lib]).splitlines():
        m = re.match(r"^[0-9a-f]+ T _([A-Za-z0-9_]+@[0-9]+)$", line.strip())
        if m:
            sizes[m.group(1).split("@")[0]] = m.group(1)
    return sizes


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--arch", choices=["x86", "x64"], required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--wine-dir")
    ap.add_argument("--dlltool", default="llvm-dlltool-14")
    ap.add_argument("--readobj", default="llvm-readobj-14")
    ap.add_argument("--nm", default="llvm-nm-14")
    args = ap.parse_args()

    wine_dir = args.wine_dir or next((d for d in WINE_DIRS[args.arch] if os.path.isdir(d)), None)
    if not wine_dir:
        sys.exit(f"make_import_libs: Wine's {args.arch} PE DLLs not found in {WINE_DIRS[args.arch]}")
    os.makedirs(args.out, exist_ok=True)
    machine = "i386" if args.arch == "x86" else "i386:x86-64"

    wanted = dict(DLLS, ntdll=None)
    for name, mingw_lib in wanted.items():
        dll = os.path.join(wine_dir, name + ".dll")
        names = exports(args.readobj, dll)
        if name == "ntdll":
            names = [n for n in names if n in NTDLL_HELPERS[args.arch]]
        kill_at = False
        if args.arch == "x86" and mingw_lib:
            sizes = stdcall_sizes(args.nm, os.path.join(MINGW_I686_LIB, mingw_lib))
            names = [sizes.get(n, n) for n in names]
            # The @N is the symbol's, not the imported name's (-k drops it there).
            kill_at = True
        def_file = os.path.join(args.out, name + ".def")
        with open(def_file, "w") as f:
            f.write(f"LIBRARY {name}.dll\nEXPORTS\n")
            f.writelines(f"  {n}\n" for n in names)
        cmd = [args.dlltool, "-m", machine, "-D", name + ".dll", "-d", def_file,
               "-l", os.path.join(args.out, name + ".lib")]
        if kill_at:
            cmd.append("-k")
        run(cmd)


if __name__ == "__main__":
    main()
