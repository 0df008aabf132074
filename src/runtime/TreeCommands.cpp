// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TreeCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddTreeCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
