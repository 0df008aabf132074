// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "screens/ClassData.h"
#include "screens/Component.h"

namespace screens {

// The classes of operator controls that run each cycle: edits, check boxes and radio buttons
// bound to variables, and buttons with glyphs.
// Loading keeps the fields of their class data that their cyclic work needs and applies the
// hint; Run does nothing yet. GUI thread; owned by the figure.

// An edit field showing a bound variable.
class TCEdit : public Component {
public:
    TCEdit();
    void ReadData(const ClassData* data) override;
    // The bound variable's name and the entry's minimum and maximum (name strings).
    const std::string& Variable() const { return m_variable; }
    const std::string& Minimum() const { return m_minimum; }
    const std::string& Maximum() const { return m_maximum; }

private:
    std::string m_variable;
    std::string m_minimum;
    std::string m_maximum;
};

// A check state bound to a boolean variable (TCCase, TCRadio).
class CheckBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    const std::string& Variable() const { return m_variable; }

protected:
    CheckBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    std::string m_variable;
};
class TCCase : public CheckBinding {
public:
    TCCase() : CheckBinding("TCCASE", 134) {}
};
class TCRadio : public CheckBinding {
public:
    TCRadio() : CheckBinding("TCRADIO", 134) {}
};

// A push button with a glyph and a caption. The glyph position ("Left", "Right", "Top",
// "Bottom") and the enabled byte exist only in TCBUTTON data: an XP-style button has its glyph
// on the left and is enabled.
class ButtonBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    const std::string& GlyphName() const { return m_glyphName; }
    const std::string& Caption() const { return m_caption; }
    const std::string& GlyphPosition() const { return m_glyphPosition; }
    bool Enabled() const { return m_enabled; }
    // The fifth field of the button record: the button may join a button group.
    bool GroupSwitch() const { return m_groupSwitch; }
    // The program unit the button starts, its action mode ("Pulse") and key ("F1").
    const std::string& Unit() const { return m_unit; }
    const std::string& ActionMode() const { return m_actionMode; }
    const std::string& Key() const { return m_key; }

protected:
    ButtonBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    std::string m_glyphName;
    std::string m_caption;
    std::string m_glyphPosition = "Left";
    bool m_enabled = true;
    bool m_groupSwitch = false;
    std::string m_unit;
    std::string m_actionMode;
    std::string m_key;
};
class TCButton : public ButtonBinding {
public:
    TCButton() : ButtonBinding("TCBUTTON", 121) {}
};
class TCXButton : public ButtonBinding {
public:
    TCXButton() : ButtonBinding("TCXButton", 121) {}
};

} // namespace screens
