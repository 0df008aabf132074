// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QWidget>

#include "PictureTestSupport.h"
#include "screens/MetafileImage.h"
#include "screens/Picture.h"
#include "screens/PictureFiles.h"
#include "screens/RasterOp.h"

using picturetest::At;
using picturetest::kPictureBackground;
using picturetest::Filled;
using picturetest::Painted;
using screens::Picture;

namespace {


Picture BitmapOf(const QImage& image)
{
    Picture picture;
    picture.type = Picture::Type::Bitmap;
    picture.image = image;
    picture.bitsPerPixel = 24;
    return picture;
}

// 2 x 2: red, green / blue, white (bottom-left blue).
QImage Quad()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(1, 0, Qt::green);
    image.setPixelColor(0, 1, Qt::blue);
    image.setPixelColor(1, 1, Qt::white);
    return image;
}

QImage Draw(const Picture& picture, QSize area, std::uint8_t mode, bool transparent, QColor background = kPictureBackground)
{
    return Painted(QSize(8, 8), background, [&](QPainter& painter) {
        screens::DrawPicture(painter, picture, area, mode, transparent);
    });
}

} // namespace

TEST(PictureDrawing, StretchesInModeOneAndCopiesUnscaledOtherwise)
{
    const Picture quad = BitmapOf(Quad());
    const QImage stretched = Draw(quad, QSize(8, 8), 1, false);
    EXPECT_EQ(At(stretched, 0, 0), QColor(Qt::red));
    EXPECT_EQ(At(stretched, 3, 3), QColor(Qt::red));
    EXPECT_EQ(At(stretched, 4, 3), QColor(Qt::green));
    EXPECT_EQ(At(stretched, 3, 4), QColor(Qt::blue));
    EXPECT_EQ(At(stretched, 7, 7), QColor(Qt::white));

    for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{2}}) {
        const QImage copied = Draw(quad, QSize(8, 8), mode, false);
        EXPECT_EQ(At(copied, 0, 0), QColor(Qt::red)) << int(mode);
        EXPECT_EQ(At(copied, 1, 1), QColor(Qt::white)) << int(mode);
        EXPECT_EQ(At(copied, 2, 0), kPictureBackground) << int(mode);
        EXPECT_EQ(At(copied, 0, 2), kPictureBackground) << int(mode);
    }

    // A client area smaller than the bitmap clips it.
    const QImage clipped = Draw(BitmapOf(Filled(8, 8, Qt::red)), QSize(3, 2), 0, false);
    EXPECT_EQ(At(clipped, 2, 1), QColor(Qt::red));
    EXPECT_EQ(At(clipped, 3, 1), kPictureBackground);
    EXPECT_EQ(At(clipped, 2, 2), kPictureBackground);
}

TEST(PictureDrawing, TransparencyLeavesOutTheBottomLeftColour)
{
    QImage image = Filled(4, 4, Qt::green);
    image.setPixelColor(1, 1, Qt::red);
    image.setPixelColor(0, 3, Qt::yellow); // the bottom-left pixel: yellow is transparent
    image.setPixelColor(3, 0, Qt::yellow);
    const Picture picture = BitmapOf(image);

    const QImage transparent = Draw(picture, QSize(8, 8), 0, true);
    EXPECT_EQ(At(transparent, 1, 1), QColor(Qt::red));
    EXPECT_EQ(At(transparent, 2, 2), QColor(Qt::green));
    EXPECT_EQ(At(transparent, 0, 3), kPictureBackground);
    EXPECT_EQ(At(transparent, 3, 0), kPictureBackground);

    const QImage opaque = Draw(picture, QSize(8, 8), 0, false);
    EXPECT_EQ(At(opaque, 0, 3), QColor(Qt::yellow));

    // Stretched, the transparent pixels cover their scaled cells.
    const QImage stretched = Draw(picture, QSize(8, 8), 1, true);
    EXPECT_EQ(At(stretched, 0, 7), kPictureBackground);
    EXPECT_EQ(At(stretched, 1, 6), kPictureBackground);
    EXPECT_EQ(At(stretched, 7, 0), kPictureBackground);
    EXPECT_EQ(At(stretched, 2, 2), QColor(Qt::red));
    EXPECT_EQ(At(stretched, 5, 5), QColor(Qt::green));

    // Changing the bitmap changes what is transparent (nothing stale from an earlier draw).
    image.setPixelColor(0, 3, Qt::green);
    const QImage changed = Draw(BitmapOf(image), QSize(8, 8), 0, true);
    EXPECT_EQ(At(changed, 3, 0), QColor(Qt::yellow));
    EXPECT_EQ(At(changed, 2, 2), kPictureBackground);
}

