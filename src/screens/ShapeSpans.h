// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <vector>

namespace screens {

// A rectangle the way figures give them: left and top included, right and bottom excluded, so
// (0, 0, W, H) covers columns 0..W-1 and rows 0..H-1.
struct GdiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// The pixels of one row of a convex shape: columns left..right, both included; empty when
// left > right.
struct RowSpan {
    int left = 0;
    int right = -1;

    bool IsEmpty() const { return left > right; }
    bool Contains(int x) const { return x >= left && x <= right; }
};

// A convex shape as one span per row, rows top .. top + rows.size() - 1. Built by the functions
// below; symmetric left to right and top to bottom, so that corners and curves look the same
// on every side.
struct ShapeSpans {
    int top = 0;
    std::vector<RowSpan> rows;
};

ShapeSpans RectangleSpans(GdiRect rect);
// The ellipse inscribed in `rect`: its curve runs through the outermost pixels of each edge.
ShapeSpans EllipseSpans(GdiRect rect);
// The rectangle with corners rounded by a quarter of an ellipse of cornerWidth x cornerHeight
// pixels (clamped to the rectangle's size).
ShapeSpans RoundRectSpans(GdiRect rect, int cornerWidth, int cornerHeight);

// The outline of a shape, one pixel wide, and its inside: a pixel of the shape belongs to the
// outline when a pixel beside it (left, right, above or below) lies outside the shape. The
// outline is therefore closed against a fill that spreads to the four neighbours.
struct OutlineRow {
    RowSpan first;  // left part of the outline (or the whole row)
    RowSpan second; // right part of the outline; empty when the row is all outline
    RowSpan inside; // the pixels between them
};
std::vector<OutlineRow> SplitOutline(const ShapeSpans& shape);

} // namespace screens
