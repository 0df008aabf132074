// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"
#include "trends/TrendReport.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "../runtime/FigureRecords.h"
#include "screens/FBase.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace {

constexpr std::uint32_t kChartRed = 0x000000FF;  // Windows colour values
constexpr std::uint32_t kChartBlue = 0x00FF0000;
constexpr std::uint32_t kChartGreen = 0x0000FF00;
const QRgb kChartRedPixel = qRgb(255, 0, 0);
const QRgb kChartBluePixel = qRgb(0, 0, 255);
const QRgb kChartGreenPixel = qRgb(0, 255, 0);
const QRgb kChartWhitePixel = qRgb(255, 255, 255);
const QRgb kChartBlackPixel = qRgb(0, 0, 0);

// A 300 x 200 chart with a 12-pixel font: line height 22, top margin 6, one text line, so the
// X axis lies on row 178 and the plot is 172 pixels high. Range 0..100 in 4 Y divisions.
class TrendChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        trends::SetDisplayEnabled(true);
        trends::ChartSetup setup;
        setup.figureName = "TREND1";
        setup.divX = 4;
        setup.divY = 4;
        setup.lowRangeY = 0;
        setup.highRangeY = 100;
        setup.font = QFont(QStringLiteral("Liberation Sans"));
        setup.font.setPixelSize(12);
        setup.size = QSize(300, 200);
        m_host = std::make_unique<QWidget>();
        m_chart = new trends::TrendChart(m_host.get(), setup);
        ASSERT_EQ(m_chart->NptY(), 172);
        ASSERT_EQ(m_chart->TopMargin(), 6);
        ASSERT_EQ(m_chart->BottomMargin(), 22);
    }
    void TearDown() override {
        m_host.reset();
        trends::SetDisplayEnabled(true);
    }

    int Left() const { return m_chart->LeftMargin(); }
    // The pixel column of point X.
    int Column(int x) const { return m_chart->LeftMargin() + x - 1; }
    QImage Rendered() {
        m_chart->RenderNow();
        return m_chart->ChartImage();
    }

    std::unique_ptr<QWidget> m_host;
    trends::TrendChart* m_chart = nullptr;
};

// The number of pixels of `colour` in the image.
int ChartPixelsOf(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

// The rows that hold a pixel of `colour` in column x.
std::vector<int> ChartRowsOf(const QImage& image, int x, QRgb colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) == colour)
            rows.push_back(y);
    return rows;
}

void SendChartMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

TEST_F(TrendChartTest, RangeSettersKeepLowBelowHighAndTheLabelsMeasured) {
    const int narrow = m_chart->LeftMargin();
    m_chart->SetLowRangeY(150);
    EXPECT_EQ(m_chart->LowRangeY(), 100) << "the old high end becomes the low end";
    EXPECT_EQ(m_chart->HighRangeY(), 150);
    m_chart->SetHighRangeY(-20);
    EXPECT_EQ(m_chart->LowRangeY(), -20);
    EXPECT_EQ(m_chart->HighRangeY(), 100) << "the old low end becomes the high end";
    m_chart->SetLowRangeY(std::numeric_limits<long double>::quiet_NaN());
    m_chart->SetHighRangeY(std::numeric_limits<long double>::infinity());
    EXPECT_EQ(m_chart->LowRangeY(), -20);
    EXPECT_EQ(m_chart->HighRangeY(), 100);

    // Wider labels widen the left margin and narrow the plot.
    m_chart->SetHighRangeY(1000000);
    EXPECT_GT(m_chart->LeftMargin(), narrow);
    EXPECT_EQ(m_chart->NptX(), 300 - m_chart->LeftMargin() - 10);
    const int plain = m_chart->LeftMargin();
    m_chart->SetDecimals(3);
    EXPECT_GT(m_chart->LeftMargin(), plain);

    // A chart asked for a range given high to low gets it the right way round.
    trends::ChartSetup setup;
    setup.lowRangeY = 10;
    setup.highRangeY = -10;
    setup.divX = -3;
    setup.subY = -1;
    trends::TrendChart upside(m_host.get(), setup);
    EXPECT_EQ(upside.LowRangeY(), -10);
    EXPECT_EQ(upside.HighRangeY(), 10);
    EXPECT_EQ(upside.DivX(), 1);
    EXPECT_EQ(upside.SubY(), 0);
}

