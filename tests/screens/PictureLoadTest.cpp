// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PictureTestSupport.h"
#include "TestSupport.h"
#include "platform/Log.h"
#include "screens/BmpInfo.h"
#include "screens/JpegDecoder.h"
#include "screens/MetafileImage.h"
#include "screens/Picture.h"
#include "screens/PictureFiles.h"
#include "screens/ScreenGlobals.h"
#include "shell/Package.h"
#include "shell/PackageWriter.h"

using picturetest::BmpBytes;
using picturetest::Filled;
using picturetest::JpegBytes;
using screens::Picture;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string SmallWmf()
{
    picturetest::WmfBuilder wmf(0, 0, 100, 100, 96);
    wmf.Record(0x041B, {90, 90, 10, 10}); // rectangle
    return wmf.Bytes();
}

// Runs a test body in a fresh directory without a package, and restores the globals after.
class PictureLoading : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd{m_dir.Path()};
};

// Captures warnings for the life of the object.
class LogCapture {
public:
    LogCapture()
    {
        m_previous = platform::log::SetSink([this](platform::LogLevel level, std::string_view text) {
            if (level >= platform::LogLevel::Warning)
                lines.emplace_back(text);
        });
    }
    ~LogCapture() { platform::log::SetSink(std::move(m_previous)); }
    std::vector<std::string> lines;

private:
    platform::log::Sink m_previous;
};

} // namespace

TEST_F(PictureLoading, TriesBmpThenWmfThenJpgOfTheTextsBaseName)
{
    WriteFile(m_dir / "pump.JPG", JpegBytes(Filled(8, 8, Qt::red)));
    EXPECT_EQ(screens::LoadFigurePicture("pump.bmp", Picture{}).type, Picture::Type::Jpeg);

    WriteFile(m_dir / "pump.Wmf", SmallWmf());
    const Picture metafile = screens::LoadFigurePicture("pump.bmp", Picture{});
    EXPECT_EQ(metafile.type, Picture::Type::Metafile);
    ASSERT_NE(metafile.metafile, nullptr);
    EXPECT_EQ(metafile.image.size(), QSize(100, 100));

    // Disk names are matched ignoring letter case; everything after the first dot is dropped.
    WriteFile(m_dir / "PUMP.BMP", BmpBytes(Filled(3, 2, Qt::blue), 24));
    for (const char* text : {"pump", "pump.jpg", "Pump.old.wmf"}) {
        const Picture bitmap = screens::LoadFigurePicture(text, Picture{});
        EXPECT_EQ(bitmap.type, Picture::Type::Bitmap) << text;
        EXPECT_EQ(bitmap.image.size(), QSize(3, 2)) << text;
    }
    EXPECT_EQ(screens::LoadFigurePicture("pumps", Picture{}).type, Picture::Type::None);
}

TEST_F(PictureLoading, PackageEntryComesBeforeTheDiskButExtensionsKeepTheirOrder)
{
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("valve.bmp", BmpBytes(Filled(4, 4, Qt::red), 24)).IsOk());
    ASSERT_TRUE(builder.AddFile("tank.jpg", JpegBytes(Filled(8, 8, Qt::green))).IsOk());
    WriteFile(m_dir / "project.pkg", shell::PackageFileBytes(builder.Bytes()));
    WriteFile(m_dir / "valve.Bmp", BmpBytes(Filled(4, 4, Qt::blue), 24));
    WriteFile(m_dir / "tank.Bmp", BmpBytes(Filled(5, 5, Qt::blue), 24));
    WriteFile(m_dir / "disk.Bmp", BmpBytes(Filled(6, 6, Qt::white), 24));

    const shell::ProjectPackage package = shell::ProjectPackage::ForExecutable((m_dir / "project.pkg").string());
    ASSERT_NE(package.Offset(), 0);
    screens::Globals().package = &package;

    const Picture valve = screens::LoadFigurePicture("VALVE", Picture{});
    ASSERT_EQ(valve.type, Picture::Type::Bitmap);
    EXPECT_EQ(valve.image.pixelColor(1, 1), QColor(Qt::red)); // the entry, not the disk file

    // The package holds only tank's JPEG; the disk bitmap is tried before it.
    const Picture tank = screens::LoadFigurePicture("tank.xyz", Picture{});
    EXPECT_EQ(tank.type, Picture::Type::Bitmap);
    EXPECT_EQ(tank.image.size(), QSize(5, 5));

    // Files outside the package are still found on the disk.
    EXPECT_EQ(screens::LoadFigurePicture("disk", Picture{}).image.size(), QSize(6, 6));
}

