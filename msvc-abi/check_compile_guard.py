#!/usr/bin/env python3
"""A guard file stops an MSVC build that lacks a required macro: compiled with this
build's compiler and flags, SOURCE must fail with an #error naming MACRO, and compile
once MACRO is defined.

  check_compile_guard.py --macro NAME --source FILE --object OUT -- COMPILER FLAGS...
"""
import argparse
import subprocess
import sys


def compile_(command, source, obj, extra):
    return subprocess.run(command + extra + ["/c", f"/Fo{obj}", "--", source],
                          capture_output=True, text=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--macro", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--object", required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    without = compile_(command, args.source, args.object, [])
    output = without.stdout + without.stderr
    if without.returncode == 0 or "#error" not in output and "error:" not in output \
            or args.macro not in output:
        print(f"without {args.macro}, {args.source} should stop with an #error naming it;"
              f" exit {without.returncode}:\n{output}", file=sys.stderr)
        return 1
    with_macro = compile_(command, args.source, args.object, [f"/D{args.macro}"])
    if with_macro.returncode != 0:
        print(f"with {args.macro}, {args.source} should compile:\n"
              f"{with_macro.stdout}{with_macro.stderr}", file=sys.stderr)
        return 1
    print(f"{args.source}: stops without {args.macro}, compiles with it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
