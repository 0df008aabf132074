// Quorva run-time. Licensed under the MIT licence.
#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::CodePageToUtf8;
using platform::Utf8ToCodePage;

std::string AllBytes() {
    std::string all;
    for (int value = 0; value < 256; ++value)
        all.push_back(static_cast<char>(value));
    return all;
}

TEST(CodePage, EveryByteRoundTripsThroughUtf8) {
    ASSERT_EQ(platform::SystemCodePage(), "WINDOWS-1252");
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(AllBytes())), AllBytes());
    EXPECT_EQ(CodePageToUtf8("\x80\x9F\xE9"), "\xE2\x82\xAC\xC5\xB8\xC3\xA9"); // euro, Y uml, e
    // The five bytes the code page leaves undefined become U+0081 ... and come back.
    EXPECT_EQ(CodePageToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Utf8ToCodePage("\xC2\x81"), "\x81");
}

TEST(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCodePage("\xE6\x97\xA5\xE6\x9C\xAC"), "??");
    EXPECT_EQ(Utf8ToCodePage("a\xF0\x9F\x98\x80"
                             "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCodePage("\xC2\x80"), "?"); // 0x80 is the euro sign, not U+0080
}

TEST(CodePage, MalformedUtf8BytesAreKept) {
    for (std::string bad : {"\xC3", "\xC3(x",
                            "\xA9"
                            "abc",
                            "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xE2\x82"})
        EXPECT_EQ(Utf8ToCodePage(bad), bad);
    EXPECT_EQ(Utf8ToCodePage("\xC3\xA9\xFF\xC3\xA9"), "\xE9\xFF\xE9");
}

TEST(CodePage, ConfiguredCodePageChangesTheMapping) {
    EXPECT_FALSE(platform::SetSystemCodePage("NO-SUCH-PAGE-42").IsOk());
    EXPECT_EQ(platform::SystemCodePage(), "WINDOWS-1252");
    ASSERT_TRUE(platform::SetSystemCodePage("CP1250").IsOk());
    EXPECT_EQ(CodePageToUtf8("\xA5"), "\xC4\x84"); // A ogonek, a yen sign in 1252
    EXPECT_EQ(Utf8ToCodePage("\xC2\xA5"), "?");
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(AllBytes())), AllBytes());
    ASSERT_TRUE(platform::SetSystemCodePage("WINDOWS-1252").IsOk());
}

} // namespace
