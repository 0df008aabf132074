// Quorva run-time. Licensed under the MIT licence.
#include "SynTestBytes.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/SynScreenReader.h"
#include "screens/SynScreenWriter.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <set>

namespace {

using screens::ClassData;
using screens::ClassLayout;
using screens::FieldType;

// Class data with a different, non-default value in every field.
ClassData Filled(const ClassLayout& layout) {
    ClassData data = screens::DefaultClassData(layout);
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const screens::FieldSpec& field = layout.fields[i];
        screens::FieldValue& value = data.values[i];
        auto n = static_cast<int>(i);
        std::string pattern;
        for (std::size_t k = 0; k < field.size; ++k)
            pattern.push_back(static_cast<char>((k * 31 + i) % 251 + 1));
        switch (field.type) {
        case FieldType::Byte: value.number = (n * 7 + 1) % 256; break;
        case FieldType::Int16: value.number = -1000 - n; break;
        case FieldType::Int32: value.number = -100000 * n - 1; break;
        case FieldType::Raw:
        case FieldType::SettingsBlock: value.bytes = pattern; break;
        case FieldType::Name: value.bytes = "N:" + field.name; break;
        case FieldType::String256: value.bytes = i % 2 ? std::string(255, 'h') : "S:" + field.name; break;
        case FieldType::FixedString: value.bytes = std::string(field.size, 'f'); break;
        case FieldType::List:
        case FieldType::PageCaptions: value.items = {"first", "", std::string(255, 'x')}; break;
        case FieldType::PageTabStyle: value.number = 3; break;
        case FieldType::ColumnCount: value.number = 3; break;
        case FieldType::ColumnList: value.items = {"\x01\x02\x03\x04", "abcd", "\xff\xff\xff\xff"}; break;
        }
    }
    return data;
}

TEST(ClassLayouts, EveryLayoutRoundTripsThroughAScreenFileInEveryVersion) {
    const auto& layouts = screens::ClassLayouts();
    ASSERT_EQ(layouts.size(), 48u);
    for (int version = 3; version <= 7; ++version) {
        screens::SynScreen screen;
        screen.header.version = version;
        for (const ClassLayout& layout : layouts) {
            screens::SynObject object;
            object.attributes.kind = 145;
            object.attributes.className = std::string(layout.name.substr(0, 10));
            object.attributes.objectName = std::string(layout.name.substr(0, 15));
            object.classData = Filled(layout);
            screen.objects.push_back(std::move(object));
        }
        auto written = screens::WriteScreen(screen);
        ASSERT_TRUE(written.IsOk()) << "version " << version << ": " << written.Error();
        auto read = screens::ReadScreen(written.Value());
        ASSERT_TRUE(read.IsOk()) << read.Error();
        ASSERT_FALSE(read->stop) << read->stop->message;
        EXPECT_EQ(read->bytesRead, written->size());
        EXPECT_TRUE(read->warnings.empty());
        ASSERT_EQ(read->objects.size(), layouts.size());
        for (std::size_t i = 0; i < layouts.size(); ++i)
            EXPECT_EQ(read->objects[i], screen.objects[i])
                << layouts[i].name << " in version " << version;
    }
}

