// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>

namespace screens {

// Where the liquid level of a figure of `height` pixels drawn with a pen of `penWidth` starts:
// the barrier row above the liquid (the liquid fills the rows below it) and the seed row the
// fill starts from. A level of 100 has no barrier (barrierRow -1).
struct FillLevelRows {
    int barrierRow = -1;
    int seedRow = 0;
};
FillLevelRows FillLevelRowsFor(int height, int penWidth, int level);

// Fills a drawn figure with its liquid level: the pixels joined (left, right, up, down) to the
// seed (width / 2, height - penWidth - 1) that have the seed's colour take `colour`; below 100
// percent nothing at or above the barrier row is reached. `image` holds the figure as drawn
// (transparent where nothing was drawn); a level of 0 or less changes nothing; a seed outside
// the image changes nothing. GUI thread or any thread that owns the image.
void ApplyFillLevel(QImage& image, int penWidth, int level, QColor colour);

// The flood fill itself: replaces the colour found at `seed` by `colour` in the region joined to
// it, not reaching rows above `firstRow`. Returns the number of pixels changed.
int FloodFill(QImage& image, QPoint seed, QRgb colour, int firstRow = 0);

} // namespace screens
