#!/usr/bin/env python3
"""Folders are floors: a file in src/<folder>/ includes only its own folder and
the folders on the floors below it. Lists every include that reaches up, or
into a folder on no floor, by file and line, and fails when there is one.

    python3 scripts/check-floors.py [SRC]    (SRC: src/ beside this script)
"""
import pathlib
import re
import sys

# From the bottom up: each folder may include the ones before it.
FLOORS = ["platform", "model", "core", "link", "refdata", "viewer", "report", "qc", "archive", "runs", "app"]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')


def faults(src):
    floor = {name: level for level, name in enumerate(FLOORS)}
    found = []
    for path in sorted(p for p in src.rglob("*") if p.is_file()):
        parts = path.relative_to(src).parts
        if len(parts) < 2:
            continue  # beside the folders: build helpers, on no floor
        shown = pathlib.Path(src.name, *parts)
        folder = parts[0]
        if folder not in floor:
            found.append(f"{shown}: folder {folder}/ is on no floor")
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), start=1):
            match = INCLUDE.match(line)
            if not match or match.group(1) == folder:
                continue
            target = match.group(1)
            if target not in floor:
                found.append(f"{shown}:{number}: includes {target}/, a folder on no floor")
            elif floor[target] > floor[folder]:
                found.append(f"{shown}:{number}: {folder}/ includes {target}/, a floor above it")
    return found


def main(argv):
    src = pathlib.Path(argv[1]) if len(argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "src"
    if not src.is_dir():
        print(f"{src}: no such folder", file=sys.stderr)
        return 2
    found = faults(src)
    for fault in found:
        print(fault)
    if found:
        print(f"{len(found)} include(s) against the floors: " + " -> ".join(FLOORS))
        return 1
    print("every include keeps to the floors")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
