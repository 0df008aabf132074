// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DateTimeFormat.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace runtime {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day numbers of 0001-01-01 and 9999-12-31.
constexpr std::int64_t kFirstDay = -693593;
constexpr std::int64_t kLastDay = 2958465;
// 1899-12-30 counted from 1970-01-01 is -25569.
constexpr std::int64_t kUnixDayOffset = 25569;

constexpr std::array<const char*, 12> kLongMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kLongDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

constexpr std::string_view kShortDateFormat = "dd/mm/yyyy";
constexpr std::string_view kLongDateFormat = "dddd d mmmm yyyy";
constexpr std::string_view kShortTimeFormat = "hh:nn";
constexpr std::string_view kLongTimeFormat = "hh:nn:ss";

// Days since 1970-01-01 of a proleptic Gregorian date (valid for any year).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra =
        yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

int DayOfWeekOfDay(std::int64_t day) {
    // Day 0 (1899-12-30) was a Saturday.
    return static_cast<int>(((day % 7 + 7) % 7 + 6) % 7) + 1;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Upper(text[at + i]) != Upper(word[i]))
            return false;
    }
    return true;
}

// Whether an am/pm specifier comes anywhere in `format` from `at` on (quoted text skipped): the
// hours then use the 12-hour clock.
bool AmPmFollows(std::string_view format, std::size_t at) {
    while (at < format.size()) {
        const char c = format[at];
        if (c == '\'' || c == '"') {
            const std::size_t close = format.find(c, at + 1);
            if (close == std::string_view::npos)
                return false;
            at = close + 1;
            continue;
        }
        if (StartsWithNoCase(format, at, "am/pm") || StartsWithNoCase(format, at, "a/p") ||
            StartsWithNoCase(format, at, "ampm"))
            return true;
        ++at;
    }
    return false;
}

class DateFormatter {
public:
    explicit DateFormatter(const CivilDateTime& when) : m_when(when) {}

    void Append(std::string_view format, int depth) {
        char lastToken = ' ';
        std::size_t i = 0;
        while (i < format.size()) {
            const char c = format[i];
            char token = Upper(c);
            if (IsLetter(c)) {
                if (token == 'M' && lastToken == 'H')
                    token = 'N';
                lastToken = token;
            }
            const std::size_t count = RunLength(format, i);
            switch (token) {
            case '\'':
            case '"': {
                const std::size_t close = format.find(c, i + 1);
                const std::size_t end = close == std::string_view::npos ? format.size() : close;
                m_out.append(format.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? format.size() : close + 1;
                continue;
            }
            case 'Y':
                if (count <= 2)
                    Number(m_when.year % 100, 2);
                else
                    Number(m_when.year, 4);
                break;
            case 'M':
                if (count == 1)
                    Number(m_when.month, 1);
                else if (count == 2)
                    Number(m_when.month, 2);
                else if (count == 3)
                    m_out.append(std::string_view(kLongMonthNames[Index(m_when.month)], 3));
                else
                    m_out.append(kLongMonthNames[Index(m_when.month)]);
                break;
            case 'D':
                if (count <= 2)
                    Number(m_when.day, static_cast<int>(count));
                else if (count == 3)
                    m_out.append(std::string_view(kLongDayNames[Index(m_when.dayOfWeek)], 3));
                else if (count == 4)
                    m_out.append(kLongDayNames[Index(m_when.dayOfWeek)]);
                else
                    Nested(count == 5 ? kShortDateFormat : kLongDateFormat, depth);
                break;
            case 'H': {
                int hour = m_when.hour;
                if (AmPmFollows(format, i + count)) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                Number(hour, count >= 2 ? 2 : 1);
                break;
            }
            case 'N':
                Number(m_when.minute, count >= 2 ? 2 : 1);
                break;
            case 'S':
                Number(m_when.second, count >= 2 ? 2 : 1);
                break;
            case 'Z':
                Number(m_when.millisecond, count >= 3 ? 3 : 1);
                break;
            case 'T':
                Nested(count >= 2 ? kLongTimeFormat : kShortTimeFormat, depth);
                break;
            case 'C':
                Nested(kShortDateFormat, depth);
                if (m_when.hour != 0 || m_when.minute != 0 || m_when.second != 0 ||
                    m_when.millisecond != 0) {
                    m_out.push_back(' ');
                    Nested(kLongTimeFormat, depth);
                }
                i += 1;
                continue;
            case 'A':
                i += AmPm(format, i);
                continue;
            default:
                // Separators of the fixed locale are "/" and ":"; everything else is copied.
                m_out.append(format.substr(i, count));
                break;
            }
            i += count;
        }
    }

    std::string Take() { return std::move(m_out); }

private:
    // How many times format[at] repeats from `at`, letters case-insensitively. Quotes, am/pm
    // and "c" are read character by character by their own cases.
    static std::size_t RunLength(std::string_view format, std::size_t at) {
        const char first = Upper(format[at]);
        std::size_t end = at + 1;
        while (end < format.size() && Upper(format[end]) == first)
            ++end;
        return end - at;
    }

    static std::size_t Index(int oneBased) {
        return static_cast<std::size_t>(oneBased - 1);
    }

    void Number(int value, int digits) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
        m_out.append(buffer);
    }

