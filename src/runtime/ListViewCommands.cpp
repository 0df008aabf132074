// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListViewCommands.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddListViewCommands(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
