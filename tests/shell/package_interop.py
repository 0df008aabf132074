# Quorva run-time. Licensed under the MIT licence.
"""Checks qpack against an independent reading and writing of the package format with Python's
zlib: packages that qpack makes are read here, packages written here are read by qpack, byte for
byte. Also checks qpack's exit codes, and that the run-time executable carries its package slot.
Usage: package_interop.py PATH_TO_QPACK [PATH_TO_RTQUORVA]"""

import os
import random
import stat
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

QPACK = ""
RUNTIME = ""
MARKER = b"GPI_SIZE"
MARKER_ENTRY = (b"PIVARD", b"QUORVA I/O")


def qpack(*args, cwd=None):
    return subprocess.run([QPACK, *args], capture_output=True, cwd=cwd, timeout=120)


def entry(name, stored, size=None):
    return struct.pack("<iB", len(stored) if size is None else size, len(name)) + name + stored


def package_file(entries):
    return MARKER + struct.pack("<i", 12) + b"".join(entry(n, s) for n, s in entries)


def walk(data, offset):
    """The entries from `offset` to the end; the package must end exactly there."""
    entries, position = [], offset
    while position < len(data):
        size, length = struct.unpack_from("<iB", data, position)
        name = data[position + 5:position + 5 + length]
        stored = data[position + 5 + length:position + 5 + length + size]
        assert size >= 0 and len(stored) == size, f"damaged entry at {position}"
        entries.append((name, stored))
        position += 5 + length + size
    return entries


class Fixture(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, data):
        with open(self.path(name), "wb") as out:
            out.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as source:
            return source.read()

    def project(self):
        os.mkdir(self.path("project"))
        os.mkdir(self.path("project", "subdir"))
        rng = random.Random(7)
        files = {
            "main.syn": b"screen " * 500,
            "Empty.txt": b"",
            "noise.bin": bytes(rng.randrange(256) for _ in range(100000)),
            "Kestra.PFC": b"MAIN\r\n",
            "caf\u00e9.txt": b"code page name",
        }
        for name, data in files.items():
            self.write(os.path.join("project", name), data)
        self.write(os.path.join("project", "subdir", "skipped.txt"), b"not packed")
        # Names as the package holds them: Windows-1252, upper-cased with ASCII rules only.
        stored = {name.encode("cp1252").upper(): data for name, data in files.items()}
        return dict(sorted(stored.items()))