TEST(ClassLayouts, DataSizesFollowTheTokenTables) {
    // Bytes of each layout's default data (empty texts and lists) in a version 6 file, counted
    // by hand from the layout tables; and in version 5, where each name string takes 256.
    struct Expected {
        const char* name;
        std::size_t version6;
        std::size_t names;
    };
    const Expected expected[] = {
        {"TCLigne", 7 + 17 + 40 + 256, 17},     {"TCPolyLine", 7 + 17 + 40 + 256 + 8, 17},
        {"TCBARV", 8 + 256, 5},                 {"TCTexte", 6 + 21 + 40 + 256, 21},
        {"TCBitmap", 7 + 23 + 8 + 256, 23},     {"TCEdit", 8 + 7 + 256, 7},
        {"TCCOMBO", 12 + 256, 6},               {"TCRADIO", 3 + 256, 2},
        {"TCBUTTON", 256 * 2 + 7 + 1 + 17 + 256, 9}, {"TCXButton", 256 * 2 + 17 + 256, 9},
        {"TCUPDOWN", 256 + 4 + 256 + 4 + 3 + 256, 2}, {"TCTRACKBAR", 3 + 256, 2},
        {"STrackBar", 25, 0},                   {"TSLIDER", 8 + 76 + 3 + 256, 2},
        {"TKNOB", 6 + 72 + 3 + 256, 2},         {"TCTREND", 37 + 8 + 17 + 32 + 256, 17},
        {"TCShTrend", 256 + 1251, 0},           {"TCGrille", 256 + 4 + 4 + 8 + 4 + 8, 0},
        {"TCAxis", 256 + 21 + 24, 0},           {"TCALARM", 256, 0},
        {"TCGALARM", 8 * 256 + 20, 0},          {"TCDDE", 8, 6},
        {"TCMENU", 24, 24},                     {"TCGFORMULE", 3, 3},
        {"PAGECONTRO", 1 + 2 + 1 + 2 + 2, 0},   {"ListView", 4 + 16, 0},
        {"MPopUp", 256 + 2, 0},                 {"Sout", 3, 0},
        {"DATETIMEPI", 1, 0},                   {"Splitter", 5, 0},
        {"CheckListB", 0, 0},
    };
    for (const Expected& e : expected) {
        const ClassLayout* layout = screens::FindClassLayout(e.name);
        ASSERT_NE(layout, nullptr) << e.name;
        for (int version : {5, 6}) {
            screens::SynByteWriter writer;
            screens::WriteClassData(writer, screens::DefaultClassData(*layout), version);
            ASSERT_TRUE(writer.Ok()) << writer.Error();
            std::size_t size = version == 6 ? e.version6 : e.version6 + e.names * 255;
            EXPECT_EQ(writer.Bytes().size(), size) << e.name << " version " << version;
        }
    }
}

TEST(ClassLayouts, FindsAClassByTheFirstTenCharactersIgnoringCase) {
    EXPECT_EQ(screens::FindClassLayout("PAGECONTRO")->name, "PageControl");
    EXPECT_EQ(screens::FindClassLayout("tcbarv")->name, "TCBARV");
    EXPECT_EQ(screens::FindClassLayout("DateTimePi")->name, "DateTimePicker");
    EXPECT_EQ(screens::FindClassLayout("TCPOLYGONE")->name, "TCPolygone");
    EXPECT_EQ(screens::FindClassLayout("PageControl"), nullptr) << "a file holds 10 characters";
    EXPECT_EQ(screens::FindClassLayout("TCBAR"), nullptr);
    EXPECT_EQ(screens::FindClassLayout(""), nullptr);
    for (const ClassLayout& layout : screens::ClassLayouts()) {
        std::set<std::string> names;
        for (const screens::FieldSpec& field : layout.fields)
            EXPECT_TRUE(names.insert(field.name).second) << layout.name << "." << field.name;
        EXPECT_EQ(screens::FindClassLayout(layout.name.substr(0, 10)), &layout) << layout.name;
    }
    // Fields the run-time acts on carry their own names; the rest are numbered per letter.
    const ClassLayout& button = *screens::FindClassLayout("TCBUTTON");
    EXPECT_EQ(button.fields[0].name, "glyphName");
    EXPECT_EQ(button.fields[2].name, "glyphPosition");
    EXPECT_EQ(button.fields[3].name, "b1");
    EXPECT_EQ(button.fields[4].name, "button.unit");
    EXPECT_EQ(button.fields.back().name, "hint");
    const ClassLayout& text = *screens::FindClassLayout("TCTexte");
    EXPECT_EQ(text.fields[3].name, "text.trueText");
    EXPECT_EQ(text.fields[5].name, "text.n4");
}