TEST_F(TrendChartTest, ValuesAtOrBeyondTheRangeLieOnTheMarginLineOrTheAxis) {
    EXPECT_EQ(m_chart->RowOf(100), 6);
    EXPECT_EQ(m_chart->RowOf(250), 6);
    EXPECT_EQ(m_chart->RowOf(0), 178);
    EXPECT_EQ(m_chart->RowOf(-5), 178);
    EXPECT_EQ(m_chart->RowOf(std::numeric_limits<long double>::quiet_NaN()), 178);
    EXPECT_EQ(m_chart->RowOf(50), 92);  // 178 - round(50 x 1.72)
    EXPECT_EQ(m_chart->RowOf(25), 135); // 178 - 43

    m_chart->SetPencilColour(1, kChartRed);
    for (int x = 1; x <= 6; ++x)
        m_chart->SetPoint(1, x, 200);
    for (int x = 20; x <= 26; ++x)
        m_chart->SetPoint(1, x, -40);
    const QImage image = Rendered();
    for (int x = 1; x <= 5; ++x)
        EXPECT_EQ(image.pixel(Column(x), 6), kChartRedPixel) << "point " << x;
    for (int x = 20; x <= 25; ++x)
        EXPECT_EQ(image.pixel(Column(x), 178), kChartRedPixel) << "point " << x;
    EXPECT_NE(image.pixel(Column(26), 178), kChartRedPixel) << "a line leaves out its end pixel";

    // A coefficient scales every value before it is placed.
    m_chart->SetCoefficient(1, 0.25L);
    EXPECT_EQ(m_chart->Coefficient(1), 0.25L);
    const QImage scaled = Rendered();
    EXPECT_EQ(scaled.pixel(Column(3), 92), kChartRedPixel) << "200 x 0.25 = 50";
}

TEST_F(TrendChartTest, PointsOutsideThePlotOrWithoutAPencilAreNotStored) {
    m_chart->SetPencilColour(2, kChartBlue);
    const QImage before = Rendered();
    const std::uint64_t segments = m_chart->SegmentsDrawn();
    const int nptX = m_chart->NptX();
    m_chart->SetPoint(2, 0, 50);
    m_chart->SetPoint(2, nptX + 1, 50);
    m_chart->SetPoint(0, 5, 50);
    m_chart->SetPoint(11, 5, 50);
    m_chart->SetPoint(3, 5, 50); // never given a colour: no buffer
    EXPECT_FALSE(m_chart->HasBuffer(3));
    EXPECT_FALSE(m_chart->Point(3, 5).has_value());
    EXPECT_FALSE(m_chart->Point(2, 0).has_value());
    EXPECT_FALSE(m_chart->Point(0, 5).has_value());
    for (int x = 1; x <= nptX; ++x)
        ASSERT_FALSE(m_chart->Point(2, x)->set) << x;
    EXPECT_EQ(m_chart->SegmentsDrawn(), segments);
    EXPECT_EQ(Rendered(), before);

    // The last column is a point like any other.
    m_chart->SetPoint(2, nptX, 50);
    ASSERT_TRUE(m_chart->Point(2, nptX).has_value());
    EXPECT_TRUE(m_chart->Point(2, nptX)->set);
    EXPECT_EQ(m_chart->Point(2, nptX)->colour, kChartBlue);
}

