#!/usr/bin/python3
"""Drives the program on one X display as a user would and checks where its windows land.

Usage: desktop_check.py wait-wm [--ewmh]
       desktop_check.py run PROGRAM START-NUMBER [--no-wm]

`wait-wm` returns once a window manager has taken over the display's root window (and, with
--ewmh, has announced itself). `run` starts PROGRAM once and prints one line of what it measured;
start 1 moves the menu window by its title bar, takes it to the notebook and back and closes
the menu window; later starts open the notebook and close it (even starts) or go back and close
the menu window (odd starts). The exit status is 1 when a check failed.
"""

import subprocess
import sys
import time

from Xlib import X, Xatom, display, error
from Xlib.ext import xtest
from Xlib.protocol import event

# The designs, in twips; 15 twips make one pixel.
MENU_CLIENT = (3135 // 15, 4530 // 15)
NOTE_CLIENT = (3330 // 15, 4185 // 15)
# Centres of the buttons, from the client area's top-left corner.
MENU_OPEN = ((840 + 1455 / 2) / 15, (3840 + 495 / 2) / 15)
NOTE_BACK = ((2160 + 975 / 2) / 15, (3600 + 495 / 2) / 15)
DRAG = (-400, -250)


class Failed(Exception):
    pass


class Desktop:
    def __init__(self):
        self.d = display.Display()
        self.root = self.d.screen().root
        geometry = self.root.get_geometry()
        self.screen = (geometry.width, geometry.height)
        self.atom = lambda name: self.d.intern_atom(name)
        # twm grabs the server while the user drags a window's outline; the pointer driven here
        # must get through as a real one would.
        xtest.grab_control(self.d, True)

    def property(self, window, name):
        try:
            prop = window.get_full_property(self.atom(name), X.AnyPropertyType)
        except error.BadWindow:
            return None
        return None if prop is None else prop.value

    def windows_of(self, pid):
        found = []

        def walk(window):
            try:
                children = window.query_tree().children
            except error.BadWindow:
                return
            for child in children:
                pids = self.property(child, "_NET_WM_PID")
                if pids is not None and len(pids) and pids[0] == pid:
                    found.append(child)
                else:
                    walk(child)

        walk(self.root)
        return found

    def viewable(self, window):
        try:
            return window.get_attributes().map_state == X.IsViewable
        except error.BadWindow:
            return False

    def shown_window(self, pid, client_size, timeout=10.0):
        """The program's window of that client size, once it is on screen."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            for window in self.windows_of(pid):
                try:
                    g = window.get_geometry()
                except error.BadWindow:
                    continue
                if (g.width, g.height) == client_size and self.viewable(window):
                    return window
            time.sleep(0.02)
        raise Failed(f"no window of {client_size[0]}x{client_size[1]} came on screen")

    def outer(self, window):
        """The outer rectangle, frame included, as the window manager tells it."""
        at = window.translate_coords(self.root, 0, 0)
        g = window.get_geometry()
        cx, cy = -at.x, -at.y
        extents = self.property(window, "_NET_FRAME_EXTENTS")
        if extents is not None and len(extents) == 4:
            left, right, top, bottom = extents
            return (cx - left, cy - top, g.width + left + right, g.height + top + bottom)
        # No word from the window manager: the frame is the window it put the client into.
        frame = window
        while True:
            parent = frame.query_tree().parent
            if parent == self.root:
                break
            frame = parent
        f = frame.get_geometry()
        return (f.x, f.y, f.width + 2 * f.border_width, f.height + 2 * f.border_width)

    def settled_outer(self, window, quiet=0.4, timeout=5.0):
        """The outer rectangle once it has stopped changing for `quiet` seconds."""
        end = time.monotonic() + timeout
        last, since = None, time.monotonic()
        while time.monotonic() < end:
            now = self.outer(window)
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return now
            time.sleep(0.02)
        return last

    def offset(self, outer):
        """How far the outer rectangle is from the centre of the screen, in pixels."""
        x, y, w, h = outer
        return (x - (self.screen[0] - w) / 2, y - (self.screen[1] - h) / 2)

    def pointer(self, x, y):
        xtest.fake_input(self.d, X.MotionNotify, x=int(x), y=int(y))
        self.d.sync()

    def button(self, pressed):
        xtest.fake_input(self.d, X.ButtonPress if pressed else X.ButtonRelease, 1)
        self.d.sync()

    def click_client(self, window, at):
        origin = window.translate_coords(self.root, 0, 0)
        self.pointer(-origin.x + at[0], -origin.y + at[1])
        time.sleep(0.1)
        self.button(True)
        time.sleep(0.05)
        self.button(False)

    def drag_title(self, window, by):
        x, y, w, _ = self.outer(window)
        origin = window.translate_coords(self.root, 0, 0)
        title_height = -origin.y - y
        if title_height < 6:
            raise Failed("the window has no title bar to drag")
        # Left of the middle: clear of the buttons at either end.
        sx, sy = x + w * 0.4, y + title_height / 2
        self.pointer(sx, sy)
        time.sleep(0.1)
        self.button(True)
        time.sleep(0.15)
        steps = 10
        for i in range(1, steps + 1):
            self.pointer(sx + by[0] * i / steps, sy + by[1] * i / steps)
            time.sleep(0.03)
        time.sleep(0.15)
        self.button(False)

    def close(self, window):
        """Asks the window to close, as a window manager's close box does."""
        protocols = self.atom("WM_PROTOCOLS")
        message = event.ClientMessage(
            window=window, client_type=protocols,
            data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(message)
        self.d.sync()

    def titles(self, window):
        return [self.property(window, name) for name in ("WM_NAME", "_NET_WM_NAME")]


def place(outer):
    return f"+{outer[0]}+{outer[1]}"


def centred(desktop, name, outer):
    dx, dy = desktop.offset(outer)
    text = f"{name} {place(outer)} {outer[2]}x{outer[3]} off centre ({dx:+.1f},{dy:+.1f})"
    if abs(dx) > 1 or abs(dy) > 1:
        raise Failed(text + ": not centred")
    return text


def wait_wm(ewmh):
    desktop = Desktop()
    end = time.monotonic() + 30
    while time.monotonic() < end:
        refused = error.CatchError(error.BadAccess)
        desktop.root.change_attributes(event_mask=X.SubstructureRedirectMask, onerror=refused)
        desktop.d.sync()
        taken = refused.get_error() is not None
        if taken and (not ewmh or desktop.property(desktop.root, "_NET_SUPPORTING_WM_CHECK")):
            time.sleep(0.5)  # the window manager finishes setting up
            return 0
        if not taken:
            desktop.root.change_attributes(event_mask=0)
            desktop.d.sync()
        time.sleep(0.05)
    print("the window manager did not start", file=sys.stderr)
    return 1


def run(program, start, no_wm):
    desktop = Desktop()
    process = subprocess.Popen([program])
    report = []
    try:
        menu = desktop.shown_window(process.pid, MENU_CLIENT)
        report.append(centred(desktop, "MENU", desktop.settled_outer(menu)))
        if start == 1:
            titles = desktop.titles(menu)
            if any(t not in (None, b"", "") for t in titles):
                raise Failed(f"MENU's title is not empty: {titles}")
            report.append("title empty")
            if no_wm:
                report.append("no window manager: nothing to drag")
                moved = desktop.settled_outer(menu)
            else:
                before = desktop.settled_outer(menu)
                desktop.drag_title(menu, DRAG)
                moved = desktop.settled_outer(menu)
                shift = (moved[0] - before[0], moved[1] - before[1])
                if abs(shift[0] - DRAG[0]) > 40 or abs(shift[1] - DRAG[1]) > 40:
                    raise Failed(f"dragging MENU's title bar moved it by {shift}")
                report.append(f"dragged to {place(moved)}")
            desktop.click_client(menu, MENU_OPEN)
            note = desktop.shown_window(process.pid, NOTE_CLIENT)
            report.append(centred(desktop, "NOTE", desktop.settled_outer(note)))
            desktop.click_client(note, NOTE_BACK)
            menu = desktop.shown_window(process.pid, MENU_CLIENT)
            back = desktop.settled_outer(menu)
            if abs(back[0] - moved[0]) > 1 or abs(back[1] - moved[1]) > 1:
                raise Failed(f"MENU came back at {place(back)}, not at {place(moved)}")
            report.append(f"back from NOTE at {place(back)}")
            desktop.close(menu)
            closed = "MENU"
        else:
            desktop.click_client(menu, MENU_OPEN)
            note = desktop.shown_window(process.pid, NOTE_CLIENT)
            report.append(centred(desktop, "NOTE", desktop.settled_outer(note)))
            if start % 2 == 0:
                desktop.close(note)
                closed = "NOTE"
            else:
                desktop.click_client(note, NOTE_BACK)
                menu = desktop.shown_window(process.pid, MENU_CLIENT)
                desktop.close(menu)
                closed = "MENU"
        try:
            status = process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failed(f"closing {closed} did not end the program")
        report.append(f"closed {closed}: status {status}")
        if status != 0:
            raise Failed("; ".join(report))
    except Failed as failure:
        print(f"start {start}: FAIL: {'; '.join(report + [str(failure)])}")
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    print(f"start {start}: ok: {'; '.join(report)}")
    return 0


def main(argv):
    if len(argv) >= 2 and argv[1] == "wait-wm":
        return wait_wm("--ewmh" in argv)
    if len(argv) >= 4 and argv[1] == "run":
        return run(argv[2], int(argv[3]), "--no-wm" in argv)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
