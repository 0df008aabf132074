// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <limits>

namespace platform {

// Units store Real values as 10-byte x87 extended reals. On x86-64 hosts `long double` is that
// very format (64-bit mantissa with explicit integer bit, 15-bit exponent, little-endian), so the
// conversion is a copy of its first ten bytes. All conversions between the two go through here.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384 &&
                  sizeof(long double) >= 10,
              "long double is not the x87 80-bit extended format on this host: "
              "an explicit conversion is needed here");

constexpr std::size_t kExtendedSize = 10;
using ExtendedBytes = std::array<std::byte, kExtendedSize>;

inline ExtendedBytes ToExtended(long double value) {
    ExtendedBytes bytes{};
    std::memcpy(bytes.data(), &value, kExtendedSize);
    return bytes;
}

// Reads ten bytes at `bytes`.
inline long double FromExtended(const void* bytes) {
    long double value = 0; // the padding beyond ten bytes stays zero
    std::memcpy(&value, bytes, kExtendedSize);
    return value;
}

} // namespace platform
