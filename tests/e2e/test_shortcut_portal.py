#!/usr/bin/python3
"""In a Wayland session the program also asks the desktop for ALT+F12
through the GlobalShortcuts portal: Debian's own portal frontend on a private
session bus, with a small desktop backend (shortcut_backend.py) behind it.
The desktop's press of the shortcut brings hidden windows back; a bus
without a portal changes nothing."""
import json
import os
import sys
import time
from pathlib import Path

import harness
from harness import HIDE, check, program_text, wait_for

BACKEND = Path(__file__).resolve().parent / "shortcut_backend.py"
BACKEND_NAME = "org.freedesktop.impl.portal.desktop.avatrixtest"
PORTAL_NAME = "org.freedesktop.portal.Desktop"
FRONTEND = "/usr/libexec/xdg-desktop-portal"
DESKTOP = "avatrixtest"

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

PORTAL_FILE = f"""[portal]
DBusName={BACKEND_NAME}
Interfaces=org.freedesktop.impl.portal.GlobalShortcuts;
UseIn={DESKTOP}
"""


def has_owner(s, name):
    out = s.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}"])
    return "boolean true" in out


def start_bus(s, with_portal):
    """A session bus of the session's own (no services started on demand),
    with the portal frontend and the test desktop's backend on it when asked;
    the program is told it runs in a Wayland session."""
    folder = s.tmp / "bus"
    folder.mkdir()
    (folder / "bus.conf").write_text(BUS_CONFIG.format(folder=folder))
    read_end, write_end = os.pipe()
    s.spawn(["dbus-daemon", "--nofork", f"--config-file={folder / 'bus.conf'}",
              f"--print-address={write_end}"], pass_fds=(write_end,))
    os.close(write_end)
    address, deadline = b"", time.monotonic() + 20
    while not address.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 256)
        if not chunk:
            break
        address += chunk
    os.close(read_end)
    check(address.startswith(b"unix:"), f"dbus-daemon reported no address: {s.logs()}")
    s.env["DBUS_SESSION_BUS_ADDRESS"] = address.decode().strip()
    s.env["XDG_SESSION_TYPE"] = "wayland"
    if not with_portal:
        return None
    record = s.tmp / "shortcuts.jsonl"
    s.spawn([sys.executable, str(BACKEND), str(record)])
    wait_for(lambda: has_owner(s, BACKEND_NAME), 20, "the shortcut backend on the bus")
    portals = s.tmp / "portals"
    portals.mkdir()
    (portals / f"{DESKTOP}.portal").write_text(PORTAL_FILE)
    s.env["XDG_DESKTOP_PORTAL_DIR"] = str(portals)
    s.env["XDG_CURRENT_DESKTOP"] = DESKTOP
    s.spawn([FRONTEND, "-r"])
    wait_for(lambda: has_owner(s, PORTAL_NAME), 20, "the portal frontend on the bus")
    return record


def calls(record, name):
    if not record.exists():
        return []
    entries = [json.loads(line) for line in record.read_text(encoding="utf-8").splitlines()]
    return [e for e in entries if e["call"] == name]


def hide(s, main, banner):
    s.click_unit(*HIDE[:2], width=HIDE[2], height=HIDE[3])
    hint = wait_for(lambda: s.window_named("Mirrowen温馨提示"), 10, "the hint box")
    s.activate(hint)
    s.key("Return")
    wait_for(lambda: s.window_named("Mirrowen温馨提示") is None, 10, "the hint box to close")
    check(not s.refresh(main).mapped and not s.refresh(banner).mapped,
          "a window is still shown after hiding")


def check_back_in_place(s, before_windows):
    wait_for(lambda: all(s.refresh(w).mapped for w in before_windows), 10,
             "both windows to show again")
    for before in before_windows:
        after = s.refresh(before)
        check((after.x, after.y, after.width, after.height) ==
              (before.x, before.y, before.width, before.height),
              f"{before} came back as {after}")


def bus_without_portal(new_session):
    """Nobody answers the portal's name: the program runs as it does on X11,
    and its own ALT+F12 grab still brings the windows back."""
    s = new_session()
    start_bus(s, with_portal=False)
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)
    hide(s, main, banner)
    s.key("alt+F12")
    check_back_in_place(s, (main, banner))
    check(s.app.poll() is None, "the program ended")
    s.close()  # frees the notice port for the next session


def portal_shortcut(new_session):
    s = new_session()
    record = start_bus(s, with_portal=True)
    s.launch()
    banner = wait_for(s.banner, 20, "the banner window")
    main = s.refresh(s.main)

    bound = wait_for(lambda: calls(record, "BindShortcuts"), 20, "the program to bind a shortcut")
    created = calls(record, "CreateSession")
    check(len(created) == 1 and len(bound) == 1, f"asked {created} and {bound}")
    check(bound[0]["session"] == created[0]["session"],
          "the shortcut was bound in another session than the one created")
    description = program_text("kRestoreShortcutDescription")
    check(any("\u4e00" <= c <= "\u9fff" for c in description), f"{description!r} is not Chinese")
    check(bound[0]["shortcuts"] == [["restore-windows", {"description": description,
                                                         "preferred_trigger": "ALT+F12"}]],
          f"the shortcut asked for: {bound[0]['shortcuts']}")

    hide(s, main, banner)
    # The desktop presses the shortcut; no key reaches the X server, so only
    # the portal's Activated signal can bring the windows back.
    pressed = s.run(["dbus-send", "--session", "--print-reply", f"--dest={BACKEND_NAME}",
                     "/org/freedesktop/portal/desktop", "org.avatrix.test.ShortcutBackend.Press",
                     "string:restore-windows"])
    check("uint32 1" in pressed, f"the backend pressed the shortcut in no session: {pressed!r}")
    check_back_in_place(s, (main, banner))
    check(s.app.poll() is None, "the program ended")


def test(new_session):
    bus_without_portal(new_session)
    portal_shortcut(new_session)


if __name__ == "__main__":
    sys.exit(harness.main(test))
