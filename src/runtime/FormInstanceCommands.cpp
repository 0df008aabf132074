// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormInstanceCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddFormInstanceCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
