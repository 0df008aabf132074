// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <iterator>
#include <string>
#include <vector>

#include "FigureTestSupport.h"
#include "shell/FileHelpers.h"
#include "TestSupport.h"
#include "screens/FigureDock.h"
#include "screens/FigureFont.h"
#include "screens/FigureKind.h"
#include "screens/ScreenGlobals.h"

using namespace figuretest;
using screens::FigureKind;

namespace {


} // namespace

TEST(FigureLoad, TakesTheRecordFieldsAndOrdersTheCorners)
{
    screens::ScreenForm form;
    auto record = Record(Kind(FigureKind::Rectang), 90, 70, 20, 30);
    record.options = 5;
    record.linkGroup = 12;
    record.text = "Tank";
    record.foreColour = 0x00112233;
    record.backColour = screens::kButtonFace;
    record.filled = 0;
    record.penWidth = 3;
    record.penStyle = 2;
    record.fontName = "Courier New";
    record.fontHeight = -17;
    record.bold = 1;
    record.underline = 1;
    record.pageLayer = 0;
    record.alignment = 0;
    record.angle = 400;
    screens::Globals().screenChanged = false;
    screens::FBase* figure = MakeFigure(form, record);
    const screens::FigureProperties& p = figure->Properties();
    EXPECT_EQ(figure->geometry(), QRect(20, 30, 70, 40));
    EXPECT_FALSE(p.direction);
    EXPECT_EQ(p.options, 5);
    EXPECT_EQ(p.linkGroup, 12);
    EXPECT_EQ(p.text, "Tank");
    EXPECT_EQ(p.foreColour, 0x00112233u);
    EXPECT_EQ(p.backColour, screens::kButtonFace);
    EXPECT_FALSE(p.filled);
    EXPECT_TRUE(p.transparent);
    EXPECT_EQ(p.penWidth, 3);
    EXPECT_EQ(p.penStyle, 2);
    EXPECT_EQ(p.fontName, "Courier New");
    EXPECT_EQ(p.fontHeight, -17);
    EXPECT_EQ(p.fontStyle, screens::kFontBold | screens::kFontUnderline);
    EXPECT_EQ(p.angle, 40);
    EXPECT_TRUE(screens::Globals().screenChanged.load());

    // A zero-sized record does not fail.
    screens::FBase* point = MakeFigure(form, Record(Kind(FigureKind::Ellipse), 5, 5, 5, 5));
    EXPECT_EQ(point->size(), QSize(0, 0));
    EXPECT_TRUE(Render(*figure).width() > 0);
}

TEST(FigureLoad, KindSpecificFields)
{
    screens::ScreenForm form;
    auto bmp = Record(Kind(FigureKind::Bmp), 0, 0, 40, 40);
    bmp.text = "C:\\Project\\Pictures\\Tank.bmp";
    bmp.angle = 0x0301; // display mode is the low byte
    screens::FBase* picture = MakeFigure(form, bmp);
    EXPECT_EQ(picture->Properties().text, "Tank.bmp");
    EXPECT_EQ(picture->Properties().displayMode, 1);
    EXPECT_EQ(picture->Properties().angle, 0);
    EXPECT_EQ(shell::FileNamePart("pictures/Pump.bmp"), "Pump.bmp");
    EXPECT_EQ(shell::FileNamePart("D:Valve"), "Valve");
    EXPECT_EQ(shell::FileNamePart("Plain"), "Plain");

    auto value = Record(Kind(FigureKind::Value), 0, 0, 40, 20);
    value.editOption = 1;
    value.pageValue = 3;
    screens::FBase* number = MakeFigure(form, value);
    EXPECT_TRUE(number->LayoutSwitch());
    EXPECT_EQ(number->Properties().decimals, 3);
    EXPECT_FALSE(MakeFigure(form, Record(Kind(FigureKind::Value), 0, 0, 40, 20))->LayoutSwitch());

    // Kind defaults survive where the record does not speak: bars start empty and show "100".
    screens::FBase* bar = MakeFigure(form, Record(Kind(FigureKind::BarV), 0, 0, 10, 40));
    EXPECT_EQ(bar->Properties().value, 0);
}

TEST(FigureLoad, BmpFigureShowsThePictureOfItsBaseName)
{
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir inDir(dir.Path());
    QImage bitmap(8, 6, QImage::Format_RGB32);
    bitmap.fill(QColor(255, 0, 0));
    ASSERT_TRUE(bitmap.save(QString::fromStdString((dir / "Tank.Bmp").string()), "BMP"));

    screens::ScreenForm form;
    auto record = Record(Kind(FigureKind::Bmp), 0, 0, 20, 20);
    record.text = "Tank.jpg"; // the ".Bmp" of the same base name comes first
    record.filled = 0;
    screens::FBase* figure = MakeFigure(form, record);
    ASSERT_EQ(figure->CurrentPicture().type, screens::Picture::Type::Bitmap);
    EXPECT_EQ(figure->CurrentPicture().image.size(), QSize(8, 6));
    const QImage image = Render(*figure);
    EXPECT_PIXEL(image, 0, 0, kRed);
    EXPECT_PIXEL(image, 7, 5, kRed);
    EXPECT_PIXEL(image, 10, 10, kBackground); // mode 0: unscaled from the top-left corner

    // A missing picture leaves an empty one; nothing fails.
    figure->SetText("Nothing");
    EXPECT_TRUE(figure->CurrentPicture().image.isNull());
    EXPECT_EQ(CountInRow(Render(*figure), 0, kRed), 0);
}