TEST(PictureDrawing, OtherModesCombineSourceAndDestinationBitByBit)
{
    const QColor source(0x0F, 0x3C, 0xA5);
    const QColor destination(0x55, 0xF0, 0x33);
    const QRgb s = source.rgb() & 0xFFFFFF, d = destination.rgb() & 0xFFFFFF;
    struct Case {
        std::uint8_t rop;
        QRgb expected;
    };
    const Case cases[] = {
        {0xCC, s},                        // source copy
        {0x66, s ^ d},                    // source invert
        {0x88, s & d},                    // source and
        {0xEE, s | d},                    // source paint
        {0x33, ~s & 0xFFFFFF},            // inverted source
        {0x11, ~(s | d) & 0xFFFFFF},      // source erase inverted
        {0x0F, 0x000000},                 // inverted pattern: black
        {0xFF, 0xFFFFFF},                 // white
        {0x55, ~d & 0xFFFFFF},            // inverted destination
        {0x44, s & ~d & 0xFFFFFF},        // source erase
        {0xBB, (~s | d) & 0xFFFFFF},      // merge paint
        {0xAA, d},                        // destination kept
        {0xF0, 0xFFFFFF},                 // pattern copy: the pattern is white
        {0x5A, ~d & 0xFFFFFF},            // pattern invert
    };
    // Display modes 0 and 2 are plain copies, so the black operation 0x00 never reaches here.
    const Picture picture = BitmapOf(Filled(4, 4, source));
    for (const Case& c : cases) {
        const QImage result = Draw(picture, QSize(8, 8), c.rop, false, destination);
        EXPECT_EQ(result.pixel(2, 2) & 0xFFFFFF, c.expected) << std::hex << int(c.rop);
        EXPECT_EQ(qAlpha(result.pixel(2, 2)), 255) << std::hex << int(c.rop);
        EXPECT_EQ(result.pixelColor(5, 5), destination) << std::hex << int(c.rop); // outside the bitmap
        EXPECT_EQ(screens::ApplyRasterOp(c.rop, s, d), c.expected) << std::hex << int(c.rop);
    }

    // With transparency on, the transparent colour takes no part in the operation.
    QImage keyed = Filled(4, 4, source);
    keyed.setPixelColor(0, 3, Qt::black);
    const QImage masked = Draw(BitmapOf(keyed), QSize(8, 8), 0x66, true, destination);
    EXPECT_EQ(masked.pixelColor(0, 3), destination);
    EXPECT_EQ(masked.pixel(1, 1) & 0xFFFFFF, s ^ d);
}

namespace {

// A widget that paints a picture with a raster operation over its own background.
class PictureWidget : public QWidget {
public:
    Picture picture;
    std::uint8_t mode = 0x66;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x55, 0xF0, 0x33));
        screens::DrawPicture(painter, picture, size(), mode, false);
    }
};

} // namespace

TEST(PictureDrawing, RasterOperationsWorkOnAWidget)
{
    PictureWidget widget;
    widget.resize(6, 6);
    widget.picture = BitmapOf(Filled(3, 3, QColor(0x0F, 0x3C, 0xA5)));
    const QImage grabbed = widget.grab().toImage();
    EXPECT_EQ(grabbed.pixel(1, 1) & 0xFFFFFF, QRgb{0x0F3CA5 ^ 0x55F033});
    EXPECT_EQ(grabbed.pixelColor(4, 4), QColor(0x55, 0xF0, 0x33));
}

TEST(PictureDrawing, JpegAtItsOwnSizeAndMetafileStretchedOverTheArea)
{
    Picture jpeg;
    jpeg.type = Picture::Type::Jpeg;
    jpeg.image = Filled(3, 3, Qt::red);
    const QImage own = Draw(jpeg, QSize(8, 8), 1, true);
    EXPECT_EQ(At(own, 2, 2), QColor(Qt::red));
    EXPECT_EQ(At(own, 3, 3), kPictureBackground);

    // A 100 x 100 frame whose left half is a red rectangle without an outline.
    picturetest::WmfBuilder wmf(0, 0, 100, 100, 96);
    wmf.Record(0x02FA, {5, 0, 0, 0, 0});                                         // null pen
    wmf.Record(0x02FC, {0, picturetest::ColourLow(Qt::red), picturetest::ColourHigh(Qt::red), 0});
    wmf.Record(0x012D, {0});
    wmf.Record(0x012D, {1});
    wmf.Record(0x041B, {101, 63, 0, 0}); // rectangle (0, 0, 63, 101)
    auto decoded = screens::DecodePicture(wmf.Bytes(), Picture::Type::Metafile);
    ASSERT_TRUE(decoded.IsOk()) << decoded.Error();
    const QImage stretched = Draw(decoded.Value(), QSize(8, 4), 0, false);
    // Mapped to (0, 0, 5, 4); without an outline Windows fills one pixel less each way.
    EXPECT_EQ(At(stretched, 0, 0), QColor(Qt::red));
    EXPECT_EQ(At(stretched, 3, 2), QColor(Qt::red));
    EXPECT_EQ(At(stretched, 4, 0), kPictureBackground);
    EXPECT_EQ(At(stretched, 0, 3), kPictureBackground);
    EXPECT_TRUE(Draw(Picture{}, QSize(8, 8), 0, false) == Filled(8, 8, kPictureBackground));
}
