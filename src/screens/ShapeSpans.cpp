// Quorva run-time. Licensed under the MIT licence.
#include "screens/ShapeSpans.h"

#include <algorithm>
#include <cmath>

namespace screens {

ShapeSpans RectangleSpans(GdiRect rect)
{
    ShapeSpans shape;
    shape.top = rect.top;
    if (rect.IsEmpty())
        return shape;
    shape.rows.assign(static_cast<std::size_t>(rect.Height()), RowSpan{rect.left, rect.right - 1});
    return shape;
}

ShapeSpans EllipseSpans(GdiRect rect)
{
    ShapeSpans shape;
    shape.top = rect.top;
    if (rect.IsEmpty())
        return shape;
    const int width = rect.Width();
    const int height = rect.Height();
    shape.rows.resize(static_cast<std::size_t>(height));
    if (width <= 2 || height <= 2) {
        for (RowSpan& row : shape.rows)
            row = RowSpan{rect.left, rect.right - 1};
        return shape;
    }
    // The curve through the centres of the outermost pixels, set pixel by pixel as the midpoint
    // method does: once stepping down the rows (steep parts) and once stepping along the columns
    // (flat parts); a row's span starts at the leftmost curve pixel on it. Only the top-left
    // quarter is computed; the others mirror it.
    const double radiusX = (width - 1) / 2.0;
    const double radiusY = (height - 1) / 2.0;
    const int lastX = static_cast<int>(std::floor(radiusX)); // last column of the left half
    const int lastY = static_cast<int>(std::floor(radiusY)); // last row of the top half
    // Nearest pixel, halves rounded towards the centre, never past the middle.
    auto nearest = [](double value, int last) {
        return std::min(last, static_cast<int>(std::floor(value + 0.5 + 1e-9)));
    };
    std::vector<int> left(static_cast<std::size_t>(lastY + 1), width);
    for (int y = 0; y <= lastY; ++y) {
        const double dy = (y - radiusY) / radiusY;
        const double x = radiusX - radiusX * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        left[static_cast<std::size_t>(y)] = nearest(x, lastX);
    }
    for (int x = 0; x <= lastX; ++x) {
        const double dx = (x - radiusX) / radiusX;
        const int y = nearest(radiusY - radiusY * std::sqrt(std::max(0.0, 1.0 - dx * dx)), lastY);
        int& rowLeft = left[static_cast<std::size_t>(y)];
        rowLeft = std::min(rowLeft, x);
    }
    for (int y = 0; y < height; ++y) {
        const int offset = left[static_cast<std::size_t>(std::min(y, height - 1 - y))];
        shape.rows[static_cast<std::size_t>(y)] = RowSpan{rect.left + offset, rect.right - 1 - offset};
    }
    return shape;
}

ShapeSpans RoundRectSpans(GdiRect rect, int cornerWidth, int cornerHeight)
{
    ShapeSpans shape = RectangleSpans(rect);
    if (shape.rows.empty())
        return shape;
    cornerWidth = std::clamp(cornerWidth, 0, rect.Width());
    cornerHeight = std::clamp(cornerHeight, 0, rect.Height());
    if (cornerWidth == 0 || cornerHeight == 0)
        return shape;
    const ShapeSpans corner = EllipseSpans(GdiRect{0, 0, cornerWidth, cornerHeight});
    const int curvedRows = cornerHeight / 2;
    const int height = rect.Height();
    for (int row = 0; row < height; ++row) {
        const int fromEdge = std::min(row, height - 1 - row);
        if (fromEdge >= curvedRows)
            continue;
        const int indent = corner.rows[static_cast<std::size_t>(fromEdge)].left;
        shape.rows[static_cast<std::size_t>(row)] = RowSpan{rect.left + indent, rect.right - 1 - indent};
    }
    return shape;
}

std::vector<OutlineRow> SplitOutline(const ShapeSpans& shape)
{
    std::vector<OutlineRow> result(shape.rows.size());
    const RowSpan none;
    for (std::size_t i = 0; i < shape.rows.size(); ++i) {
        const RowSpan span = shape.rows[i];
        const RowSpan above = i > 0 ? shape.rows[i - 1] : none;
        const RowSpan below = i + 1 < shape.rows.size() ? shape.rows[i + 1] : none;
        OutlineRow& out = result[i];
        if (span.IsEmpty())
            continue;
        // Inside: pixels with a shape pixel on all four sides.
        RowSpan inside{std::max({span.left + 1, above.left, below.left}),
                       std::min({span.right - 1, above.right, below.right})};
        if (above.IsEmpty() || below.IsEmpty() || inside.IsEmpty()) {
            out.first = span;
            continue;
        }
        out.first = RowSpan{span.left, inside.left - 1};
        out.second = RowSpan{inside.right + 1, span.right};
        out.inside = inside;
    }
    return result;
}

} // namespace screens
