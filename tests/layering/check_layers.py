#!/usr/bin/env python3
"""Fails when a file of a Qt-free layer includes Qt or a header of a layer above it.

Each layer may include the standard library and the project folders listed for it; a quoted
include is taken relative to src/.
"""
import pathlib
import re
import sys

ACQUISITION_CORE = {"AcqState.h", "PortCatalog.h", "ReadCycle.h", "SerialLink.h", "Timing.h",
                    "UserPrompts.h"}

# Folder -> project folders its files may include.
LAYERS = {
    "common": {"common"},
    "probe": {"common", "probe"},
    "files": {"common", "files"},
    "graph": {"common", "graph"},
    "display/core": {"common", "probe", "files", "graph", "acquisition", "display/core"},
}
# Plain C++ files of the acquisition layer (the rest implement the seams with Qt).
ACQUISITION_FILES = {"ReadCycle.cpp", "UserPrompts.cpp", "PortCatalog.cpp"} | ACQUISITION_CORE

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(include):
    parts = include.split("/")
    if len(parts) >= 3 and parts[0] == "display" and parts[1] == "core":
        return "display/core"
    if len(parts) >= 3 and parts[1] == "qt":
        return parts[0] + "/qt"
    return parts[0] if len(parts) > 1 else None


def check(path, allowed, problems):
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = INCLUDE.match(line)
        if not m:
            continue
        kind, name = m.groups()
        where = f"{path}:{number}: {line.strip()}"
        if kind == "<":
            if name.startswith("Q") or name.startswith("qt"):
                problems.append(where + " (Qt in a Qt-free layer)")
            continue
        folder = folder_of(name)
        if folder is None:
            continue  # a header beside the file
        if folder == "acquisition" and pathlib.Path(name).name not in ACQUISITION_CORE:
            problems.append(where + " (a Qt implementation of a seam)")
        elif folder not in allowed:
            problems.append(where + f" (this layer may not use {folder})")


def main(src):
    src = pathlib.Path(src)
    problems = []
    for layer, allowed in LAYERS.items():
        for path in sorted((src / layer).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            if layer == "graph" and "qt" in path.relative_to(src / layer).parts:
                continue
            check(path, allowed, problems)
    for name in sorted(ACQUISITION_FILES):
        check(src / "acquisition" / name, {"common", "probe", "acquisition"}, problems)
    for p in problems:
        print(p)
    print(f"{len(problems)} layering problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
