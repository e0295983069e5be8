"""What the AT-SPI tests share: checks that are counted, waits, and the
program's window as a screen reader sees it."""
import subprocess
import time

import pyatspi

WINDOW_TITLE = "Orvex Manager V1.0"

failures = []  # what failed, for the summary


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(probe, seconds=15.0):
    """The probe's first true result within the time, or None."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            result = probe()
        except Exception:  # an object that went away while it was read
            result = None
        if result:
            return result
        time.sleep(0.1)
    return None


def descendants(node, depth=0):
    # The window's tree is shallow; the bound keeps a deep web page from
    # making the walk long.
    if depth > 40:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1)


def role(node):
    return node.getRoleName()


def has_state(node, state):
    return node.getState().contains(state)



def enable_accessibility():
    """The desktop's accessibility switch: the reader is on."""
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                    "--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled",
                    "<true>"], check=True, stdout=subprocess.DEVNULL)


class ProgramWindow:
    """The program started with `env`, found on the accessibility bus by its process."""

    def __init__(self, command, env, **popen):
        self.process = subprocess.Popen(command, env=env, **popen)
        self.frame = wait_for(self._frame, 20)
        if self.frame is None:
            self.close()
            raise SystemExit("FAIL  the window never reached the accessibility bus")

    def _frame(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is None or app.get_process_id() != self.process.pid:
                continue
            for frame in app:
                if frame is not None and role(frame) == "frame":
                    return frame
        return None

    def nodes(self):
        return list(descendants(self.frame))

    def find(self, name, role_name=None):
        for node in self.nodes():
            if node.name == name and (role_name is None or role(node) == role_name):
                return node
        return None

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def new_log_text(path, offset):
    """What the simulator logged after offset (the log is appended to across runs)."""
    with open(path, "rb") as log:
        log.seek(offset)
        return log.read().decode("utf-8", "replace")


def summary():
    """The test's exit status, after a line that sums it up."""
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0
