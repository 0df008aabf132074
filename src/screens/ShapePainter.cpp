// Quorva run-time. Licensed under the MIT licence.
#include "screens/ShapePainter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QPainter>
#include <QPolygon>

#include "screens/FigureKind.h"
#include "screens/FigureProperties.h"

namespace screens {
namespace {

ShapeSpans SpansOf(int kind, GdiRect rect, int cornerWidth, int cornerHeight)
{
    switch (kind) {
    case 1:
        return RoundRectSpans(rect, cornerWidth, cornerHeight);
    case 2:
        return EllipseSpans(rect);
    default:
        return RectangleSpans(rect);
    }
}

QPolygon ToPolygon(std::span<const QPoint> points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const QPoint& point : points)
        polygon.append(point);
    return polygon;
}

} // namespace

ShapePainter::ShapePainter(QPainter& painter, GdiPen pen, GdiBrush brush)
    : m_painter(painter), m_pen(pen), m_brush(brush)
{
}

void ShapePainter::FillRun(int left, int right, int y, const QColor& colour)
{
    if (left <= right)
        m_painter.fillRect(QRect(left, y, right - left + 1, 1), colour);
}

void ShapePainter::FlushRun()
{
    FillRun(m_runLeft, m_runRight, m_runY, m_pen.colour);
    m_runRight = m_runLeft - 1;
}

void ShapePainter::PlotThin(int x, int y)
{
    const std::span<const int> pattern = m_pen.DashPattern();
    if (!pattern.empty()) {
        const std::size_t index = static_cast<std::size_t>(m_dashIndex) % pattern.size();
        if (m_dashLeft <= 0)
            m_dashLeft = pattern[index];
        const bool on = index % 2 == 0;
        if (--m_dashLeft == 0)
            m_dashIndex = static_cast<int>((index + 1) % pattern.size());
        if (!on)
            return;
    }
    const bool running = m_runLeft <= m_runRight;
    if (running && y == m_runY && x == m_runRight + 1) {
        m_runRight = x;
    } else if (running && y == m_runY && x == m_runLeft - 1) {
        m_runLeft = x;
    } else {
        if (running)
            FlushRun();
        m_runY = y;
        m_runLeft = x;
        m_runRight = x;
    }
}

