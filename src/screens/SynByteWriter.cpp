// Quorva run-time. Licensed under the MIT licence.
#include "screens/SynByteWriter.h"

#include "screens/SynCursor.h"

#include <algorithm>
#include <fmt/format.h>

namespace screens {

void SynByteWriter::Fail(std::string message) {
    if (Ok())
        m_error = std::move(message);
}

bool SynByteWriter::Fits(std::string_view text, std::size_t limit, std::string_view what) {
    if (!Ok())
        return false;
    if (text.size() > limit) {
        Fail(fmt::format("{} is {} characters long, at most {} fit", what, text.size(), limit));
        return false;
    }
    return true;
}

void SynByteWriter::U8(std::uint8_t value) {
    if (Ok())
        m_bytes.push_back(static_cast<char>(value));
}

void SynByteWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value & 0xFF));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void SynByteWriter::U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        U8(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void SynByteWriter::Raw(std::string_view bytes) {
    if (Ok())
        m_bytes.append(bytes);
}

void SynByteWriter::RawSized(std::string_view bytes, std::size_t size, std::string_view what) {
    if (!Fits(bytes, size, what))
        return;
    m_bytes.append(bytes);
    m_bytes.append(size - bytes.size(), '\0');
}

void SynByteWriter::Zeros(std::size_t count) {
    if (Ok())
        m_bytes.append(count, '\0');
}

void SynByteWriter::ShortString(std::string_view text, std::string_view what, std::size_t limit) {
    if (!Fits(text, std::min<std::size_t>(limit, 255), what))
        return;
    U8(static_cast<std::uint8_t>(text.size()));
    m_bytes.append(text);
}

void SynByteWriter::FixedShortString(std::string_view text, std::size_t slots,
                                     std::string_view what) {
    if (!Fits(text, std::min<std::size_t>(slots, 255), what))
        return;
    U8(static_cast<std::uint8_t>(text.size()));
    m_bytes.append(text);
    m_bytes.append(slots - text.size(), '\0');
}

void SynByteWriter::ChunkedString(std::string_view text, std::string_view what) {
    if (!Fits(text, kMaxChunkedLength, what))
        return;
    std::size_t fullChunks = std::min(text.size() / 255, kMaxFullChunks);
    for (std::size_t i = 0; i < fullChunks; ++i) {
        U8(255);
        m_bytes.append(text.substr(i * 255, 255));
    }
    // After the last full chunk the final length byte always follows: 0 when the text filled
    // its chunks exactly, so that a reader stops there.
    std::string_view rest = text.substr(fullChunks * 255);
    U8(static_cast<std::uint8_t>(rest.size()));
    m_bytes.append(rest);
}

void SynByteWriter::NameString(std::string_view text, int version, std::string_view what) {
    if (version > 5) {
        ShortString(text, what);
        return;
    }
    FixedShortString(text, 255, what);
}

} // namespace screens
