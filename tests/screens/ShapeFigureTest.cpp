// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FigureTestSupport.h"
#include "screens/FigureKind.h"
#include "screens/ShapePainter.h"
#include "screens/ShapeSpans.h"

using namespace figuretest;
using screens::FigureKind;

namespace {


} // namespace

TEST(LineFigure, StoredBackwardsRunsFromTopRightToBottomLeft)
{
    screens::ScreenForm form;
    screens::FBase* line = MakeFigure(form, Record(Kind(FigureKind::Line), 100, 50, 10, 80));
    EXPECT_FALSE(line->Properties().direction);
    EXPECT_EQ(line->geometry(), QRect(10, 50, 90, 30));
    const QImage image = Render(*line);
    EXPECT_PIXEL(image, 89, 0, kBlack);
    EXPECT_PIXEL(image, 0, 0, kBackground);
    EXPECT_PIXEL(image, 89, 29, kBackground);
    EXPECT_GT(CountInRow(image, 29, kBlack), 0);
    EXPECT_LE(FirstInRow(image, 0, kBlack), 89);
    EXPECT_GE(FirstInRow(image, 0, kBlack), 86);
    EXPECT_LE(FirstInRow(image, 29, kBlack), 3);
    // Every row holds part of the line: it is unbroken from corner to corner.
    for (int y = 0; y < 30; ++y)
        EXPECT_GT(CountInRow(image, y, kBlack), 0) << "row " << y;

    screens::FBase* forward = MakeFigure(form, Record(Kind(FigureKind::Line), 10, 50, 100, 80));
    EXPECT_TRUE(forward->Properties().direction);
    const QImage forwardImage = Render(*forward);
    EXPECT_PIXEL(forwardImage, 0, 0, kBlack);
    EXPECT_PIXEL(forwardImage, 89, 0, kBackground);
    EXPECT_GE(FirstInRow(forwardImage, 29, kBlack), 84);
}

TEST(LineFigure, FlatLineStaysVisibleAndLeavesOutItsEndPixel)
{
    screens::ScreenForm form;
    screens::FBase* flat = MakeFigure(form, Record(Kind(FigureKind::Line), 10, 10, 50, 10));
    EXPECT_EQ(flat->FigureSize(), QSize(40, 0));
    EXPECT_EQ(flat->size(), QSize(40, 1));
    const QImage image = Render(*flat);
    EXPECT_EQ(CountInRow(image, 0, kBlack), 40);

    // Lines inside a figure leave out their end pixel: the white top bevel line of a Supp runs
    // from (1, 1) to (W - 1, 1), so column W - 1 keeps the outline and W - 2 is the last white.
    screens::FBase* supp = MakeFigure(form, Record(Kind(FigureKind::Supp), 0, 0, 40, 30));
    const QImage suppImage = Render(*supp);
    EXPECT_PIXEL(suppImage, 38, 1, kWhite);
    EXPECT_PIXEL(suppImage, 39, 1, kBlack);
}

