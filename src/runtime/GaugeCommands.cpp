// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GaugeCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddGaugeCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
