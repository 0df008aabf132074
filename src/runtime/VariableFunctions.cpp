// Quorva run-time. Licensed under the MIT licence.
#include "runtime/VariableFunctions.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddVariableFunctions(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
