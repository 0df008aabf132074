// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

platform::Status AddAlarmFunctions(Implementations& implementations);

} // namespace runtime
