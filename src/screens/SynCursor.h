// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace screens {

// A read position over the bytes of a screen file. Every read checks the bytes left; the first
// short read or refused value sticks as the error (with the byte offset where the field starts),
// and every later read gives zeros and empty texts, so that a reader can run on and look at the
// error once. Integers are little-endian; texts stay bytes of the code page. Not thread-safe; the
// bytes must outlive the cursor.
class SynCursor {
public:
    explicit SynCursor(std::string_view bytes, std::size_t offset = 0);

    std::size_t Offset() const { return m_offset; }
    std::size_t Size() const { return m_bytes.size(); }
    std::size_t Remaining() const { return m_bytes.size() - m_offset; }
    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    std::size_t ErrorOffset() const { return m_errorOffset; }

    // Records the first failure: `offset` is where the field that failed starts.
    void Fail(std::size_t offset, std::string_view message);

    std::uint8_t U8(std::string_view what);
    std::int16_t I16(std::string_view what);
    std::uint16_t U16(std::string_view what);
    std::int32_t I32(std::string_view what);
    std::uint32_t U32(std::string_view what);
    // `count` bytes as they are.
    std::string Raw(std::size_t count, std::string_view what);
    // Up to `count` bytes: whatever is left when fewer remain (the one tolerated short read).
    std::string RawUpTo(std::size_t count);

    // Length byte n, then n characters; characters beyond `keep` are read and dropped.
    std::string ShortString(std::string_view what, std::size_t keep = 255);
    // k + 1 bytes: length byte, then k slots. A length above k counts as k.
    std::string FixedShortString(std::size_t slots, std::string_view what);
    // Chunks of 255 characters while the length byte is 255, at most 150 of them; the next
    // length byte ends the string whatever its value.
    std::string ChunkedString(std::string_view what);
    // Length byte and characters, padded to 256 bytes in files of version 5 or lower.
    std::string NameString(int version, std::string_view what);
    // A fixed short string of 255 slots: always 256 bytes.
    std::string RawString256(std::string_view what) { return FixedShortString(255, what); }

private:
    bool Need(std::size_t count, std::string_view what);

    std::string_view m_bytes;
    std::size_t m_offset = 0;
    std::string m_error;
    std::size_t m_errorOffset = 0;
};

// The most full chunks a chunked string holds before its final chunk.
inline constexpr std::size_t kMaxFullChunks = 150;
// The longest text a chunked string can hold: 150 full chunks and a final one of 255.
inline constexpr std::size_t kMaxChunkedLength = (kMaxFullChunks + 1) * 255;

} // namespace screens
