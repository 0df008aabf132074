// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds DISPLAYEX, DUPLICATEFORM, WINMESS, GETPALETTECOLOR and FIRSTCOLORS.
platform::Status AddFormInstanceCommands(Implementations& implementations);

} // namespace runtime
