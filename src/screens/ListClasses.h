// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screens/Component.h"

namespace screens {

// The list view, the check list and the tree view ("Sout"): native controls that replace their
// placeholders and that the list, check-list and tree commands drive. GUI thread; owned by the
// figure.

class ListView : public Component {
public:
    ListView();
    void ReadData(const ClassData* data) override;
    const std::vector<std::string>& Items() const { return m_items; }
    // The two settings bytes before the items and the 16 raw bytes after them.
    std::uint8_t FirstSetting() const { return m_firstSetting; }
    std::uint8_t SecondSetting() const { return m_secondSetting; }
    const std::string& Settings() const { return m_settings; }

private:
    std::vector<std::string> m_items;
    std::uint8_t m_firstSetting = 0;
    std::uint8_t m_secondSetting = 0;
    std::string m_settings;
};

// A check list; its data holds nothing.
class CheckListBox : public Component {
public:
    CheckListBox();
};

// A tree view whose nodes come from text lines.
class Sout : public Component {
public:
    Sout();
    void ReadData(const ClassData* data) override;
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::uint8_t Setting() const { return m_setting; }

private:
    std::vector<std::string> m_lines;
    std::uint8_t m_setting = 0;
};

} // namespace screens
