#!/usr/bin/env python3
"""Key input for the mutter road, through mutter's own RemoteDesktop D-Bus service.

mutter-remote.py presser
    Reads lines "hold COMBO MS" (COMBO like ctrl+shift+v, Down, Return, 3) from standard
    input, holds the keys that long, and answers "done" on standard output. Lines
    "click X Y MS" move the pointer to (X, Y) of the desktop and hold the left button that
    long, then answer "done" too.

mutter-remote.py portal LOG
    Stands in for the desktop portal (org.freedesktop.portal.Desktop) on the session bus with
    just its RemoteDesktop interface, granting every request as a user who allows would:
    CreateSession, SelectDevices, Start with the Request/Response signals and a restore token,
    and NotifyKeyboardKeycode/Keysym forwarded to mutter. LOG gets one line per event
    ("ready", "issued TOKEN", "restored TOKEN", "unknown-token TOKEN", "key ...").
"""
import os
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

MUTTER = "org.gnome.Mutter.RemoteDesktop"
MUTTER_SESSION = "org.gnome.Mutter.RemoteDesktop.Session"
PORTAL_PATH = "/org/freedesktop/portal/desktop"
REMOTE_DESKTOP = "org.freedesktop.portal.RemoteDesktop"

KEYSYMS = {"ctrl": 0xFFE3, "shift": 0xFFE1, "alt": 0xFFE9, "super": 0xFFEB, "return": 0xFF0D,
           "escape": 0xFF1B, "down": 0xFF54, "up": 0xFF52, "tab": 0xFF09, "space": 0x20,
           "backspace": 0xFF08}


def mutter_session(bus):
    """A started session of mutter's remote desktop, its keyboard warmed up: the first keys
    of a new virtual device are lost otherwise."""
    remote = bus.get_object(MUTTER, "/org/gnome/Mutter/RemoteDesktop")
    path = remote.CreateSession(dbus_interface=MUTTER)
    session = dbus.Interface(bus.get_object(MUTTER, path), MUTTER_SESSION)
    session.Start()
    session.NotifyKeyboardKeysym(dbus.UInt32(KEYSYMS["shift"]), True)
    session.NotifyKeyboardKeysym(dbus.UInt32(KEYSYMS["shift"]), False)
    time.sleep(0.5)
    return session


def keysym(name):
    lower = name.lower()
    if lower in KEYSYMS:
        return KEYSYMS[lower]
    if len(name) == 1:
        return ord(name.lower())
    raise ValueError("unknown key " + name)


BTN_LEFT = 0x110


def click(session, x, y, ms):
    """Moves the pointer to (x, y) and holds the left button. The session's absolute moves
    need a screen cast stream, so the pointer goes by relative moves: far to the top left,
    where the desktop's edges stop it at (0, 0), then on to the point (remote desktop moves
    are not accelerated)."""
    session.NotifyPointerMotionRelative(-10000.0, -10000.0)
    time.sleep(0.05)
    session.NotifyPointerMotionRelative(float(x), float(y))
    time.sleep(0.1)
    session.NotifyPointerButton(BTN_LEFT, True)
    time.sleep(ms / 1000.0)
    session.NotifyPointerButton(BTN_LEFT, False)
    # Out of the way afterwards, in the bottom right corner, where no window lies.
    time.sleep(0.05)
    session.NotifyPointerMotionRelative(10000.0, 10000.0)


def presser():
    bus = dbus.SessionBus()
    session = mutter_session(bus)
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        if len(words) == 4 and words[0] == "click":
            click(session, int(words[1]), int(words[2]), int(words[3]))
            print("done", flush=True)
            continue
        if len(words) != 3 or words[0] != "hold":
            print("error: " + line.strip(), flush=True)
            continue
        keys = [keysym(k) for k in words[1].split("+")]
        for k in keys:
            session.NotifyKeyboardKeysym(dbus.UInt32(k), True)
        time.sleep(int(words[2]) / 1000.0)
        for k in reversed(keys):
            session.NotifyKeyboardKeysym(dbus.UInt32(k), False)
        print("done", flush=True)


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal
        self.closed = False

    @dbus.service.method("org.freedesktop.portal.Session", in_signature="", out_signature="")
    def Close(self):
        self.closed = True
        self.portal.log("closed " + str(self._object_path))


