#!/usr/bin/env python3
"""A GTK 3 window with one text entry: the application the tests paste into.

Usage: gtk_entry.py TITLE OUTPUT_FILE
Writes the entry's text to OUTPUT_FILE (atomically) when the window is mapped and at
every change, so tests can read it without AT-SPI, and appends every key press with
its modifiers ("control+shift+v") to OUTPUT_FILE.keys. Exits on SIGTERM.
"""

import os
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib  # noqa: E402

# Before GTK starts: its WM_CLASS comes from the program name, which tests look for.
GLib.set_prgname("quellpad-test-entry")
from gi.repository import Gdk, Gtk  # noqa: E402

MODIFIERS = [
    (Gdk.ModifierType.CONTROL_MASK, "control"),
    (Gdk.ModifierType.MOD1_MASK, "alt"),
    (Gdk.ModifierType.SHIFT_MASK, "shift"),
    (Gdk.ModifierType.SUPER_MASK, "super"),
]


def write_text(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as file:
        file.write(text)
    os.replace(temporary, path)


def log_key(path, event):
    names = [name for mask, name in MODIFIERS if event.state & mask]
    names.append(Gdk.keyval_name(Gdk.keyval_to_lower(event.keyval)) or "?")
    with open(path + ".keys", "a", encoding="utf-8") as file:
        file.write("+".join(names) + "\n")
    return False


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: gtk_entry.py TITLE OUTPUT_FILE\n")
        return 2
    title, output = sys.argv[1], sys.argv[2]
    window = Gtk.Window(title=title)
    window.set_default_size(400, 80)
    entry = Gtk.Entry()
    window.add(entry)
    entry.connect("changed", lambda widget: write_text(output, widget.get_text()))
    window.connect("key-press-event", lambda widget, event: log_key(output, event))
    window.connect("map-event", lambda *_: write_text(output, entry.get_text()))
    window.connect("destroy", Gtk.main_quit)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, Gtk.main_quit)
    window.show_all()
    entry.grab_focus()
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
