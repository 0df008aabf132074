// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the image list and tree view commands (X..., TREE...).
platform::Status AddTreeCommands(Implementations& implementations);

} // namespace runtime