TEST_F(PictureLoading, NothingFoundKeepsAJpegAndDropsOtherPictures)
{
    WriteFile(m_dir / "photo.JPG", JpegBytes(Filled(8, 8, Qt::red)));
    const Picture jpeg = screens::LoadFigurePicture("photo", Picture{});
    ASSERT_EQ(jpeg.type, Picture::Type::Jpeg);

    const Picture kept = screens::LoadFigurePicture("missing", jpeg);
    EXPECT_EQ(kept.type, Picture::Type::Jpeg);
    EXPECT_EQ(kept.image.cacheKey(), jpeg.image.cacheKey());
    EXPECT_EQ(screens::LoadFigurePicture("", jpeg).type, Picture::Type::Jpeg);

    Picture bitmap;
    bitmap.type = Picture::Type::Bitmap;
    bitmap.image = Filled(2, 2, Qt::red);
    EXPECT_TRUE(screens::LoadFigurePicture("missing", bitmap).IsEmpty());
    EXPECT_TRUE(screens::LoadFigurePicture(".Bmp", bitmap).IsEmpty());
}

TEST_F(PictureLoading, BitmapsKeepTheirFilesBitsPerPixelAndColours)
{
    QImage source = Filled(5, 3, Qt::white);
    source.setPixelColor(0, 0, QColor(200, 10, 20));
    source.setPixelColor(4, 2, QColor(5, 6, 7));
    for (int bits : {8, 24, 32}) {
        const std::string name = "b" + std::to_string(bits);
        WriteFile(m_dir / (name + ".Bmp"), BmpBytes(source, bits));
        const Picture picture = screens::LoadFigurePicture(name, Picture{});
        ASSERT_EQ(picture.type, Picture::Type::Bitmap) << bits;
        EXPECT_EQ(picture.bitsPerPixel, bits);
        EXPECT_EQ(picture.image.size(), QSize(5, 3));
        EXPECT_EQ(picture.image.pixelColor(0, 0), QColor(200, 10, 20)) << bits; // top row stays on top
        EXPECT_EQ(picture.image.pixelColor(4, 2), QColor(5, 6, 7)) << bits;
        EXPECT_EQ(picture.image.pixelColor(2, 1), QColor(Qt::white)) << bits;
    }
}

TEST_F(PictureLoading, DecodesJpegFilesWrittenWithLibjpeg)
{
    QImage source(16, 8, QImage::Format_RGB32);
    source.fill(QColor(220, 30, 30));
    for (int y = 0; y < 8; ++y)
        for (int x = 8; x < 16; ++x)
            source.setPixelColor(x, y, QColor(30, 30, 220));
    auto colour = screens::DecodeJpeg(JpegBytes(source));
    ASSERT_TRUE(colour.IsOk()) << colour.Error();
    EXPECT_EQ(colour.Value().size(), QSize(16, 8));
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
            std::abs(a.blue() - b.blue()) < 12;
    };
    EXPECT_TRUE(near(colour.Value().pixelColor(2, 4), QColor(220, 30, 30)));
    EXPECT_TRUE(near(colour.Value().pixelColor(13, 4), QColor(30, 30, 220)));
    EXPECT_EQ(qAlpha(colour.Value().pixel(13, 4)), 255);

    auto grey = screens::DecodeJpeg(JpegBytes(Filled(8, 8, QColor(100, 100, 100)), 100, true));
    ASSERT_TRUE(grey.IsOk()) << grey.Error();
    EXPECT_TRUE(near(grey.Value().pixelColor(3, 3), QColor(100, 100, 100)));
}

