#!/usr/bin/python3
"""Prints the caret of the focused text field of one application, as AT-SPI reports it.

Usage: atspi_caret.py APPLICATION_NAME

Prints {"x", "y", "width", "height", "offset"} (screen coordinates of the character
extents at the caret offset), or {} when no focused text field is found.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def focused(node, depth=0):
    if node is None or depth > 40:
        return None
    try:
        if node.get_state_set().contains(Atspi.StateType.FOCUSED) and node.get_text_iface() is not None:
            return node
        for i in range(node.get_child_count()):
            found = focused(node.get_child_at_index(i), depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went away while we walked
        return None
    return None


def main():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or (app.get_name() or "") != sys.argv[1]:
            continue
        node = focused(app)
        if node is not None:
            offset = Atspi.Text.get_caret_offset(node)
            rect = Atspi.Text.get_character_extents(node, offset, Atspi.CoordType.SCREEN)
            print(json.dumps({"x": rect.x, "y": rect.y, "width": rect.width, "height": rect.height,
                              "offset": offset}))
            return
    print("{}")


if __name__ == "__main__":
    main()
