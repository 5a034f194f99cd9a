#!/usr/bin/env python3
"""A stand-in for the desktop's GlobalShortcuts portal on the session bus.

Usage: fake_portal.py BUS_NAME
Owns BUS_NAME, serves org.freedesktop.portal.GlobalShortcuts at
/org/freedesktop/portal/desktop as xdg-desktop-portal does (each call answers through the
Response signal of a Request object named after the caller and its handle_token), and
adds org.quellpad.FakePortal for the tests: Bound() -> JSON of the shortcuts bound in
each session, Activate(s shortcut_id) emits Activated in the newest open session.
"""

import json
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL_PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.path = path
        self.portal = portal

    @dbus.service.method("org.freedesktop.portal.Session", in_signature="", out_signature="")
    def Close(self):
        self.portal.closed.append(self.path)
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PORTAL_PATH)
        self.bus = bus
        self.sessions = []  # [path, [shortcut dicts]]
        self.closed = []

    def request(self, sender, token):
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)
        return Request(self.bus, path), path

    def answer(self, request, response, results):
        # After the method returned, as the real portal does.
        GLib.timeout_add(20, lambda: (request.Response(dbus.UInt32(response), results), request.remove_from_connection(), False)[-1])

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        request, path = self.request(sender, options["handle_token"])
        session_path = "/org/freedesktop/portal/desktop/session/%s/%s" % (
            sender[1:].replace(".", "_"), options["session_handle_token"])
        Session(self.bus, session_path, self)
        self.sessions.append([session_path, []])
        self.answer(request, 0, dbus.Dictionary({"session_handle": dbus.String(session_path)}, signature="sv"))
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender=None):
        request, path = self.request(sender, options["handle_token"])
        bound = []
        for shortcut_id, properties in shortcuts:
            bound.append({"id": str(shortcut_id), "description": str(properties.get("description", "")),
                          "preferred_trigger": str(properties.get("preferred_trigger", ""))})
        for entry in self.sessions:
            if entry[0] == str(session):
                entry[1] = bound
        results = dbus.Array([dbus.Struct((b["id"], dbus.Dictionary(
            {"description": b["description"], "trigger_description": b["preferred_trigger"]}, signature="sv")))
            for b in bound], signature="(sa{sv})")
        self.answer(request, 0, dbus.Dictionary({"shortcuts": results}, signature="sv"))
        return dbus.ObjectPath(path)

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method("org.quellpad.FakePortal", in_signature="", out_signature="s")
    def Bound(self):
        return json.dumps({"sessions": [{"path": p, "shortcuts": s} for p, s in self.sessions],
                           "closed": self.closed})

    @dbus.service.method("org.quellpad.FakePortal", in_signature="s", out_signature="")
    def Activate(self, shortcut_id):
        open_sessions = [p for p, _ in self.sessions if p not in self.closed]
        self.Activated(dbus.ObjectPath(open_sessions[-1]), shortcut_id, dbus.UInt64(0),
                       dbus.Dictionary({}, signature="sv"))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: fake_portal.py BUS_NAME\n")
        return 2
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus)
    name = dbus.service.BusName(sys.argv[1], bus)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()
    del name, portal
    return 0


if __name__ == "__main__":
    sys.exit(main())
