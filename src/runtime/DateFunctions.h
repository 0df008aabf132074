// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <chrono>

namespace runtime {

class Implementations;

// The local date and time of `when` as a date-time value: days since 1899-12-30, the fraction
// the time of day to the millisecond.
long double LocalDateTimeValue(std::chrono::system_clock::time_point when);

// Binds the date, time and number format functions (STRTODATETIME ... FORMATFLOAT). The
// calendar and the formatters are in DateTimeFormat.h and FloatFormat.h; these functions only
// adapt them to the calling contract. None fails: text that is no date gives 0, a value that is
// no date gives the empty String, a date or time that does not exist gives 0.
platform::Status AddDateFunctions(Implementations& implementations);

} // namespace runtime
