# Quorva run-time. Licensed under the MIT licence.
"""Screen files against syndump and synbuild: files written here byte by byte with struct (not by
synbuild) must dump to the values they hold; synbuild -> syndump must give back its JSON for an
object of every screen-object class, in versions 5, 6 and 7; damaged input and bad usage must give
their exit codes and messages. Usage: syn_tools.py PATH_TO_SYNBUILD PATH_TO_SYNDUMP"""

import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

SYNBUILD = ""
SYNDUMP = ""

CLASSES = [
    "TCLigne", "TCRect", "TCRound", "TCCircle", "TCEllipse", "TCArc", "TCFRAME", "TCSHADE",
    "TCSUPP", "TCPolyLine", "TCPolygone", "TCVALUE", "TCBARV", "TCBARH", "TCTexte", "TCGROUP",
    "TCBitmap", "TCEdit", "TCListbox", "TCCOMBO", "TCCASE", "TCRADIO", "TCBUTTON", "TCXButton",
    "TCUPDOWN", "TCTRACKBAR", "STrackBar", "TSLIDER", "TKNOB", "TCTREND", "TCShTrend", "TCGrille",
    "TCAxis", "TCALARM", "TCGALARM", "TCDDE", "TCMENU", "TCFormule", "TCGFORMULE", "PageControl",
    "ListView", "MPopUp", "Sout", "DateTimePicker", "RichEdit", "CoolBar", "Splitter",
    "CheckListBox",
]


def short(text):
    data = text.encode("cp1252")
    return struct.pack("<B", len(data)) + data


def fixed(slots, text, filler=b"\0"):
    data = text.encode("cp1252")
    return struct.pack("<B", len(data)) + data + filler * (slots - len(data))


def name(version, text):
    return fixed(255, text, b"\x7f") if version <= 5 else short(text)


def chunked(text):
    data = text.encode("cp1252")
    out = b""
    while len(data) >= 255:
        out += b"\xff" + data[:255]
        data = data[255:]
    return out + struct.pack("<B", len(data)) + data


def header(version, caption, count):
    out = fixed(12, "CLEQUORVAIO%d" % version) + fixed(50, caption, b"#")
    out += struct.pack("<I4h9B", 0x8000000F, 10, 20, 810, 620, 1, 1, 0, 1, 0, 0, 0, 1, 0)
    out += bytes(range(145))
    if version == 7:
        icon = struct.pack("<3H", 0, 1, 1) + bytes(2232)
        out += struct.pack("<4i2B", 320, 0, 200, 1024, 0, 1) + fixed(49, "editor") + icon
    return out + struct.pack("<hH", count, 1)


