#!/usr/bin/env python3
"""The program's include graph by folder, checked against the order of the layers.

Prints one line per folder-level edge ("wizard -> flat  12"), then every include that
points up or sideways across the order, and every circle between files of different
folders. Exits 1 when there is either, so that the test suite can run it.

    scripts/include_graph.py [--quiet] [source root]
"""
import re
import sys
from collections import defaultdict
from pathlib import Path

# Each layer may include its own folder and the layers before it; folders of one layer
# include neither each other.
LAYERS = [["win32"], ["texts", "resources"], ["flat", "controls", "metatrader"], ["wizard", "unattended"], ["app"]]
RANK = {folder: rank for rank, layer in enumerate(LAYERS) for folder in layer}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for folder in RANK:
        for path in sorted((root / folder).glob("*")):
            if path.suffix in (".h", ".cpp"):
                yield path.relative_to(root).as_posix()


def graph(root):
    files = set(sources(root))
    edges = defaultdict(set)
    for name in files:
        for target in INCLUDE.findall((root / name).read_text(encoding="utf-8")):
            if target in files:
                edges[name].add(target)
    return files, edges


def folder(name):
    return name.split("/", 1)[0]


def wrong_arrows(edges):
    for source, targets in sorted(edges.items()):
        for target in sorted(targets):
            a, b = folder(source), folder(target)
            if a != b and RANK[b] >= RANK[a]:
                yield source, target


def circles(files, edges):
    """Strongly connected sets of files (Tarjan) that span more than one folder."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in edges.get(node, ()):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            member = None
            component = []
            while member != node:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
            if len({folder(m) for m in component}) > 1:
                found.append(sorted(component))

    for node in sorted(files):
        if node not in index:
            visit(node)
    return found


def main(argv):
    quiet = "--quiet" in argv
    rest = [a for a in argv if a != "--quiet"]
    root = Path(rest[0]) if rest else Path(__file__).resolve().parent.parent
    files, edges = graph(root)
    if not quiet:
        counts = defaultdict(int)
        for source, targets in edges.items():
            for target in targets:
                if folder(source) != folder(target):
                    counts[(folder(source), folder(target))] += 1
        for (a, b), n in sorted(counts.items(), key=lambda e: (RANK[e[0][0]], e[0])):
            print(f"{a} -> {b}  {n}")
    bad = list(wrong_arrows(edges))
    loops = circles(files, edges)
    for source, target in bad:
        print(f"against the order: {source} includes {target}")
    for loop in loops:
        print("circle: " + ", ".join(loop))
    return 1 if bad or loops else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