class QpackWritesPythonReads(Fixture):
    def test_create_writes_a_package_file_zlib_reads(self):
        expected = self.project()
        result = qpack("create", self.path("p.pkg"), self.path("project"))
        self.assertEqual(result.returncode, 0, result.stderr)
        data = self.read("p.pkg")
        self.assertEqual(data[:8], MARKER)
        self.assertEqual(struct.unpack_from("<i", data, 8)[0], 12)
        entries = walk(data, 12)
        self.assertEqual(entries[0], MARKER_ENTRY)
        self.assertEqual([name for name, _ in entries[1:]], list(expected))
        self.assertIn(b"CAF\xe9.TXT", expected)
        for name, stored in entries[1:]:
            with self.subTest(name=name):
                self.assertEqual(zlib.decompress(stored), expected[name])
                # zlib's default compression, exactly as Python's zlib makes it.
                self.assertEqual(stored, zlib.compress(expected[name]))
                self.assertEqual(stored[:2], b"\x78\x9c")
        self.assertEqual(len(dict(entries)[b"EMPTY.TXT"]), 8)

        listing = qpack("list", self.path("p.pkg"))
        self.assertEqual(listing.returncode, 0, listing.stderr)
        lines = [f"{n.decode('cp1252')}\t{len(s)}\t{len(expected.get(n, s))}"
                 for n, s in entries]
        self.assertEqual(listing.stdout.decode("utf-8").splitlines(), lines)

    def test_bundle_appends_the_package_to_a_runnable_copy(self):
        expected = self.project()
        with open(QPACK, "rb") as source:
            runtime = source.read()
        # qpack is itself a program with the slot: exactly one marker, "X"-marked.
        self.assertEqual(runtime.count(MARKER), 1)
        slot = runtime.index(MARKER) + 8
        self.assertEqual(runtime[slot:slot + 1], b"X")

        result = qpack("bundle", QPACK, self.path("project"), self.path("bundled"))
        self.assertEqual(result.returncode, 0, result.stderr)
        bundled = self.read("bundled")
        self.assertTrue(os.stat(self.path("bundled")).st_mode & stat.S_IXUSR)
        # An offset whose low byte reads "X" would look like an empty slot: the bundler then
        # pads the run-time with one byte.
        offset = len(runtime) + (1 if len(runtime) & 0xFF == ord("X") else 0)
        self.assertEqual(struct.unpack_from("<i", bundled, slot)[0], offset)
        self.assertEqual(bundled[:slot], runtime[:slot])
        self.assertEqual(bundled[slot + 4:len(runtime)], runtime[slot + 4:])
        self.assertEqual(bundled[len(runtime):offset], b"\0" * (offset - len(runtime)))
        entries = walk(bundled, offset)
        self.assertEqual(entries[0], MARKER_ENTRY)
        self.assertEqual({n: zlib.decompress(s) for n, s in entries[1:]}, expected)
        # Still a working program, and qpack reads its package.
        self.assertEqual(subprocess.run([self.path("bundled"), "--help"],
                                        capture_output=True).returncode, 0)
        cat = qpack("cat", self.path("bundled"), "kestra.pfc")
        self.assertEqual((cat.returncode, cat.stdout), (0, b"MAIN\r\n"))

        again = qpack("bundle", self.path("bundled"), self.path("project"), self.path("twice"))
        self.assertEqual(again.returncode, 1)
        self.assertIn(b"already has a package", again.stderr)
        self.assertFalse(os.path.exists(self.path("twice")))
        self.write("not-a-runtime", b"\x7fELF but no slot")
        plain = qpack("bundle", self.path("not-a-runtime"), self.path("project"), self.path("x"))
        self.assertEqual(plain.returncode, 1)
        self.assertIn(b"not-a-runtime", plain.stderr)


    def test_the_runtime_carries_one_x_marked_slot_and_bundles(self):
        if not RUNTIME:
            self.skipTest("no run-time executable given")
        with open(RUNTIME, "rb") as source:
            runtime = source.read()
        self.assertEqual(runtime.count(MARKER), 1)
        self.assertEqual(runtime[runtime.index(MARKER) + 8:runtime.index(MARKER) + 12], b"XXXX")
        self.project()
        result = qpack("bundle", RUNTIME, self.path("project"), self.path("app"))
        self.assertEqual(result.returncode, 0, result.stderr)
        listing = qpack("list", self.path("app"))
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertEqual(listing.stdout.decode().splitlines()[0], "PIVARD\t10\t10")