def record(kind, obj, cls="", text="", parent="", box=(0, 0, 100, 20), args=""):
    out = struct.pack("<B", kind) + short(parent) + struct.pack("<h", 3) + short(text)
    out += struct.pack("<B", 0) + short(cls) + struct.pack("<4h", *box)
    out += struct.pack("<IBBBIB", 0x000000FF, 0, 2, 0, 0x00C0C0C0, 1) + short("Arial")
    out += struct.pack("<h11B", -13, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
    out += struct.pack("<4BH2B", 0, 0, 0, 0, 90, 0, 0)
    out += short(obj) + struct.pack("<hi", 4, 0) + short("StartXLS" if args else "")
    return out + chunked(args)


def run(*args, expect=0):
    result = subprocess.run(list(args), capture_output=True, text=True)
    if result.returncode != expect:
        raise AssertionError("%s gave %d, expected %d\n%s%s" % (
            " ".join(args), result.returncode, expect, result.stdout, result.stderr))
    return result


class Tools(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def dump(self, data):
        with open(self.path("in.Syn"), "wb") as f:
            f.write(data)
        return json.loads(run(SYNDUMP, self.path("in.Syn")).stdout)

    def build(self, document, *options):
        with open(self.path("in.json"), "w", encoding="utf-8") as f:
            json.dump(document, f)
        run(SYNBUILD, self.path("in.json"), "-o", self.path("out.Syn"), *options)
        return json.loads(run(SYNDUMP, self.path("out.Syn")).stdout)

    def test_dumps_a_version_7_file_written_by_hand(self):
        bar = record(123, "BAR1", "TCBARV", box=(10, 10, 40, 210))
        bar += name(7, "LEVEL") + b"\x01" + name(7, "0") + name(7, "100") + b"\x00"
        bar += name(7, "") + b"\x00" + name(7, "") + fixed(255, "Tank level")
        pages = record(145, "Window1", "PAGECONTRO")
        pages += b"\x01" + struct.pack("<hBh", 0, 1, 2) + short("Pumps") + short("Vannes") + b"\x00\x01"
        poly = record(105, "PIPE", text="", parent="Window1_S1")
        poly += struct.pack("<H", 2) + struct.pack("<4i", 5, 6, 70, -8) + bytes(98 * 8)
        poly += struct.pack("<2H", 1, 2)
        button = record(121, "PUMP", "TCBUTTON", "Pompe \u00e9", args="(1,OPENEXCEL)" * 30)
        button += fixed(255, "PUMP.BMP") + fixed(255, "Pompe") + fixed(6, "Top") + b"\x01"
        button += name(7, "StartPump") + b"\x00" + name(7, "Pulse") + b"\x00" * 3 + name(7, "")
        button += b"\x00" + name(7, "") + b"\x00" + name(7, "F1") + b"\x00\x00"
        button += name(7, "") * 4 + fixed(255, "")
        data = header(7, "Synoptique g\u00e9n\u00e9ral", 4) + bar + pages + poly + button
        self.assertEqual(len(header(7, "x", 0)), 2540)
        dumped = self.dump(data)

        self.assertEqual(dumped["version"], 7)
        h = dumped["header"]
        self.assertEqual(h["caption"], "Synoptique g\u00e9n\u00e9ral")
        self.assertEqual(h["colour"], "0x8000000F")
        self.assertEqual((h["left"], h["top"], h["right"], h["bottom"]), (10, 20, 810, 620))
        self.assertEqual((h["systemMenu"], h["normalWindow"], h["centred"]), (0, 1, 1))
        self.assertEqual(h["windowFlags"], 1)
        self.assertEqual(h["editorData"], bytes(range(145)).hex())
        e = dumped["extended"]
        self.assertEqual((e["minWidth"], e["maxWidth"], e["minHeight"], e["maxHeight"]),
                         (320, 0, 200, 1024))
        self.assertEqual(e["autoScroll"], 1)
        self.assertEqual(e["icon"][:12], "000001000100")
        self.assertEqual(len(e["icon"]), 2238 * 2)

        objects = dumped["objects"]
        self.assertEqual([o["kind"] for o in objects], ["BarV", "Window", "PolyLine", "Button"])
        self.assertEqual((objects[0]["x2"], objects[0]["y2"]), (40, 210))
        self.assertEqual(objects[0]["foreColour"], "0x000000FF")
        self.assertEqual(objects[0]["fontHeight"], -13)
        self.assertEqual(objects[0]["angle"], 90)
        self.assertEqual(objects[0]["classData"]["value.n1"], "LEVEL")
        self.assertEqual(objects[0]["classData"]["value.n3"], "100")
        self.assertEqual(objects[0]["classData"]["hint"], "Tank level")
        self.assertEqual(objects[1]["classData"]["pageCaptions"], ["Pumps", "Vannes"])
        self.assertEqual(objects[1]["classData"]["tabStyle"], 1)
        self.assertEqual(objects[1]["classData"]["tabsScrollOpposite"], 1)
        self.assertEqual(objects[2]["parentName"], "Window1_S1")
        self.assertEqual(objects[2]["points"], [[5, 6], [70, -8]])
        self.assertEqual(objects[2]["pointExtra"], [1, 2])
        self.assertEqual(objects[3]["text"], "Pompe \u00e9")
        self.assertEqual(objects[3]["arguments"], "(1,OPENEXCEL)" * 30)
        self.assertEqual(objects[3]["unitName"], "StartXLS")
        data3 = objects[3]["classData"]
        self.assertEqual((data3["glyphName"], data3["caption"], data3["glyphPosition"]),
                         ("PUMP.BMP", "Pompe", "Top"))
        self.assertEqual((data3["button.unit"], data3["button.actionMode"], data3["button.key"]),
                         ("StartPump", "Pulse", "F1"))

        # Built again from its dump, the file is the same bytes but for the caption's unused
        # slots, which synbuild leaves zero.
        rebuilt = self.build(dumped)
        self.assertEqual(rebuilt, dumped)
        with open(self.path("out.Syn"), "rb") as f:
            written = f.read()
        caption_end = 14 + len("Synoptique g\u00e9n\u00e9ral")
        self.assertEqual(written, data[:caption_end] + bytes(64 - caption_end) + data[64:])

    def test_dumps_a_version_5_file_with_padded_names(self):
        edit = record(114, "EDIT1", "TCEdit")
        edit += b"\x01" + name(5, "SETPOINT") + b"\x01" + name(5, "0") + name(5, "250")
        edit += b"\x00" + name(5, "") + b"\x00\x00\x00" + name(5, "") + b"\x00" + name(5, "")
        edit += b"\x00" + name(5, "") + fixed(255, "Setpoint")
        data = header(5, "Old", 1) + edit
        dumped = self.dump(data)
        self.assertNotIn("extended", dumped)
        cd = dumped["objects"][0]["classData"]
        self.assertEqual((cd["edit.variable"], cd["edit.minimum"], cd["edit.maximum"]),
                         ("SETPOINT", "0", "250"))
        self.assertEqual(cd["hint"], "Setpoint")

    def test_every_class_round_trips_through_synbuild_and_syndump(self):
        objects = [{"kind": "Window", "className": c[:10], "objectName": c[:15]} for c in CLASSES]
        dumped = self.build({"objects": objects})
        self.assertEqual(len(dumped["objects"]), len(CLASSES))
        # Give every field a value other than its default, by the type the dump shows.
        for index, obj in enumerate(dumped["objects"]):
            for field, value in obj["classData"].items():
                if field == "columns":
                    obj["classData"][field] = ["0a0b0c0d", "ffffffff"]
                    obj["classData"]["columnCount"] = 2
                elif field == "columnCount":
                    continue
                elif value is None or isinstance(value, int):
                    obj["classData"][field] = (index * 13 + len(field)) % 200 + 1
                elif isinstance(value, list):
                    obj["classData"][field] = ["un", "deux \u00e0", ""]
                elif re.search(r"(^|\.)r\d+$", field) or field == "settings":
                    obj["classData"][field] = "5a" * (len(value) // 2)
                else:
                    limit = 6 if field == "glyphPosition" else 40
                    obj["classData"][field] = (field + " \u00e9t\u00e9")[:limit]
        for version in ("7", "6", "5"):
            document = dict(dumped, version=int(version))
            if version != "7":
                document.pop("extended", None)
            again = self.build(document, "--version", version)
            self.assertEqual(again, document, "version " + version)

    def test_damaged_files_and_bad_usage_give_their_exit_codes(self):
        run(SYNDUMP, "--help")
        run(SYNDUMP, expect=2)
        run(SYNDUMP, "--no-such-option", "x", expect=2)
        run(SYNBUILD, "--help")
        run(SYNBUILD, self.path("a.json"), expect=2)  # no -o
        run(SYNDUMP, self.path("missing.Syn"), expect=1)

        good = header(6, "T", 2) + record(101, "R1") + record(112, "P1") + struct.pack("<H", 101)
        with open(self.path("bad.Syn"), "wb") as f:
            f.write(good + bytes(804))
        result = run(SYNDUMP, self.path("bad.Syn"), expect=1)
        self.assertEqual(result.stdout, "")
        self.assertRegex(result.stderr, r"object 1 .*offset \d+.*point count 101")
        partial = json.loads(run(SYNDUMP, "--partial", self.path("bad.Syn"), expect=1).stdout)
        self.assertEqual(len(partial["objects"]), 1)
        self.assertEqual(partial["stop"]["objectIndex"], 1)
        self.assertEqual(partial["stop"]["kind"], "damaged")

        with open(self.path("v8.Syn"), "wb") as f:
            f.write(header(7, "T", 0).replace(b"IO7", b"IO8", 1))
        self.assertIn("version", run(SYNDUMP, self.path("v8.Syn"), expect=1).stderr)

        with open(self.path("bad.json"), "w") as f:
            f.write('{"objects": [{"kind": "Line", "className": "TCFOO"}]}')
        result = run(SYNBUILD, self.path("bad.json"), "-o", self.path("x.Syn"), expect=1)
        self.assertIn("objects[0].className", result.stderr)
        self.assertFalse(os.path.exists(self.path("x.Syn")))
        with open(self.path("broken.json"), "w") as f:
            f.write('{"objects": [')
        run(SYNBUILD, self.path("broken.json"), "-o", self.path("x.Syn"), expect=1)
        run(SYNBUILD, self.path("bad.json"), "-o", self.path("x.Syn"), "--version", "9", expect=2)


if __name__ == "__main__":
    SYNBUILD, SYNDUMP = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
