// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace syntest {

// Lays out screen-file bytes by hand for the tests, independently of the screen writer, so that
// the reader is checked against the byte layout itself.
struct Bytes {
    std::string data;

    Bytes& U8(unsigned value) {
        data.push_back(static_cast<char>(value & 0xFF));
        return *this;
    }
    Bytes& U16(unsigned value) { return U8(value).U8(value >> 8); }
    Bytes& I16(int value) { return U16(static_cast<unsigned>(value) & 0xFFFF); }
    Bytes& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    Bytes& I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
    Bytes& Raw(std::string_view bytes) {
        data.append(bytes);
        return *this;
    }
    Bytes& Fill(std::size_t count, char value = '\0') {
        data.append(count, value);
        return *this;
    }
    Bytes& Short(std::string_view text) { return U8(static_cast<unsigned>(text.size())).Raw(text); }
    // Length byte, the text, then slots up to `slots` filled with `filler`.
    Bytes& Fixed(std::size_t slots, std::string_view text, char filler = '\0') {
        return Short(text).Fill(slots - text.size(), filler);
    }
    std::size_t Size() const { return data.size(); }
};

// The window header of a screen file up to its object count: the magic with `version`, a caption
// (its unused slots filled with `filler`), and recognisable values in the other fields (editor
// bytes 0xEE, extended block of version 7 with limits 100, 800, 50, 600, auto-scroll on and icon
// bytes 0x11).
inline Bytes Header(int version, std::string_view caption = "Main", char filler = '\0') {
    Bytes b;
    b.Short(std::string("CLEQUORVAIO") + static_cast<char>('0' + version));
    b.Fixed(50, caption, filler);
    b.U32(0x00FF8040).I16(10).I16(20).I16(650).I16(500);
    for (unsigned flag : {1u, 0u, 1u, 1u, 0u, 0u, 1u, 1u, 0u})
        b.U8(flag);
    b.Fill(145, '\xEE');
    if (version == 7)
        b.I32(100).I32(800).I32(50).I32(600).U8(9).U8(1).Fill(50, 'e').Fill(2238, '\x11');
    return b;
}

} // namespace syntest

namespace syntest {

// An object record of versions 5 to 7 with recognisable values in every field (checked by
// ExpectRecordValues in the tests): parent "", text "Level", the given kind, name and class.
inline Bytes& Record(Bytes& b, unsigned kind, std::string_view name, std::string_view className,
                     std::string_view parent = "") {
    b.U8(kind).Short(parent).I16(-2).Short("Level").U8(3).Short(className);
    b.I16(5).I16(6).I16(105).I16(56).U32(0x000000FF).U8(2).U8(3).U8(0xA1).U32(0x8000000F).U8(1);
    b.Short("Arial").I16(-12);
    for (unsigned value : {1u, 0u, 1u, 0u, 2u, 4u, 1u, 0xA2u, 1u, 0xA3u, 0xA4u})
        b.U8(value);
    b.U8(5).U8(1).U8(1).U8(1).U16(270).U8(0xA5).U8(0xA6);
    b.Short(name).I16(6).I32(77).Short("StartXLS");
    b.Short("(1,OPENEXCEL)"); // a chunked string of one final chunk
    return b;
}

} // namespace syntest
