// Quorva run-time. Licensed under the MIT licence.
#include "platform/ConfigFile.h"
#include "platform/Log.h"
#include "shell/PrintSpool.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace shell {

namespace {

// The longest wait between two tries that a configuration may ask for: one day.
constexpr long kMaxRetrySeconds = 86'400;

// Applies one [Printing] entry over `settings`; a bad line is logged and skipped.
void ApplyPrintingEntry(const platform::ConfigEntry& entry, const std::string& projectDirectory,
                        PrintSpool::Settings& settings) {
    using platform::EqualsNoCase;
    const std::string_view key = entry.key;
    const std::string_view value = entry.value;
    const auto ignored = [&](std::string_view why) {
        platform::LogWarning("printing: {}:{}: \"{}\": {}; line ignored", entry.file.string(),
                             entry.line, entry.text, why);
    };
    if (!entry.hasValue) {
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
        const auto [end, status] =
            std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (status != std::errc{} || end != value.data() + value.size() || seconds < 1 ||
            seconds > kMaxRetrySeconds)
            ignored("RetrySeconds is a number of seconds from 1 to 86400");
        else
            settings.retryInterval = std::chrono::seconds(seconds);
    } else {
        ignored("unknown key (Output, Printer, Directory, RetrySeconds)");
    }
}

} // namespace

PrintSpool::Settings PrintSpool::LoadSettings(const std::string& projectDirectory,
                                              Settings defaults) {
    Settings settings = std::move(defaults);
    settings.projectDirectory = projectDirectory;
    // Project entries first, so that the machine's own entries replace them.
    for (const platform::ConfigEntry& entry :
         platform::ReadConfigSections(projectDirectory, "Printing", "printing"))
        ApplyPrintingEntry(entry, projectDirectory, settings);
    return settings;
}

PrintSpool::Settings PrintSpool::LoadSettings(const std::string& projectDirectory) {
    return LoadSettings(projectDirectory, Settings{});
}

} // namespace shell
