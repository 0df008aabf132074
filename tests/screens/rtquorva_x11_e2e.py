# Quorva run-time. Licensed under the MIT licence.
"""End to end under a real X server: the demo package runs in rtquorva on an Xvfb display the
test starts. Its window exists with its title and size, clicks sent through the X test extension
(xdotool) reach the screen's automatic unit, which turns them into the pump command that qlink
reads back, and qlink sees and steers the screen as it does units.
Usage: rtquorva_x11_e2e.py RTQUORVA QLINK DEMO_PACKAGE
Exits 77 (skipped) when no X server can be started here."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from run_session import QlinkAssertions, RuntimeSession, eventually  # noqa: E402

RTQUORVA = QLINK = PACKAGE = ""
SKIPPED = 77


def start_xvfb():
    """An Xvfb on the first free display from :91, or None with the reason printed."""
    if shutil.which("Xvfb") is None or shutil.which("xdotool") is None:
        print("SKIP: Xvfb or xdotool is not installed (scripts/setup.sh installs them)")
        return None, None
    for number in range(91, 120):
        if os.path.exists("/tmp/.X11-unix/X%d" % number) or os.path.exists("/tmp/.X%d-lock" % number):
            continue
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24",
                                   "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        if eventually(lambda: os.path.exists("/tmp/.X11-unix/X%d" % number) or server.poll() is not None, 10) \
                and server.poll() is None:
            return server, ":%d" % number
        server.kill()
    print("SKIP: no Xvfb display could be started")
    return None, None


class DemoOnX(QlinkAssertions, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="quorva-x11-")
        cls.package = os.path.join(cls.dir, "demo.qpk")
        shutil.copy(PACKAGE, cls.package)
        cls.shots = os.path.join(cls.dir, "shots")
        cls.env = dict(os.environ, DISPLAY=DISPLAY, QUORVA_INSTANCE="x11e2e%d" % os.getpid())
        cls.env.pop("QT_QPA_PLATFORM", None)
        cls.env.pop("WAYLAND_DISPLAY", None)
        cls.session = RuntimeSession(RTQUORVA, QLINK, cls.package,
                                     ["--run-for", "120", "--screenshot", cls.shots, cls.package],
                                     cls.env)
        if not cls.session.wait_up(30):
            raise RuntimeError("the run-time did not come up: %s" % cls.session.output())
        # The tank holds its level, so that its own high and low marks never switch the pump
        # while the test does.
        for flow in ("INFLOW", "OUTFLOW"):
            cls.session.qlink_status("set", flow, "0")
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                str(cls.session.process.pid)], env=cls.env, capture_output=True,
                               text=True, timeout=30)
        cls.window = found.stdout.split()[0] if found.stdout.split() else None

    @classmethod
    def tearDownClass(cls):
        try:
            cls.exit_code = cls.session.stop()
        finally:
            cls.shot_written = os.path.exists(os.path.join(cls.shots, "MAIN.png"))
            shutil.rmtree(cls.dir, ignore_errors=True)

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30)
        self.assertEqual(done.returncode, 0, f"xdotool {args}: {done.stderr}")
        return done.stdout.strip()

    def click(self, x, y):
        """A click at (x, y) of the screen's drawing, below the window's menu bar."""
        self.xdotool("mousemove", "--window", self.window, str(x), str(y + self.menu_height()),
                     "click", "1")

    def menu_height(self):
        # The window is 480 high as designed; the menu bar takes the top of it.
        return 24

    def test_1_the_window_has_its_title_and_size(self):
        self.assertIsNotNone(self.window, "no window of the run-time on the display")
        self.assertEqual(self.xdotool("getwindowname", self.window), "Cuve")
        geometry = self.xdotool("getwindowgeometry", self.window)
        self.assertIn("Geometry: 640x480", geometry)

    def test_2_clicks_reach_the_automatic_unit(self):
        self.click(405, 348)  # Stop
        self.assertTrue(eventually(lambda: self.qlink("get", "PUMP") == "False"),
                        "Stop switched the pump off")
        self.click(305, 348)  # Start
        self.assertTrue(eventually(lambda: self.qlink("get", "PUMP") == "True"),
                        "Start switched the pump on")

    def test_3_qlink_sees_and_steers_the_screen(self):
        self.assertIn("MAIN", self.qlink("list").splitlines())
        self.assertEqual(self.qlink("status", "main"), "Run")
        self.assertTrue(eventually(lambda: int(self.qlink("time", "MAIN")) >= 0))
        self.qlink("stop", "MAIN")
        self.assertEqual(self.qlink("status", "MAIN"), "Stop")
        self.assertEqual(self.qlink("time", "MAIN"), "0")
        # A stopped screen's unit ignores clicks.
        self.click(405, 348)
        time.sleep(0.5)
        self.assertEqual(self.qlink("get", "PUMP"), "True")
        self.qlink("run", "MAIN")
        self.assertEqual(self.qlink("status", "MAIN"), "Run")


class Shutdown(unittest.TestCase):
    def test_the_run_ends_cleanly_with_its_screenshot(self):
        self.assertEqual(DemoOnX.exit_code, 0)
        self.assertTrue(DemoOnX.shot_written)


if __name__ == "__main__":
    RTQUORVA, QLINK, PACKAGE = sys.argv[1:4]
    xvfb, DISPLAY = start_xvfb()
    if xvfb is None:
        sys.exit(SKIPPED)
    try:
        suite = unittest.TestSuite()
        loader = unittest.TestLoader()
        suite.addTests(loader.loadTestsFromTestCase(DemoOnX))
        suite.addTests(loader.loadTestsFromTestCase(Shutdown))
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        xvfb.terminate()
        xvfb.wait(timeout=10)
    sys.exit(0 if result.wasSuccessful() else 1)
