#!/usr/bin/python3
"""Drives the program in a GNOME or KDE Wayland session and checks where its windows land.

Usage: wayland_check.py gnome|kde PROGRAM START-NUMBER
       wayland_check.py gnome|kde PROGRAM wayland|wayland-egl

Runs inside a session that scripts/wayland_session.sh set up: WAYLAND_DISPLAY, DISPLAY (Xwayland)
and the session bus are set; ZUMORA_MUTTER_LOG names mutter's log (MUTTER_DEBUG=placement,
window-state,geometry) and ZUMORA_KWIN_LOG KWin's, into which KWin scripts print.

With a start number the program starts as the session would start it, QT_QPA_PLATFORM unset, and
the checks of desktop_check.py's `run` apply to its windows through Xwayland; the user's move of
the menu window is made through the compositor (mutter: the pointer, through its remote-desktop
interface; KWin: a script). With `wayland` (or `wayland-egl`, Qt's other Wayland plugin) the
program starts with QT_QPA_PLATFORM set to it; the compositor places its windows, and the line printed tells where: the menu window at start, the
notebook, and the menu window after a move and a trip to the notebook. The titles the compositor
holds must be as designed (the menu window's empty), and closing the menu window must end the
program with status 0. The exit status is 1 when a check failed.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

import dbus

# desktop_check is imported from the source tree, which keeps no compiled files.
sys.dont_write_bytecode = True
import desktop_check  # noqa: E402
from desktop_check import MENU_CLIENT, NOTE_CLIENT, Failed  # noqa: E402

NOTE_TITLE = "\u3000" * 5 + "ズモラ"
KEY_TAB, KEY_SPACE, KEY_RETURN = 0xFF09, 0x0020, 0xFF0D  # X keysyms
KEY_SHIFT, KEY_ALT, KEY_F4, KEY_F7 = 0xFFE1, 0xFFE9, 0xFFC1, 0xFFC4
BUTTON_LEFT = 0x110  # BTN_LEFT of the kernel's input codes
# Where the compositor puts a native window is its own choice (at the top left, say): the move
# goes towards the middle, so that it is not cut short at the screen's edge.
NATIVE_MOVE = (400, 250)


def wait_for(what, probe, timeout=10.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    raise Failed(f"{what} did not happen")


class Mutter:
    """Input as a user's hands give it, through mutter's remote-desktop interface, and where
    mutter put each native Wayland window, from its debug log."""

    def __init__(self):
        bus = dbus.SessionBus()
        name = "org.gnome.Mutter.RemoteDesktop"
        path = bus.get_object(name, "/org/gnome/Mutter/RemoteDesktop").CreateSession(
            dbus_interface=name)
        self.input = dbus.Interface(bus.get_object(name, path), name + ".Session")
        self.input.Start()
        # Mutter adds the virtual keyboard to the seat at the first key, and windows get the
        # keyboard only from then on: a Shift pressed and let go makes it come now.
        self.keys(KEY_SHIFT)
        self.log = os.environ["ZUMORA_MUTTER_LOG"]

    def pointer(self, x, y):
        # Only relative motion is offered without a screen cast: to the corner first, which
        # stops the pointer at 0,0, then out to the place.
        self.input.NotifyPointerMotionRelative(-100000.0, -100000.0)
        self.input.NotifyPointerMotionRelative(float(x), float(y))
        time.sleep(0.1)

    def drag(self, at, by):
        self.pointer(*at)
        self.input.NotifyPointerButton(BUTTON_LEFT, True)
        time.sleep(0.15)
        self.glide(by)
        time.sleep(0.15)
        self.input.NotifyPointerButton(BUTTON_LEFT, False)
        time.sleep(0.3)

    def glide(self, by, steps=10):
        for _ in range(steps):
            self.input.NotifyPointerMotionRelative(by[0] / steps, by[1] / steps)
            time.sleep(0.03)

    def keyboard_move(self, by):
        """Moves the window that has the keyboard as GNOME's Alt+F7 does: the pointer carries
        the window until Return. Where Qt draws the title bar itself, this needs no knowledge of
        where Qt put it."""
        self.keys(KEY_F7, held=(KEY_ALT,))
        self.glide(by)
        time.sleep(0.15)
        self.keys(KEY_RETURN)

    def keys(self, *keysyms, held=()):
        for key in held:
            self.input.NotifyKeyboardKeysym(key, True)
        for key in keysyms:
            self.input.NotifyKeyboardKeysym(key, True)
            self.input.NotifyKeyboardKeysym(key, False)
            time.sleep(0.1)
        for key in reversed(held):
            self.input.NotifyKeyboardKeysym(key, False)
        time.sleep(0.3)

    def placed(self):
        """Mutter's last place for each native window it has placed and shown, in the order
        first seen. Before that, a window goes through places of no meaning (0,0)."""
        places = {}
        shown = set()
        window = None
        with open(self.log, errors="replace") as log:
            for line in log:
                header = re.search(r"Constraining (W\d+) in", line)
                if header:
                    window = header.group(1)
                result = re.search(
                    r"info->current is (-?\d+),(-?\d+) \+(\d+),(\d+) after constrain_fully_onscreen",
                    line)
                if result and window:
                    places[window] = tuple(int(v) for v in result.groups())
                showing = re.search(r"Showing window (W\d+), .* placed: 1", line)
                if showing:
                    shown.add(showing.group(1))
        return {window: place for window, place in places.items() if window in shown}

    def shown(self, known):
        """The first window that mutter placed and showed besides those known, and its place.
        The program's windows come one at a time, and each showing is a window of its own. Their
        widths tell nothing: mutter counts Qt's title bar into a window's size, or not,
        depending on when Qt told it the window's largest size."""
        def probe():
            for window, place in self.placed().items():
                if window not in known:
                    return window, place
            return None
        return wait_for("a window placed by mutter", probe)


