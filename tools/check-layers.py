#!/usr/bin/env python3
"""Checks that the program's folders and libraries depend on each other without circles.

Two graphs are built from the sources alone (no build needed):
  - the include graph: folder A -> folder B when a file under A includes "B/..."; a folder is
    a path of --depth components from the top (app/engine at depth 2, app/graphs/outputs at 3);
  - the link graph: library A -> library B when A's CMakeLists links B.
Every circle in either graph is printed and makes the exit status 1.

    python3 tools/check-layers.py [--depth N] [--edges] [--root DIR]
"""
import argparse
import os
import re
import sys

SOURCE_TOPS = ("app", "cardlib", "filter", "platform", "testing")
SOURCE_EXTS = (".h", ".hpp", ".cpp", ".c", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path, depth):
    parts = path.split("/")[:-1]  # drop the file name
    return "/".join(parts[:depth]) if parts else path


def include_graph(root, depth):
    edges = {}
    for top in SOURCE_TOPS:
        for base, _, files in os.walk(os.path.join(root, top)):
            for name in files:
                if not name.endswith(SOURCE_EXTS):
                    continue
                full = os.path.join(base, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                src = folder_of(rel, depth)
                with open(full, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    if not target.startswith(SOURCE_TOPS) or "/" not in target:
                        continue  # a header found beside the file or on the system path
                    dst = folder_of(target, depth)
                    if dst != src:
                        edges.setdefault(src, {}).setdefault(dst, []).append(rel + " -> " + target)
    return edges


CALL = re.compile(r"\b(rvx_add_library|add_library|target_link_libraries)\s*\(([^)]*)\)", re.S)
KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "STATIC", "SHARED", "OBJECT", "MODULE", "SOURCES", "INCLUDES"}


def link_graph(root):
    edges = {}
    for top in SOURCE_TOPS:
        for base, _, files in os.walk(os.path.join(root, top)):
            if "CMakeLists.txt" not in files:
                continue
            path = os.path.join(base, "CMakeLists.txt")
            with open(path, encoding="utf-8") as f:
                text = re.sub(r"#[^\n]*", "", f.read())
            for call, args in CALL.findall(text):
                words = args.split()
                if not words:
                    continue
                name = words[0]
                if call == "rvx_add_library":
                    deps = words[words.index("DEPS") + 1:] if "DEPS" in words else []
                elif call == "target_link_libraries":
                    deps = words[1:]
                else:
                    continue
                for dep in deps:
                    if dep in KEYWORDS or dep.startswith("$<") or dep == name:
                        continue
                    if dep.startswith(("rvx", "ovx", "deps::")):
                        edges.setdefault(name, {}).setdefault(dep, []).append(os.path.relpath(path, root))
    return edges


def circles(edges):
    """The strongly connected components with more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]
    nodes = set(edges) | {d for targets in edges.values() for d in targets}

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, {})):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(nodes):
        if v not in index:
            visit(v)
    return found


def report(title, edges, show_edges):
    print(f"== {title}")
    for src in sorted(edges):
        print(f"  {src} -> {', '.join(sorted(edges[src]))}")
    bad = circles(edges)
    for component in bad:
        print(f"  CIRCLE: {' <-> '.join(component)}")
        for src in component:
            for dst in component:
                for why in edges.get(src, {}).get(dst, [])[: (None if show_edges else 3)]:
                    print(f"    {why}")
    if not bad:
        print("  no circle")
    return len(bad)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--depth", type=int, default=2, help="path components that name a folder (default 2)")
    parser.add_argument("--edges", action="store_true", help="list every include behind a circle")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    bad = report(f"include graph between folders (depth {args.depth})", include_graph(root, args.depth), args.edges)
    bad += report("link graph between libraries", link_graph(root), args.edges)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
