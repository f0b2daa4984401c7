#!/usr/bin/env python3
"""Reads every #include "..." of our own code and fails on an include that
points up a layer or closes a circle between units.

orv:    a core/ folder and platform/ never include a window header (nor Qt
        Widgets); platform/ below platform/gui/; a subsystem other than app
        sees app only through app/core/ and app/ovforms.h.
zelkit: client/include and client/platform below base < env < trace < comm
        < sql < cmdexec < api, each layer including only its own and lower.
A unit is a file pair (x.h and x.cpp); two units that include each other,
directly or round a longer path, form a circle.

Prints every finding, one a line, and exits 1 when there is any. The one
argument, when given, is the tree to read instead of this project.
"""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
ORV_SUBSYSTEMS = ["app", "ui", "editor", "sqlwork", "objedit", "admin", "tools"]
ORV_FOLDERS = ORV_SUBSYSTEMS + ["platform", "orv"]
ZELKIT_LAYERS = ["base", "env", "trace", "comm", "sql", "cmdexec", "api"]
# What a subsystem other than app may include of app's windows.
APP_FACES = {"app/ovforms.h", "app/fobjddl.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^">]+)[">]', re.M)
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc")


def project_files():
    folders = ORV_FOLDERS + ["client"]
    for folder in folders:
        base = os.path.join(ROOT, folder)
        for dirpath, _, names in os.walk(base):
            for name in names:
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(dirpath, name), ROOT)


def zelkit_search_dirs():
    dirs = ["client/include", "client/platform", "client/src"]
    dirs += ["client/src/" + layer for layer in ZELKIT_LAYERS]
    return dirs


def resolve(includer, name, files, by_base):
    """The project file an include names, or None for a system header."""
    here = os.path.dirname(includer)
    candidates = [os.path.normpath(os.path.join(here, name)), os.path.normpath(name)]
    if includer.startswith("client/"):
        candidates += [os.path.normpath(os.path.join(d, name)) for d in zelkit_search_dirs()]
    for c in candidates:
        if c in files:
            return c
    if "/" not in name and includer.startswith("client/"):
        found = [f for f in by_base.get(name, []) if f.startswith("client/")]
        if len(found) == 1:
            return found[0]
    return None


def unit_of(path):
    return os.path.splitext(path)[0]


def orv_rule(includer, target, system_name):
    """The finding for one include of an orv file, or None."""
    parts = includer.split("/")
    top = parts[0]
    in_core = "core" in parts[:-1]
    in_plain_platform = top == "platform" and "gui" not in parts[:-1]
    if system_name is not None:
        if (in_core or in_plain_platform) and system_name.startswith("QtWidgets"):
            return "widget header <%s>" % system_name
        return None
    if target is None or target.startswith("standin/"):
        return None
    tparts = target.split("/")
    ttop = tparts[0]
    t_core = "core" in tparts[:-1]
    t_plain_platform = ttop == "platform" and "gui" not in tparts[:-1]
    if in_core or in_plain_platform:
        if not (t_core or t_plain_platform):
            return "window header %s" % target
        if in_plain_platform and not t_plain_platform:
            return "platform/ includes %s above it" % target
    if top in ORV_SUBSYSTEMS and top != "app" and ttop == "app":
        if not (target.startswith("app/core/") or target in APP_FACES):
            return "app window header %s (use app/core or app/ovforms.h)" % target
    return None


def zelkit_layer(path):
    parts = path.split("/")
    if parts[1] in ("include", "platform"):
        return -1
    if parts[1] == "src" and len(parts) > 3 and parts[2] in ZELKIT_LAYERS:
        return ZELKIT_LAYERS.index(parts[2])
    return None


def zelkit_rule(includer, target):
    if target is None:
        return None
    mine = zelkit_layer(includer)
    theirs = zelkit_layer(target)
    if mine is None or theirs is None:
        return None  # reported once for the file itself
    if theirs > mine:
        mine_name = "platform" if mine < 0 else ZELKIT_LAYERS[mine]
        return "%s (%s) includes %s (%s)" % (includer, mine_name, target, ZELKIT_LAYERS[theirs])
    return None


def circles(edges):
    """Strongly connected groups of more than one unit (Tarjan)."""
    index, low, stack, on_stack, groups = {}, {}, [], set(), []
    counter = [0]
    sys.setrecursionlimit(10000)

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return groups


def main():
    files = set(project_files())
    by_base = {}
    for f in files:
        by_base.setdefault(os.path.basename(f), []).append(f)
    findings = []
    edges = {}
    for f in sorted(files):
        if f.startswith("client/") and zelkit_layer(f) is None:
            findings.append("%s: lies in no layer folder" % f)
        with open(os.path.join(ROOT, f), encoding="utf-8", errors="replace") as fh:
            text = fh.read()
        for kind, name in INCLUDE.findall(text):
            target = resolve(f, name, files, by_base) if kind == '"' else None
            if kind == '"' and target is None and not f.startswith("client/"):
                # A quoted include that is not ours is someone else's header.
                continue
            if f.startswith("client/"):
                finding = zelkit_rule(f, target) if kind == '"' else None
            else:
                finding = orv_rule(f, target, name if kind == "<" else None)
            line = "%s: %s" % (f, finding) if finding else None
            if line and line not in findings:
                findings.append(line)
            if target is not None and unit_of(target) != unit_of(f):
                edges.setdefault(unit_of(f), set()).add(unit_of(target))
    for group in circles(edges):
        findings.append("circle: " + " <-> ".join(group))
    for line in findings:
        print("layers: " + line)
    if findings:
        print("layers: %d finding(s)" % len(findings))
        return 1
    print("layers: every include points down, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