TEST_F(TrendChartTest, AGapDrawsAHoldAtTheOldHeightThenAStep) {
    m_chart->SetPencilColour(1, kChartRed);
    m_chart->SetPoint(1, 10, 25); // row 135
    const QImage start = Rendered();
    m_chart->SetPoint(1, 13, 50); // row 92, three columns further
    QImage image = m_chart->ChartImage();
    // Hold: columns 10 and 11 at row 135; the step leaves from column 12 of that row.
    EXPECT_EQ(image.pixel(Column(10), 135), kChartRedPixel);
    EXPECT_EQ(image.pixel(Column(11), 135), kChartRedPixel);
    EXPECT_EQ(image.pixel(Column(12), 135), kChartRedPixel);
    // Nothing between the two heights in the hold's columns (no slanted line).
    for (int y = 93; y < 135; ++y) {
        EXPECT_NE(image.pixel(Column(10), y), kChartRedPixel) << y;
        EXPECT_NE(image.pixel(Column(11), y), kChartRedPixel) << y;
    }
    // The step climbs within columns 12 and 13 to the new height.
    for (int y = 93; y < 135; ++y) {
        const bool stepped = image.pixel(Column(12), y) == kChartRedPixel ||
                             image.pixel(Column(13), y) == kChartRedPixel;
        EXPECT_TRUE(stepped) << y;
    }

    // The next column is joined by one line; the same column draws nothing.
    const QImage beforeSame = m_chart->ChartImage();
    m_chart->SetPoint(1, 13, 75);
    EXPECT_EQ(m_chart->ChartImage(), beforeSame);
    EXPECT_EQ(m_chart->LastPoint(1), QPoint(Column(13), m_chart->RowOf(75)));
    m_chart->SetPoint(1, 14, 75);
    image = m_chart->ChartImage();
    EXPECT_EQ(image.pixel(Column(13), m_chart->RowOf(75)), kChartRedPixel);
    EXPECT_NE(start, image);
}

TEST_F(TrendChartTest, NewPointsDrawOnlyTheirSegmentAndMatchAFullRender) {
    for (int pencil = 1; pencil <= 3; ++pencil)
        m_chart->SetPencilColour(pencil, pencil == 1 ? kChartRed : pencil == 2 ? kChartBlue
                                                                               : kChartGreen);
    Rendered();
    const std::uint64_t renders = m_chart->FullRenders();
    for (int x = 1; x <= m_chart->NptX(); ++x) {
        // Bands that never cross: 65..95, 45 with gaps of five columns, 0..30.
        m_chart->SetPoint(1, x, 80 + 15 * std::sin(x / 7.0));
        if (x % 5 == 1)
            m_chart->SetPoint(3, x, 45);
        m_chart->SetPoint(2, x, (x * 3) % 31);
    }
    QApplication::processEvents();
    EXPECT_EQ(m_chart->FullRenders(), renders) << "no full render per point";
    EXPECT_GT(m_chart->SegmentsDrawn(), 2u * static_cast<unsigned>(m_chart->NptX()) - 10);
    const QImage incremental = m_chart->ChartImage();
    m_chart->Invalidate();
    EXPECT_EQ(Rendered(), incremental.copy())
        << "the curves drawn point by point are the ones a full render draws";
    EXPECT_EQ(m_chart->FullRenders(), renders + 1);
}

TEST_F(TrendChartTest, TextsWithLineBreaksReserveLinesUnderThePlot) {
    m_chart->SetTextX(1, "  10:00  ");
    EXPECT_EQ(m_chart->TextX(1), "10:00");
    m_chart->SetTextX(2, std::string(60, 'x'));
    EXPECT_EQ(m_chart->TextX(2), std::string(40, 'x'));
    EXPECT_EQ(m_chart->TextLineCount(), 1);
    m_chart->SetTextX(6, "beyond"); // DivX + 2
    m_chart->SetTextX(0, "none");
    EXPECT_EQ(m_chart->TextX(6), "");
    EXPECT_EQ(m_chart->TextX(0), "");

    const QImage oneLine = Rendered();
    EXPECT_EQ(oneLine.pixel(Column(10), 178), kChartBlackPixel) << "the X axis";
    m_chart->SetTextX(3, "date\rtime\rmore");
    EXPECT_EQ(m_chart->TextLineCount(), 3);
    EXPECT_EQ(m_chart->BottomMargin(), 66);
    EXPECT_EQ(m_chart->NptY(), 200 - 66 - 6);
    const QImage threeLines = Rendered();
    EXPECT_EQ(threeLines.pixel(Column(10), 200 - 66), kChartBlackPixel) << "the axis moved up";
    EXPECT_EQ(threeLines.pixel(Column(10), 178), kChartWhitePixel);
    // Fewer lines never give the room back.
    m_chart->SetTextX(3, "short");
    EXPECT_EQ(m_chart->TextLineCount(), 3);

    // A table of 200 texts: a chart of 300 divisions keeps none beyond it.
    m_chart->SetDivX(300);
    m_chart->SetTextX(200, "last");
    m_chart->SetTextX(201, "beyond");
    EXPECT_EQ(m_chart->TextX(200), "last");
    EXPECT_EQ(m_chart->TextX(201), "");
    m_chart->SetDivX(99999);
    EXPECT_EQ(m_chart->DivX(), trends::kMaxDivisions);
    Rendered(); // many divisions on a narrow plot render, and quickly
}

