// Quorva run-time. Licensed under the MIT licence.
#include "shell/PrintSpool.h"

#include "platform/Log.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace shell {

namespace {

// The longest wait between two tries that a configuration may ask for: one day.
constexpr long kMaxRetrySeconds = 86'400;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::filesystem::path MachineConfigFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0')
        return std::filesystem::path(config) / "quorva" / "quorva.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".config" / "quorva" / "quorva.ini";
    return {};
}

// Applies the [Printing] entries of one file over `settings`; a bad line is logged and skipped.
void ReadPrintingSection(const std::filesystem::path& file, const std::string& projectDirectory,
                         PrintSpool::Settings& settings) {
    std::error_code error;
    if (file.empty() || !std::filesystem::exists(file, error))
        return;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        platform::LogWarning("printing: cannot read {}; its settings are ignored", file.string());
        return;
    }
    std::string line;
    bool inPrinting = false;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view text = line;
        if (number == 1 && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        text = Trim(text);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            inPrinting = text.back() == ']' &&
                         EqualsNoCase(Trim(text.substr(1, text.size() - 2)), "Printing");
            continue;
        }
        if (!inPrinting)
            continue;
        const std::size_t equals = text.find('=');
        const std::string_view key = Trim(text.substr(0, std::min(equals, text.size())));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : Trim(text.substr(equals + 1));
        const auto ignored = [&](std::string_view why) {
            platform::LogWarning("printing: {}:{}: \"{}\": {}; line ignored", file.string(),
                                 number, text, why);
        };
        if (equals == std::string_view::npos) {
            ignored("not key=value");
        } else if (EqualsNoCase(key, "Output")) {
            if (EqualsNoCase(value, "pdf")) {
                settings.toPdfFiles = true;
                settings.printerOnly = false;
            } else if (EqualsNoCase(value, "printer")) {
                settings.toPdfFiles = false;
                settings.printerOnly = true;
            } else if (EqualsNoCase(value, "auto")) {
                settings.toPdfFiles = false;
                settings.printerOnly = false;
            } else {
                ignored("Output is auto, printer or pdf");
            }
        } else if (EqualsNoCase(key, "Printer")) {
            settings.printer = std::string(value);
        } else if (EqualsNoCase(key, "Directory")) {
            if (value.empty()) {
                settings.directory.clear();
            } else {
                std::filesystem::path directory(value);
                if (directory.is_relative())
                    directory = std::filesystem::path(projectDirectory) / directory;
                settings.directory = directory.lexically_normal().string();
            }
        } else if (EqualsNoCase(key, "RetrySeconds")) {
            long seconds = 0;
            const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(),
                                                       seconds);
            if (status != std::errc{} || end != value.data() + value.size() || seconds < 1 ||
                seconds > kMaxRetrySeconds)
                ignored("RetrySeconds is a number of seconds from 1 to 86400");
            else
                settings.retryInterval = std::chrono::seconds(seconds);
        } else {
            ignored("unknown key (Output, Printer, Directory, RetrySeconds)");
        }
    }
}

} // namespace

PrintSpool::Settings PrintSpool::LoadSettings(const std::string& projectDirectory,
                                              Settings defaults) {
    Settings settings = std::move(defaults);
    settings.projectDirectory = projectDirectory;
    // Project entries first, so that the machine's own entries replace them.
    ReadPrintingSection(std::filesystem::path(projectDirectory) / "quorva.ini", projectDirectory,
                        settings);
    ReadPrintingSection(MachineConfigFile(), projectDirectory, settings);
    return settings;
}

PrintSpool::Settings PrintSpool::LoadSettings(const std::string& projectDirectory) {
    return LoadSettings(projectDirectory, Settings{});
}

} // namespace shell
