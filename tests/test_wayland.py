#!/usr/bin/python3
"""The program on a Wayland compositor, as on GNOME's and Plasma's default
sessions: weston with its headless backend and the pixman renderer, a runtime
directory of the test's own, the program with QT_QPA_PLATFORM=wayland.

Run with a private session bus and the simulator (see tests/CMakeLists.txt):
    test_wayland.py ORVEX_MANAGER SIM_LOG SCREENSHOT_DIR

At output scale 1 and 2: the window maps under its application id, the box is
listed and refreshed, a WEB click loads the box's page and shows it, and
weston's screenshots (kept in SCREENSHOT_DIR) show the window, then the page.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

from atspi_tools import (WINDOW_TITLE, ProgramWindow, check, enable_accessibility, new_log_text, role, summary,
                         wait_for)

MANAGER, SIM_LOG, SHOTS = (sys.argv[1:4] if len(sys.argv) >= 4 else [None] * 3)
APP_ID = "com.orvex.Manager"
WIDTH, HEIGHT = 1024, 800  # the desktop in logical pixels
WESTON_BACKEND = ["weston", "--backend=headless-backend.so"]


class Weston:
    """A compositor of the test's own; its screenshots need --debug."""

    def __init__(self, scale):
        self.runtime = tempfile.mkdtemp(prefix="orvex-wayland-")
        os.chmod(self.runtime, 0o700)
        self.socket = "orvex-wayland-%d" % scale
        self.scale = scale
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY=self.socket)
        self.log = open(os.path.join(self.runtime, "weston.log"), "w")
        self.process = subprocess.Popen(
            [*WESTON_BACKEND, "--use-pixman", "--debug", "--idle-time=0",
             "--socket=" + self.socket, "--scale=%d" % scale, "--width=%d" % WIDTH,
             "--height=%d" % HEIGHT], env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        if not wait_for(lambda: os.path.exists(os.path.join(self.runtime, self.socket)), 10):
            raise SystemExit("FAIL  weston did not start")
        time.sleep(1)  # its shell paints the desktop

    def screenshot(self, name):
        """A picture of the whole output, kept in SHOTS under the given name."""
        work = tempfile.mkdtemp(dir=self.runtime)
        subprocess.run(["weston-screenshooter"], cwd=work, env=self.env, check=True, timeout=20)
        taken = glob.glob(os.path.join(work, "wayland-screenshot-*.png"))
        if not taken:
            raise SystemExit("FAIL  weston-screenshooter wrote no picture")
        path = os.path.join(SHOTS, name)
        shutil.move(taken[0], path)
        return path

    def close(self):
        self.process.terminate()
        self.process.wait(10)
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


def size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True).stdout
    return tuple(int(n) for n in out.split())


def pixels_changed(before, after):
    """How many pixels differ between two pictures of the same size."""
    run = subprocess.run(["compare", "-metric", "AE", before, after, "null:"], capture_output=True, text=True)
    return int(float(run.stderr.split()[0]))


def shows_change(weston, name, before, minimum, seconds=10.0):
    """A screenshot that differs from `before` in at least `minimum` pixels,
    taken again until it does (the program may still be drawing), and the
    number of pixels that differ in the last one."""
    end = time.monotonic() + seconds
    while True:
        shot = weston.screenshot(name)
        changed = pixels_changed(before, shot)
        if changed >= minimum or time.monotonic() > end:
            return shot, changed
        time.sleep(0.5)


def run_at_scale(scale):
    weston = Weston(scale)
    window = None
    try:
        desktop = weston.screenshot("wayland-scale%d-desktop.png" % scale)
        check(size(desktop) == (WIDTH * scale, HEIGHT * scale),
              "scale %d: the output is %dx%d pixels (%s)" % (scale, WIDTH * scale, HEIGHT * scale, size(desktop)))
        protocol = open(os.path.join(weston.runtime, "client.log"), "w")
        env = dict(weston.env, QT_QPA_PLATFORM="wayland", LC_ALL="C.UTF-8", LANGUAGE="", WAYLAND_DEBUG="client")
        window = ProgramWindow([MANAGER], env, stderr=protocol)
        check(window.frame.name == WINDOW_TITLE, "scale %d: the frame is named %s" % (scale, WINDOW_TITLE))
        ready = wait_for(lambda: window.find("Living Room", "list item") and
                         window.find("Device: Living Room IP: 10.77.0.20"), 20)
        check(bool(ready), "scale %d: the box is listed and refreshed" % scale)
        protocol.flush()
        with open(protocol.name, errors="replace") as log:
            shown = "set_app_id(\"%s\")" % APP_ID in log.read()
        check(shown, "scale %d: the window's application id is %s, as its desktop file" % (scale, APP_ID))

        window_pixels = 600 * 700 * scale * scale
        on_set, changed = shows_change(weston, "wayland-scale%d-set.png" % scale, desktop, 0.8 * window_pixels)
        check(changed >= 0.8 * window_pixels,
              "scale %d: the screenshot shows the window (%d pixels changed)" % (scale, changed))

        logged_before = os.path.getsize(SIM_LOG)
        web = window.find("WEB", "page tab")
        check(web is not None, "scale %d: the WEB tab is there" % scale)
        if web is not None:
            web.queryAction().doAction(0)
        loaded = wait_for(lambda: "GET /orvex" in new_log_text(SIM_LOG, logged_before), 15)
        check(bool(loaded), "scale %d: a WEB click loads the box's page (GET /orvex)" % scale)
        heading = wait_for(lambda: next((n for n in window.nodes() if role(n) == "heading" and
                                         n.name == "Living Room"), None), 20)
        check(heading is not None, "scale %d: the box's page is shown" % scale)
        page_pixels = 0.3 * 600 * 500 * scale * scale
        on_web, changed = shows_change(weston, "wayland-scale%d-web.png" % scale, on_set, page_pixels)
        check(changed >= page_pixels, "scale %d: the screenshot shows the page (%d pixels changed)" % (scale, changed))
        protocol.close()
    finally:
        if window is not None:
            window.close()
        weston.close()


def main():
    os.makedirs(SHOTS, exist_ok=True)
    enable_accessibility()
    for scale in (1, 2):
        run_at_scale(scale)
    return summary()


if __name__ == "__main__":
    sys.exit(main())
