// Quorva run-time. Licensed under the MIT licence.
#include "screens/Picture.h"

#include <array>
#include <mutex>
#include <utility>
#include <vector>

#include <QPainter>
#include <QRegion>

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "screens/BmpInfo.h"
#include "screens/JpegDecoder.h"
#include "screens/MetafileImage.h"
#include "screens/PictureFiles.h"
#include "screens/RasterOp.h"
#include "screens/ScreenGlobals.h"
#include "shell/Package.h"
#include "shell/Stream.h"

namespace screens {

std::string PictureBaseName(std::string_view text)
{
    return std::string(text.substr(0, text.find('.')));
}

std::optional<std::string> ReadPictureFile(std::string_view name)
{
    std::unique_ptr<shell::Stream> stream = OpenProjectFile(name);
    if (stream == nullptr)
        return std::nullopt;
    if (stream->Size() > kMaxPictureFileSize) {
        platform::LogWarning("picture file {} of {} bytes is too big to show", name, stream->Size());
        return std::nullopt;
    }
    return stream->ReadAll();
}

platform::Result<Picture> DecodePicture(std::string_view bytes, Picture::Type type)
{
    Picture picture;
    picture.type = type;
    switch (type) {
    case Picture::Type::Bitmap: {
        auto info = ReadBmpInfo(bytes);
        if (!info.IsOk())
            return platform::Fail(info.Error());
        auto image = DecodeBmp(bytes);
        if (!image.IsOk())
            return platform::Fail(image.Error());
        picture.image = std::move(image).Value();
        picture.bitsPerPixel = info.Value().bitsPerPixel;
        return picture;
    }
    case Picture::Type::Jpeg: {
        auto image = DecodeJpeg(bytes);
        if (!image.IsOk())
            return platform::Fail(image.Error());
        picture.image = std::move(image).Value();
        return picture;
    }
    case Picture::Type::Metafile: {
        auto metafile = MetafileImage::Parse(std::string(bytes));
        if (!metafile.IsOk())
            return platform::Fail(metafile.Error());
        picture.metafile = std::move(metafile).Value();
        // The image is a preview; playing the records draws the figure. A big frame is
        // rendered scaled down to fit kMaxMetafilePreview on each side.
        QSize size = picture.metafile->Size();
        if (size.width() > kMaxMetafilePreview || size.height() > kMaxMetafilePreview)
            size = size.scaled(kMaxMetafilePreview, kMaxMetafilePreview, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        picture.image = picture.metafile->Render(size);
        return picture;
    }
    case Picture::Type::None: break;
    }
    return platform::Fail("no picture type");
}

Picture LoadFigurePicture(std::string_view text, const Picture& current)
{
    struct Candidate {
        std::string_view extension;
        Picture::Type type;
    };
    static constexpr std::array<Candidate, 3> kCandidates{{
        {".Bmp", Picture::Type::Bitmap},
        {".Wmf", Picture::Type::Metafile},
        {".JPG", Picture::Type::Jpeg},
    }};
    const std::string base = PictureBaseName(text);
    if (!base.empty()) {
        for (const Candidate& candidate : kCandidates) {
            const std::string name = base + std::string(candidate.extension);
            auto bytes = ReadPictureFile(name);
            if (!bytes)
                continue;
            auto picture = DecodePicture(*bytes, candidate.type);
            if (picture.IsOk())
                return std::move(picture).Value();
            // The file that was found is the figure's picture; a damaged one shows nothing.
            platform::LogWarning("picture {} not shown: {}", name, picture.Error());
            return Picture{};
        }
    }
    // Executables carry no bitmap resources here, so nothing else is looked for.
    if (current.type == Picture::Type::Jpeg)
        return current;
    return Picture{};
}

namespace {

// Bitmaps with their transparent colour cleared, kept for the figures that repaint them: the
// copy is remade only when the bitmap changes.
class MaskedBitmaps {
public:
    QImage Get(const QImage& bitmap)
    {
        std::lock_guard lock(m_mutex);
        for (const auto& entry : m_entries)
            if (entry.first == bitmap.cacheKey())
                return entry.second;
        QImage masked = bitmap.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = bitmap.pixel(0, bitmap.height() - 1) & 0x00FFFFFF;
        for (int y = 0; y < masked.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
            for (int x = 0; x < masked.width(); ++x)
                if ((line[x] & 0x00FFFFFF) == key)
                    line[x] = 0;
        }
        if (m_entries.size() >= kEntries)
            m_entries.erase(m_entries.begin());
        m_entries.emplace_back(bitmap.cacheKey(), masked);
        return masked;
    }

private:
    static constexpr std::size_t kEntries = 16;
    std::mutex m_mutex;
    std::vector<std::pair<qint64, QImage>> m_entries;
};

MaskedBitmaps& Masked()
{
    static MaskedBitmaps cache;
    return cache;
}

// The pixels of a bitmap that are not its transparent colour, as one band of runs per row.
QRegion OpaqueRegion(const QImage& bitmap)
{
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = pixels.pixel(0, pixels.height() - 1) & 0x00FFFFFF;
    std::vector<QRect> runs;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width();) {
            if ((line[x] & 0x00FFFFFF) == key) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < pixels.width() && (line[x] & 0x00FFFFFF) != key)
                ++x;
            runs.emplace_back(start, y, x - start, 1);
        }
    }
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}

void DrawBitmap(QPainter& painter, const QImage& bitmap, QSize size, std::uint8_t displayMode, bool transparent)
{
    if (displayMode == 1) {
        painter.drawImage(QRect(QPoint(0, 0), size), transparent ? Masked().Get(bitmap) : bitmap);
        return;
    }
    if (displayMode == 0 || displayMode == 2) {
        painter.drawImage(QPoint(0, 0), transparent ? Masked().Get(bitmap) : bitmap);
        return;
    }
    const auto mode = RasterOpComposition(displayMode);
    if (!mode)
        return;
    if (transparent)
        painter.setClipRegion(OpaqueRegion(bitmap), Qt::IntersectClip);
    painter.setCompositionMode(*mode);
    painter.drawImage(QPoint(0, 0), bitmap);
}

} // namespace

void DrawPicture(QPainter& painter, const Picture& picture, QSize size, std::uint8_t displayMode, bool transparent)
{
    if (picture.IsEmpty() || size.isEmpty())
        return;
    if (picture.type != Picture::Type::Metafile && picture.image.isNull())
        return;
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    switch (picture.type) {
    case Picture::Type::Bitmap: DrawBitmap(painter, picture.image, size, displayMode, transparent); break;
    case Picture::Type::Metafile:
        if (picture.metafile != nullptr)
            picture.metafile->Play(painter, QRect(QPoint(0, 0), size));
        else
            painter.drawImage(QRect(QPoint(0, 0), size), picture.image);
        break;
    case Picture::Type::Jpeg: painter.drawImage(QPoint(0, 0), picture.image); break;
    case Picture::Type::None: break;
    }
    painter.restore();
}

} // namespace screens
