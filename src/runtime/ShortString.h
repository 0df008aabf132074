// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace runtime {

// The units' String as a value: a length byte and up to 255 bytes of the system code page, held
// in 256 bytes without any heap allocation, so that passing one costs a copy of the used bytes.
class ShortString {
public:
    static constexpr std::size_t kCapacity = 255;

    ShortString() = default;
    // Cut to 255 bytes.
    ShortString(std::string_view text) { Assign(text); }

    // Reads a String as unit code stores it: the length byte, then that many bytes.
    static ShortString FromStored(const std::uint8_t* stored) {
        ShortString value;
        std::memcpy(value.m_bytes.data(), stored, std::size_t{stored[0]} + 1);
        return value;
    }

    void Assign(std::string_view text) {
        std::size_t length = std::min(text.size(), kCapacity);
        m_bytes[0] = static_cast<std::uint8_t>(length);
        std::memcpy(m_bytes.data() + 1, text.data(), length);
    }

    std::size_t Length() const { return m_bytes[0]; }
    bool Empty() const { return m_bytes[0] == 0; }
    std::string_view View() const {
        return {reinterpret_cast<const char*>(m_bytes.data() + 1), Length()};
    }
    std::string Str() const { return std::string(View()); }
    // The stored form: length byte followed by the characters (Length() + 1 bytes used).
    const std::uint8_t* Stored() const { return m_bytes.data(); }

    friend bool operator==(const ShortString& a, const ShortString& b) {
        return a.View() == b.View();
    }

private:
    std::array<std::uint8_t, 256> m_bytes{};
};

} // namespace runtime
