#!/usr/bin/python3
"""Drives the program on one X display as a user would and checks where its windows land.

Usage: desktop_check.py wait-wm [--ewmh]
       desktop_check.py run PROGRAM START-NUMBER [--no-wm]
       desktop_check.py monitors PROGRAM

`wait-wm` returns once a window manager has taken over the display's root window (and, with
--ewmh, has announced itself). `run` starts PROGRAM once and prints one line of what it measured;
start 1 moves the menu window by its title bar, takes it to the notebook and back and closes
the menu window; later starts open the notebook and close it (even starts) or go back and close
the menu window (odd starts). `monitors`, on a display of two monitors or more, starts PROGRAM
with the pointer on each monitor and in a corner no monitor shows, then takes the menu window
by its title bar to another monitor, and then across the edge between two, opening the notebook
after each move; it prints a table of where each window went. The exit status is 1 when a check
failed.
"""

import signal
import subprocess
import sys
import time

from Xlib import X, Xutil, display, error
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
        """Drags a window by its title bar; once more if the window manager let the first drag
        pass without moving it at all, as a hand would."""
        before = self.settled_outer(window)
        self.drag_title_once(window, by)
        if self.settled_outer(window)[:2] == before[:2]:
            self.drag_title_once(window, by)

    def title_grip(self, window):
        """Where a hand takes hold of the window's title bar: left of the middle, clear of the
        buttons at either end."""
        x, y, w, _ = self.outer(window)
        origin = window.translate_coords(self.root, 0, 0)
        title_height = -origin.y - y
        if title_height < 6:
            raise Failed("the window has no title bar to drag")
        return x + w * 0.4, y + title_height / 2

    def drag_title_once(self, window, by):
        sx, sy = self.title_grip(window)
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


def came_back(name, now, then):
    """Checks that a window shown again is where it was left, within a pixel."""
    if abs(now[0] - then[0]) > 1 or abs(now[1] - then[1]) > 1:
        raise Failed(f"{name} came back at {place(now)}, not at {place(then)}")
    return f"{name} back at {place(now)}"


def off_centre(area, outer):
    """How far the rectangle `outer` is from the centre of `area` (both x, y, w, h), in
    pixels."""
    ax, ay, aw, ah = area
    return outer[0] - (ax + (aw - outer[2]) / 2), outer[1] - (ay + (ah - outer[3]) / 2)


def centred(desktop, name, outer):
    dx, dy = off_centre((0, 0, *desktop.screen), outer)
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
            return first_window(desktop)
        if not taken:
            desktop.root.change_attributes(event_mask=0)
            desktop.d.sync()
        time.sleep(0.05)
    print("the window manager did not start", file=sys.stderr)
    return 1


def first_window(desktop):
    """Has the window manager frame a window of the check's own before the program's first,
    so that the program meets it set up, as on a user's desktop: kwin_x11, just started, lost
    now and then the move the program's first window asks for once its frame is known."""
    window = desktop.root.create_window(0, 0, 100, 100, 0, X.CopyFromParent)
    # Placed where it asks to be, so that no window manager waits for the user to place it.
    window.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize, x=0, y=0, width=100,
                               height=100)
    window.map()
    desktop.d.sync()
    end = time.monotonic() + 10
    try:
        while time.monotonic() < end:
            if window.query_tree().parent != desktop.root and desktop.viewable(window):
                return 0
            time.sleep(0.02)
        print("the window manager framed no window", file=sys.stderr)
        return 1
    finally:
        window.destroy()
        desktop.d.sync()


def reported(label, process, check, report=None):
    """Runs check(report), which adds to `report` what it measured and raises Failed at the first
    fault, then added last; prints it in one line, "LABEL: ok: ..." or "LABEL: FAIL: ...", and
    ends the program if it is still running. The exit status: 0 when the check passed."""
    report = [] if report is None else report
    try:
        check(report)
    except Failed as failure:
        report.append(str(failure))
        print(f"{label}: FAIL: {'; '.join(report)}")
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    print(f"{label}: ok: {'; '.join(report)}")
    return 0


def ended(process, closed, report):
    """The program must end, with status 0, once the window `closed` has been closed."""
    try:
        status = process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failed(f"closing {closed} did not end the program")
    report.append(f"closed {closed}: status {status}")
    if status != 0:
        raise Failed("the status is not 0")