TEST_F(TrendChartTest, RightBorderTakesTwoToOneHundredPixels) {
    const int nptX = m_chart->NptX();
    m_chart->SetRightBorder(1);
    m_chart->SetRightBorder(101);
    EXPECT_EQ(m_chart->RightBorder(), 10);
    EXPECT_EQ(m_chart->NptX(), nptX);
    m_chart->SetRightBorder(100);
    EXPECT_EQ(m_chart->NptX(), nptX - 90);
    EXPECT_FLOAT_EQ(m_chart->InterX(), static_cast<float>(nptX - 90) / 4);
    m_chart->SetRightBorder(2);
    EXPECT_EQ(m_chart->NptX(), nptX + 8);
    m_chart->SetRightBorderUnchecked(150);
    EXPECT_EQ(m_chart->NptX(), nptX - 140);
}

TEST_F(TrendChartTest, LevelLinesAndBarsAreDrawnOverTheKeptImage) {
    m_chart->SetHighLevelColour(kChartRed);
    m_chart->SetLowLevelColour(kChartBlue);
    m_chart->SetLeftBarColour(kChartGreen);
    m_host->show();
    QApplication::processEvents();
    Rendered();
    const std::uint64_t renders = m_chart->FullRenders();
    // The default levels lie far outside 0..100: not drawn.
    QImage shown = m_chart->ShownImage();
    EXPECT_EQ(ChartPixelsOf(shown, kChartRedPixel), 0);
    EXPECT_EQ(ChartPixelsOf(shown, kChartBluePixel), 0);

    m_chart->SetHighLevel(50);
    m_chart->SetLowLevel(0); // at the low end: not drawn
    m_chart->SetLeftBar(20);
    shown = m_chart->grab().toImage();
    EXPECT_EQ(m_chart->FullRenders(), renders) << "an overlay change never renders again";
    const int span = static_cast<int>(std::nearbyint(4 * m_chart->InterX()));
    EXPECT_EQ(shown.pixel(Left(), 92), kChartRedPixel);
    EXPECT_EQ(shown.pixel(Left() + span - 1, 92), kChartRedPixel);
    // The bar is drawn after the level lines and crosses the high one.
    EXPECT_EQ(ChartPixelsOf(shown, kChartRedPixel), span - 1);
    EXPECT_EQ(shown.pixel(Left() + 20, 92), kChartGreenPixel);
    EXPECT_EQ(ChartPixelsOf(shown, kChartBluePixel), 0);
    // The bar: column LeftMargin + 20, from the axis up to the top margin (left out).
    EXPECT_EQ(ChartRowsOf(shown, Left() + 20, kChartGreenPixel).size(), 178u - 6u);
    EXPECT_EQ(shown.pixel(Left() + 20, 178), kChartGreenPixel);
    EXPECT_EQ(m_chart->ChartImage().pixel(Left() + 20, 100), kChartWhitePixel)
        << "the kept image has no overlay";

    // A range that takes the default levels in shows them; a bar out of the plot goes.
    m_chart->SetHighLevel(trends::kDefaultHighLevel);
    m_chart->SetLowLevel(trends::kDefaultLowLevel);
    m_chart->SetHighRangeY(20000000);
    m_chart->SetLowRangeY(-20000000);
    m_chart->SetLeftBar(m_chart->NptX() + 1);
    shown = m_chart->ShownImage();
    EXPECT_EQ(ChartRowsOf(shown, Left() + 5, kChartRedPixel),
              std::vector<int>{m_chart->RowOf(trends::kDefaultHighLevel)});
    EXPECT_EQ(ChartRowsOf(shown, Left() + 5, kChartBluePixel),
              std::vector<int>{m_chart->RowOf(trends::kDefaultLowLevel)});
    EXPECT_EQ(ChartPixelsOf(shown, kChartGreenPixel), 0);
}

