// Quorva run-time. Licensed under the MIT licence.
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "FigureTestSupport.h"
#include "screens/ButtonClasses.h"
#include "screens/ClassData.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/FigureKind.h"
#include "screens/ScreenGlobals.h"

namespace {

using namespace figuretest;
using screens::ClassData;

constexpr std::uint8_t kButtonKind = static_cast<std::uint8_t>(screens::FigureKind::Button);

struct ButtonData {
    std::string glyph;
    std::string caption;
    std::string position = "Left";
    bool enabled = true;
    bool group = false;
};

// Button figures with glyph-button objects in a window.
class ButtonClasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::SetCurrentWindow(&m_form);
        m_form.resize(400, 200);
    }
    void TearDown() override { screens::Globals().Reset(); }

    screens::FBase* Button(const ButtonData& data, bool filled = true, int x = 10)
    {
        screens::AttributsFig record = Record(kButtonKind, x, 10, x + 60, 40);
        record.backColour = kRecordGreen;
        record.filled = filled ? 1 : 0;
        screens::FBase* figure = MakeFigure(m_form, record);
        ClassData classData = screens::DefaultClassData(*screens::FindClassLayout("TCBUTTON"));
        classData.Find("glyphName")->bytes = data.glyph;
        classData.Find("caption")->bytes = data.caption;
        classData.Find("glyphPosition")->bytes = data.position;
        classData.Find("b1")->number = data.enabled ? 1 : 0;
        classData.Find("button.b3")->number = data.group ? 1 : 0;
        screens::SetCurrentFigure(figure);
        auto object = std::make_unique<screens::TCButton>();
        object->ReadData(&classData);
        figure->AttachScreenObject(std::move(object));
        return figure;
    }
    static screens::ButtonBinding& Object(screens::FBase* figure)
    {
        return *dynamic_cast<screens::ButtonBinding*>(figure->ScreenObject());
    }
    static void Run(screens::FBase* figure)
    {
        screens::SetCurrentFigure(figure);
        figure->ScreenObject()->Run();
    }
    static void Chain(const std::vector<screens::FBase*>& figures)
    {
        for (std::size_t i = 0; i + 1 < figures.size(); ++i) {
            figures[i]->SetLinkNext(figures[i + 1]);
            figures[i + 1]->SetLinkPrevious(figures[i]);
        }
    }

    // A 32 x 16 glyph file holding two glyphs: red (up) and blue (disabled), each with a magenta
    // bottom-left pixel, the transparent colour. Its name without extension.
    std::string GlyphFile()
    {
        QImage image(32, 16, QImage::Format_RGB888);
        image.fill(kRed);
        for (int y = 0; y < 16; ++y)
            for (int x = 16; x < 32; ++x)
                image.setPixelColor(x, y, kBlue);
        image.setPixelColor(0, 15, QColor(255, 0, 255));
        image.setPixelColor(16, 15, QColor(255, 0, 255));
        EXPECT_TRUE(image.save(m_dir.path() + "/pump.bmp", "BMP"));
        return (m_dir.path() + "/pump").toStdString();
    }

    screens::ScreenForm m_form;
    QTemporaryDir m_dir{QDir::tempPath() + "/glyphXXXXXX"};
};

} // namespace

