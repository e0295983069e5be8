#!/usr/bin/python3
"""The window as a screen reader sees it, through AT-SPI.

Run on an X display with a window manager, a private session bus and the
simulator (see tests/CMakeLists.txt):
    test_atspi.py ORVEX_MANAGER SIM_LOG

Checks the names and roles of the controls, the Tab order of each page, that
Ctrl+Tab to WEB loads the box's page (the simulator logs GET /orvex) and that
the page reaches the reader, and the captions under LANGUAGE=el and =en.
"""
import os
import subprocess
import sys
import time

import pyatspi

from atspi_tools import (WINDOW_TITLE, ProgramWindow, check, enable_accessibility, has_state, new_log_text, role, summary,
                         wait_for)

MANAGER, SIM_LOG = sys.argv[1:3]


def key(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)
    time.sleep(0.25)


class Window(ProgramWindow):
    def __init__(self, language=""):
        super().__init__([MANAGER], dict(os.environ, LANGUAGE=language, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb"))

    def focused(self):
        # Qt marks the current page's tab focused all along: a tab counts
        # only when nothing else on screen has the focus.
        # A list row keeps its states when its page is hidden: its list says
        # whether it is on screen.
        showing = [n for n in self.nodes() if has_state(n, pyatspi.STATE_FOCUSED) and
                   has_state(n, pyatspi.STATE_SHOWING) and
                   (role(n) != "list item" or has_state(n.parent, pyatspi.STATE_SHOWING))]
        others = [n for n in showing if role(n) != "page tab"]
        return (others or showing or [None])[0]

    def page(self):
        """The name of the page shown."""
        for node in self.nodes():
            if role(node) == "page tab" and has_state(node, pyatspi.STATE_FOCUSED):
                return node.name
        return None

    def show_page(self, name):
        """Ctrl+Tab until the page is shown (five pages, so at most four presses)."""
        for _ in range(5):
            if self.page() == name:
                return True
            key("ctrl+Tab")
        return self.page() == name

    def activate(self):
        subprocess.run(["xdotool", "search", "--sync", "--name", WINDOW_TITLE, "windowactivate", "--sync"],
                       check=True, stdout=subprocess.DEVNULL)
        time.sleep(0.3)


def tab_cycle(window, limit=30):
    """The names that Tab visits, once round, starting where focus is."""
    names = []
    for _ in range(limit):
        key("Tab")
        node = wait_for(window.focused, 2)
        # In the list the current row has the focus; the reader says the
        # list's name with it.
        if node is not None and role(node) == "list item":
            node = node.parent
        # An unnamed stop is recorded by its role.
        name = (node.name or "<%s>" % role(node)) if node is not None else "<nothing>"
        if name in names:
            break
        names.append(name)
    return names


def in_cycle(part, cycle):
    """Whether part comes in this order, one after the other, going round the cycle."""
    whole = cycle + cycle
    return any(whole[i:i + len(part)] == part for i in range(len(cycle)))


def main():
    enable_accessibility()

    window = Window()
    try:
        check(window.frame.name == WINDOW_TITLE, "the frame is named " + WINDOW_TITLE)
        devices = window.find("Devices", "list")
        check(devices is not None, "the device list is named Devices")
        loaded = wait_for(lambda: window.find("Living Room", "list item") and
                          has_state(window.find("Start Orvex", "push button"), pyatspi.STATE_SENSITIVE), 20)
        check(bool(loaded), "the box is listed and the pages are enabled")

        expected = [
            ("push button", "Start Orvex"), ("push button", "Stop Orvex"), ("slider", "System volume"),
            ("combo box", "Web radio station"), ("push button", "Start DLNA"), ("push button", "Stop DLNA"),
            ("combo box", "DLNA stream"), ("list", "Devices"), ("push button", "Restart device"),
            ("push button", "Shutdown device"), ("check box", "Enable DLNA volume control"),
            ("slider", "DLNA volume"), ("push button", "Search for devices"), ("push button", "Εξοδος/exit"),
            ("status bar", None), ("page tab", "ORVEX"), ("page tab", "WEB"),
        ]
        for role_name, name in expected:
            if name is None:
                node = next((n for n in window.nodes() if role(n) == role_name), None)
                check(node is not None and node.name != "", "a %s with a name (%r)" % (role_name, node and node.name))
            else:
                check(window.find(name, role_name) is not None, "a %s named %r" % (role_name, name))

        # Interactive controls all carry names.
        interactive = {"push button", "slider", "combo box", "check box", "list", "page tab", "page tab list"}
        unnamed = [role(n) for n in window.nodes()
                   if role(n) in interactive and has_state(n, pyatspi.STATE_SHOWING) and not n.name]
        check(not unnamed, "no control without a name %s" % unnamed)

        slider = window.find("System volume", "slider")
        value = slider.queryValue()
        check((value.minimumValue, value.maximumValue) == (0, 100),
              "the system volume reads 0 to 100 (%s to %s)" % (value.minimumValue, value.maximumValue))
        check(value.currentValue == 35, "the system volume reads 35 (%s)" % value.currentValue)

        # Tab order, page by page, reached with the keyboard alone.
        window.activate()
        pages = [
            ("SET", ["Devices"]),
            ("ADV", ["Restart device", "Shutdown device", "Enable DLNA volume control", "Search for devices",
                     "Εξοδος/exit"]),
            ("ORVEX", ["Start Orvex", "Stop Orvex", "System volume", "Web radio station"]),
            ("DLNA", ["Start DLNA", "Stop DLNA", "DLNA stream"]),
        ]
        for page, order in pages:
            if not check(window.show_page(page), page + " is shown by Ctrl+Tab"):
                continue
            cycle = tab_cycle(window)
            # Round the page's controls in reading order, then the page tabs, and nothing else.
            round_trip = order + ["Pages"]
            check(len(cycle) == len(round_trip) and in_cycle(round_trip, cycle),
                  "Tab on %s visits %s (%s)" % (page, round_trip, cycle))

        # WEB by the keyboard loads the box's page, and the page reaches the reader.
        logged_before = os.path.getsize(SIM_LOG)
        check(window.show_page("WEB"), "WEB is shown by Ctrl+Tab")
        loaded = wait_for(lambda: "GET /orvex" in new_log_text(SIM_LOG, logged_before), 15)
        check(bool(loaded), "Ctrl+Tab to WEB loads the page (GET /orvex in the simulator's log)")
        heading = wait_for(lambda: next((n for n in window.nodes() if role(n) == "heading" and
                                         n.name == "Living Room"), None), 20)
        check(heading is not None, "the page's heading reaches the reader")
    finally:
        window.close()

    # The captions in the user's language.
    for language, start, leave in [("el", "Έναρξη Orvex", "Έξοδος"), ("en", "Start Orvex", "Exit")]:
        window = Window(language)
        try:
            check(wait_for(lambda: window.find(start, "push button"), 10) is not None,
                  "LANGUAGE=%s: a button reads %r" % (language, start))
            check(window.find(leave, "push button") is not None, "LANGUAGE=%s: exit reads %r" % (language, leave))
        finally:
            window.close()

    return summary()


if __name__ == "__main__":
    sys.exit(main())
