// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One line of a section of a "quorva.ini" file: "key = value", both trimmed. A line without
// "=" has hasValue false and its whole text as key; the caller decides what that means.
struct ConfigEntry {
    std::filesystem::path file;
    int line = 0;     // from 1
    std::string text; // the trimmed line, for messages
    std::string key;
    std::string value;
    bool hasValue = false;
};

// The entries of the section [name] (any case) of one file, in file order. Blank lines and
// lines starting with ";" or "#" are skipped, as is a UTF-8 byte-order mark. A missing file
// gives none; an unreadable one gives none and is logged, naming `topic` ("serial: ...").
std::vector<ConfigEntry> ReadConfigSection(const std::filesystem::path& file,
                                           std::string_view section, std::string_view topic);

// The configuration files in the order their entries apply, later ones winning: the project's
// "quorva.ini" in `projectDirectory`, then the machine's ($XDG_CONFIG_HOME/quorva/quorva.ini,
// else ~/.config/quorva/quorva.ini; left out when neither variable is set).
std::vector<std::filesystem::path> ConfigFiles(const std::string& projectDirectory);

// The entries of [section] from every file of ConfigFiles, project entries first.
std::vector<ConfigEntry> ReadConfigSections(const std::string& projectDirectory,
                                            std::string_view section, std::string_view topic);

// ASCII comparison without case, as configuration keys are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace platform
