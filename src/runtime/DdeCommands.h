// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the DDE commands.
platform::Status AddDdeCommands(Implementations& implementations);

} // namespace runtime
