// Quorva run-time. Licensed under the MIT licence.
#include "platform/ConfigFile.h"

#include "platform/Log.h"

#include <cstdlib>
#include <fstream>

namespace platform {

namespace {

std::string_view TrimConfigText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::filesystem::path MachineConfigPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0')
        return std::filesystem::path(config) / "quorva" / "quorva.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".config" / "quorva" / "quorva.ini";
    return {};
}

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

std::vector<ConfigEntry> ReadConfigSection(const std::filesystem::path& file,
                                           std::string_view section, std::string_view topic) {
    std::vector<ConfigEntry> entries;
    std::error_code error;
    if (file.empty() || !std::filesystem::exists(file, error)) {
        LogDebug("{}: no {}", topic, file.string());
        return entries;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        LogWarning("{}: cannot read {}; its settings are ignored", topic, file.string());
        return entries;
    }
    std::string line;
    bool inSection = false;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view text = line;
        if (number == 1 && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        text = TrimConfigText(text);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            inSection = text.back() == ']' &&
                        EqualsNoCase(TrimConfigText(text.substr(1, text.size() - 2)), section);
            continue;
        }
        if (!inSection)
            continue;
        ConfigEntry entry;
        entry.file = file;
        entry.line = number;
        entry.text = std::string(text);
        const std::size_t equals = text.find('=');
        entry.hasValue = equals != std::string_view::npos;
        entry.key = std::string(TrimConfigText(text.substr(0, std::min(equals, text.size()))));
        if (entry.hasValue)
            entry.value = std::string(TrimConfigText(text.substr(equals + 1)));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::filesystem::path> ConfigFiles(const std::string& projectDirectory) {
    std::vector<std::filesystem::path> files{std::filesystem::path(projectDirectory) /
                                             "quorva.ini"};
    if (std::filesystem::path machine = MachineConfigPath(); !machine.empty())
        files.push_back(std::move(machine));
    return files;
}

std::vector<ConfigEntry> ReadConfigSections(const std::string& projectDirectory,
                                            std::string_view section, std::string_view topic) {
    std::vector<ConfigEntry> entries;
    for (const std::filesystem::path& file : ConfigFiles(projectDirectory)) {
        std::vector<ConfigEntry> more = ReadConfigSection(file, section, topic);
        entries.insert(entries.end(), std::make_move_iterator(more.begin()),
                       std::make_move_iterator(more.end()));
    }
    return entries;
}

} // namespace platform
