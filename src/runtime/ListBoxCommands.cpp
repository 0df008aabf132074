// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListBoxCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddListBoxCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
