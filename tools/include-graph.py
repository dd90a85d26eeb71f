#!/usr/bin/python3
"""Prints which top folders of src/ include which (from the
#include "folder/..." lines), and fails when they form a cycle: the tree is
meant to read bottom-up, each folder including only folders below it.

  tools/include-graph.py [SRC]     (default: src/ beside this tool)

Exit status: 0 no cycle, 1 a cycle (each is printed), 2 no such folder."""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.M)
SOURCES = (".h", ".hpp", ".cpp", ".c", ".in")


def folder_graph(src):
    tops = {name for name in os.listdir(src) if os.path.isdir(os.path.join(src, name))}
    graph = {top: {} for top in tops}
    for top in tops:
        for folder, _, files in os.walk(os.path.join(src, top)):
            for name in files:
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for used in INCLUDE.findall(f.read()):
                        if used in tops and used != top:
                            graph[top].setdefault(used, os.path.relpath(path, src))
    return graph


def cycles(graph):
    """Every strongly connected group of more than one folder (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in graph[node]:
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                group.append(top)
                if top == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    if not os.path.isdir(src):
        print("include-graph: no folder %s" % src, file=sys.stderr)
        return 2
    graph = folder_graph(src)
    for top in sorted(graph):
        print("%-12s -> %s" % (top, " ".join(sorted(graph[top])) or "(nothing)"))
    found = cycles(graph)
    for group in found:
        print("cycle: %s" % " ".join(group), file=sys.stderr)
        for top in group:
            for used in sorted(set(graph[top]) & set(group)):
                print("  %s -> %s (first in %s)" % (top, used, graph[top][used]), file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
