#!/usr/bin/python3
"""End-to-end scenarios through the real window, as a person and a screen reader use it.

Starts its own X server, D-Bus session, accessibility bus and window manager,
launches the built program, types real X keystrokes with xdotool and reads the
boxes and the focus back over AT-SPI. No hook inside the program.

Usage: tickwell_e2e.py PATH/TO/tickwell [--repeat N] [--only NAME]
"""

import argparse
import csv
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import uuid
import zlib

WAIT = 8.0  # seconds any expected state may take to show


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=WAIT):
    """Polls probe() until it returns something truthy; a bounded wait, never a fixed sleep."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = probe()
        except Exception as error:  # the tree changes under us while windows come and go
            last = error
        if last and not isinstance(last, Exception):
            return last
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what} (last read: {last!r})")
        time.sleep(0.02)


def xwd_to_png(xwd_path, png_path):
    """Converts the X server's own screen dump (24/32-bit ZPixmap) to PNG."""
    data = open(xwd_path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bytes_per_line, ncolors = header[7], header[12], header[19]
    if bytes_per_line < width * 4:  # 24-bit colour in 32-bit pixels, as Xvfb keeps it
        return False
    pixels = data[header_size + ncolors * 12:]
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * 4]
        row = bytearray(b"\x00")
        for x in range(0, len(line), 4):
            b, g, r = (line[x], line[x + 1], line[x + 2]) if byte_order == 0 else (line[x + 3], line[x + 2], line[x + 1])
            row += bytes((r, g, b))
        rows.append(bytes(row))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b"")
    open(png_path, "wb").write(png)
    return True


