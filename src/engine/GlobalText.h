// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// The text conversions of the variable store. They never look at the locale: "." is always the
// decimal separator. Any thread may call them.

// The general float format: up to `digits` significant digits (trailing zeros dropped), fixed
// notation when the value is at least 0.00001 and has at most 15 digits before the point, else
// "d.dddE[-]x" ("1E20", "1.5E-7"); "NAN", "INF", "-INF" for the special values.
std::string FormatGeneral(long double value, int digits = 15);
// A Single in the same format, with the fewest digits that give the same Single back ("0.1").
std::string FormatSingle(float value);

// A decimal integer: blanks around allowed, an optional sign, digits only. Nullopt for anything
// else and for values outside [low, high].
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t low,
                                         std::int64_t high);
// A finite real number ("-1.5", "2E3", ".5", "+7"; blanks around allowed). Nullopt for anything
// else, for values out of range and for "INF"/"NAN".
std::optional<long double> ParseReal(std::string_view text);
// "True"/"False" in any letter case, "1"/"0"; blanks around allowed. Nullopt for anything else.
std::optional<bool> ParseBoolean(std::string_view text);

} // namespace engine
