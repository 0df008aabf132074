// Quorva run-time. Licensed under the MIT licence.
#include "screens/WindowShape.h"

#include <QWidget>

#include "platform/Log.h"
#include "screens/BmpInfo.h"
#include "screens/PictureFiles.h"

namespace screens {

namespace {

constexpr const char* kShapeNameProperty = "quorvaShapeName";

bool SharesComponent(QRgb pixel, QRgb transparent)
{
    return qRed(pixel) == qRed(transparent) || qGreen(pixel) == qGreen(transparent) ||
        qBlue(pixel) == qBlue(transparent);
}

} // namespace

std::vector<QRect> ShapeRuns(const QImage& bitmap)
{
    std::vector<QRect> runs;
    if (bitmap.isNull())
        return runs;
    const QImage pixels = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
        ? bitmap
        : bitmap.convertToFormat(QImage::Format_RGB32);
    const int width = pixels.width();
    const QRgb transparent = pixels.pixel(0, 0) & 0x00FFFFFF;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < width) {
            if ((line[x] & 0x00FFFFFF) == transparent) {
                ++x;
                continue;
            }
            const int start = x++;
            while (x < width && !SharesComponent(line[x], transparent))
                ++x;
            runs.emplace_back(QPoint(start + 1, y + 1), QPoint(x, y + 1));
        }
    }
    return runs;
}

QRegion ShapeRegion(const QImage& bitmap)
{
    // QRegion takes a y-x sorted band list at once when no two rectangles of a band touch;
    // runs of one row that abut are joined first.
    std::vector<QRect> runs = ShapeRuns(bitmap);
    std::vector<QRect> bands;
    bands.reserve(runs.size());
    for (const QRect& run : runs) {
        if (!bands.empty() && bands.back().top() == run.top() && bands.back().right() + 1 == run.left())
            bands.back().setRight(run.right());
        else
            bands.push_back(run);
    }
    QRegion region;
    if (!bands.empty())
        region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}

void ApplyWindowShape(QWidget& window, std::string_view name)
{
    window.setProperty(kShapeNameProperty, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    window.clearMask();
    if (name.empty())
        return;

    if (window.isWindow() && !window.windowFlags().testFlag(Qt::FramelessWindowHint)) {
        const bool shown = window.isVisible();
        window.setWindowFlag(Qt::FramelessWindowHint, true);
        if (shown)
            window.show();
    }

    const std::string file = PictureBaseName(name) + ".Bmp";
    const auto bytes = ReadPictureFile(file);
    if (!bytes) {
        platform::LogInfo("window shape {}: no bitmap {}", name, file);
        return;
    }
    auto info = ReadBmpInfo(*bytes);
    auto bitmap = info.IsOk() ? DecodeBmp(*bytes) : platform::Result<QImage>(platform::Fail(info.Error()));
    if (!bitmap.IsOk()) {
        platform::LogWarning("window shape {}: {}", file, bitmap.Error());
        return;
    }
    const QImage& image = bitmap.Value();
    window.resize(image.size());
    const int bits = info.Value().bitsPerPixel;
    if (bits == 24 || bits == 32)
        window.setMask(ShapeRegion(image));
}

std::string WindowShapeName(const QWidget& window)
{
    return window.property(kShapeNameProperty).toByteArray().toStdString();
}

} // namespace screens