TEST_F(TrendChartTest, ResizeResamplesEveryBufferWithinItsNewLength) {
    m_chart->SetPencilColour(1, kChartRed);
    const int oldWidth = m_chart->NptX();
    m_chart->SetPoint(1, 1, 10);
    m_chart->SetPoint(1, 51, 20);
    m_chart->SetPoint(1, oldWidth, 30);
    // Half as wide: old index j (from 0) goes to round(j x new / old).
    m_host->show();
    m_chart->resize(300 - oldWidth / 2, 200);
    const int newWidth = m_chart->NptX();
    ASSERT_EQ(newWidth, oldWidth - oldWidth / 2);
    ASSERT_EQ(m_chart->Point(1, newWidth + 1), std::nullopt);
    EXPECT_EQ(m_chart->Point(1, 1)->value, 10);
    const int moved = static_cast<int>(std::nearbyint(50.0L * newWidth / oldWidth)) + 1;
    EXPECT_TRUE(m_chart->Point(1, moved)->set);
    EXPECT_EQ(m_chart->Point(1, moved)->value, 20);
    EXPECT_EQ(m_chart->Point(1, newWidth)->value, 30) << "the last point stays the last";

    // Down to a sliver: the last points crowd into the last place, none past it.
    m_chart->resize(m_chart->LeftMargin() + 10 + 4, 200);
    ASSERT_EQ(m_chart->NptX(), 4);
    EXPECT_EQ(m_chart->Point(1, 4)->value, 30);
    EXPECT_EQ(m_chart->Point(1, 1)->value, 10);
}

TEST_F(TrendChartTest, ShiftsMovePointsByADivisionAndTextsByOneIndex) {
    m_chart->SetPencilColour(1, kChartRed);
    const int nptX = m_chart->NptX();
    const int a = static_cast<int>(std::nearbyint(m_chart->InterX()));
    m_chart->SetPoint(1, a + 1, 40);
    m_chart->SetPoint(1, nptX, 60);
    m_chart->SetTextX(1, "first");
    m_chart->SetTextX(2, "second");
    m_chart->SetTextX(5, "fifth");
    const QPoint last = m_chart->LastPoint(1);

    m_chart->ShiftLeft();
    EXPECT_EQ(m_chart->Point(1, 1)->value, 40);
    EXPECT_TRUE(m_chart->Point(1, 1)->set);
    EXPECT_EQ(m_chart->Point(1, nptX - a)->value, 60);
    for (int x = nptX - a + 1; x <= nptX; ++x)
        ASSERT_FALSE(m_chart->Point(1, x)->set) << x;
    EXPECT_EQ(m_chart->LastPoint(1), last - QPoint(a, 0));
    EXPECT_EQ(m_chart->TextX(1), "second");
    EXPECT_EQ(m_chart->TextX(4), "fifth");
    EXPECT_EQ(m_chart->TextX(5), "");

    m_chart->ShiftRight();
    m_chart->ShiftRight();
    EXPECT_EQ(m_chart->Point(1, 2 * a + 1)->value, 40);
    for (int x = 1; x <= a; ++x)
        ASSERT_FALSE(m_chart->Point(1, x)->set) << x;
    EXPECT_EQ(m_chart->LastPoint(1).x(), Column(nptX)) << "not past the last column";
    EXPECT_EQ(m_chart->TextX(1), "");
    EXPECT_EQ(m_chart->TextX(2), "");
    EXPECT_EQ(m_chart->TextX(3), "second");

    // A shift as wide as the plot clears it, and never reaches past it.
    m_chart->SetDivX(1);
    m_chart->ShiftLeft();
    m_chart->SetRightBorder(100);
    m_chart->ShiftLeft();
    for (int x = 1; x <= m_chart->NptX(); ++x)
        ASSERT_FALSE(m_chart->Point(1, x)->set) << x;
    EXPECT_EQ(m_chart->LastPoint(1).x(), Left());
}

TEST_F(TrendChartTest, MouseReadsTheValueAndPointUnderIt) {
    m_host->show();
    // Halfway between the rows of the labels 25 and 50.
    const int between = (135 + 92) / 2;
    SendChartMouse(*m_chart, QEvent::MouseMove, {Left() + 30, between}, Qt::NoButton);
    EXPECT_TRUE(m_chart->TakeMouseMoved());
    EXPECT_FALSE(m_chart->TakeMouseMoved()) << "reading clears the flag";
    EXPECT_NEAR(static_cast<double>(m_chart->MouseValue()), 100.0 / 172 * (178 - between), 1e-9);
    EXPECT_NEAR(static_cast<double>(m_chart->MouseValue()), 37.5, 0.5);
    EXPECT_EQ(m_chart->MousePoint(), 30);

    SendChartMouse(*m_chart, QEvent::MouseMove, {2, 3}, Qt::NoButton);
    EXPECT_EQ(m_chart->MouseValue(), 100);
    EXPECT_EQ(m_chart->MousePoint(), 1);
    SendChartMouse(*m_chart, QEvent::MouseMove, {299, 199}, Qt::NoButton);
    EXPECT_EQ(m_chart->MouseValue(), 0);
    EXPECT_EQ(m_chart->MousePoint(), m_chart->NptX());
}

