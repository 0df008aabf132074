// Quorva run-time. Licensed under the MIT licence.
#include "SynTestBytes.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <gtest/gtest.h>

namespace {

using syntest::Bytes;

// An object record of version 3 or 4: fixed slots for the parent name, then the 103 raw bytes of
// positions 275..377, then (version 4) the second link key, unit name and argument list.
void OldRecord(Bytes& b, int version, char filler) {
    std::size_t start = b.Size();
    b.U8(121).Fixed(15, "Window1_S1", filler).I16(4).Short("Start");
    std::size_t raw = b.Size();
    b.U8(0).Fixed(10, "TCBUTTON", filler).I16(10).I16(20).I16(90).I16(45);
    b.U32(0x00000000).U8(0).U8(1).U8(filler).U32(0x8000000F).U8(1);
    b.Fixed(31, "MS Sans Serif", filler).I16(-11);
    for (unsigned value : {1u, 0u, 0u, 0u, 1u, 0u, 0u, 0u, 0u, 0u, 0u})
        b.U8(value);
    b.U8(0).U8(0).U8(0).U8(0).U16(0).U8(0).U8(0);
    b.Fixed(15, "BTNSTART", filler).I16(0x0104);
    EXPECT_EQ(b.Size() - raw, 103u);
    if (version == 4)
        b.I32(-5).Short("StartXLS").Short("(1,OPENEXCEL)");
    EXPECT_EQ(b.Size() - start, version == 4 ? 155u : 128u);
}

// A button's class data with name strings padded to 256 bytes, as in every file up to version 5.
void ButtonData(Bytes& b) {
    b.Fixed(255, "PUMP.BMP").Fixed(255, "Pump").Fixed(6, "Left").U8(1);
    b.Fixed(255, "StartPump").U8(1).Fixed(255, "Pulse");
    for (int i = 0; i < 14; ++i) // B, B, B, N, B, N, B, N(key), B, B, N, N, N, N
        if (i == 7)
            b.Fixed(255, "F1");
        else if (i == 0 || i == 1 || i == 2 || i == 4 || i == 6 || i == 8 || i == 9)
            b.U8(0);
        else
            b.Fixed(255, "");
    b.Fixed(255, "Starts the pump");
}

TEST(SynRecords, ReadsVersion3And4RecordsFromTheirRawBlock) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        Bytes b = syntest::Header(version);
        b.I16(1).U16(0);
        OldRecord(b, version, '#');
        ButtonData(b);
        auto read = screens::ReadScreen(b.data);
        ASSERT_TRUE(read.IsOk()) << read.Error();
        ASSERT_FALSE(read->stop) << read->stop->message;
        EXPECT_EQ(read->bytesRead, b.Size());
        ASSERT_EQ(read->objects.size(), 1u);
        const screens::SynObject& object = read->objects[0];
        const screens::AttributsFig& a = object.attributes;
        EXPECT_EQ(a.kind, 121);
        EXPECT_EQ(a.parentName, "Window1_S1");
        EXPECT_EQ(a.linkGroup, 4);
        EXPECT_EQ(a.text, "Start");
        EXPECT_EQ(a.className, "TCBUTTON");
        EXPECT_EQ(a.x2, 90);
        EXPECT_EQ(a.y2, 45);
        EXPECT_EQ(a.penWidth, 1);
        EXPECT_EQ(object.unreadBytes[0], '#');
        EXPECT_EQ(a.backColour, 0x8000000Fu);
        EXPECT_EQ(a.fontName, "MS Sans Serif");
        EXPECT_EQ(a.fontHeight, -11);
        EXPECT_EQ(a.bold, 1);
        EXPECT_EQ(a.pageLayer, 1);
        EXPECT_EQ(a.objectName, "BTNSTART");
        EXPECT_EQ(a.options, 0x0104);
        EXPECT_EQ(a.secondLinkKey, version == 4 ? -5 : 0);
        EXPECT_EQ(a.unitName, version == 4 ? "StartXLS" : "");
        EXPECT_EQ(a.arguments, version == 4 ? "(1,OPENEXCEL)" : "");
        ASSERT_TRUE(object.classData);
        const screens::ClassData& data = *object.classData;
        EXPECT_EQ(data.Find("glyphName")->bytes, "PUMP.BMP");
        EXPECT_EQ(data.Find("glyphPosition")->bytes, "Left");
        EXPECT_EQ(data.Find("button.unit")->bytes, "StartPump");
        EXPECT_EQ(data.Find("button.actionMode")->bytes, "Pulse");
        EXPECT_EQ(data.Find("button.key")->bytes, "F1");
        EXPECT_EQ(data.Find("hint")->bytes, "Starts the pump");
    }
}