class PythonWritesQpackReads(Fixture):
    def setUp(self):
        super().setUp()
        rng = random.Random(11)
        self.text = b"".join(b"%d;%f;value\r\n" % (i, rng.random()) for i in range(3000))
        self.binary = bytes(rng.randrange(256) for _ in range(20000))
        self.entries = [
            MARKER_ENTRY,
            (b"BEST.TXT", zlib.compress(self.text, 9)),
            (b"fast.bin", zlib.compress(self.binary, 1)),
            (b"MIXED.CASE", zlib.compress(b"first")),
            (b"MIXED.CASE", zlib.compress(b"second")),
            (b"BROKEN.DAT", b"\x78\x9c not deflate at all"),
            (b"EMPTY", zlib.compress(b"")),
        ]

    def test_list_and_cat_read_every_entry_byte_exactly(self):
        self.write("p.pkg", package_file(self.entries))
        listing = qpack("list", self.path("p.pkg"))
        self.assertEqual(listing.returncode, 1, "a damaged entry makes list fail")
        self.assertIn(b"BROKEN.DAT", listing.stderr)
        inflated = [10, len(self.text), len(self.binary), 5, 6, 0, 0]
        self.assertEqual(listing.stdout.decode().splitlines(),
                         [f"{n.decode()}\t{len(s)}\t{size}"
                          for (n, s), size in zip(self.entries, inflated)])

        for name, content in [("best.txt", self.text), ("C:\\data\\FAST.BIN", self.binary),
                              ("sub/Mixed.Case", b"first"), ("broken.dat", b""),
                              ("EMPTY", b"")]:
            with self.subTest(name=name):
                cat = qpack("cat", self.path("p.pkg"), name)
                self.assertEqual(cat.returncode, 0, cat.stderr)
                self.assertEqual(cat.stdout, content)

        self.write("disk only.txt", b"from the disk")
        cat = qpack("cat", self.path("p.pkg"), "disk only.txt", cwd=self.dir)
        self.assertEqual((cat.returncode, cat.stdout), (0, b"from the disk"))
        missing = qpack("cat", self.path("p.pkg"), "MISSING.TXT", cwd=self.dir)
        self.assertEqual((missing.returncode, missing.stdout), (1, b""))
        self.assertIn(b"MISSING.TXT", missing.stderr)

    def test_a_damaged_header_ends_the_listing_with_exit_1(self):
        self.write("p.pkg", package_file(self.entries[:2]) + entry(b"LONG", b"abc", size=4))
        listing = qpack("list", self.path("p.pkg"))
        self.assertEqual(listing.returncode, 1)
        self.assertEqual(len(listing.stdout.decode().splitlines()), 2)
        self.assertIn(b"p.pkg", listing.stderr)
        self.assertEqual(qpack("cat", self.path("p.pkg"), "BEST.TXT").stdout, self.text)


class ExitCodes(Fixture):
    def test_usage_errors_exit_2_and_failures_exit_1(self):
        self.assertEqual(qpack().returncode, 2)
        self.assertEqual(qpack("frobnicate").returncode, 2)
        self.assertEqual(qpack("cat", "only-one-argument").returncode, 2)
        self.assertEqual(qpack("list", "a", "b").returncode, 2)
        help_text = qpack("--help")
        self.assertEqual(help_text.returncode, 0)
        for command in [b"create", b"bundle", b"list", b"cat", b"extract"]:
            self.assertIn(command, help_text.stdout)

        missing = qpack("list", self.path("missing.pkg"))
        self.assertEqual(missing.returncode, 1)
        self.assertTrue(missing.stderr.startswith(b"qpack: "))
        self.assertIn(b"missing.pkg", missing.stderr)
        self.assertEqual(qpack("create", self.path("x.pkg"), self.path("nodir")).returncode, 1)
        self.assertFalse(os.path.exists(self.path("x.pkg")))
        os.mkdir(self.path("project"))
        self.assertEqual(
            qpack("create", self.path("nodir", "x.pkg"), self.path("project")).returncode, 1)

        self.write("p.pkg", package_file([MARKER_ENTRY, (b"A.TXT", zlib.compress(b"alpha"))]))
        done = qpack("extract", self.path("p.pkg"), "a.txt", self.path("out.txt"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(self.read("out.txt"), b"alpha")
        absent = qpack("extract", self.path("p.pkg"), "B.TXT", self.path("b.txt"))
        self.assertEqual(absent.returncode, 1)
        self.assertFalse(os.path.exists(self.path("b.txt")))
        unwritable = qpack("extract", self.path("p.pkg"), "A.TXT", self.path("nodir", "a"))
        self.assertEqual(unwritable.returncode, 1)
        self.assertIn(b"cannot be written", unwritable.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: package_interop.py PATH_TO_QPACK")
    QPACK = os.path.abspath(sys.argv.pop(1))
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        RUNTIME = os.path.abspath(sys.argv.pop(1))
    unittest.main()
