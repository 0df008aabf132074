// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screens/Component.h"

namespace screens {

// The classes that put a native control in place of their placeholder figure: rich edit, cool
// bar, splitter, date-time picker and pop-up menu. Loading
// keeps their items, lines and settings; Run does nothing yet. GUI thread; owned by the figure.

// A native control of one settings byte (rich edit, cool bar, date-time picker).
class OneByteControl : public Component {
public:
    void ReadData(const ClassData* data) override;
    std::uint8_t Setting() const { return m_setting; }

protected:
    OneByteControl(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

private:
    std::uint8_t m_setting = 0;
};
class RichEdit : public OneByteControl {
public:
    RichEdit() : OneByteControl("RichEdit", 145) {}
};
class CoolBar : public OneByteControl {
public:
    CoolBar() : OneByteControl("CoolBar", 145) {}
};
class DateTimePicker : public OneByteControl {
public:
    DateTimePicker() : OneByteControl("DateTimePicker", 145) {}
};

class Splitter : public Component {
public:
    Splitter();
    void ReadData(const ClassData* data) override;
    const std::string& Settings() const { return m_settings; } // 4 raw bytes
    std::uint8_t Setting() const { return m_setting; }

private:
    std::string m_settings;
    std::uint8_t m_setting = 0;
};

// A pop-up menu: a leading text and its menu lines.
class MPopUp : public Component {
public:
    MPopUp();
    void ReadData(const ClassData* data) override;
    const std::string& Text() const { return m_text; }
    const std::vector<std::string>& MenuLines() const { return m_menuLines; }

private:
    std::string m_text;
    std::vector<std::string> m_menuLines;
};

} // namespace screens
