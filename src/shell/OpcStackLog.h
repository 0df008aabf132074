// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <open62541/plugin/log.h>

namespace shell {

// A logger for the OPC UA stack that writes to the process log: warnings and errors as
// warnings, everything else as debug lines, so the stack never prints on its own. It holds no
// state; the stack may use it from any thread and never frees it (its clear is empty).
UA_Logger* OpcStackLogger();

// While one lives, the stack's warnings on this thread are logged at debug level: tries to
// reach a server that is down would otherwise warn on every try.
class OpcStackLogDemotion {
public:
    OpcStackLogDemotion();
    ~OpcStackLogDemotion();
    OpcStackLogDemotion(const OpcStackLogDemotion&) = delete;
    OpcStackLogDemotion& operator=(const OpcStackLogDemotion&) = delete;

private:
    bool m_previous;
};

} // namespace shell
