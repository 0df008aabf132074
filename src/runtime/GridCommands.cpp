// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GridCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddGridCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
