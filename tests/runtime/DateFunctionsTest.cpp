// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DateFunctions.h"

#include "DateCallerRig.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/DateTimeFormat.h"
#include "runtime/FloatFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using runtime::FormatDateTimeText;
using runtime::FormatFloatText;

// One calendar case, worked out independently by tests/runtime/date_cases.py: the fields, the
// date-time value, the day of the week and the date-time text; a date that does not exist has
// the value 0, the day 0 and no text.
struct DateCase {
    int year, month, day, hour, minute, second, millisecond;
    long double value;
    int dayOfWeek;
    const char* text;
};

constexpr DateCase kDateCases[] = {
    {1899, 12, 30, 0, 0, 0, 0, 0.0L, 7, "30/12/1899 00:00:00"},
    {1899, 12, 30, 12, 0, 0, 0, 0.5L, 7, "30/12/1899 12:00:00"},
    {1899, 12, 31, 0, 0, 0, 0, 1.0L, 1, "31/12/1899 00:00:00"},
    {1899, 12, 29, 12, 0, 0, 0, -1.5L, 6, "29/12/1899 12:00:00"},
    {1899, 12, 29, 0, 0, 0, 0, -1.0L, 6, "29/12/1899 00:00:00"},
    {1899, 12, 29, 23, 59, 59, 999, -1.9999999884259259L, 6, "29/12/1899 23:59:59"},
    {1899, 1, 1, 6, 0, 0, 0, -363.25L, 1, "01/01/1899 06:00:00"},
    {1800, 3, 1, 18, 30, 0, 0, -36463.770833333336L, 7, "01/03/1800 18:30:00"},
    {1752, 9, 14, 0, 0, 0, 0, -53797.0L, 5, "14/09/1752 00:00:00"},
    {1600, 2, 29, 9, 15, 30, 250, -109512.3857667824L, 3, "29/02/1600 09:15:30"},
    {1000, 7, 4, 0, 0, 0, 0, -328532.0L, 6, "04/07/1000 00:00:00"},
    {1, 1, 1, 0, 0, 0, 0, -693593.0L, 2, "01/01/0001 00:00:00"},
    {1, 1, 1, 23, 59, 59, 999, -693593.99999998847L, 2, "01/01/0001 23:59:59"},
    {100, 2, 28, 0, 0, 0, 0, -657376.0L, 1, "28/02/0100 00:00:00"},
    {1900, 1, 1, 0, 0, 0, 0, 2.0L, 2, "01/01/1900 00:00:00"},
    {1900, 2, 28, 0, 0, 0, 0, 60.0L, 4, "28/02/1900 00:00:00"},
    {1900, 3, 1, 0, 0, 0, 0, 61.0L, 5, "01/03/1900 00:00:00"},
    {2000, 2, 28, 0, 0, 0, 0, 36584.0L, 2, "28/02/2000 00:00:00"},
    {2000, 2, 29, 0, 0, 0, 0, 36585.0L, 3, "29/02/2000 00:00:00"},
    {2000, 3, 1, 0, 0, 0, 0, 36586.0L, 4, "01/03/2000 00:00:00"},
    {2100, 2, 28, 0, 0, 0, 0, 73109.0L, 1, "28/02/2100 00:00:00"},
    {2100, 3, 1, 0, 0, 0, 0, 73110.0L, 2, "01/03/2100 00:00:00"},
    {2400, 2, 29, 0, 0, 0, 0, 182682.0L, 3, "29/02/2400 00:00:00"},
    {1996, 2, 29, 12, 0, 0, 0, 35124.5L, 5, "29/02/1996 12:00:00"},
    {2023, 2, 28, 0, 0, 0, 0, 44985.0L, 3, "28/02/2023 00:00:00"},
    {2024, 2, 29, 7, 30, 0, 0, 45351.3125L, 5, "29/02/2024 07:30:00"},
    {2024, 12, 31, 0, 0, 0, 0, 45657.0L, 3, "31/12/2024 00:00:00"},
    {2025, 1, 1, 0, 0, 0, 0, 45658.0L, 4, "01/01/2025 00:00:00"},
    {1970, 1, 1, 0, 0, 0, 0, 25569.0L, 5, "01/01/1970 00:00:00"},
    {2024, 6, 15, 0, 0, 0, 0, 45458.0L, 7, "15/06/2024 00:00:00"},
    {2024, 6, 15, 23, 59, 59, 999, 45458.999999988424L, 7, "15/06/2024 23:59:59"},
    {2024, 6, 15, 0, 0, 0, 1, 45458.000000011576L, 7, "15/06/2024 00:00:00"},
    {2024, 6, 15, 12, 0, 0, 0, 45458.5L, 7, "15/06/2024 12:00:00"},
    {2024, 6, 15, 13, 45, 7, 89, 45458.572998715281L, 7, "15/06/2024 13:45:07"},
    {1999, 12, 31, 23, 59, 59, 999, 36525.999999988424L, 6, "31/12/1999 23:59:59"},
    {2038, 1, 19, 3, 14, 8, 0, 50424.134814814817L, 3, "19/01/2038 03:14:08"},
    {9999, 12, 31, 23, 59, 59, 999, 2958465.9999999884L, 6, "31/12/9999 23:59:59"},
    {9999, 1, 1, 0, 0, 0, 0, 2958101.0L, 6, "01/01/9999 00:00:00"},
    {2023, 1, 31, 1, 2, 3, 4, 44957.043090324078L, 3, "31/01/2023 01:02:03"},
    {2023, 4, 30, 0, 0, 0, 0, 45046.0L, 1, "30/04/2023 00:00:00"},
    {2023, 6, 30, 0, 0, 0, 0, 45107.0L, 6, "30/06/2023 00:00:00"},
    {2023, 9, 30, 0, 0, 0, 0, 45199.0L, 7, "30/09/2023 00:00:00"},
    {2023, 11, 30, 0, 0, 0, 0, 45260.0L, 5, "30/11/2023 00:00:00"},
    {2024, 7, 31, 0, 0, 0, 0, 45504.0L, 4, "31/07/2024 00:00:00"},
    {2024, 8, 31, 0, 0, 0, 0, 45535.0L, 7, "31/08/2024 00:00:00"},
    {2024, 10, 31, 0, 0, 0, 0, 45596.0L, 5, "31/10/2024 00:00:00"},
    {2024, 5, 31, 0, 0, 0, 0, 45443.0L, 6, "31/05/2024 00:00:00"},
    {2024, 3, 3, 0, 0, 0, 0, 45354.0L, 1, "03/03/2024 00:00:00"},
    {2024, 3, 4, 0, 0, 0, 0, 45355.0L, 2, "04/03/2024 00:00:00"},
    {2024, 3, 5, 0, 0, 0, 0, 45356.0L, 3, "05/03/2024 00:00:00"},
    {2024, 3, 6, 0, 0, 0, 0, 45357.0L, 4, "06/03/2024 00:00:00"},
    {2024, 3, 7, 0, 0, 0, 0, 45358.0L, 5, "07/03/2024 00:00:00"},
    {2024, 3, 8, 0, 0, 0, 0, 45359.0L, 6, "08/03/2024 00:00:00"},
    {2024, 3, 9, 0, 0, 0, 0, 45360.0L, 7, "09/03/2024 00:00:00"},
    {2023, 2, 29, 0, 0, 0, 0, 0.0L, 0, ""},
    {1900, 2, 29, 0, 0, 0, 0, 0.0L, 0, ""},
    {2100, 2, 29, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 2, 30, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 4, 31, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 13, 1, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 0, 1, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 1, 0, 0, 0, 0, 0, 0.0L, 0, ""},
    {2024, 1, 32, 0, 0, 0, 0, 0.0L, 0, ""},
    {0, 1, 1, 0, 0, 0, 0, 0.0L, 0, ""},
    {10000, 1, 1, 0, 0, 0, 0, 0.0L, 0, ""},
};