TEST(RectangleFigure, OutlineOnTheOuterPixelsInsideInTheBackColour)
{
    screens::ScreenForm form;
    screens::FBase* filled = MakeFigure(form, Record(Kind(FigureKind::Rectang), 5, 5, 25, 15));
    const QImage image = Render(*filled);
    for (const QPoint corner : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 9), QPoint(19, 9), QPoint(10, 0), QPoint(0, 5)})
        EXPECT_PIXEL(image, corner.x(), corner.y(), kBlack);
    EXPECT_PIXEL(image, 1, 1, kBlue);
    EXPECT_PIXEL(image, 18, 8, kBlue);

    auto hollowRecord = Record(Kind(FigureKind::Rectang), 5, 5, 25, 15);
    hollowRecord.filled = 0;
    const QImage hollow = Render(*MakeFigure(form, hollowRecord));
    EXPECT_PIXEL(hollow, 10, 5, kBackground);
    EXPECT_PIXEL(hollow, 19, 9, kBlack);

    // Pen width 0: the outline takes the back colour.
    auto widthZero = Record(Kind(FigureKind::Rectang), 5, 5, 25, 15);
    widthZero.penWidth = 0;
    widthZero.backColour = kRecordRed;
    widthZero.filled = 0;
    const QImage zero = Render(*MakeFigure(form, widthZero));
    EXPECT_PIXEL(zero, 0, 0, kRed);
    EXPECT_PIXEL(zero, 19, 9, kRed);
    EXPECT_PIXEL(zero, 5, 5, kBackground);

    // No pen (style 5): only the inside, one pixel narrower and lower.
    auto noPen = Record(Kind(FigureKind::Rectang), 5, 5, 25, 15);
    noPen.penStyle = 5;
    const QImage none = Render(*MakeFigure(form, noPen));
    EXPECT_PIXEL(none, 0, 0, kBlue);
    EXPECT_PIXEL(none, 18, 8, kBlue);
    EXPECT_PIXEL(none, 19, 5, kBackground);
    EXPECT_PIXEL(none, 5, 9, kBackground);
}

TEST(RoundRecFigure, CornersAreAQuarterOfTheShorterSide)
{
    screens::ScreenForm form;
    // 40 x 24: corner ellipse min(10, 6) = 6.
    const QImage small = Render(*MakeFigure(form, Record(Kind(FigureKind::RoundRec), 0, 0, 40, 24)));
    EXPECT_PIXEL(small, 0, 0, kBackground);
    EXPECT_PIXEL(small, 1, 0, kBackground);
    EXPECT_PIXEL(small, 2, 0, kBlack);
    EXPECT_PIXEL(small, 0, 1, kBackground);
    EXPECT_PIXEL(small, 0, 2, kBlack);
    // The four corners are the same.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(small.pixel(x, y), small.pixel(39 - x, y)) << x << "," << y;
            ASSERT_EQ(small.pixel(x, y), small.pixel(x, 23 - y)) << x << "," << y;
        }
    // 80 x 80: corner ellipse 20, so the curve reaches ten pixels along each edge.
    const QImage large = Render(*MakeFigure(form, Record(Kind(FigureKind::RoundRec), 0, 0, 80, 80)));
    EXPECT_GE(FirstInRow(large, 0, kBlack), 6);
    EXPECT_LE(FirstInRow(large, 0, kBlack), 10);
    EXPECT_EQ(FirstInColumn(large, 0, kBlack), FirstInRow(large, 0, kBlack));
    EXPECT_EQ(FirstInRow(large, 10, kBlack), 0);
    EXPECT_PIXEL(large, 40, 40, kBlue);
}

TEST(EllipseFigure, FitsItsRectangleSymmetricallyAndClosed)
{
    screens::ScreenForm form;
    const QImage image = Render(*MakeFigure(form, Record(Kind(FigureKind::Ellipse), 0, 0, 30, 20)));
    EXPECT_PIXEL(image, 14, 0, kBlack);
    EXPECT_PIXEL(image, 15, 19, kBlack);
    EXPECT_PIXEL(image, 0, 10, kBlack);
    EXPECT_PIXEL(image, 29, 9, kBlack);
    EXPECT_PIXEL(image, 0, 0, kBackground);
    EXPECT_PIXEL(image, 15, 10, kBlue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(image.pixel(x, y), image.pixel(29 - x, y)) << x << "," << y;
            ASSERT_EQ(image.pixel(x, y), image.pixel(x, 19 - y)) << x << "," << y;
        }
    // Closed against a fill that spreads to the four neighbours: no inside pixel touches the
    // outside directly.
    for (int y = 1; y < 19; ++y)
        for (int x = 1; x < 29; ++x)
            if (image.pixelColor(x, y) == kBlue) {
                for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    ASSERT_NE(image.pixelColor(x + step.x(), y + step.y()), kBackground) << x << "," << y;
                }
            }
}

