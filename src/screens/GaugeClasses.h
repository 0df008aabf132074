// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QPointer>

#include "screens/ClassData.h"
#include "screens/Component.h"
#include "screens/ScreenVariables.h"

class QSlider;
class QWidget;

namespace screens {

class Figure;
class GaugeWidget;

// The spin button, track bars, sliders and knobs: native controls that take the place of their
// placeholder window figure on their first Run (the control fills the placeholder, see
// PlaceholderControl.h). Each object owns the control it built. GUI thread; owned by the figure.

// The spin button that works with the edit field linked to it. Each Run attaches the first
// windowed figure of the placeholder's link chain that has a one-line text (an edit field or an
// editable combo box), then, with that edit as the current figure, reads its text as a number:
// the spin position becomes the rounded value, and a value below the minimum or above the
// maximum is replaced in the edit by that limit. While the operator is typing in the edit
// (it has the keyboard focus), an out-of-range text is left alone until the focus leaves, so
// that "1" on the way to "15" is not turned into the minimum. A text that is no number is left
// as it is. The arrows (and the Up and Down keys in the edit) step the edit's value by the
// increment, within the limits; with no edit attached they step the position alone.
class TCUpDown : public Component {
public:
    TCUpDown();
    ~TCUpDown() override;

    void ReadData(const ClassData* data) override;
    void Run() override;

    // "Hor": horizontal (the control's width and height swapped); anything else vertical.
    bool Horizontal() const { return m_horizontal; }
    // "Left": buttons on the left of the edit; anything else on the right.
    bool ButtonsOnLeft() const { return m_buttonsOnLeft; }
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    std::int32_t Increment() const { return m_increment; }
    const std::string& Variable() const { return m_variable; }

    // The spin position (GETUPDOWN).
    int Position() const { return m_position; }
    // Sets the position, clamped to the limits, and writes it into the attached edit
    // (SETUPDOWN).
    void SetPosition(std::int64_t position);
    // One arrow click: up (`steps` > 0) or down by the increment, within the limits.
    void Step(int steps);
    // The control once built, and the attached edit's figure, else null.
    QWidget* Control() const { return m_control.data(); }
    Figure* AttachedEdit() const;

private:
    void Build(Figure& placeholder);
    void Attach(Figure& edit);
    void FollowEdit(Figure& edit);
    std::int64_t Clamp(std::int64_t value) const;
    void WriteEdit(std::int64_t value);

    bool m_horizontal = false;
    bool m_buttonsOnLeft = false;
    int m_minimum = 0;
    int m_maximum = 0;
    std::int32_t m_increment = 1;
    std::string m_variable;

    int m_position = 0;
    bool m_built = false;
    QPointer<QWidget> m_control;
    QPointer<QWidget> m_placeholder;
    QPointer<QWidget> m_edit;
    QPointer<QObject> m_keyFilter;
};

// What the track bars, sliders and knobs share: a control in place of the placeholder, bound to
// the variable named first in the class data's track record. The variable is resolved on the
// first Run (an unknown name switches the binding off); each later Run reads it and moves the
// control only when the value changed since it was last shown. When the operator moves the
// control, the variable is written by name (rounded for whole-number variables) and the change
// is remembered for the change commands. A control set by program code also writes its
// variable, so that both stay the same, but that is no operator change.
class GaugeBinding : public Component {
public:
    ~GaugeBinding() override;

    void ReadData(const ClassData* data) override;
    void Run() override;

    const ClassData& Data() const { return m_data; }
    const std::string& Variable() const { return m_variable; }

    // The range and the value; before the control is built, what it will show.
    double Minimum() const { return m_minimum; }
    double Maximum() const { return m_maximum; }
    double Value() const;
    // Sets the value from program code (clamped into the range).
    void SetValue(double value);
    // Sets the range (a maximum not above the minimum is refused: false, nothing changes).
    bool SetRange(double minimum, double maximum);
    // Whether the operator moved the control since the last call; the call clears it.
    bool TakeOperatorChange();
    // Follows a value from program code only when it changed: when `value` differs from the
    // one given at the previous call (or it is the first call), the control shows it and the
    // result is true; otherwise nothing happens (an operator's move stays) and it is false.
    bool FollowChangedValue(double value);

