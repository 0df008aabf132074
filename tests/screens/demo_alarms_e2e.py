# Quorva run-time. Licensed under the MIT licence.
"""End to end: the demo's alarms on Qt's offscreen platform. qlink drives the tank's level past
the alarm marks of Alarm.OCO and closes the valve under the running pump; the alarm manager logs
each appearance and disappearance in Alarm.DBF (read here with struct), the main screen's alarm
list shows the lines (red while an alarm is active and not acknowledged, green once it ended)
and the screen ALARMS shows them in its grid, filtered by the zone in ALMZONE.
Usage: demo_alarms_e2e.py RTQUORVA QLINK DEMO_PACKAGE"""

import os
import struct
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from png_pixels import count_pixels  # noqa: E402
from run_session import DemoSessionCase, eventually, run_cases  # noqa: E402

RTQUORVA = QLINK = PACKAGE = ""

# Image regions (window pixels): the rows of MAIN's alarm list, below the menu bar, and the rows
# of the grid of ALARMS, below its header row.
MAIN_ALARM_LIST = (204, 206, 624, 302)
ALARM_GRID_ROWS = (14, 64, 546, 236)

COLUMNS = [("NAME", "C"), ("MNEMONIC", "C"), ("DATEAPP", "D"), ("TIMEAPP", "C"),
           ("DATEDIS", "D"), ("TIMEDIS", "C"), ("DATEACQ", "D"), ("TIMEACQ", "C"),
           ("DATA", "N"), ("GROUPE", "C"), ("ZONE", "C"), ("TCOUNT", "C"),
           ("NAME_ORIGIN", "C")]


def red(pixel):
    r, g, b = pixel
    return r > 200 and g < 80 and b < 80


def green(pixel):
    r, g, b = pixel
    return g > 90 and r < 60 and b < 60


def bands(rows, region, test):
    """How many runs of image rows in `region` hold pixels that pass `test`: one per line of
    text in that colour."""
    left, top, right, bottom = region
    runs, inside = 0, False
    for y in range(top, bottom):
        hit = any(test(rows[y][x]) for x in range(left, right))
        if hit and not inside:
            runs += 1
        inside = hit
    return runs


