// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendChart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QResizeEvent>

#include "screens/FigureText.h"
#include "trends/TrendRegistry.h"

namespace trends {
namespace {

constexpr std::size_t kFigureNameLength = 15;

// Pixel positions are rounded half to even, as the charts were designed with; values far
// outside the coordinate range stay within it.
int RoundToPixel(long double value) {
    if (std::isnan(value))
        return 0;
    constexpr long double kLimit = 1 << 24;
    return static_cast<int>(std::nearbyint(std::clamp(value, -kLimit, kLimit)));
}

// The bytes of a text without the blanks and control characters at both ends.
std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

TrendChart::TrendChart(QWidget* parent, const ChartSetup& setup)
    : QWidget(parent), m_figureName(setup.figureName.substr(0, kFigureNameLength)),
      m_divX(std::clamp(setup.divX, 1, kMaxDivisions)),
      m_divY(std::clamp(setup.divY, 1, kMaxDivisions)),
      m_subX(std::clamp(setup.subX, 0, kMaxSubdivisions)),
      m_subY(std::clamp(setup.subY, 0, kMaxSubdivisions)), m_lowRangeY(setup.lowRangeY),
      m_highRangeY(setup.highRangeY), m_decimals(setup.decimals),
      m_backColour(setup.backColour), m_foreColour(setup.foreColour) {
    TrendGlobals& globals = Globals();
    globals.displayEnabled = false;
    m_number = globals.nextNumber++;
    globals.charts.push_back(this);
    if (!std::isfinite(m_lowRangeY))
        m_lowRangeY = 0;
    if (!std::isfinite(m_highRangeY))
        m_highRangeY = 0;
    if (m_lowRangeY > m_highRangeY)
        std::swap(m_lowRangeY, m_highRangeY);
    setFont(setup.font);
    resize(setup.size);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ComputeLeftMargin();
    for (Pencil& pencil : m_pencils)
        pencil.last = StartPoint();
    globals.displayEnabled = true;
}

TrendChart::~TrendChart() {
    std::vector<TrendChart*>& charts = Globals().charts;
    charts.erase(std::remove(charts.begin(), charts.end(), this), charts.end());
}

// --- scale and grid ---

void TrendChart::SetDivX(int divisions) {
    divisions = std::clamp(divisions, 1, kMaxDivisions);
    if (divisions == m_divX)
        return;
    m_divX = divisions;
    ComputeLayout();
    Invalidate();
}

void TrendChart::SetDivY(int divisions) {
    divisions = std::clamp(divisions, 1, kMaxDivisions);
    if (divisions == m_divY)
        return;
    m_divY = divisions;
    // The labels change with the divisions, and the margin with them.
    ComputeLeftMargin();
    Invalidate();
}

void TrendChart::SetSubX(int subdivisions) {
    subdivisions = std::clamp(subdivisions, 0, kMaxSubdivisions);
    if (subdivisions != m_subX) {
        m_subX = subdivisions;
        Invalidate();
    }
}

void TrendChart::SetSubY(int subdivisions) {
    subdivisions = std::clamp(subdivisions, 0, kMaxSubdivisions);
    if (subdivisions != m_subY) {
        m_subY = subdivisions;
        Invalidate();
    }
}

void TrendChart::SetLowRangeY(long double value) {
    if (!std::isfinite(value) || value == m_lowRangeY)
        return;
    if (value <= m_highRangeY) {
        m_lowRangeY = value;
    } else {
        m_lowRangeY = m_highRangeY;
        m_highRangeY = value;
    }
    ComputeLeftMargin();
    Invalidate();
}

void TrendChart::SetHighRangeY(long double value) {
    if (!std::isfinite(value) || value == m_highRangeY)
        return;
    if (value < m_lowRangeY) {
        m_highRangeY = m_lowRangeY;
        m_lowRangeY = value;
    } else {
        m_highRangeY = value;
    }
    ComputeLeftMargin();
    Invalidate();
}

void TrendChart::SetGrid(bool on) {
    if (on == m_gridOn)
        return;
    m_gridOn = on;
    Invalidate();
}

void TrendChart::SetDecimals(int decimals) {
    decimals = std::clamp(decimals, 0, 255);
    if (decimals == m_decimals)
        return;
    m_decimals = decimals;
    ComputeLeftMargin();
    Invalidate();
}

void TrendChart::SetRightBorder(int pixels) {
    if (pixels >= 2 && pixels <= 100)
        SetRightBorderUnchecked(pixels);
}

void TrendChart::SetRightBorderUnchecked(int pixels) {
    pixels = std::clamp(pixels, 0, 32767);
    if (pixels == m_rightBorder)
        return;
    m_rightBorder = pixels;
    ComputeLayout();
    Invalidate();
}

// --- X texts ---

void TrendChart::SetTextX(int index, std::string_view text) {
    if (index < 1 || index > std::min(m_divX + 1, kTextCount))
        return;
    const std::string_view kept = Trimmed(text).substr(0, kTextLength);
    std::string& stored = m_texts[static_cast<std::size_t>(index - 1)];
    if (stored == kept)
        return;
    stored.assign(kept);
    const int lines = 1 + static_cast<int>(std::count(kept.begin(), kept.end(), '\r'));
    if (lines > m_textLines) {
        m_textLines = lines;
        ComputeLayout();
        Invalidate();
    } else {
        RedrawTextBand();
    }
}

std::string TrendChart::TextX(int index) const {
    if (index < 1 || index > std::min(m_divX + 1, kTextCount))
        return {};
    return m_texts[static_cast<std::size_t>(index - 1)];
}

// --- pencils ---

void TrendChart::ClearPencil(Pencil& pencil) {
    std::fill(pencil.buffer.begin(), pencil.buffer.end(), TrendPoint{0, false, pencil.colour});
}

void TrendChart::SetPencilColour(int pencil, std::uint32_t colour) {
    if (!ValidPencil(pencil))
        return;
    Pencil& p = PencilAt(pencil);
    if (colour == p.colour && !p.buffer.empty())
        return;
    p.colour = colour;
    if (p.buffer.empty()) {
        p.buffer.assign(static_cast<std::size_t>(m_nptX), TrendPoint{0, false, colour});
        return;
    }
    for (TrendPoint& point : p.buffer) {
        if (point.set)
            point.colour = colour;
    }
    Invalidate();
}

std::uint32_t TrendChart::PencilColour(int pencil) const {
    return ValidPencil(pencil) ? PencilAt(pencil).colour : 0;
}

bool TrendChart::HasBuffer(int pencil) const {
    return ValidPencil(pencil) && !PencilAt(pencil).buffer.empty();
}

void TrendChart::SetPoint(int pencil, int x, long double value) {
    if (!ValidPencil(pencil) || x < 1 || x > m_nptX)
        return;
    Pencil& p = PencilAt(pencil);
    if (p.buffer.empty())
        return;
    p.buffer[static_cast<std::size_t>(x - 1)] = TrendPoint{value, true, p.colour};
    const QPoint point(m_leftMargin + x - 1, RowOf(value * p.coefficient));
    if (DisplayEnabled())
        DrawNewPoint(pencil, x, point, value);
    else
        m_imageStale = true;
    // The stored point is the last one even while nothing is drawn, so that the first point
    // drawn after the display comes back joins the curve where it ends.
    p.last = point;
    p.lastValue = value;
}

std::optional<TrendPoint> TrendChart::Point(int pencil, int x) const {
    if (!HasBuffer(pencil) || x < 1 || x > static_cast<int>(PencilAt(pencil).buffer.size()))
        return std::nullopt;
    return PencilAt(pencil).buffer[static_cast<std::size_t>(x - 1)];
}

void TrendChart::ResetPoints(int pencil) {
    if (!ValidPencil(pencil))
        return;
    Pencil& p = PencilAt(pencil);
    ClearPencil(p);
    p.last = StartPoint();
    Invalidate();
}

void TrendChart::ResetAllPoints() {
    for (Pencil& p : m_pencils) {
        ClearPencil(p);
        p.last = StartPoint();
    }
    Invalidate();
}

void TrendChart::SetCoefficient(int pencil, long double coefficient) {
    if (!ValidPencil(pencil) || PencilAt(pencil).coefficient == coefficient)
        return;
    PencilAt(pencil).coefficient = coefficient;
    Invalidate();
}

long double TrendChart::Coefficient(int pencil) const {
    return ValidPencil(pencil) ? PencilAt(pencil).coefficient : 1.0L;
}

QPoint TrendChart::LastPoint(int pencil) const {
    return ValidPencil(pencil) ? PencilAt(pencil).last : QPoint();
}

long double TrendChart::LastValue(int pencil) const {
    return ValidPencil(pencil) ? PencilAt(pencil).lastValue : 0;
}

void TrendChart::ShiftPencils(int places) {
    const int count = std::min(std::abs(places), m_nptX);
    const int lastColumn = m_leftMargin + m_nptX - 1;
    for (Pencil& p : m_pencils) {
        if (!p.buffer.empty() && count > 0) {
            const TrendPoint cleared{0, false, p.colour};
            if (places > 0) {
                std::move(p.buffer.begin() + count, p.buffer.end(), p.buffer.begin());
                std::fill(p.buffer.end() - count, p.buffer.end(), cleared);
            } else {
                std::move_backward(p.buffer.begin(), p.buffer.end() - count, p.buffer.end());
                std::fill(p.buffer.begin(), p.buffer.begin() + count, cleared);
            }
        }
        if (places > 0)
            p.last.setX(std::max(p.last.x() - count, m_leftMargin));
        else
            p.last.setX(std::min(p.last.x() + count, lastColumn));
    }
}

void TrendChart::ShiftLeft() {
    ShiftPencils(RoundToPixel(m_interX));
    std::move(m_texts.begin() + 1, m_texts.end(), m_texts.begin());
    m_texts.back().clear();
    Invalidate();
}

void TrendChart::ShiftRight() {
    ShiftPencils(-RoundToPixel(m_interX));
    std::move_backward(m_texts.begin(), m_texts.end() - 1, m_texts.end());
    m_texts.front().clear();
    Invalidate();
}

// --- levels and bars: only the overlay changes ---

void TrendChart::SetHighLevel(long double value) {
    if (value != m_highLevel) {
        m_highLevel = value;
        update();
    }
}

void TrendChart::SetLowLevel(long double value) {
    if (value != m_lowLevel) {
        m_lowLevel = value;
        update();
    }
}

void TrendChart::SetHighLevelColour(std::uint32_t colour) {
    if (colour != m_highLevelColour) {
        m_highLevelColour = colour;
        update();
    }
}

void TrendChart::SetLowLevelColour(std::uint32_t colour) {
    if (colour != m_lowLevelColour) {
        m_lowLevelColour = colour;
        update();
    }
}

void TrendChart::SetLeftBar(int position) {
    if (position != m_leftBar) {
        m_leftBar = position;
        update();
    }
}

void TrendChart::SetRightBar(int position) {
    if (position != m_rightBar) {
        m_rightBar = position;
        update();
    }
}

void TrendChart::SetLeftBarColour(std::uint32_t colour) {
    if (colour != m_leftBarColour) {
        m_leftBarColour = colour;
        update();
    }
}

void TrendChart::SetRightBarColour(std::uint32_t colour) {
    if (colour != m_rightBarColour) {
        m_rightBarColour = colour;
        update();
    }
}

// --- layout ---

int TrendChart::FontHeight() const {
    return std::max(1, QFontInfo(font()).pixelSize());
}

int TrendChart::RowOf(long double value) const {
    const int axis = AxisRow();
    if (value >= m_highRangeY)
        return m_topMargin;
    if (!(value > m_lowRangeY))
        return axis;
    const long double range = m_highRangeY - m_lowRangeY;
    // The scale is kept as a 4-byte real, as the charts were designed with.
    const long double wide = range > 0 ? m_nptY / range : 1.0L;
    const float scale = static_cast<float>(
        std::min(wide, static_cast<long double>(std::numeric_limits<float>::max())));
    const int offset = RoundToPixel((value - m_lowRangeY) * static_cast<long double>(scale));
    return axis - std::clamp(offset, 0, m_nptY);
}

void TrendChart::ComputeLeftMargin() {
    const QFontMetrics metrics(font());
    const long double step = (m_highRangeY - m_lowRangeY) / m_divY;
    int widest = 0;
    for (int k = 0; k <= m_divY; ++k) {
        const std::string label = screens::FormatValue(m_lowRangeY + k * step, m_decimals);
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(label)));
    }
    m_leftMargin = widest + 10;
    ComputeLayout();
}

