"""Reads one program's widgets over the accessibility bus and prints JSON:
    a11y_reader.py PID                 name -> description of every label
    a11y_reader.py PID --checks        name -> check mark of every menu entry
    a11y_reader.py PID --locate NAME   the screen rectangle [x, y, width, height] of the widget
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


def label(acc, found):
    # A message box's text is a label named by its own text.
    if acc.getRoleName() == "label" and acc.name:
        found.setdefault(acc.name, acc.description)


def check(acc, found):
    # Closed menus keep their entries in the tree. Entries without a check box read false.
    if acc.getRoleName() == "menu item":
        found.setdefault(acc.name, acc.getState().contains(pyatspi.STATE_CHECKED))


def locate(name):
    def visit(acc, found):
        if not found and acc.name == name and acc.getState().contains(pyatspi.STATE_SHOWING):
            e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            found.update(rect=[e.x, e.y, e.width, e.height])
    return visit


def main():
    app = application(int(sys.argv[1]))
    mode = sys.argv[2:3]
    visit = check if mode == ["--checks"] else locate(sys.argv[3]) if mode else label
    found = {}
    if app is not None:
        walk(app, lambda acc: visit(acc, found))
    print(json.dumps(found.get("rect") if mode == ["--locate"] else found))


if __name__ == "__main__":
    main()
