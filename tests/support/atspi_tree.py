#!/usr/bin/python3
"""Prints what assistive technologies see of one application's windows, as JSON.

Usage: atspi_tree.py APPLICATION_NAME
       atspi_tree.py APPLICATION_NAME --press ROLE NAME

One object per accessible, in tree order: {"role", "name", "states", "text"?, "depth",
"extents"?: [x, y, width, height] on the screen}.
Prints [] when the application is not on the accessibility bus (yet).
With --press, runs the first action of the first showing accessible with that role and
name (as a screen reader's "activate" does) and prints whether there was one.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

MAX_NODES = 2000


def walk(node, depth, out):
    if node is None or len(out) >= MAX_NODES or depth > 30:
        return
    try:
        states = node.get_state_set()
        entry = {
            "role": node.get_role_name(),
            "name": node.get_name() or "",
            "states": [Atspi.StateType(s).value_nick for s in states.get_states()],
            "depth": depth,
        }
        component = node.get_component_iface() if hasattr(node, "get_component_iface") else None
        if component is not None:
            box = component.get_extents(Atspi.CoordType.SCREEN)
            entry["extents"] = [box.x, box.y, box.width, box.height]
        text = node.get_text_iface() if hasattr(node, "get_text_iface") else None
        if text is not None:
            entry["text"] = Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
        out.append(entry)
        for i in range(node.get_child_count()):
            walk(node.get_child_at_index(i), depth + 1, out)
    except Exception:  # an object that went away while we walked
        return


def press(node, role, name, depth=0):
    if node is None or depth > 30:
        return False
    try:
        showing = node.get_state_set().contains(Atspi.StateType.SHOWING)
        if showing and node.get_role_name() == role and (node.get_name() or "") == name:
            action = node.get_action_iface()
            if action is not None and action.get_n_actions() > 0:
                return action.do_action(0)
        for i in range(node.get_child_count()):
            if press(node.get_child_at_index(i), role, name, depth + 1):
                return True
    except Exception:  # an object that went away while we walked
        return False
    return False


def main():
    name = sys.argv[1]
    desktop = Atspi.get_desktop(0)
    apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
    apps = [app for app in apps if app is not None and (app.get_name() or "") == name]
    if len(sys.argv) == 5 and sys.argv[2] == "--press":
        print(json.dumps(any(press(app, sys.argv[3], sys.argv[4]) for app in apps)))
        return
    out = []
    for app in apps:
        walk(app, 0, out)
    print(json.dumps(out))


if __name__ == "__main__":
    main()
