#!/usr/bin/env python3
"""Holds docs/architecture.md against the build: the documented arrows of every library are the
ones CMake links, each points to a lower layer, the graph has no cycle, engine_core includes only
its own headers and the C++ library, every folder under Source/ holds the files of one library,
and no file includes a header from a folder on a higher layer.

Usage: check_architecture.py CMAKE BUILD_DIR DOC SDK_DIR SOURCE_DIR
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


def read_files(build, source_dir):
    """Every file of a library under Source/: its sources as the build lists them, its headers as
    its include folders link them. Returns {path: set of targets}."""
    owners = {}
    source_dir = os.path.realpath(source_dir)

    def add(target, path):
        path = os.path.realpath(path)
        if path.startswith(source_dir + os.sep):
            owners.setdefault(path, set()).add(target)

    for line in open(os.path.join(build, "architecture", "sources.txt"), encoding="utf-8"):
        if line.strip():
            target, path = line.split(" ", 1)
            add(target, path.strip())
    for name in os.listdir(os.path.join(build, "include")):
        for folder, _, files in os.walk(os.path.join(build, "include", name)):
            for f in files:
                add(name.removesuffix("-private"), os.path.join(folder, f))
    return owners


def folder_targets(owners):
    """The library of each folder; a folder whose files belong to several is an error."""
    by_folder = {}
    for path, targets in owners.items():
        by_folder.setdefault(os.path.dirname(path), set()).update(targets)
    result = {}
    for folder, targets in sorted(by_folder.items()):
        if len(targets) > 1:
            errors.append(f"{folder} holds the files of {', '.join(sorted(targets))}: one library "
                          "per folder")
        result[folder] = min(targets)
    return result


def includes(path):
    for n, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
        m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
        if m:
            yield n, m.group(1), m.group(2)


def header_paths(build):
    """Include name ("engine/core/geometry.h") to the file it names, over every include folder."""
    found = {}
    for name in os.listdir(os.path.join(build, "include")):
        base = os.path.join(build, "include", name)
        for folder, _, files in os.walk(base):
            for f in files:
                link = os.path.join(folder, f)
                found[os.path.relpath(link, base)] = os.path.realpath(link)
    return found


def check_includes_go_down(source_dir, folders, layers, headers):
    """Every file under Source/ (the other platform's variants too) takes its folder's library;
    the headers it includes lie in folders of the same or a lower layer."""
    source_dir = os.path.realpath(source_dir)
    for folder, _, files in os.walk(source_dir):
        target = folders.get(folder)
        for f in files:
            if target is None or not f.endswith((".h", ".cpp", ".cu")):
                continue
            path = os.path.join(folder, f)
            for n, _, name in includes(path):
                header = headers.get(name)
                other = folders.get(os.path.dirname(header)) if header else None
                if other and layers.get(other, -1) > layers.get(target, -1):
                    errors.append(f"{path}:{n}: {target} (layer {layers.get(target)}) includes "
                                  f"{name} of {other} (layer {layers[other]})")


def check_engine_core_is_pure(owners, headers, sdk_dir):
    own = {name for name, path in headers.items() if "engine_core" in owners.get(path, ())}
    if not own:
        errors.append("engine_core exposes no headers: is tg_headers still called for it?")
    sdk_headers = set(os.listdir(sdk_dir))
    for path, targets in sorted(owners.items()):
        if "engine_core" not in targets:
            continue
        for n, kind, name in includes(path):
            if os.path.basename(name) in sdk_headers or (kind == '"' and name not in own):
                errors.append(f"{path}:{n}: engine_core includes {name}, which is not its own")


def main(cmake, build, doc, sdk_dir, source_dir):
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
    owners = read_files(build, source_dir)
    headers = header_paths(build)
    check_engine_core_is_pure(owners, headers, sdk_dir)
    check_includes_go_down(source_dir, folder_targets(owners), layers, headers)
    for e in errors:
        print("architecture:", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:6]))
