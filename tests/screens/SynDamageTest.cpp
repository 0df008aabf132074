// Quorva run-time. Licensed under the MIT licence.
#include "SynTestBytes.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

using syntest::Bytes;

// A small file of `version` with a rectangle, a polyline, an ActiveX control and a check box.
Bytes SmallFile(int version) {
    Bytes b = syntest::Header(version);
    auto name = [&](std::string_view text) {
        if (version <= 5)
            b.Fixed(255, text);
        else
            b.Short(text);
    };
    b.I16(4).U16(0);
    syntest::Record(b, 101, "RECT1", "TCRect");
    b.U8(1).U8(0);
    name("ON");
    for (int i = 0; i < 8; ++i)
        name("");
    b.Fill(40, '\x01');
    for (char token : std::string_view("BNNBNNBNBNBNN"))
        token == 'B' ? static_cast<void>(b.U8(1)) : name("X");
    b.Fixed(255, "Rectangle");
    syntest::Record(b, 105, "LINE1", "");
    b.U16(2).I32(1).I32(2).I32(3).I32(4).Fill(98 * 8).U16(0).U16(0);
    syntest::Record(b, 107, "OCX1", "TOCX");
    b.Short("{CLSID}").I32(3).Raw("abc");
    syntest::Record(b, 134, "CASE1", "TCCASE");
    name("VAR");
    b.U8(1);
    name("COND");
    b.Fixed(255, "");
    return b;
}

TEST(SynDamage, EveryTruncationGivesAnErrorAndKeepsWhatWasRead) {
    for (int version : {5, 7}) {
        Bytes b = SmallFile(version);
        auto whole = screens::ReadScreen(b.data);
        ASSERT_TRUE(whole.IsOk()) << whole.Error();
        ASSERT_FALSE(whole->stop) << whole->stop->message;
        ASSERT_EQ(whole->objects.size(), 4u);
        ASSERT_EQ(whole->bytesRead, b.Size());
        const std::size_t headerSize = version == 7 ? 2540 : 234;
        for (std::size_t length = 0; length < b.Size(); ++length) {
            auto read = screens::ReadScreen(std::string_view(b.data).substr(0, length));
            if (length < headerSize) {
                EXPECT_FALSE(read.IsOk()) << "length " << length;
                continue;
            }
            ASSERT_TRUE(read.IsOk()) << "length " << length << ": " << read.Error();
            ASSERT_TRUE(read->stop) << "length " << length << " read as complete";
            EXPECT_EQ(read->stop->kind, screens::SynStopKind::Damaged);
            EXPECT_LE(read->stop->offset, length);
            EXPECT_EQ(read->objects.size(), static_cast<std::size_t>(read->stop->objectIndex));
            for (std::size_t i = 0; i < read->objects.size(); ++i)
                EXPECT_EQ(read->objects[i], whole->objects[i]);
            EXPECT_NE(read->stop->message.find(fmt::format("object {}", read->stop->objectIndex)),
                      std::string::npos)
                << read->stop->message;
        }
    }
}

TEST(SynDamage, DamagedBytesNeverCrashAndWhatReadsWritesBackTheSame) {
    Bytes b = SmallFile(7);
    for (std::size_t at = 2536; at < b.Size(); ++at)
        for (char value : {'\x00', '\x7f', '\xff'}) {
            std::string damaged = b.data;
            damaged[at] = value;
            auto read = screens::ReadScreen(damaged);
            ASSERT_TRUE(read.IsOk()) << at;
            auto written = screens::WriteScreen(read.Value());
            ASSERT_TRUE(written.IsOk()) << at << ": " << written.Error();
            auto again = screens::ReadScreen(written.Value());
            ASSERT_TRUE(again.IsOk());
            EXPECT_EQ(again->objects, read->objects) << "byte " << at << " set to " << int(value);
        }
}

TEST(SynDamage, RefusesVersionsOutside3To7) {
    for (char digit : {'2', '8', 'x'}) {
        Bytes b = SmallFile(7);
        b.data[12] = digit;
        auto read = screens::ReadScreen(b.data);
        ASSERT_FALSE(read.IsOk()) << digit;
        EXPECT_NE(read.Error().find("version"), std::string::npos) << read.Error();
        EXPECT_FALSE(screens::ReadSynVersion(b.data).IsOk());
    }
    EXPECT_EQ(screens::ReadSynVersion(SmallFile(5).data).Value(), 5);
    EXPECT_FALSE(screens::ReadSynVersion("CLEQUORVAIO").IsOk());
}

TEST(SynDamage, PointCountAbove100StopsAtThatObject) {
    Bytes b = syntest::Header(6);
    b.I16(2).U16(0);
    syntest::Record(b, 101, "RECT1", "");
    syntest::Record(b, 112, "POLY1", "");
    std::size_t countAt = b.Size();
    b.U16(101).Fill(804);
    auto read = screens::ReadScreen(b.data);
    ASSERT_TRUE(read.IsOk());
    ASSERT_TRUE(read->stop);
    EXPECT_EQ(read->stop->kind, screens::SynStopKind::Damaged);
    EXPECT_EQ(read->stop->objectIndex, 1);
    EXPECT_EQ(read->stop->offset, countAt);
    EXPECT_NE(read->stop->message.find("101"), std::string::npos) << read->stop->message;
    EXPECT_EQ(read->objects.size(), 1u);
}

TEST(SynDamage, ActiveXStreamSizeMustFitTheFile) {
    for (std::int32_t size : {-1, 4, 0x7FFFFFFF}) {
        Bytes b = syntest::Header(6);
        b.I16(1).U16(0);
        syntest::Record(b, 107, "OCX1", "");
        b.Short("{CLSID}").I32(size).Raw("abc");
        auto read = screens::ReadScreen(b.data);
        ASSERT_TRUE(read.IsOk());
        ASSERT_TRUE(read->stop) << size;
        EXPECT_NE(read->stop->message.find("ActiveX"), std::string::npos) << read->stop->message;
        EXPECT_TRUE(read->objects.empty());
    }
}

TEST(SynDamage, UnknownClassStopsReadingButKeepsTheObjectsBeforeAndItsRecord) {
    Bytes b = syntest::Header(7);
    b.I16(3).U16(0);
    syntest::Record(b, 106, "TXT1", "TCALARM");
    b.Fixed(255, "hint");
    syntest::Record(b, 121, "BTN1", "TCFOO");
    b.Fill(300, '\x42'); // its data, which nobody can read
    syntest::Record(b, 101, "RECT1", "");
    auto read = screens::ReadScreen(b.data);
    ASSERT_TRUE(read.IsOk()) << read.Error();
    ASSERT_TRUE(read->stop);
    EXPECT_EQ(read->stop->kind, screens::SynStopKind::UnknownClass);
    EXPECT_EQ(read->stop->objectIndex, 1);
    EXPECT_NE(read->stop->message.find("TCFOO"), std::string::npos) << read->stop->message;
    ASSERT_EQ(read->objects.size(), 2u);
    EXPECT_EQ(read->objects[0].classData->Find("hint")->bytes, "hint");
    EXPECT_EQ(read->objects[1].attributes.objectName, "BTN1");
    EXPECT_FALSE(read->objects[1].classData);
}

} // namespace
