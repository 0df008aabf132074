// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <span>

#include <QPoint>
#include <QSize>

#include "screens/GdiPen.h"
#include "screens/ShapeSpans.h"

class QPainter;

namespace screens {

struct FigureProperties;

// Draws the primitives of figures with the conventions the screens were designed with: a
// rectangle (l, t, r, b) covers columns l..r-1 and rows t..b-1 and its one-pixel outline lies on
// its outer pixels; a line leaves out its end pixel; an ellipse fits inside its rectangle; with
// no pen the inside is one pixel narrower and lower. One-pixel pens are set pixel by pixel, so
// the result is exact and the same on every device; wide pens are centred on the outline through
// QPainter. Draws into the painter it is given (GUI thread), without antialiasing.
class ShapePainter {
public:
    ShapePainter(QPainter& painter, GdiPen pen, GdiBrush brush);

    void SetPen(const GdiPen& pen) { m_pen = pen; }
    const GdiPen& Pen() const { return m_pen; }

    // Lines continue the dash pattern of the previous line, as a pen does.
    void Line(QPoint from, QPoint to);
    // Open: the last point is left out. Closed polygons are filled with the brush (odd-even rule).
    void Polyline(std::span<const QPoint> points);
    void Polygon(std::span<const QPoint> points);
    void Rectangle(GdiRect rect);
    void RoundRect(GdiRect rect, int cornerWidth, int cornerHeight);
    void Ellipse(GdiRect rect);
    // Half of the outline of the ellipse inscribed in `rect`: the lower or the upper half.
    void HalfArc(GdiRect rect, bool lowerHalf);

private:
    enum class Outline { Rectangle, RoundRect, Ellipse };
    void ClosedShape(Outline kind, GdiRect rect, int cornerWidth, int cornerHeight);
    void PathShape(Outline kind, GdiRect rect, int cornerWidth, int cornerHeight, bool withBrush);
    void FillRun(int left, int right, int y, const QColor& colour);
    void PlotThin(int x, int y);
    void FlushRun();

    QPainter& m_painter;
    GdiPen m_pen;
    GdiBrush m_brush;
    int m_dashIndex = 0; // position in the dash pattern, carried from line to line
    int m_dashLeft = 0;  // pixels left in the current dash or gap
    // The horizontal run of line pixels not yet drawn.
    int m_runY = 0;
    int m_runLeft = 0;
    int m_runRight = -1;
};

// The kinds PaintShapeFigure draws: Line, Rectang, RoundRec, Circle, Ellipse, Arc, Frame,
// Shade, Supp, BarV and BarH.
bool IsShapeKind(std::uint8_t kind);
// The kinds that take a fill level: Rectang, RoundRec, Circle, Ellipse, Frame, Supp, Shade.
bool TakesFillLevel(std::uint8_t kind);
// Draws a shape figure of `size` with its pen, brush, direction and value.
void PaintShapeFigure(QPainter& painter, const FigureProperties& properties, QSize size);
// The filled part of a bar of `extent` pixels for a value in percent (clamped to 0..100,
// rounded half to even).
int BarFilledExtent(int extent, long double value);

} // namespace screens
