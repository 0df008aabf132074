// Quorva run-time. Licensed under the MIT licence.
#include "runtime/UnitFunctions.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddUnitFunctions(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
