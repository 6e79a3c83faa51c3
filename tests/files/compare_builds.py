#!/usr/bin/env python3
"""Runs sample-files of the native build and of the cross build (under its emulator) and fails
unless both wrote the same files, byte for byte.

    compare_builds.py OUT NATIVE-PROGRAM CROSS-PROGRAM [EMULATOR...]"""

import os
import shutil
import subprocess
import sys


def written(out, name, argv, folder):
    """Runs argv in out/name with folder (relative, in the system's own spelling) and returns
    the files it wrote as {relative path: bytes}."""
    cwd = os.path.join(out, name)
    shutil.rmtree(cwd, ignore_errors=True)
    os.makedirs(cwd)
    r = subprocess.run(argv + [folder], cwd=cwd, capture_output=True, timeout=300)
    if r.returncode != 0:
        sys.exit(f"the {name} build failed ({r.returncode}): {r.stderr.decode(errors='replace')}")
    files = {}
    for root, _, names in os.walk(cwd):
        for n in names:
            path = os.path.join(root, n)
            with open(path, "rb") as f:
                files[os.path.relpath(path, cwd)] = f.read()
    return files


def first_difference(a, b):
    i = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    line = a[:i].count(b"\n") + 1
    return f"byte {i} (line {line}): {a[i:i + 40]!r} against {b[i:i + 40]!r}"


def main(out, native, cross, *emulator):
    mine = written(out, "native", [os.path.abspath(native)], "logs/run 1")
    theirs = written(out, "cross", list(emulator) + [os.path.abspath(cross)], "logs\\run 1")
    if sorted(mine) != sorted(theirs):
        sys.exit(f"different files: native {sorted(mine)}, cross {sorted(theirs)}")
    if len(mine) < 5:
        sys.exit(f"expected three log pages, the prompts and the configuration: {sorted(mine)}")
    for name in sorted(mine):
        if mine[name] != theirs[name]:
            sys.exit(f"{name} differs at {first_difference(mine[name], theirs[name])}")
    total = sum(len(b) for b in mine.values())
    print(f"{len(mine)} files, {total} bytes, identical: {', '.join(sorted(mine))}")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
