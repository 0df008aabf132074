// Quorva run-time. Licensed under the MIT licence.
// Fuzz target for the metafile reader and player: the records are read, then played onto small
// images, so that every drawing path of the player runs on what the input says.
#include "OffscreenGui.h"
#include "screens/MetafileImage.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// fontconfig keeps the element array of a pattern as an offset from the pattern, not a pointer,
// so the leak checker cannot see that the patterns Qt caches for font fallback still own them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzzsupport::StartOffscreenGui((*argv)[0]);
    return 0;
}

// A refusal must say why. What reads has records that lie inside its bytes and a size within
// the limits; playing it onto an opaque image (as a figure draws it, also zoomed far past the
// image) and rendering it onto a transparent one (as its preview is made) must come back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto parsed =
        screens::MetafileImage::Parse(std::string(reinterpret_cast<const char*>(data), size));
    if (!parsed.IsOk()) {
        if (parsed.Error().empty())
            std::abort();
        return 0;
    }
    const screens::MetafileImage& metafile = *parsed.Value();
    for (const auto& record : metafile.Records())
        if (record.offset + static_cast<std::size_t>(record.words) * 2 > metafile.Bytes().size())
            std::abort();
    const QSize own = metafile.Size();
    if (own.width() < 1 || own.height() < 1 || own.width() > screens::kMaxMetafileSide ||
        own.height() > screens::kMaxMetafileSide)
        std::abort();

    QImage canvas(64, 48, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    {
        QPainter painter(&canvas);
        metafile.Play(painter, QRect(4, 4, 56, 40));
        metafile.Play(painter, QRect(-20000, -15000, 40000, 30000));
    }
    const QImage preview = metafile.Render(own.boundedTo(QSize(40, 40)));
    if (preview.isNull())
        std::abort();
    return 0;
}
