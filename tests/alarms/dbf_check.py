#!/usr/bin/env python3
# Quorva run-time. Licensed under the MIT licence.
"""Reads alarm log tables with nothing but struct, and replays what alarm_log_writer reported
into the records the table must hold.

Run as a test: dbf_check.py <alarm_log_writer> [dbview]
The writer logs a fixed series of events to completion; the table must then be a sound dBASE III
file (header, descriptors, records, end byte) holding exactly the reported events, and dbview (an
independent dBASE reader) must show the same records."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

COLUMNS = [  # name, type, length, decimals; NAME_ORIGIN's length is the writer's argument
    ("NAME", "C", 80, 0), ("MNEMONIC", "C", 20, 0), ("DATEAPP", "D", 8, 0),
    ("TIMEAPP", "C", 8, 0), ("DATEDIS", "D", 8, 0), ("TIMEDIS", "C", 8, 0),
    ("DATEACQ", "D", 8, 0), ("TIMEACQ", "C", 8, 0), ("DATA", "N", 10, 3),
    ("GROUPE", "C", 20, 0), ("ZONE", "C", 20, 0), ("TCOUNT", "C", 8, 0),
    ("NAME_ORIGIN", "C", None, 0),
]


class TableError(Exception):
    pass


def layout(name_origin_length):
    fields = [(n, t, name_origin_length if l is None else l, d) for n, t, l, d in COLUMNS]
    header_length = 32 + 32 * len(fields) + 1
    record_length = 1 + sum(f[2] for f in fields)
    return fields, header_length, record_length


def read_table(path):
    """The table's header and the whole records its count covers. Raises TableError when the
    header is not sound or the count covers bytes that are not in the file."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 32:
        raise TableError(f"{len(data)} bytes: no header")
    version, yy, mm, dd, count, header_length, record_length = struct.unpack_from(
        "<BBBBIHH", data, 0)
    if version != 0x03:
        raise TableError(f"version byte {version:#x}")
    if not (1 <= mm <= 12 and 1 <= dd <= 31 and yy >= 100):
        raise TableError(f"header date {yy}/{mm}/{dd}")
    fields = []
    at = 32
    while True:
        if at >= header_length or at >= len(data):
            raise TableError("no 0Dh after the descriptors")
        if data[at] == 0x0D:
            break
        name, ftype, length, decimals = struct.unpack_from("<11sc4xBB14x", data, at)
        fields.append((name.rstrip(b"\0").decode("ascii"), ftype.decode("ascii"), length,
                       decimals))
        at += 32
    if at + 1 != header_length:
        raise TableError(f"terminator at {at}, header length {header_length}")
    if 1 + sum(f[2] for f in fields) != record_length:
        raise TableError("record length differs from the fields")
    if header_length + count * record_length > len(data):
        raise TableError(f"count {count} covers more than the {len(data)} bytes of the file")
    records = [data[header_length + i * record_length:header_length + (i + 1) * record_length]
               for i in range(count)]
    for number, record in enumerate(records, 1):
        if record[0:1] != b" ":
            raise TableError(f"record {number} has deletion flag {record[0:1]!r}")
    return {"fields": fields, "header_length": header_length, "record_length": record_length,
            "records": records, "tail": data[header_length + count * record_length:]}


def check_strict(table, name_origin_length):
    """A table as a writer leaves it after a finished event: the alarm log's columns, and only
    the 1Ah end byte after the counted records."""
    fields, header_length, record_length = layout(name_origin_length)
    if table["fields"] != fields:
        raise TableError(f"columns {table['fields']}")
    if (table["header_length"], table["record_length"]) != (header_length, record_length):
        raise TableError("header or record length")
    if table["tail"] != b"\x1a":
        raise TableError(f"{len(table['tail'])} bytes after the records: {table['tail'][:16]!r}")


def format_field(ftype, length, value):
    """The bytes of a field, by the rules the writer documents (written here independently)."""
    if ftype == "C":
        return value.ljust(length, b" ")[:length]
    if ftype == "D":
        if value.strip() == b"":
            return b"\0" * 8
        day, month, year = value.split(b"/")
        if len(year) < 4:
            year = b"20" + year.rjust(2, b"0")
        return year + month.rjust(2, b"0") + day.rjust(2, b"0")
    if ftype == "N":
        text = value.strip()
        if not re.fullmatch(rb"[+-]?(\d+\.?\d*|\.\d+)", text):
            return b" " * length
        if len(text.split(b".")[0]) > length:
            return b" " * length
        if b"." not in text:
            text += b"."
        return (text + b"0" * length)[:length]
    raise ValueError(ftype)


def make_record(fields, old, values):
    parts = []
    at = 1
    for name, ftype, length, _ in fields:
        if name.encode() in values:
            parts.append(format_field(ftype, length, values[name.encode()]))
        else:
            parts.append(old[at:at + length])
        at += length
    return b" " + b"".join(parts)


