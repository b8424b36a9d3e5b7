#!/usr/bin/env python3
"""Holds docs/architecture.md against the build: the documented arrows of every library are the
ones CMake links, each points to a lower layer, the graph has no cycle, and engine_core includes
only its own headers and the C++ library.

Usage: check_architecture.py CMAKE BUILD_DIR DOC SDK_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

errors = []


def read_doc(path):
    text = open(path, encoding="utf-8").read()
    layers = {}
    for m in re.finditer(r"^layer (\d+)\s+(.+)$", text, re.M):
        for name in m.group(2).split():
            layers[name] = int(m.group(1))
    uses = {}
    for m in re.finditer(r"^### (\S+)\nUses: (.+)$", text, re.M):
        listed = m.group(2).strip()
        uses[m.group(1)] = set() if listed == "nothing" else {u.strip() for u in listed.split(",")}
    return layers, uses


def read_graph(cmake, build):
    with tempfile.TemporaryDirectory() as tmp:
        dot = os.path.join(tmp, "targets.dot")
        subprocess.run([cmake, "--graphviz=" + dot, build], check=True, stdout=subprocess.DEVNULL)
        edges = {}
        for line in open(dot, encoding="utf-8"):
            m = re.search(r"// (\S+) -> (\S+)\s*$", line)
            if m:
                edges.setdefault(m.group(1), set()).add(m.group(2))
        return edges


def find_cycle(edges):
    state = {}

    def visit(node, path):
        state[node] = 1
        for nxt in edges.get(node, ()):
            if state.get(nxt) == 1:
                return path + [node, nxt]
            if nxt not in state:
                found = visit(nxt, path + [node])
                if found:
                    return found
        state[node] = 2
        return None

    for node in list(edges):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check_engine_core_is_pure(build, sdk_dir):
    own = set()
    for root in ("engine_core", "engine_core-private"):
        base = os.path.join(build, "include", root)
        for folder, _, files in os.walk(base):
            own.update(os.path.relpath(os.path.join(folder, f), base) for f in files)
    if not own:
        errors.append("engine_core exposes no headers: is tg_headers still called for it?")
    sdk_headers = set(os.listdir(sdk_dir))
    listing = os.path.join(build, "architecture", "engine_core.files")
    for path in open(listing, encoding="utf-8").read().split():
        for n, line in enumerate(open(path, encoding="utf-8"), 1):
            m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
            if not m:
                continue
            name = m.group(2)
            if os.path.basename(name) in sdk_headers or (m.group(1) == '"' and name not in own):
                errors.append(f"{path}:{n}: engine_core includes {name}, which is not its own")


def main(cmake, build, doc, sdk_dir):
    layers, uses = read_doc(doc)
    edges = read_graph(cmake, build)
    ours = set(uses)
    for target, documented in sorted(uses.items()):
        actual = edges.get(target, set()) & ours
        if actual != documented:
            errors.append(f"{target}: documented uses {sorted(documented)}, links {sorted(actual)}")
        for dep in actual:
            if target in layers and dep in layers and layers[dep] >= layers[target]:
                errors.append(f"{target} (layer {layers[target]}) uses {dep} (layer {layers[dep]})")
    for name in os.listdir(os.path.join(build, "include")):
        target = name.removesuffix("-private")
        if target not in uses:
            errors.append(f"library {target} is not documented")
    cycle = find_cycle(edges)
    if cycle:
        errors.append("cycle: " + " -> ".join(cycle))
    check_engine_core_is_pure(build, sdk_dir)
    for e in errors:
        print("architecture:", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))