// 2024-03-05 (a Tuesday) 14:07:09.045.
long double DateSampleValue() {
    return runtime::CombineDateTime(*runtime::EncodeDateValue(2024, 3, 5),
                                    *runtime::EncodeTimeValue(14, 7, 9, 45));
}

long double DateAt(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return runtime::CombineDateTime(*runtime::EncodeDateValue(year, month, day),
                                    *runtime::EncodeTimeValue(hour, minute, second, 0));
}

TEST(DateFunctions, CalendarMatchesIndependentTable) {
    for (const DateCase& c : kDateCases) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                     std::to_string(c.day) + " " + std::to_string(c.hour) + ":" +
                     std::to_string(c.minute) + ":" + std::to_string(c.second) + "." +
                     std::to_string(c.millisecond));
        const auto day = runtime::EncodeDateValue(c.year, c.month, c.day);
        if (c.dayOfWeek == 0) {
            EXPECT_FALSE(day.has_value());
            continue;
        }
        ASSERT_TRUE(day.has_value());
        const auto time = runtime::EncodeTimeValue(c.hour, c.minute, c.second, c.millisecond);
        ASSERT_TRUE(time.has_value());
        const long double value = runtime::CombineDateTime(*day, *time);
        EXPECT_NEAR(static_cast<double>(value), static_cast<double>(c.value), 1e-9);

        // Decoding the table's value gives the fields back to the millisecond.
        const auto decoded = runtime::DecodeDateTime(c.value);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->year, c.year);
        EXPECT_EQ(decoded->month, c.month);
        EXPECT_EQ(decoded->day, c.day);
        EXPECT_EQ(decoded->hour, c.hour);
        EXPECT_EQ(decoded->minute, c.minute);
        EXPECT_EQ(decoded->second, c.second);
        EXPECT_EQ(decoded->millisecond, c.millisecond);
        EXPECT_EQ(runtime::DayOfWeekOf(c.value), c.dayOfWeek);
        EXPECT_EQ(runtime::DateTimeText(c.value), c.text);

        // The text reads back to the value without its milliseconds.
        const auto parsed = runtime::ParseDateTimeText(c.text);
        ASSERT_TRUE(parsed.has_value());
        const long double withoutMs =
            runtime::CombineDateTime(*day, *runtime::EncodeTimeValue(c.hour, c.minute, c.second, 0));
        EXPECT_NEAR(static_cast<double>(*parsed), static_cast<double>(withoutMs), 1e-9);
    }
}