def run(program, start, no_wm, desktop_kind=Desktop):
    desktop = desktop_kind()
    process = subprocess.Popen([program])
    return reported(f"start {start}", process,
                    lambda report: run_start(desktop, process, start, no_wm, report))


def run_start(desktop, process, start, no_wm, report):
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
        report.append(came_back("MENU", desktop.settled_outer(menu), moved))
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
    ended(process, closed, report)


# Several monitors. Rectangles are (x, y, width, height) in pixels of the root window.


def overlap(a, b):
    width = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    height = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return max(width, 0) * max(height, 0)


def distance(point, rect):
    dx = max(rect[0] - point[0], 0, point[0] - (rect[0] + rect[2] - 1))
    dy = max(rect[1] - point[1], 0, point[1] - (rect[1] + rect[3] - 1))
    return dx * dx + dy * dy


def nearest(monitors, point):
    """The monitor holding `point`, or else the nearest one (the earlier on a tie)."""
    return min(monitors, key=lambda m: distance(point, m[1]))


def showing(monitors, outer):
    """The monitor showing the largest part of a window (the earlier on a tie)."""
    best = max(monitors, key=lambda m: overlap(m[1], outer))
    if overlap(best[1], outer) == 0:
        return nearest(monitors, (outer[0] + outer[2] // 2, outer[1] + outer[3] // 2))
    return best


def centre(rect):
    return (rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)


def monitor_list(desktop):
    reply = desktop.root.xrandr_get_monitors()
    found = [(desktop.d.get_atom_name(m.name), (m.x, m.y, m.width_in_pixels, m.height_in_pixels),
              m.primary) for m in reply.monitors]
    # The primary first, as the program lists them.
    return [(name, rect) for name, rect, _ in sorted(found, key=lambda m: not m[2])]


def bare_corner(monitors):
    """A point near a corner of the desktop that no monitor shows, or None."""
    left = min(m[1][0] for m in monitors)
    top = min(m[1][1] for m in monitors)
    right = max(m[1][0] + m[1][2] for m in monitors) - 1
    bottom = max(m[1][1] + m[1][3] for m in monitors) - 1
    for point in ((left + 20, bottom - 20), (right - 20, bottom - 20), (left + 20, top + 20),
                  (right - 20, top + 20)):
        if all(distance(point, m[1]) > 0 for m in monitors):
            return point
    return None


def centred_on(monitor, name, outer):
    """Checks that `outer` is centred on `monitor`; a line saying where it is."""
    dx, dy = off_centre(monitor[1], outer)
    text = (f"{name} {place(outer)} {outer[2]}x{outer[3]}, on {monitor[0]} off centre "
            f"({dx:+.1f},{dy:+.1f})")
    if abs(dx) > 1 or abs(dy) > 1:
        raise Failed(text + f": not centred on {monitor[0]}")
    return text


class Session:
    """One run of the program on a desktop: its windows as they show. reported() ends it."""

    def __init__(self, desktop, program):
        self.desktop = desktop
        self.process = subprocess.Popen([program])

    def window(self, client_size):
        return self.desktop.shown_window(self.process.pid, client_size)

    def close_menu(self, menu, report):
        self.desktop.close(menu)
        ended(self.process, "MENU", report)


def drag_to(desktop, window, outer, centre_at):
    """Drags a window by its title bar so that its outer centre lands at `centre_at`."""
    now = centre(outer)
    desktop.drag_title(window, (centre_at[0] - now[0], centre_at[1] - now[1]))
    return desktop.settled_outer(window)


def monitors(program):
    desktop = Desktop()
    monitors = monitor_list(desktop)
    if len(monitors) < 2:
        print(f"monitors: the display has {len(monitors)} monitor(s), not two or more")
        return 1
    print("monitors: " + ", ".join(f"{n} {r[2]}x{r[3]}+{r[0]}+{r[1]}" for n, r in monitors))
    rows = []
    failed = 0

    def case(title, pointer, steps):
        nonlocal failed
        report = [f"pointer at {pointer[0]},{pointer[1]}"]
        desktop.pointer(*pointer)
        session = Session(desktop, program)
        status = reported(title, session.process, lambda r: steps(session, r), report)
        failed |= status
        rows.append((title, "; ".join(report) if status == 0 else "FAIL: " + report[-1]))

    # Started with the pointer on each monitor, and in a corner no monitor shows.
    starts = [(f"pointer on {name}", centre(rect)) for name, rect in monitors]
    corner = bare_corner(monitors)
    if corner is not None:
        starts.append(("pointer on no monitor", corner))
    for title, pointer in starts:
        def start_only(session, report, pointer=pointer):
            menu = session.window(MENU_CLIENT)
            expected = nearest(monitors, pointer)
            report.append(centred_on(expected, "MENU", desktop.settled_outer(menu)))
            session.close_menu(menu, report)
        case(title, pointer, start_only)

    # MENU taken from the first monitor well onto the second; the notebook follows it.
    first, second = monitors[0], monitors[1]

    def across(session, report):
        menu = session.window(MENU_CLIENT)
        report.append(centred_on(first, "MENU", desktop.settled_outer(menu)))
        # Off the second monitor's centre, so that only the notebook's own centring can put it
        # there.
        target = (centre(second[1])[0] - 150, centre(second[1])[1] - 100)
        moved = drag_to(desktop, menu, desktop.settled_outer(menu), target)
        if showing(monitors, moved)[0] != second[0]:
            raise Failed(f"dragging MENU to {second[0]} left it at {place(moved)}")
        report.append(f"MENU dragged to {place(moved)} on {second[0]}")
        trip(session, report, menu, moved, second)

    case(f"MENU dragged from {first[0]} to {second[0]}", centre(first[1]), across)

    # MENU left across the edge between the two, most of it on the first: the notebook goes
    # where most of the menu is.
    def straddling(session, report):
        menu = session.window(MENU_CLIENT)
        outer = desktop.settled_outer(menu)
        report.append(centred_on(second, "MENU", outer))
        # The point of the first monitor nearest the second's centre is on their shared edge;
        # the menu's centre goes a sixth of its size beyond it, onto the first.
        fx, fy, fw, fh = first[1]
        sx, sy = centre(second[1])
        edge = (min(max(sx, fx), fx + fw - 1), min(max(sy, fy), fy + fh - 1))
        into = (outer[2] // 6 * (1 if edge[0] == fx else -1 if edge[0] == fx + fw - 1 else 0),
                outer[3] // 6 * (1 if edge[1] == fy else -1 if edge[1] == fy + fh - 1 else 0))
        moved = drag_to(desktop, menu, outer, (edge[0] + into[0], edge[1] + into[1]))
        on = [m for m in monitors if overlap(m[1], moved) > 0]
        if len(on) < 2 or showing(monitors, moved)[0] != first[0]:
            raise Failed(f"MENU did not come to straddle the edge, mostly on {first[0]}: "
                         f"{place(moved)}")
        shares = ", ".join(f"{m[0]} {overlap(m[1], moved)} px" for m in on)
        report.append(f"MENU dragged to {place(moved)} across the edge ({shares})")
        trip(session, report, menu, moved, first)

    case(f"MENU across the edge, mostly on {first[0]}", centre(second[1]), straddling)

    print()
    print("| case | where each window went |")
    print("|---|---|")
    for title, what in rows:
        print(f"| {title} | {what} |")
    return failed


def trip(session, report, menu, moved, monitor):
    """From MENU at `moved`: NOTE centred on `monitor`, both windows back where they were left
    across two trips, then MENU closed."""
    desktop = session.desktop
    desktop.click_client(menu, MENU_OPEN)
    note = session.window(NOTE_CLIENT)
    note_outer = desktop.settled_outer(note)
    report.append(centred_on(monitor, "NOTE", note_outer))
    desktop.click_client(note, NOTE_BACK)
    menu = session.window(MENU_CLIENT)
    report.append(came_back("MENU", desktop.settled_outer(menu), moved))
    desktop.click_client(menu, MENU_OPEN)
    note = session.window(NOTE_CLIENT)
    report.append(came_back("NOTE", desktop.settled_outer(note), note_outer))
    desktop.click_client(note, NOTE_BACK)
    menu = session.window(MENU_CLIENT)
    session.close_menu(menu, report)


def end_cleanly_on_term():
    """Ended from outside (a time limit, the matrix interrupted), a check still ends the program
    it started first: TERM unwinds like any other exit."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))


def main(argv):
    end_cleanly_on_term()
    if len(argv) >= 2 and argv[1] == "wait-wm":
        return wait_wm("--ewmh" in argv)
    if len(argv) >= 4 and argv[1] == "run":
        return run(argv[2], int(argv[3]), "--no-wm" in argv)
    if len(argv) >= 3 and argv[1] == "monitors":
        return monitors(argv[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
