// Quorva run-time. Licensed under the MIT licence.
#include "runtime/DateFunctions.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddDateFunctions(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
