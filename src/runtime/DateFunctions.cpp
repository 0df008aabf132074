// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DateFunctions.h"

#include "runtime/DateTimeFormat.h"
#include "runtime/FloatFormat.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"

#include <algorithm>
#include <ctime>

namespace runtime {

namespace {

long double StrToDateTime(ShortString text) {
    return ParseDateTimeText(text.View()).value_or(0);
}

long double StrToTime(ShortString text) {
    return ParseTimeText(text.View()).value_or(0);
}

ShortString DateTimeToStr(long double value) {
    return ShortString(DateTimeText(value));
}

ShortString DateToStr(long double value) {
    return ShortString(DateText(value));
}

ShortString TimeToStr(long double value) {
    return ShortString(TimeOfDayText(value));
}

ShortString FormatDateTime(ShortString format, long double value) {
    return ShortString(FormatDateTimeText(format.View(), value));
}

std::int32_t DayOfWeek(long double value) {
    return DayOfWeekOf(value);
}

long double EncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    return static_cast<long double>(EncodeDateValue(year, month, day).value_or(0));
}

long double EncodeTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                       std::uint16_t millisecond) {
    return EncodeTimeValue(hour, minute, second, millisecond).value_or(0);
}

long double Now() {
    return LocalDateTimeValue(std::chrono::system_clock::now());
}

ShortString FormatFloat(ShortString format, long double value) {
    return ShortString(FormatFloatText(format.View(), value));
}

} // namespace

long double LocalDateTimeValue(std::chrono::system_clock::time_point when) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const auto seconds = static_cast<std::time_t>(sinceEpoch / 1000 - (sinceEpoch % 1000 < 0));
    const auto millisecond = static_cast<int>((sinceEpoch % 1000 + 1000) % 1000);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return 0;
    const auto day = EncodeDateValue(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    // A leap second shows as the last millisecond of its minute.
    const auto time = EncodeTimeValue(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                                      local.tm_sec > 59 ? 999 : millisecond);
    if (!day || !time)
        return 0;
    return CombineDateTime(*day, *time);
}

platform::Status AddDateFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&StrToDateTime>("STRTODATETIME"); !added)
        return added;
    if (auto added = implementations.Add<&StrToTime>("STRTOTIME"); !added)
        return added;
    if (auto added = implementations.Add<&DateTimeToStr>("DATETIMETOSTR"); !added)
        return added;
    if (auto added = implementations.Add<&DateToStr>("DATETOSTR"); !added)
        return added;
    if (auto added = implementations.Add<&TimeToStr>("TIMETOSTR"); !added)
        return added;
    if (auto added = implementations.Add<&FormatDateTime>("FORMATDATETIME"); !added)
        return added;
    if (auto added = implementations.Add<&DayOfWeek>("DAYOFWEEK"); !added)
        return added;
    if (auto added = implementations.Add<&EncodeDate>("ENCODEDATE"); !added)
        return added;
    if (auto added = implementations.Add<&EncodeTime>("ENCODETIME"); !added)
        return added;
    if (auto added = implementations.Add<&Now>("NOW"); !added)
        return added;
    return implementations.Add<&FormatFloat>("FORMATFLOAT");
}

} // namespace runtime
