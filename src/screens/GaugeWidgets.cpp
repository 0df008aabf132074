// Quorva run-time. Licensed under the MIT licence.
#include "screens/GaugeWidgets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace screens {
namespace {

// Room left at both ends of a slider's track for half its thumb.
constexpr int kSliderMargin = 6;
constexpr int kThumbHalf = 4;
// The knob's scale: from 225 degrees (lower left, the minimum) clockwise over 270 degrees.
constexpr double kKnobStart = 225.0;
constexpr double kKnobSweep = 270.0;

constexpr double kPi = std::numbers::pi;

} // namespace

GaugeWidget::GaugeWidget(Style style, QWidget* parent) : QWidget(parent), m_style(style)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GaugeWidget::SetRange(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || maximum <= minimum) {
        minimum = 0;
        maximum = 100;
    }
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    m_value = std::clamp(m_value, m_minimum, m_maximum);
    update();
}

bool GaugeWidget::SetValue(double value)
{
    value = std::isnan(value) ? m_minimum : std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return false;
    m_value = value;
    update();
    return true;
}

void GaugeWidget::SetColours(QColor background, QColor value, QColor marks)
{
    m_background = background;
    m_valueColour = value;
    m_marks = marks;
    update();
}

int GaugeWidget::SliderLength() const
{
    return std::max(1, (Vertical() ? height() : width()) - 2 * kSliderMargin);
}

int GaugeWidget::SliderValueOffset() const
{
    const double fraction = (m_value - m_minimum) / (m_maximum - m_minimum);
    return kSliderMargin + static_cast<int>(std::lround(fraction * SliderLength()));
}

double GaugeWidget::KnobAngle() const
{
    const double fraction = (m_value - m_minimum) / (m_maximum - m_minimum);
    return kKnobStart - fraction * kKnobSweep;
}

void GaugeWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (m_style == Style::Slider)
        PaintSlider(painter);
    else
        PaintKnob(painter);
}

void GaugeWidget::PaintSlider(QPainter& painter)
{
    const bool vertical = Vertical();
    const int across = vertical ? width() : height();
    const int length = SliderLength();
    const int band = std::max(2, across / 3);
    const int bandStart = (across - band) / 2;
    const int offset = SliderValueOffset();

    // The scale marks: one every tenth of the range, along the far edge.
    painter.setPen(m_marks);
    for (int i = 0; i <= 10; ++i) {
        const int at = kSliderMargin + length * i / 10;
        if (vertical)
            painter.drawLine(across - 3, height() - 1 - at, across - 1, height() - 1 - at);
        else
            painter.drawLine(at, across - 3, at, across - 1);
    }

    // The groove over the whole range, then the part from the minimum to the value.
    const QRect groove = vertical ? QRect(bandStart, kSliderMargin, band, length)
                                  : QRect(kSliderMargin, bandStart, length, band);
    painter.setPen(m_marks);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(groove.adjusted(0, 0, -1, -1));
    const int filled = offset - kSliderMargin;
    const QRect valuePart = vertical
                                ? QRect(bandStart, height() - kSliderMargin - filled, band, filled)
                                : QRect(kSliderMargin, bandStart, filled, band);
    painter.fillRect(valuePart, m_valueColour);

    // The thumb.
    const QRect thumb = vertical ? QRect(1, height() - 1 - offset - kThumbHalf, across - 2,
                                         2 * kThumbHalf)
                                 : QRect(offset - kThumbHalf, 1, 2 * kThumbHalf, across - 2);
    painter.setBrush(QColor(0xD8, 0xD8, 0xD8));
    painter.drawRect(thumb);
}

void GaugeWidget::PaintKnob(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = side / 2.0 - 2.0;
    if (radius <= 2)
        return;

    // Scale marks every tenth of the sweep, outside the knob's face.
    painter.setPen(QPen(m_marks, 1));
    for (int i = 0; i <= 10; ++i) {
        const double angle = (kKnobStart - kKnobSweep * i / 10.0) * kPi / 180.0;
        const QPointF direction(std::cos(angle), -std::sin(angle));
        painter.drawLine(centre + direction * radius * 0.85, centre + direction * radius);
    }
    const double face = radius * 0.78;
    painter.setBrush(QColor(0xD8, 0xD8, 0xD8));
    painter.drawEllipse(centre, face, face);

    const double angle = KnobAngle() * kPi / 180.0;
    const QPointF direction(std::cos(angle), -std::sin(angle));
    painter.setPen(QPen(m_valueColour, std::max(2.0, face / 8.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + direction * face * 0.15, centre + direction * face * 0.9);
}

double GaugeWidget::ValueAt(QPointF position) const
{
    double fraction = 0;
    if (m_style == Style::Slider) {
        const double along = Vertical() ? height() - 1 - position.y() : position.x();
        fraction = (along - kSliderMargin) / SliderLength();
    } else {
        const QPointF centre(width() / 2.0, height() / 2.0);
        const double dx = position.x() - centre.x();
        const double dy = centre.y() - position.y();
        if (dx == 0 && dy == 0)
            return m_value;
        double degrees = std::atan2(dy, dx) * 180.0 / kPi; // -180..180
        // Measured clockwise from the minimum's direction; the dead zone below the knob goes to
        // the nearer end.
        double fromStart = kKnobStart - degrees;
        while (fromStart < 0)
            fromStart += 360;
        while (fromStart >= 360)
            fromStart -= 360;
        if (fromStart > kKnobSweep)
            fromStart = fromStart > (kKnobSweep + 360) / 2 ? 0 : kKnobSweep;
        fraction = fromStart / kKnobSweep;
    }
    return m_minimum + std::clamp(fraction, 0.0, 1.0) * (m_maximum - m_minimum);
}

void GaugeWidget::MoveByOperator(double value)
{
    if (SetValue(value) && m_onChange)
        m_onChange(m_value);
}

void GaugeWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    MoveByOperator(ValueAt(event->position()));
}

void GaugeWidget::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) == 0) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    MoveByOperator(ValueAt(event->position()));
}

void GaugeWidget::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    MoveByOperator(m_value + notches * Step());
    event->accept();
}

void GaugeWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right: MoveByOperator(m_value + Step()); break;
    case Qt::Key_Down:
    case Qt::Key_Left: MoveByOperator(m_value - Step()); break;
    case Qt::Key_PageUp: MoveByOperator(m_value + 10 * Step()); break;
    case Qt::Key_PageDown: MoveByOperator(m_value - 10 * Step()); break;
    case Qt::Key_Home: MoveByOperator(m_minimum); break;
    case Qt::Key_End: MoveByOperator(m_maximum); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

} // namespace screens
