// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <cstdint>

namespace runtime {

class Implementations;

// The bit and integer built-ins. Bit 0 is the least significant; a bit number is taken modulo
// 32 (its low five bits, so -1 names bit 31). All of them are pure functions of their
// arguments and may run on any thread.
namespace bits {
std::int32_t SetBit(std::int32_t word, std::int32_t bitNumber);
std::int32_t ResetBit(std::int32_t word, std::int32_t bitNumber);
// Sets the bit for a Boolean byte of exactly 1, clears it for any other byte.
std::int32_t FixBit(std::int32_t word, std::int32_t bitNumber, std::uint8_t value);
bool TestBit(std::int32_t word, std::int32_t bitNumber);
// The Boolean byte with its lowest bit inverted (2 gives 3, 1 gives 0).
std::uint8_t NotByte(std::uint8_t value);
std::int32_t LoWord(std::int32_t value);
std::int32_t HiWord(std::int32_t value);
std::int32_t Lo(std::int32_t value);
std::int32_t Hi(std::int32_t value);
} // namespace bits

// Binds SETBIT, RESETBIT, FIXBIT, TESTBIT, NOT, LOWORD, HIWORD, LO and HI. A by-reference Word
// outside guest memory is left alone.
platform::Status AddBitFunctions(Implementations& implementations);

} // namespace runtime