void ShapePainter::Line(QPoint from, QPoint to)
{
    if (m_pen.IsNull())
        return;
    if (!m_pen.IsThin()) {
        m_painter.setPen(m_pen.ToQPen());
        m_painter.drawLine(from, to);
        return;
    }
    // Bresenham's walk; the end pixel is left out.
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int stepX = x < to.x() ? 1 : -1;
    const int stepY = y < to.y() ? 1 : -1;
    int error = dx + dy;
    while (x != to.x() || y != to.y()) {
        PlotThin(x, y);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
    FlushRun();
}

void ShapePainter::Polyline(std::span<const QPoint> points)
{
    if (points.size() < 2 || m_pen.IsNull())
        return;
    if (!m_pen.IsThin()) {
        m_painter.setPen(m_pen.ToQPen());
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPolyline(ToPolygon(points));
        return;
    }
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        Line(points[i], points[i + 1]);
}

void ShapePainter::Polygon(std::span<const QPoint> points)
{
    if (points.size() < 2)
        return;
    const QPolygon polygon = ToPolygon(points);
    if (!m_brush.hollow) {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(m_brush.colour);
        m_painter.drawPolygon(polygon, Qt::OddEvenFill);
    }
    if (m_pen.IsNull())
        return;
    if (!m_pen.IsThin()) {
        m_painter.setPen(m_pen.ToQPen());
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPolygon(polygon);
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i)
        Line(points[i], points[(i + 1) % points.size()]);
}

void ShapePainter::Rectangle(GdiRect rect)
{
    ClosedShape(Outline::Rectangle, rect, 0, 0);
}

void ShapePainter::RoundRect(GdiRect rect, int cornerWidth, int cornerHeight)
{
    ClosedShape(Outline::RoundRect, rect, cornerWidth, cornerHeight);
}

void ShapePainter::Ellipse(GdiRect rect)
{
    ClosedShape(Outline::Ellipse, rect, 0, 0);
}

void ShapePainter::PathShape(Outline kind, GdiRect rect, int cornerWidth, int cornerHeight, bool withBrush)
{
    m_painter.setPen(m_pen.ToQPen());
    m_painter.setBrush(withBrush ? m_brush.ToQBrush() : QBrush(Qt::NoBrush));
    const QRect path(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1);
    switch (kind) {
    case Outline::Rectangle:
        m_painter.drawRect(path);
        break;
    case Outline::RoundRect:
        m_painter.drawRoundedRect(path, cornerWidth / 2.0, cornerHeight / 2.0);
        break;
    case Outline::Ellipse:
        m_painter.drawEllipse(path);
        break;
    }
}

void ShapePainter::ClosedShape(Outline kind, GdiRect rect, int cornerWidth, int cornerHeight)
{
    if (rect.IsEmpty())
        return;
    const int spanKind = static_cast<int>(kind);
    if (m_pen.IsNull()) {
        // Without a pen the shape is one pixel narrower and lower.
        if (m_brush.hollow)
            return;
        const ShapeSpans shape =
            SpansOf(spanKind, GdiRect{rect.left, rect.top, rect.right - 1, rect.bottom - 1}, cornerWidth, cornerHeight);
        for (std::size_t i = 0; i < shape.rows.size(); ++i)
            FillRun(shape.rows[i].left, shape.rows[i].right, shape.top + static_cast<int>(i), m_brush.colour);
        return;
    }
    if (!m_pen.IsThin()) {
        PathShape(kind, rect, cornerWidth, cornerHeight, true);
        return;
    }
    const ShapeSpans shape = SpansOf(spanKind, rect, cornerWidth, cornerHeight);
    const std::vector<OutlineRow> rows = SplitOutline(shape);
    // The inside, in as few rectangles as rows with the same span allow.
    if (!m_brush.hollow) {
        std::size_t start = 0;
        while (start < rows.size()) {
            std::size_t end = start + 1;
            while (end < rows.size() && rows[end].inside.left == rows[start].inside.left &&
                   rows[end].inside.right == rows[start].inside.right)
                ++end;
            const RowSpan inside = rows[start].inside;
            if (!inside.IsEmpty())
                m_painter.fillRect(QRect(inside.left, shape.top + static_cast<int>(start), inside.right - inside.left + 1,
                                         static_cast<int>(end - start)),
                                   m_brush.colour);
            start = end;
        }
    }
    if (m_pen.IsThinSolid()) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int y = shape.top + static_cast<int>(i);
            FillRun(rows[i].first.left, rows[i].first.right, y, m_pen.colour);
            FillRun(rows[i].second.left, rows[i].second.right, y, m_pen.colour);
        }
        return;
    }
    PathShape(kind, rect, cornerWidth, cornerHeight, false); // dashed outline
}

void ShapePainter::HalfArc(GdiRect rect, bool lowerHalf)
{
    if (rect.IsEmpty() || m_pen.IsNull())
        return;
    const int middle = rect.top + rect.Height() / 2;
    if (m_pen.IsThinSolid()) {
        const ShapeSpans shape = EllipseSpans(rect);
        const std::vector<OutlineRow> rows = SplitOutline(shape);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int y = shape.top + static_cast<int>(i);
            if ((y >= middle) != lowerHalf)
                continue;
            FillRun(rows[i].first.left, rows[i].first.right, y, m_pen.colour);
            FillRun(rows[i].second.left, rows[i].second.right, y, m_pen.colour);
        }
        return;
    }
    const int reach = m_pen.width + 1; // wide pens reach outside the ellipse's rectangle
    const QRect half = lowerHalf ? QRect(QPoint(rect.left - reach, middle), QPoint(rect.right + reach, rect.bottom + reach))
                                 : QRect(QPoint(rect.left - reach, rect.top - reach), QPoint(rect.right + reach, middle - 1));
    m_painter.save();
    m_painter.setClipRect(half, Qt::IntersectClip);
    PathShape(Outline::Ellipse, rect, 0, 0, false);
    m_painter.restore();
}