TEST(DateFunctions, ImpossibleTimesAndValuesOutsideTheCalendar) {
    EXPECT_FALSE(runtime::EncodeTimeValue(24, 0, 0, 0));
    EXPECT_FALSE(runtime::EncodeTimeValue(23, 60, 0, 0));
    EXPECT_FALSE(runtime::EncodeTimeValue(23, 59, 60, 0));
    EXPECT_FALSE(runtime::EncodeTimeValue(23, 59, 59, 1000));
    EXPECT_FALSE(runtime::EncodeTimeValue(-1, 0, 0, 0));
    EXPECT_EQ(runtime::EncodeTimeValue(0, 0, 0, 0), 0.0L);

    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    for (long double bad : {nan, inf, -inf, 2958466.0L, -693594.0L, 1e30L, -1e30L}) {
        EXPECT_FALSE(runtime::DecodeDateTime(bad));
        EXPECT_EQ(runtime::DayOfWeekOf(bad), 0);
        EXPECT_EQ(FormatDateTimeText("dd/mm/yyyy", bad), "");
        EXPECT_EQ(runtime::DateText(bad), "");
        EXPECT_EQ(runtime::TimeOfDayText(bad), "");
    }
    // A time that rounds up to 24:00 is midnight of the next day, on both sides of day 0.
    EXPECT_EQ(runtime::DateTimeText(0.9999999999L), "31/12/1899 00:00:00");
    EXPECT_EQ(runtime::DateTimeText(-1.9999999999L), "30/12/1899 00:00:00");
    EXPECT_EQ(runtime::DateTimeText(2958465.9999999999L), "");
    // Before day 0 the fraction's magnitude is the time of day.
    EXPECT_EQ(runtime::DateTimeText(-2.25L), "28/12/1899 06:00:00");
    EXPECT_EQ(runtime::TimeOfDayText(-2.25L), "06:00:00");
    EXPECT_EQ(runtime::DateText(-2.25L), "28/12/1899");
}

