// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ActiveXCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddActiveXCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
