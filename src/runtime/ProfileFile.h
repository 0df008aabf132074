// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

// A private-profile (INI) file: "[section]" lines and "key=value" lines, names compared
// ignoring ASCII letter case, blanks around names and values dropped, lines starting with ";"
// kept as comments. Texts are code-page bytes. A plain value: Load reads a file, Save writes it
// back whole (lines that are neither sections nor keys are kept as they were). Not shared
// between threads.
class ProfileFile {
public:
    // The file's contents; an empty profile when it does not exist or cannot be read.
    static ProfileFile Load(const std::string& hostPath);
    bool Save(const std::string& hostPath) const;

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;

    // Sets a key, adding the section and the key as needed.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    void RemoveKey(std::string_view section, std::string_view key);
    void RemoveSection(std::string_view section);

private:
    struct Line {
        std::string text;    // the line as written (for comments and other lines)
        std::string section; // for section lines
        std::string key;     // for key lines
        std::string value;
        enum class Kind { Other, Section, Key } kind = Kind::Other;
    };
    // Index of the section line, or of one past the end when absent.
    std::size_t FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t sectionLine) const;

    std::vector<Line> m_lines;
};

} // namespace runtime
