// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DdeCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddDdeCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
