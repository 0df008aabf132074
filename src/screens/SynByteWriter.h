// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace screens {

// Appends the fields of a screen file to a byte string, with the same encodings SynCursor reads.
// A text too long for its encoding is refused: the first refusal sticks as the error (naming the
// field) and nothing more is appended. Not thread-safe.
class SynByteWriter {
public:
    const std::string& Bytes() const { return m_bytes; }
    std::string TakeBytes() { return std::move(m_bytes); }
    std::size_t Offset() const { return m_bytes.size(); }
    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    void Fail(std::string message);

    void U8(std::uint8_t value);
    void I16(std::int16_t value) { U16(static_cast<std::uint16_t>(value)); }
    void U16(std::uint16_t value);
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void U32(std::uint32_t value);
    void Raw(std::string_view bytes);
    // `bytes` padded with zeros (or refused when longer) to exactly `size` bytes.
    void RawSized(std::string_view bytes, std::size_t size, std::string_view what);
    void Zeros(std::size_t count);

    void ShortString(std::string_view text, std::string_view what, std::size_t limit = 255);
    // Length byte and `slots` slots; unused slots are zeros.
    void FixedShortString(std::string_view text, std::size_t slots, std::string_view what);
    // Full chunks of 255, then a final chunk (0 when the text fills its last chunk exactly).
    void ChunkedString(std::string_view text, std::string_view what);
    void NameString(std::string_view text, int version, std::string_view what);
    void RawString256(std::string_view text, std::string_view what) {
        FixedShortString(text, 255, what);
    }

private:
    bool Fits(std::string_view text, std::size_t limit, std::string_view what);

    std::string m_bytes;
    std::string m_error;
};

} // namespace screens
