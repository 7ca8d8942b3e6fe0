#!/usr/bin/python3
"""The program as a screen reader meets it, on the real accessibility bus.

Run inside a D-Bus session of its own on a desktop of its own
(dbus-run-session -- with-desktop tst_screenreader.py PROGRAM); starts the
AT-SPI bus and the program, reads it with pyatspi and listens to its events
as a screen reader does, and stops both.
"""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

TIMEOUT = 60  # seconds for anything to happen, on a busy machine


class Failure(Exception):
    pass


def wait_for(what, check, timeout=TIMEOUT):
    """Runs the event loop until check() gives something true, and returns it."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        # Wake at least every 50 ms to look again.
        GLib.timeout_add(50, lambda: False)
        context.iteration(True)


class Events:
    """Every event of the kinds listened to, with the source's name then."""

    def __init__(self, kinds):
        self.seen = []
        for kind in kinds:
            pyatspi.Registry.registerEventListener(self._record, kind)

    def _record(self, event):
        try:
            name, role = event.source.name, event.source.getRole()
        except Exception:  # the source may be gone already
            name, role = None, None
        self.seen.append((event.type, role, name, event.detail1))

    def mark(self):
        return len(self.seen)

    def since(self, mark):
        return self.seen[mark:]


def children(obj):
    return [c for c in obj if c is not None] if obj is not None else []


def descendants(obj):
    """The objects in the window; a list's entries are not, as for Orca."""
    found = []
    for child in children(obj):
        found.append(child)
        if child.getRole() != pyatspi.ROLE_COMBO_BOX:
            found.extend(descendants(child))
    return found


def showing(obj):
    states = obj.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def shown(window, role):
    """Names of the objects of a role a reader finds on screen in the window."""
    return [o.name for o in descendants(window) if o.getRole() == role and showing(o)]


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "80", text], check=True)


class Program:
    def __init__(self, executable, workdir):
        self.events = Events(["object:state-changed:showing",
                              "object:state-changed:focused",
                              "object:property-change:accessible-name",
                              "window:activate"])
        bin_dir = os.path.join(workdir, "bin")
        os.makedirs(bin_dir)
        self.opened = os.path.join(workdir, "opened")
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:
            f.write('#!/bin/sh\necho "$1" >> "%s"\n' % self.opened)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        env = dict(os.environ,
                   QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8",
                   XDG_CONFIG_HOME=os.path.join(workdir, "config"),
                   PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""))
        self.process = subprocess.Popen([executable], env=env)
        self.app = wait_for("the program on the accessibility bus", self._find_app)

    def _find_app(self):
        if self.process.poll() is not None:
            raise Failure("the program ended with %s" % self.process.returncode)
        for app in children(pyatspi.Registry.getDesktop(0)):
            if app.name.lower() == "zedezedidor" and children(app):
                return app
        return None

    def window(self, name):
        """The active window of that name, once it is active."""
        def active():
            for window in children(self.app):
                if window.name == name and window.getState().contains(pyatspi.STATE_ACTIVE):
                    return window
            return None
        return wait_for("the active window " + name, active)

    def focused(self, window, name):
        def find():
            for o in descendants(window):
                if o.name == name and o.getState().contains(pyatspi.STATE_FOCUSED):
                    return o
            return None
        try:
            return wait_for("the focus on " + name, find)
        except Failure as failure:
            focused = [o.name for o in descendants(window)
                       if o.getState().contains(pyatspi.STATE_FOCUSED)]
            raise Failure("%s; focused: %r" % (failure, focused))

    def announced(self, mark, text):
        """Waits until the program has had the screen reader speak the text."""
        try:
            wait_for("the announcement " + repr(text), lambda: text in self.spoken(mark))
        except Failure as failure:
            raise Failure("%s; spoken: %r" % (failure, self.spoken(mark)))

    def spoken(self, mark):
        """What the program had the screen reader speak since the mark."""
        return [name for kind, role, name, on in self.events.since(mark)
                if kind == "object:state-changed:showing" and on
                and role == pyatspi.ROLE_NOTIFICATION]

    def choose(self, menu, item, item_key):
        """Opens a menu of the menu bar and chooses the item by its key.

        The menu opens through its accessible action, as a screen reader may
        open it: Alt+B is also the "&Beenden" button's, and the menu bar's own
        keyboard mode loses keys on a busy machine."""
        def menu_title():
            return [o for window in children(self.app) for o in descendants(window)
                    if o.getRole() == pyatspi.ROLE_MENU_ITEM and o.name == menu and showing(o)]
        title = wait_for("the menu " + menu, menu_title)[0]
        action = title.queryAction()
        action.doAction(0)

        def on_screen():
            return [o for window in children(self.app) for o in descendants(window)
                    if o.getRole() == pyatspi.ROLE_MENU_ITEM and o.name == item and showing(o)]
        wait_for("the menu item " + item, on_screen)
        key(item_key)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def expect_equal(what, actual, expected):
    if actual != expected:
        raise Failure("%s: %r, expected %r" % (what, actual, expected))


