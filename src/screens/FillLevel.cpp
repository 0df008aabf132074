// Quorva run-time. Licensed under the MIT licence.
#include "screens/FillLevel.h"

#include <algorithm>
#include <vector>

namespace screens {

FillLevelRows FillLevelRowsFor(int height, int penWidth, int level)
{
    const int liquidHeight = height - std::max(0, penWidth);
    FillLevelRows rows;
    rows.seedRow = liquidHeight - 1;
    if (level >= 100)
        return rows;
    int row = liquidHeight - liquidHeight * level / 100;
    row = std::min(row, liquidHeight - 2);
    rows.barrierRow = row;
    return rows;
}

int FloodFill(QImage& image, QPoint seed, QRgb colour, int firstRow)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_ARGB32 &&
        image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const int width = image.width();
    const int height = image.height();
    firstRow = std::max(0, firstRow);
    if (seed.x() < 0 || seed.x() >= width || seed.y() < firstRow || seed.y() >= height)
        return 0;
    if (image.format() == QImage::Format_ARGB32_Premultiplied)
        colour = qPremultiply(colour);
    else if (image.format() == QImage::Format_RGB32)
        colour |= 0xFF000000u;
    auto pixel = [&image](int x, int y) -> QRgb& {
        return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
    };
    const QRgb found = pixel(seed.x(), seed.y());
    if (found == colour)
        return 0;
    // Scan-line fill: each stack entry is a pixel to start a run from.
    int changed = 0;
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint start = stack.back();
        stack.pop_back();
        const int y = start.y();
        if (pixel(start.x(), y) != found)
            continue;
        int left = start.x();
        while (left > 0 && pixel(left - 1, y) == found)
            --left;
        int right = start.x();
        while (right + 1 < width && pixel(right + 1, y) == found)
            ++right;
        for (int x = left; x <= right; ++x)
            pixel(x, y) = colour;
        changed += right - left + 1;
        for (const int next : {y - 1, y + 1}) {
            if (next < firstRow || next >= height)
                continue;
            bool inRun = false;
            for (int x = left; x <= right; ++x) {
                const bool match = pixel(x, next) == found;
                if (match && !inRun)
                    stack.emplace_back(x, next);
                inRun = match;
            }
        }
    }
    return changed;
}

void ApplyFillLevel(QImage& image, int penWidth, int level, QColor colour)
{
    if (level <= 0 || image.isNull())
        return;
    const FillLevelRows rows = FillLevelRowsFor(image.height(), penWidth, level);
    // The barrier row itself keeps its pixels: the liquid starts on the row below it.
    FloodFill(image, QPoint(image.width() / 2, rows.seedRow), colour.rgba(), rows.barrierRow + 1);
}

} // namespace screens