TEST(DateFunctions, FormatSpecifiers) {
    const long double when = DateSampleValue();
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"d", "5"}, {"dd", "05"}, {"ddd", "Tue"}, {"dddd", "Tuesday"}, {"ddddd", "05/03/2024"},
        {"dddddd", "Tuesday 5 March 2024"}, {"m", "3"}, {"mm", "03"}, {"mmm", "Mar"},
        {"mmmm", "March"}, {"yy", "24"}, {"yyyy", "2024"}, {"h", "14"}, {"hh", "14"},
        {"n", "7"}, {"nn", "07"}, {"s", "9"}, {"ss", "09"}, {"z", "45"}, {"zzz", "045"},
        {"t", "14:07"}, {"tt", "14:07:09"}, {"c", "05/03/2024 14:07:09"},
        {"", "05/03/2024 14:07:09"},
        // "m" right after an hour is minutes, even across separators; elsewhere the month
        {"h:m", "14:7"}, {"hh:mm", "14:07"}, {"hh mm", "14 07"}, {"mm/dd hh:mm", "03/05 14:07"},
        {"DD/MM/YYYY", "05/03/2024"},
        // 12-hour clock when an am/pm specifier follows; the case of am/pm and a/p is kept
        {"h am/pm", "2 pm"}, {"hh AM/PM", "02 PM"}, {"h:nn a/p", "2:07 p"},
        {"h:nn A/P", "2:07 P"}, {"h ampm", "2 PM"}, {"h 'am/pm'", "14 am/pm"},
        // literals
        {"'Day' d \"of\" mmmm", "Day 5 of March"}, {"yyyy-mm-dd\"T\"hh:nn:ss", "2024-03-05T14:07:09"},
        {"d 'dd mm", "5 dd mm"}, {"[d] x", "[5] x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTimeText(c.format, when), c.expected) << "format " << c.format;

    EXPECT_EQ(FormatDateTimeText("c", DateAt(2024, 3, 5)), "05/03/2024");
    EXPECT_EQ(FormatDateTimeText("h:nn am/pm", DateAt(2024, 3, 5, 0, 30)), "12:30 am");
    EXPECT_EQ(FormatDateTimeText("h:nn am/pm", DateAt(2024, 3, 5, 12, 0)), "12:00 pm");
    EXPECT_EQ(FormatDateTimeText("yy", DateAt(1905, 1, 1)), "05");
    EXPECT_EQ(FormatDateTimeText("yyyy", DateAt(5, 1, 1)), "0005");
    // A result longer than a String is cut by the caller's String, not here.
    EXPECT_EQ(FormatDateTimeText(std::string(60, 'c'), when).size(), 60u * 19u);
}

TEST(DateFunctions, ParsesDatesAndTimesBack) {
    const long double day = DateAt(2024, 3, 5);
    const auto parses = [](const char* text) { return runtime::ParseDateTimeText(text); };
    EXPECT_EQ(parses("05/03/2024"), day);
    EXPECT_EQ(parses("5/3/24"), day);
    EXPECT_EQ(parses("5-3-2024"), day);
    EXPECT_EQ(parses(" 05.03.2024 "), day);
    EXPECT_EQ(parses("1/1/99"), DateAt(1999, 1, 1));
    EXPECT_EQ(parses("1/1/0099"), DateAt(99, 1, 1));
    EXPECT_NEAR(static_cast<double>(*parses("05/03/2024 14:07:09")),
                static_cast<double>(DateAt(2024, 3, 5, 14, 7, 9)), 1e-9);
    EXPECT_NEAR(static_cast<double>(*parses("29/12/1899 12:00")), -1.5, 1e-12);
    EXPECT_EQ(parses("14:07"), runtime::EncodeTimeValue(14, 7, 0, 0));
    EXPECT_EQ(parses("2:07 PM"), runtime::EncodeTimeValue(14, 7, 0, 0));
    EXPECT_EQ(parses("12:00 am"), runtime::EncodeTimeValue(0, 0, 0, 0));
    EXPECT_EQ(parses("12:00 p"), runtime::EncodeTimeValue(12, 0, 0, 0));
    EXPECT_EQ(runtime::ParseTimeText(" 14:07:09.5 "), runtime::EncodeTimeValue(14, 7, 9, 500));
    EXPECT_EQ(runtime::ParseTimeText("23:59:59.999"), runtime::EncodeTimeValue(23, 59, 59, 999));

    for (const char* bad : {"", "   ", "abc", "31/02/2024", "29/02/2100", "05/03", "05/03/2024x",
                            "05/03/2024 x", "05/13/2024", "5/3-2024", "123/1/2024", "24:00",
                            "12:60", "12:00:60", "13:00 PM", "0:30 AM", "12:00 xm", "1:2:3:4",
                            "12:00:00.1234", "10000/1/1", "-1/1/2024"}) {
        EXPECT_FALSE(parses(bad)) << bad;
        EXPECT_FALSE(runtime::ParseTimeText(bad)) << bad;
    }
    // A time reader does not take dates.
    EXPECT_FALSE(runtime::ParseTimeText("05/03/2024"));
    EXPECT_FALSE(runtime::ParseTimeText("05/03/2024 10:00"));
}

