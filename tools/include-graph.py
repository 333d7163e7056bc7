#!/usr/bin/env python3
"""The house from its includes: folder-level edges (up = against the order
common < cache < help < dialog < shell, with tests and the tools above them
all; resources/resource.h, ids only, is a leaf beside common; shell/host, the
host's records and the settings layout that every part reads, is the floor
just above common), and any circle
between files. Exit status 1 on an arrow running up that the layout does not
ask for, or on a circle. Run from anywhere: python3 tools/include-graph.py"""
import os
import re
import subprocess
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ORDER = ["common", "shell/host", "cache", "help", "dialog", "shell"]
OUTSIDE = ["resources", "testhost", "bench", "kwltool", "fuzz", "tests"]  # above the product
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)



def folder_of(path):
    return "shell/host" if path.startswith("shell/host/") else path.split("/")[0]


def rank(folder):
    if folder == "resources":
        return 0
    if folder in ORDER:
        return ORDER.index(folder)
    return len(ORDER)


def files():
    out = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True, text=True).stdout
    return [f for f in out.split() if folder_of(f) in ORDER + OUTSIDE]


def resolve(source, name, known):
    # "support/..." is found through the tests' include directory.
    for candidate in (name, "tests/" + name, os.path.normpath(os.path.join(os.path.dirname(source), name))):
        if candidate in known:
            return candidate
    return None


def main():
    known = set(files())
    edges = defaultdict(set)
    for f in sorted(known):
        with open(os.path.join(ROOT, f), encoding="utf-8", errors="replace") as text:
            for name in INCLUDE.findall(text.read()):
                target = resolve(f, name, known)
                if target is not None and target != f:
                    edges[f].add(target)

    folders = defaultdict(list)
    for source, targets in edges.items():
        for target in targets:
            a, b = folder_of(source), folder_of(target)
            if a != b:
                folders[(a, b)].append(f"{source} -> {target}")
    up = 0
    print("folder edges (from -> to: includes)")
    for (a, b), why in sorted(folders.items(), key=lambda e: (rank(e[0][0]), e[0][0], rank(e[0][1]))):
        note = ""
        if rank(b) > rank(a):
            up += 1
            note = "   UP: " + ", ".join(sorted(why))
        print(f"  {a:10} -> {b:10} {len(why):3}{note}")

    # Circles between files: strongly connected components of more than one file.
    index, low, stack, on, circles = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                circles.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(known):
        if v not in index:
            visit(v)
    print(f"circles between files: {len(circles)}")
    for c in circles:
        print("  " + " <-> ".join(c))
    print(f"edges running up: {up}")
    return 1 if up or circles else 0


if __name__ == "__main__":
    sys.exit(main())
