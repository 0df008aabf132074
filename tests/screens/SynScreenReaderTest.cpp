// Quorva run-time. Licensed under the MIT licence.
#include "SynTestBytes.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <gtest/gtest.h>

namespace {

using syntest::Bytes;

// The record values that syntest::Record writes.
void ExpectRecordValues(const screens::SynObject& object) {
    const screens::AttributsFig& a = object.attributes;
    EXPECT_EQ(a.linkGroup, -2);
    EXPECT_EQ(a.text, "Level");
    EXPECT_EQ(a.pageValue, 3);
    EXPECT_EQ(a.x1, 5);
    EXPECT_EQ(a.y1, 6);
    EXPECT_EQ(a.x2, 105);
    EXPECT_EQ(a.y2, 56);
    EXPECT_EQ(a.foreColour, 0x000000FFu);
    EXPECT_EQ(a.penStyle, 2);
    EXPECT_EQ(a.penWidth, 3);
    EXPECT_EQ(a.backColour, 0x8000000Fu);
    EXPECT_EQ(a.filled, 1);
    EXPECT_EQ(a.fontName, "Arial");
    EXPECT_EQ(a.fontHeight, -12);
    EXPECT_EQ(a.bold, 1);
    EXPECT_EQ(a.italic, 0);
    EXPECT_EQ(a.underline, 1);
    EXPECT_EQ(a.strikeOut, 0);
    EXPECT_EQ(a.pageLayer, 2);
    EXPECT_EQ(a.tabCount, 4);
    EXPECT_EQ(a.multiLine, 1);
    EXPECT_EQ(a.sorted, 1);
    EXPECT_EQ(a.alignment, 5);
    EXPECT_EQ(a.editOption, 1);
    EXPECT_EQ(a.memoVScroll, 1);
    EXPECT_EQ(a.password, 1);
    EXPECT_EQ(a.angle, 270);
    EXPECT_EQ(a.options, 6);
    EXPECT_EQ(a.secondLinkKey, 77);
    EXPECT_EQ(a.unitName, "StartXLS");
    EXPECT_EQ(a.arguments, "(1,OPENEXCEL)");
    EXPECT_EQ(object.unreadBytes, (std::array<std::uint8_t, 6>{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}));
}

TEST(SynScreenReader, ReadsAVersion7FileToItsLastByte) {
    Bytes b = syntest::Header(7, "Tank farm");
    ASSERT_EQ(b.Size(), 2536u);
    b.I16(2).U16(1);
    ASSERT_EQ(b.Size(), 2540u);
    // A page control (kind 145, class name cut to 10 characters) with two pages: tabs on top,
    // first count 0, tab style, count 2, two captions, multi-line, scroll-opposite.
    syntest::Record(b, 145, "Window1", "PAGECONTRO");
    b.U8(1).I16(0).U8(2).I16(2).Short("Pumps").Short("Valves").U8(1).U8(0);
    // A value display on the first page, class data in version 7 (no padding).
    syntest::Record(b, 122, "VAL1", "tcvalue", "Window1_S0");
    b.Short("LEVEL").U8(1).Short("").Short("%").U8(0).Short("").U8(1).Short("ALARM").Fixed(255, "Tank level");

    auto read = screens::ReadScreen(b.data);
    ASSERT_TRUE(read.IsOk()) << read.Error();
    const screens::SynScreen& screen = read.Value();
    EXPECT_FALSE(screen.stop);
    EXPECT_TRUE(screen.warnings.empty());
    EXPECT_EQ(screen.bytesRead, b.Size());

    const screens::SynHeader& h = screen.header;
    EXPECT_EQ(h.version, 7);
    EXPECT_EQ(h.caption, "Tank farm");
    EXPECT_EQ(h.colour, 0x00FF8040u);
    EXPECT_EQ(h.left, 10);
    EXPECT_EQ(h.top, 20);
    EXPECT_EQ(h.right, 650);
    EXPECT_EQ(h.bottom, 500);
    EXPECT_EQ(h.hasCaptionBar, 1);
    EXPECT_EQ(h.sizeable, 0);
    EXPECT_EQ(h.mdiChild, 1);
    EXPECT_EQ(h.centred, 1);
    EXPECT_EQ(h.maximized, 0);
    EXPECT_EQ(h.editorData, std::string(145, '\xEE'));
    EXPECT_EQ(h.windowFlags, 1);
    ASSERT_TRUE(screen.extended);
    EXPECT_EQ(screen.extended->minWidth, 100);
    EXPECT_EQ(screen.extended->maxWidth, 800);
    EXPECT_EQ(screen.extended->minHeight, 50);
    EXPECT_EQ(screen.extended->maxHeight, 600);
    EXPECT_EQ(screen.extended->autoScroll, 1);
    EXPECT_EQ(screen.extended->icon, std::string(2238, '\x11'));

    ASSERT_EQ(screen.objects.size(), 2u);
    const screens::SynObject& pages = screen.objects[0];
    ExpectRecordValues(pages);
    EXPECT_EQ(pages.attributes.kind, 145);
    EXPECT_EQ(pages.attributes.objectName, "Window1");
    ASSERT_TRUE(pages.classData);
    EXPECT_EQ(pages.classData->layout->name, "PageControl");
    EXPECT_EQ(pages.classData->Find("tabsOnTop")->number, 1);
    EXPECT_TRUE(pages.classData->Find("tabStyle")->present);
    EXPECT_EQ(pages.classData->Find("tabStyle")->number, 2);
    EXPECT_EQ(pages.classData->Find("pageCaptions")->items,
              (std::vector<std::string>{"Pumps", "Valves"}));
    EXPECT_EQ(pages.classData->Find("multiLineTabs")->number, 1);

    const screens::SynObject& value = screen.objects[1];
    EXPECT_EQ(value.attributes.parentName, "Window1_S0");
    ASSERT_TRUE(value.classData);
    EXPECT_EQ(value.classData->layout->name, "TCVALUE");
    EXPECT_EQ(value.classData->Find("value.n1")->bytes, "LEVEL");
    EXPECT_EQ(value.classData->Find("value.n3")->bytes, "%");
    EXPECT_EQ(value.classData->Find("value.n5")->bytes, "ALARM");
    EXPECT_EQ(value.classData->Find("hint")->bytes, "Tank level");

    // Written back, the file is the same bytes.
    auto written = screens::WriteScreen(screen);
    ASSERT_TRUE(written.IsOk()) << written.Error();
    EXPECT_EQ(written.Value(), b.data);
}

TEST(SynScreenReader, ReadsAVersion5FileWithPaddedNameStrings) {
    Bytes b = syntest::Header(5, "Main", 'x');
    ASSERT_EQ(b.Size(), 230u);
    b.I16(1).U16(0);
    // A bar graph: its value record's name strings each take 256 bytes, padding not zeros.
    syntest::Record(b, 123, "BAR1", "TCBARV");
    std::size_t classStart = b.Size();
    b.Fixed(255, "LEVEL", '?').U8(1).Fixed(255, "0", '?').Fixed(255, "100", '?').U8(0);
    b.Fixed(255, "", '?').U8(0).Fixed(255, "", '?').Fixed(255, "", '?');
    EXPECT_EQ(b.Size() - classStart, 5u * 256 + 3 + 256);

    auto read = screens::ReadScreen(b.data);
    ASSERT_TRUE(read.IsOk()) << read.Error();
    EXPECT_FALSE(read->extended);
    EXPECT_EQ(read->header.caption, "Main") << "the slots after the caption's length are not text";
    EXPECT_FALSE(read->stop) << read->stop->message;
    EXPECT_EQ(read->bytesRead, b.Size());
    ASSERT_EQ(read->objects.size(), 1u);
    ExpectRecordValues(read->objects[0]);
    const screens::ClassData& data = *read->objects[0].classData;
    EXPECT_EQ(data.Find("value.n1")->bytes, "LEVEL");
    EXPECT_EQ(data.Find("value.n2")->bytes, "0");
    EXPECT_EQ(data.Find("value.n3")->bytes, "100");

    // The writer pads the same way (with zeros), so the sizes agree.
    auto written = screens::WriteScreen(read.Value());
    ASSERT_TRUE(written.IsOk()) << written.Error();
    EXPECT_EQ(written->size(), b.Size());
    EXPECT_EQ(screens::ReadScreen(written.Value()).Value(), read.Value());
}

TEST(SynScreenReader, ObjectCountOfZeroOrLessMeansNoObjectsAndExtraBytesAreReported) {
    for (int count : {0, -3}) {
        Bytes b = syntest::Header(6);
        b.I16(count).U16(0);
        syntest::Record(b, 101, "RECT", "");
        auto read = screens::ReadScreen(b.data);
        ASSERT_TRUE(read.IsOk()) << read.Error();
        EXPECT_TRUE(read->objects.empty());
        EXPECT_FALSE(read->stop);
        EXPECT_EQ(read->bytesRead, 234u);
        ASSERT_EQ(read->warnings.size(), 1u);
        EXPECT_NE(read->warnings[0].find("after the last object"), std::string::npos);
    }
}

TEST(SynScreenReader, ReadsPointListsAndActiveXControls) {
    Bytes b = syntest::Header(6);
    b.I16(3).U16(0);
    syntest::Record(b, 105, "LINE1", "");
    b.U16(3);
    for (int i = 0; i < 100; ++i)
        b.I32(i < 3 ? i * 10 : 999).I32(i < 3 ? -i : 999); // slots after the count are ignored
    b.U16(7).U16(0xFFFF);
    syntest::Record(b, 107, "OCX1", "TMyOcx");
    b.Short("{8856F961-340A-11D0-A96B-00C04FD705A2}").I32(4).Raw("\x01\x02\x03\x04");
    syntest::Record(b, 112, "POLY1", "");
    b.U16(0).Fill(800).U16(0).U16(0);

    auto read = screens::ReadScreen(b.data);
    ASSERT_TRUE(read.IsOk()) << read.Error();
    ASSERT_FALSE(read->stop) << read->stop->message;
    ASSERT_EQ(read->objects.size(), 3u);
    EXPECT_EQ(read->objects[0].points,
              (std::vector<screens::SynPoint>{{0, 0}, {10, -1}, {20, -2}}));
    EXPECT_EQ(read->objects[0].pointExtra, (std::array<std::uint16_t, 2>{7, 0xFFFF}));
    // An ActiveX control of a class the layouts do not know has no class data.
    EXPECT_EQ(read->objects[1].activeX.classId, "{8856F961-340A-11D0-A96B-00C04FD705A2}");
    EXPECT_EQ(read->objects[1].activeX.data, "\x01\x02\x03\x04");
    EXPECT_FALSE(read->objects[1].classData);
    EXPECT_TRUE(read->objects[2].points.empty());
    EXPECT_EQ(read->bytesRead, b.Size());
}

} // namespace
