# Quorva run-time. Licensed under the MIT licence.
"""End to end: a project whose units the test builds with qruasm runs in `rtquorva --headless`;
`qlink`, a separate process, watches and steers it as the editor does.
Usage: rtquorva_qlink_e2e.py RTQUORVA QLINK QRUASM UNIT_SOURCE_DIR"""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from run_session import SessionCase, eventually, run_cases  # noqa: E402

RTQUORVA = QLINK = QRUASM = UNITS = ""


class RunningProject(SessionCase, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="quorva-e2e-")
        for unit in ("MVARGLOB", "TANK", "MAIN_Auto"):
            subprocess.run([QRUASM, os.path.join(UNITS, unit + ".s"), "-o",
                            os.path.join(cls.dir, unit + ".QRU")], check=True, timeout=60)
        with open(os.path.join(cls.dir, "Kestra.PFC"), "wb") as out:
            out.write(b"MAIN\r\n")
        with open(os.path.join(cls.dir, "PROG.OCO"), "wb") as out:
            out.write(b"TANK\r\n")
        cls.env = dict(os.environ, QUORVA_INSTANCE="e2e%d" % os.getpid())
        cls.start_session(RTQUORVA, QLINK, cls.dir, ["--headless", "--run-for", "120", cls.dir],
                          cls.env, 20)

    def test_1_units_are_loaded_and_answer_by_name(self):
        self.assertEqual(self.qlink("status", "TANK"), "Run")
        self.assertEqual(self.qlink("status", "tank"), "Run", "names ignore case")
        self.assertEqual(self.qlink("status", "MAIN_AUTO"), "Stop",
                         "a screen's own unit is held from the scheduler")
        self.assertEqual(self.qlink("loaded", "TANK"), "1")
        self.assertEqual(self.qlink("loaded", "PUMPHOUSE"), "0")
        self.assertNotEqual(self.qlink("addr", "TANK"), "0x00000000")
        self.assertEqual(self.qlink("addr", "PUMPHOUSE"), "0x00000000")
        self.assertEqual(self.qlink("time", "PUMPHOUSE"), "-1")
        self.assertGreaterEqual(int(self.qlink("time", "TANK")), 0)
        self.assertEqual(self.qlink("list").splitlines(), ["(QRU)MVARGLOB", "TANK", "MAIN_AUTO"])

    def test_2_globals_follow_the_running_unit_and_take_writes(self):
        first = int(self.qlink("get", "CYCLES"))
        self.assertTrue(eventually(lambda: int(self.qlink("get", "CYCLES")) > first),
                        "the tank unit runs")
        self.qlink("set", "PUMP", "False")
        self.assertTrue(eventually(lambda: self.qlink("get", "STATUS") == "draining"))
        level = float(self.qlink("get", "LEVEL"))
        self.assertTrue(eventually(lambda: float(self.qlink("get", "LEVEL")) < level),
                        "the level falls while the pump is off")
        self.qlink("set", "PUMP", "1")
        self.assertTrue(eventually(lambda: self.qlink("get", "STATUS") == "filling"))

    def test_3_a_stopped_unit_stops_and_runs_again(self):
        self.qlink("stop", "TANK")
        self.assertEqual(self.qlink("status", "TANK"), "Stop")
        # Let a scan that was under way end, then the counter must hold still.
        time.sleep(0.3)
        held = self.qlink("get", "CYCLES")
        time.sleep(0.5)
        self.assertEqual(self.qlink("get", "CYCLES"), held)
        self.qlink("run", "TANK")
        self.assertEqual(self.qlink("status", "TANK"), "Run")
        self.assertTrue(eventually(lambda: int(self.qlink("get", "CYCLES")) > int(held)))

    def test_4_measuring_points_join_the_list_while_the_profiler_is_on(self):
        self.assertNotIn("TANK_LOOP", self.qlink("list").splitlines())
        self.qlink("profiler", "on")
        listed = eventually(lambda: "TANK_LOOP" in self.qlink("list").splitlines())
        # From the second scan on, the point holds the time since the one before: about the
        # unit's period of 100 ms.
        measured = eventually(lambda: int(self.qlink("time", "TANK_LOOP")) > 10_000)
        self.qlink("profiler", "off")
        self.assertTrue(listed)
        self.assertTrue(measured)
        self.assertEqual(self.qlink("list").splitlines()[-1], "TANK_LOOP",
                         "units, then screens (none), then measuring points")


class Shutdown(unittest.TestCase):
    def test_the_run_ends_in_order_on_a_stop_signal(self):
        self.assertEqual(RunningProject.exit_code, 0)


if __name__ == "__main__":
    RTQUORVA, QLINK, QRUASM, UNITS = sys.argv[1:5]
    run_cases(RunningProject, Shutdown)
