// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/RuntimeLibrary.h"

namespace runtime {

// GETCHRONO and PROFILERADD: the measuring points that unit code gives the editor's profiler,
// through the editor-command poll's named-value list.
platform::Status AddProfilerFunctions(Implementations& implementations);

} // namespace runtime
