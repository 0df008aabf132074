// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

// The spin button, track bars, sliders and knobs: native controls bound to variables that
// replace their placeholders. GUI thread; owned by the figure.

// The spin button that works with the edit field linked to it.
class TCUpDown : public Component {
public:
    TCUpDown();
    void ReadData(const ClassData* data) override;
    // "Hor": horizontal (the control's width and height swapped); anything else vertical.
    bool Horizontal() const { return m_horizontal; }
    // "Left": buttons on the left; anything else on the right.
    bool ButtonsOnLeft() const { return m_buttonsOnLeft; }
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    std::int32_t Increment() const { return m_increment; }
    const std::string& Variable() const { return m_variable; }

private:
    bool m_horizontal = false;
    bool m_buttonsOnLeft = false;
    int m_minimum = 0;
    int m_maximum = 0;
    std::int32_t m_increment = 1;
    std::string m_variable;
};

// Track bars, sliders and knobs. The value range and look lie in raw fields whose meaning is the
// editor's; the whole data is kept for the cyclic work to decode, with the variable of the track
// record at hand.
class GaugeBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    const ClassData& Data() const { return m_data; }
    const std::string& Variable() const { return m_variable; }

protected:
    GaugeBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    ClassData m_data;
    std::string m_variable;
};
class TCTrackBar : public GaugeBinding {
public:
    TCTrackBar() : GaugeBinding("TCTRACKBAR", 145) {}
};
class STrackBar : public GaugeBinding {
public:
    STrackBar() : GaugeBinding("STrackBar", 145) {}
};
class TSlider : public GaugeBinding {
public:
    TSlider() : GaugeBinding("TSLIDER", 145) {}
};
class TKnob : public GaugeBinding {
public:
    TKnob() : GaugeBinding("TKNOB", 145) {}
};

} // namespace screens
