// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <cstdint>

#include "PictureTestSupport.h"
#include "platform/Log.h"
#include "screens/MetafileImage.h"

using picturetest::At;
using picturetest::kPictureBackground;
using picturetest::ColourHigh;
using picturetest::ColourLow;
using picturetest::Painted;
using picturetest::WmfBuilder;
using screens::MetafileImage;

namespace {


enum : std::uint16_t {
    kSelectObject = 0x012D,
    kDeleteObject = 0x01F0,
    kSetTextColor = 0x0209,
    kSetBkMode = 0x0102,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kOffsetWindowOrg = 0x020F,
    kScaleWindowExt = 0x0410,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kPen = 0x02FA,
    kFont = 0x02FB,
    kBrush = 0x02FC,
    kPolygon = 0x0324,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kTextOut = 0x0521,
    kRestoreDc = 0x0127,
    kStretchDib = 0x0F43,
};

void SolidBrush(WmfBuilder& wmf, QColor c) { wmf.Record(kBrush, {0, ColourLow(c), ColourHigh(c), 0}); }

// A 200 x 100 picture: a black-outlined red rectangle, a blue ellipse in the slot a deleted
// brush freed, a black line and a green triangle without an outline.
std::string Scene()
{
    WmfBuilder wmf(0, 0, 200, 100, 96);
    wmf.Record(kSetWindowOrg, {0, 0});
    wmf.Record(kSetWindowExt, {100, 200});
    wmf.Record(kPen, {0, 0, 0, 0, 0});  // object 0: black, one pixel
    SolidBrush(wmf, Qt::red);           // object 1
    wmf.Record(kSelectObject, {0});
    wmf.Record(kSelectObject, {1});
    wmf.Record(kRectangle, {40, 50, 10, 10});
    wmf.Record(kDeleteObject, {1});
    SolidBrush(wmf, Qt::blue);          // takes the free slot 1
    wmf.Record(kSelectObject, {1});
    wmf.Record(kEllipse, {50, 140, 10, 100});
    wmf.Record(kMoveTo, {90, 0});
    wmf.Record(kLineTo, {90, 60});
    wmf.Record(kPen, {5, 0, 0, 0, 0});  // object 2: no outline
    SolidBrush(wmf, Qt::green);         // object 3
    wmf.Record(kSelectObject, {2});
    wmf.Record(kSelectObject, {3});
    wmf.Record(kPolygon, {3, 150, 60, 190, 60, 170, 95});
    return wmf.Bytes();
}

QImage Play(const MetafileImage& metafile, QSize size)
{
    return Painted(size, kPictureBackground, [&](QPainter& painter) { metafile.Play(painter, QRect(QPoint(0, 0), size)); });
}

} // namespace

TEST(Metafile, PlaysTheShapesOfAPlaceableFileWithWindowsPixelRules)
{
    auto parsed = MetafileImage::Parse(Scene());
    ASSERT_TRUE(parsed.IsOk()) << parsed.Error();
    const MetafileImage& metafile = *parsed.Value();
    EXPECT_EQ(metafile.Size(), QSize(200, 100));
    EXPECT_EQ(metafile.Records().size(), 18U);

    const QImage image = Play(metafile, QSize(200, 100));
    // Rectangle (10, 10, 50, 40): outline on columns 10 and 49, rows 10 and 39.
    EXPECT_EQ(At(image, 10, 10), QColor(Qt::black));
    EXPECT_EQ(At(image, 49, 39), QColor(Qt::black));
    EXPECT_EQ(At(image, 30, 25), QColor(Qt::red));
    EXPECT_EQ(At(image, 50, 25), kPictureBackground);
    EXPECT_EQ(At(image, 30, 40), kPictureBackground);
    // The second brush went into the freed slot 1 and fills the ellipse.
    EXPECT_EQ(At(image, 120, 30), QColor(Qt::blue));
    EXPECT_EQ(At(image, 101, 11), kPictureBackground); // outside the ellipse's curve
    // The line ends before its end point.
    EXPECT_EQ(At(image, 0, 90), QColor(Qt::black));
    EXPECT_EQ(At(image, 59, 90), QColor(Qt::black));
    EXPECT_EQ(At(image, 60, 90), kPictureBackground);
    EXPECT_EQ(At(image, 170, 70), QColor(Qt::green));
    EXPECT_EQ(At(image, 150, 90), kPictureBackground);

    // Played stretched to twice the size, everything scales.
    const QImage twice = Play(metafile, QSize(400, 200));
    EXPECT_EQ(At(twice, 60, 50), QColor(Qt::red));
    EXPECT_EQ(At(twice, 101, 50), kPictureBackground);
    EXPECT_EQ(At(twice, 240, 60), QColor(Qt::blue));
}

