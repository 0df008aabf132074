# Quorva run-time. Licensed under the MIT licence.
"""End to end: the demo's second screen, CONTROLS, on Qt's offscreen platform. The main screen's
unit opens it (qlink sets SHOWCTRL); its own unit fills the list view and the tree and switches
pages; qlink changes the globals the controls are bound to and the images the run-time writes
(--screenshot, --screenshot-every) show the controls following them; the recipe objects save
the bound globals to demo_recipe.For and load them back.
Usage: demo_controls_e2e.py RTQUORVA QLINK DEMO_PACKAGE"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from png_pixels import count_pixels, dark  # noqa: E402
from run_session import DemoSessionCase, eventually, run_cases  # noqa: E402

RTQUORVA = QLINK = PACKAGE = ""

# Regions of the CONTROLS window's image (window pixels): the set point edit and the
# automatic-mode check box on the first page, the list view and the tree on the second.
SETPOINT_EDIT = (132, 44, 228, 64)
AUTO_CHECK_BOX = (262, 40, 292, 68)
LIST_VIEW_ROWS = (22, 44, 270, 92)
TREE_ROWS = (284, 44, 538, 92)


class DemoControls(DemoSessionCase, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The tank holds still, so that its own marks never change the globals under test.
        cls.start_demo("controls", RTQUORVA, QLINK, PACKAGE, 120,
                       (("INFLOW", "0"), ("OUTFLOW", "0")))

    def dark_in(self, rows, region):
        return count_pixels(rows, *region, dark)

    def white_share(self, rows, region):
        left, top, right, bottom = region
        white = count_pixels(rows, *region, lambda pixel: min(pixel) >= 250)
        return white / ((right - left) * (bottom - top))

    def test_controls_follow_the_globals_and_recipes_round_trip(self):
        # The main screen's unit opens the second screen when SHOWCTRL is set.
        self.qlink("set", "SHOWCTRL", "True")
        self.assertTrue(eventually(lambda: "CONTROLS" in self.qlink("list").splitlines()),
                        "CONTROLS was not opened")
        self.assertTrue(eventually(lambda: self.qlink("get", "SHOWCTRL") == "False"))

        # Bound controls follow the globals: the set point edit shows its value, the check
        # box loses its mark when AUTOMODE goes false.
        checked = self.image_after("CONTROLS", time.time())
        marked = self.dark_in(checked, AUTO_CHECK_BOX)
        self.qlink("set", "SETPOINT", "55.5")
        self.qlink("set", "SPEED", "70")
        self.qlink("set", "AUTOMODE", "False")
        unchecked = self.image_after("CONTROLS", time.time())
        self.assertGreater(self.dark_in(unchecked, SETPOINT_EDIT), 20, "the edit shows a value")
        self.assertLess(self.dark_in(unchecked, AUTO_CHECK_BOX), marked - 10,
                        "the check mark went with AUTOMODE")

        # A rising edge of SAVEREC saves the recipe DEMO to the file named by RECIPE.
        recipe = os.path.join(self.dir, "demo_recipe.For")
        self.qlink("set", "SAVEREC", "True")
        self.assertTrue(eventually(lambda: os.path.exists(recipe)), "no recipe file")
        self.qlink("set", "SAVEREC", "False")
        with open(recipe, "rb") as f:
            lines = f.read().decode("latin-1").split("\r\n")
        self.assertEqual(lines[:6], ["DEMO", "55.5", "False", "False", "70", "5"])

        # A rising edge of LOADREC puts the saved values back.
        self.qlink("set", "SETPOINT", "10")
        self.qlink("set", "SPEED", "5")
        self.qlink("set", "LOADREC", "True")
        self.assertTrue(eventually(lambda: self.qlink("get", "SETPOINT") == "55.5"),
                        "the recipe was not loaded")
        self.assertEqual(self.qlink("get", "SPEED"), "70")
        self.qlink("set", "LOADREC", "False")

        # The second page shows the list view and the tree (white) with the rows and nodes
        # the screen's unit put in (dark text); the first page has neither.
        settings = self.image_after("CONTROLS", time.time())
        for region in (LIST_VIEW_ROWS, TREE_ROWS):
            self.assertLess(self.white_share(settings, region), 0.6)
        self.qlink("set", "PAGENO", "1")
        views = self.image_after("CONTROLS", time.time())
        for region, texts in ((LIST_VIEW_ROWS, 40), (TREE_ROWS, 20)):
            self.assertGreater(self.white_share(views, region), 0.6, "a view shows on page 1")
            self.assertGreater(self.dark_in(views, region), texts, "the view shows its items")


class Shutdown(unittest.TestCase):
    def test_the_run_ends_cleanly(self):
        self.assertEqual(DemoControls.exit_code, 0)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__)
        sys.exit(2)
    RTQUORVA, QLINK, PACKAGE = sys.argv[1:4]
    run_cases(DemoControls, Shutdown)
