#!/usr/bin/env python3
"""Lists include cycles between the modules of one source folder.

A module is a .h/.cpp pair of one folder (named by the file stem); module A
depends on module B when a file of A has `#include "B.h"` and B.h lies in the
same folder. Every strongly connected group of two or more modules (or a
module including itself) is a cycle: one line per cycle, exit status 1.

usage: include_cycles.py [ROOT [FOLDER...]]   (default: the tree's source folders)
"""
import os
import re
import sys

SOURCE_FOLDERS = ["app", "graphlib", "shared", "findport", "sim", "tools", "fuzz", "bench", "tests"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)\.h"', re.MULTILINE)
EXTENSIONS = (".h", ".cpp", ".c")


def modules_of(folder):
    """Module name -> the set of modules of the same folder it includes."""
    files = [f for f in os.listdir(folder) if f.endswith(EXTENSIONS)]
    headers = {f[:-2] for f in files if f.endswith(".h")}
    graph = {}
    for name in sorted(files):
        stem = os.path.splitext(name)[0]
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            included = set(INCLUDE.findall(f.read()))
        graph.setdefault(stem, set()).update((included & headers) - {stem})
    return graph


def strong_groups(graph):
    """Tarjan's strongly connected components, each sorted."""
    index, low, stack, on_stack, groups = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph.get(node, ())):
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
            groups.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return groups


def one_loop(graph, group):
    """A closed include path through the group's first module, for the message."""
    members = set(group)
    start = group[0]
    path, seen = [start], {start}
    node = start
    while True:
        nexts = sorted(n for n in graph[node] if n in members)
        if start in nexts and len(path) > 1 or nexts == [start]:
            return path + [start]
        step = next((n for n in nexts if n not in seen), None)
        if step is None:  # dead end inside the group: close through any member seen
            back = next(n for n in nexts if n in seen)
            return path[path.index(back):] + [back]
        path.append(step)
        seen.add(step)
        node = step


def cycles_under(root, top):
    found = []
    for folder, dirs, _ in os.walk(os.path.join(root, top)):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        graph = modules_of(folder)
        for group in strong_groups(graph):
            if len(group) > 1 or group[0] in graph[group[0]]:
                found.append((os.path.relpath(folder, root), group, one_loop(graph, group)))
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    folders = argv[2:] or [f for f in SOURCE_FOLDERS if os.path.isdir(os.path.join(root, f))]
    cycles = [c for top in folders for c in cycles_under(root, top)]
    for folder, group, loop in cycles:
        print("include cycle in %s/ (%d modules: %s): %s"
              % (folder, len(group), " ".join(group), " -> ".join(loop)))
    if cycles:
        print("%d include cycle(s); a module's header must not lead back to it" % len(cycles))
        return 1
    print("no include cycles between the modules of one folder")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
