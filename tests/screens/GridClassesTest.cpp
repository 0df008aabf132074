// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <QTableWidget>

#include "ClassDataSupport.h"
#include "FigureTestSupport.h"
#include "platform/Extended.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/DisplayClasses.h"
#include "screens/GridClasses.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"

using figuretest::kBackground;
using figuretest::kGreen;
using figuretest::kRed;

namespace {

using screens::testing::DataOf;

std::string Int32Bytes(std::int32_t value)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

std::string ExtendedBytes(long double value)
{
    const platform::ExtendedBytes bytes = platform::ToExtended(value);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class DisplayObjects : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    // A window placeholder in the form's client area, the current figure.
    screens::TSimple* Placeholder(int x1, int y1, int x2, int y2)
    {
        return figuretest::MakePlaceholder(m_form, x1, y1, x2, y2, "TCGRILLE", "GRID1");
    }

    // A grid of 3 columns of 50 pixels and 4 rows of 20, one fixed row and column in red.
    screens::ClassData GridData()
    {
        screens::ClassData data = DataOf("TCGrille");
        data.Find("columnCount")->number = 3;
        data.Find("r1")->bytes = Int32Bytes(4);
        data.Find("columns")->items = {Int32Bytes(50), Int32Bytes(50), Int32Bytes(50)};
        data.Find("r2")->bytes = Int32Bytes(1);
        data.Find("r3")->bytes = Int32Bytes(1);
        data.Find("r4")->bytes = Int32Bytes(20);
        data.Find("r5")->bytes = Int32Bytes(static_cast<std::int32_t>(figuretest::kRecordRed));
        return data;
    }

    static QColor CellPixel(QTableWidget& table, const QImage& image, int column, int row)
    {
        const QRect cell = table.visualRect(table.model()->index(row, column));
        const QPoint centre = table.viewport()->mapTo(&table, cell.center());
        return image.pixelColor(centre);
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(DisplayObjects, GridReplacesItsPlaceholderAndDrawsFixedAndColouredCells)
{
    screens::TSimple* placeholder = Placeholder(10, 10, 170, 100);
    placeholder->AttachScreenObject(std::make_unique<screens::TCGrille>());
    screens::TCGrille& grid = *screens::ScreenObjectOf<screens::TCGrille>(placeholder);
    screens::ClassData data = GridData();
    grid.ReadData(&data);
    grid.Run();

    QTableWidget* table = grid.Table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->geometry(), placeholder->geometry());
    EXPECT_TRUE(placeholder->isHidden());
    EXPECT_EQ(grid.ColumnCount(), 3);
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.ColumnWidth(2), 50);
    EXPECT_EQ(grid.RowHeight(3), 20);
    EXPECT_EQ(grid.CellColour(0, 2), figuretest::kRecordRed);
    EXPECT_EQ(grid.CellColour(1, 1),
              screens::ToWindowsColour(table->palette().color(QPalette::Base)));

    EXPECT_TRUE(grid.SetCellColour(1, 1, figuretest::kRecordGreen));
    EXPECT_TRUE(grid.SetCellColour(0, 0, figuretest::kRecordBlue))
        << "a fixed cell may have its own";
    EXPECT_EQ(grid.CellColour(1, 1), figuretest::kRecordGreen);
    table->clearSelection();
    QImage image = figuretest::Render(*table);
    EXPECT_EQ(figuretest::ColourText(CellPixel(*table, image, 1, 0)), figuretest::ColourText(kRed));
    EXPECT_EQ(figuretest::ColourText(CellPixel(*table, image, 0, 3)), figuretest::ColourText(kRed));
    EXPECT_EQ(figuretest::ColourText(CellPixel(*table, image, 1, 1)),
              figuretest::ColourText(kGreen));
    EXPECT_EQ(figuretest::ColourText(CellPixel(*table, image, 0, 0)),
              figuretest::ColourText(figuretest::kBlue));
    const QColor plain = CellPixel(*table, image, 2, 2);
    EXPECT_NE(plain, kRed);
    EXPECT_NE(plain, kGreen);

    // With no fixed rows the first row is drawn as the others.
    grid.SetFixedRows(0);
    image = figuretest::Render(*table);
    EXPECT_EQ(figuretest::ColourText(CellPixel(*table, image, 2, 0)),
              figuretest::ColourText(plain));

    // The table goes with the object, which its placeholder owns.
    QPointer<QTableWidget> guard(table);
    delete placeholder;
    EXPECT_TRUE(guard.isNull());
}

TEST_F(DisplayObjects, GridRefusesAbsurdDataAndCounts)
{
    screens::ClassData data = GridData();
    data.Find("columnCount")->number = -5;
    data.Find("r1")->bytes = Int32Bytes(2000000000);
    data.Find("columns")->items = {Int32Bytes(-1), Int32Bytes(1 << 30)};
    data.Find("r2")->bytes = Int32Bytes(99);
    data.Find("r4")->bytes = "\x01"; // cut short
    screens::TCGrille grid;
    grid.ReadData(&data);
    EXPECT_EQ(grid.Settings().columns, 0);
    EXPECT_EQ(grid.Settings().rows, 0);
    EXPECT_EQ(grid.Settings().columnWidths, (std::vector<int>{64, 64}));
    EXPECT_EQ(grid.Settings().fixedColumns, 0);
    EXPECT_EQ(grid.Settings().rowHeight, 0);

    // Without a figure there is no table: everything reads as empty.
    EXPECT_EQ(grid.Table(), nullptr);
    EXPECT_FALSE(grid.SetCellText(0, 0, QStringLiteral("x")));
    EXPECT_EQ(grid.RowCount(), 0);

    Placeholder(0, 0, 100, 100);
    EXPECT_TRUE(grid.Customise(1000, 1000000000, -3, 5000));
    EXPECT_EQ(grid.ColumnCount(), screens::TCGrille::kMaxColumns);
    EXPECT_EQ(grid.RowCount(), screens::TCGrille::kMaxCells / screens::TCGrille::kMaxColumns);
    EXPECT_EQ(grid.FixedColumns(), 0);
    EXPECT_EQ(grid.FixedRows(), grid.RowCount());
    grid.SetRowCount(-1);
    EXPECT_EQ(grid.RowCount(), 0);
    EXPECT_EQ(grid.FixedRows(), 0) << "fixed rows follow the row count down";
}

TEST_F(DisplayObjects, AxisDrawsItsScaleOverTheRangeOfItsData)
{
    screens::TSimple* placeholder = Placeholder(0, 0, 200, 40);
    screens::TCAxis axis;
    screens::ClassData data = DataOf("TCAxis");
    data.Find("r1")->bytes = ExtendedBytes(0);
    data.Find("r2")->bytes = ExtendedBytes(100);
    data.Find("r3")->bytes = Int32Bytes(4);
    data.Find("r6")->bytes = Int32Bytes(static_cast<std::int32_t>(figuretest::kRecordRed));
    axis.ReadData(&data);
    EXPECT_EQ(axis.PixelOf(50), -1) << "not built yet";
    axis.Run();
    ASSERT_NE(axis.Scale(), nullptr);
    EXPECT_TRUE(placeholder->isHidden());

    const QImage image = figuretest::Render(*axis.Scale());
    const int left = axis.PixelOf(0);
    const int middle = axis.PixelOf(50);
    const int right = axis.PixelOf(100);
    EXPECT_LT(left, middle);
    EXPECT_LT(middle, right);
    EXPECT_LT(right, 200);
    for (int x = left; x <= right; x += 7)
        EXPECT_PIXEL(image, x, 0, kRed);
    EXPECT_PIXEL(image, middle, 4, kRed);                     // a major tick
    EXPECT_NE(image.pixelColor(axis.PixelOf(12.5), 4), kRed); // no minor ticks
    EXPECT_NE(image.pixelColor(0, 39), kBackground) << "the scale fills its back colour";

    // A vertical axis with the same range is drawn along its right edge, the minimum at the
    // bottom; an unusable range falls back to 0..100.
    Placeholder(0, 0, 60, 200);
    screens::TCAxis vertical;
    data.Find("b1")->number = 1;
    data.Find("r2")->bytes = ExtendedBytes(0);
    vertical.ReadData(&data);
    EXPECT_EQ(vertical.Settings().maximum, 100);
    vertical.Run();
    const QImage upright = figuretest::Render(*vertical.Scale());
    EXPECT_GT(vertical.PixelOf(0), vertical.PixelOf(100));
    EXPECT_PIXEL(upright, 59, vertical.PixelOf(50), kRed);
    EXPECT_PIXEL(upright, 55, vertical.PixelOf(50), kRed);
}
