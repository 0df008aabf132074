// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <fmt/format.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class LogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3, Off = 4 };

std::optional<LogLevel> ParseLogLevel(std::string_view text);
std::string_view LogLevelName(LogLevel level);

// The process log. Lines go to standard error ("rtquorva: warning: text") unless a sink is
// installed (tests capture lines that way). Any thread may log; lines are never interleaved.
namespace log {

using Sink = std::function<void(LogLevel, std::string_view)>;

void SetLevel(LogLevel level);
LogLevel Level();
void SetProgramName(std::string name);
// Installs a sink that receives every line at or above the level; an empty sink restores
// standard error. Returns the sink it replaces.
Sink SetSink(Sink sink);
void Write(LogLevel level, std::string_view text);
inline bool Enabled(LogLevel level) { return level >= Level(); }

} // namespace log

template <typename... Args> void LogDebug(fmt::format_string<Args...> format, Args&&... args) {
    if (log::Enabled(LogLevel::Debug))
        log::Write(LogLevel::Debug, fmt::format(format, std::forward<Args>(args)...));
}
template <typename... Args> void LogInfo(fmt::format_string<Args...> format, Args&&... args) {
    if (log::Enabled(LogLevel::Info))
        log::Write(LogLevel::Info, fmt::format(format, std::forward<Args>(args)...));
}
template <typename... Args> void LogWarning(fmt::format_string<Args...> format, Args&&... args) {
    if (log::Enabled(LogLevel::Warning))
        log::Write(LogLevel::Warning, fmt::format(format, std::forward<Args>(args)...));
}
template <typename... Args> void LogError(fmt::format_string<Args...> format, Args&&... args) {
    if (log::Enabled(LogLevel::Error))
        log::Write(LogLevel::Error, fmt::format(format, std::forward<Args>(args)...));
}

} // namespace platform
