// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ProfileFile.h"

#include "engine/UnitRecords.h"

#include <fstream>
#include <sstream>

namespace runtime {

namespace {

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool SameName(std::string_view a, std::string_view b) {
    return engine::UpperAscii(a) == engine::UpperAscii(b);
}

} // namespace

ProfileFile ProfileFile::Load(const std::string& hostPath) {
    ProfileFile profile;
    std::ifstream in(hostPath, std::ios::binary);
    std::string text;
    while (std::getline(in, text)) {
        Line line;
        line.text = text;
        if (!text.empty() && text.back() == '\r')
            line.text.pop_back();
        const std::string trimmed = Trim(text);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            line.kind = Line::Kind::Section;
            line.section = Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
        } else if (const std::size_t equals = trimmed.find('=');
                   !trimmed.empty() && trimmed.front() != ';' && equals != std::string::npos) {
            line.kind = Line::Kind::Key;
            line.key = Trim(std::string_view(trimmed).substr(0, equals));
            line.value = Trim(std::string_view(trimmed).substr(equals + 1));
        }
        profile.m_lines.push_back(std::move(line));
    }
    return profile;
}

bool ProfileFile::Save(const std::string& hostPath) const {
    std::ostringstream text;
    for (const Line& line : m_lines) {
        switch (line.kind) {
        case Line::Kind::Section:
            text << '[' << line.section << "]\r\n";
            break;
        case Line::Kind::Key:
            text << line.key << '=' << line.value << "\r\n";
            break;
        case Line::Kind::Other:
            text << line.text << "\r\n";
            break;
        }
    }
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << text.str();
    out.close();
    return static_cast<bool>(out);
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Kind::Section && SameName(m_lines[i].section, section))
            return i;
    }
    return m_lines.size();
}

std::size_t ProfileFile::SectionEnd(std::size_t sectionLine) const {
    std::size_t end = sectionLine + 1;
    while (end < m_lines.size() && m_lines[end].kind != Line::Kind::Section)
        ++end;
    return end;
}

std::optional<std::string> ProfileFile::Value(std::string_view section,
                                              std::string_view key) const {
    const std::size_t start = FindSection(section);
    if (start == m_lines.size())
        return std::nullopt;
    for (std::size_t i = start + 1; i < SectionEnd(start); ++i) {
        if (m_lines[i].kind == Line::Kind::Key && SameName(m_lines[i].key, key))
            return m_lines[i].value;
    }
    return std::nullopt;
}

std::vector<std::string> ProfileFile::Sections() const {
    std::vector<std::string> sections;
    for (const Line& line : m_lines) {
        if (line.kind == Line::Kind::Section)
            sections.push_back(line.section);
    }
    return sections;
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    const std::size_t start = FindSection(section);
    if (start == m_lines.size())
        return keys;
    for (std::size_t i = start + 1; i < SectionEnd(start); ++i) {
        if (m_lines[i].kind == Line::Kind::Key)
            keys.push_back(m_lines[i].key);
    }
    return keys;
}

void ProfileFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    std::size_t start = FindSection(section);
    if (start == m_lines.size()) {
        Line line;
        line.kind = Line::Kind::Section;
        line.section = std::string(section);
        m_lines.push_back(std::move(line));
    }
    const std::size_t end = SectionEnd(start);
    for (std::size_t i = start + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Kind::Key && SameName(m_lines[i].key, key)) {
            m_lines[i].value = Trim(value);
            return;
        }
    }
    // After the section's last key, so that blank lines before the next section stay there.
    std::size_t at = end;
    while (at > start + 1 && m_lines[at - 1].kind == Line::Kind::Other &&
           Trim(m_lines[at - 1].text).empty())
        --at;
    Line line;
    line.kind = Line::Kind::Key;
    line.key = std::string(key);
    line.value = Trim(value);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void ProfileFile::RemoveKey(std::string_view section, std::string_view key) {
    const std::size_t start = FindSection(section);
    if (start == m_lines.size())
        return;
    const std::size_t end = SectionEnd(start);
    for (std::size_t i = start + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Kind::Key && SameName(m_lines[i].key, key)) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void ProfileFile::RemoveSection(std::string_view section) {
    const std::size_t start = FindSection(section);
    if (start == m_lines.size())
        return;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(start),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(start)));
}

} // namespace runtime
