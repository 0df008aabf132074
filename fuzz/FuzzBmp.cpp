// Quorva run-time. Licensed under the MIT licence.
// Fuzz target for the bitmap reader: a bitmap file as a figure loads it, the same bytes as a
// bitmap embedded in a metafile, and drawing what was read the ways a Bmp figure draws it.
#include "OffscreenGui.h"
#include "screens/BmpInfo.h"
#include "screens/Picture.h"
#include "screens/PictureFiles.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
// Drawing walks every pixel a few times; bigger pictures take the same paths, only slower.
constexpr long long kMaxDrawnPixels = 1 << 20;

bool Acceptable(const QImage& image) {
    return !image.isNull() && image.format() == QImage::Format_RGB32 &&
           static_cast<long long>(image.width()) * image.height() <= screens::kMaxPicturePixels;
}

// Stretched with a transparent colour, unscaled, and through a raster operation with the
// transparent colour clipped away: the three drawing paths of a bitmap.
void Draw(const screens::Picture& picture) {
    QImage canvas(48, 32, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    const QSize area(40, 24);
    screens::DrawPicture(painter, picture, area, 1, true);
    screens::DrawPicture(painter, picture, area, 0, false);
    screens::DrawPicture(painter, picture, area, 0x66, true);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzzsupport::StartOffscreenGui((*argv)[0]);
    return 0;
}

// A refusal must say why; a bitmap that decodes has the size, depth and format its header gives.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto info = screens::ReadBmpInfo(bytes);
    if (!info.IsOk() && info.Error().empty())
        std::abort();
    auto picture = screens::DecodePicture(bytes, screens::Picture::Type::Bitmap);
    if (!picture.IsOk()) {
        if (picture.Error().empty())
            std::abort();
    } else {
        const screens::Picture& read = picture.Value();
        if (!info.IsOk() || !Acceptable(read.image) || read.image.width() != info->width ||
            read.image.height() != info->height || read.bitsPerPixel != info->bitsPerPixel)
            std::abort();
        if (static_cast<long long>(read.image.width()) * read.image.height() <= kMaxDrawnPixels)
            Draw(read);
    }

    if (size > kFileHeaderSize) {
        const auto embedded = screens::DecodeDib(bytes.substr(kFileHeaderSize));
        if (embedded.IsOk() ? !Acceptable(embedded.Value()) : embedded.Error().empty())
            std::abort();
    }
    return 0;
}