bool IsShapeKind(std::uint8_t kind)
{
    return FigureClassOf(kind) == FigureClass::TracePoint;
}

bool TakesFillLevel(std::uint8_t kind)
{
    switch (static_cast<FigureKind>(kind)) {
    case FigureKind::Rectang:
    case FigureKind::RoundRec:
    case FigureKind::Circle:
    case FigureKind::Ellipse:
    case FigureKind::Frame:
    case FigureKind::Supp:
    case FigureKind::Shade:
        return true;
    default:
        return false;
    }
}

int BarFilledExtent(int extent, long double value)
{
    const long double filled = static_cast<long double>(extent) * ClampPercent(value) / 100.0L;
    return static_cast<int>(std::lrint(filled));
}

void PaintShapeFigure(QPainter& painter, const FigureProperties& properties, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    ShapePainter shapes(painter, FigurePen(properties), FigureBrush(properties));
    const GdiRect whole{0, 0, w, h};
    const bool direction = properties.direction;
    const QColor white(255, 255, 255);
    const QColor grey = WindowsColour(kGrey);
    switch (static_cast<FigureKind>(properties.kind)) {
    case FigureKind::Line:
        if (direction)
            shapes.Line(QPoint(0, 0), QPoint(w, h));
        else
            shapes.Line(QPoint(w, 0), QPoint(0, h));
        break;
    case FigureKind::Rectang:
        shapes.Rectangle(whole);
        break;
    case FigureKind::RoundRec: {
        const int corner = std::min(w / 4, h / 4);
        shapes.RoundRect(whole, corner, corner);
        break;
    }
    case FigureKind::Circle:
    case FigureKind::Ellipse:
        shapes.Ellipse(whole);
        break;
    case FigureKind::Arc:
        if (direction)
            shapes.HalfArc(GdiRect{0, -h, w, h}, true);
        else
            shapes.HalfArc(GdiRect{0, 0, w, 2 * h}, false);
        break;
    case FigureKind::Frame: // raised
        shapes.Rectangle(whole);
        shapes.SetPen(shapes.Pen().WithColour(white));
        shapes.Line(QPoint(0, 0), QPoint(w, 0));
        shapes.Line(QPoint(0, 0), QPoint(0, h));
        break;
    case FigureKind::Shade: // etched
        shapes.Rectangle(whole);
        shapes.SetPen(shapes.Pen().WithColour(white));
        shapes.Line(QPoint(0, h - 1), QPoint(w, h - 1));
        shapes.Line(QPoint(w - 1, 0), QPoint(w - 1, h));
        break;
    case FigureKind::Supp: {
        shapes.Rectangle(whole);
        const GdiPen pen = shapes.Pen();
        // Outer bevel, raised.
        shapes.SetPen(pen.WithColour(white));
        shapes.Line(QPoint(1, 1), QPoint(w - 1, 1));
        shapes.Line(QPoint(1, 2), QPoint(1, h - 1));
        shapes.SetPen(pen.WithColour(grey));
        shapes.Line(QPoint(w - 2, h - 2), QPoint(w - 2, 1));
        shapes.Line(QPoint(w - 2, h - 2), QPoint(1, h - 2));
        // Inner bevel, sunken.
        shapes.Line(QPoint(9, 9), QPoint(w - 9, 9));
        shapes.Line(QPoint(9, 10), QPoint(9, h - 9));
        shapes.SetPen(pen.WithColour(white));
        shapes.Line(QPoint(w - 9, h - 9), QPoint(w - 9, 9));
        shapes.Line(QPoint(w - 9, h - 9), QPoint(9, h - 9));
        break;
    }
    case FigureKind::BarV: {
        const int filled = BarFilledExtent(h, properties.value);
        shapes.Rectangle(direction ? GdiRect{0, 0, w, filled} : GdiRect{0, h - filled, w, h});
        break;
    }
    case FigureKind::BarH: {
        const int filled = BarFilledExtent(w, properties.value);
        shapes.Rectangle(direction ? GdiRect{0, 0, filled, h} : GdiRect{w - filled, 0, w, h});
        break;
    }
    default:
        break;
    }
}

} // namespace screens