def expect_in(what, items, wanted):
    missing = [w for w in wanted if w not in items]
    if missing:
        raise Failure("%s: %r missing from %r" % (what, missing, items))


FOUR = "Zedezedidor (4 Ringe)"
FIVE = "Zedezedidor (5/6 Ringe)"


def check_four_ring_window(program):
    window = program.window(FOUR)
    program.focused(window, "Ring 1: Gelb")
    expect_equal("ring lists", sorted(shown(window, pyatspi.ROLE_COMBO_BOX)),
                 ["Ring 1: Gelb", "Ring 2: Violett", "Ring 3: Braun", "Ring 4: Gold"])
    expect_in("results", shown(window, pyatspi.ROLE_LABEL),
              ["Gelb - Violett - Braun", "470 Ohm", "± 23,5 Ohm (= 5%)"])

    mark = program.events.mark()
    key("Down")
    program.announced(mark, "Grün. Farbcode: Grün - Violett - Braun. Wert: 570 Ohm. "
                            "Toleranz: ± 28,5 Ohm  (= 5%)")
    program.focused(window, "Ring 1: Grün")
    expect_in("results after a change", shown(window, pyatspi.ROLE_LABEL),
              ["Grün - Violett - Braun", "570 Ohm", "± 28,5 Ohm  (= 5%)"])

    # The tolerance ring, whose colour the code does not name.
    mark = program.events.mark()
    key("Tab", "Tab", "Tab", "Tab")
    program.focused(window, "Ring 4: Gold")
    key("Down")
    program.announced(mark, "Silber. Farbcode: Grün - Violett - Braun. Wert: 570 Ohm. "
                            "Toleranz: ± 57 Ohm  (= 10%)")
    return window


def check_five_six_ring_window(program, four):
    # As Orca does, the reader has met the hidden window's objects before.
    for window in children(program.app):
        for obj in descendants(window):
            obj.getState()
    key("ctrl+u")
    window = program.window(FIVE)
    program.focused(window, "Ring 1: Gelb")
    expect_equal("ring lists", sorted(shown(window, pyatspi.ROLE_COMBO_BOX)),
                 ["Ring 1: Gelb", "Ring 2: Violett", "Ring 3: Schwarz", "Ring 4: Schwarz",
                  "Ring 5: Gold", "Ring 6: Blau"])
    expect_in("results", shown(window, pyatspi.ROLE_LABEL),
              ["Gelb - Violett - Schwarz - Schwarz", "470 Ohm", "± 23,5 Ohm (= 5%)"])
    expect_equal("the four-ring window's objects on screen",
                 [o.name for o in descendants(four) if showing(o)], [])

    mark = program.events.mark()
    key("Up")
    program.announced(mark, "Orange. Farbcode: Orange - Violett - Schwarz - Schwarz. "
                            "Wert: 370 Ohm. Toleranz: ± 18,5 Ohm (= 5%)")

    # Ring 6 on: the temperature line joins the results.
    key("Tab", "Tab", "Tab", "Tab", "Tab")
    program.focused(window, "Ring 6 vorhanden")
    mark = program.events.mark()
    key("space")
    wait_for("the temperature line spoken", lambda: [
        text for text in program.spoken(mark)
        if text.startswith("Ring 6 vorhanden: ja. Farbcode: Orange - Violett - Schwarz - Schwarz. "
                           "Wert: 370 Ohm. Toleranz: ± 18,5 Ohm (= 5%). Änderung je 1°C: ± ")])

    key("ctrl+u")
    four = program.window(FOUR)
    program.focused(four, "Ring 4: Silber")
    expect_in("the four-ring window again", shown(four, pyatspi.ROLE_LABEL),
              ["Grün - Violett - Braun", "570 Ohm", "± 57 Ohm  (= 10%)"])
    expect_equal("the five/six-ring window's objects on screen",
                 [o.name for o in descendants(window) if showing(o)], [])


