// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

class Implementations;

// The conversions between numbers and text that unit code calls (INTTOSTR, STRTOINT,
// FLOATTOSTR, STRTOFLOAT, INTTOHEX, VAL). None of them fails: bad text converts to a defined
// value. The pure functions below hold the logic; the bound functions only adapt the calling
// contract. All are reentrant and may run on any thread.

// Decimal text, "-" for negative values.
ShortString IntToText(std::int32_t value);

// An integer scan: leading blanks, an optional sign, then a hexadecimal number after "$", "x",
// "X", "0x" or "0X" (the sign is not applied to it) or decimal digits, accumulated with 32-bit
// wrap-around. The scan stops at the first character that does not fit, or before a digit when
// the value exceeds 214748364 (decimal) / 0x0FFFFFFF (hexadecimal); a stopped scan returns the
// value without its sign. The empty text gives 0.
std::int32_t TextToInt(std::string_view text);

// General format with 15 significant digits and `separator` as decimal separator: fixed
// notation for magnitudes from 0.0001 with at most 15 integer digits, else "1.5E20" / "1E-5".
// Infinities and not-a-number print as "INF", "-INF" and "NAN".
ShortString RealToText(long double value, char separator);

// Text to Real with `separator` as decimal separator: blanks around, optional sign, digits with an
// optional fraction, optional exponent. Any other text gives 0; a number beyond the Real range
// gives a signed infinity.
long double TextToReal(std::string_view text, char separator);

// Upper-case hexadecimal, zero-padded to at least `digits` digits (at most 255 characters);
// negative values as their eight-digit two's complement.
ShortString IntToHex(std::int32_t value, std::int32_t digits);

// VAL: the value of a decimal real text ("." as decimal point) and a status: 0 when the whole
// text was read, else the 1-based position of the first character that could not be read
// (length + 1 when the text ends too early or its value is beyond the Real range). The value is
// 0 whenever the status is not 0.
struct ValResult {
    long double value = 0;
    std::int32_t status = 0;
};
ValResult ValText(std::string_view text);

// The decimal separator of the process locale's LC_NUMERIC ("." when it is not one byte).
char LocaleDecimalSeparator();

// Binds INTTOSTR, STRTOINT, FLOATTOSTR, STRTOFLOAT, INTTOHEX and VAL.
platform::Status AddConversionFunctions(Implementations& implementations);

} // namespace runtime
