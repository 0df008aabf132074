// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the font, picture handle and window border commands.
platform::Status AddLookCommands(Implementations& implementations);

} // namespace runtime