TEST(ClassLayouts, PageControlKeepsTheFormOfItsPageCount) {
    const ClassLayout& layout = *screens::FindClassLayout("PAGECONTRO");
    // Without a tab style (count first), and with neither style nor pages (a negative count).
    syntest::Bytes withoutStyle;
    withoutStyle.U8(0).I16(2).Short("A").Short("B").U8(1).U8(1);
    syntest::Bytes nothing;
    nothing.U8(1).I16(-1).U8(0).U8(0);
    for (const std::string& bytes : {withoutStyle.data, nothing.data}) {
        screens::SynCursor cursor(bytes);
        ClassData data = screens::ReadClassData(cursor, layout, 7);
        ASSERT_TRUE(cursor.Ok()) << cursor.Error();
        EXPECT_EQ(cursor.Remaining(), 0u);
        EXPECT_FALSE(data.Find("tabStyle")->present);
        screens::SynByteWriter writer;
        screens::WriteClassData(writer, data, 7);
        EXPECT_EQ(writer.Bytes(), bytes);
    }
}

TEST(ClassLayouts, ShortSettingsBlockReadsAsZerosAndOtherShortReadsFail) {
    const ClassLayout& trend = *screens::FindClassLayout("TCShTrend");
    syntest::Bytes b;
    b.Fixed(255, "hint").Fill(30, '\x5a');
    screens::SynCursor cursor(b.data);
    std::vector<std::string> warnings;
    ClassData data = screens::ReadClassData(cursor, trend, 7, &warnings);
    ASSERT_TRUE(cursor.Ok()) << cursor.Error();
    EXPECT_EQ(cursor.Remaining(), 0u);
    EXPECT_EQ(data.Find("settings")->bytes, std::string(1251, '\0'));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("30 of 1251"), std::string::npos) << warnings[0];

    // Every other class refuses to run short, naming the field.
    screens::SynCursor axis(b.data);
    auto read = screens::ReadClassData(axis, "TCAXIS", 7);
    ASSERT_FALSE(read.IsOk());
    EXPECT_NE(read.Error().find("TCAxis"), std::string::npos) << read.Error();
    screens::SynCursor unknown(b.data);
    EXPECT_FALSE(screens::ReadClassData(unknown, "TCNOTHING", 7).IsOk());
}

TEST(ClassLayouts, RefusesCountsTheBytesCannotHoldAndValuesTheFieldsCannotHold) {
    syntest::Bytes grid;
    grid.Fixed(255, "").I32(-1).Fill(40);
    screens::SynCursor negative(grid.data);
    auto read = screens::ReadClassData(negative, "TCGrille", 7);
    ASSERT_FALSE(read.IsOk());
    EXPECT_NE(read.Error().find("negative"), std::string::npos) << read.Error();
    syntest::Bytes huge;
    huge.Fixed(255, "").I32(0x7FFFFFFF).Fill(40);
    screens::SynCursor tooMany(huge.data);
    EXPECT_FALSE(screens::ReadClassData(tooMany, "TCGrille", 7).IsOk());
    syntest::Bytes list;
    list.U8(0).U8(0).I16(30000).Short("one");
    screens::SynCursor longList(list.data);
    EXPECT_FALSE(screens::ReadClassData(longList, "ListView", 7).IsOk());

    ClassData data = Filled(*screens::FindClassLayout("TCGrille"));
    data.Find("columnCount")->number = 2;
    EXPECT_FALSE(screens::CheckClassData(data).IsOk());
    data = Filled(*screens::FindClassLayout("TCUPDOWN"));
    data.Find("maximum")->number = 40000;
    auto status = screens::CheckClassData(data);
    ASSERT_FALSE(status.IsOk());
    EXPECT_NE(status.Error().find("maximum"), std::string::npos) << status.Error();
    data = Filled(*screens::FindClassLayout("TCLigne"));
    data.Find("line.r1")->bytes = "short";
    EXPECT_FALSE(screens::CheckClassData(data).IsOk());
}

} // namespace