TEST(FormatFloat, PlaceholdersSeparatorsAndRounding) {
    const struct {
        const char* format;
        long double value;
        const char* expected;
    } cases[] = {
        {"0", 0, "0"}, {"#", 0, ""}, {"0.00", 1234.5L, "1234.50"},
        {"#,##0.00", 1234567.891L, "1,234,567.89"}, {"#,##0", -1234, "-1,234"},
        {"#,##0", 123, "123"}, {"#,##0", 123456, "123,456"}, {"0.##", 1.5L, "1.5"},
        {"0.##", 1, "1"}, {"#.##", 0.5L, ".5"}, {"000", 7, "007"}, {"00.0", 0.25L, "00.3"},
        {".00", 12.5L, "12.50"}, {"0", 123456, "123456"},
        // half away from zero on the decimal digits, not the binary value
        {"0.00", 2.675L, "2.68"}, {"0", 2.5L, "3"}, {"0", -2.5L, "-3"}, {"0.0", 0.05L, "0.1"},
        {"0", 999.5L, "1000"}, {"#,##0", 999.5L, "1,000"}, {"0.000", 1e-10L, "0.000"},
        {"0.00", -0.001L, "0.00"}, {"0", 0.4L, "0"},
        // literals in place
        {"0.0 'kg'", 12.34L, "12.3 kg"}, {"\"$\"#,##0.00", -5, "-$5.00"},
        {"000-000", 1234, "001-234"}, {"'#'0", 5, "#5"}, {"0 \"a;b\"", 1, "1 a;b"},
        {"'text'", 42, "text"},
        // sections: positive; negative; zero
        {"0.00;(0.00);'zero'", 1.5L, "1.50"}, {"0.00;(0.00);'zero'", -1.5L, "(1.50)"},
        {"0.00;(0.00);'zero'", 0, "zero"}, {"0.00;;'zero'", -1.5L, "-1.50"},
        {"0.0;-0.0;'nil'", 0.04L, "nil"}, {"0.00;(0.00)", 0, "0.00"},
        {"0.00;(0.00)", -0.001L, "0.00"}, {"0.00;(0.00);'zero'", -0.001L, "zero"},
        // scientific
        {"0.00E+00", 12345, "1.23E+04"}, {"0.00E-00", 12345, "1.23E04"},
        {"0.00e-00", 0.00012345L, "1.23e-04"}, {"0.###E+0", 0, "0E+0"},
        {"00.0E+000", 123456, "12.3E+004"}, {"0.00E+00", 9.999L, "1.00E+01"},
        {"0E+0", -5e300L, "-5E+300"}, {"0.00E+00", 1.5e4000L, "1.50E+4000"},
        {".00E+00", 123, ".12E+03"},
        // specials
        {"0.00", std::numeric_limits<long double>::quiet_NaN(), "NAN"},
        {"0.00", std::numeric_limits<long double>::infinity(), "INF"},
        {"0.00", -std::numeric_limits<long double>::infinity(), "-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloatText(c.format, c.value), c.expected)
            << "format " << c.format << " value " << static_cast<double>(c.value);

    // No format, or a number too long for a picture, gives the general format.
    EXPECT_EQ(FormatFloatText("", 1.5L), runtime::RealToText(1.5L, '.').Str());
    EXPECT_EQ(FormatFloatText("#,##0", 1e20L), runtime::RealToText(1e20L, '.').Str());
    EXPECT_EQ(FormatFloatText(";(0)", 2), runtime::RealToText(2, '.').Str());
    // A picture of 255 placeholders neither overruns nor loses digits.
    const std::string wide = "0." + std::string(253, '#');
    EXPECT_EQ(FormatFloatText(wide, 0.125L), "0.125");
    EXPECT_EQ(FormatFloatText(std::string(255, '0'), 1).size(), 255u);
}

TEST(DateFunctions, CalledFromUnitCode) {
    auto created = testsupport::DateCallerRig::Create(QUORVA_DATE_CALLER_UNIT);
    ASSERT_TRUE(created) << created.Error();
    auto& rig = *created.Value();

    rig.SetString("SFMT", "dddd dd/mm/yyyy hh:nn:ss.zzz");
    rig.SetReal("RVAL", DateSampleValue());
    ASSERT_TRUE(rig.Run("DOFORMATDATETIME"));
    EXPECT_EQ(rig.GetString("SOUT"), "Tuesday 05/03/2024 14:07:09.045");

    rig.SetString("SFMT", "#,##0.00;(#,##0.00)");
    rig.SetReal("RVAL", -1234567.125L);
    ASSERT_TRUE(rig.Run("DOFORMATFLOAT"));
    EXPECT_EQ(rig.GetString("SOUT"), "(1,234,567.13)");

    // A result longer than a String is cut to 255 characters in the caller's buffer.
    rig.SetString("SFMT", std::string(40, 'c'));
    rig.SetReal("RVAL", DateSampleValue());
    ASSERT_TRUE(rig.Run("DOFORMATDATETIME"));
    EXPECT_EQ(rig.GetString("SOUT").size(), 255u);
    EXPECT_TRUE(rig.GuardIntact());

    const auto encodeDate = [&](std::uint16_t y, std::uint16_t m, std::uint16_t d) {
        rig.Set<std::uint16_t>("W1", y);
        rig.Set<std::uint16_t>("W2", m);
        rig.Set<std::uint16_t>("W3", d);
        rig.SetReal("RRES", -99);
        EXPECT_TRUE(rig.Run("DOENCODEDATE"));
        return rig.GetReal("RRES");
    };
    EXPECT_EQ(encodeDate(2000, 2, 29), 36585.0L);
    EXPECT_EQ(encodeDate(1899, 12, 29), -1.0L);
    EXPECT_EQ(encodeDate(1900, 2, 29), 0.0L);
    EXPECT_EQ(encodeDate(2024, 13, 1), 0.0L);
    EXPECT_EQ(encodeDate(65535, 65535, 65535), 0.0L);

    rig.Set<std::uint16_t>("W1", 23);
    rig.Set<std::uint16_t>("W2", 59);
    rig.Set<std::uint16_t>("W3", 59);
    rig.Set<std::uint16_t>("W4", 999);
    ASSERT_TRUE(rig.Run("DOENCODETIME"));
    EXPECT_EQ(rig.GetReal("RRES"), 86399999.0L / 86400000.0L);
    rig.Set<std::uint16_t>("W1", 24);
    ASSERT_TRUE(rig.Run("DOENCODETIME"));
    EXPECT_EQ(rig.GetReal("RRES"), 0.0L);

    rig.SetReal("RVAL", DateSampleValue());
    ASSERT_TRUE(rig.Run("DODAYOFWEEK"));
    EXPECT_EQ(rig.Get<std::int32_t>("IRES"), 3);
    rig.SetReal("RVAL", std::numeric_limits<long double>::quiet_NaN());
    ASSERT_TRUE(rig.Run("DODAYOFWEEK"));
    EXPECT_EQ(rig.Get<std::int32_t>("IRES"), 0);

    rig.SetString("SIN", "29/12/1899 12:00:00");
    ASSERT_TRUE(rig.Run("DOSTRTODATETIME"));
    EXPECT_EQ(rig.GetReal("RRES"), -1.5L);
    rig.SetString("SIN", "not a date");
    ASSERT_TRUE(rig.Run("DOSTRTODATETIME"));
    EXPECT_EQ(rig.GetReal("RRES"), 0.0L);

    rig.SetReal("RVAL", -1.5L);
    ASSERT_TRUE(rig.Run("DODATETIMETOSTR"));
    EXPECT_EQ(rig.GetString("SOUT"), "29/12/1899 12:00:00");

    const long double before = runtime::LocalDateTimeValue(std::chrono::system_clock::now());
    ASSERT_TRUE(rig.Run("DONOW"));
    const long double after = runtime::LocalDateTimeValue(std::chrono::system_clock::now());
    EXPECT_GE(rig.GetReal("RRES"), before);
    EXPECT_LE(rig.GetReal("RRES"), after);
    EXPECT_GT(rig.GetReal("RRES"), 45000.0L); // after 2023
    EXPECT_TRUE(rig.GuardIntact());
}

} // namespace
