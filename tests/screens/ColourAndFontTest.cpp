// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <limits>

#include <QFontInfo>
#include <QFontMetrics>

#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/FigureProperties.h"
#include "screens/WindowsColour.h"

TEST(WindowsColour, ReadsBgrValuesAndSystemColoursFromTheClassicTable)
{
    EXPECT_EQ(screens::WindowsColour(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(screens::WindowsColour(0x00FF0000), QColor(0, 0, 255));
    EXPECT_EQ(screens::WindowsColour(0x00123456), QColor(0x56, 0x34, 0x12));
    // Button face, active caption, window, button shadow.
    EXPECT_EQ(screens::WindowsColour(0x8000000F), QColor(192, 192, 192));
    EXPECT_EQ(screens::WindowsColour(0x80000002), QColor(0, 0, 128));
    EXPECT_EQ(screens::WindowsColour(0x80000005), QColor(255, 255, 255));
    EXPECT_EQ(screens::WindowsColour(0x80000010), QColor(128, 128, 128));
    // Past the table: black, never a read outside it.
    EXPECT_EQ(screens::WindowsColour(0x800000FF), QColor(0, 0, 0));
    EXPECT_EQ(screens::WindowsColour(0x80FFFFFF), QColor(0, 0, 0));
    // "No colour" draws nothing; palette forms keep their low 24 bits.
    EXPECT_EQ(screens::WindowsColour(screens::kNoColour).alpha(), 0);
    EXPECT_EQ(screens::WindowsColour(0x020000FF), QColor(255, 0, 0));

    EXPECT_EQ(screens::ToWindowsColour(QColor(0x56, 0x34, 0x12)), 0x00123456u);
}

TEST(FigureFont, WindowsNamesDrawWithTheInstalledLiberationFonts)
{
    EXPECT_EQ(screens::FontFamilyFor("ARIAL"), "Liberation Sans");
    EXPECT_EQ(screens::FontFamilyFor("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(screens::FontFamilyFor("Times New Roman"), "Liberation Serif");
    EXPECT_EQ(screens::FontFamilyFor("courier new"), "Liberation Mono");
    EXPECT_EQ(screens::FontFamilyFor(""), "Liberation Sans");
    EXPECT_EQ(screens::FontFamilyFor("Wingdings"), "Wingdings");

    // The substitutes are really there: the set-up installs them.
    for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
        const QFont font = screens::FigureFont(name, -13, 0);
        EXPECT_EQ(QFontInfo(font).family(), screens::FontFamilyFor(name)) << name;
    }
}

TEST(FigureFont, HeightsFollowTheWindowsRules)
{
    // Negative: the character height in pixels.
    EXPECT_EQ(screens::FigureFont("Arial", -20, 0).pixelSize(), 20);
    // Zero: the default dialog text height.
    EXPECT_EQ(screens::FigureFont("Arial", 0, 0).pixelSize(), 11);
    // Positive: the cell height, so the font's line height comes out at about that size.
    const QFont cell = screens::FigureFont("Arial", 30, 0);
    EXPECT_LT(cell.pixelSize(), 30);
    EXPECT_NEAR(QFontMetrics(cell).height(), 30, 2);

    const QFont styled = screens::FigureFont("Arial", -12, screens::kFontBold | screens::kFontUnderline);
    EXPECT_TRUE(styled.bold());
    EXPECT_TRUE(styled.underline());
    EXPECT_FALSE(styled.italic());
    EXPECT_FALSE(styled.strikeOut());

    // 8 points on a 96 pixels-per-inch screen are 10.67 pixels, rounded to 11.
    EXPECT_EQ(screens::HeightFromPoints(8, 96), -11);
    EXPECT_EQ(screens::HeightFromPoints(12, 96), -16);
}

TEST(FigureProperties, KindsBringTheirDefaultsAndKeepTheRest)
{
    screens::FigureProperties bar;
    bar.foreColour = 0x00112233;
    bar.value = 42;
    screens::ApplyKindDefaults(bar, static_cast<std::uint8_t>(screens::FigureKind::BarV));
    EXPECT_EQ(bar.backColour, screens::kRed);
    EXPECT_TRUE(bar.filled);
    EXPECT_FALSE(bar.transparent);
    EXPECT_EQ(bar.value, 0);
    EXPECT_EQ(bar.text, "100");
    EXPECT_EQ(bar.foreColour, 0x00112233u);

    screens::FigureProperties group;
    screens::ApplyKindDefaults(group, static_cast<std::uint8_t>(screens::FigureKind::Group));
    EXPECT_EQ(group.backColour, screens::kActiveBorder);
    EXPECT_EQ(group.foreColour, screens::kActiveCaption);
    EXPECT_TRUE(group.transparent);

    screens::FigureProperties tabs;
    screens::ApplyKindDefaults(tabs, static_cast<std::uint8_t>(screens::FigureKind::TabSet));
    EXPECT_EQ(tabs.tabCount, 4);
    EXPECT_EQ(tabs.backColour, screens::kButtonFace);

    EXPECT_EQ(screens::ClampPercent(150), 100);
    EXPECT_EQ(screens::ClampPercent(-5), 0);
    EXPECT_EQ(screens::ClampPercent(std::numeric_limits<long double>::quiet_NaN()), 0);
    EXPECT_EQ(screens::ClampPercent(37.5L), 37.5L);
}

TEST(FigureKind, NamesAndFigureClassesOfTheKindCodes)
{
    EXPECT_EQ(screens::FigureKindName(123), "BarV");
    EXPECT_EQ(screens::FigureKindName(147), "XPBUTTON");
    EXPECT_EQ(screens::FigureKindName(99), "");
    EXPECT_EQ(screens::FigureKindFromName("roundrec"), 102);
    EXPECT_FALSE(screens::FigureKindFromName("Triangle").has_value());
    EXPECT_EQ(screens::FigureClassOf(127), screens::FigureClass::TracePoint);
    EXPECT_EQ(screens::FigureClassOf(133), screens::FigureClass::Extension);
    EXPECT_EQ(screens::FigureClassOf(114), screens::FigureClass::Edit);
    EXPECT_EQ(screens::FigureClassOf(145), screens::FigureClass::Simple);
    EXPECT_EQ(screens::FigureClassOf(108), screens::FigureClass::None);
    EXPECT_TRUE(screens::HasPointList(112));
    EXPECT_FALSE(screens::HasPointList(106));
}
