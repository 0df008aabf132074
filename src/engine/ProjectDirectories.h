// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The per-user project registration and the modules directory.
//
// The registration is the INI file $XDG_CONFIG_HOME/quorva/projects.ini (~/.config/quorva/...
// when XDG_CONFIG_HOME is unset or empty), UTF-8:
//   [Current]
//   Directory=/home/user/projects/plant1
//   [Projects]
//   Plant1=/home/user/projects/plant1
//   Plant2=/home/user/projects/plant2
// "Directory" in [Current] is the project directory; the name of the first entry of [Projects]
// whose value is that directory (a trailing "/" ignored) is the project name. Section and key
// names ignore ASCII case; blank lines and lines starting with ";" or "#" are comments; blanks
// around names and values are dropped. When the directory does not exist the project directory
// is empty (the name is still given). A missing or unreadable file gives empty values.
//
// All texts are returned as code-page bytes in project path form, as unit code and screens use
// them (platform::HostPath maps them back). A plain value; any thread may read it.
class ProjectDirectories {
public:
    // Reads the registration from `configPath`; the modules directory is `executableDirectory`
    // (UTF-8 host path) followed by "/Modules".
    static ProjectDirectories Load(const std::string& configPath,
                                   const std::string& executableDirectory);
    // Load(DefaultConfigPath(), directory of platform::ExecutablePath()).
    static ProjectDirectories LoadForUser();
    // Where the registration is for this user; empty when neither XDG_CONFIG_HOME nor HOME is set.
    static std::string DefaultConfigPath();

    std::string ProjectDirectory() const { return m_projectDirectory; }
    std::string ProjectName() const { return m_projectName; }
    std::string ModulesDirectory() const { return m_modulesDirectory; }

private:
    std::string m_projectDirectory;
    std::string m_projectName;
    std::string m_modulesDirectory;
};

} // namespace engine
