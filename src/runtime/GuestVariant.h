// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/GuestMemory.h"
#include "runtime/ShortString.h"

namespace runtime {

// Variants that unit code lays out in guest memory: 16 bytes, the type word at offset 0 and the
// value (or, with the by-reference flag 0x4000, a 32-bit guest pointer to the value) at offset 8.
// Every byte is read through the bounds-checked translation: a variant, pointer or string that
// lies outside guest memory reads as empty, never as host memory. Pure and reentrant.

namespace varianttype {
inline constexpr std::uint16_t kEmpty = 0;
inline constexpr std::uint16_t kNull = 1;
inline constexpr std::uint16_t kI2 = 2;
inline constexpr std::uint16_t kI4 = 3;
inline constexpr std::uint16_t kR4 = 4;
inline constexpr std::uint16_t kR8 = 5;
inline constexpr std::uint16_t kCurrency = 6;
inline constexpr std::uint16_t kDate = 7;
inline constexpr std::uint16_t kBstr = 8;
inline constexpr std::uint16_t kBool = 11;
inline constexpr std::uint16_t kVariant = 12; // only by reference: a pointer to another variant
inline constexpr std::uint16_t kDecimal = 14;
inline constexpr std::uint16_t kI1 = 16;
inline constexpr std::uint16_t kUI1 = 17;
inline constexpr std::uint16_t kUI2 = 18;
inline constexpr std::uint16_t kUI4 = 19;
inline constexpr std::uint16_t kI8 = 20;
inline constexpr std::uint16_t kUI8 = 21;
inline constexpr std::uint16_t kInt = 22;
inline constexpr std::uint16_t kUInt = 23;
inline constexpr std::uint16_t kByRef = 0x4000;
} // namespace varianttype

// A date: days since 30 December 1899, the fraction the time of day (the Real date format).
struct VariantDate {
    double days = 0;
};

// What a variant holds, read out of guest memory: nothing (empty, null, address 0, a type this
// system does not convert, a location outside guest memory), a signed or unsigned integer, a
// floating value (single, double, currency, decimal), a Boolean, a date or a text in the
// project's code page.
using VariantValue = std::variant<std::monostate, std::int64_t, std::uint64_t, double, bool,
                                  VariantDate, std::string>;

VariantValue ReadGuestVariant(const platform::GuestMemory& memory, platform::GuestAddress address);

// The conversions of the VT2... functions (the table in docs/activex.md). Nothing gives 0, false
// or the empty String. Integers saturate at the bounds of the result type; floating values are
// rounded to the nearest integer, halves to even; text is read as a decimal number ("." or ","
// as decimal point) or, for Booleans, also as "True"/"False".
double VariantToDouble(const VariantValue& value);
std::int32_t VariantToInteger(const VariantValue& value);
std::uint16_t VariantToWord(const VariantValue& value);
std::uint8_t VariantToByte(const VariantValue& value);
bool VariantToBoolean(const VariantValue& value);
// Integers in decimal, floating values in the general format of FLOATTOSTR with "." as decimal
// point, Booleans "True"/"False", dates "dd/mm/yyyy hh:nn:ss" (no time part at midnight), text
// as it is; cut to 255 characters.
ShortString VariantToText(const VariantValue& value);

} // namespace runtime
