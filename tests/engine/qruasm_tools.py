# Quorva run-time. Licensed under the MIT licence.
"""Builds unit modules with qruasm and reads them back with qrudump --json: the tables, the
data layout, the fix-ups and the code bytes at their sites, checked against the source; error
cases must exit 1 naming SOURCE:LINE. Usage: qruasm_tools.py PATH_TO_QRUASM PATH_TO_QRUDUMP"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

QRUASM = ""
QRUDUMP = ""

UNIT = """\
# A cyclic unit with variables of several types, its own functions, DLL entries and
# references to names defined elsewhere.
@period 20
@uses MVarglob, Sysplc
@stamp 45123.5
@type TPOINT = record X, Y : Integer; TAG : Array[0..3] of Byte end
@var COUNTER : Integer = -12 export
@var RUNNING : Boolean = True
@const 0
@const 1
@var TITLE : String = 'Café au lait'
@var SAMPLES : Array[1..10] of Word
@var ORIGIN : TPOINT
@var RATIO : Double = 1.5
@var LEVEL : Byte = 200
@var BUTTON : Object BUTTON2
@const CSV = '.CSV'
@import function INTTOSTR
@import function INTTOSTR SYSTEM as SYS_INTTOSTR
@import variable POTENTIEL
@import variable TOTAL MVARGLOB as G_TOTAL
@function AddOne(A : Integer) : Integer = add_one export
@procedure Reset(var X; var N, M : Integer) = reset_body handler
@external function StartExcel(Name : String) : Integer from 'ExcelIO'
@external procedure Beep(Kind : Integer) from 'user32.dll' name 'MessageBeep' convention 1
@init start
@main scan
@accessor PORT READPORT WRITEPORT 1

.intel_syntax noprefix
.text
start:
    mov dword ptr [COUNTER], 0
    ret
scan:
    inc dword ptr [COUNTER]
    mov eax, dword ptr [COUNTER]
    mov edx, offset TITLE
    call dword ptr [INTTOSTR]
    call dword ptr [sys_inttostr]
    mov eax, dword ptr [POTENTIEL]
    add dword ptr [G_TOTAL], eax
    mov ax, word ptr [SAMPLES+2]
    mov dword ptr [ORIGIN+4], eax
    mov eax, offset CSV
    call dword ptr [AddOne]
    call dword ptr [AddOne]
    call dword ptr [StartExcel]
    ret
add_one:
    inc eax
    ret
reset_body:
    ret
