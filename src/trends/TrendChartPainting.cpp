// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendChart.h"

#include <algorithm>
#include <cmath>

#include <QPaintEvent>
#include <QPainter>

#include "platform/CodePage.h"
#include "screens/FigureText.h"
#include "screens/GdiPen.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ShapePainter.h"
#include "screens/WindowsColour.h"
#include "trends/TrendRegistry.h"

namespace trends {
namespace {

int Round(double value) {
    constexpr double kLimit = 1 << 24;
    return static_cast<int>(std::nearbyint(std::clamp(value, -kLimit, kLimit)));
}

screens::GdiPen PenOf(int style, int width, std::uint32_t colour) {
    using Style = screens::GdiPen::Style;
    constexpr Style kStyles[] = {Style::Solid, Style::Dash,       Style::Dot,
                                 Style::DashDot, Style::DashDotDot, Style::Null};
    screens::GdiPen pen;
    pen.style = style >= 0 && style <= 5 ? kStyles[style] : Style::Solid;
    pen.width = std::max(1, width);
    pen.colour = screens::WindowsColour(colour);
    return pen;
}

// A text of the code page as Qt draws it: CR LF, CR or LF each start a new line.
QString ShownText(const std::string& bytes) {
    QString text = QString::fromStdString(platform::CodePageToUtf8(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void TrendChart::Invalidate() {
    m_imageStale = true;
    update();
}

void TrendChart::RenderNow() {
    if (m_imageStale && DisplayEnabled() && !m_rendering)
        Render();
}

QImage TrendChart::ShownImage() const {
    QImage shown = m_image;
    if (!shown.isNull() && DisplayEnabled()) {
        QPainter painter(&shown);
        DrawOverlay(painter);
    }
    return shown;
}

void TrendChart::Render() {
    m_rendering = true;
    m_imageStale = false;
    ++m_fullRenders;
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_image.size() != wanted)
        m_image = QImage(wanted, QImage::Format_RGB32);
    for (;;) {
        m_image.fill(screens::WindowsColour(m_backColour));
        QPainter painter(&m_image);
        RenderGrid(painter);
        RenderLabels(painter);
        RenderTexts(painter);
        // A drawing procedure that fails is gone: the curves are then drawn by the chart.
        if (RenderCurves(painter))
            break;
    }
    m_rendering = false;
}

void TrendChart::RenderGrid(QPainter& painter) const {
    screens::ShapePainter shapes(painter, PenOf(m_penStyle, m_penWidth, m_foreColour), {});
    const int axis = AxisRow();
    const int left = m_leftMargin;
    const double interX = m_interX;
    const double interY = m_interY;
    // Many divisions on a narrow plot land on the same pixels: each is drawn once.
    int lastX = -1;
    int lastSubX = -1;
    for (int i = 0; i <= m_divX; ++i) {
        const int x = Round(i * interX + left);
        if (x != lastX) {
            if (m_gridOn)
                shapes.Line({x, axis + 7}, {x, m_topMargin});
            else
                shapes.Line({x, axis}, {x, axis + 7});
            lastX = x;
        }
        for (int k = 1; i > 0 && k <= m_subX; ++k) {
            const int sub = Round((i - 1) * interX + left + k * interX / (m_subX + 1));
            if (sub != lastSubX)
                shapes.Line({sub, axis}, {sub, axis + 5});
            lastSubX = sub;
        }
    }
    const int plotRight = left + Round(m_divX * interX);
    shapes.Line({left, axis}, {plotRight, axis});
    int lastY = -1;
    int lastSubY = -1;
    for (int i = 0; i <= m_divY; ++i) {
        const int y = Round(axis - i * interY);
        if (y != lastY) {
            shapes.Line({left - 7, y}, {m_gridOn ? plotRight : left, y});
            lastY = y;
        }
        for (int k = 1; i > 0 && k <= m_subY; ++k) {
            const int sub = Round(axis - (i - 1) * interY - k * interY / (m_subY + 1));
            if (sub != lastSubY)
                shapes.Line({left - 5, sub}, {left, sub});
            lastSubY = sub;
        }
    }
    shapes.Line({left, axis}, {left, m_topMargin});
}

void TrendChart::RenderLabels(QPainter& painter) const {
    painter.setPen(screens::WindowsColour(m_foreColour));
    painter.setFont(font());
    const long double step = (m_highRangeY - m_lowRangeY) / m_divY;
    const int right = m_leftMargin - 7;
    const double start = AxisRow() - FontHeight() / 2;
    for (int k = 0; k <= m_divY; ++k) {
        const int top = Round(start - k * static_cast<double>(m_interY));
        const QString label = QString::fromStdString(
            screens::FormatValue(m_lowRangeY + k * step, m_decimals));
        painter.drawText(QRect(0, top, std::max(right, 0), m_lineHeight),
                         Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip, label);
    }
}

void TrendChart::RenderTexts(QPainter& painter) const {
    painter.setPen(screens::WindowsColour(m_foreColour));
    painter.setFont(font());
    const int top = AxisRow() + 7;
    const int bandHeight = std::max(1, height() - top);
    const int last = m_divX + 1;
    const int drawn = std::min(last, kTextCount);
    constexpr auto kFlags = Qt::AlignTop | Qt::TextDontClip;
    for (int index = 1; index <= drawn; ++index) {
        const std::string& text = m_texts[static_cast<std::size_t>(index - 1)];
        if (text.empty())
            continue;
        const QString shown = ShownText(text);
        if (index == 1) {
            painter.drawText(QRect(2, top, std::max(1, width() - 2), bandHeight),
                             kFlags | Qt::AlignLeft, shown);
        } else if (index == last) {
            painter.drawText(QRect(0, top, std::max(1, width() - 2), bandHeight),
                             kFlags | Qt::AlignRight, shown);
        } else {
            const int centre = Round(m_leftMargin + (index - 1) * static_cast<double>(m_interX));
            painter.drawText(QRect(centre, top, 0, bandHeight), kFlags | Qt::AlignHCenter,
                             shown);
        }
    }
}

bool TrendChart::RenderCurves(QPainter& painter) {
    const bool useProcedure = m_procedure && !m_inProcedure;
    for (int number = 1; number <= kPencilCount; ++number) {
        const Pencil& pencil = PencilAt(number);
        const int count = std::min(m_nptX, static_cast<int>(pencil.buffer.size()));
        bool first = true;
        QPoint previous;
        long double previousValue = 0;
        DrawingCall call;
        for (int index = 1; index <= count; ++index) {
            const TrendPoint& point = pencil.buffer[static_cast<std::size_t>(index - 1)];
            if (!point.set)
                continue;
            const QPoint at(m_leftMargin + index - 1, RowOf(point.value * pencil.coefficient));
            // The curve starts at the plot's left edge, at the height of its first point.
            if (first)
                previous = QPoint(m_leftMargin, at.y());
            if (useProcedure) {
                call = DrawingCall{at,     point.colour, m_leftMargin, AxisRow(), previous,
                                   number, point.value,  previousValue, first,    false};
                if (!CallProcedure(call))
                    return false;
            } else {
                DrawSegment(painter, previous, at, point.colour);
            }
            first = false;
            previous = at;
            previousValue = point.value;
        }
        if (useProcedure && !first) {
            call.firstPoint = false;
            call.lastPoint = true;
            if (!CallProcedure(call))
                return false;
        }
    }
    return true;
}

// The rule for joining a point to the previous one: nothing in the same column, one line to
// the next column, otherwise a hold at the previous height up to the column before, then a
// line to the point. Lines leave out their end pixel.
void TrendChart::DrawSegment(QPainter& painter, QPoint from, QPoint to,
                             std::uint32_t colour) const {
    if (to.x() == from.x())
        return;
    screens::ShapePainter shapes(painter, PenOf(m_penStyle, m_penWidth, colour), {});
    if (to.x() == from.x() + 1) {
        shapes.Line(from, to);
        return;
    }
    const QPoint hold(to.x() - 1, from.y());
    shapes.Line(from, hold);
    shapes.Line(hold, to);
}

void TrendChart::DrawNewPoint(int pencil, int x, QPoint point, long double value) {
    const Pencil& p = PencilAt(pencil);
    if (m_procedure && !m_inProcedure) {
        const DrawingCall call{point, p.colour, m_leftMargin, AxisRow(), p.last,
                               pencil, value,   p.lastValue,  x == 1,    x == m_nptX};
        if (CallProcedure(call))
            return;
        // The procedure failed and is gone: the chart draws every curve itself from now on.
        Invalidate();
        return;
    }
    // With a full render due the new point comes with it.
    if (m_rendering || m_imageStale || m_image.size() != size()) {
        m_imageStale = true;
        update();
        return;
    }
    {
        QPainter painter(&m_image);
        DrawSegment(painter, p.last, point, p.colour);
    }
    ++m_segmentsDrawn;
    const int margin = m_penWidth + 1;
    const QRect touched = QRect(p.last, point).normalized() | QRect(point, QSize(1, 1));
    update(touched.adjusted(-margin, -margin, margin, margin));
}

bool TrendChart::CallProcedure(const DrawingCall& call) {
    // Copies: the procedure may register another one while it runs.
    const DrawingProcedure procedure = m_procedure;
    const std::uint32_t address = m_procedureAddress;
    m_inProcedure = true;
    bool done = false;
    {
        // The procedure runs as this chart's figure, so that the T functions it calls find it.
        screens::CurrentScope keep;
        if (screens::Figure* figure = FigureOfChart(*this)) {
            screens::SetCurrentWindow(dynamic_cast<screens::ScreenForm*>(window()));
            screens::SetCurrentFigure(figure);
        }
        done = procedure(call);
    }
    m_inProcedure = false;
    if (!done && m_procedureAddress == address)
        DropProcedure();
    return done;
}

void TrendChart::RedrawTextBand() {
    if (m_imageStale || m_rendering || m_image.size() != size() || !DisplayEnabled()) {
        Invalidate();
        return;
    }
    const QRect band(0, AxisRow() + 7, width(), std::max(0, height() - AxisRow() - 7));
    {
        QPainter painter(&m_image);
        painter.fillRect(band, screens::WindowsColour(m_backColour));
        RenderTexts(painter);
    }
    update(band);
}

void TrendChart::DrawOverlay(QPainter& painter) const {
    const int left = m_leftMargin;
    const int span = Round(m_divX * static_cast<double>(m_interX));
    const int axis = AxisRow();
    const auto level = [&](long double value, std::uint32_t colour) {
        if (!(m_lowRangeY < value && value <= m_highRangeY))
            return;
        screens::ShapePainter shapes(painter, PenOf(0, 1, colour), {});
        const int y = RowOf(value);
        shapes.Line({left, y}, {left + span, y});
    };
    const auto bar = [&](int position, std::uint32_t colour) {
        if (!(position > 0 && position <= m_nptX))
            return;
        screens::ShapePainter shapes(painter, PenOf(0, 1, colour), {});
        shapes.Line({left + position, axis}, {left + position, m_topMargin});
    };
    level(m_lowLevel, m_lowLevelColour);
    level(m_highLevel, m_highLevelColour);
    bar(m_leftBar, m_leftBarColour);
    bar(m_rightBar, m_rightBarColour);
}

void TrendChart::DrawRubberBand(QPainter& painter) const {
    painter.setPen(screens::WindowsColour(m_foreColour));
    painter.setFont(font());
    painter.drawText(m_bandStart, QString::number(m_selection.yHigh));
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(m_bandStart, m_bandEnd).normalized());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TrendChart::paintEvent(QPaintEvent* event) {
    if (DisplayEnabled() && m_imageStale && !m_rendering)
        Render();
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, screens::WindowsColour(m_backColour));
    if (!m_image.isNull())
        painter.drawImage(area.topLeft(), m_image, area);
    if (DisplayEnabled())
        DrawOverlay(painter);
    if (m_selection.dragging)
        DrawRubberBand(painter);
}

} // namespace trends
