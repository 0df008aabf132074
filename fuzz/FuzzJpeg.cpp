// Quorva run-time. Licensed under the MIT licence.
// Fuzz target for the JPEG decoder: a JPEG file as a figure loads and draws it. libjpeg's fatal
// errors must come back as refusals, never as a jump out of the decoder or an exit.
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

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzzsupport::StartOffscreenGui((*argv)[0]);
    return 0;
}

// A refusal must say why; a decoded picture is RGB32 and within the size limit.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto picture = screens::DecodePicture(bytes, screens::Picture::Type::Jpeg);
    if (!picture.IsOk()) {
        if (picture.Error().empty())
            std::abort();
        return 0;
    }
    const QImage& image = picture.Value().image;
    if (image.isNull() || image.format() != QImage::Format_RGB32 ||
        static_cast<long long>(image.width()) * image.height() > screens::kMaxPicturePixels)
        std::abort();
    QImage canvas(32, 32, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    screens::DrawPicture(painter, picture.Value(), QSize(30, 30), 0, false);
    return 0;
}
