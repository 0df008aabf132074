// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the program unit functions QRLOAD and QRUNLOAD.
platform::Status AddUnitFunctions(Implementations& implementations);

} // namespace runtime