TEST_F(PictureLoading, DamagedFilesGiveAnEmptyPictureAndALogLine)
{
    const std::string jpeg = JpegBytes(Filled(16, 16, Qt::red));
    ASSERT_GT(jpeg.size(), 100U);
    std::string broken = jpeg;
    for (std::size_t i = 2; i < 40; ++i)
        broken[i] = static_cast<char>(0xA5); // header destroyed
    WriteFile(m_dir / "broken.JPG", broken);
    WriteFile(m_dir / "cut.Bmp", BmpBytes(Filled(4, 4, Qt::red), 24).substr(0, 30));
    WriteFile(m_dir / "nonsense.Wmf", std::string(64, 'x'));
    {
        LogCapture log;
        Picture jpegShown;
        jpegShown.type = Picture::Type::Jpeg;
        jpegShown.image = Filled(1, 1, Qt::red);
        EXPECT_TRUE(screens::LoadFigurePicture("broken", jpegShown).IsEmpty());
        EXPECT_TRUE(screens::LoadFigurePicture("cut", Picture{}).IsEmpty());
        EXPECT_TRUE(screens::LoadFigurePicture("nonsense", Picture{}).IsEmpty());
        ASSERT_EQ(log.lines.size(), 3U);
        EXPECT_NE(log.lines[0].find("broken.JPG"), std::string::npos);
    }

    // Every cut of a good file is refused or decoded at its full size; nothing crashes.
    int refused = 0;
    for (std::size_t length = 0; length < jpeg.size(); ++length) {
        LogCapture quiet;
        auto image = screens::DecodeJpeg(std::string_view(jpeg).substr(0, length));
        if (!image.IsOk()) {
            ++refused;
            EXPECT_FALSE(image.Error().empty());
        } else {
            EXPECT_EQ(image.Value().size(), QSize(16, 16)) << length;
        }
    }
    EXPECT_GT(refused, 100);
    // Rows of 21 bytes padded to 24: only the last row's padding may be missing.
    const std::string bmp = BmpBytes(Filled(7, 5, Qt::blue), 24);
    for (std::size_t length = 0; length <= bmp.size(); ++length) {
        auto picture = screens::DecodePicture(std::string_view(bmp).substr(0, length), Picture::Type::Bitmap);
        ASSERT_EQ(picture.IsOk(), length >= bmp.size() - 3) << length;
        if (picture.IsOk()) {
            EXPECT_EQ(picture.Value().image.size(), QSize(7, 5)) << length;
        }
    }
}

TEST(BmpHeader, RefusesImpossibleOrHugeBitmapsBeforeDecoding)
{
    std::string bmp = BmpBytes(Filled(2, 2, Qt::red), 24);
    auto info = screens::ReadBmpInfo(bmp);
    ASSERT_TRUE(info.IsOk());
    EXPECT_EQ(info.Value().bitsPerPixel, 24);

    std::string huge = bmp;
    huge[18] = '\x00';
    huge[19] = '\x00';
    huge[20] = '\x01'; // 65536 x 65536
    huge[22] = '\x00';
    huge[23] = '\x00';
    huge[24] = '\x01';
    EXPECT_FALSE(screens::ReadBmpInfo(huge).IsOk());
    EXPECT_FALSE(screens::DecodeBmp(huge).IsOk());

    // A header that claims far more pixels than the file holds is refused before decoding.
    std::string claims = bmp;
    claims[18] = '\xA0';
    claims[19] = '\x0F'; // 4000 x 2
    EXPECT_TRUE(screens::ReadBmpInfo(claims).IsOk());
    auto refused = screens::DecodeBmp(claims);
    ASSERT_FALSE(refused.IsOk());
    EXPECT_NE(refused.Error().find("cut short"), std::string::npos);

    std::string oddDepth = bmp;
    oddDepth[28] = 7;
    EXPECT_FALSE(screens::ReadBmpInfo(oddDepth).IsOk());

    std::string topDown = bmp;
    topDown[22] = '\xFE'; // height -2: stored top-down
    topDown[23] = topDown[24] = topDown[25] = '\xFF';
    auto down = screens::ReadBmpInfo(topDown);
    ASSERT_TRUE(down.IsOk());
    EXPECT_EQ(down.Value().height, 2);
    EXPECT_FALSE(screens::ReadBmpInfo("BM").IsOk());
}