    void Nested(std::string_view format, int depth) {
        // The locale's formats contain no nested specifiers; the depth check keeps it so.
        if (depth < 2)
            Append(format, depth + 1);
    }

    // Writes an am/pm specifier at `at` and returns how many format characters it took; an "a"
    // that starts none is copied.
    std::size_t AmPm(std::string_view format, std::size_t at) {
        const bool afternoon = m_when.hour >= 12;
        if (StartsWithNoCase(format, at, "am/pm")) {
            m_out.append(format.substr(afternoon ? at + 3 : at, 2));
            return 5;
        }
        if (StartsWithNoCase(format, at, "a/p")) {
            m_out.push_back(format[afternoon ? at + 2 : at]);
            return 3;
        }
        if (StartsWithNoCase(format, at, "ampm")) {
            m_out.append(afternoon ? "PM" : "AM");
            return 4;
        }
        m_out.push_back(format[at]);
        return 1;
    }

    const CivilDateTime& m_when;
    std::string m_out;
};

// A small cursor over text being parsed.
struct TextCursor {
    std::string_view text;
    std::size_t at = 0;

    bool AtEnd() const { return at >= text.size(); }
    char Peek() const { return AtEnd() ? '\0' : text[at]; }
    void SkipBlanks() {
        while (!AtEnd() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    }
    // 1 to maxDigits decimal digits; nothing (and the cursor unmoved) when there is none.
    std::optional<int> Number(std::size_t maxDigits, std::size_t* digitsRead = nullptr) {
        std::size_t read = 0;
        int value = 0;
        while (!AtEnd() && IsDigit(text[at]) && read < maxDigits) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++read;
        }
        if (read == 0 || (!AtEnd() && IsDigit(text[at])))
            return std::nullopt;
        if (digitsRead)
            *digitsRead = read;
        return value;
    }
};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A date at the cursor; the cursor is left after it.
std::optional<std::int32_t> ReadDate(TextCursor& cursor) {
    const auto day = cursor.Number(2);
    if (!day)
        return std::nullopt;
    const char separator = cursor.Peek();
    if (separator != '/' && separator != '-' && separator != '.')
        return std::nullopt;
    ++cursor.at;
    const auto month = cursor.Number(2);
    if (!month || cursor.Peek() != separator)
        return std::nullopt;
    ++cursor.at;
    std::size_t yearDigits = 0;
    auto year = cursor.Number(4, &yearDigits);
    if (!year)
        return std::nullopt;
    // Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999.
    if (yearDigits <= 2)
        *year += *year < 50 ? 2000 : 1900;
    return EncodeDateValue(*year, *month, *day);
}

