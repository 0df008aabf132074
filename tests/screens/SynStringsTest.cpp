// Quorva run-time. Licensed under the MIT licence.
#include "SynTestBytes.h"
#include "screens/SynByteWriter.h"
#include "screens/SynCursor.h"

#include <gtest/gtest.h>

namespace {

using screens::SynByteWriter;
using screens::SynCursor;

std::string Chunked(const std::string& text) {
    SynByteWriter writer;
    writer.ChunkedString(text, "text");
    EXPECT_TRUE(writer.Ok()) << writer.Error();
    return writer.Bytes();
}

TEST(SynStrings, ChunkedStringOfFullChunksEndsWithAnEmptyChunk) {
    const std::string exact(255, 'a');
    std::string bytes = Chunked(exact);
    ASSERT_EQ(bytes.size(), 257u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 255);
    EXPECT_EQ(bytes.substr(1, 255), exact);
    EXPECT_EQ(bytes[256], '\0');

    std::string twice = std::string(255, 'a') + std::string(255, 'b');
    bytes = Chunked(twice);
    ASSERT_EQ(bytes.size(), 513u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[256]), 255);
    EXPECT_EQ(bytes[512], '\0');

    EXPECT_EQ(Chunked(""), std::string(1, '\0'));
    EXPECT_EQ(Chunked("abc"), std::string("\x03" "abc"));

    for (const std::string& text : {exact, twice, std::string(), std::string(300, 'z')}) {
        std::string written = Chunked(text) + "TAIL";
        SynCursor cursor(written);
        EXPECT_EQ(cursor.ChunkedString("text"), text);
        EXPECT_EQ(cursor.Offset(), written.size() - 4) << "reads past its own end";
    }
}

TEST(SynStrings, ChunkedStringTakesTheByteAfter150FullChunksAsTheLastChunk) {
    // 150 full chunks, then a length byte of 255: it is the final chunk, not a 151st full one.
    syntest::Bytes b;
    for (int i = 0; i < 150; ++i)
        b.U8(255).Fill(255, static_cast<char>('A' + i % 26));
    b.U8(255).Fill(255, '!').U8(7).Raw("ignored");
    SynCursor cursor(b.data);
    std::string text = cursor.ChunkedString("arguments");
    ASSERT_TRUE(cursor.Ok()) << cursor.Error();
    EXPECT_EQ(text.size(), screens::kMaxChunkedLength);
    EXPECT_EQ(text.back(), '!');
    EXPECT_EQ(cursor.Remaining(), 8u) << "the byte after the final chunk belongs to what follows";

    // The writer produces exactly that layout for the longest text, and refuses one more byte.
    EXPECT_EQ(Chunked(text), b.data.substr(0, b.data.size() - 8));
    SynByteWriter writer;
    writer.ChunkedString(text + "x", "arguments");
    EXPECT_FALSE(writer.Ok());
    EXPECT_NE(writer.Error().find("arguments"), std::string::npos);
}

TEST(SynStrings, NameStringIsPaddedTo256BytesUpToVersion5Only) {
    for (int version : {3, 4, 5, 6, 7}) {
        SynByteWriter writer;
        writer.NameString("LEVEL", version, "name");
        std::size_t expected = version <= 5 ? 256 : 6;
        ASSERT_EQ(writer.Bytes().size(), expected) << "version " << version;
        EXPECT_EQ(writer.Bytes().substr(0, 6), std::string("\x05LEVEL"));
    }
    // Reading skips whatever the padding holds, and stops at the field's end.
    syntest::Bytes b;
    b.Fixed(255, "TANK.LEVEL", '\x7f').U8(0x42);
    SynCursor padded(b.data);
    EXPECT_EQ(padded.NameString(5, "name"), "TANK.LEVEL");
    EXPECT_EQ(padded.U8("next"), 0x42);
    SynCursor unpadded(b.data);
    EXPECT_EQ(unpadded.NameString(6, "name"), "TANK.LEVEL");
    EXPECT_EQ(unpadded.Offset(), 11u);
    // A padded name needs all 256 bytes even when its text is short.
    SynCursor shortOne(std::string_view(b.data).substr(0, 200));
    shortOne.NameString(5, "name");
    EXPECT_FALSE(shortOne.Ok());
}

TEST(SynStrings, FixedAndShortStringsKeepOnlyWhatTheirFieldHolds) {
    // A fixed string whose length byte claims more than its slots counts only its slots.
    syntest::Bytes b;
    b.U8(9).Raw("Left  XYZ").U8(1);
    SynCursor fixed(b.data);
    EXPECT_EQ(fixed.FixedShortString(6, "glyph position"), "Left  ");
    EXPECT_EQ(fixed.Offset(), 7u);
    // A short string kept to 15 characters still consumes all of its characters.
    syntest::Bytes s;
    s.Short("ABCDEFGHIJKLMNOPQRST").U8(0x55);
    SynCursor cursor(s.data);
    EXPECT_EQ(cursor.ShortString("name", 15), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(cursor.U8("next"), 0x55);
    // Writing refuses texts longer than the field.
    SynByteWriter writer;
    writer.FixedShortString("Bottom!", 6, "glyph position");
    EXPECT_FALSE(writer.Ok());
    EXPECT_NE(writer.Error().find("glyph position"), std::string::npos);
    SynByteWriter raw;
    raw.RawString256("hint", "hint");
    EXPECT_EQ(raw.Bytes().size(), 256u);
}

TEST(SynStrings, ReadsAreLittleEndianAndAShortReadSticksWithItsOffset) {
    syntest::Bytes b;
    b.I16(-2).U16(0xBEEF).I32(-70000).U32(0x8000000F).U8(3).Raw("ab");
    SynCursor cursor(b.data);
    EXPECT_EQ(cursor.I16("a"), -2);
    EXPECT_EQ(cursor.U16("b"), 0xBEEF);
    EXPECT_EQ(cursor.I32("c"), -70000);
    EXPECT_EQ(cursor.U32("d"), 0x8000000Fu);
    EXPECT_EQ(cursor.ShortString("caption"), "");
    EXPECT_FALSE(cursor.Ok());
    EXPECT_EQ(cursor.ErrorOffset(), 12u);
    EXPECT_NE(cursor.Error().find("caption"), std::string::npos);
    // Later reads give zeros and keep the first error.
    EXPECT_EQ(cursor.U8("later"), 0);
    EXPECT_EQ(cursor.ErrorOffset(), 12u);
    EXPECT_EQ(cursor.Error().find("later"), std::string::npos);
    // The one tolerated short read takes what is there and leaves no error.
    SynCursor tolerant(b.data, 13);
    EXPECT_EQ(tolerant.RawUpTo(1251), "ab");
    EXPECT_TRUE(tolerant.Ok());
}

} // namespace
