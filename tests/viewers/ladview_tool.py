# Quorva run-time. Licensed under the MIT licence.
"""Ladder diagram files against ladview: files written here byte by byte with struct (not by
ladview) must show their cells as text and JSON; --build must write the same bytes from the JSON;
--png must draw the states given with --state; damaged files and bad usage must give their exit
codes and messages. Usage: ladview_tool.py PATH_TO_LADVIEW"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "screens"))
from png_pixels import read_png  # noqa: E402

LADVIEW = ""

CONTACT, CLOSED, COIL, WIRE, SEGMENT, COMMENT, SET_COIL, EMPTY = 0, 1, 2, 4, 9, 18, 22, 255
GREY = (0xC0, 0xC0, 0xC0)
PURPLE = (0x80, 0x00, 0x80)


def text(value):
    data = value.encode("cp1252")
    return struct.pack("<i", len(data)) + data


def cell(kind, variable="", box="", left="", right="", mnemonic1="", mnemonic2="", segment=0,
         program=0, flags=(0, 0, 0, 0, 0, 0), frame=0, style=0, spare=0, negation=0, spare_text=""):
    return (struct.pack("<BB", kind, flags[0]) + text(variable) + struct.pack("<B", flags[1]) +
            text(box) + struct.pack("<BB", flags[2], flags[3]) + text(left) + text(right) +
            struct.pack("<BBBB", flags[4], flags[5], frame, style) + text(mnemonic1) +
            text(mnemonic2) + struct.pack("<iBBi", segment, spare, negation, program) +
            text(spare_text))


def diagram(columns, rows):
    out = struct.pack("<iii", 2, len(rows), columns)
    for row in rows:
        for c in range(columns):
            out += row[c] if c < len(row) else cell(EMPTY)
    return out


# One segment, then a rung: a contact on START, a normally closed contact on STOP, a wire, a coil
# on MOTOR (second-to-last column) and a comment.
SAMPLE = diagram(5, [
    [cell(SEGMENT, segment=3)],
    [cell(CONTACT, "START", mnemonic1="Marche"), cell(CLOSED, "STOP", flags=(1, 0, 0, 0, 0, 6)),
     cell(WIRE), cell(COIL, "MOTOR", style=1), cell(COMMENT, "Moteur arrêté")],
])


def run(*args):
    return subprocess.run([LADVIEW] + list(args), capture_output=True, timeout=60)


class Ladview(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_text_and_json_show_every_cell(self):
        lad = self.write("SAMPLE.lad", SAMPLE)
        shown = run(lad)
        self.assertEqual(shown.returncode, 0, shown.stderr)
        lines = shown.stdout.decode("utf-8").splitlines()
        self.assertIn("version 2, 2 rows, 5 columns", lines[0])
        self.assertIn("Segment : 3", lines[1])
        symbols, names = lines[3], lines[4]
        for symbol in ("-| |-", "-|/|-", "-----", "-( )-", "; Moteur arrêté"):
            self.assertIn(symbol, symbols)
        self.assertLess(symbols.index("-| |-"), symbols.index("-|/|-"))
        for name in ("START", "STOP", "MOTOR"):
            self.assertIn(name, names)

        dumped = run("--json", lad)
        self.assertEqual(dumped.returncode, 0, dumped.stderr)
        data = json.loads(dumped.stdout)
        self.assertEqual((data["version"], data["rows"], data["columns"]), (2, 2, 5))
        cells = {(c["row"], c["column"]): c for c in data["cells"]}
        self.assertEqual(cells[(0, 0)], {"row": 0, "column": 0, "kind": "segment", "segment": 3})
        self.assertEqual(cells[(1, 0)]["mnemonic1"], "Marche")
        self.assertEqual(cells[(1, 1)]["kind"], "closedContact")
        self.assertEqual(cells[(1, 1)]["flags"], [1, 0, 0, 0, 0, 6])
        self.assertEqual(cells[(1, 3)]["labelStyle"], 1)
        self.assertEqual(cells[(1, 4)]["variable"], "Moteur arrêté")
        self.assertNotIn((0, 1), cells)  # empty cells are left out

        # The JSON builds the very bytes written here by hand.
        source = self.write("sample.json", dumped.stdout)
        built = run("--build", self.path("BUILT.lad"), source)
        self.assertEqual(built.returncode, 0, built.stderr)
        with open(self.path("BUILT.lad"), "rb") as f:
            self.assertEqual(f.read(), SAMPLE)

    def test_pictures_show_states_zoom_and_mnemonics(self):
        lad = self.write("SAMPLE.lad", SAMPLE)

        def picture(name, *options):
            result = run("--png", self.path(name), *options, lad)
            self.assertEqual(result.returncode, 0, result.stderr)
            return read_png(self.path(name))

        def grey_runs(image):
            # Runs of grey along a row just under the top of the rung (zoom 2: origin 8, cell
            # height 40; the picture starts at scroll position 1): the cells shown active.
            width, _, rows = image
            row = rows[8 + 40 - 1 + 2]
            runs, x = [], 0
            while x < width:
                if row[x] == GREY:
                    start = x
                    while x < width and row[x] == GREY:
                        x += 1
                    runs.append((start, x - start))
                x += 1
            return runs

        plain = picture("plain.png")
        width, height, _ = plain
        self.assertEqual(grey_runs(plain), [], "no states without --state")

        # STOP is false: its normally closed contact (second cell) shows active, and so does the
        # coil on MOTOR (fourth cell).
        live = grey_runs(picture("live.png", "--state", "START=0,MOTOR=true"))
        self.assertEqual(len(live), 2, live)
        cell_width = live[0][0] - 7
        self.assertEqual(live[0][1], cell_width)
        self.assertEqual(live[1][0], 7 + 3 * cell_width)
        live = grey_runs(picture("live2.png", "--state", "START=1,STOP=1,MOTOR=0"))
        self.assertEqual(live, [(7, cell_width)])

        bigger = picture("zoom3.png", "--zoom", "3")
        self.assertGreater(bigger[0], width)
        self.assertGreater(bigger[1], height)
        smaller = picture("zoom0.png", "--zoom", "0")
        self.assertLess(smaller[0], width)

        # A mnemonics file names the cells: START's text 1 replaces the file's mnemonic.
        mnemos = self.write("MNEMOS", "start\tDépart\tle bouton vert\r\n".encode("cp1252"))
        named = picture("named.png", "--mnemonics", mnemos)
        self.assertNotEqual(named[2], plain[2])
        purple_named = sum(row.count(PURPLE) for row in named[2])
        self.assertGreater(purple_named, 0)

    def test_damaged_files_and_bad_usage(self):
        cases = [
            ("short.lad", SAMPLE[:40], "at offset 12: 10 cells need at least 470 bytes"),
            ("cut.lad", SAMPLE[:-2], "cell 9 (row 1, column 4) at offset"),
            ("v1.lad", struct.pack("<i", 1) + SAMPLE[4:],
             "version 1 ladder files are not supported"),
            ("v5.lad", struct.pack("<i", 5) + SAMPLE[4:], "version 5"),
            ("huge.lad", struct.pack("<iii", 2, 1, 1) + struct.pack("<BBi", 0, 0, 2 ** 31 - 1) +
             bytes(60), "cell 0 (row 0, column 0) at offset 14: the variable name is 2147483647 "
             "bytes long, above the limit of 65536"),
            ("rows.lad", struct.pack("<iii", 2, -4, 3), "row count -4"),
            ("empty.lad", b"", "the version needs 4 bytes"),
        ]
        for name, data, says in cases:
            for options in ([], ["--json"], ["--png", self.path("x.png")]):
                result = run(*options, self.write(name, data))
                self.assertEqual(result.returncode, 1, (name, options))
                self.assertIn(says, result.stderr.decode("utf-8"), (name, options))
                self.assertEqual(result.stdout, b"", (name, options))

        missing = run(self.path("none.lad"))
        self.assertEqual(missing.returncode, 1)
        self.assertIn("none.lad", missing.stderr.decode("utf-8"))

        for source, says in [("{", "not valid JSON"),
                             ('{"rows": 1, "columns": 2, "cells": [{"row": 0, "column": 5}]}',
                              "cells[0].column is 5, outside 0 to 1"),
                             ('{"rows": 1, "columns": 2, "cells": [{"row": 0, "column": 0, '
                              '"kind": "lamp"}]}', "cells[0].kind must be a kind name"),
                             ('{"rows": 1, "columns": 2, "cells": [{"row": 0, "column": 0, '
                              '"colour": 3}]}', 'no cell member is called "colour"'),
                             ('{"rows": 1, "columns": 2, "cells": [{"row": 0, "column": 1}, '
                              '{"row": 0, "column": 1}]}', "given twice"),
                             ('{"rows": 1, "columns": 0}', "columns is 0, outside 1 to 1000")]:
            result = run("--build", self.path("out.lad"), self.write("bad.json", source.encode()))
            self.assertEqual(result.returncode, 1, source)
            self.assertIn(says, result.stderr.decode("utf-8"), source)
            self.assertFalse(os.path.exists(self.path("out.lad")), source)

        lad = self.write("SAMPLE.lad", SAMPLE)
        for args in (["--zoom", "9", "--png", self.path("z.png"), lad],
                     ["--zoom", "3", lad],
                     ["--state", "A=1", lad],
                     ["--png", self.path("s.png"), "--state", "=1", lad],
                     ["--json", "--png", self.path("j.png"), lad],
                     ["--bogus", lad],
                     []):
            result = run(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn("ladview", result.stderr.decode("utf-8"), args)
        helped = run("--help")
        self.assertEqual(helped.returncode, 0)
        self.assertIn("--png", helped.stdout.decode("utf-8"))


if __name__ == "__main__":
    LADVIEW = sys.argv.pop(1)
    unittest.main()