    QWidget* Control() const { return m_control.data(); }
    bool Bound() const { return m_binding.has_value(); }

protected:
    GaugeBinding(std::string_view registeredName, std::int32_t kind, bool wholeNumbers)
        : Component(registeredName, kind), m_wholeNumbers(wholeNumbers)
    {
    }

    // Reads the class's own fields after the shared ones (range, look).
    virtual void DecodeData(const ClassData&) {}
    // Builds the control for `placeholder` with the current range and value.
    virtual QWidget* BuildControl(Figure& placeholder) = 0;
    // Shows a value (already clamped) in the built control; false when it showed it already.
    virtual bool ShowValue(double value) = 0;
    // Applies the current range to the built control.
    virtual void ShowRange() = 0;

    // The built controls report the operator's moves here.
    void OperatorMoved(double value);

    double m_minimum = 0;
    double m_maximum = 100;
    double m_value = 0;
    bool m_wholeNumbers;
    // Set while code moves the control, so that its change signal is not taken as the operator.
    bool m_showing = false;

private:
    double Clamp(double value) const;
    void WriteVariable(double value);

    ClassData m_data;
    std::string m_variable;
    bool m_resolved = false;
    std::optional<VariableBinding> m_binding;
    std::optional<double> m_lastShown;
    std::optional<double> m_lastFollowed;
    bool m_operatorChanged = false;
    bool m_built = false;
    QPointer<QWidget> m_control;
};

// A track bar as a native slider with tick marks. Whole-number positions.
class TrackBarBinding : public GaugeBinding {
public:
    QSlider* Slider() const;
    int TickInterval() const { return m_tickInterval; }

protected:
    TrackBarBinding(std::string_view registeredName);
    QWidget* BuildControl(Figure& placeholder) override;
    bool ShowValue(double value) override;
    void ShowRange() override;

    int m_tickInterval = 1;
    // 0: tick marks below or right, 1: above or left, 2: both; -1: none.
    int m_tickSide = 0;
    // Empty: from the placeholder's shape (taller than wide: vertical).
    std::optional<bool> m_vertical;
};

// The track bar whose data holds just its track record: range 0..10, a tick at each step,
// running along the longer side of its placeholder; program code sets the range.
class TCTrackBar : public TrackBarBinding {
public:
    TCTrackBar();
};

// The track bar with its settings in the data, read as: maximum (32-bit), minimum (16-bit),
// tick frequency (16-bit), then five bytes: orientation (1 vertical), tick marks (0 below or
// right, 1 above or left, 2 both), tick style (0 none), two unused; position (32-bit), and two
// 32-bit selection bounds that are not shown. A maximum not above the minimum gives 0..10. It
// has no variable: program code drives it through the track-bar commands.
class STrackBar : public TrackBarBinding {
public:
    STrackBar();

protected:
    void DecodeData(const ClassData& data) override;
};

// The slider and the knob, drawn with QPainter (GaugeWidget). Their data begins, in both, with
// two 8-byte IEEE reals read as the minimum and the maximum (0..100 when these are not a valid
// range); the look comes from the placeholder: its back colour as background, its fore colour
// for the value. The other raw fields of their data are kept in Data() but not interpreted.
class DrawnGaugeBinding : public GaugeBinding {
public:
    GaugeWidget* Gauge() const;

protected:
    DrawnGaugeBinding(std::string_view registeredName, bool knob);
    void DecodeData(const ClassData& data) override;
    QWidget* BuildControl(Figure& placeholder) override;
    bool ShowValue(double value) override;
    void ShowRange() override;

private:
    bool m_knob;
};

class TSlider : public DrawnGaugeBinding {
public:
    TSlider() : DrawnGaugeBinding("TSLIDER", false) {}
};

class TKnob : public DrawnGaugeBinding {
public:
    TKnob() : DrawnGaugeBinding("TKNOB", true) {}
};

// Reads an 8-byte little-endian IEEE real from raw class data; empty for another size.
std::optional<double> RawReal(std::string_view bytes);
// Reads a little-endian signed integer of 1 to 4 bytes at `offset` of raw bytes; 0 when the
// bytes are not there.
std::int32_t RawInteger(std::string_view bytes, std::size_t offset, std::size_t size);

} // namespace screens