class Portal(dbus.service.Object):
    def __init__(self, bus, log_path):
        self.log_file = open(log_path, "a", buffering=1)
        self.start_delay_file = os.path.join(os.path.dirname(log_path), "start-delay-ms")
        self.mutter = mutter_session(bus)
        super().__init__(bus, PORTAL_PATH)
        self.bus = bus
        self.sessions = {}
        self.issued = []
        self.selected = {}
        self.keep = []

    def log(self, text):
        self.log_file.write(text + "\n")

    def request_path(self, sender, options):
        return "%s/request/%s/%s" % (PORTAL_PATH, sender[1:].replace(".", "_"), options["handle_token"])

    def respond(self, path, results, delay_ms=20):
        request = Request(self.bus, path)
        self.keep.append(request)

        def send():
            request.Response(dbus.UInt32(0), dbus.Dictionary(results, signature="sv"))
            return False
        GLib.timeout_add(delay_ms, send)
        return dbus.ObjectPath(path)

    def start_delay_ms(self):
        # A user reading the consent dialog: the test writes how long into this file.
        try:
            with open(self.start_delay_file) as f:
                return int(f.read().strip() or 20)
        except (OSError, ValueError):
            return 20

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == REMOTE_DESKTOP and name == "version":
            return dbus.UInt32(2, variant_level=1)
        if interface == REMOTE_DESKTOP and name == "AvailableDeviceTypes":
            return dbus.UInt32(1, variant_level=1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(REMOTE_DESKTOP, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        session_path = "%s/session/%s/%s" % (PORTAL_PATH, sender[1:].replace(".", "_"),
                                             options["session_handle_token"])
        self.sessions[session_path] = Session(self.bus, session_path, self)
        self.log("session " + session_path)
        return self.respond(self.request_path(sender, options),
                            {"session_handle": dbus.String(session_path)})

    @dbus.service.method(REMOTE_DESKTOP, in_signature="oa{sv}", out_signature="o", sender_keyword="sender")
    def SelectDevices(self, session, options, sender=None):
        self.selected[str(session)] = dict(options)
        token = str(options.get("restore_token", ""))
        if token:
            self.log(("restored " if token in self.issued else "unknown-token ") + token)
        return self.respond(self.request_path(sender, options), {})

    @dbus.service.method(REMOTE_DESKTOP, in_signature="osa{sv}", out_signature="o", sender_keyword="sender")
    def Start(self, session, parent, options, sender=None):
        results = {"devices": dbus.UInt32(1)}
        if int(self.selected.get(str(session), {}).get("persist_mode", 0)) == 2:
            token = "e2e-token-%d" % (len(self.issued) + 1)
            self.issued.append(token)
            results["restore_token"] = dbus.String(token)
            self.log("issued " + token)
        return self.respond(self.request_path(sender, options), results, self.start_delay_ms())

    def usable(self, session):
        target = self.sessions.get(str(session))
        return target is not None and not target.closed

    @dbus.service.method(REMOTE_DESKTOP, in_signature="oa{sv}iu", out_signature="")
    def NotifyKeyboardKeycode(self, session, options, keycode, state):
        if not self.usable(session):
            raise dbus.exceptions.DBusException("no such session", name="org.freedesktop.DBus.Error.AccessDenied")
        self.log("key code %d %d" % (keycode, state))
        self.mutter.NotifyKeyboardKeycode(dbus.UInt32(keycode), bool(state))

    @dbus.service.method(REMOTE_DESKTOP, in_signature="oa{sv}iu", out_signature="")
    def NotifyKeyboardKeysym(self, session, options, keysym, state):
        if not self.usable(session):
            raise dbus.exceptions.DBusException("no such session", name="org.freedesktop.DBus.Error.AccessDenied")
        self.log("key sym 0x%x %d" % (keysym, state))
        self.mutter.NotifyKeyboardKeysym(dbus.UInt32(keysym), bool(state))


def portal(log_path):
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    stand_in = Portal(bus, log_path)
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
    stand_in.log("ready")
    loop = GLib.MainLoop()
    loop.name = name
    loop.run()


if __name__ == "__main__":
    if sys.argv[1:2] == ["presser"]:
        presser()
    elif sys.argv[1:2] == ["portal"] and len(sys.argv) == 3:
        portal(sys.argv[2])
    else:
        sys.exit("usage: mutter-remote.py presser | portal LOG")
