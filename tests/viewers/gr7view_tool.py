# Quorva run-time. Licensed under the MIT licence.
"""gr7view against chart files written here byte by byte with struct (not by the run-time's
writer): the text and JSON forms must show what the bytes hold, --build must give the same bytes
back from the JSON, --png must draw the steps where the zoom table puts them with the --active ones
orange, and damaged files and bad usage must give their exit codes and messages.
Usage: gr7view_tool.py PATH_TO_GR7VIEW"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "screens"))
from png_pixels import read_png  # noqa: E402

GR7VIEW = ""

EMPTY, INITIAL, STEP, TRANSITION, JUMP, COMMENT = 0, 1, 2, 3, 13, 14


def text(data):
    return struct.pack("<i", len(data)) + data


def cell(kind, number, data=b""):
    return struct.pack("<Bi", kind, number) + text(data)


def chart(rows, columns, headers, cells, version=2):
    out = struct.pack("<iiii", version, rows, columns, len(headers))
    for header in headers:
        out += text(header)
    for item in cells:
        out += cell(*item)
    return out


# 3 rows x 2 columns; the transition's stored number 99 reads as 0; texts in Windows-1252.
CELLS = [
    (INITIAL, 0, b"start"), (COMMENT, 0, b"note \xe9"),
    (TRANSITION, 99, b"go"), (EMPTY, 0, b""),
    (STEP, 7, b"run"), (JUMP, 0, b"0"),
]
SAMPLE = chart(3, 2, [b"a", b"caf\xe9"], CELLS)


def run(*args):
    result = subprocess.run([GR7VIEW, *args], capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


class Gr7viewTool(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.file = self.path("MACHINE.Gr7")
        self.write(self.file, SAMPLE)

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, path, data):
        with open(path, "wb") as f:
            f.write(data)

    def test_json_and_text_show_what_the_bytes_hold(self):
        code, out, err = run("--json", self.file)
        self.assertEqual(code, 0, err)
        dump = json.loads(out)
        self.assertEqual(dump["chartName"], "MACHINE")
        self.assertEqual((dump["rows"], dump["columns"]), (3, 2))
        self.assertEqual(dump["headerTexts"], ["a", "caf\u00e9"])
        self.assertEqual(dump["cells"][0][0], {"kind": "initialStep", "number": 0, "text": "start"})
        self.assertEqual(dump["cells"][0][1], {"kind": "comment", "text": "note \u00e9"})
        self.assertEqual(dump["cells"][1][0], {"kind": "transition", "text": "go"})
        self.assertIsNone(dump["cells"][1][1])
        self.assertEqual(dump["cells"][2], [{"kind": "step", "number": 7, "text": "run"},
                                            {"kind": "jump", "text": "0"}])

        code, out, err = run(self.file)
        self.assertEqual(code, 0, err)
        self.assertIn("chart MACHINE, 3 rows x 2 columns, 2 header texts", out)
        for label in ("[[0]] start", "+ go", "[7] run", "-> 0"):
            self.assertIn(label, out)
        self.assertIn("row 2 column 0: step 7 (state MACHINE[7]) \"run\"", out)
        self.assertIn("note \u00e9", out)

    def test_build_gives_the_bytes_back_from_the_json(self):
        code, out, err = run("--json", self.file)
        self.assertEqual(code, 0, err)
        source = self.path("source.json")
        with open(source, "w", encoding="utf-8") as f:
            f.write(out)
        built = self.path("BUILT.Gr7")
        code, _, err = run("--build", built, source)
        self.assertEqual(code, 0, err)
        expected = chart(3, 2, [b"a", b"caf\xe9"],
                         [(k, 0 if k == TRANSITION else n, t) for k, n, t in CELLS])
        with open(built, "rb") as f:
            self.assertEqual(f.read(), expected)

        # Rows may be short (filled with empty cells) and the counts left out.
        with open(source, "w", encoding="utf-8") as f:
            json.dump({"cells": [[{"kind": "step", "number": 1}], [None, {"kind": "comment"}]]}, f)
        code, _, err = run("--build", built, source)
        self.assertEqual(code, 0, err)
        with open(built, "rb") as f:
            self.assertEqual(f.read(), chart(2, 2, [], [(STEP, 1), (EMPTY, 0), (EMPTY, 0),
                                                        (COMMENT, 0)]))

        for bad, message in (
                ({"cells": [[{"kind": "stepp", "number": 1}]]}, "is not a cell kind"),
                ({"cells": [[{"kind": "transition", "number": 1}]]}, "only steps have a number"),
                ({"cells": [[{"kind": "step"}]]}, "a step needs its number"),
                ({"cells": [[{"kind": "step", "number": 1}]], "rows": 4}, "rows says 4"),
                ({"cells": [[None] * 300]}, "at most"),
                ({"cells": [], "colour": 1}, "unknown member \"colour\"")):
            with open(source, "w", encoding="utf-8") as f:
                json.dump(bad, f)
            code, _, err = run("--build", self.path("NEVER.Gr7"), source)
            self.assertEqual(code, 1, bad)
            self.assertIn(message, err)
            self.assertFalse(os.path.exists(self.path("NEVER.Gr7")))

    def test_png_draws_the_steps_where_the_zoom_table_puts_them(self):
        # level: (origin, cell width, cell height)
        for level, origin, width, height, active in ((2, 8, 120, 30, "7"), (3, 16, 240, 60, "0,9")):
            out = self.path("level%d.png" % level)
            code, _, err = run("--png", out, "--zoom", str(level), "--active", active, self.file)
            self.assertEqual(code, 0, err)
            w, h, rows = read_png(out)
            self.assertEqual(h, origin + 3 * height)
            self.assertGreater(w, origin + 2 * width)  # plus the last column's widest text

            def inside_step(row):
                # Inside the step's square (of the cell height, centred on the cell), away from
                # its number and highlight lines.
                left = origin + width // 2 - height // 2
                top = origin + row * height
                return rows[top + height - 5][left + 5]
            orange, grey = (255, 128, 0), (192, 192, 192)
            self.assertEqual(inside_step(2), orange if level == 2 else grey)
            self.assertEqual(inside_step(0), grey if level == 2 else orange)
            self.assertEqual(rows[1][1], (255, 255, 255))
            # The transition's line through the centre of its cell.
            self.assertEqual(rows[origin + height + 2][origin + width // 2], (0, 0, 0))

    def test_damaged_files_and_bad_usage(self):
        for name, data, message in (
                ("CUT.Gr7", SAMPLE[:-3], "cell 5 (row 2, column 1) text"),
                ("OLD.Gr7", chart(1, 1, [], [(STEP, 1)], version=1), "version 1"),
                ("NEG.Gr7", struct.pack("<iiii", 2, -1, 2, 0), "-1 rows"),
                ("BIG.Gr7", struct.pack("<iiii", 2, 1000, 200, 0), "cannot fit")):
            self.write(self.path(name), data)
            code, out, err = run(self.path(name))
            self.assertEqual(code, 1, name)
            self.assertEqual(out, "")
            self.assertIn(name + ": ", err)
            self.assertIn(message, err)
        code, _, err = run(self.path("NONE.Gr7"))
        self.assertEqual(code, 1)
        self.assertIn("NONE.Gr7", err)

        self.write(self.path("TAIL.Gr7"), SAMPLE + b"xy")
        code, _, err = run(self.path("TAIL.Gr7"))
        self.assertEqual(code, 0)
        self.assertIn("warning: 2 bytes after the last cell", err)

        for args in ((), ("--zoom", "7", "--png", "x.png", self.file), ("--zoom", "2", self.file),
                     ("--png", "x.png", "--active", "1,x", self.file),
                     ("--png", "x.png", "--active", "1,,2", self.file),
                     ("--json", "--png", "x.png", self.file), ("--bogus", self.file)):
            code, _, err = run(*args)
            self.assertEqual(code, 2, args)
            self.assertIn("gr7view", err)
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertIn("--active", out)


if __name__ == "__main__":
    GR7VIEW = sys.argv.pop(1)
    unittest.main()
