// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QMetaObject>
#include <QPointer>

#include "screens/ClassData.h"
#include "screens/Component.h"
#include "screens/ScreenVariables.h"

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace screens {

class Figure;

// The operator controls bound to variables that run each cycle: edit fields, check boxes and
// radio buttons. Their first Run resolves the bound variable by name (an unknown name, or no
// variables at all, switches the binding off for good); every later Run reads the variable and
// touches the control only when the value differs from the one shown last, so that a screen
// whose values stand still costs next to nothing. GUI thread; owned by the figure, and every
// operation acts on the current figure (the object's own).

// An edit field showing a bound variable, and taking the operator's entry back into it.
//
// Shown: Integer (4), Word (20) and Byte (7) as whole numbers; Real (5) and Single (24) with the
// figure's decimals when it has some, else in their shortest exact form; Boolean (3) as
// "True"/"False"; String (9) and any other type as text; an unresolved binding as "0".
// While the operator is typing (the field has the focus and was modified) nothing is written
// into it. An entry finished with Return or by leaving the field is written into the variable
// by name; it is refused, and the field shows the variable's value again, when the binding is
// unresolved, when a number does not convert or does not fit the variable's type, or when it
// lies outside the edit record's minimum and maximum (each a number, or the name of a numeric
// variable read at the time of the entry; empty or unknown: no limit).
class TCEdit : public Component {
public:
    TCEdit();
    ~TCEdit() override;
    void ReadData(const ClassData* data) override;
    void Run() override;

    // The bound variable's name and the entry's minimum and maximum (name strings).
    const std::string& Variable() const { return m_variable; }
    const std::string& Minimum() const { return m_minimum; }
    const std::string& Maximum() const { return m_maximum; }
    // Whether the first Run found the variable.
    bool Bound() const { return m_binding.has_value(); }
    // The text the field was last given by this object (empty before the first Run).
    const std::string& ShownText() const { return m_shownText; }
    // How often the object wrote into the field.
    std::uint64_t Writes() const { return m_writes; }

    // Takes `entry` (code-page text) as the operator's entry: true when the variable took it.
    // The field shows the variable's value afterwards either way.
    bool Commit(std::string_view entry);

private:
    void Resolve(Figure& figure);
    // Shows the variable's value when it differs from what was shown (always when `force`).
    void Show(Figure& figure, bool force);
    bool Accepts(std::string_view text, std::string& canonical) const;
    std::optional<long double> Limit(const std::string& text) const;

    std::string m_variable;
    std::string m_minimum;
    std::string m_maximum;

    bool m_resolved = false;
    std::optional<VariableBinding> m_binding;
    bool m_shown = false;
    long double m_shownNumber = 0;
    std::string m_shownText;
    std::uint64_t m_writes = 0;
    QPointer<QWidget> m_control;
    QMetaObject::Connection m_entryConnection;
};

// A check state bound to a boolean variable (TCCase, TCRadio). The first Run resolves the
// variable and shows its state; each later Run checks (non-zero byte) or unchecks (zero) the
// box when the byte changed. The class displays only: the operator's click changes the box,
// and the screen's unit takes it into the variable (GETCHECKBOX, SETQIOBOX).
class CheckBinding : public Component {
public:
    void ReadData(const ClassData* data) override;
    void Run() override;
    const std::string& Variable() const { return m_variable; }
    bool Bound() const { return m_binding.has_value(); }
    const std::optional<VariableBinding>& Binding() const { return m_binding; }
    // How often the object changed the box.
    std::uint64_t Writes() const { return m_writes; }

protected:
    CheckBinding(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    std::string m_variable;
    bool m_resolved = false;
    std::optional<VariableBinding> m_binding;
    std::uint8_t m_lastByte = 0;
    std::uint64_t m_writes = 0;
};
class TCCase : public CheckBinding {
public:
    TCCase() : CheckBinding("TCCASE", 134) {}
};
class TCRadio : public CheckBinding {
public:
    TCRadio() : CheckBinding("TCRADIO", 134) {}
};

// The check box or radio button control of a figure, or null.
QAbstractButton* CheckControlOf(Figure& figure);

} // namespace screens

// The buttons with glyphs live in their own file; included here for the code that knew them
// from this header.
#include "screens/ButtonClasses.h"
