// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TextFileFunctions.h"

#include "runtime/RuntimeLibrary.h"

namespace runtime {

platform::Status AddTextFileFunctions(Implementations& implementations)
{
    (void)implementations;
    return {};
}

} // namespace runtime
