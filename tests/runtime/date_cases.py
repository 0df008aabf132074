#!/usr/bin/env python3
# Quorva run-time. Licensed under the MIT licence.
# Produced the DateCase table of DateFunctionsTest.cpp (run once, output pasted there): the
# date-time value, the day of the week (1 = Sunday) and the "dd/mm/yyyy hh:nn:ss" text of each
# date and time, worked out with Python's datetime independently of the run-time's calendar.
# Dates that do not exist are listed with the value 0, the day 0 and no text.
import datetime
from fractions import Fraction

DAY_ZERO = datetime.date(1899, 12, 30)

CASES = [
    # around day zero and before it
    (1899, 12, 30, 0, 0, 0, 0), (1899, 12, 30, 12, 0, 0, 0), (1899, 12, 31, 0, 0, 0, 0),
    (1899, 12, 29, 12, 0, 0, 0), (1899, 12, 29, 0, 0, 0, 0), (1899, 12, 29, 23, 59, 59, 999),
    (1899, 1, 1, 6, 0, 0, 0), (1800, 3, 1, 18, 30, 0, 0), (1752, 9, 14, 0, 0, 0, 0),
    (1600, 2, 29, 9, 15, 30, 250), (1000, 7, 4, 0, 0, 0, 0), (1, 1, 1, 0, 0, 0, 0),
    (1, 1, 1, 23, 59, 59, 999), (100, 2, 28, 0, 0, 0, 0),
    # the 100- and 400-year rules
    (1900, 1, 1, 0, 0, 0, 0), (1900, 2, 28, 0, 0, 0, 0), (1900, 3, 1, 0, 0, 0, 0),
    (2000, 2, 28, 0, 0, 0, 0), (2000, 2, 29, 0, 0, 0, 0), (2000, 3, 1, 0, 0, 0, 0),
    (2100, 2, 28, 0, 0, 0, 0), (2100, 3, 1, 0, 0, 0, 0), (2400, 2, 29, 0, 0, 0, 0),
    (1996, 2, 29, 12, 0, 0, 0), (2023, 2, 28, 0, 0, 0, 0), (2024, 2, 29, 7, 30, 0, 0),
    (2024, 12, 31, 0, 0, 0, 0), (2025, 1, 1, 0, 0, 0, 0), (1970, 1, 1, 0, 0, 0, 0),
    # midnight and the last millisecond of a day
    (2024, 6, 15, 0, 0, 0, 0), (2024, 6, 15, 23, 59, 59, 999), (2024, 6, 15, 0, 0, 0, 1),
    (2024, 6, 15, 12, 0, 0, 0), (2024, 6, 15, 13, 45, 7, 89), (1999, 12, 31, 23, 59, 59, 999),
    (2038, 1, 19, 3, 14, 8, 0), (9999, 12, 31, 23, 59, 59, 999), (9999, 1, 1, 0, 0, 0, 0),
    # each month's last day in a common and a leap year
    (2023, 1, 31, 1, 2, 3, 4), (2023, 4, 30, 0, 0, 0, 0), (2023, 6, 30, 0, 0, 0, 0),
    (2023, 9, 30, 0, 0, 0, 0), (2023, 11, 30, 0, 0, 0, 0), (2024, 7, 31, 0, 0, 0, 0),
    (2024, 8, 31, 0, 0, 0, 0), (2024, 10, 31, 0, 0, 0, 0), (2024, 5, 31, 0, 0, 0, 0),
    # a week of days
    (2024, 3, 3, 0, 0, 0, 0), (2024, 3, 4, 0, 0, 0, 0), (2024, 3, 5, 0, 0, 0, 0),
    (2024, 3, 6, 0, 0, 0, 0), (2024, 3, 7, 0, 0, 0, 0), (2024, 3, 8, 0, 0, 0, 0),
    (2024, 3, 9, 0, 0, 0, 0),
    # dates that do not exist
    (2023, 2, 29, 0, 0, 0, 0), (1900, 2, 29, 0, 0, 0, 0), (2100, 2, 29, 0, 0, 0, 0),
    (2024, 2, 30, 0, 0, 0, 0), (2024, 4, 31, 0, 0, 0, 0), (2024, 13, 1, 0, 0, 0, 0),
    (2024, 0, 1, 0, 0, 0, 0), (2024, 1, 0, 0, 0, 0, 0), (2024, 1, 32, 0, 0, 0, 0),
    (0, 1, 1, 0, 0, 0, 0), (10000, 1, 1, 0, 0, 0, 0),
]


def row(year, month, day, hour, minute, second, ms):
    try:
        date = datetime.date(year, month, day)
    except ValueError:
        return f"    {{{year}, {month}, {day}, {hour}, {minute}, {second}, {ms}, 0.0L, 0, \"\"}},"
    days = (date - DAY_ZERO).days
    time = Fraction(((hour * 60 + minute) * 60 + second) * 1000 + ms, 86400000)
    value = days + time if days >= 0 else days - time
    dow = date.isoweekday() % 7 + 1
    text = f"{day:02d}/{month:02d}/{year:04d} {hour:02d}:{minute:02d}:{second:02d}"
    literal = f"{float(value):.17g}"
    literal += "L" if ("." in literal or "e" in literal) else ".0L"
    return (f"    {{{year}, {month}, {day}, {hour}, {minute}, {second}, {ms}, {literal}, {dow}, "
            f"\"{text}\"}},")


for case in CASES:
    print(row(*case))
