#!/usr/bin/python3
"""Reads and drives a StatusNotifierItem and its com.canonical.dbusmenu menu, as a tray host does.

  dbusmenu.py layout SERVICE ITEM_PATH      the menu as JSON: [{"id", "type", "label", "enabled"}]
  dbusmenu.py click SERVICE ITEM_PATH LABEL sends Event "clicked" to the entry with that label
  dbusmenu.py tooltip SERVICE ITEM_PATH     the item's ToolTip as JSON: {"title", "text"}
"""

import json
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


def bus():
    return Gio.bus_get_sync(Gio.BusType.SESSION, None)


def get_property(service, path, interface, name):
    reply = bus().call_sync(service, path, "org.freedesktop.DBus.Properties", "Get",
                            GLib.Variant("(ss)", (interface, name)), None, Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


def plain_label(label):
    """The label without its mnemonic marker: "_" marks the access key, "__" is an underscore."""
    return "_".join(part.replace("_", "") for part in label.split("__"))


def menu_path(service, item_path):
    return get_property(service, item_path, ITEM, "Menu")


def entries(service, item_path):
    path = menu_path(service, item_path)
    reply = bus().call_sync(service, path, MENU, "GetLayout", GLib.Variant("(iias)", (0, -1, [])),
                            None, Gio.DBusCallFlags.NONE, 5000, None)
    _revision, (_root_id, _root_props, children) = reply.unpack()
    result = []
    for child in children:
        child_id, props, _grandchildren = child
        result.append({
            "id": child_id,
            "type": props.get("type", "standard"),
            "label": plain_label(props.get("label", "")),
            "enabled": props.get("enabled", True),
            "visible": props.get("visible", True),
        })
    return path, result


def main(argv):
    command, service, item_path = argv[1], argv[2], argv[3]
    if command == "layout":
        print(json.dumps(entries(service, item_path)[1], ensure_ascii=False))
    elif command == "click":
        path, menu = entries(service, item_path)
        matches = [entry for entry in menu if entry["label"] == argv[4]]
        if not matches:
            print("no entry %r in %r" % (argv[4], [e["label"] for e in menu]), file=sys.stderr)
            return 1
        bus().call_sync(service, path, MENU, "Event",
                        GLib.Variant("(isvu)", (matches[0]["id"], "clicked", GLib.Variant("i", 0), int(time.time()))),
                        None, Gio.DBusCallFlags.NONE, 5000, None)
    elif command == "tooltip":
        _icon, _pixmaps, title, text = get_property(service, item_path, ITEM, "ToolTip")
        print(json.dumps({"title": title, "text": text}, ensure_ascii=False))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
