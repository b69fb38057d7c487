#!/usr/bin/env python3
"""Fails when the folders of a source tree include each other in a cycle.

Usage: tools/folder-cycles.py [SRC]   (default: the src/ beside tools/)

A folder is a top-level folder of SRC (platform/posix/ counts as platform/, the Linux
half of the same layer); the files at the top of SRC form one more. An edge is an
`#include "folder/..."` from a file of one folder to a header of another that exists
in SRC (generated headers are left out). Each cycle is printed with one include of
each of its edges.
"""
import os
import re
import sys

INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    parts = path.split("/")
    return parts[0] if len(parts) > 1 else "."


def edges_of(root):
    edges = {}
    for directory, _, names in os.walk(root):
        for name in names:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(directory, name)
            source = folder_of(os.path.relpath(path, root))
            with open(path, encoding="utf-8") as text:
                for line in text:
                    match = INCLUDE.match(line)
                    if not match or not os.path.exists(os.path.join(root, match.group(1))):
                        continue
                    target = folder_of(match.group(1))
                    if target != source:
                        edges.setdefault(source, {}).setdefault(target, f"{os.path.relpath(path, root)}: {line.strip()}")
    return edges


def cycles_of(edges):
    """The strongly connected components of more than one folder (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in edges.get(node, {}):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    edges = edges_of(root)
    cycles = cycles_of(edges)
    for cycle in cycles:
        print("folders that include each other: " + ", ".join(cycle))
        for source in cycle:
            for target, example in sorted(edges.get(source, {}).items()):
                if target in cycle:
                    print(f"  {source} -> {target}   {example}")
    return 1 if cycles else 0


if __name__ == "__main__":
    sys.exit(main())
