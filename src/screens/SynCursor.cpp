// Quorva run-time. Licensed under the MIT licence.
#include "screens/SynCursor.h"

#include <algorithm>
#include <fmt/format.h>

namespace screens {

SynCursor::SynCursor(std::string_view bytes, std::size_t offset)
    : m_bytes(bytes), m_offset(std::min(offset, bytes.size())) {}

void SynCursor::Fail(std::size_t offset, std::string_view message) {
    if (!Ok())
        return;
    m_errorOffset = offset;
    m_error = message.empty() ? std::string("damaged") : std::string(message);
}

bool SynCursor::Need(std::size_t count, std::string_view what) {
    if (!Ok())
        return false;
    if (Remaining() < count) {
        Fail(m_offset, fmt::format("{} needs {} bytes, {} left", what, count, Remaining()));
        return false;
    }
    return true;
}

std::uint8_t SynCursor::U8(std::string_view what) {
    if (!Need(1, what))
        return 0;
    return static_cast<std::uint8_t>(m_bytes[m_offset++]);
}

std::uint16_t SynCursor::U16(std::string_view what) {
    if (!Need(2, what))
        return 0;
    auto low = static_cast<std::uint8_t>(m_bytes[m_offset]);
    auto high = static_cast<std::uint8_t>(m_bytes[m_offset + 1]);
    m_offset += 2;
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::int16_t SynCursor::I16(std::string_view what) {
    return static_cast<std::int16_t>(U16(what));
}

std::uint32_t SynCursor::U32(std::string_view what) {
    if (!Need(4, what))
        return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(m_bytes[m_offset + static_cast<std::size_t>(i)]);
    m_offset += 4;
    return value;
}

std::int32_t SynCursor::I32(std::string_view what) {
    return static_cast<std::int32_t>(U32(what));
}

std::string SynCursor::Raw(std::size_t count, std::string_view what) {
    if (!Need(count, what))
        return {};
    std::string bytes(m_bytes.substr(m_offset, count));
    m_offset += count;
    return bytes;
}

std::string SynCursor::RawUpTo(std::size_t count) {
    if (!Ok())
        return {};
    std::size_t take = std::min(count, Remaining());
    std::string bytes(m_bytes.substr(m_offset, take));
    m_offset += take;
    return bytes;
}

std::string SynCursor::ShortString(std::string_view what, std::size_t keep) {
    std::size_t start = m_offset;
    std::uint8_t length = U8(what);
    if (!Ok())
        return {};
    if (Remaining() < length) {
        Fail(start, fmt::format("{} of {} characters runs past the end ({} bytes left)", what,
                                length, Remaining()));
        return {};
    }
    std::string text(m_bytes.substr(m_offset, std::min<std::size_t>(length, keep)));
    m_offset += length;
    return text;
}

std::string SynCursor::FixedShortString(std::size_t slots, std::string_view what) {
    if (!Need(slots + 1, what))
        return {};
    auto length = static_cast<std::uint8_t>(m_bytes[m_offset]);
    std::string text(m_bytes.substr(m_offset + 1, std::min<std::size_t>(length, slots)));
    m_offset += slots + 1;
    return text;
}

std::string SynCursor::ChunkedString(std::string_view what) {
    std::string text;
    for (std::size_t fullChunks = 0;; ++fullChunks) {
        std::size_t start = m_offset;
        std::uint8_t length = U8(what);
        if (!Ok())
            return {};
        if (Remaining() < length) {
            Fail(start, fmt::format("{}: chunk {} of {} characters runs past the end ({} bytes "
                                    "left)",
                                    what, fullChunks + 1, length, Remaining()));
            return {};
        }
        text.append(m_bytes.substr(m_offset, length));
        m_offset += length;
        if (length != 255 || fullChunks == kMaxFullChunks)
            return text;
    }
}

std::string SynCursor::NameString(int version, std::string_view what) {
    if (version > 5)
        return ShortString(what);
    std::size_t start = m_offset;
    if (!Need(256, what))
        return {};
    std::string text = ShortString(what);
    m_offset = start + 256;
    return text;
}

} // namespace screens
