// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcStackLog.h"

#include "platform/Log.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

namespace shell {
namespace {

thread_local bool t_opcStackDemoted = false;

// Warnings the stack gives on paths this system takes on purpose: publish requests answered
// after the subscription was deleted, endpoints named by another host name than the one
// dialled, the ApplicationURI check that does not apply to unsecured channels.
bool OpcStackLineIsRoutine(std::string_view line) {
    for (std::string_view routine : {"Received BadNoSubscription",
                                     "The server returned Endpoints with a different EndpointUrl",
                                     "skip verifying ApplicationURI",
                                     "Received Publish Response for a non-existant subscription"}) {
        if (line.starts_with(routine))
            return true;
    }
    return false;
}

void OpcStackLogLine(void*, UA_LogLevel level, UA_LogCategory, const char* message, va_list args) {
    platform::LogLevel ours =
        level >= UA_LOGLEVEL_WARNING ? platform::LogLevel::Warning : platform::LogLevel::Debug;
    if (!platform::log::Enabled(ours) && !platform::log::Enabled(platform::LogLevel::Debug))
        return;
    char line[512];
    const int length = std::vsnprintf(line, sizeof line, message, args);
    if (length < 0)
        return;
    if (ours == platform::LogLevel::Warning && (t_opcStackDemoted || OpcStackLineIsRoutine(line)))
        ours = platform::LogLevel::Debug;
    if (ours == platform::LogLevel::Warning)
        platform::LogWarning("OPC UA stack: {}", line);
    else
        platform::LogDebug("OPC UA stack: {}", line);
}

// Never changed after start-up; the stack wants a non-const pointer.
UA_Logger s_opcStackLogger{OpcStackLogLine, nullptr, nullptr};

} // namespace

UA_Logger* OpcStackLogger() {
    return &s_opcStackLogger;
}

OpcStackLogDemotion::OpcStackLogDemotion() : m_previous(t_opcStackDemoted) {
    t_opcStackDemoted = true;
}

OpcStackLogDemotion::~OpcStackLogDemotion() {
    t_opcStackDemoted = m_previous;
}

} // namespace shell