TEST(FigureLoad, AlignedFiguresDockToTheirParent)
{
    screens::ScreenForm form;
    form.resize(300, 200);
    auto top = Record(Kind(FigureKind::Rectang), 10, 10, 50, 40);
    top.alignment = 1;
    screens::FBase* header = MakeFigure(form, top);
    EXPECT_EQ(header->geometry(), QRect(0, 0, 300, 30));
    auto client = Record(Kind(FigureKind::Rectang), 10, 10, 50, 40);
    client.alignment = 5;
    screens::FBase* body = MakeFigure(form, client);
    EXPECT_EQ(body->geometry(), QRect(0, 30, 300, 170));
    form.show(); // a hidden window hears of its size when it shows
    form.resize(400, 300);
    QApplication::sendPostedEvents();
    EXPECT_EQ(header->geometry(), QRect(0, 0, 400, 30));
    EXPECT_EQ(body->geometry(), QRect(0, 30, 400, 270));
}

TEST(FigureDock, EdgesStackInOrderAndTheClientTakesTheRest)
{
    using screens::DockOne;
    using screens::FigureAlign;
    const QRect area(0, 0, 300, 200);
    const auto bottom = DockOne(FigureAlign::Bottom, QSize(50, 20), area, QRect());
    EXPECT_EQ(bottom.placed, QRect(0, 180, 300, 20));
    const auto left = DockOne(FigureAlign::Left, QSize(40, 99), bottom.remaining, QRect());
    EXPECT_EQ(left.placed, QRect(0, 0, 40, 180));
    const auto right = DockOne(FigureAlign::Right, QSize(30, 99), left.remaining, QRect());
    EXPECT_EQ(right.placed, QRect(270, 0, 30, 180));
    const auto client = DockOne(FigureAlign::Client, QSize(1, 1), right.remaining, QRect());
    EXPECT_EQ(client.placed, QRect(40, 0, 230, 180));
    // Bigger than what is left: clipped to it. Unknown: left where it is.
    EXPECT_EQ(DockOne(FigureAlign::Top, QSize(10, 500), area, QRect()).placed, QRect(0, 0, 300, 200));
    EXPECT_EQ(DockOne(static_cast<FigureAlign>(9), QSize(10, 10), area, QRect(5, 5, 10, 10)).placed,
              QRect(5, 5, 10, 10));
}

TEST(FigureLoad, AnyRecordOfADrawnKindLoadsAndDraws)
{
    // Records as a damaged file may hold them: wild corners, pens, fonts, angles, tab counts.
    const std::uint8_t kinds[] = {100, 101, 102, 103, 104, 105, 106, 110, 112, 115, 116, 121,
                                  122, 123, 124, 127, 133, 143, 144, 146, 147};
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    screens::ScreenForm form;
    QImage corner(64, 64, QImage::Format_RGB32);
    int drawn = 0;
    for (int round = 0; round < 12; ++round) {
        for (const std::uint8_t kind : kinds) {
            auto record = Record(kind, static_cast<int>(next(400)) - 100, static_cast<int>(next(400)) - 100,
                                 static_cast<int>(next(400)) - 100, static_cast<int>(next(400)) - 100);
            record.penWidth = static_cast<std::uint8_t>(next(256));
            record.penStyle = static_cast<std::uint8_t>(next(256));
            record.fontHeight = static_cast<std::int16_t>(static_cast<int>(next(400)) - 200);
            record.angle = static_cast<std::uint16_t>(next(65536));
            record.pageValue = static_cast<std::uint8_t>(next(256));
            record.tabCount = static_cast<std::uint8_t>(next(256));
            record.text = std::string(next(40), '#');
            record.filled = static_cast<std::uint8_t>(next(2));
            screens::FBase* figure = MakeFigure(form, record);
            figure->SetValue(static_cast<long double>(next(1000)) - 500);
            figure->SetFillOn(true);
            figure->SetFillLevel(static_cast<int>(next(120)));
            figure->SetAngle(static_cast<int>(next(720)));
            if (kind == 105 || kind == 112)
                figure->SetPointList(std::vector<QPoint>{{0, 0}, {static_cast<int>(next(300)), 5}, {3, 200}});
            corner.fill(kBackground);
            figure->render(&corner, QPoint(), QRegion(0, 0, 64, 64), QWidget::DrawChildren);
            EXPECT_EQ(figure->Properties().kind, kind);
            ++drawn;
            delete figure;
        }
    }
    EXPECT_EQ(drawn, 12 * static_cast<int>(std::size(kinds)));
}
