// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the functions on variables by name, the project directory and resources, and the language (GETQRUVALUE, GETVARLEN, EXTRACTRES, SETLANGUAGE, TRANSLATE ...).
platform::Status AddVariableFunctions(Implementations& implementations);

} // namespace runtime
