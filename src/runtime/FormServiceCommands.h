// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the form bounds and the miscellaneous window commands (FORMSETBOUNDS, STRINGWIDTH, POPUPMENUCREATE ...).
platform::Status AddFormServiceCommands(Implementations& implementations);

} // namespace runtime