def check_code_search(program):
    key("ctrl+f")
    dialog = program.window("Farbcode suchen")
    program.focused(dialog, "Gesuchter Wert")
    mark = program.events.mark()
    type_text("4k7")
    program.announced(mark, "Farbcode: Gelb - Violett - Rot - Gold. Wert: 4,7 kOhm. "
                            "Toleranzbereich: 4,465 kOhm bis 4,935 kOhm (± 5 %). "
                            "E-Reihen: E3, E6, E12, E24, E192. "
                            "Nächste Werte aus: 4,7 kOhm ist ein Wert der E24")
    expect_in("results", shown(dialog, pyatspi.ROLE_LABEL),
              ["Gelb - Violett - Rot - Gold", "4,7 kOhm",
               "4,465 kOhm bis 4,935 kOhm (± 5 %)"])
    expect_in("lists", shown(dialog, pyatspi.ROLE_COMBO_BOX),
              ["Anzahl der Ringe: 4", "Toleranz: 5 % (Gold)",
               "E-Reihe für die nächsten Werte: E24"])

    # A refusal is read with its reason, whatever its words.
    key("ctrl+a")
    mark = program.events.mark()
    type_text("123M")

    def refusal():
        labels = shown(dialog, pyatspi.ROLE_LABEL)
        return [label for label in labels if label.startswith("123 MOhm ")]
    reason = wait_for("the refusal on screen", refusal)[0]

    try:
        wait_for("the refusal spoken",
                 lambda: [text for text in program.spoken(mark) if text.endswith(reason)])
    except Failure as failure:
        raise Failure("%s: %r; spoken: %r" % (failure, reason, program.spoken(mark)))

    key("Escape")
    program.window(FOUR)


def check_about_box(program):
    program.choose("Hilfe", "Über...", "e")
    box = program.window("Info")
    expect_in("texts", shown(box, pyatspi.ROLE_LABEL),
              ["Zedezedidor", "Version 2.0", "Copyright © 2026 Veltrup"])
    links = shown(box, pyatspi.ROLE_LINK)
    expect_equal("links", links, ["E-Mail an zedezedidor@example.org schreiben",
                                  "Homepage www.example.org/zedezedidor öffnen"])
    key("Tab")
    program.focused(box, "E-Mail an zedezedidor@example.org schreiben")
    key("Return")
    wait_for("the mail link followed", lambda: os.path.exists(program.opened)
             and "mailto:" in open(program.opened).read())
    key("Escape")
    program.window(FOUR)


def check_options(program):
    program.choose("Bearbeiten", "Optionen...", "o")
    dialog = program.window("Optionen")
    expect_in("data file and folder", shown(dialog, pyatspi.ROLE_LABEL),
              ["Datei", "(keine Datei)", "Ort", "?"])
    key("Escape")
    program.window(FOUR)


def run(executable):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    program = None
    try:
        with tempfile.TemporaryDirectory() as workdir:
            program = Program(executable, workdir)
            four = check_four_ring_window(program)
            check_five_six_ring_window(program, four)
            check_code_search(program)
            check_options(program)
            check_about_box(program)
            program.stop()
    except Failure as failure:
        print("FAIL:", failure, file=sys.stderr)
        return 1
    finally:
        if program:
            program.stop()
        launcher.terminate()
        launcher.wait()
    print("PASS")
    return 0


def main():
    return run(sys.argv[1])


if __name__ == "__main__":
    sys.exit(main())
