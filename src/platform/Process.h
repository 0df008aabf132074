// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>

namespace platform {

// The full path of the running executable ("/proc/self/exe" resolved); empty when unknown.
std::string ExecutablePath();

// True when a tracer (a debugger) is attached to this process.
bool DebuggerAttached();

} // namespace platform