TEST(EllipseSpans, SmallCirclesHaveTheUsualShape)
{
    const screens::ShapeSpans circle = screens::EllipseSpans(screens::GdiRect{0, 0, 6, 6});
    ASSERT_EQ(circle.rows.size(), 6u);
    const int lefts[] = {2, 1, 0, 0, 1, 2};
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(circle.rows[static_cast<std::size_t>(y)].left, lefts[y]) << "row " << y;
        EXPECT_EQ(circle.rows[static_cast<std::size_t>(y)].right, 5 - lefts[y]) << "row " << y;
    }
    EXPECT_TRUE(screens::EllipseSpans(screens::GdiRect{0, 0, 0, 5}).rows.empty());
    EXPECT_EQ(screens::EllipseSpans(screens::GdiRect{0, 0, 1, 3}).rows.size(), 3u);
}

TEST(ArcFigure, LowerHalfWhenDirectionSetUpperHalfOtherwise)
{
    screens::ScreenForm form;
    const QImage lower = Render(*MakeFigure(form, Record(Kind(FigureKind::Arc), 0, 0, 40, 20)));
    EXPECT_PIXEL(lower, 0, 0, kBlack);
    EXPECT_PIXEL(lower, 39, 0, kBlack);
    EXPECT_PIXEL(lower, 20, 19, kBlack);
    EXPECT_PIXEL(lower, 20, 0, kBackground);
    EXPECT_PIXEL(lower, 20, 10, kBackground); // an arc is never filled

    const QImage upper = Render(*MakeFigure(form, Record(Kind(FigureKind::Arc), 40, 20, 0, 0)));
    EXPECT_PIXEL(upper, 0, 19, kBlack);
    EXPECT_PIXEL(upper, 39, 19, kBlack);
    EXPECT_PIXEL(upper, 20, 0, kBlack);
    EXPECT_PIXEL(upper, 20, 19, kBackground);
}

TEST(FrameAndShade, WhiteEdgesOnTheirRectangle)
{
    screens::ScreenForm form;
    const QColor face(192, 192, 192);
    auto frameRecord = Record(Kind(FigureKind::Frame), 0, 0, 30, 20);
    frameRecord.backColour = screens::kButtonFace;
    const QImage frame = Render(*MakeFigure(form, frameRecord));
    EXPECT_PIXEL(frame, 0, 0, kWhite);
    EXPECT_PIXEL(frame, 15, 0, kWhite);
    EXPECT_PIXEL(frame, 29, 0, kWhite);
    EXPECT_PIXEL(frame, 0, 19, kWhite);
    EXPECT_PIXEL(frame, 29, 10, kBlack);
    EXPECT_PIXEL(frame, 15, 19, kBlack);
    EXPECT_PIXEL(frame, 15, 10, face);

    auto shadeRecord = Record(Kind(FigureKind::Shade), 0, 0, 30, 20);
    shadeRecord.backColour = screens::kButtonFace;
    const QImage shade = Render(*MakeFigure(form, shadeRecord));
    EXPECT_PIXEL(shade, 15, 19, kWhite);
    EXPECT_PIXEL(shade, 29, 10, kWhite);
    EXPECT_PIXEL(shade, 0, 10, kBlack);
    EXPECT_PIXEL(shade, 15, 0, kBlack);
    EXPECT_PIXEL(shade, 15, 10, face);
}

