// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QWidget>

#include "PictureTestSupport.h"
#include "TestSupport.h"
#include "platform/Log.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowShape.h"

using picturetest::BmpBytes;
using picturetest::Filled;
using testsupport::WriteFile;

namespace {

const QColor kClear(10, 20, 30); // the transparent colour of the test bitmaps

// Rows of a bitmap written as characters: '.' transparent, 'K' black, 'r' (10, 0, 0), which
// shares its red with the transparent colour.
QImage FromRows(std::initializer_list<const char*> rows)
{
    const int width = static_cast<int>(std::strlen(*rows.begin()));
    QImage image(width, static_cast<int>(rows.size()), QImage::Format_RGB32);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, row[x] == '.' ? kClear : (row[x] == 'K' ? QColor(0, 0, 0) : QColor(10, 0, 0)));
        ++y;
    }
    return image;
}

} // namespace

TEST(WindowShape, RunsEndAtAPixelSharingAComponentAndLieOnePixelDownRight)
{
    const QImage bitmap = FromRows({
        "......",
        ".KKK..",
        "KrK..K",
    });
    const std::vector<QRect> expected = {
        QRect(QPoint(2, 2), QPoint(4, 2)), // row 1: x 1..3
        QRect(QPoint(1, 3), QPoint(1, 3)), // row 2: K, ended by r
        QRect(QPoint(2, 3), QPoint(3, 3)), // r starts a run that the transparent pixel ends
        QRect(QPoint(6, 3), QPoint(6, 3)),
    };
    EXPECT_EQ(screens::ShapeRuns(bitmap), expected);

    QRegion united;
    for (const QRect& r : expected)
        united += r;
    const QRegion region = screens::ShapeRegion(bitmap);
    EXPECT_EQ(region, united);
    EXPECT_TRUE(region.contains(QPoint(3, 3)));
    EXPECT_FALSE(region.contains(QPoint(0, 2)));
    EXPECT_FALSE(region.contains(QPoint(4, 3)));

    EXPECT_TRUE(screens::ShapeRegion(Filled(5, 5, kClear)).isEmpty());
    EXPECT_TRUE(screens::ShapeRuns(QImage()).empty());
}

TEST(WindowShape, RegionOfABigBitmapCoversExactlyItsShiftedOpaquePixels)
{
    QImage bitmap = Filled(640, 400, Qt::white);
    {
        QPainter painter(&bitmap);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0));
        painter.drawEllipse(QRect(20, 10, 600, 380));
        painter.setBrush(QColor(255, 0, 0)); // shares red with white: one-pixel runs
        painter.drawRect(QRect(300, 150, 40, 40));
    }
    const QRegion region = screens::ShapeRegion(bitmap);
    for (int y = 0; y < bitmap.height(); y += 7)
        for (int x = 0; x < bitmap.width(); x += 5) {
            const bool opaque = bitmap.pixelColor(x, y) != QColor(Qt::white);
            ASSERT_EQ(region.contains(QPoint(x + 1, y + 1)), opaque) << x << "," << y;
        }
    // Abutting runs of a row are joined: one band per row of the ellipse.
    EXPECT_LE(region.rectCount(), 400);
}

class WindowShapeFiles : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd{m_dir.Path()};
};

TEST_F(WindowShapeFiles, WindowTakesTheBitmapsSizeAndRegionAndLosesItsCaption)
{
    const QImage shape = FromRows({
        "........",
        "..KKKK..",
        ".KKKKKK.",
        "..KKKK..",
    });
    WriteFile(m_dir / "shape.Bmp", BmpBytes(shape, 24));
    WriteFile(m_dir / "flat.Bmp", BmpBytes(shape, 8));
    WriteFile(m_dir / "broken.Bmp", BmpBytes(shape, 24).substr(0, 20));

    QWidget window;
    window.resize(300, 200);
    screens::ApplyWindowShape(window, "shape.bmp"); // the base name is used
    EXPECT_EQ(screens::WindowShapeName(window), "shape.bmp");
    EXPECT_EQ(window.size(), QSize(8, 4));
    EXPECT_EQ(window.mask(), screens::ShapeRegion(shape));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));

    // Fewer than 24 bits per pixel: the size, but no region.
    window.resize(300, 200);
    screens::ApplyWindowShape(window, "flat");
    EXPECT_EQ(window.size(), QSize(8, 4));
    EXPECT_TRUE(window.mask().isEmpty());

    auto quiet = platform::log::SetSink([](platform::LogLevel, std::string_view) {});
    screens::ApplyWindowShape(window, "shape");
    screens::ApplyWindowShape(window, "broken");
    EXPECT_EQ(screens::WindowShapeName(window), "broken");
    EXPECT_TRUE(window.mask().isEmpty());
    screens::ApplyWindowShape(window, "shape");
    screens::ApplyWindowShape(window, "missing");
    EXPECT_EQ(screens::WindowShapeName(window), "missing");
    EXPECT_TRUE(window.mask().isEmpty());
    platform::log::SetSink(std::move(quiet));

    screens::ApplyWindowShape(window, "shape");
    screens::ApplyWindowShape(window, "");
    EXPECT_TRUE(screens::WindowShapeName(window).empty());
    EXPECT_TRUE(window.mask().isEmpty());
}