def read_dbf(path):
    """(columns, records) of a dBASE III table: columns as (name, type, length), records as
    dictionaries of texts (code page bytes decoded as Windows-1252, blanks stripped)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 32 or data[0] != 0x03:
        raise ValueError("not a dBASE III table")
    count, header_length, record_length = struct.unpack("<IHH", data[4:12])
    columns = []
    at = 32
    while data[at] != 0x0D:
        name = data[at:at + 11].rstrip(b"\0").decode("ascii")
        kind = chr(data[at + 11])
        length = data[at + 16]
        columns.append((name, kind, length))
        at += 32
    if header_length != at + 1:
        raise ValueError("header length %d, descriptors end at %d" % (header_length, at + 1))
    if record_length != 1 + sum(length for _, _, length in columns):
        raise ValueError("record length %d does not match the columns" % record_length)
    records = []
    for i in range(count):
        start = header_length + i * record_length
        raw = data[start:start + record_length]
        if len(raw) < record_length:
            raise ValueError("record %d is cut short" % i)
        record, offset = {}, 1
        for name, _, length in columns:
            record[name] = raw[offset:offset + length].decode("cp1252").strip(" \0")
            offset += length
        records.append(record)
    return columns, records


class DemoAlarms(DemoSessionCase, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The tank holds still at a level between the marks: only qlink moves it.
        cls.start_demo("alarms", RTQUORVA, QLINK, PACKAGE, 150,
                       (("INFLOW", "0"), ("OUTFLOW", "0"), ("LEVEL", "50")))
        cls.log = os.path.join(cls.dir, "Alarm.DBF")

    def records(self, count):
        """The log's records once it holds `count` of them."""
        def read():
            try:
                _, records = read_dbf(self.log)
            except (OSError, ValueError, IndexError, struct.error):
                return None  # not there yet, or caught in the middle of a write
            return records if len(records) == count else None
        records = eventually(read, 15)
        self.assertIsNotNone(records, "Alarm.DBF never held %d record(s)" % count)
        return records

    def record_where(self, index, test):
        """Record `index` of the log once it passes `test`."""
        def read():
            try:
                _, records = read_dbf(self.log)
            except (OSError, ValueError, IndexError, struct.error):
                return None
            return records[index] if len(records) > index and test(records[index]) else None
        record = eventually(read, 15)
        self.assertIsNotNone(record, "record %d never got there" % index)
        return record

    def wait_for(self, name, value):
        self.assertTrue(eventually(lambda: self.qlink("get", name) == value, 15),
                        "%s never became %s" % (name, value))

    def test_1_a_high_level_is_logged_and_listed(self):
        # The log exists from the start, with its columns and no record.
        self.assertTrue(eventually(lambda: os.path.exists(self.log)), "no Alarm.DBF")
        columns, records = read_dbf(self.log)
        self.assertEqual([(name, kind) for name, kind, _ in columns], COLUMNS)
        self.assertEqual(records, [])
        self.assertEqual(count_pixels(self.image_after("MAIN", time.time()), *MAIN_ALARM_LIST,
                                      red), 0)

        # Above 95 for a second: the alarm appears, logged with the value and its labels.
        self.qlink("set", "LEVEL", "97")
        record = self.records(1)[0]
        self.assertEqual(record["NAME_ORIGIN"], "Niveau tr\u00e8s haut")
        self.assertIn(record["NAME"], ("Niveau tr\u00e8s haut", "Very high level"))
        self.assertEqual(record["MNEMONIC"], "LEVEL")
        self.assertEqual(float(record["DATA"]), 97.0)
        self.assertEqual((record["GROUPE"], record["ZONE"]), ("Cuve", "Zone A"))
        self.assertEqual(record["TCOUNT"], "00:00:00")
        self.assertRegex(record["DATEAPP"], r"^20\d{6}$")
        self.assertRegex(record["TIMEAPP"], r"^\d\d:\d\d:\d\d$")
        self.assertEqual(record["DATEDIS"], "")
        self.wait_for("TANKALM", "True")
        shown = self.image_after("MAIN", time.time())
        self.assertGreater(count_pixels(shown, *MAIN_ALARM_LIST, red), 30,
                           "the alarm list shows the active alarm in red")

        # Back to 50 (below 95 - 2): the alarm ends at once; its record gets the end and the
        # duration, and its line, not yet acknowledged, stays in the list in green.
        self.qlink("set", "LEVEL", "50")
        ended = self.record_where(0, lambda r: r["DATEDIS"] != "")
        self.assertRegex(ended["DATEDIS"], r"^20\d{6}$")
        self.assertRegex(ended["TIMEDIS"], r"^\d\d:\d\d:\d\d$")
        self.assertRegex(ended["TCOUNT"], r"^00:0\d:\d\d$")
        self.assertEqual(len(self.records(1)), 1, "the end updates the same record")
        self.wait_for("TANKALM", "False")
        shown = self.image_after("MAIN", time.time())
        self.assertLess(count_pixels(shown, *MAIN_ALARM_LIST, red), 5)
        self.assertEqual(bands(shown, MAIN_ALARM_LIST, green), 1, "one ended line, in green")

    def test_2_the_valve_closed_under_the_pump_is_a_pump_fault(self):
        self.qlink("set", "PUMP", "True")
        self.qlink("set", "VALVE", "0")
        self.wait_for("PUMPFLT", "True")
        self.wait_for("PUMP", "False")
        record = self.records(2)[1]
        self.assertEqual(record["NAME_ORIGIN"], "D\u00e9faut pompe")
        self.assertEqual(record["MNEMONIC"], "PUMPFLT")
        self.assertEqual(float(record["DATA"]), 1.0)
        self.assertEqual((record["GROUPE"], record["ZONE"]), ("Pompe", "Zone B"))
        self.wait_for("PUMPALM", "True")
        shown = self.image_after("MAIN", time.time())
        self.assertEqual(bands(shown, MAIN_ALARM_LIST, red), 1, "the fault, newest first")
        self.assertEqual(bands(shown, MAIN_ALARM_LIST, green), 1, "the ended level alarm")

        # Opening the valve clears the fault; the alarm ends.
        self.qlink("set", "VALVE", "25")
        self.wait_for("PUMPFLT", "False")
        self.record_where(1, lambda r: r["DATEDIS"] != "")

    def test_3_the_alarm_grid_filters_by_zone(self):
        # The level alarm comes again: a new record, and its line (red) takes the place of its
        # ended one; the ended pump fault (green) stays until it is acknowledged.
        self.qlink("set", "LEVEL", "97")
        self.records(3)
        self.qlink("set", "SHOWALM", "True")
        self.assertTrue(eventually(lambda: "ALARMS" in self.qlink("list").splitlines()),
                        "ALARMS was not opened")
        grid = self.image_after("ALARMS", time.time())
        self.assertEqual((bands(grid, ALARM_GRID_ROWS, red), bands(grid, ALARM_GRID_ROWS, green)),
                         (1, 1))

        # The grid's second filter is the variable ALMZONE, upper-cased, read every cycle.
        for zone, lines in (("zone b", (0, 1)), ("Zone A", (1, 0)), ("Zone C", (0, 0)),
                            ("", (1, 1))):
            self.qlink("set", "ALMZONE", zone)
            grid = self.image_after("ALARMS", time.time())
            self.assertEqual((bands(grid, ALARM_GRID_ROWS, red),
                              bands(grid, ALARM_GRID_ROWS, green)), lines, "zone %r" % zone)
        self.qlink("set", "LEVEL", "50")


class Shutdown(unittest.TestCase):
    def test_the_run_ends_cleanly(self):
        self.assertEqual(DemoAlarms.exit_code, 0)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__)
        sys.exit(2)
    RTQUORVA, QLINK, PACKAGE = sys.argv[1:4]
    run_cases(DemoAlarms, Shutdown)
