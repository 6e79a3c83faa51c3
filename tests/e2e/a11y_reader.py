"""Prints, as JSON, the accessible name and description of every label of one program:
    a11y_reader.py PID
Run with the system's Python, which has the accessibility client library."""

import json
import sys

import pyatspi


def walk(acc, found, depth=0):
    if depth > 40:
        return
    try:
        if acc.getRoleName() == "label" and acc.name:
            # A message box's text is a label named by its own text.
            found.setdefault(acc.name, acc.description)
        for i in range(acc.childCount):
            walk(acc.getChildAtIndex(i), found, depth + 1)
    except Exception:  # a widget that went away while we looked
        pass


def main():
    pid = int(sys.argv[1])
    desktop = pyatspi.Registry.getDesktop(0)
    found = {}
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app.get_process_id() != pid:
                continue
        except Exception:
            continue
        walk(app, found)
    print(json.dumps(found))


if __name__ == "__main__":
    main()
