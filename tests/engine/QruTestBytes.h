// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qrutest {

// Appends little-endian fields, written independently of engine::WriteQruModule so that the
// reader and the writer are each checked against the layout itself.
class LittleEndianBytes {
public:
    LittleEndianBytes& U8(std::uint8_t value) {
        m_bytes += static_cast<char>(value);
        return *this;
    }
    LittleEndianBytes& I32(std::int32_t value) {
        auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            m_bytes += static_cast<char>((bits >> shift) & 0xff);
        return *this;
    }
    LittleEndianBytes& F64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 64; shift += 8)
            m_bytes += static_cast<char>((bits >> shift) & 0xff);
        return *this;
    }
    LittleEndianBytes& Str(std::string_view text) {
        U8(static_cast<std::uint8_t>(text.size()));
        m_bytes += text;
        return *this;
    }
    LittleEndianBytes& Raw(std::string_view bytes) {
        m_bytes += bytes;
        return *this;
    }
    std::size_t Size() const { return m_bytes.size(); }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

} // namespace qrutest
