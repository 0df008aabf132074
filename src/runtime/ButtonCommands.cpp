// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ButtonCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddButtonCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
