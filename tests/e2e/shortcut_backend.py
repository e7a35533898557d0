#!/usr/bin/python3
"""A desktop's global-shortcuts backend for the end-to-end tests: what the
portal frontend (xdg-desktop-portal) hands a program's shortcut requests to.

It binds every shortcut with the trigger the program prefers, writes each
call it gets as one JSON line to the record file given as its argument, and
presses a bound shortcut when asked over its own test interface:

    dbus-send --session --dest=<BUS_NAME> --type=method_call \
        /org/freedesktop/portal/desktop org.avatrix.test.ShortcutBackend.Press \
        string:<shortcut id>
"""
import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

BUS_NAME = "org.freedesktop.impl.portal.desktop.avatrixtest"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.impl.portal.GlobalShortcuts"
TEST = "org.avatrix.test.ShortcutBackend"


def plain(value):
    """D-Bus values as JSON can hold them."""
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, dbus.Struct, list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, (dbus.String, dbus.ObjectPath)):
        return str(value)
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (int, float)):
        return value
    return str(value)


class Backend(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, PATH)
        self.record = record
        self.bound = {}  # session handle -> shortcut ids

    def write(self, **entry):
        with open(self.record, "a", encoding="utf-8") as out:
            out.write(json.dumps(plain(entry), ensure_ascii=False) + "\n")

    @dbus.service.method(SHORTCUTS, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session, app_id, options):  # noqa: N802 (D-Bus names)
        self.bound[str(session)] = []
        self.write(call="CreateSession", session=session, app_id=app_id, options=options)
        return dbus.UInt32(0), dbus.Dictionary({}, signature="sv")

    @dbus.service.method(SHORTCUTS, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session, shortcuts, parent_window, options):  # noqa: N802
        self.write(call="BindShortcuts", session=session, shortcuts=shortcuts)
        answered = []
        for shortcut_id, properties in shortcuts:
            self.bound.setdefault(str(session), []).append(str(shortcut_id))
            answered.append(dbus.Struct((shortcut_id, dbus.Dictionary({
                "description": properties.get("description", ""),
                "trigger_description": properties.get("preferred_trigger", ""),
            }, signature="sv"))))
        return dbus.UInt32(0), dbus.Dictionary(
            {"shortcuts": dbus.Array(answered, signature="(sa{sv})")}, signature="sv")

    @dbus.service.method(SHORTCUTS, in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session):  # noqa: N802
        return dbus.UInt32(0), dbus.Dictionary({}, signature="sv")

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):  # noqa: N802
        pass

    @dbus.service.method(TEST, in_signature="s", out_signature="u")
    def Press(self, shortcut_id):  # noqa: N802
        """Presses the shortcut in every session that bound it; answers how
        many sessions that was."""
        sessions = [s for s, ids in self.bound.items() if shortcut_id in ids]
        for session in sessions:
            self.write(call="Press", session=session, shortcut=shortcut_id)
            self.Activated(dbus.ObjectPath(session), shortcut_id,
                           dbus.UInt64(time.monotonic_ns() // 1000000), {})
        return dbus.UInt32(len(sessions))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    backend = Backend(bus, sys.argv[1])
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    bus.call_on_disconnection(lambda _connection: loop.quit())
    loop.run()
    del backend, name


if __name__ == "__main__":
    main()