TEST(Metafile, PlainFilesTakeTheirSizeFromTheWindowAndTextIsDrawn)
{
    WmfBuilder plain;
    plain.Record(kSetWindowOrg, {0, 0});
    plain.Record(kSetWindowExt, {40, 120});
    plain.Record(kFont, {-20, 0, 0, 0, 700, 0, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l'});
    plain.Record(kSelectObject, {0});
    plain.Record(kSetTextColor, {ColourLow(Qt::red), ColourHigh(Qt::red)});
    plain.Record(kSetBkMode, {1});
    plain.Record(kTextOut, {2, 'H' | 'H' << 8, 10, 10});
    auto parsed = MetafileImage::Parse(plain.Bytes());
    ASSERT_TRUE(parsed.IsOk()) << parsed.Error();
    EXPECT_EQ(parsed.Value()->Size(), QSize(120, 40));

    const QImage image = Play(*parsed.Value(), QSize(120, 40));
    int red = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) == kPictureBackground)
                continue;
            const bool inBox = x >= 10 && x < 50 && y >= 10 && y < 32;
            (At(image, x, y) == QColor(Qt::red) && inBox ? red : outside) += 1;
        }
    EXPECT_GT(red, 40);
    EXPECT_EQ(outside, 0);

    WmfBuilder sizeless;
    sizeless.Record(kRectangle, {10, 10, 0, 0});
    EXPECT_FALSE(MetafileImage::Parse(sizeless.Bytes()).IsOk());
    EXPECT_FALSE(MetafileImage::Parse("").IsOk());
}

TEST(Metafile, EmbeddedBitmapsAreDrawnIntoTheirRectangle)
{
    QImage dib = picturetest::Filled(2, 2, Qt::yellow);
    dib.setPixelColor(0, 0, Qt::magenta);
    const std::string file = picturetest::BmpBytes(dib, 24);
    WmfBuilder wmf(0, 0, 40, 40, 96);
    std::string params;
    picturetest::Put32(params, 0x00CC0020); // source copy
    for (int w : {0, 2, 2, 0, 0, 20, 20, 10, 10}) // usage, source h, w, y, x, dest h, w, y, x
        picturetest::Put16(params, w);
    params += file.substr(14);
    if (params.size() % 2 != 0)
        params.push_back('\0');
    wmf.RawRecord(kStretchDib, params);
    auto parsed = MetafileImage::Parse(wmf.Bytes());
    ASSERT_TRUE(parsed.IsOk()) << parsed.Error();
    const QImage image = Play(*parsed.Value(), QSize(40, 40));
    EXPECT_EQ(At(image, 10, 10), QColor(Qt::magenta));
    EXPECT_EQ(At(image, 19, 19), QColor(Qt::magenta));
    EXPECT_EQ(At(image, 20, 10), QColor(Qt::yellow));
    EXPECT_EQ(At(image, 29, 29), QColor(Qt::yellow));
    EXPECT_EQ(At(image, 30, 30), kPictureBackground);
}

// A red rectangle without an outline, from logical (left, top) to (right, bottom).
void RedRectangle(WmfBuilder& wmf, int left, int top, int right, int bottom)
{
    wmf.Record(kPen, {5, 0, 0, 0, 0});
    SolidBrush(wmf, Qt::red);
    wmf.Record(kSelectObject, {0});
    wmf.Record(kSelectObject, {1});
    wmf.Record(kRectangle, {bottom, right, top, left});
}

TEST(Metafile, FarCoordinatesAndGrowingWindowsMapWithoutIntegerOverflow)
{
    // From x = -32768 to 32767 onto a target 40000 pixels wide: the distance from the origin
    // times the width passes INT_MAX, and used to wrap to a rectangle left of the picture.
    WmfBuilder wide;
    wide.Record(kSetWindowOrg, {0, -32768});
    wide.Record(kSetWindowExt, {10, 32767});
    RedRectangle(wide, -32768, 0, 32767, 10);
    auto parsedWide = MetafileImage::Parse(wide.Bytes());
    ASSERT_TRUE(parsedWide.IsOk()) << parsedWide.Error();
    const QImage wideImage = Painted(QSize(20, 10), kPictureBackground,
        [&](QPainter& painter) { parsedWide.Value()->Play(painter, QRect(0, 0, 40000, 10)); });
    EXPECT_EQ(At(wideImage, 5, 5), QColor(Qt::red));

    // An extent scaled up to 2^32 used to wrap round to nothing, which maps one logical unit
    // over the whole picture; it stays huge, so the one-unit rectangle covers no pixel.
    WmfBuilder scaled(0, 0, 20, 20, 96);
    scaled.Record(kSetWindowExt, {16384, 16384});
    scaled.Record(kScaleWindowExt, {1, 16384, 1, 16384});
    scaled.Record(kScaleWindowExt, {1, 16, 1, 16});
    RedRectangle(scaled, 0, 0, 1, 1);
    auto parsedScaled = MetafileImage::Parse(scaled.Bytes());
    ASSERT_TRUE(parsedScaled.IsOk()) << parsedScaled.Error();
    EXPECT_TRUE(Play(*parsedScaled.Value(), QSize(20, 20)) == picturetest::Filled(20, 20, kPictureBackground));

    // Origin offsets adding up past INT_MAX (the sanitizer build reports the overflow they
    // were): the origin stays far away and the rectangle around the old origin is not drawn.
    WmfBuilder offsets(0, 0, 20, 20, 96);
    for (int i = 0; i < 70000; ++i)
        offsets.Record(kOffsetWindowOrg, {32767, 32767});
    RedRectangle(offsets, -32768, -32768, 32767, 32767);
    auto parsedOffsets = MetafileImage::Parse(offsets.Bytes());
    ASSERT_TRUE(parsedOffsets.IsOk()) << parsedOffsets.Error();
    EXPECT_TRUE(Play(*parsedOffsets.Value(), QSize(20, 20)) == picturetest::Filled(20, 20, kPictureBackground));
}

