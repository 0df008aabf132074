// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include "FigureTestSupport.h"
#include "screens/FigureKind.h"
#include "screens/FillLevel.h"

using namespace figuretest;
using screens::FigureKind;

namespace {

constexpr std::uint8_t kRectang = static_cast<std::uint8_t>(FigureKind::Rectang);

// A 20 x 22 rectangle filled blue with a black outline and a green liquid at `level`.
screens::FBase* Tank(screens::ScreenForm& form, int level, std::uint8_t kind = kRectang)
{
    screens::FBase* figure = MakeFigure(form, Record(kind, 0, 0, 20, 22));
    figure->SetFillColour(kRecordGreen);
    figure->SetFillOn(true);
    figure->SetFillLevel(level);
    return figure;
}

} // namespace

TEST(FillLevel, HalfFillsBelowTheBarrierRowAndLeavesTheBarrierUntouched)
{
    screens::ScreenForm form;
    // H' = 22 - 1 = 21; the barrier row is 21 - 21 * 50 / 100 = 11.
    const QImage image = Render(*Tank(form, 50));
    EXPECT_PIXEL(image, 10, 10, kBlue);
    EXPECT_PIXEL(image, 10, 11, kBlue);
    EXPECT_PIXEL(image, 10, 12, kGreen);
    EXPECT_PIXEL(image, 1, 20, kGreen);
    EXPECT_PIXEL(image, 18, 12, kGreen);
    // The outline is not liquid.
    EXPECT_PIXEL(image, 10, 21, kBlack);
    EXPECT_PIXEL(image, 0, 15, kBlack);
    EXPECT_PIXEL(image, 19, 15, kBlack);
    EXPECT_PIXEL(image, 10, 0, kBlack);
}

TEST(FillLevel, FullLevelHasNoBarrierAndZeroDrawsNothingExtra)
{
    screens::ScreenForm form;
    const QImage full = Render(*Tank(form, 100));
    for (int y = 1; y < 21; ++y)
        ASSERT_EQ(CountInRow(full, y, kGreen), 18) << "row " << y;
    EXPECT_PIXEL(full, 10, 0, kBlack);

    const QImage empty = Render(*Tank(form, 0));
    for (int y = 0; y < 22; ++y)
        ASSERT_EQ(CountInRow(empty, y, kGreen), 0) << "row " << y;

    screens::FBase* off = Tank(form, 60);
    off->SetFillOn(false);
    const QImage switchedOff = Render(*off);
    EXPECT_PIXEL(switchedOff, 10, 20, kBlue);

    // Levels are clamped.
    screens::FBase* over = Tank(form, 250);
    EXPECT_EQ(over->Properties().fillLevel, 100);
    EXPECT_EQ(CountInRow(Render(*over), 1, kGreen), 18);
}

TEST(FillLevel, BarrierHoldsWhateverThePenLooksLike)
{
    screens::ScreenForm form;
    // A white pen and no pen would leave an inverted barrier line invisible to the fill; the
    // level still stops at its row.
    screens::FBase* white = Tank(form, 50);
    white->SetForeColour(0x00FFFFFF);
    QImage image = Render(*white);
    EXPECT_PIXEL(image, 10, 11, kBlue);
    EXPECT_PIXEL(image, 10, 12, kGreen);

    screens::FBase* noPen = Tank(form, 50);
    noPen->SetPenStyle(5);
    image = Render(*noPen);
    EXPECT_PIXEL(image, 10, 11, kBlue);
    EXPECT_PIXEL(image, 10, 12, kGreen);
}

TEST(FillLevel, HollowShapesFillOnlyTheirInside)
{
    screens::ScreenForm form;
    screens::FBase* circle = Tank(form, 100, static_cast<std::uint8_t>(FigureKind::Circle));
    circle->SetFilled(false);
    const QImage image = Render(*circle);
    EXPECT_PIXEL(image, 10, 11, kGreen);
    EXPECT_PIXEL(image, 0, 0, kBackground);
    EXPECT_PIXEL(image, 19, 21, kBackground);

    // Kinds without a level ignore it.
    screens::FBase* line = Tank(form, 100, static_cast<std::uint8_t>(FigureKind::Line));
    const QImage lineImage = Render(*line);
    for (int y = 0; y < 22; ++y)
        ASSERT_EQ(CountInRow(lineImage, y, kGreen), 0);
}

TEST(FillLevel, RowsAndFloodFillEdges)
{
    // Level 99 of 21 rows: 21 - 20 = 1. Level 1: 21, moved up to H' - 2 = 19.
    EXPECT_EQ(screens::FillLevelRowsFor(22, 1, 99).barrierRow, 1);
    EXPECT_EQ(screens::FillLevelRowsFor(22, 1, 1).barrierRow, 19);
    EXPECT_EQ(screens::FillLevelRowsFor(22, 1, 100).barrierRow, -1);
    EXPECT_EQ(screens::FillLevelRowsFor(22, 3, 50).seedRow, 18);
    EXPECT_EQ(screens::FillLevelRowsFor(22, 0, 50).seedRow, 21);

    // Seeds outside the image or a figure lower than its pen change nothing.
    QImage tiny(4, 2, QImage::Format_ARGB32_Premultiplied);
    tiny.fill(Qt::transparent);
    EXPECT_EQ(screens::FloodFill(tiny, QPoint(9, 0), qRgb(0, 255, 0)), 0);
    EXPECT_EQ(screens::FloodFill(tiny, QPoint(0, -1), qRgb(0, 255, 0)), 0);
    screens::ApplyFillLevel(tiny, 5, 50, kGreen);
    EXPECT_EQ(tiny.pixel(0, 0), 0u);
    // The fill replaces only the colour found and spreads to the four neighbours, not across
    // a diagonal.
    QImage split(3, 3, QImage::Format_ARGB32_Premultiplied);
    split.fill(qRgb(255, 255, 255));
    split.setPixel(1, 0, qRgb(0, 0, 0));
    split.setPixel(0, 1, qRgb(0, 0, 0));
    EXPECT_EQ(screens::FloodFill(split, QPoint(2, 2), qRgb(0, 255, 0)), 6);
    EXPECT_EQ(split.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(split.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(FillLevel, HugeFigureFromADamagedRecordDrawsWithoutItsLevel)
{
    screens::ScreenForm form;
    screens::FBase* huge = MakeFigure(form, Record(kRectang, -30000, -30000, 30000, 30000));
    huge->SetFillColour(kRecordGreen);
    huge->SetFillOn(true);
    huge->SetFillLevel(50);
    QImage corner(40, 40, QImage::Format_RGB32);
    corner.fill(kBackground);
    huge->render(&corner, QPoint(), QRegion(0, 0, 40, 40), QWidget::DrawChildren);
    EXPECT_PIXEL(corner, 0, 0, kBlack);
    EXPECT_PIXEL(corner, 20, 20, kBlue);
}
