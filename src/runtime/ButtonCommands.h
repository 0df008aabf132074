// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the check box, button and radio commands, the text case commands and the drag, cursor and interaction commands.
platform::Status AddButtonCommands(Implementations& implementations);

} // namespace runtime
