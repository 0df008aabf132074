// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the list and combo box commands (ADDSTRING ... COMBOSETEDITSEL, CLEARLIST).
platform::Status AddListBoxCommands(Implementations& implementations);

} // namespace runtime
