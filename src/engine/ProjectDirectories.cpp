// Quorva run-time. Licensed under the MIT licence.
#include "engine/ProjectDirectories.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

namespace engine {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view WithoutTrailingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string ProjectDirectories::DefaultConfigPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0')
        return std::string(config) + "/quorva/projects.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return std::string(home) + "/.config/quorva/projects.ini";
    return {};
}

ProjectDirectories ProjectDirectories::LoadForUser() {
    const std::filesystem::path executable = platform::ExecutablePath();
    return Load(DefaultConfigPath(), executable.parent_path().string());
}

ProjectDirectories ProjectDirectories::Load(const std::string& configPath,
                                            const std::string& executableDirectory) {
    ProjectDirectories result;
    result.m_modulesDirectory = platform::Utf8ToCodePage(executableDirectory + "/Modules");

    std::ifstream file(configPath, std::ios::binary);
    if (configPath.empty() || !file) {
        platform::LogInfo("no project registration at {}", configPath);
        return result;
    }
    std::string directory;
    std::vector<std::pair<std::string, std::string>> projects;
    std::string section;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        std::string_view text = Trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[' && text.back() == ']') {
            section = std::string(Trim(text.substr(1, text.size() - 2)));
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            platform::LogWarning("{}:{}: not a \"name=value\" line", configPath, number);
            continue;
        }
        std::string_view key = Trim(text.substr(0, equals));
        std::string_view value = Trim(text.substr(equals + 1));
        if (EqualIgnoringCase(section, "Current") && EqualIgnoringCase(key, "Directory"))
            directory = value;
        else if (EqualIgnoringCase(section, "Projects") && !key.empty())
            projects.emplace_back(key, value);
    }

    for (const auto& [name, path] : projects) {
        if (!directory.empty() && WithoutTrailingSlash(path) == WithoutTrailingSlash(directory)) {
            result.m_projectName = platform::Utf8ToCodePage(name);
            break;
        }
    }
    std::error_code error;
    if (!directory.empty() && std::filesystem::is_directory(directory, error))
        result.m_projectDirectory = platform::Utf8ToCodePage(directory);
    return result;
}

} // namespace engine