// A time at the cursor up to the end of the text.
std::optional<long double> ReadTime(TextCursor& cursor) {
    const auto hour = cursor.Number(2);
    if (!hour || cursor.Peek() != ':')
        return std::nullopt;
    ++cursor.at;
    const auto minute = cursor.Number(2);
    if (!minute)
        return std::nullopt;
    int second = 0;
    int millisecond = 0;
    if (cursor.Peek() == ':') {
        ++cursor.at;
        const auto read = cursor.Number(2);
        if (!read)
            return std::nullopt;
        second = *read;
        if (cursor.Peek() == '.') {
            ++cursor.at;
            std::size_t digits = 0;
            const auto fraction = cursor.Number(3, &digits);
            if (!fraction)
                return std::nullopt;
            millisecond = *fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
        }
    }
    int hours = *hour;
    cursor.SkipBlanks();
    if (!cursor.AtEnd()) {
        const std::string_view rest = cursor.text.substr(cursor.at);
        bool afternoon = false;
        if (StartsWithNoCase(rest, 0, "AM") && rest.size() == 2)
            afternoon = false;
        else if (StartsWithNoCase(rest, 0, "PM") && rest.size() == 2)
            afternoon = true;
        else if (rest.size() == 1 && (Upper(rest[0]) == 'A' || Upper(rest[0]) == 'P'))
            afternoon = Upper(rest[0]) == 'P';
        else
            return std::nullopt;
        if (hours < 1 || hours > 12)
            return std::nullopt;
        hours = hours % 12 + (afternoon ? 12 : 0);
        cursor.at = cursor.text.size();
    }
    return EncodeTimeValue(hours, *minute, second, millisecond);
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[static_cast<std::size_t>(month - 1)] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<std::int32_t> EncodeDateValue(int year, int month, int day) {
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<std::int32_t>(DaysFromCivil(year, month, day) + kUnixDayOffset);
}

std::optional<long double> EncodeTimeValue(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return std::nullopt;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<long double>(ms) / static_cast<long double>(kMsPerDay);
}

long double CombineDateTime(std::int32_t day, long double time) {
    return day < 0 ? static_cast<long double>(day) - time : static_cast<long double>(day) + time;
}

std::optional<CivilDateTime> DecodeDateTime(long double value) {
    if (!std::isfinite(value) || value <= static_cast<long double>(kFirstDay - 1) ||
        value >= static_cast<long double>(kLastDay + 1))
        return std::nullopt;
    const long double whole = std::trunc(value);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<long double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        // A time that rounds up to midnight is the start of the next day.
        ms -= kMsPerDay;
        day += 1;
    }
    if (day < kFirstDay || day > kLastDay)
        return std::nullopt;
    CivilDateTime when;
    CivilFromDays(day - kUnixDayOffset, when.year, when.month, when.day);
    when.hour = static_cast<int>(ms / 3600000);
    when.minute = static_cast<int>(ms / 60000 % 60);
    when.second = static_cast<int>(ms / 1000 % 60);
    when.millisecond = static_cast<int>(ms % 1000);
    when.dayOfWeek = DayOfWeekOfDay(day);
    return when;
}

std::int32_t DayOfWeekOf(long double value) {
    const auto when = DecodeDateTime(value);
    return when ? when->dayOfWeek : 0;
}

std::string FormatDateTimeText(std::string_view format, long double value) {
    const auto when = DecodeDateTime(value);
    if (!when)
        return {};
    DateFormatter formatter(*when);
    formatter.Append(format.empty() ? std::string_view("c") : format, 0);
    return formatter.Take();
}

std::string DateText(long double value) {
    return FormatDateTimeText(kShortDateFormat, value);
}

std::string TimeOfDayText(long double value) {
    return FormatDateTimeText(kLongTimeFormat, value);
}

std::string DateTimeText(long double value) {
    return FormatDateTimeText("dd/mm/yyyy hh:nn:ss", value);
}

std::optional<long double> ParseDateTimeText(std::string_view text) {
    TextCursor cursor{Trimmed(text)};
    if (cursor.text.empty())
        return std::nullopt;
    if (const auto day = ReadDate(cursor)) {
        if (cursor.AtEnd())
            return static_cast<long double>(*day);
        if (cursor.Peek() != ' ' && cursor.Peek() != '\t')
            return std::nullopt;
        cursor.SkipBlanks();
        const auto time = ReadTime(cursor);
        if (!time)
            return std::nullopt;
        return CombineDateTime(*day, *time);
    }
    cursor.at = 0;
    return ReadTime(cursor);
}

std::optional<long double> ParseTimeText(std::string_view text) {
    TextCursor cursor{Trimmed(text)};
    return ReadTime(cursor);
}

} // namespace runtime