TEST(SynRecords, WritesVersion3And4RecordsByteForByte) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        Bytes b = syntest::Header(version);
        b.I16(1).U16(0);
        OldRecord(b, version, '\0');
        ButtonData(b);
        auto read = screens::ReadScreen(b.data);
        ASSERT_TRUE(read.IsOk()) << read.Error();
        auto written = screens::WriteScreen(read.Value());
        ASSERT_TRUE(written.IsOk()) << written.Error();
        EXPECT_EQ(written.Value(), b.data);
    }
}

TEST(SynRecords, WriterRefusesWhatTheVersionCannotHold) {
    screens::SynScreen screen;
    screens::SynObject object;
    object.attributes.kind = 101;
    object.attributes.unitName = "StartXLS";
    screen.objects.push_back(object);
    screen.header.version = 3;
    auto v3 = screens::WriteScreen(screen);
    ASSERT_FALSE(v3.IsOk());
    EXPECT_NE(v3.Error().find("object 0"), std::string::npos) << v3.Error();
    EXPECT_NE(v3.Error().find("version 3"), std::string::npos) << v3.Error();

    // Version 4 keeps the argument list in a short string; version 5 on in chunks.
    screen.objects[0].attributes.arguments = std::string(300, 'a');
    screen.header.version = 4;
    auto v4 = screens::WriteScreen(screen);
    ASSERT_FALSE(v4.IsOk());
    EXPECT_NE(v4.Error().find("argument list"), std::string::npos) << v4.Error();
    screen.header.version = 5;
    auto v5 = screens::WriteScreen(screen);
    ASSERT_TRUE(v5.IsOk()) << v5.Error();
    EXPECT_EQ(screens::ReadScreen(v5.Value())->objects[0].attributes.arguments, std::string(300, 'a'));

    // Names longer than the record keeps, version 2 or 8, and data that belongs to another kind.
    screen.objects[0].attributes.objectName = "A_NAME_OF_20_CHARS__";
    EXPECT_FALSE(screens::WriteScreen(screen).IsOk());
    screen.objects[0].attributes.objectName = "RECT1";
    for (int version : {2, 8}) {
        screen.header.version = version;
        EXPECT_FALSE(screens::WriteScreen(screen).IsOk()) << version;
    }
    screen.header.version = 7;
    screen.objects[0].points.push_back({1, 1});
    EXPECT_FALSE(screens::WriteScreen(screen).IsOk());
    screen.objects[0].points.clear();
    screen.objects[0].attributes.className = "TCRect";
    auto noData = screens::WriteScreen(screen);
    ASSERT_FALSE(noData.IsOk());
    EXPECT_NE(noData.Error().find("class data"), std::string::npos) << noData.Error();
    screen.objects[0].classData = screens::DefaultClassData(*screens::FindClassLayout("TCBUTTON"));
    EXPECT_FALSE(screens::WriteScreen(screen).IsOk());
    screen.objects[0].classData = screens::DefaultClassData(*screens::FindClassLayout("TCRECT"));
    EXPECT_TRUE(screens::WriteScreen(screen).IsOk());
}

} // namespace
