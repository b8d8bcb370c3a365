#!/usr/bin/python3
"""Prints what a screen reader finds of a running program through AT-SPI: each accessible of
its windows, one a line, as depth, role, name and description, tab-separated.
Usage: atspi_tree.py APPLICATION-NAME (run by Debian's own python3, which has pyatspi)."""
import sys

import pyatspi

def walk(node, depth):
    print(f'{depth}\t{node.getRoleName()}\t{node.name}\t{node.description}')
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            walk(child, depth + 1)

desktop = pyatspi.Registry.getDesktop(0)
for index in range(desktop.childCount):
    application = desktop.getChildAtIndex(index)
    if application is not None and application.name == sys.argv[1]:
        walk(application, 0)
        break
else:
    sys.exit(f'no application {sys.argv[1]!r} on the accessibility bus')