TEST(Metafile, ObjectsTakeTheLowestFreeSlotWhateverTheHeaderCounts)
{
    // The header's object count (bytes 10 and 11 of the header after the placeable one) does
    // not change which slots objects take.
    const QImage expected = Play(*MetafileImage::Parse(Scene()).Value(), QSize(200, 100));
    for (int claimed : {0, 1, 65535}) {
        std::string bytes = Scene();
        bytes[22 + 10] = static_cast<char>(claimed & 0xFF);
        bytes[22 + 11] = static_cast<char>(claimed >> 8);
        auto parsed = MetafileImage::Parse(bytes);
        ASSERT_TRUE(parsed.IsOk()) << parsed.Error();
        EXPECT_TRUE(Play(*parsed.Value(), QSize(200, 100)) == expected) << claimed;
    }

    // A full table of 65535 objects takes no more; a deleted slot is taken again.
    WmfBuilder full(0, 0, 20, 20, 96);
    for (int i = 0; i < 65535; ++i)
        full.Record(kPen, {5, 0, 0, 0, 0});
    SolidBrush(full, Qt::blue); // no room
    full.Record(kDeleteObject, {7});
    SolidBrush(full, Qt::red); // slot 7
    full.Record(kSelectObject, {0});
    full.Record(kSelectObject, {7});
    full.Record(kRectangle, {20, 20, 0, 0});
    auto parsedFull = MetafileImage::Parse(full.Bytes());
    ASSERT_TRUE(parsedFull.IsOk()) << parsedFull.Error();
    EXPECT_EQ(At(Play(*parsedFull.Value(), QSize(20, 20)), 10, 10), QColor(Qt::red));
}

TEST(Metafile, DamagedFilesAreReadAsFarAsTheyHoldAndNeverCrash)
{
    const std::string scene = Scene();
    auto quiet = platform::log::SetSink([](platform::LogLevel, std::string_view) {});
    for (std::size_t length = 0; length < scene.size(); ++length) {
        auto parsed = MetafileImage::Parse(scene.substr(0, length));
        if (length < 22 + 18) {
            EXPECT_FALSE(parsed.IsOk()) << length;
            continue;
        }
        ASSERT_TRUE(parsed.IsOk()) << length;
        EXPECT_LE(parsed.Value()->Records().size(), 18U);
        Play(*parsed.Value(), QSize(50, 25));
    }

    // Records that lie about their sizes or refer to objects that do not exist.
    WmfBuilder liar(0, 0, 20, 20, 96);
    liar.Record(kSelectObject, {900});
    liar.Record(kDeleteObject, {65535});
    liar.Record(kRestoreDc, {-5});
    liar.Record(kPolygon, {30000, 1, 1});     // more points than the record holds
    liar.Record(kTextOut, {500, 'A'});
    liar.Record(kStretchDib, {0x20, 0xCC, 0, 2, 2, 0, 0, 20, 20, 0, 0, 40, 0});
    liar.Record(kRectangle, {1});
    liar.Record(kFont, {-20000, 0, 0, 0, 400});
    liar.Record(kSelectObject, {0});
    std::string bytes = liar.Bytes();
    auto parsed = MetafileImage::Parse(bytes);
    ASSERT_TRUE(parsed.IsOk());
    EXPECT_TRUE(Play(*parsed.Value(), QSize(20, 20)) == picturetest::Filled(20, 20, kPictureBackground));

    // A record whose size runs past the end stops the walk; the records before it are kept.
    std::string cut = Scene();
    const std::size_t firstRecord = 22 + 18;
    cut[firstRecord + 20] = '\x7F'; // size of the third record
    cut[firstRecord + 21] = '\x7F';
    auto truncated = MetafileImage::Parse(cut);
    ASSERT_TRUE(truncated.IsOk());
    EXPECT_EQ(truncated.Value()->Records().size(), 2U);

    // Flipped bytes anywhere: parsing and playing always come back.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string mutated = scene;
        for (int flips = 0; flips < 4; ++flips) {
            seed = seed * 1103515245U + 12345U;
            mutated[(seed >> 8) % mutated.size()] = static_cast<char>(seed >> 24);
        }
        auto result = MetafileImage::Parse(mutated);
        if (result.IsOk())
            Play(*result.Value(), QSize(40, 20));
    }
    platform::log::SetSink(std::move(quiet));
}