TEST_F(TrendChartTest, RubberBandSelectionIsOrderedOnRelease) {
    m_host->show();
    std::vector<trends::TrendSelection> told;
    m_chart->SetSelectionListener(
        [&told](const trends::TrendSelection& selection) { told.push_back(selection); });
    // Pressed right and low (value 25), released left and high (value 75).
    SendChartMouse(*m_chart, QEvent::MouseButtonPress, {Left() + 80, 135}, Qt::LeftButton);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(m_chart->Selection().dragging);
    SendChartMouse(*m_chart, QEvent::MouseMove, {Left() + 40, 100}, Qt::LeftButton);
    const QImage band = m_chart->grab().toImage();
    EXPECT_GT(ChartPixelsOf(band, kChartBlackPixel), ChartPixelsOf(m_chart->ShownImage(), kChartBlackPixel))
        << "the band is drawn while dragging";
    SendChartMouse(*m_chart, QEvent::MouseButtonRelease, {Left() + 20, 49}, Qt::LeftButton);
    ASSERT_EQ(told.size(), 2u);
    const trends::TrendSelection& selection = m_chart->Selection();
    EXPECT_FALSE(selection.dragging);
    EXPECT_EQ(selection.xStart, 20);
    EXPECT_EQ(selection.xEnd, 80);
    EXPECT_EQ(selection.yHigh, 75);
    EXPECT_EQ(selection.yLow, 25);
    EXPECT_EQ(told.back().yHigh, 75);
}

TEST_F(TrendChartTest, WithTheDisplayOffPointsAreStoredButNotDrawn) {
    m_chart->SetPencilColour(1, kChartRed);
    const QImage before = Rendered();
    trends::SetDisplayEnabled(false);
    for (int x = 1; x <= 40; ++x)
        m_chart->SetPoint(1, x, 50);
    m_chart->RenderNow();
    EXPECT_EQ(m_chart->ChartImage(), before);
    EXPECT_TRUE(m_chart->Point(1, 40)->set);

    // A chart made meanwhile leaves the display enabled.
    trends::TrendChart other(m_host.get(), trends::ChartSetup{});
    EXPECT_TRUE(trends::DisplayEnabled());
    trends::SetDisplayEnabled(true);

    const QImage redrawn = Rendered();
    EXPECT_EQ(redrawn.pixel(Column(20), 92), kChartRedPixel);
    EXPECT_EQ(redrawn.pixel(Column(39), 92), kChartRedPixel);

    // The next point joins the curve where it ended while nothing was drawn, not where the
    // last drawn point was (no hold along the axis).
    m_chart->SetPoint(1, 41, 50);
    const QImage after = m_chart->ChartImage();
    EXPECT_EQ(after.pixel(Column(40), 92), kChartRedPixel);
    EXPECT_EQ(ChartRowsOf(after, Column(10), kChartRedPixel), std::vector<int>{92});
}

TEST_F(TrendChartTest, ColoursResetsAndCoefficientsRedrawTheCurve) {
    m_chart->SetPencilColour(1, kChartRed);
    for (int x = 1; x <= 30; ++x)
        m_chart->SetPoint(1, x, 50);
    m_chart->SetPencilColour(1, kChartBlue);
    EXPECT_EQ(m_chart->Point(1, 10)->colour, kChartBlue);
    EXPECT_EQ(m_chart->Point(1, 40)->colour, kChartRed) << "a cleared point keeps its colour";
    QImage image = Rendered();
    EXPECT_EQ(image.pixel(Column(10), 92), kChartBluePixel);
    EXPECT_EQ(ChartPixelsOf(image, kChartRedPixel), 0);

    m_chart->ResetPoints(1);
    EXPECT_FALSE(m_chart->Point(1, 10)->set);
    EXPECT_EQ(m_chart->Point(1, 10)->colour, kChartBlue);
    EXPECT_EQ(m_chart->LastPoint(1), QPoint(Left(), 178));
    EXPECT_EQ(ChartPixelsOf(Rendered(), kChartBluePixel), 0);

    m_chart->SetPencilColour(4, kChartGreen);
    m_chart->SetPoint(4, 3, 70);
    m_chart->SetPoint(1, 3, 70);
    m_chart->ResetAllPoints();
    EXPECT_FALSE(m_chart->Point(4, 3)->set);
    EXPECT_FALSE(m_chart->Point(1, 3)->set);
}

