// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QImage>
#include <QRect>
#include <QRegion>

class QWidget;

namespace screens {

// The runs of a shape bitmap, row by row from the top, left to right. The colour of the first
// pixel of the top row is transparent. A run starts at a pixel that differs from it in any
// colour component and ends at the first later pixel of the row that shares any one component
// with it (or at the row's end). A run from x1 to x2 (exclusive) on row y is the rectangle
// (x1 + 1, y + 1) .. (x2, y + 1), inclusive: the window region of a bitmap lies one pixel right
// of and below the bitmap, as the screens were laid out for.
std::vector<QRect> ShapeRuns(const QImage& bitmap);

// The window region of a shape bitmap: the union of its runs, built at once.
QRegion ShapeRegion(const QImage& bitmap);

// Gives `window` the shape picture `name` (a Bmp figure with display mode 2 hands its picture
// name over). The window loses its caption bar and system menu; the bitmap, base name + ".Bmp"
// through the package or the disk, gives the window its size and, for 24 and 32 bits per
// pixel, its region. A missing or damaged bitmap leaves the window unshaped with the name
// remembered. An empty name removes the shape. GUI thread.
void ApplyWindowShape(QWidget& window, std::string_view name);

// The shape picture name last given to `window`, empty when none.
std::string WindowShapeName(const QWidget& window);

} // namespace screens
