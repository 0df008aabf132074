// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Extended.h"
#include "platform/GuestMemory.h"
#include "runtime/ShortString.h"

namespace runtime {

using platform::GuestAddress;
using platform::GuestMemory;

// What runtime functions receive for by-reference parameters: a typed view of a guest location.
// Every access goes through the bounds-checked translation; a location outside guest memory
// reads as nothing and takes no write, so a bad pointer from unit code gives the function's
// defined failure result and never touches host memory. Views are valid during the call only.

// A by-reference Integer, Boolean, Byte, Word, Single, Double or Real (long double: 10 bytes).
template <typename T> class Ref {
public:
    Ref(GuestMemory& memory, GuestAddress address) : m_memory(&memory), m_address(address) {}

    GuestAddress Address() const { return m_address; }
    bool Valid() const { return m_memory->Translate(m_address, kSize) != nullptr; }

    std::optional<T> Get() const {
        const std::byte* host = m_memory->Translate(m_address, kSize);
        if (!host)
            return std::nullopt;
        if constexpr (std::is_same_v<T, long double>) {
            return platform::FromExtended(host);
        } else if constexpr (std::is_same_v<T, bool>) {
            return std::to_integer<std::uint8_t>(host[0]) != 0;
        } else {
            T value;
            std::memcpy(&value, host, sizeof(T));
            return value;
        }
    }
    T GetOr(T fallback) const { return Get().value_or(fallback); }

    bool Set(T value) const {
        std::byte* host = m_memory->Translate(m_address, kSize);
        if (!host)
            return false;
        if constexpr (std::is_same_v<T, long double>) {
            {
                const platform::ExtendedBytes bytes = platform::ToExtended(value);
                std::memcpy(host, bytes.data(), bytes.size());
            }
        } else if constexpr (std::is_same_v<T, bool>) {
            host[0] = std::byte{value ? std::uint8_t{1} : std::uint8_t{0}};
        } else {
            std::memcpy(host, &value, sizeof(T));
        }
        return true;
    }

private:
    static constexpr std::uint32_t kSize = std::is_same_v<T, long double> ? 10 : sizeof(T);
    GuestMemory* m_memory;
    GuestAddress m_address;
};

// A by-reference String with the highest index its variable can hold (255 for a String
// variable); writes are cut to it.
class StringRef {
public:
    StringRef(GuestMemory& memory, GuestAddress address, std::int32_t highestIndex)
        : m_memory(&memory), m_address(address), m_highestIndex(highestIndex) {}

    GuestAddress Address() const { return m_address; }
    std::int32_t HighestIndex() const { return m_highestIndex; }
    // The most characters a write keeps: the highest index, within 0..255.
    std::size_t Capacity() const;
    // The current value; empty when the location is outside guest memory.
    ShortString Get() const;
    std::optional<std::uint8_t> LengthByte() const;
    // Stores `text` cut to the capacity; false when the location is outside guest memory.
    bool Set(std::string_view text) const;

private:
    GuestMemory* m_memory;
    GuestAddress m_address;
    std::int32_t m_highestIndex;
};

// A by-reference Bit: bit n of an array of 32-bit words (word n div 32, bit n mod 32).
class BitRef {
public:
    BitRef(GuestMemory& memory, GuestAddress words, std::int32_t bitNumber)
        : m_memory(&memory), m_words(words), m_bitNumber(bitNumber) {}

    std::int32_t BitNumber() const { return m_bitNumber; }
    std::optional<bool> Get() const;
    bool Set(bool value) const;

private:
    std::optional<GuestAddress> WordAddress() const;

    GuestMemory* m_memory;
    GuestAddress m_words;
    std::int32_t m_bitNumber;
};

// One entry of a value list: a 4-byte value or pointer and a one-byte type tag.
struct ValueListEntry {
    std::uint32_t value = 0;
    std::uint8_t tag = 0;
};

// A value list: 8-byte entries from its first entry to the last index (-1 for an empty list).
class ValueListRef {
public:
    ValueListRef(GuestMemory& memory, GuestAddress first, std::int32_t lastIndex)
        : m_memory(&memory), m_first(first), m_lastIndex(lastIndex) {}

    GuestAddress Address() const { return m_first; }
    std::int32_t LastIndex() const { return m_lastIndex; }
    std::int32_t Count() const { return m_lastIndex < 0 ? 0 : m_lastIndex + 1; }
    std::optional<ValueListEntry> Entry(std::int32_t index) const;

private:
    GuestMemory* m_memory;
    GuestAddress m_first;
    std::int32_t m_lastIndex;
};

// An untyped by-reference parameter: its address alone, for the functions that work on raw
// guest memory (MOVE, FILLCHAR, ADDR ...).
struct UntypedRef {
    GuestAddress address = 0;
};

// Reads the String stored at `address` (length byte and characters); empty when any of it lies
// outside guest memory.
ShortString ReadGuestString(const GuestMemory& memory, GuestAddress address);
// Writes `value` in stored form at `address`; false when it does not fit in guest memory.
bool WriteGuestString(GuestMemory& memory, GuestAddress address, const ShortString& value);

} // namespace runtime