TEST_F(ButtonClasses, GlyphAndCaptionAreDrawnAndTheDisabledGlyphShowsWhenDisabled)
{
    const std::string glyph = GlyphFile();
    screens::FBase* button = Button({glyph, ""});
    Run(button);
    ASSERT_EQ(Object(button).GlyphCount(), 2);
    // One 16 x 16 glyph centred in the 60 x 30 face: at (22, 7).
    QImage image = Render(*button);
    EXPECT_EQ(ColourText(Pixel(image, 30, 15)), ColourText(kRed));
    EXPECT_EQ(ColourText(Pixel(image, 22, 22)), ColourText(kGreen)); // the transparent colour
    EXPECT_EQ(ColourText(Pixel(image, 45, 15)), ColourText(kGreen));

    // Disabled: the second glyph.
    Object(button).SetEnabled(false);
    Run(button);
    EXPECT_FALSE(button->isEnabled());
    image = Render(*button);
    EXPECT_EQ(ColourText(Pixel(image, 30, 15)), ColourText(kBlue));

    // A caption beside a glyph on the left: the glyph left of the centre, text to its right.
    screens::FBase* captioned = Button({glyph, "Go"}, true, 100);
    Run(captioned);
    image = Render(*captioned);
    int glyphRight = -1;
    int textPixels = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (Pixel(image, x, 15) == kRed)
            glyphRight = x;
        for (int y = 3; y < 27; ++y)
            if (x > glyphRight && glyphRight >= 0 && Pixel(image, x, y) == kBlack && x < 57)
                ++textPixels;
    }
    EXPECT_GT(glyphRight, 0);
    EXPECT_LT(glyphRight, 30);
    EXPECT_GT(textPixels, 5);

    // A missing glyph file: no glyph, nothing breaks; LOADBMP-style loading can name one later.
    screens::FBase* bare = Button({"NoSuchGlyph", ""}, true, 200);
    Run(bare);
    EXPECT_EQ(Object(bare).GlyphCount(), 0);
    screens::SetCurrentFigure(bare);
    EXPECT_TRUE(Object(bare).LoadGlyph(glyph));
    EXPECT_EQ(ColourText(Pixel(Render(*bare), 30, 15)), ColourText(kRed));
}

TEST_F(ButtonClasses, PressIsAClickOnlyWhenReleasedOverTheButton)
{
    screens::FBase* button = Button({});
    Run(button);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->Down());
    QTest::mouseMove(button, QPoint(200, 100));
    EXPECT_FALSE(button->Down()); // dragged off: shows up
    QTest::mouseMove(button, QPoint(6, 6));
    EXPECT_TRUE(button->Down());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_FALSE(button->Down());
    Run(button);
    EXPECT_FALSE(Object(button).ClickedThisCycle());

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(button->Down());
    Run(button);
    EXPECT_TRUE(Object(button).ClickedThisCycle());
    Run(button);
    EXPECT_FALSE(Object(button).ClickedThisCycle()); // one cycle only

    // A disabled button takes no press.
    Object(button).SetEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    Run(button);
    EXPECT_FALSE(Object(button).ClickedThisCycle());
}

TEST_F(ButtonClasses, GroupKeepsOneButtonDownAndAHollowMemberFilledWhileDown)
{
    ButtonData member;
    member.group = true;
    std::vector<screens::FBase*> group{Button(member, false, 10), Button(member, false, 80), Button(member, false, 150)};
    Chain(group);
    auto cycle = [&group] {
        for (screens::FBase* button : group)
            Run(button);
    };
    cycle();
    for (screens::FBase* button : group)
        EXPECT_TRUE(Object(button).GroupMember());

    QTest::mouseClick(group[0], Qt::LeftButton, {}, QPoint(5, 5));
    cycle();
    EXPECT_TRUE(group[0]->Down());
    EXPECT_TRUE(group[0]->Properties().filled);

    QTest::mouseClick(group[2], Qt::LeftButton, {}, QPoint(5, 5));
    cycle();
    cycle();
    EXPECT_FALSE(group[0]->Down());
    EXPECT_FALSE(group[0]->Properties().filled);
    EXPECT_FALSE(group[1]->Down());
    EXPECT_TRUE(group[2]->Down());
    EXPECT_TRUE(group[2]->Properties().filled);

    // Without the group switch, or alone in its chain, a button is no member.
    screens::FBase* loner = Button({}, true, 220);
    ButtonData alone;
    alone.group = true;
    screens::FBase* single = Button(alone, true, 300);
    Run(loner);
    Run(single);
    EXPECT_FALSE(Object(loner).GroupMember());
    EXPECT_FALSE(Object(single).GroupMember());
}
