// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>
#include <string_view>

namespace runtime {

class Implementations;

// The String built-ins that unit code calls (COPY, POS, DELETE, INSERT, LENGTH, CHR, ORD).
// Positions count from 1; out-of-range positions and counts are clipped, never an error. The
// pure functions below hold the logic; the bound functions read and write guest memory only
// through the bounds-checked translation. All are reentrant and may run on any thread.

// Count characters from Start; Start below 1 counts as 1, a negative Count as 0; cut at the end.
ShortString CopyText(std::string_view text, std::int32_t start, std::int32_t count);
// 1-based position of the first occurrence of `search`; 0 when absent or `search` is empty.
std::int32_t PosText(std::string_view search, std::string_view text);
// `text` without Count characters from Start; unchanged when Start is outside 1..length or
// Count is not positive.
ShortString DeleteText(std::string_view text, std::int32_t start, std::int32_t count);
// `sub` inserted before `position` (clamped to 1..length + 1), cut to `capacity` characters
// (at most 255).
ShortString InsertText(std::string_view sub, std::string_view text, std::int32_t position,
                       std::size_t capacity);
// The one-character String of the low 8 bits of `value`.
ShortString ChrText(std::int32_t value);
// The byte after the length byte of a stored String, whatever the length says.
std::uint8_t OrdStored(const std::uint8_t* stored);

// Binds COPY, POS, DELETE, INSERT, LENGTH, CHR and ORD.
platform::Status AddStringFunctions(Implementations& implementations);

} // namespace runtime
