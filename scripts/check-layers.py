#!/usr/bin/env python3
"""Checks that the source folders form layers: each folder (and sub-folder)
is a node, an include of "a/b/X.h" from a file in folder F is an edge
F -> a/b, and no cycle may run through these edges. Tests, benchmarks and
fuzz targets sit on top and are left out. Prints the layers, or the cycle."""
import os
import re
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
leaves = ("tests", "benchmarks", "fuzz")
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

edges = {}
for folder, _, files in os.walk(top):
    rel = os.path.relpath(folder, top)
    if rel.startswith((".", "build")) or rel.split(os.sep)[0] in leaves:
        continue
    for name in files:
        if not name.endswith((".h", ".cpp")):
            continue
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            for target in include.findall(f.read()):
                dest = os.path.dirname(target)
                if dest and dest != rel and os.path.isdir(os.path.join(top, dest)):
                    edges.setdefault(rel, set()).add(dest)
                    edges.setdefault(dest, set())

state = {}
path = []


def visit(node):
    state[node] = 1
    path.append(node)
    for nxt in sorted(edges.get(node, ())):
        if state.get(nxt) == 1:
            cycle = path[path.index(nxt):] + [nxt]
            sys.exit("include cycle between folders: " + " -> ".join(cycle))
        if nxt not in state:
            visit(nxt)
    path.pop()
    state[node] = 2


for node in sorted(edges):
    if node not in state:
        visit(node)

# Layers, bottom first: a folder sits above everything it includes.
level = {}


def depth(node):
    if node not in level:
        level[node] = 1 + max((depth(n) for n in edges[node]), default=-1)
    return level[node]


for node in edges:
    depth(node)
for k in range(max(level.values()) + 1):
    print(f"layer {k}: " + " ".join(sorted(n for n in level if level[n] == k)))
