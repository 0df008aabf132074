// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <vector>

#include "FigureTestSupport.h"
#include "screens/FigureKind.h"
#include "screens/PolyPoints.h"

using namespace figuretest;
using screens::FigureKind;

namespace {

constexpr std::uint8_t kPolyGon = static_cast<std::uint8_t>(FigureKind::PolyGon);
constexpr std::uint8_t kPolyLine = static_cast<std::uint8_t>(FigureKind::PolyLine);

// A point-list figure made the way the loader makes one: loaded, given its points, its kind again.
screens::FBase* PointFigure(screens::ScreenForm& form, std::uint8_t kind, const std::vector<QPoint>& points)
{
    auto* figure = new screens::FBase(&form);
    figure->SetLoading(true);
    figure->SetKind(kind);
    figure->Load(Record(kind, 0, 0, 0, 0));
    figure->SetPointList(points);
    figure->SetKind(kind);
    figure->SetLoading(false);
    figure->show();
    return figure;
}

} // namespace

TEST(PolyFigure, PointsBecomeRelativeWithTenPixelsToSpare)
{
    screens::ScreenForm form;
    screens::FBase* polygon = PointFigure(form, kPolyGon, {{110, 120}, {150, 120}, {150, 140}});
    EXPECT_EQ(polygon->geometry(), QRect(110, 120, 50, 30));
    EXPECT_EQ(polygon->Points().Points(), (std::vector<QPoint>{{0, 0}, {40, 0}, {40, 20}}));
    EXPECT_EQ(polygon->Points().Point(1), QPoint(0, 0));
    EXPECT_EQ(polygon->Points().Point(3), QPoint(40, 20));
    EXPECT_FALSE(polygon->Points().Point(0).has_value());
    EXPECT_FALSE(polygon->Points().Point(4).has_value());

    // Drawn closed and filled: outline on the points, the inside in the back colour.
    const QImage image = Render(*polygon);
    EXPECT_PIXEL(image, 0, 0, kBlack);
    EXPECT_PIXEL(image, 40, 10, kBlack);
    EXPECT_PIXEL(image, 35, 5, kBlue);
    EXPECT_PIXEL(image, 5, 15, kBackground);
    EXPECT_PIXEL(image, 45, 25, kBackground);

    screens::FBase* polyline = PointFigure(form, kPolyLine, {{110, 120}, {150, 120}, {150, 140}});
    const QImage open = Render(*polyline);
    EXPECT_PIXEL(open, 20, 0, kBlack);
    EXPECT_PIXEL(open, 40, 10, kBlack);
    EXPECT_PIXEL(open, 35, 5, kBackground); // open and never filled
    EXPECT_PIXEL(open, 40, 20, kBackground); // the last point is left out

    // At most 100 points; none at all draws nothing and does not fail.
    std::vector<QPoint> many;
    many.reserve(150);
    for (int i = 0; i < 150; ++i)
        many.emplace_back(i, i % 7);
    EXPECT_EQ(PointFigure(form, kPolyLine, many)->Points().Count(), screens::PolyPoints::kMaxPoints);
    screens::FBase* empty = PointFigure(form, kPolyGon, {});
    empty->SetAngle(30);
    EXPECT_EQ(empty->Points().Count(), 0u);
}

TEST(PolyFigure, RotationTurnsTheOriginalPointsAboutTheCentre)
{
    screens::ScreenForm form;
    screens::FBase* polygon = PointFigure(form, kPolyGon, {{110, 120}, {150, 120}, {150, 140}});
    polygon->SetRotationCentre(QPoint(20, 10));
    polygon->SetAngle(90);
    // (0,0) -> (30,-10), (40,0) -> (30,30), (40,20) -> (10,30); smallest (0,-10), largest (50,30)
    // counting the original size; the figure moves up by 10 so the points stay in place.
    EXPECT_EQ(polygon->Points().Points(), (std::vector<QPoint>{{30, 0}, {30, 40}, {10, 40}}));
    EXPECT_EQ(polygon->geometry(), QRect(110, 110, 60, 50));

    // Each angle starts again from the original: back at 0 the points are the loaded ones and
    // the size is the original one plus the margin.
    polygon->SetAngle(0);
    EXPECT_EQ(polygon->Points().Points(), (std::vector<QPoint>{{0, 0}, {40, 0}, {40, 20}}));
    EXPECT_EQ(polygon->geometry(), QRect(110, 120, 60, 40));
    polygon->SetAngle(180);
    polygon->SetAngle(90);
    EXPECT_EQ(polygon->Points().Points(), (std::vector<QPoint>{{30, 0}, {30, 40}, {10, 40}}));

    // Without a centre from the class data the figure turns about (-1, -1).
    screens::PolyPoints points;
    points.SetFromWindow(std::vector<QPoint>{{0, 0}, {10, 0}});
    EXPECT_EQ(points.Centre(), QPoint(-1, -1));
    points.Rotate(180, QRect(0, 0, 20, 10));
    // (0,0) -> (-2,-2), (10,0) -> (-12,-2): shifted by the smallest coordinates (-12, -2).
    EXPECT_EQ(points.Points(), (std::vector<QPoint>{{10, 0}, {0, 0}}));
}