TEST_F(TrendChartTest, DrawingProcedureReplacesTheLinesAndFallsBackWhenItFails) {
    m_chart->SetPencilColour(1, kChartRed);
    std::vector<trends::DrawingCall> calls;
    bool fail = false;
    m_chart->SetDrawingProcedure(0x1000, [&](const trends::DrawingCall& call) {
        calls.push_back(call);
        return !fail;
    });
    EXPECT_EQ(m_chart->DrawingProcedureAddress(), 0x1000u);
    Rendered();
    m_chart->SetPoint(1, 1, 50);
    m_chart->SetPoint(1, 2, 25);
    m_chart->SetPoint(1, m_chart->NptX(), 25);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[0].firstPoint);
    EXPECT_FALSE(calls[1].firstPoint);
    EXPECT_TRUE(calls[2].lastPoint);
    EXPECT_EQ(calls[1].point, QPoint(Column(2), 135));
    EXPECT_EQ(calls[1].previous, QPoint(Column(1), 92));
    EXPECT_EQ(calls[1].value, 25);
    EXPECT_EQ(calls[1].previousValue, 50);
    EXPECT_EQ(calls[1].plotLeft, Left());
    EXPECT_EQ(calls[1].plotBottom, 178);
    EXPECT_EQ(calls[1].pencil, 1);
    EXPECT_EQ(ChartPixelsOf(m_chart->ChartImage(), kChartRedPixel), 0) << "the procedure draws";

    // A full render calls it for each set point, then once more with the last-point flag.
    calls.clear();
    m_chart->Invalidate();
    Rendered();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_TRUE(calls[0].firstPoint);
    EXPECT_EQ(calls[0].previous, QPoint(Left(), 92)) << "the curve starts at the left edge";
    EXPECT_FALSE(calls[2].lastPoint);
    EXPECT_TRUE(calls[3].lastPoint);
    EXPECT_FALSE(calls[3].firstPoint);

    // A failing procedure is dropped and the chart draws by itself.
    fail = true;
    calls.clear();
    m_chart->SetPoint(1, 3, 25);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(m_chart->DrawingProcedureAddress(), 0u);
    const QImage image = Rendered();
    EXPECT_EQ(image.pixel(Column(2), 135), kChartRedPixel);
    m_chart->SetPoint(1, 4, 25);
    EXPECT_EQ(calls.size(), 1u) << "never called again";
}

// --- charts in place of figures ---

namespace {

class TrendRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form = std::make_unique<screens::ScreenForm>();
        m_form->SetScreenName("PANEL");
        m_form->resize(500, 400);
        screens::SetCurrentWindow(m_form.get());
    }
    void TearDown() override {
        m_form.reset();
        screens::Globals().Reset();
    }

    screens::FBase* ChartFigure(const char* name, int x, int y, std::uint8_t decimals) {
        auto* figure = new screens::FBase(&m_form->Client());
        figure->SetLoading(true);
        figure->SetKind(static_cast<std::uint8_t>(screens::FigureKind::Rectang));
        figure->Load(testsupport::Record(screens::FigureKind::Rectang, x, y, x + 200, y + 150));
        figure->SetLoading(false);
        figure->SetNames("", name);
        figure->SetDecimals(decimals);
        figure->SetBackColour(0x00C0C0C0);
        figure->show();
        return figure;
    }

    std::unique_ptr<screens::ScreenForm> m_form;
};

} // namespace