class Desktop:
    """A private X server, D-Bus session, accessibility bus and window manager."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.marker = "tickwell-e2e-" + uuid.uuid4().hex
        self.procs = []
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                     "QT_QPA_PLATFORM", "SESSION_MANAGER", "LANGUAGE", "LC_ALL", "LC_MESSAGES"):
            self.env.pop(name, None)
        self.env["LANG"] = "C.UTF-8"  # English, as every scenario expects unless it says
        runtime = os.path.join(workdir, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env.update(XDG_RUNTIME_DIR=runtime, TICKWELL_E2E_MARKER=self.marker,
                        NO_AT_BRIDGE="0", GTK_A11Y="none")

    def _spawn(self, args, **kwargs):
        proc = subprocess.Popen(args, env=self.env, start_new_session=True, **kwargs)
        self.procs.append(proc)
        return proc

    def _log(self, name):
        return open(os.path.join(self.workdir, name), "w")

    def _await(self, what, proc, log, probe):
        """Waits until `probe` (a command) succeeds; on time-out says why, from the log."""
        try:
            wait_for(what, lambda: self.run(probe, check=False).returncode == 0)
        except Failure:
            log.flush()
            raise Failure(f"{what} did not start (exit {proc.poll()}): " + open(log.name).read())

    def start(self):
        read_end, write_end = os.pipe()
        x_log = self._log("xvfb.log")
        xvfb = self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=[write_end], stdout=x_log,
                           stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline:
                raise Failure("Xvfb did not start")
            piece = os.read(read_end, 16)
            if not piece:
                raise Failure("Xvfb exited before telling its display")
            number += piece
        os.close(read_end)
        self.env["DISPLAY"] = ":" + number.decode().strip()
        self._await(f"the X server {self.env['DISPLAY']}", xvfb, x_log, ["xdotool", "getdisplaygeometry"])

        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        # Qt only waits for the accessibility bus; asking for its address starts it.
        subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, timeout=20)
        self.start_wm()
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR")})

    def start_wm(self):
        wm_log = self._log("openbox.log")
        self.wm = self._spawn(["openbox", "--sm-disable"], stdout=wm_log, stderr=subprocess.STDOUT)
        self._await("the window manager", self.wm, wm_log, ["wmctrl", "-m"])

    def stop_wm(self):
        self.wm.terminate()
        self.wm.wait(timeout=WAIT)
        wait_for("the window manager to go", lambda: self.run(["wmctrl", "-m"], check=False).returncode != 0)

    def type(self, text, delay_ms):
        """Real keystrokes into the focused window; \r is Enter, \x1b Escape."""
        for part in re.split(r"([\r\x1b])", text):
            if part == "\r":
                self.key("Return")
            elif part == "\x1b":
                self.key("Escape")
            elif part:
                self.run(["xdotool", "type", "--delay", str(delay_ms), part])

    def key(self, *names):
        self.run(["xdotool", "key", *names])

    def run(self, args, check=True, **kwargs):
        return subprocess.run(args, env=self.env, check=check, capture_output=True, text=True,
                              timeout=30, **kwargs)

    def screenshot(self, name):
        base = os.path.join(self.workdir, re.sub(r"[^A-Za-z0-9]+", "-", name))
        try:
            with open(base + ".xwd", "wb") as out:
                subprocess.run(["xwd", "-root", "-silent"], env=self.env, stdout=out, timeout=30, check=True)
            if xwd_to_png(base + ".xwd", base + ".png"):
                os.unlink(base + ".xwd")
                return base + ".png"
            return base + ".xwd"
        except Exception as error:
            return f"(no screenshot: {error})"

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for proc in self.procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
        # Helpers started by D-Bus activation outlive the daemon: end every
        # process that carries this run's marker.
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) == os.getpid():
                continue
            try:
                environ = open(f"/proc/{pid}/environ", "rb").read()
            except OSError:
                continue
            if self.marker.encode() in environ:
                try:
                    os.kill(int(pid), signal.SIGKILL)
                except ProcessLookupError:
                    pass


class Tickwell:
    """The program under test, seen through X and AT-SPI."""

    def __init__(self, desktop, binary, config, env=None):
        self.desktop = desktop
        self.config = self.files = config  # saved tapes go beside the settings
        env = dict(desktop.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=config, **(env or {}))
        self.proc = subprocess.Popen([binary], env=env, start_new_session=True,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        desktop.procs.append(self.proc)
        self.app = wait_for("the program on the accessibility bus", self._find_app)
        self.main = wait_for("the main window", lambda: self.frame("Tickwell"))
        # By name in every language the scenario may start it in.
        names = {"Hours": ("Hours", "Stunden", "Часы"), "Minutes": ("Minutes", "Minuten", "Минуты"),
                 "Seconds": ("Seconds", "Sekunden", "Секунды")}
        self.boxes = [wait_for(f"the {n} box", lambda n=n: self.find(
                          self.main, role=pyatspi.ROLE_TEXT, predicate=lambda b: b.name in names[n]))
                      for n in names]
        self.wid = wait_for("the main X window", lambda: self.xwindow("Tickwell"))
        self.activate()

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    def frames(self, name):
        found = []
        for i in range(self.app.childCount):
            child = self.app.getChildAtIndex(i)
            if child is not None and child.name == name:
                found.append(child)
        return found

    def frame(self, name):
        frames = self.frames(name)
        return frames[0] if frames else None

    def find(self, root, name=None, role=None, predicate=None):
        stack = [root]
        while stack:
            node = stack.pop()
            if node is None:
                continue
            if ((name is None or node.name == name) and (role is None or node.getRole() == role)
                    and (predicate is None or predicate(node))):
                return node
            stack.extend(node.getChildAtIndex(i) for i in range(node.childCount))
        return None

    def xwindow(self, title):
        out = self.desktop.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                                "--name", f"^{title}$"], check=False).stdout.split()
        return out[0] if out else None

    def activate(self):
        self.desktop.run(["xdotool", "windowactivate", "--sync", self.wid])

    def keys(self, text):
        self.desktop.type(text, delay_ms=15)

    def key(self, *names):
        self.desktop.key(*names)

    def read(self):
        texts = tuple(box.queryText().getText(0, -1) for box in self.boxes)
        return texts, self.focused()

    def focused(self):
        node = self.find(self.main, predicate=lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
        return node.name if node is not None else None

    def alert(self):
        return self.find(self.app, role=pyatspi.ROLE_ALERT)

    def get_clipboard(self):
        return self.desktop.run(["xclip", "-selection", "clipboard", "-o"], check=False).stdout

    def set_clipboard(self, text):
        """xclip stays in the background to serve the text, as a copying program would."""
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text, text=True,
                       env=self.desktop.env, check=True, timeout=10, stderr=subprocess.DEVNULL)

    def rects(self, *titles):
        """Each window's (left, top, right, bottom) on the desktop."""
        boxes = [wait_for(t, lambda t=t: self.frame(t)).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                 for t in titles]
        return [(b.x, b.y, b.x + b.width, b.y + b.height) for b in boxes]

    def tape_visible(self):
        frame = self.frame("Tickwell Tape")
        return frame is not None and frame.getState().contains(pyatspi.STATE_SHOWING)

    def restore_without_minimize(self):
        """A window-state change that is no restore from a minimize."""
        for _ in range(2):
            self.desktop.run(["wmctrl", "-i", "-r", self.wid, "-b", "toggle,fullscreen"])
            time.sleep(0.3)

    def factor_box(self):
        """None while the multiply-or-divide box is closed, else the sentence it shows."""
        box = self.frame("Multiply or Divide")
        if box is None or not box.getState().contains(pyatspi.STATE_SHOWING):
            return None
        problem = self.find(box, role=pyatspi.ROLE_LABEL, predicate=lambda n: n.name.startswith(("A ", "Type")))
        return problem.name if problem is not None else ""

    def factor_field_name(self):
        field = self.find(self.frame("Multiply or Divide"), role=pyatspi.ROLE_TEXT)
        return field.name if field is not None else None

    def factor_ready(self):
        box = self.frame("Multiply or Divide")
        field = box and self.find(box, role=pyatspi.ROLE_TEXT,
                                  predicate=lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
        return field is not None and self.desktop.run(["xdotool", "getwindowfocus"], check=False).stdout.strip() \
            == self.xwindow("Multiply or Divide")

    def between_ready(self):
        """The Time Between box is up with its Start field holding the keyboard focus."""
        box = self.frame("Time Between")
        field = box and self.find(box, role=pyatspi.ROLE_TEXT,
                                  predicate=lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
        return field is not None and field.name == "Start time" and self.desktop.run(
            ["xdotool", "getwindowfocus"], check=False).stdout.strip() == self.xwindow("Time Between")

    def round_ready(self):
        """The Round box is up with its Minutes field holding the keyboard focus."""
        box = self.frame("Round")
        # Qt names an editable combo box by its text, and its label by a relation.
        field = box and self.find(box, role=pyatspi.ROLE_TEXT,
                                  predicate=lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
        return field is not None and field.parent.getRole() == pyatspi.ROLE_COMBO_BOX and \
            self.desktop.run(["xdotool", "getwindowfocus"], check=False).stdout.strip() == self.xwindow("Round")

    def round_open(self):
        box = self.frame("Round")
        return box is not None and box.getState().contains(pyatspi.STATE_SHOWING)

    def between_open(self):
        box = self.frame("Time Between")
        return box is not None and box.getState().contains(pyatspi.STATE_SHOWING)

    def open_tape(self):
        self.desktop.run(["xdotool", "windowfocus", "--sync", self.wid])
        self.key("ctrl+t")

    # What the tape and Always on Top scenarios ask of either program.
    def activate_tape(self):
        frame = wait_for("the tape window", lambda: self.frame("Tickwell Tape") or
                         self.frame("Tickwell-Rechenstreifen"))
        wid = wait_for("its X window", lambda: self.xwindow(frame.name))
        self.desktop.run(["xdotool", "windowactivate", "--sync", wid])

    def save_dialog(self, path):
        dialog = wait_for("the save dialog", lambda: self.find(self.app, role=pyatspi.ROLE_DIALOG))
        wait_for("its name field to take the keys", lambda: self.find(
            dialog, predicate=lambda n: n.getRole() == pyatspi.ROLE_TEXT and
            n.getState().contains(pyatspi.STATE_FOCUSED)))
        self.key("ctrl+a")
        self.keys(path + "\r")
        wait_for("the save dialog to close", lambda: self.find(self.app, role=pyatspi.ROLE_DIALOG) is None)

    def kept_tape(self):
        return os.path.join(self.config, "tickwell", "tape.txt")

    def end_session(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=WAIT)

    def option(self, name):
        return registry_values(self.config).get(name)

    def above(self, tape=False):
        """The window manager's "above" state."""
        wid = self.xwindow("Tickwell Tape") if tape else self.wid
        state = self.desktop.run(["xprop", "-id", wid, "_NET_WM_STATE"], check=False).stdout if wid else ""
        return "_NET_WM_STATE_ABOVE" in state

    def save_place(self, name, left, top):
        path = os.path.join(self.config, "tickwell", "registry.reg")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position]\r\n"
                      f'"{name} Left"=dword:{left:08x}\r\n"{name} Top"=dword:{top:08x}\r\n')

    def geometry_size(self, wid):
        out = self.desktop.run(["xdotool", "getwindowgeometry", wid]).stdout
        return tuple(int(v) for v in re.search(r"Geometry: (\d+)x(\d+)", out).groups())

    def tape(self):
        frame = self.frame("Tickwell Tape") or self.frame("Tickwell-Rechenstreifen")  # English, German
        text = frame and self.find(frame, role=pyatspi.ROLE_TEXT)
        return text.queryText().getText(0, -1).split("\n") if text else []

    def extents(self, frame):
        box = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x, box.y

    def move(self, wid, frame, x, y):
        """Moves a window through the window manager and waits until the program itself
        has seen the move, as it would long before a person's next action."""
        before = self.extents(frame)
        self.desktop.run(["xdotool", "windowmove", "--sync", wid, str(x), str(y)])
        wait_for("the program to see the move", lambda: self.extents(frame) != before)
        return self.geometry(wid)

    def geometry(self, wid):
        out = self.desktop.run(["xdotool", "getwindowgeometry", wid]).stdout
        x, y = re.search(r"Position: (-?\d+),(-?\d+)", out).groups()
        return int(x), int(y)

    def close(self):
        """Closes the main window as the close box does, so the close handlers run."""
        self.desktop.run(["wmctrl", "-i", "-c", self.wid])
        try:
            self.proc.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after its window was closed")
        if self.proc.returncode != 0:
            raise Failure(f"the program ended with code {self.proc.returncode}: "
                          f"{self.proc.stderr.read().decode(errors='replace')}")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


# ---- scenarios --------------------------------------------------------------------------
# Steps: ("keys", text) types; ("expect", (hours, minutes, seconds), focus) waits for the
# boxes and the focused control's accessible name; ("alert", text) reads the message box
# and presses OK; other steps are named functions below.

# Typed keys and what they leave on screen; the Windows harness plays them too.
TYPED = {
    "chain with plus, minus and Enter": [
        ("keys", "1/2/5+//55-/30\r"), ("expect", ("0", "33", "0"), "Equals")],
    "normalising equals": [
        ("keys", "/65/3725\r"), ("expect", ("2", "7", "5"), "Equals")],
    "conversions and back": [
        ("keys", "1/2/5m"), ("expect", ("", "62", "5"), "Convert to minutes and seconds"),
        ("keys", "s"), ("expect", ("", "", "3725"), "Convert to seconds"),
        ("keys", "\r"), ("expect", ("1", "2", "5"), "Equals")],
    "clear entry in the middle of a chain": [
        ("keys", "1+/30"), ("expect", ("", "30", ""), "Minutes"),
        ("keys", "e"), ("expect", ("1", "0", "0"), "Clear entry")],
    # Fault caught: ":" swallowed, so "1:25:40" ran on into 12540 hours.
    "colons move to the next box": [
        ("keys", "1:25:40"), ("expect", ("1", "25", "40"), "Seconds")],
    "overflow message then clear entry": [
        ("keys", "596523/14/7+//1\r"), ("alert", "Error Number: 6\nOverflow"),
        ("expect", ("596523", "14", "7"), "Clear entry")],
}

# The same, typed with no pause at all between keys, as a fast typist's keys
# wait in the queue. Fault caught: the Tab "/" asks for landing behind keys
# already typed.
BURST = {f"{name} (typed without pauses)": [("burst", step[1]) if step[0] == "keys" else step
                                            for step in steps]
         for name, steps in TYPED.items()}

# Keys with modifiers and keys that type nothing, as the Windows program takes
# them; the Windows harness plays them too.
MODIFIED = {
    "Alt with a digit types nothing": [
        ("keys", "1"), ("press", "alt+2"), ("expect", ("1", "", ""), "Hours")],
    "Ctrl+Enter runs nothing": [
        ("keys", "//5"), ("press", "ctrl+Return"), ("expect", ("", "", "5"), "Seconds")],
    "Ctrl+Backspace deletes nothing": [
        ("keys", "12"), ("press", "ctrl+BackSpace"), ("expect", ("12", "", ""), "Hours")],
    "Ctrl+A selects the box's text": [
        ("keys", "12"), ("press", "ctrl+a"), ("keys", "3"), ("expect", ("3", "", ""), "Hours")],
    "Home moves the caret in a box": [
        ("keys", "12"), ("press", "Home"), ("keys", "3"), ("expect", ("312", "", ""), "Hours")],
    "Shift+Delete with nothing selected deletes the character before the caret": [
        ("keys", "123"), ("press", "Left"), ("press", "shift+Delete"), ("expect", ("13", "", ""), "Hours")],
    "an arrow key on a button does nothing": [
        ("keys", "//5\r"), ("expect", ("0", "0", "5"), "Equals"), ("press", "Left"),
        ("keys", "7"), ("expect", ("0", "0", "5"), "Equals")],
}

# The Edit menu and the tape, through the menu accelerators; the Windows
# harness plays them too. Faults caught: Ctrl+C and Ctrl+V swallowed by the
# boxes, a partial read of a pasted text, the tape missing an event.
EDIT = {
    "Copy puts the result on the clipboard": [
        ("keys", "1/25/40+//50="), ("expect", ("1", "26", "30"), "Equals"), ("press", "ctrl+c"),
        ("clipboard_is", "1:26:30")],
    "Paste fills the boxes with a duration": [
        ("paste", "1:25:40", ("1", "25", "40")), ("paste", "1h 25m", ("1", "25", "")),
        ("paste", "-0:30", ("-0", "-30", "")), ("paste", "2.5h", ("2", "30", "")),
        ("keys", "\r"), ("expect", ("2", "30", "0"), "Equals")],
    # Fault caught: a pasted fraction of a minute rounded away by "=".
    "Paste keeps every second": [
        ("paste", "2.5 min", ("", "2", "30")), ("keys", "\r"), ("expect", ("0", "2", "30"), "Equals"),
        ("paste", "1h30", ("1", "30", ""))],
    # Fault caught: Ctrl+C copying the duration over the text the user selected.
    "Copy with text selected in a box copies that text": [
        ("keys", "125"), ("press", "ctrl+a"), ("press", "ctrl+c"), ("clipboard_is", "125")],
    "Copy as hours puts decimal hours on the clipboard": [
        ("keys", "1/30/0="), ("expect", ("1", "30", "0"), "Equals"), ("press", "ctrl+shift+c"),
        ("clipboard_is", "1.5")],
    "Paste of no duration says so and changes nothing": [
        ("keys", "7"), ("paste_refused", "hello"), ("expect", ("7", "", ""), "Hours")],
    # Faults caught: a shift across midnight negative or refused, ranges not summed, a
    # spreadsheet's column refused whole or its header read, the chain lost by a pasted
    # list, a column with a bad cell changing anything.
    "Paste reads clock-time ranges and a spreadsheet's column": [
        ("paste", "22:00-06:00", ("8", "0", "0")),
        ("paste", "10:15-12:00, 13:45-15:30", ("3", "30", "0")),
        ("keys", "c1+"), ("paste", "Hours\n1:00\n2:30\n0:45\n", ("4", "15", "0")),
        ("keys", "\r"), ("expect", ("5", "15", "0"), "Equals"), ("press", "ctrl+t"),
        ("tape_shows", ("\u00b7 1:00:00", "\u00b7 2:30:00", "\u00b7 0:45:00", "\u03a3 4:15:00 (4.25 h)",
                        "+ 4:15:00", "= 5:15:00 (5.25 h)")),
        ("keys", "c7"), ("paste_refused", "1:00\n2:00\nn/a\n", "Line 3 is not a duration: \u201cn/a\u201d"),
        ("expect", ("7", "", ""), "Hours")],
    # Fault caught: the time between two clock times across midnight, less a break, not
    # entered, or not added on to the week.
    "Time Between enters a shift less its break": [
        ("keys", "40+"), ("time_between", "22:00", "6:00", "0:30"), ("expect", ("7", "30", "0"), "Hours"),
        ("keys", "\r"), ("expect", ("47", "30", "0"), "Equals")],
    # Faults caught: rounding by value instead of magnitude, a tie taken down, the option
    # or the minutes typed ignored, an option's access key followed at once by Enter lost.
    "Round to the nearest, up and down": [
        ("keys", "7/52/0="), ("round_to", "15", "n"), ("expect", ("7", "45", "0"), "Equals"),
        ("keys", "c7/52/0="), ("round_to", "15", "u"), ("expect", ("8", "0", "0"), "Equals"),
        ("keys", "c7/52/0="), ("round_to", "6", "d"), ("expect", ("7", "48", "0"), "Equals"),
        ("press", "ctrl+t"), ("tape_shows", ("round down 6 min", "= 7:48:00 (7.8 h)"))],
    "the tape shows the chain": [
        ("keys", "1/25/40-0/10/0="), ("press", "ctrl+t"),
        ("tape_shows", ("+ 1:25:40", "\u2212 0:10:00", "= 1:15:40 (1.2611 h)")),
        ("tape_beside",)],
}

# "*" and its box, typed; the Windows harness plays them too. Faults caught:
# "*" swallowed, the box acting on the entry instead of what "=" would show,
# a refused text changing anything, the tape missing the factor.
MULTIPLY = {
    "multiply a duration": [
        ("keys", "1/25/40*"), ("factor", "3"), ("expect", ("4", "17", "0"), "Seconds"),
        ("press", "ctrl+t"), ("tape_shows", ("\u00d7 3", "= 4:17:00 (4.2833 h)"))],
    "divide a duration": [
        ("keys", "1/25/40*"), ("factor", "/4"), ("expect", ("0", "21", "25"), "Seconds"),
        ("press", "ctrl+t"), ("tape_shows", ("\u00f7 4", "= 0:21:25 (0.3569 h)"))],
    "multiply by a decimal": [
        ("keys", "0/10/0*"), ("factor", "1.5"), ("expect", ("0", "15", "0"), "Seconds")],
    "multiply a chain": [
        ("keys", "1/25/40+0/10/0*"), ("factor", "3"), ("expect", ("4", "47", "0"), "Seconds"),
        ("press", "ctrl+t"),
        ("tape_shows", ("+ 1:25:40", "+ 0:10:00", "\u00d7 3", "= 4:47:00 (4.7833 h)"))],
    "a division by zero is refused in the box": [
        ("keys", "1/25/40*"), ("factor_refused", "/0", "A duration cannot be divided by zero."),
        ("expect", ("1", "25", "40"), "Seconds"), ("keys", "+"), ("expect", ("", "", ""), "Hours")],
}

# The tape window around minimizing and at a screen's edge; the Windows
# harness plays them too.
TAPE = {
    # Fault caught: the flags of a minimize kept, so a later size event (a
    # move to a screen of another scale) reopened a tape the user had closed.
    "a closed tape stays closed after a restore that follows no minimize": [
        ("press", "ctrl+t"), ("tape_open", True), ("minimize_and_restore",), ("tape_open", True),
        ("press", "ctrl+t"), ("tape_open", False), ("restore_without_minimize",),
        ("pause",), ("tape_open", False)],
    # Fault caught: the first tape placed right of a main window at the
    # screen's right edge, beyond the screen.
    "the first tape opens on the screen beside a main window at its right edge": [
        ("main_at_right_edge",), ("tape_on_screen",)],
}

# The user's language, chosen as gettext chooses it; the Windows harness
# plays them too, with the same variables. Faults caught: a text shown from
# the tables untranslated, a message not looked up, English lost for a
# language without a catalogue.
LANGUAGES = {
    # The menus by their German mnemonics: Alt+B opens "&Bearbeiten", K is "&Kopieren".
    "in German": ({"LANGUAGE": "de", "LANG": "de_DE.UTF-8"}, [
        ("shows", "Stunden"), ("shows", "Eingabe löschen"),
        ("keys", "1/30/0="), ("press", "alt+b"), ("press", "k"), ("clipboard_is", "1:30:00"),
        ("paste_refused", "hello", "Die Zwischenablage enthält keine Zeitdauer."),
        # The decimal comma and German unit words pasted; decimals in the tape as German writes them.
        ("paste", "1,5 h", ("1", "30", "")), ("paste", "2 Std 15 Min", ("2", "15", "")),
        ("keys", "\r"), ("press", "ctrl+t"), ("tape_shows", ("= 2:15:00 (2,25 h)",)),
        # Faults caught: a thousands point read as a decimal one (3.6 s), an
        # abbreviation's period read as one before the next number (1:00:18).
        ("paste", "3.600 Sekunden", ("", "", "3600")), ("paste", "2 Std. 15 Min.", ("2", "15", "")),
        ("paste", "1 Std.30 Min", ("1", "30", "")), ("paste", "2h.30", ("2", "30", "")),
        ("paste", "2 Stunden und 30 Minuten", ("2", "30", "")), ("paste", "1:30 h", ("1", "30", ""))]),
    "in Russian": ({"LANG": "ru_RU.UTF-8"}, [
        ("shows", "Часы"), ("shows", "Секунды"),
        ("paste", "2 Часа 30 Минут", ("2", "30", "")), ("paste", "1ч 30м", ("1", "30", "")),
        ("paste", "1\u00a0ч\u00a030", ("1", "30", ""))]),
    # Faults caught: "1,500 s" pasted as 1.5 s, "1,000" multiplying by 1, half a
    # second rounded away before it was multiplied.
    "in English": ({"LANG": "en_US.UTF-8"}, [
        ("paste", "1,500 s", ("", "", "1500")), ("paste", "0:00:01", ("0", "00", "01")),
        ("keys", "*"), ("factor", "1,000"), ("expect", ("0", "16", "40"), "Hours"),
        ("paste", "0:00:00.5", ("0", "00", "00.5")), ("keys", "*"), ("factor", "3"),
        ("expect", ("0", "0", "2"), "Hours")]),
    "in a language without a catalogue, English": ({"LANG": "sw_KE.UTF-8"}, [
        ("shows", "Hours"), ("keys", "1/30/0="), ("press", "alt+e"), ("press", "c"),
        ("clipboard_is", "1:30:00"), ("paste_refused", "hello")]),
}

# Fault caught: the command letters dead where the layout types Cyrillic
# (C, S on the keys that type "с", "ы"). Keys by X key code, as the keyboard
# sends them.
LAYOUTS = {
    "command keys on a Russian layout": [
        ("keys", "1/25/40"), ("layout", "ru"), ("keycode", 39),
        ("expect", ("", "", "5140"), "Convert to seconds"),
        ("keycode", 54), ("expect", ("", "", ""), "Hours"), ("layout", "us")],
}

# The tape saved, kept between runs, and the windows kept above others; the
# Windows harness plays them too, with the same variables. Faults caught: a
# CSV a spreadsheet splits wrongly where the decimal mark is a comma, a kept
# tape lost when the session ends the program, a file left behind after Keep
# is turned off, Always on Top forgotten at the next start.
CHAIN_ROWS = [["+", "1:25:40", "1.4278"], ["\u2212", "0:10:00", "0.1667"], ["=", "1:15:40", "1.2611"]]
CHAIN_LINES = ["+ 1:25:40", "\u2212 0:10:00", "= 1:15:40 (1.2611 h)"]
KEPT = {
    "the tape saved as CSV and as text": ({"LANG": "en_US.UTF-8"}, [
        ("keys", "1/25/40-0/10/0="), ("press", "ctrl+t"), ("save_tape", "tape.csv"),
        ("csv_rows", "tape.csv", ",", CHAIN_ROWS), ("save_tape", "tape.txt"),
        ("text_lines", "tape.txt", CHAIN_LINES)]),
    "the tape saved as CSV where the decimal mark is a comma": ({"LANGUAGE": "de", "LANG": "de_DE.UTF-8"}, [
        ("keys", "1/25/40-0/10/0="), ("press", "ctrl+t"), ("save_tape", "tape.csv"),
        ("csv_rows", "tape.csv", ";", [[c.replace(".", ",") for c in row] for row in CHAIN_ROWS])]),
    "the tape kept between runs, through a close and a SIGTERM": ({}, [
        ("keys", "1/25/40-0/10/0="), ("press", "ctrl+t"), ("tape_menu", "k"), ("kept_file", True),
        ("restart",), ("press", "ctrl+t"), ("tape_shows", CHAIN_LINES),
        ("keys", "//5+//5="), ("terminate",), ("press", "ctrl+t"),
        ("tape_shows", ["+ 0:00:05", "+ 0:00:05", "= 0:00:10 (0.0028 h)"]),
        ("option", "Keep Tape", 1), ("tape_menu", "k"), ("kept_file", False), ("option", "Keep Tape", 0),
        ("restart",), ("press", "ctrl+t"), ("tape_shows", [""])]),
    "always on top, kept at the next start": ({}, [
        ("above", False), ("press", "ctrl+shift+t"), ("option", "Always On Top", 1),
        ("restart",), ("above", True), ("press", "ctrl+t"), ("above", True, True)]),
}

# What a screen reader is told after each command: keys, a factor for the
# multiply box or None, and the words. The Windows harness checks the same.
SPOKEN = [
    ("1/25/40+//50\r", None, "1 hour, 26 minutes, 30 seconds"),
    ("m", None, "86 minutes, 30 seconds"),
    ("*", "2", "2 hours, 53 minutes"),
    ("s", None, "10380 seconds"),
    ("c", None, "cleared"),
]

SCENARIOS = {
    **TYPED,
    **LAYOUTS,
    **BURST,
    **MODIFIED,
    **EDIT,
    **TAPE,
    **MULTIPLY,
    "help window opens once with F1": [("help_once",)],
    "about box closed with Escape": [("about",)],
    "position remembered across runs": [("position_memory",)],
    "help closed and reopened around a minimize": [("help_minimize",)],
    "window saved off-screen opens centred": [("off_screen",)],
    # Fault caught: the session's end killing the program without saving either place.
    "places saved when the session ends (SIGTERM)": [("session_end", "TERM")],
    "places saved when the session ends (SIGHUP)": [("session_end", "HUP")],
    "places saved when the session ends (SIGINT twice)": [("session_end", "INT", "INT")],
    # Fault caught: a planted catalogue that stops the program at every start.
    "a catalogue planted to exhaust memory leaves English": [
        ("shows", "Hours"), ("keys", "1/25/40+//50\r"), ("expect", ("1", "26", "30"), "Equals")],
    **{name: steps for name, (env, steps) in LANGUAGES.items()},
    **{name: steps for name, (env, steps) in KEPT.items()},
    "a box answers word requests at once": [("word_requests",)],
    # Under Wine a shown window with tool tips of its own does not take the
    # state at once (its owned pop-ups are moved above it first), so only
    # this program checks the change while it runs.
    # Fault caught: the window made anew to change the state, which lost the
    # keyboard focus and a screen reader's place.
    "always on top, on and off at once": [
        ("press", "ctrl+shift+t"), ("above", True), ("keys", "5"), ("expect", ("5", "", ""), "Hours"),
        ("press", "ctrl+shift+t"), ("above", False), ("option", "Always On Top", 0)],
    "a screen reader hears every result": [("screen_reader",)],
}


KEYSYMS = {"/": "slash", "+": "plus", "-": "minus", "=": "equal", "\r": "Return", " ": "space",
           ":": "colon", "*": "asterisk"}


def burst(app, text):
    """One xdotool call, no delay between keys (keysyms, so no keymap changes race)."""
    app.desktop.run(["xdotool", "key", "--delay", "0", *(KEYSYMS.get(c, c) for c in text)])


def press(app, *names):
    app.key(*names)


def layout(app, name):
    # The server tells the program of the new keymap before any later key.
    app.desktop.run(["setxkbmap", name])


def keycode(app, code):
    app.desktop.run(["xdotool", "key", str(code)])


def clipboard_is(app, text):
    wait_for(f"{text!r} on the clipboard", lambda: app.get_clipboard() == text)


def paste(app, text, boxes):
    app.set_clipboard(text)
    app.key("ctrl+v")
    wait_for(f"the boxes to read {boxes}", lambda: app.read()[0] == tuple(boxes))


def shows(app, text):
    """Some control or menu of the main window is named `text` (mnemonics aside)."""
    wait_for(f"{text!r} in the main window", lambda: app.find(app.app, name=text))


def paste_refused(app, text, message="The clipboard holds no duration."):
    before = app.read()[0]
    app.set_clipboard(text)
    app.key("ctrl+v")
    alert(app, message, "Tickwell")
    if app.read()[0] != before:
        raise Failure(f"a refused paste changed the boxes to {app.read()[0]}")


def tape_beside(app):
    """Fault caught: the tape opening over the main window the first time."""
    main, tape = app.rects("Tickwell", "Tickwell Tape")
    if tape[0] < main[2]:
        raise Failure(f"the tape {tape} opened over the main window {main}")


def tape_shows(app, lines):
    wait_for(f"the tape to show {lines}", lambda: tuple(app.tape()[-len(lines):]) == tuple(lines))


def factor(app, text):
    """Types into the multiply-or-divide box once its field has the keyboard focus, then Enter."""
    wait_for("the multiply-or-divide box's field to take the keys", app.factor_ready)
    app.keys(text + "\r")
    wait_for("the box to close", lambda: app.factor_box() is None)


def time_between(app, start, end, pause):
    """Ctrl+B, then Start, Tab, End, Tab, Break and Enter, as a person fills the box."""
    app.key("ctrl+b")
    wait_for("the Time Between box's Start field to take the keys", app.between_ready)
    app.keys(f"{start}\t{end}\t{pause}\r")
    wait_for("the Time Between box to close", lambda: not app.between_open())


def round_to(app, minutes, option):
    """Ctrl+R, the minutes typed over the offered ones, an option by its access key and at
    once Enter, as a quick hand does."""
    app.key("ctrl+r")
    wait_for("the Round box's Minutes field to take the keys", app.round_ready)
    app.key("ctrl+a")
    app.keys(minutes)
    app.key(f"alt+{option}")
    app.keys("\r")
    wait_for("the Round box to close", lambda: not app.round_open())


def factor_refused(app, text, sentence):
    wait_for("the multiply-or-divide box's field to take the keys", app.factor_ready)
    # Fault caught: a field a screen reader cannot name.
    if app.factor_field_name() != "Number to multiply or divide by":
        raise Failure(f"the box's field is named {app.factor_field_name()!r}")
    app.keys(text + "\r")
    wait_for(f"the box to say {sentence!r}", lambda: app.factor_box() == sentence)
    app.key("Escape")
    wait_for("the box to close", lambda: app.factor_box() is None)


def save_tape(app, name):
    """Ctrl+S in the tape window, the whole path typed into the save dialog, and Enter."""
    path = os.path.join(app.files, name)
    before = os.stat(path).st_mtime_ns if os.path.exists(path) else None
    app.activate_tape()
    app.key("ctrl+s")
    app.save_dialog(path)
    wait_for(f"{name} written", lambda: os.path.exists(path) and os.stat(path).st_mtime_ns != before)


def csv_rows(app, name, separator, rows):
    """Read back as a spreadsheet would: UTF-8 with its byte-order mark, the separator given."""
    path = os.path.join(app.files, name)
    if not open(path, "rb").read().startswith(b"\xef\xbb\xbf"):
        raise Failure(f"{name} has no byte-order mark")
    with open(path, newline="", encoding="utf-8-sig") as f:
        got = list(csv.reader(f, delimiter=separator))
    if len(got) < 1 + len(rows) or any(len(row) != 3 for row in got) or got[-len(rows):] != rows:
        raise Failure(f"expected the rows {rows} in three columns; read {got}")


def text_lines(app, name, lines):
    got = open(os.path.join(app.files, name), encoding="utf-8", newline="").read().splitlines()
    if got != lines:
        raise Failure(f"expected the lines {lines}; read {got}")


def tape_menu(app, letter):
    """The tape window's menu by its access keys, as a keyboard user opens it."""
    app.activate_tape()
    app.key("alt+t")
    app.key(letter)


def kept_file(app, present):
    wait_for(f"the kept tape {'written' if present else 'gone'}",
             lambda: os.path.exists(app.kept_tape()) == present)


def restart(app, context):
    app.close()
    return context["launch"]()


def terminate(app, context):
    """Ended as a session ends it, a moment after the last line."""
    app.end_session()
    return context["launch"]()


def option(app, name, value):
    wait_for(f"{name} saved as {value}", lambda: app.option(name) == value)


def above(app, want, tape=False):
    wait_for(f"the {'tape' if tape else 'main'} window {'' if want else 'not '}above others",
             lambda: app.above(tape) == want)


def tape_open(app, want):
    wait_for(f"the tape {'open' if want else 'closed'}", lambda: app.tape_visible() == want)


def pause(app):
    time.sleep(1)  # what is to stay the same has had time to change


def minimize_and_restore(app):
    app.desktop.run(["xdotool", "windowminimize", "--sync", app.wid])
    wait_for("the tape to close with the minimize", lambda: not app.tape_visible())
    app.desktop.run(["wmctrl", "-i", "-a", app.wid])


def restore_without_minimize(app):
    app.restore_without_minimize()


def main_at_right_edge(app, context):
    """Restarts the program with its window saved 10 pixels from the screen's right edge."""
    width = app.geometry_size(app.wid)[0]
    app.close()
    app.save_place("frmCalc", (1280 - width - 10) * 15, 300 * 15)
    return context["launch"]()


def tape_on_screen(app):
    """Opens the tape with no window manager running, which would move a window it found
    off the screen, so the place is the program's own."""
    app.desktop.stop_wm()
    try:
        app.open_tape()
        main, tape = app.rects("Tickwell", "Tickwell Tape")
    finally:
        app.desktop.start_wm()
    if tape[0] < 0 or tape[2] > 1280 or tape[1] < 0 or tape[3] > 1024:
        raise Failure(f"the tape {tape} is not wholly on the 1280x1024 screen")
    if tape[0] < main[2] and tape[2] > main[0]:
        raise Failure(f"the tape {tape} opened over the main window {main}")


def expect(app, boxes, focus):
    want = (tuple(boxes), focus)
    seen = []

    def probe():
        state = app.read()
        seen[:] = [state]
        return state == want

    try:
        wait_for("the boxes and focus", probe)
    except Failure:
        raise Failure(f"expected boxes {want[0]} with focus on {want[1]!r}; "
                      f"read {seen[0][0] if seen else '?'} with focus on {seen[0][1] if seen else '?'!r}")


def alert(app, text, title="Error"):
    box = wait_for("the message box", app.alert)
    label = wait_for("its text", lambda: app.find(box, role=pyatspi.ROLE_LABEL, predicate=lambda n: n.name))
    if label.name != text:
        raise Failure(f"expected message {text!r}; read {label.name!r}")
    ok = wait_for("its OK button", lambda: app.find(box, name="OK", role=pyatspi.ROLE_PUSH_BUTTON))
    ok.queryAction().doAction(0)
    wait_for("the message box to close", lambda: app.alert() is None)


def help_once(app):
    for _ in range(2):
        app.key("F1")
        wait_for("the help window", lambda: app.frame("Tickwell Help"))
        app.activate()
    count = len(app.frames("Tickwell Help"))
    if count != 1:
        raise Failure(f"expected one help window; found {count}")


def about(app):
    app.key("alt+h")
    wait_for("the Help menu", lambda: app.find(app.app, name="About Tickwell...",
                                                 predicate=lambda n: n.getState().contains(pyatspi.STATE_SHOWING)))
    app.key("Up", "Return")
    dialog = wait_for("the about box", lambda: app.frame("About Tickwell"))
    version = wait_for("the version label", lambda: app.find(
        dialog, role=pyatspi.ROLE_LABEL, predicate=lambda n: n.name.startswith("Version")))
    if version.name != "Version 2.0.4":
        raise Failure(f"expected 'Version 2.0.4'; read {version.name!r}")
    app.key("Escape")
    wait_for("the about box to close", lambda: app.frame("About Tickwell") is None)


def registry_values(config):
    path = os.path.join(config, "tickwell", "registry.reg")
    text = open(path).read() if os.path.exists(path) else ""
    return {m.group(1): int(m.group(2), 16) for m in re.finditer(r'"([^"]+)"=dword:([0-9a-f]{8})', text)}


def position_memory(app, context):
    moved = app.move(app.wid, app.main, 200, 150)
    app.close()
    values = registry_values(context["config"])
    if "frmCalc Left" not in values or "frmCalc Top" not in values:
        raise Failure(f"expected REG_DWORD values for frmCalc in the registry file; read {values}")
    again = context["launch"]()
    where = wait_for("the restored place", lambda: again.geometry(again.wid))
    if where != moved:
        raise Failure(f"expected the window back at {moved}; it opened at {where}")
    return again


def help_minimize(app, context):
    app.key("F1")
    wait_for("the help window", lambda: app.xwindow("Tickwell Help"))
    help_wid = app.xwindow("Tickwell Help")
    placed = app.move(help_wid, app.frame("Tickwell Help"), 40, 60)
    app.desktop.run(["xdotool", "windowminimize", "--sync", app.wid])
    wait_for("the help window to close", lambda: app.frame("Tickwell Help") is None)
    if "frmHelp Left" not in registry_values(context["config"]):
        raise Failure("the help window's position was not saved when it closed")
    app.desktop.run(["wmctrl", "-i", "-a", app.wid])
    wid = wait_for("the help window to come back", lambda: app.xwindow("Tickwell Help"))
    where = wait_for("its place", lambda: app.geometry(wid))
    if where != placed:
        raise Failure(f"expected the help window back at {placed}; it opened at {where}")


def session_end(app, *signals):
    """Both windows open and moved, then the signals a session's end sends."""
    app.key("F1")
    help_wid = wait_for("the help window", lambda: app.xwindow("Tickwell Help"))
    help_x, help_y = app.move(help_wid, app.frame("Tickwell Help"), 40, 60)
    main_x, main_y = app.move(app.wid, app.main, 200, 150)
    for name in signals:
        app.proc.send_signal(getattr(signal, "SIG" + name))
    try:
        app.proc.wait(timeout=WAIT)
    except subprocess.TimeoutExpired:
        raise Failure(f"the program did not end on SIG{signals[0]}")
    values = registry_values(app.config)
    # Twips at 15 per pixel; the frame's place, as the program reads it, is near the move.
    for name, x, y in (("frmCalc", main_x, main_y), ("frmHelp", help_x, help_y)):
        left, top = values.get(name + " Left"), values.get(name + " Top")
        if left is None or top is None or abs(left - x * 15) > 15 * 40 or abs(top - y * 15) > 15 * 40:
            raise Failure(f"expected {name} saved near ({x * 15}, {y * 15}) twips; read {values}")


WORD_REQUEST = """
import sys, pyatspi
desktop = pyatspi.Registry.getDesktop(0)
app = next(a for a in desktop if a is not None and a.get_process_id() == int(sys.argv[1]))
def boxes(node):
    if node.getRole() == pyatspi.ROLE_TEXT:
        yield node
    for child in node:
        yield from boxes(child)
text = next(boxes(app)).queryText()
request = getattr(text, sys.argv[2])
print(repr(request(int(sys.argv[3]), getattr(pyatspi, sys.argv[4]))))
"""


def word_requests(app):
    """Fault caught: Qt 6.4's line edit looping for good on a word request at the end of its
    text, which a screen reader makes at every Ctrl+Left: the program froze, SIGTERM ignored.
    Each request runs in its own process, so a hang fails the step instead of the harness."""
    app.keys("12")
    wait_for("12 in the hours box", lambda: app.read()[0][0] == "12")
    for boundary in ("TEXT_BOUNDARY_WORD_START", "TEXT_BOUNDARY_WORD_END", "TEXT_BOUNDARY_CHAR"):
        for request in ("getTextAtOffset", "getTextBeforeOffset", "getTextAfterOffset"):
            for offset in (0, 1, 2):
                try:
                    answer = subprocess.run(["/usr/bin/python3", "-c", WORD_REQUEST, str(app.proc.pid),
                                             request, str(offset), boundary], env=app.desktop.env,
                                            capture_output=True, text=True, timeout=15).stdout.strip()
                except subprocess.TimeoutExpired:
                    raise Failure(f"{request}({offset}, {boundary}) never answered")
                if request == "getTextAtOffset" and boundary != "TEXT_BOUNDARY_CHAR" and \
                        not answer.startswith("('12', 0, 2)"):
                    raise Failure(f"{request}({offset}, {boundary}) gave {answer}, not the word 12")
    # Fault caught: attribute runs that end before the text, so a reader drops its last digit.
    attributes = app.boxes[0].queryText().getAttributes(0)
    if tuple(attributes[1:]) != (0, 2):
        raise Failure(f"the box's attribute run is {attributes}, not the whole text")


class ScreenReader:
    """Orca on the private desktop, its speech written to a file by a speech-dispatcher
    module instead of a sound card."""

    def __init__(self, desktop):
        self.desktop = desktop
        work = tempfile.mkdtemp(prefix="reader-", dir=desktop.workdir)
        self.spoken = os.path.join(work, "spoken.txt")
        open(self.spoken, "w").close()
        conf = os.path.join(work, "speechd")
        os.makedirs(os.path.join(conf, "modules"))
        with open(os.path.join(conf, "speechd.conf"), "w") as f:
            f.write(f'LogLevel 3\nLogDir "{work}"\nAudioOutputMethod "libao"\nTimeout 600\n'
                    'AddModule "capture" "sd_generic" "capture.conf"\nDefaultModule capture\n')
        with open(os.path.join(conf, "modules", "capture.conf"), "w") as f:
            f.write(f"GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> {self.spoken}\"\n"
                    'AddVoice "en" "male1" "capture"\nGenericLanguage "en" "english" "utf-8"\n')
        home = os.path.join(work, "home")  # Orca's settings, and libao with no sound card
        os.makedirs(home)
        with open(os.path.join(home, ".libao"), "w") as f:
            f.write("default_driver=null\n")
        runtime = os.path.join(work, "runtime")  # the speech socket of this reader alone
        os.makedirs(runtime, mode=0o700)
        env = dict(desktop.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_RUNTIME_DIR=runtime)
        log = open(os.path.join(work, "reader.log"), "w")
        self.procs = [subprocess.Popen(["speech-dispatcher", "-s", "-t", "0", "-C", conf], env=env,
                                       start_new_session=True, stdout=log, stderr=subprocess.STDOUT)]
        wait_for("speech-dispatcher's socket", lambda: os.path.exists(
            os.path.join(env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock")))
        self.procs.append(subprocess.Popen(["orca", "--replace"], env=env, start_new_session=True,
                                           stdout=log, stderr=subprocess.STDOUT))
        desktop.procs.extend(self.procs)
        self.heard("Screen reader on.", 0, timeout=60)

    def lines(self):
        with open(self.spoken, encoding="utf-8", errors="replace") as f:
            return [line.strip() for line in f]

    def heard(self, words, since, timeout=WAIT, pattern=None):
        """Waits until a line after the first `since` holds `words` (or matches the regular
        expression `pattern`); returns every line after."""
        def probe():
            later = self.lines()[since:]
            return later if any(re.search(pattern, line) if pattern else words in line
                                for line in later) else None
        try:
            return wait_for(f"the screen reader to say {words!r}", probe, timeout=timeout)
        except Failure:
            raise Failure(f"the screen reader never said {words!r}; it said {self.lines()[since:]}")

    def stop(self):
        for proc in self.procs:
            proc.terminate()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()


def hold_ctrl(app, *keys):
    """Ctrl held down as a person holds it, around keys pressed one at a time."""
    app.desktop.run(["xdotool", "keydown", "Control_L"])
    try:
        for key in keys:
            time.sleep(0.3)
            app.desktop.run(["xdotool", "key", key])
        time.sleep(0.3)
    finally:
        app.desktop.run(["xdotool", "keyup", "Control_L"])


def screen_reader(app, context):
    """Orca through the real window. Faults caught: a result never spoken, since the keys
    leave the focus on a button and a reader speaks changes in the focused control only; a
    box read without its last digit ("26" heard as "2"); the freeze on a word request at
    Ctrl+Left; a stalled program that SIGTERM never ends."""
    if not shutil.which("orca") or not shutil.which("speech-dispatcher"):
        raise Failure("the screen-reader test needs orca and speech-dispatcher; install them with "
                      "scripts/deps test")
    app.close()  # started again under the reader, which follows it from its first window
    reader = ScreenReader(app.desktop)
    try:
        since = len(reader.lines())
        app = context["launch"]()
        reader.heard("Hours", since, timeout=30)
        for number, (keys, factor_text, words) in enumerate(SPOKEN):
            since = len(reader.lines())
            app.keys(keys)
            if factor_text:
                factor(app, factor_text)
            reader.heard(words, since)
            if number == 0:  # Tab to the minutes box, which holds 26
                since = len(reader.lines())
                app.key("Tab")
                app.key("Tab")
                said = reader.heard("the minutes box read as 26", since, pattern=r"^26 selected")
                if any(re.search(r"^2 selected", line) for line in said):
                    raise Failure(f"the minutes box was read cut short: {said}")
        expect(app, ("", "", ""), "Hours")
        app.keys("12")
        hold_ctrl(app, "Left", "Right", "Left")
        app.key("End")
        app.key("Home")
        app.keys("3")
        wait_for("the program to go on taking keys", lambda: app.read()[0][0] == "312")
        started = time.monotonic()
        app.proc.send_signal(signal.SIGTERM)
        try:
            app.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failure("SIGTERM did not end the program within 10 s")
        if app.proc.returncode != 0:
            raise Failure(f"the program ended with {app.proc.returncode} on SIGTERM, not by saving")
        print(f"      (ended {time.monotonic() - started:.1f} s after SIGTERM)")
        return app
    finally:
        reader.stop()


def off_screen(app, context):
    x, y = app.geometry(app.wid)
    width = 234
    if abs((x + width // 2) - 640) > 20:
        raise Failure(f"expected the window centred on the 1280-pixel screen; its left edge is at {x}")


def prepare_off_screen(config):
    os.makedirs(os.path.join(config, "tickwell"))
    with open(os.path.join(config, "tickwell", "registry.reg"), "w") as out:
        out.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position]\r\n"
                  '"frmCalc Left"=dword:00007d00\r\n"frmCalc Top"=dword:00000096\r\n')


def prepare_planted_catalogue(workdir, binary):
    """A copy of the program whose German catalogue is a hostile file under 1 MiB: 6,000
    entries pointing into one 900 KB string, 5 GB once copied apart. The copy starts through
    a 3 GB address-space limit (exec keeps the process the harness watches)."""
    root = tempfile.mkdtemp(prefix="planted-", dir=workdir)
    os.makedirs(os.path.join(root, "bin"))
    folder = os.path.join(root, "locale", "de", "LC_MESSAGES")
    os.makedirs(folder)
    shutil.copy(binary, os.path.join(root, "bin", "tickwell"))
    n, length = 6000, 900000
    keys = b"".join(str(i).encode() + b"\0" for i in range(n))
    head = struct.pack("<7I", 0x950412DE, 0, n, 28, 28 + 8 * n, 0, 0)
    strings, table, at = 28 + 16 * n, b"", 0
    for i in range(n):
        table += struct.pack("<2I", len(str(i)), strings + at)
        at += len(str(i)) + 1
    table += b"".join(struct.pack("<2I", length - i, strings + len(keys) + i) for i in range(n))
    with open(os.path.join(folder, "tickwell.mo"), "wb") as out:
        out.write(head + table + keys + b"x" * length + b"\0")
    wrapper = os.path.join(root, "start")
    with open(wrapper, "w") as out:
        out.write(f"#!/bin/sh\nexec prlimit --as=3221225472 -- {root}/bin/tickwell\n")
    os.chmod(wrapper, 0o755)
    return wrapper


def play_all(scenarios, args, run_one):
    """Plays every scenario (those whose name holds args.only) args.repeat times and
    returns how many passed and failed."""
    passed = failed = 0
    for round_ in range(args.repeat):
        for name, steps in scenarios.items():
            if args.only and args.only not in name:
                continue
            try:
                run_one(name, steps)
                passed += 1
                print(f"ok    {name}", flush=True)
            except Exception as error:
                failed += 1
                print(f"FAIL  {name} (round {round_ + 1}): {error}", flush=True)
    return passed, failed


def play(desktop, launch, steps, handlers, context, shot_name):
    """Runs one scenario: starts a program with launch(), then each step: ("keys", text)
    types; any other step names a function in `handlers`, called with the program and the
    step's arguments, or with (program, context) or (program). A step that returns a new
    program (it restarted it) goes on with that one. Every program started is ended."""
    apps = []

    def started():
        apps.append(launch())
        return apps[-1]

    context["launch"] = started
    try:
        app = started()
        for kind, *args in steps:
            if kind == "keys":
                app.keys(*args)
                continue
            handler = handlers[kind]
            if args:
                result = handler(app, *args)
            elif handler.__code__.co_argcount == 2:
                result = handler(app, context)
            else:
                result = handler(app)
            if type(result) is type(app):
                app = result
        if app.proc.poll() is None:
            app.close()
    except Exception as error:
        # Taken while the windows are still up, so a person can see what went wrong.
        shot = desktop.screenshot(shot_name)
        raise Failure(f"{error}\n      screenshot: {shot}") from error
    finally:
        for a in apps:
            a.kill()


def run_scenario(desktop, binary, name, steps):
    config = tempfile.mkdtemp(prefix="config-", dir=desktop.workdir)
    if name.startswith("window saved off-screen"):
        prepare_off_screen(config)
    env = LANGUAGES[name][0] if name in LANGUAGES else KEPT[name][0] if name in KEPT else None
    if name.startswith("a catalogue planted"):
        binary, env = prepare_planted_catalogue(desktop.workdir, binary), LANGUAGES["in German"][0]
    play(desktop, lambda: Tickwell(desktop, binary, config, env), steps, globals(),
         {"config": config}, f"{os.path.basename(config)}-{name}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--only")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)

    workdir = tempfile.mkdtemp(prefix="tickwell-e2e-")
    desktop = Desktop(workdir)
    passed = failed = 0
    started = time.monotonic()
    try:
        desktop.start()
        global pyatspi
        import pyatspi  # after the buses exist: it connects on import
        passed, failed = play_all(SCENARIOS, args, lambda name, steps:
                                  run_scenario(desktop, binary, name, steps))
    finally:
        desktop.stop()
        if not (args.keep or failed):
            shutil.rmtree(workdir, ignore_errors=True)
    print(f"e2e took {time.monotonic() - started:.1f} s")
    print(f"e2e: {passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
