#!/usr/bin/python3
"""Saves a PNG of the first mapped window whose title is exactly WINDOW_NAME, as the
screen shows it (decorations excluded).

Usage: screenshot_window.py WINDOW_NAME OUTPUT.png
Exits 1 when no such window is shown.
"""
import subprocess
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import Gdk, GdkX11  # noqa: E402


def geometry(name):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                           capture_output=True, text=True).stdout.split()
    if not found:
        return None
    # The X server's own answer: xdotool's position is off by the frame a window
    # manager puts around the window.
    window = GdkX11.X11Window.foreign_new_for_display(Gdk.Display.get_default(), int(found[0]))
    _, x, y = window.get_origin()
    return x, y, window.get_width(), window.get_height()


def main():
    name, output = sys.argv[1], sys.argv[2]
    box = geometry(name)
    if box is None:
        sys.exit(1)
    pixbuf = Gdk.pixbuf_get_from_window(Gdk.get_default_root_window(), *box)
    if pixbuf is None:
        sys.exit(1)
    pixbuf.savev(output, "png", [], [])


if __name__ == "__main__":
    main()
