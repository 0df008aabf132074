// Quorva run-time. Licensed under the MIT licence.
#include "runtime/LookCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddLookCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
