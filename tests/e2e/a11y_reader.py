"""Reads one program's widgets over the accessibility bus and prints JSON:
    a11y_reader.py PID            name -> description of every label
    a11y_reader.py PID NAME       the screen rectangle [x, y, width, height] of the widget
                                  called NAME that is showing, or null
Run with the system's Python, which has the accessibility client library."""

import json
import sys

import pyatspi


def walk(acc, visit, depth=0):
    if depth > 40:
        return
    try:
        visit(acc)
        for i in range(acc.childCount):
            walk(acc.getChildAtIndex(i), visit, depth + 1)
    except Exception:  # a widget that went away while we looked
        pass


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def main():
    app = application(int(sys.argv[1]))
    if len(sys.argv) > 2:
        found = []

        def visit(acc):
            if (not found and acc.name == sys.argv[2]
                    and acc.getState().contains(pyatspi.STATE_SHOWING)):
                e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                found.append([e.x, e.y, e.width, e.height])

        if app is not None:
            walk(app, visit)
        print(json.dumps(found[0] if found else None))
        return
    labels = {}

    def visit(acc):
        # A message box's text is a label named by its own text.
        if acc.getRoleName() == "label" and acc.name:
            labels.setdefault(acc.name, acc.description)

    if app is not None:
        walk(app, visit)
    print(json.dumps(labels))


if __name__ == "__main__":
    main()
