#!/usr/bin/env python3
# Quorva run-time. Licensed under the MIT licence.
"""Kills alarm_log_writer at random moments while it appends, updates and purges one table, and
checks after each kill that the table still reads, that its records are whole and that it holds
every event the writer reported as logged (the call it was in may or may not have landed). The
next run reopens the same table, repairing what the kill left, and must start from those records.

Usage: alarm_log_crash.py <alarm_log_writer> [kills] [seed]"""

import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbf_check  # noqa: E402

NAME_ORIGIN_LENGTH = 60


def wait_for_opening(out, process, limit=10.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline and process.poll() is None:
        # pread: the writer shares the file's offset, which must not move under it.
        if b"\n" in os.pread(out.fileno(), 64, 0):
            return
        time.sleep(0.002)


def main():
    writer = sys.argv[1]
    kills = int(sys.argv[2]) if len(sys.argv) > 2 else 80
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20240607
    rng = random.Random(seed)
    _, header_length, record_length = dbf_check.layout(NAME_ORIGIN_LENGTH)
    # Purges now and then: at 40 records down to the newest 15.
    trigger = header_length + 40 * record_length + 1
    keep = header_length + 15 * record_length + 1
    started = time.monotonic()
    killed_in = {"open": 0, "events": 0}
    repairs = 0
    with tempfile.TemporaryDirectory(dir=os.environ.get("TMPDIR")) as work:
        path = os.path.join(work, "Alarm.DBF")
        replay = dbf_check.Replay(NAME_ORIGIN_LENGTH)
        for run in range(kills):
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                process = subprocess.Popen(
                    [writer, path, str(seed + run), "-1", str(NAME_ORIGIN_LENGTH), str(trigger),
                     str(keep)], stdout=out, stderr=err)
                # One kill in three aims at the opening (and its repair); the others are timed
                # from the opening, so that slow (sanitizer) builds too are killed among events.
                if run % 3 == 0:
                    time.sleep(rng.uniform(0.0, 0.006))
                else:
                    wait_for_opening(out, process)
                    time.sleep(rng.uniform(0.0, 0.1))
                process.send_signal(signal.SIGKILL)
                process.wait()
                out.seek(0)
                output = out.read()
                err.seek(0)
                repairs += err.read().count(b"removed (a record cut short")
            expected_open = len(replay.records)
            try:
                opened = replay.feed(output)
                if opened is None:
                    killed_in["open"] += 1
                else:
                    killed_in["events"] += 1
                    if opened != expected_open:
                        raise dbf_check.TableError(
                            f"reopened with {opened} records, {expected_open} expected")
                # The table as the kill left it: readable by its count, records whole. Only a
                # kill before the first table was made may leave none.
                if os.path.exists(path) or replay.records or opened is not None:
                    table = dbf_check.read_table(path)
                    replay.settle(table["records"])
            except dbf_check.TableError as error:
                print(f"FAILED after kill {run + 1} (seed {seed}): {error}")
                print(output.decode("latin-1")[-2000:])
                return 1
        # A last clean run repairs what the last kill left and must leave a sound table.
        final = subprocess.run([writer, path, "1", "0", str(NAME_ORIGIN_LENGTH), "0", "0"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True,
                               timeout=30)
        try:
            if replay.feed(final.stdout) != len(replay.records):
                raise dbf_check.TableError("the final reopening lost records")
            table = dbf_check.read_table(path)
            dbf_check.check_strict(table, NAME_ORIGIN_LENGTH)
            replay.settle(table["records"])
        except dbf_check.TableError as error:
            print(f"FAILED at the final reopening: {error}")
            return 1
        leftovers = [n for n in os.listdir(work) if n != "Alarm.DBF"]
        if leftovers:
            print(f"FAILED: unexpected files {leftovers}")
            return 1
    print(f"ok: {kills} kills ({killed_in['open']} before the table was open), {repairs} "
          f"uncounted records cut at reopening, {replay.purges} purges, "
          f"{len(replay.records)} records at the end, {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