"""

SIZES = {"Boolean": 1, "Integer": 4, "String": 256, "Double": 8, "Byte": 1, "Word": 2,
         "ObjectReference": 4, "StringLiteral": 256, "IntegerLiteral": 0}


class Tools(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, text):
        with open(self.path(name), "w", encoding="utf-8") as out:
            out.write(text)
        return self.path(name)

    def run_tool(self, *args):
        return subprocess.run(list(args), capture_output=True, cwd=self.dir, timeout=120)

    def assemble(self, text, name="unit.s"):
        source = self.write(name, text)
        out = self.path(name.replace(".s", ".qru"))
        done = self.run_tool(QRUASM, source, "-o", out)
        return done, source, out

    def dump(self, module):
        done = self.run_tool(QRUDUMP, "--json", module)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        return json.loads(done.stdout)

    def test_unit_tables_layout_and_fixups(self):
        done, _, module = self.assemble(UNIT)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        unit = self.dump(module)
        code = bytes.fromhex(unit["code"]["hex"])

        header = unit["header"]
        self.assertEqual(header["stamp"], 45123.5)
        self.assertEqual(header["codeSize"], len(code))
        self.assertEqual(unit["trailer"], {"spareFlag": 0, "periodMs": 20, "nonCyclic": False,
                                           "uses": ["MVarglob", "Sysplc"]})

        # Variables in declaration order, laid out one after the other; integer constants take
        # no room and sit at offset 0.
        variables = {v["name"]: v for v in unit["variables"]}
        self.assertEqual([v["name"] for v in unit["variables"]],
                         ["COUNTER", "RUNNING", "0", "1", "TITLE", "SAMPLES", "ORIGIN", "RATIO",
                          "LEVEL", "BUTTON", "'.CSV'"])
        position = 0
        for v in unit["variables"]:
            if v["type"]["name"] == "IntegerLiteral":
                self.assertEqual(v["offset"], 0)
                continue
            self.assertEqual(v["offset"], position, v["name"])
            position += v["size"]
        self.assertEqual(variables["COUNTER"]["initialValue"], "-12")
        self.assertTrue(variables["COUNTER"]["exported"])
        self.assertEqual(variables["TITLE"]["initialValue"], "Café au lait")
        samples = variables["SAMPLES"]
        self.assertEqual((samples["type"]["code"], samples["elementType"]["code"],
                          samples["elementSize"], samples["low"], samples["high"],
                          samples["size"]), (10, 20, 2, 1, 10, 20))
        self.assertEqual((variables["ORIGIN"]["type"]["code"], variables["ORIGIN"]["size"],
                          variables["ORIGIN"]["typeName"]), (22, 12, "TPOINT"))
        self.assertEqual(variables["BUTTON"]["objectName"], "BUTTON2")
        self.assertEqual(variables["'.CSV'"]["initialValue"], ".CSV")
        for v in unit["variables"]:
            if v["type"]["name"] in SIZES:
                self.assertEqual(v["size"] if SIZES[v["type"]["name"]] else 0,
                                 SIZES[v["type"]["name"]], v["name"])
        self.assertEqual(header["dataSize"], position + 4 * len(unit["functions"]))

        [tpoint] = unit["types"]
        self.assertEqual((tpoint["name"], tpoint["size"]), ("TPOINT", 12))
        self.assertEqual([(f["name"], f["size"], f["elementType"]["code"], f["high"])
                          for f in tpoint["fields"]],
                         [("X", 4, 18, 0), ("Y", 4, 18, 0), ("TAG", 1, 7, 3)])

        functions = {f["name"]: f for f in unit["functions"]}
        add_one = functions["ADDONE"]
        self.assertEqual((add_one["kind"], add_one["resultType"]["code"], add_one["exported"],
                          add_one["boundToDll"], add_one["entryName"]), (11, 4, True, False,
                                                                          "AddOne"))
        self.assertEqual(code[add_one["codeOffset"]:add_one["codeOffset"] + 2], b"\x40\xc3")
        reset = functions["RESET"]
        self.assertEqual([(p["name"], p["passingMode"], p["type"]["code"])
                          for p in reset["parameters"]], [("X", 0, 19), ("N", 0, 4), ("M", 0, 4)])
        self.assertEqual(reset["handlerFlag"], 1)
        self.assertEqual(code[reset["codeOffset"]], 0xC3)
        excel = functions["STARTEXCEL"]
        self.assertEqual((excel["boundToDll"], excel["dllName"], excel["entryName"],
                          excel["codeOffset"]), (True, "ExcelIO", "StartExcel", 0))
        beep = functions["BEEP"]
        self.assertEqual((beep["entryName"], beep["conventionFlag"], beep["kind"]),
                         ("MessageBeep", 1, 12))
        self.assertEqual(unit["accessors"], [{"name": "PORT", "reader": "READPORT",
                                              "writer": "WRITEPORT", "flag": 1}])

        entries = unit["entries"]
        self.assertFalse(entries["exit"]["present"])
        self.assertLess(entries["exit"]["offset"], 0)
        self.assertEqual(code[entries["init"]["offset"]:][:2], b"\xc7\x05")  # mov [COUNTER], 0
        self.assertEqual(code[entries["main"]["offset"]:][:2], b"\xff\x05")  # inc [COUNTER]

        self.assertEqual([(f["name"], f["addend"]) for f in unit["variableFixups"]],
                         [("COUNTER", 0), ("COUNTER", 0), ("COUNTER", 0), ("TITLE", 0),
                          ("POTENTIEL", 0), ("TOTAL MVARGLOB", 0), ("SAMPLES", 2),
                          ("ORIGIN", 4), ("'.CSV'", 0)])
        self.assertEqual([f["name"] for f in unit["functionFixups"]],
                         ["INTTOSTR", "INTTOSTR SYSTEM", "ADDONE", "ADDONE", "STARTEXCEL"])
        for fixup in unit["variableFixups"] + unit["functionFixups"]:
            self.assertEqual(code[fixup["site"]:fixup["site"] + 4], b"\0\0\0\0")
        for fixup in unit["functionFixups"]:
            self.assertEqual(code[fixup["site"] - 2:fixup["site"]], b"\xff\x15")

        # Repeated names are stored as the 0 byte: the COUNTER fix-ups spell the name once,
        # followed by two entries of 0, site and addend.
        with open(module, "rb") as f:
            data = f.read()
        sites = [f["site"] for f in unit["variableFixups"][:3]]
        expected = (b"\x07COUNTER" + struct.pack("<ii", sites[0], 0) +
                    b"\x00" + struct.pack("<ii", sites[1], 0) +
                    b"\x00" + struct.pack("<ii", sites[2], 0) + b"\x05TITLE")
        self.assertIn(expected, data)
        self.assertIn(b"\x06ADDONE" + struct.pack("<i", unit["functionFixups"][2]["site"]) +
                      b"\x00", data)
        self.assertEqual(data[:5], b"QRU02")
        self.assertEqual(struct.unpack_from("<ii", data, 15),
                         (header["dataSize"], header["codeSize"]))

        text = self.run_tool(QRUDUMP, module)
        self.assertEqual(text.returncode, 0)
        self.assertIn("TOTAL MVARGLOB", text.stdout.decode())

    def test_dump_of_a_module_written_byte_by_byte(self):
        """qrudump --json reads a module that no tool of ours wrote."""
        def short(text):
            data = text.encode("cp1252")
            return bytes([len(data)]) + data
        def i32(value):
            return struct.pack("<i", value)
        code = bytes(range(0x90, 0x90 + 16))
        module = (b"QRU02" + struct.pack("<d", 44000.25) + b"\x01\x00" + i32(64) + i32(len(code))
                  # one type with one field
                  + i32(1) + short("TPAIR") + i32(8) + i32(1)
                  + short("A") + b"\x04" + short("") + i32(4) + b"\x12" + i32(0) + i32(0)
                  # two variables: an Integer and a Boolean
                  + i32(2)
                  + short("LEVEL") + i32(0) + i32(4) + b"\x04\x00" + i32(0) + i32(0) + i32(0)
                  + b"\x01" + short("") + short("-7") + short("")
                  + short("READY") + i32(4) + i32(1) + b"\x03\x00" + i32(0) + i32(0) + i32(0)
                  + b"\x00" + short("") + short("True") + short("")
                  # one function with a by-reference String parameter
                  + i32(1) + short("SHOW") + i32(8) + b"\x00" + i32(0) + b"\x0b\x04\x01\x00\x00"
                  + short("") + short("Show") + i32(1) + b"\x00\x09" + short("Text")
                  # one accessor, the trailer, entries
                  + i32(1) + short("PORT") + short("READPORT") + short("WRITEPORT") + b"\x01"
                  + b"\x00" + i32(20) + b"\x00" + i32(1) + short("MVarglob")
                  + i32(-1) + i32(0) + i32(-99)
                  + code
                  # variable fix-ups: LEVEL twice (the second as the 0 byte), then READY
                  + short("LEVEL") + i32(2) + i32(0) + b"\x00" + i32(6) + i32(4)
                  + short("READY") + i32(10) + i32(0) + b"\xff"
                  # function fix-ups: INTTOSTR with a unit qualifier
                  + short("INTTOSTR SYSTEM") + i32(12) + b"\xff")
        path = self.path("HANDMADE.QRU")
        with open(path, "wb") as out:
            out.write(module)
        unit = self.dump(path)
        self.assertEqual(unit["header"]["stamp"], 44000.25)
        self.assertTrue(unit["header"]["debug"])
        self.assertEqual(unit["header"]["dataSize"], 64)
        self.assertEqual([t["name"] for t in unit["types"]], ["TPAIR"])
        self.assertEqual([(v["name"], v["type"]["code"], v["initialValue"], v["exported"])
                          for v in unit["variables"]],
                         [("LEVEL", 4, "-7", True), ("READY", 3, "True", False)])
        function = unit["functions"][0]
        self.assertEqual((function["name"], function["kind"], function["resultType"]["code"],
                          function["codeOffset"], function["exported"]), ("SHOW", 11, 4, 8, True))
        self.assertEqual(len(function["parameters"]), 1)
        self.assertEqual(unit["trailer"], {"spareFlag": 0, "periodMs": 20, "nonCyclic": False,
                                           "uses": ["MVarglob"]})
        self.assertEqual([unit["entries"][k]["present"] for k in ("init", "main", "exit")],
                         [False, True, False])
        self.assertEqual(bytes.fromhex(unit["code"]["hex"]), code)
        self.assertEqual([(f["name"], f["site"], f["addend"]) for f in unit["variableFixups"]],
                         [("LEVEL", 2, 0), ("LEVEL", 6, 4), ("READY", 10, 0)])
        self.assertEqual([(f["name"], f["site"]) for f in unit["functionFixups"]],
                         [("INTTOSTR SYSTEM", 12)])

    def test_options_attachments_and_data_size(self):
        with open(self.path("pic one.bmp"), "wb") as f:
            f.write(b"BM" + bytes(range(20)))
        self.write("descr.txt", "Title : Demo\r\n")
        source = ("@noncyclic\n@debug\n@datasize 4096\n@spare 3\n"
                  "@attach file BITMAP 'pic one.bmp'\n@attach descr 'descr.txt'\n"
                  "@var A : Integer\n@main go\n.intel_syntax noprefix\ngo: ret\n")
        done, _, module = self.assemble(source)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        unit = self.dump(module)
        self.assertEqual((unit["header"]["debug"], unit["header"]["dataSize"],
                          unit["header"]["attachmentsFlag"]), (True, 4096, True))
        self.assertEqual((unit["trailer"]["nonCyclic"], unit["trailer"]["spareFlag"]), (True, 3))
        self.assertEqual(unit["attachments"]["files"],
                         [{"kind": "BITMAP", "fileName": "pic one.bmp", "size": 22}])
        self.assertEqual(unit["attachments"]["descrText"], "Title : Demo\r\n")
        self.assertEqual(unit["entries"]["main"]["offset"], 0)
        self.assertEqual(unit["code"]["hex"], "c3")

        done, _, _ = self.assemble("@var A : Double\n@datasize 7\n", "small.s")
        self.assertEqual(done.returncode, 1)
        self.assertIn("small.s:2: error:", done.stderr.decode())

    def test_errors_name_the_line(self):
        cases = [
            ("@var X : Integer\n.intel_syntax noprefix\nmov eax, [Y]\n", 3, "undeclared symbol Y"),
            ("@period 10\n@frobnicate\n", 2, "unknown directive"),
            ("@var X : Intger\n", 1, "unknown type"),
            ("\n@var X : Integer = 'text'\n", 2, "integer"),
            ("@var X : Integer\n@import variable x\n", 2, "already declared"),
            ("@import function F\n.intel_syntax noprefix\nnop\ncall F\n", 4, "R_386_PC32"),
            ("@var S : String = 'open\n", 1, "closing quote"),
            ("@main nowhere\nnop\n", 1, "nowhere"),
            ("@function F = f\n", 1, "expected `:`"),
            (".intel_syntax noprefix\nnop\nl: mov eax, offset l\n", 3, "absolute reference"),
            ("nop\nmovx eax, 1\n", 2, "no such instruction"),
        ]
        for number, (text, line, words) in enumerate(cases):
            name = f"bad{number}.s"
            done, _, out = self.assemble(text, name)
            message = done.stderr.decode()
            self.assertEqual(done.returncode, 1, message)
            self.assertIn(f"{name}:{line}:", message)
            self.assertIn(words, message)
            self.assertFalse(os.path.exists(out))

    def test_usage_and_damaged_modules(self):
        self.assertEqual(self.run_tool(QRUASM, "--help").returncode, 0)
        self.assertEqual(self.run_tool(QRUDUMP, "--help").returncode, 0)
        self.assertEqual(self.run_tool(QRUASM, self.write("u.s", "nop\n")).returncode, 2)
        self.assertEqual(self.run_tool(QRUDUMP).returncode, 2)
        self.assertEqual(self.run_tool(QRUASM, "missing.s", "-o", "x.qru").returncode, 1)

        done, _, module = self.assemble(UNIT)
        self.assertEqual(done.returncode, 0)
        with open(module, "rb") as f:
            data = f.read()
        for size in (3, 30, len(data) // 2, len(data) - 1):
            self.write("cut.qru", "")
            with open(self.path("cut.qru"), "wb") as f:
                f.write(data[:size])
            for args in (["--json"], []):
                done = self.run_tool(QRUDUMP, *args, self.path("cut.qru"))
                self.assertEqual(done.returncode, 1)
                self.assertIn("offset", done.stderr.decode())
                self.assertEqual(done.stdout, b"")
        with open(self.path("old.qru"), "wb") as f:
            f.write(b"QRU01" + data[5:])
        done = self.run_tool(QRUDUMP, self.path("old.qru"))
        self.assertEqual(done.returncode, 1)
        self.assertIn("QRU02", done.stderr.decode())


if __name__ == "__main__":
    QRUASM, QRUDUMP = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