TEST_F(TrendRegistryTest, CurrentChartIsTheOnlyOneOrTheCurrentFiguresOwn) {
    screens::FBase* first = ChartFigure("CURVE1", 10, 10, 2);
    screens::FBase* second = ChartFigure("CURVE2", 250, 10, 0);
    m_form->show();
    EXPECT_EQ(trends::CurrentChart(), nullptr);

    trends::TrendChart* a = trends::CreateChart(*first, {4, 5, 1, 2, 0, 100});
    EXPECT_EQ(a->FigureName(), "CURVE1");
    EXPECT_EQ(a->Decimals(), 2) << "a drawn figure gives its decimals";
    EXPECT_EQ(a->size(), first->size());
    EXPECT_EQ(a->parentWidget(), first);
    EXPECT_EQ(trends::FigureOfChart(*a), first);
    screens::SetCurrentFigure(second);
    EXPECT_EQ(trends::CurrentChart(), a) << "the only chart whatever the figure";

    trends::TrendChart* b = trends::CreateChart(*second, {2, 2, 0, 0, -1, 1});
    EXPECT_EQ(trends::CurrentChart(), b);
    screens::SetCurrentFigure(first);
    EXPECT_EQ(trends::CurrentChart(), a);
    screens::SetCurrentWindow(nullptr);
    EXPECT_EQ(trends::CurrentChart(), nullptr);
    screens::SetCurrentWindow(m_form.get());

    // A chart made again for a figure replaces the old one at once.
    const std::uint32_t oldNumber = a->Number();
    trends::TrendChart* again = trends::CreateChart(*first, {1, 1, 0, 0, 0, 10});
    EXPECT_NE(again->Number(), oldNumber);
    EXPECT_EQ(trends::Globals().charts.size(), 2u);
    EXPECT_EQ(trends::CurrentChart(), again);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(first->findChildren<trends::TrendChart*>().size(), 1u);

    // The chart follows its figure's size and goes with its window.
    first->SetBounds(QRect(10, 10, 300, 180));
    EXPECT_EQ(again->size(), QSize(300, 180));
    EXPECT_EQ(again->NptX(), 300 - again->LeftMargin() - 10);
    m_form.reset();
    EXPECT_TRUE(trends::Globals().charts.empty());
}

TEST_F(TrendRegistryTest, AChartHandedToAReportScreenShowsInItsFigure) {
    screens::FBase* curve = ChartFigure("CURVE1", 10, 10, 0);
    m_form->show();
    trends::TrendChart* chart = trends::CreateChart(*curve, {4, 5, 1, 2, 0, 100});
    chart->SetPencilColour(1, 0x000000FF);
    for (int x = 1; x <= chart->NptX(); ++x)
        chart->SetPoint(1, x, 50);
    EXPECT_EQ(trends::ChartByNumber(chart->Number()), chart);
    EXPECT_EQ(trends::ChartByNumber(chart->Number() + 1000), nullptr);

    // The report: another open screen with a figure of the control's name.
    screens::ScreenForm report;
    report.SetScreenName("REPORT");
    report.resize(400, 300);
    auto* frame = new screens::FBase(&report.Client());
    frame->SetLoading(true);
    frame->SetKind(static_cast<std::uint8_t>(screens::FigureKind::Rectang));
    frame->Load(testsupport::Record(screens::FigureKind::Rectang, 20, 20, 320, 170));
    frame->SetLoading(false);
    frame->SetNames("", "TRENDPIC");
    report.show();

    EXPECT_FALSE(trends::HandChartToReport(*chart, "NOSUCH", "TRENDPIC"));
    EXPECT_FALSE(trends::HandChartToReport(*chart, "report", "NOSUCH"));
    EXPECT_TRUE(frame->findChildren<QWidget*>().isEmpty());

    // Names ignore case; the picture fills the figure and holds the red curve.
    ASSERT_TRUE(trends::HandChartToReport(*chart, "report", "trendpic"));
    ASSERT_EQ(frame->findChildren<QWidget*>().size(), 1);
    QWidget* picture = frame->findChildren<QWidget*>().front();
    EXPECT_EQ(picture->geometry(), frame->rect());
    const QImage shown = picture->grab().toImage();
    int red = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == QColor(255, 0, 0))
                ++red;
    EXPECT_GT(red, 100);

    // Handing it again replaces the picture.
    EXPECT_TRUE(trends::HandChartToReport(*chart, "REPORT", "TRENDPIC"));
    EXPECT_EQ(frame->findChildren<QWidget*>().size(), 1);
}
