// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the slider, track bar and up-down commands.
platform::Status AddGaugeCommands(Implementations& implementations);

} // namespace runtime
