// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// Date-time values as unit code keeps them: a Real counting days since 1899-12-30, the fraction
// the time of day. Before 1899-12-30 the value is negative and the magnitude of its fraction is
// still the time of day (1899-12-29 12:00 is -1.5). The valid range is 0001-01-01 to
// 9999-12-31 23:59:59.999; values outside it, infinities and not-a-number are "no date".
//
// The fixed locale, the same on every machine: short date "dd/mm/yyyy", long date
// "dddd d mmmm yyyy", short time "hh:nn", long time "hh:nn:ss", date separator "/", time
// separator ":", English day and month names, "AM"/"PM". Everything here is pure and reentrant.

struct CivilDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0; // 1 = Sunday ... 7 = Saturday
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month); // 0 for a month outside 1..12

// The day number of a date, or nothing when the date does not exist (month 13, 30 February,
// year 0 or after 9999).
std::optional<std::int32_t> EncodeDateValue(int year, int month, int day);
// The fraction of a day of a time, or nothing when it does not exist (hour 24, minute 60,
// second 60, millisecond 1000).
std::optional<long double> EncodeTimeValue(int hour, int minute, int second, int millisecond);
// A day number and a time fraction joined into one value (the time counts backwards from a
// negative day number so that its fraction stays the time of day).
long double CombineDateTime(std::int32_t day, long double time);

// The calendar fields of a value, the time rounded to the millisecond; nothing outside the
// valid range.
std::optional<CivilDateTime> DecodeDateTime(long double value);

// 1 = Sunday ... 7 = Saturday; 0 for a value outside the valid range.
std::int32_t DayOfWeekOf(long double value);

// Formats a value with the classic date-time format specifiers (see docs/dates-and-numbers.md):
// c, d .. dddddd, m .. mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t, tt, am/pm, a/p, ampm,
// "/", ":" and quoted literals. An empty format is "c". A value outside the valid range gives
// the empty text.
std::string FormatDateTimeText(std::string_view format, long double value);

// Short date, long time and both ("dd/mm/yyyy hh:nn:ss"); empty for no date.
std::string DateText(long double value);
std::string TimeOfDayText(long double value);
std::string DateTimeText(long double value);

// Reads a date ("d/m/yyyy", "d/m/yy"; "/", "-" or "." as separator) optionally followed by a
// time, or a time alone ("h:n", "h:n:s", "h:n:s.zzz", optional "AM"/"PM"). Blanks around are
// ignored. Nothing for any other text or a date or time that does not exist.
std::optional<long double> ParseDateTimeText(std::string_view text);
// Reads a time alone; the value is the fraction of a day.
std::optional<long double> ParseTimeText(std::string_view text);

} // namespace runtime
