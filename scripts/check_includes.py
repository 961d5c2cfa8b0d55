#!/usr/bin/env python3
"""Checks the layering of src/: every include between folders points down,
and no two files include each other through a circle; and that no source
file of the program (src/, app/, addins/, tools/) grows past 500 lines.

The folders, lowest first (a folder may include the folders below it, never
one beside or above it):

    common, store, conditions, context, appdb, analysis,
    bettypes | favourites, derived | jetimport, shell

A subsystem's ui/ folder sits above its own core: it may include its own
core, the cores and ui/ folders of lower subsystems, and context/. No core
file includes a ui/ file.

Usage: check_includes.py [ROOT]   (default: the checkout this script is in)
Prints one line per offence and exits 1 when there is any.
"""
import os
import re
import sys

LEVELS = {
    'common': 0, 'store': 1, 'conditions': 2, 'context': 3, 'appdb': 4, 'analysis': 5,
    'bettypes': 6, 'favourites': 6, 'derived': 7, 'jetimport': 7, 'shell': 8,
}
MAX_LINES = 500
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def room(path):
    """('analysis', False) for analysis/Run.h, ('analysis', True) for analysis/ui/X.h."""
    parts = path.split('/')
    return parts[0], len(parts) > 2 and parts[1] == 'ui'


def allowed(source, target):
    (s_folder, s_ui), (t_folder, t_ui) = room(source), room(target)
    if s_folder == t_folder:
        return s_ui or not t_ui
    if s_folder not in LEVELS or t_folder not in LEVELS:
        return False
    if t_ui and not s_ui:
        return False
    if s_ui and t_folder == 'context':
        return True
    return LEVELS[t_folder] < LEVELS[s_folder]


def read_sources(src):
    files = {}
    for dirpath, _, names in os.walk(src):
        for name in names:
            if name.endswith(('.h', '.cpp')):
                full = os.path.join(dirpath, name)
                with open(full, encoding='utf-8') as f:
                    files[os.path.relpath(full, src)] = f.read().splitlines()
    return files


def find_circles(graph):
    """Each include circle once, as a list of files."""
    circles, state = [], {}

    def visit(node, trail):
        state[node] = 'open'
        trail.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 'open':
                circles.append(trail[trail.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt, trail)
        trail.pop()
        state[node] = 'done'

    for node in sorted(graph):
        if node not in state:
            visit(node, [])
    return circles


def file_graph(files):
    """Which file includes which, among the files of src/."""
    graph = {}
    for path, lines in files.items():
        for line in lines:
            match = INCLUDE.match(line)
            if match and match.group(1) in files and match.group(1) != path:
                graph.setdefault(path, set()).add(match.group(1))
    return graph


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    offences = []
    for folder in ('src', 'app', 'addins', 'tools'):
        for path, lines in sorted(read_sources(os.path.join(root, folder)).items()):
            if len(lines) > MAX_LINES:
                offences.append('%s/%s: %d lines (at most %d)' % (folder, path, len(lines), MAX_LINES))
    files = read_sources(os.path.join(root, 'src'))
    for path, lines in sorted(files.items()):
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if match and '/' in match.group(1) and not allowed(path, match.group(1)):
                offences.append('%s:%d: includes %s against the layer order' % (path, number, match.group(1)))
    for circle in find_circles(file_graph(files)):
        offences.append('include circle: ' + ' -> '.join(circle))
    for offence in offences:
        print(offence)
    return 1 if offences else 0


if __name__ == '__main__':
    sys.exit(main())
