// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the grid commands (CUSTOMGRID, G...).
platform::Status AddGridCommands(Implementations& implementations);

} // namespace runtime