TEST(SuppFigure, DrawsARaisedOuterAndASunkenInnerBevel)
{
    screens::ScreenForm form;
    const QColor face(192, 192, 192);
    auto record = Record(Kind(FigureKind::Supp), 0, 0, 40, 30);
    record.backColour = screens::kButtonFace;
    const QImage image = Render(*MakeFigure(form, record));
    const int w = 40;
    const int h = 30;
    // Outline.
    EXPECT_PIXEL(image, 0, 0, kBlack);
    EXPECT_PIXEL(image, w - 1, h - 1, kBlack);
    // Outer bevel: white top and left, grey right and bottom.
    EXPECT_PIXEL(image, 1, 1, kWhite);
    EXPECT_PIXEL(image, w - 2, 1, kWhite);
    EXPECT_PIXEL(image, 1, h - 2, kWhite);
    EXPECT_PIXEL(image, w - 2, 2, kGrey);
    EXPECT_PIXEL(image, w - 2, h - 2, kGrey);
    EXPECT_PIXEL(image, 2, h - 2, kGrey);
    // Inner bevel: grey top and left, white right and bottom; its far corners stay the face.
    EXPECT_PIXEL(image, 9, 9, kGrey);
    EXPECT_PIXEL(image, w - 10, 9, kGrey);
    EXPECT_PIXEL(image, 9, h - 10, kGrey);
    EXPECT_PIXEL(image, w - 9, 10, kWhite);
    EXPECT_PIXEL(image, w - 9, h - 9, kWhite);
    EXPECT_PIXEL(image, 10, h - 9, kWhite);
    EXPECT_PIXEL(image, w - 9, 9, face);
    EXPECT_PIXEL(image, 9, h - 9, face);
    EXPECT_PIXEL(image, 20, 15, face);
    EXPECT_PIXEL(image, 5, 5, face);
}

TEST(BarFigure, ClampsValueAndFillsInItsDirection)
{
    screens::ScreenForm form;
    // Stored top-left to bottom-right: the direction is set and the bar grows downwards.
    screens::FBase* down = MakeFigure(form, Record(Kind(FigureKind::BarV), 0, 0, 10, 40));
    EXPECT_TRUE(down->Properties().direction);
    down->SetValue(25);
    QImage image = Render(*down);
    EXPECT_PIXEL(image, 5, 0, kBlack);
    EXPECT_PIXEL(image, 5, 5, kBlue);
    EXPECT_PIXEL(image, 5, 9, kBlack);
    EXPECT_PIXEL(image, 5, 10, kBackground);

    screens::FBase* up = MakeFigure(form, Record(Kind(FigureKind::BarV), 0, 40, 10, 0));
    EXPECT_FALSE(up->Properties().direction);
    up->SetValue(25);
    image = Render(*up);
    EXPECT_PIXEL(image, 5, 29, kBackground);
    EXPECT_PIXEL(image, 5, 30, kBlack);
    EXPECT_PIXEL(image, 5, 35, kBlue);

    up->SetValue(150);
    EXPECT_EQ(up->Properties().value, 100);
    image = Render(*up);
    EXPECT_PIXEL(image, 5, 0, kBlack);
    EXPECT_PIXEL(image, 5, 1, kBlue);

    for (const long double bad : {-5.0L, std::numeric_limits<long double>::quiet_NaN()}) {
        up->SetValue(bad);
        EXPECT_EQ(up->Properties().value, 0);
        image = Render(*up);
        for (int y = 0; y < 40; ++y)
            ASSERT_EQ(CountInRow(image, y, kBackground), 10) << "row " << y;
    }

    screens::FBase* left = MakeFigure(form, Record(Kind(FigureKind::BarH), 40, 0, 0, 10));
    left->SetValue(25);
    image = Render(*left);
    EXPECT_PIXEL(image, 29, 5, kBackground);
    EXPECT_PIXEL(image, 30, 5, kBlack);
    EXPECT_PIXEL(image, 35, 5, kBlue);
    screens::FBase* right = MakeFigure(form, Record(Kind(FigureKind::BarH), 0, 0, 40, 10));
    right->SetValue(25);
    image = Render(*right);
    EXPECT_PIXEL(image, 9, 5, kBlack);
    EXPECT_PIXEL(image, 10, 5, kBackground);

    EXPECT_EQ(screens::BarFilledExtent(30, 33.3L), 10);
    EXPECT_EQ(screens::BarFilledExtent(30, 100), 30);
    EXPECT_EQ(screens::BarFilledExtent(30, 1000), 30);
}