void TrendChart::ComputeLayout() {
    const int fontHeight = FontHeight();
    m_lineHeight = fontHeight + 10;
    m_topMargin = fontHeight / 2;
    m_bottomMargin = m_lineHeight * m_textLines;
    m_nptY = std::max(1, height() - m_bottomMargin - m_topMargin);
    const int oldWidth = m_nptX;
    m_nptX = std::max(1, width() - m_leftMargin - m_rightBorder);
    if (m_nptX != oldWidth && oldWidth != 0)
        Resample(oldWidth);
    m_interX = static_cast<float>(m_nptX) / static_cast<float>(m_divX);
    m_interY = static_cast<float>(m_nptY) / static_cast<float>(m_divY);
}

// Old point j goes to round(j x new / old); a plot that narrows a lot maps several points to
// one index (the later wins) and never past the end of the new buffer.
void TrendChart::Resample(int oldWidth) {
    for (Pencil& p : m_pencils) {
        if (p.buffer.empty())
            continue;
        std::vector<TrendPoint> resampled(static_cast<std::size_t>(m_nptX),
                                          TrendPoint{0, false, p.colour});
        for (std::size_t j = 0; j < p.buffer.size(); ++j) {
            if (!p.buffer[j].set)
                continue;
            const long double target =
                static_cast<long double>(j) * m_nptX / static_cast<long double>(oldWidth);
            const int index = std::clamp(RoundToPixel(target), 0, m_nptX - 1);
            resampled[static_cast<std::size_t>(index)] = p.buffer[j];
        }
        p.buffer = std::move(resampled);
    }
}

void TrendChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ComputeLayout();
    // A widget shown for the first time is told its size again: the image is kept then.
    if (m_image.size() != size()) {
        m_image = QImage();
        Invalidate();
    }
}

// --- mouse read-out and selection ---

bool TrendChart::TakeMouseMoved() {
    const bool moved = m_mouseMoved;
    m_mouseMoved = false;
    return moved;
}

void TrendChart::SetSelectionListener(std::function<void(const TrendSelection&)> listener) {
    m_selectionListener = std::move(listener);
}

long double TrendChart::ValueAtRow(int y) const {
    if (y < m_topMargin)
        return m_highRangeY;
    if (y > AxisRow())
        return m_lowRangeY;
    return m_lowRangeY + (m_highRangeY - m_lowRangeY) / m_nptY * (height() - y - m_bottomMargin);
}

int TrendChart::PointAtColumn(int x) const {
    if (x < m_leftMargin)
        return 1;
    if (x > m_leftMargin + m_nptX)
        return m_nptX;
    return x - m_leftMargin;
}

void TrendChart::UpdateMouse(QPoint position) {
    m_mouseMoved = true;
    m_mouseValue = ValueAtRow(position.y());
    m_mousePoint = PointAtColumn(position.x());
}

namespace {

std::int32_t RoundedValue(long double value) {
    if (std::isnan(value))
        return 0;
    constexpr auto kLow = static_cast<long double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto kHigh = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::nearbyint(std::clamp(value, kLow, kHigh)));
}

} // namespace

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    UpdateMouse(event->position().toPoint());
    if (m_selection.dragging) {
        m_bandEnd = event->position().toPoint();
        update();
    }
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    UpdateMouse(at);
    m_bandStart = at;
    m_bandEnd = at;
    m_selection.xStart = m_mousePoint;
    m_selection.yHigh = RoundedValue(m_mouseValue);
    m_selection.dragging = true;
    update();
    if (m_selectionListener)
        m_selectionListener(m_selection);
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_selection.dragging)
        return;
    UpdateMouse(event->position().toPoint());
    m_selection.xEnd = m_mousePoint;
    m_selection.yLow = RoundedValue(m_mouseValue);
    m_selection.dragging = false;
    if (m_selection.xStart > m_selection.xEnd)
        std::swap(m_selection.xStart, m_selection.xEnd);
    if (m_selection.yHigh < m_selection.yLow)
        std::swap(m_selection.yHigh, m_selection.yLow);
    Invalidate();
    if (m_selectionListener)
        m_selectionListener(m_selection);
}

// --- drawing procedure ---

void TrendChart::SetDrawingProcedure(std::uint32_t address, DrawingProcedure procedure) {
    if (address == m_procedureAddress)
        return;
    m_procedureAddress = address;
    m_procedure = address != 0 ? std::move(procedure) : DrawingProcedure();
    if (!m_procedure)
        m_procedureAddress = 0;
    Invalidate();
}

void TrendChart::DropProcedure() {
    m_procedureAddress = 0;
    m_procedure = DrawingProcedure();
}

} // namespace trends
