# Quorva run-time. Licensed under the MIT licence.
"""End to end: the demo's screen DIAGRAMS on Qt's offscreen platform. qlink opens it (SHOWDIAG) and
drives the tank's level across its marks: with the level low the pump fills, with it high the
outlet drains. The ladder diagram PUMP.lad shades other contacts in each state, and the Grafcet
chart PUMPSEQ.Gr7 marks another step active (orange): both are read from the window's pictures.
Usage: demo_diagrams_e2e.py RTQUORVA QLINK DEMO_PACKAGE"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from png_pixels import count_pixels, dark  # noqa: E402
from run_session import DemoSessionCase, eventually  # noqa: E402

RTQUORVA = QLINK = PACKAGE = ""

# Window pixels of the two figures the diagrams replace (below the window's top edge; the screen
# has no menu bar).
LADDER = (14, 34, 468, 498)
CHART = (484, 34, 786, 498)


def orange(pixel):
    r, g, b = pixel
    return r > 200 and 80 < g < 200 and b < 80


class DemoDiagrams(DemoSessionCase, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Only qlink moves the tank.
        cls.start_demo("diagrams", RTQUORVA, QLINK, PACKAGE, 120,
                       (("INFLOW", "0"), ("OUTFLOW", "0"), ("VALVE", "50")))

    def state(self, level, pump):
        self.qlink("set", "LEVEL", level)
        self.assertTrue(eventually(lambda: self.qlink("get", "PUMP") == pump, 15),
                        "PUMP did not become %s" % pump)
        return self.image_after("DIAGRAMS", time.time(), 15)

    def test_the_diagrams_follow_the_pump(self):
        self.qlink("set", "SHOWDIAG", "True")
        filling = self.state("5", "True")
        draining = self.state("98", "False")

        # Both diagrams are drawn where their figures were.
        self.assertGreater(count_pixels(filling, *LADDER, dark), 500, "no ladder diagram")
        self.assertGreater(count_pixels(filling, *CHART, dark), 200, "no Grafcet chart")

        # One step is active in each state, and not the same one.
        def orange_rows(rows):
            left, top, right, bottom = CHART
            return [y for y in range(top, bottom)
                    if any(orange(rows[y][x]) for x in range(left, right))]
        rows_filling, rows_draining = orange_rows(filling), orange_rows(draining)
        self.assertTrue(rows_filling, "no active step while the pump fills")
        self.assertTrue(rows_draining, "no active step while the outlet drains")
        self.assertLess(max(rows_filling), min(rows_draining),
                        "the draining step comes after the filling step")

        # The contacts that conduct change with the pump.
        left, top, right, bottom = LADDER
        changed = sum(1 for y in range(top, bottom) for x in range(left, right)
                      if filling[y][x] != draining[y][x])
        self.assertGreater(changed, 200, "the ladder diagram shows no change of state")


if __name__ == "__main__":
    RTQUORVA, QLINK, PACKAGE = sys.argv[1:4]
    del sys.argv[1:4]
    unittest.main()