class Kwin:
    """KWin's scripts: what it knows of each window, and a move as if the user had made it."""

    def __init__(self):
        self.bus = dbus.SessionBus()
        self.log = os.environ["ZUMORA_KWIN_LOG"]
        self.runs = 0

    def script(self, body):
        """Runs a KWin script; gives what it said with say()."""
        self.runs += 1
        mark = f"zumora-{os.getpid()}-{self.runs}"
        source = (f'function say(text) {{ print("{mark} " + text); }}\n'
                  f'{body}\nsay("end");\n')
        with tempfile.NamedTemporaryFile("w", suffix=".js", delete=False) as file:
            file.write(source)
        try:
            number = self.bus.call_blocking("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                            "loadScript", "ss", (file.name, mark))
            self.bus.call_blocking("org.kde.KWin", f"/{number}", "org.kde.kwin.Script", "run",
                                   "", ())

            def said():
                with open(self.log, errors="replace") as log:
                    lines = [line.split(mark + " ", 1)[1].rstrip("\n")
                             for line in log if mark + " " in line]
                return lines if lines and lines[-1] == "end" else None
            lines = wait_for("KWin's script", said, timeout=5.0)
            self.bus.call_blocking("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                                   "unloadScript", "s", (mark,))
            return lines[:-1]
        finally:
            os.unlink(file.name)

    def windows(self, pid):
        """Caption, frame and client width of each window of the process that KWin shows. The
        windows are of fixed size, so their largest size is their client area's."""
        lines = self.script(
            "var all = workspace.clientList();\n"
            "for (var i = 0; i < all.length; ++i) {\n"
            f"  var c = all[i]; if (c.pid != {pid} || c.hidden || c.minimized) continue;\n"
            "  var f = c.frameGeometry, g = c.maxSize;\n"
            "  say([f.x, f.y, f.width, f.height, g.width, c.caption].join('\\t'));\n"
            "}")
        found = []
        for line in lines:
            x, y, w, h, client_width, caption = line.split("\t", 5)
            found.append({"frame": tuple(round(float(v)) for v in (x, y, w, h)),
                          "client_width": round(float(client_width)), "caption": caption})
        return found

    def shown(self, pid, client_width):
        def probe():
            for window in self.windows(pid):
                if window["client_width"] == client_width:
                    return window
            return None
        return wait_for(f"a window {client_width} wide shown by KWin", probe)

    def move_by(self, pid, client_width, by):
        self.script(
            "var all = workspace.clientList();\n"
            "for (var i = 0; i < all.length; ++i) {\n"
            f"  var c = all[i]; if (c.pid != {pid} || c.maxSize.width != {client_width})"
            " continue;\n"
            "  var f = c.frameGeometry;\n"
            f"  c.frameGeometry = {{x: f.x + {by[0]}, y: f.y + {by[1]}, width: f.width,"
            " height: f.height};\n"
            "}")
        time.sleep(0.3)

    def close(self, pid, client_width):
        self.script(
            "var all = workspace.clientList();\n"
            "for (var i = 0; i < all.length; ++i) {\n"
            f"  var c = all[i]; if (c.pid == {pid} && c.maxSize.width == {client_width})"
            " c.closeWindow();\n"
            "}")


def compositor_desktop(session):
    """desktop_check's X11 desktop, where the user's drag of a title bar goes through the
    compositor: Xwayland's own test input never reaches a Wayland compositor's frames."""

    class CompositorDesktop(desktop_check.Desktop):
        def drag_title_once(self, window, by):
            grip = self.title_grip(window)
            if session == "gnome":
                compositor.drag(grip, by)
            else:
                pid = self.property(window, "_NET_WM_PID")[0]
                compositor.move_by(pid, MENU_CLIENT[0], by)

    compositor = Mutter() if session == "gnome" else Kwin()
    return CompositorDesktop


def press(pid, button):
    """Presses a button of the program through the accessibility bus, as a screen reader's user
    does: KWin offers no other way to give a native Wayland window input from here."""
    import pyatspi

    def find(node):
        if node is None:
            return None
        if node.getRoleName() == "push button" and node.name == button:
            return node
        for child in node:
            found = find(child)
            if found:
                return found
        return None

    def probe():
        for application in pyatspi.Registry.getDesktop(0):
            try:
                if application is not None and application.get_process_id() == pid:
                    return find(application)
            except Exception:
                continue
        return None
    wait_for(f"the button {button}", probe).queryAction().doAction(0)
    time.sleep(0.5)


def enable_accessibility():
    """Tells toolkits that start from now on that an assistive tool listens."""
    bus = dbus.SessionBus()
    bus.call_blocking("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                      "ssv", ("org.a11y.Status", "IsEnabled", dbus.Boolean(True, variant_level=1)))


def titles_sent(protocol_log):
    """The last title the program sent for each toplevel it made, in order, from its protocol
    log (WAYLAND_DEBUG=client)."""
    toplevels = []
    for line in protocol_log.splitlines():
        made = re.search(r"get_toplevel\(new id (xdg_toplevel@\d+)\)", line)
        if made:
            toplevels.append([made.group(1), None])
        sent = re.search(r"-> (xdg_toplevel@\d+)\.set_title\(\"(.*)\"\)", line)
        if sent:
            for toplevel in reversed(toplevels):
                if toplevel[0] == sent.group(1):
                    toplevel[1] = sent.group(2)
                    break
    return [title for _, title in toplevels]


def wait_for_keyboard(log):
    """Waits until one of the program's windows has the keyboard, as its protocol log tells.
    Keys pressed before are lost: a window new on the screen gets the keyboard only once shown,
    and mutter takes it away during a move and gives it back a while after."""
    def has_keyboard():
        with open(log, errors="replace") as protocol:
            events = re.findall(r"wl_keyboard@\d+\.(enter|leave)\(", protocol.read())
        return bool(events) and events[-1] == "enter"
    wait_for("the keyboard's coming to the window", has_keyboard)


def start_native(program, platform, log):
    """The program on native Wayland, its protocol log going to the file `log`: a pipe left
    unread while it runs would stop it."""
    env = dict(os.environ, QT_QPA_PLATFORM=platform, WAYLAND_DEBUG="client")
    with open(log, "w") as protocol:
        return subprocess.Popen([program], env=env, stderr=protocol)


def native_gnome(report, mutter, known, log):
    menu, start = mutter.shown(known)
    report.append(f"MENU at +{start[0]}+{start[1]}")
    wait_for_keyboard(log)
    mutter.keyboard_move(NATIVE_MOVE)
    moved = mutter.placed()[menu]
    report.append(f"moved to +{moved[0]}+{moved[1]}")
    if moved[:2] == start[:2]:
        raise Failed("the move did not move MENU")
    # Space selects the first option, Tab goes on to ノモク, Space presses it.
    wait_for_keyboard(log)
    mutter.keys(KEY_SPACE, KEY_TAB, KEY_SPACE)
    note, place = mutter.shown(known | {menu})
    report.append(f"NOTE at +{place[0]}+{place[1]}")
    # From the first entry, Tab five times reaches the back button.
    wait_for_keyboard(log)
    mutter.keys(*[KEY_TAB] * 5, KEY_SPACE)
    _, back = mutter.shown(known | {menu, note})
    report.append(f"MENU back at +{back[0]}+{back[1]}")
    wait_for_keyboard(log)
    mutter.keys(KEY_F4, held=(KEY_ALT,))


def native_kde(process, report, kwin):
    menu = kwin.shown(process.pid, MENU_CLIENT[0])
    x, y = menu["frame"][:2]
    report.append(f"MENU at +{x}+{y}")
    captions = {"MENU": menu["caption"]}
    kwin.move_by(process.pid, MENU_CLIENT[0], NATIVE_MOVE)
    moved = kwin.shown(process.pid, MENU_CLIENT[0])["frame"][:2]
    report.append(f"moved to +{moved[0]}+{moved[1]}")
    if moved == menu["frame"][:2]:
        raise Failed("the script did not move MENU")
    press(process.pid, "ノモク")
    note = kwin.shown(process.pid, NOTE_CLIENT[0])
    captions["NOTE"] = note["caption"]
    report.append(f"NOTE at +{note['frame'][0]}+{note['frame'][1]}")
    press(process.pid, "MENU")
    x, y = kwin.shown(process.pid, MENU_CLIENT[0])["frame"][:2]
    report.append(f"MENU back at +{x}+{y}")
    report.append(f"KWin's captions {captions}")
    if captions["MENU"] != "":
        raise Failed(f"KWin shows MENU's title as {captions['MENU']!r}")
    kwin.close(process.pid, MENU_CLIENT[0])


def native(session, program, platform):
    if session == "gnome":
        mutter = Mutter()
        known = set(mutter.placed())
        drive = lambda process, report, log: native_gnome(report, mutter, known, log)
    else:
        kwin = Kwin()
        # Before the program starts: Qt looks at the accessibility bus once, at start-up.
        enable_accessibility()
        drive = lambda process, report, log: native_kde(process, report, kwin)
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "protocol.log")
        process = start_native(program, platform, log)

        def check(report):
            drive(process, report, log)
            desktop_check.ended(process, "MENU", report)
            with open(log, errors="replace") as protocol:
                sent = titles_sent(protocol.read())
            report.append(f"titles sent {sent}")
            # Each showing is a toplevel of its own: MENU, NOTE, MENU again.
            if sent != ["", NOTE_TITLE, ""]:
                raise Failed("the titles are not as designed")

        return desktop_check.reported(f"QT_QPA_PLATFORM={platform}", process, check)


def main(argv):
    desktop_check.end_cleanly_on_term()
    if len(argv) == 4 and argv[1] in ("gnome", "kde"):
        if argv[3] in ("wayland", "wayland-egl"):
            return native(argv[1], argv[2], argv[3])
        # The same start, measures and checks as under an X11 window manager; only the move is
        # the compositor's.
        return desktop_check.run(argv[2], int(argv[3]), False, compositor_desktop(argv[1]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
