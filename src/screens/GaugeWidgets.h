// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <functional>

#include <QColor>
#include <QWidget>

namespace screens {

// A gauge the operator can move: a linear slider or a round knob, drawn with QPainter. It holds
// a real value within [minimum, maximum]; the operator drags it with the left button, turns it
// with the wheel or steps it with the arrow, page, Home and End keys. Only the operator's moves
// call the change handler; SetValue from code does not. A value that does not change repaints
// nothing. GUI thread; owned by its Qt parent.
class GaugeWidget : public QWidget {
public:
    enum class Style { Slider, Knob };

    GaugeWidget(Style style, QWidget* parent = nullptr);

    Style GaugeStyle() const { return m_style; }
    double Minimum() const { return m_minimum; }
    double Maximum() const { return m_maximum; }
    double Value() const { return m_value; }
    // A slider taller than wide runs vertically (minimum at the bottom).
    bool Vertical() const { return height() > width(); }

    // Sets the range; a maximum not above the minimum, or a bound that is not finite, gives
    // 0..100. The value is clamped into the new range.
    void SetRange(double minimum, double maximum);
    // Sets the value, clamped into the range (not-a-number counts as the minimum). Returns
    // whether the shown value changed.
    bool SetValue(double value);
    // What one wheel notch or arrow key moves: a hundredth of the range.
    double Step() const { return (m_maximum - m_minimum) / 100.0; }

    // Colours: background, the part from the minimum to the value (slider) or the pointer
    // (knob), and the scale marks.
    void SetColours(QColor background, QColor value, QColor marks);

    // Called with the new value after each move by the operator.
    void SetChangeHandler(std::function<void(double)> handler) { m_onChange = std::move(handler); }

    // Where the value lies in the drawing: the slider's value edge (pixels from the left or the
    // bottom) and the knob's pointer angle (degrees, counter-clockwise from 3 o'clock). Tests
    // and the drawing use them.
    int SliderValueOffset() const;
    double KnobAngle() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PaintSlider(QPainter& painter);
    void PaintKnob(QPainter& painter);
    // The value the mouse position stands for.
    double ValueAt(QPointF position) const;
    void MoveByOperator(double value);
    int SliderLength() const;

    Style m_style;
    double m_minimum = 0;
    double m_maximum = 100;
    double m_value = 0;
    QColor m_background{0xF0, 0xF0, 0xF0};
    QColor m_valueColour{0x00, 0x78, 0xD7};
    QColor m_marks{0x40, 0x40, 0x40};
    std::function<void(double)> m_onChange;
};

} // namespace screens
