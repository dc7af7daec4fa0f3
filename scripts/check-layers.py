#!/usr/bin/env python3
"""Fails when a source file includes a header from a layer above its own.

The layers, bottom up, as the project's design draws them: the platform services, the forms
runtime, the process services, the engine cores (definitions, translations, the update text
and HTTP fetch), the application core, the subsystems (each may use the ones listed before
it), the console program, the GUI composition root, the GUI program. A file takes the rank
of the longest path prefix below that names it; tests and benchmarks may include anything.

Usage: check-layers.py [SOURCE_ROOT]   (default: the folder above this script)
"""
import os
import re
import sys

RANKS = [
    ("platform/", 10),
    ("ui/", 20),
    ("processes/", 25),
    ("definitions/", 30),
    ("localization/", 30),
    ("update/fetch.", 30),
    ("update/applier.", 30),
    ("app/", 40),
    # The subsystems, each above the ones it uses.
    ("scan/", 50),
    ("removal/", 51),
    ("update/", 52),
    ("protection/", 53),
    ("report/", 54),
    ("tray/", 55),
    ("definitions/ui/", 56),
    ("localization/ui/", 56),
    ("server/", 60),
    ("cli/", 70),
    ("app/gui_features.", 75),
    ("app/gui_main.", 80),
    ("installer/", 90),
]
EXEMPT = ("tests/", "bench/", "build/", ".git/")
# Known climbs, each with the reason it stays for now (none today).
ALLOWED = set()
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def rank_of(path):
    best = None
    for prefix, rank in RANKS:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, rank)
    return best


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    climbs = []
    checked = 0
    for folder, subfolders, files in os.walk(root):
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        relative = "" if relative == "." else relative + "/"
        subfolders.sort()
        if relative.startswith(EXEMPT):
            subfolders[:] = []
            continue
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = relative + name
            own = rank_of(path)
            if own is None:
                continue
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as source:
                text = source.read()
            checked += 1
            for included in INCLUDE.findall(text):
                other = rank_of(included)
                if other is not None and other[1] > own[1] and (path, included) not in ALLOWED:
                    climbs.append(f"{path}: includes {included} ({other[0]} is above {own[0]})")
    for line in climbs:
        print(line)
    if checked == 0:
        print(f"check-layers: no sources under {root}")
        return 2
    print(f"check-layers: {checked} files, {len(climbs)} includes that climb a layer")
    return 1 if climbs else 0


if __name__ == "__main__":
    sys.exit(main())
