// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {

// The log's own process-wide state: one level, one sink, one lock for whole lines.
struct LogState {
    std::atomic<LogLevel> level{LogLevel::Warning};
    std::mutex mutex;
    std::string programName = "rtquorva";
    log::Sink sink;
};

LogState& State() {
    static LogState state;
    return state;
}

} // namespace

std::optional<LogLevel> ParseLogLevel(std::string_view text) {
    if (text == "debug")
        return LogLevel::Debug;
    if (text == "info")
        return LogLevel::Info;
    if (text == "warning")
        return LogLevel::Warning;
    if (text == "error")
        return LogLevel::Error;
    if (text == "off")
        return LogLevel::Off;
    return std::nullopt;
}

std::string_view LogLevelName(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Info:
        return "info";
    case LogLevel::Warning:
        return "warning";
    case LogLevel::Error:
        return "error";
    case LogLevel::Off:
        return "off";
    }
    return "?";
}

namespace log {

void SetLevel(LogLevel level) { State().level = level; }
LogLevel Level() { return State().level; }

void SetProgramName(std::string name) {
    std::lock_guard lock(State().mutex);
    State().programName = std::move(name);
}

Sink SetSink(Sink sink) {
    std::lock_guard lock(State().mutex);
    Sink previous = std::move(State().sink);
    State().sink = std::move(sink);
    return previous;
}

void Write(LogLevel level, std::string_view text) {
    LogState& state = State();
    if (level < state.level || level == LogLevel::Off)
        return;
    std::lock_guard lock(state.mutex);
    if (state.sink) {
        state.sink(level, text);
        return;
    }
    std::string line = fmt::format("{}: {}: {}\n", state.programName, LogLevelName(level), text);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace log
} // namespace platform
