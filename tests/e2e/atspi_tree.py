#!/usr/bin/python3
"""Prints what a screen reader finds of a running program through AT-SPI: each accessible of
its windows, one a line, as depth, role, name, description and the names of the labels it is
labelled by, tab-separated.
Usage: atspi_tree.py APPLICATION-NAME (run by Debian's own python3, which has pyatspi)."""
import sys

import pyatspi

def labels(node):
    return ','.join(relation.getTarget(index).name for relation in node.getRelationSet()
                    if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                    for index in range(relation.getNTargets()))

def walk(node, depth):
    print(f'{depth}\t{node.getRoleName()}\t{node.name}\t{node.description}\t{labels(node)}')
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
