// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the date, time and number format functions (STRTODATETIME ... FORMATFLOAT).
platform::Status AddDateFunctions(Implementations& implementations);

} // namespace runtime
