// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>

namespace runtime {

// Formats a Real with a classic picture format (see docs/dates-and-numbers.md):
// "0" digit or zero, "#" digit or nothing, "." decimal point, "," thousands separators anywhere
// left of the point, "E+" "E-" "e+" "e-" followed by zeros for scientific notation, quoted
// 'text' and "text" copied, any other character copied, and up to three sections separated by
// ";" for positive, negative and zero values. The decimal point is "." and the thousands
// separator "," whatever the machine's locale.
//
// Rounding is half away from zero on the value's 18 significant digits. An empty format, or a
// value of 1E18 or more with a format that is not scientific, gives the general format of
// FLOATTOSTR with "." as decimal point. Infinities and not-a-number give "INF", "-INF" and
// "NAN". Pure and reentrant.
std::string FormatFloatText(std::string_view format, long double value);

} // namespace runtime
