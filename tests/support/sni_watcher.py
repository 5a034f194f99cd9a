#!/usr/bin/python3
"""A stand-in StatusNotifierWatcher on the session bus, as a desktop's tray host offers it.

Owns org.kde.StatusNotifierWatcher, accepts RegisterStatusNotifierItem and
RegisterStatusNotifierHost, and reports IsStatusNotifierHostRegistered true, which is
what Qt checks before it shows a tray icon over D-Bus. Prints "ready" once the name is
owned and "item SERVICE PATH" for each registered item (the sender's unique name when
the item gave only a path), one line each, flushed. Runs until terminated.
"""

import signal
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""

items = []


def say(line):
    print(line, flush=True)


def on_call(connection, sender, path, interface, method, parameters, invocation):
    if method == "RegisterStatusNotifierItem":
        (service,) = parameters.unpack()
        if service.startswith("/"):
            name, item_path = sender, service
        else:
            name, item_path = service, "/StatusNotifierItem"
        items.append(name + item_path)
        say("item %s %s" % (name, item_path))
        connection.emit_signal(None, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                               "StatusNotifierItemRegistered", GLib.Variant("(s)", (name + item_path,)))
        invocation.return_value(None)
    elif method == "RegisterStatusNotifierHost":
        invocation.return_value(None)
    else:
        invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownMethod", method)


def on_get_property(connection, sender, path, interface, name):
    if name == "RegisteredStatusNotifierItems":
        return GLib.Variant("as", items)
    if name == "IsStatusNotifierHostRegistered":
        return GLib.Variant("b", True)
    if name == "ProtocolVersion":
        return GLib.Variant("i", 0)
    return None


def main():
    loop = GLib.MainLoop()
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)

    def on_bus(connection, name):
        connection.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_get_property, None)

    def on_name(connection, name):
        say("ready")

    def on_lost(connection, name):
        say("name lost")
        loop.quit()

    Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
                     on_bus, on_name, on_lost)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
