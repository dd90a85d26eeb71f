#!/usr/bin/python3
"""Prints which folders of src/ include which (from the #include "folder/..."
lines) and fails when they form a cycle: the tree reads bottom-up, each
folder including only folders below it. A top folder that holds no sources
of its own (core/, window/) only groups folders: its subfolders are the
nodes. Also fails when a Qt Widgets header is included outside window/.

  tools/include-graph.py [SRC]     (default: src/ beside this tool)

Exit status: 0 fine, 1 a cycle or a widget header out of place (each is
printed), 2 no such folder or no Qt Widgets headers to check against."""

import glob
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<(?:QtWidgets/)?(Q\w+)>', re.M)
SOURCES = (".h", ".hpp", ".cpp", ".c", ".in")
WINDOW = "window"


def has_sources(folder):
    return any(name.endswith(SOURCES) for name in os.listdir(folder))


def nodes_of(src):
    """Folder (relative to src) -> node name."""
    nodes = []
    for top in sorted(os.listdir(src)):
        path = os.path.join(src, top)
        if not os.path.isdir(path):
            continue
        subs = [s for s in sorted(os.listdir(path)) if os.path.isdir(os.path.join(path, s))]
        if subs and not has_sources(path):
            nodes.extend(top + "/" + s for s in subs)
        else:
            nodes.append(top)
    return nodes


def node_for(path, nodes):
    for node in nodes:
        if path == node or path.startswith(node + "/"):
            return node
    return None


def widget_headers():
    dirs = glob.glob("/usr/include/*/qt6/QtWidgets") + glob.glob("/usr/include/qt6/QtWidgets")
    return {name for d in dirs for name in os.listdir(d) if name.startswith("Q") and "." not in name}


def scan(src, widgets):
    nodes = nodes_of(src)
    graph = {node: {} for node in nodes}
    misplaced = []
    for node in nodes:
        for folder, _, files in os.walk(os.path.join(src, node)):
            for name in files:
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, src)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for used in INCLUDE.findall(text):
                    target = node_for(used, nodes)
                    if target and target != node:
                        graph[node].setdefault(target, rel)
                if not node.startswith(WINDOW):
                    misplaced += ["%s includes <%s>" % (rel, h) for h in SYSTEM_INCLUDE.findall(text) if h in widgets]
    return graph, misplaced


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
    widgets = widget_headers()
    if not widgets:
        print("include-graph: no Qt Widgets headers found to check against", file=sys.stderr)
        return 2
    graph, misplaced = scan(src, widgets)
    for node in sorted(graph):
        print("%-18s -> %s" % (node, " ".join(sorted(graph[node])) or "(nothing)"))
    found = cycles(graph)
    for group in found:
        print("cycle: %s" % " ".join(group), file=sys.stderr)
        for node in group:
            for used in sorted(set(graph[node]) & set(group)):
                print("  %s -> %s (first in %s)" % (node, used, graph[node][used]), file=sys.stderr)
    for line in misplaced:
        print("widget header outside %s/: %s" % (WINDOW, line), file=sys.stderr)
    return 1 if found or misplaced else 0


if __name__ == "__main__":
    sys.exit(main())