def purged(records, keep, header_length, record_length):
    room = keep - header_length - 1 if keep > header_length else 0
    kept = min(room // record_length, len(records))
    return records[len(records) - kept:]


class Replay:
    """What the writer reported, applied to a list of records. `pending` is the call that had
    begun but not reported its end when the writer stopped: its effect may or may not be in the
    file."""

    def __init__(self, name_origin_length, records=None):
        self.fields, self.header_length, self.record_length = layout(name_origin_length)
        self.records = list(records or [])
        self.pending = None
        self.purges = 0

    def _apply(self, begin, done):
        kind = begin[1]
        if kind == b"A":
            values = dict(p.split(b"=", 1) for p in begin[2:])
            self.records.append(make_record(self.fields, b" " * self.record_length, values))
            if int(done[2]) != len(self.records):
                raise TableError(f"append reported as record {done[2]}, expected "
                                 f"{len(self.records)}")
        elif kind == b"U":
            number = int(begin[2])
            values = dict(p.split(b"=", 1) for p in begin[3:])
            if number > len(self.records):
                raise TableError(f"update of record {number} of {len(self.records)}")
            self.records[number - 1] = make_record(self.fields, self.records[number - 1], values)
        elif kind == b"P":
            if done[2] == b"1":
                self.purges += 1
                self.records = purged(self.records, int(begin[3]), self.header_length,
                                      self.record_length)
            if int(done[3]) != len(self.records):
                raise TableError(f"purge left {done[3]} records, expected {len(self.records)}")

    def feed(self, output):
        """Applies the complete lines of a writer's output; returns the count it opened with."""
        opened = None
        lines = output.split(b"\n")
        if not output.endswith(b"\n"):
            lines = lines[:-1]  # cut short by the kill
        for line in lines:
            if not line:
                continue
            parts = line.split(b"\t")
            if parts[0] == b"OPENED":
                opened = int(parts[1])
            elif parts[0] == b"BEGIN":
                self.pending = parts
            elif parts[0] == b"DONE":
                if self.pending is None or self.pending[1] != parts[1]:
                    raise TableError(f"DONE without its BEGIN: {line!r}")
                self._apply(self.pending, parts)
                self.pending = None
            elif parts[0] == b"ERROR":
                raise TableError(f"writer failed: {line!r}")
        return opened

    def candidates(self):
        """The record lists the file may hold: without and with the pending call."""
        results = [self.records]
        if self.pending is not None:
            kind = self.pending[1]
            if kind == b"A":
                values = dict(p.split(b"=", 1) for p in self.pending[2:])
                results.append(self.records + [
                    make_record(self.fields, b" " * self.record_length, values)])
            elif kind == b"U":
                number = int(self.pending[2])
                values = dict(p.split(b"=", 1) for p in self.pending[3:])
                if number <= len(self.records):
                    changed = list(self.records)
                    changed[number - 1] = make_record(self.fields, changed[number - 1], values)
                    results.append(changed)
            elif kind == b"P":
                results.append(purged(self.records, int(self.pending[3]), self.header_length,
                                      self.record_length))
        return results

    def settle(self, records):
        """Takes the file's records as the state, when they are one of the candidates."""
        for candidate in self.candidates():
            if records == candidate:
                self.records = list(records)
                self.pending = None
                return
        raise TableError(describe_difference(self.records, records))


def describe_difference(expected, found):
    if len(expected) != len(found):
        return f"the file holds {len(found)} records, the writer reported {len(expected)}"
    for number, (a, b) in enumerate(zip(expected, found), 1):
        if a != b:
            return f"record {number} differs:\n  reported {a!r}\n  in file  {b!r}"
    return "no difference"


def dbview_lines(dbview, path):
    out = subprocess.run([dbview, "-b", "-t", "-d", "|", path], check=True,
                         stdout=subprocess.PIPE).stdout
    return [line for line in out.split(b"\n") if line]


def expected_dbview_line(fields, record):
    parts = []
    at = 1
    for _, _, length, _ in fields:
        value = record[at:at + length]
        parts.append(value.split(b"\0")[0].strip(b" "))
        at += length
    return b"|".join(parts) + b"|"


def main():
    writer = sys.argv[1]
    dbview = sys.argv[2] if len(sys.argv) > 2 else shutil.which("dbview")
    name_origin_length = 37
    with tempfile.TemporaryDirectory(dir=os.environ.get("TMPDIR")) as work:
        path = os.path.join(work, "Alarm.DBF")
        replay = Replay(name_origin_length)
        total = 0
        for seed, events in ((11, 120), (12, 80)):  # the second run reopens the table
            run = subprocess.run([writer, path, str(seed), str(events), str(name_origin_length),
                                  "0", "0"], stdout=subprocess.PIPE, check=True, timeout=60)
            opened = replay.feed(run.stdout)
            if opened != total:
                raise TableError(f"reopened with {opened} records, expected {total}")
            total = len(replay.records)
        table = read_table(path)
        check_strict(table, name_origin_length)
        replay.settle(table["records"])
        if not any(b"\0" * 8 in r for r in table["records"]):
            raise TableError("no record with an empty date: the series does not cover it")
        if dbview:
            fields = layout(name_origin_length)[0]
            shown = dbview_lines(dbview, path)
            wanted = [expected_dbview_line(fields, r) for r in table["records"]]
            if shown != wanted:
                diff = next((i for i, (a, b) in enumerate(zip(wanted, shown)) if a != b),
                            min(len(wanted), len(shown)))
                raise TableError(f"dbview shows {len(shown)} records, {len(wanted)} expected; "
                                 f"first difference at record {diff + 1}: "
                                 f"{shown[diff] if diff < len(shown) else None!r} vs "
                                 f"{wanted[diff] if diff < len(wanted) else None!r}")
        else:
            print("dbview not found: its check skipped")
        print(f"ok: {len(table['records'])} records")


if __name__ == "__main__":
    try:
        main()
    except TableError as error:
        print(f"FAILED: {error}")
        sys.exit(1)
