// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormServiceCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddFormServiceCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
