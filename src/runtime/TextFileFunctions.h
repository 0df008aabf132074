// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the text file and file functions (FILETEXTOPEN ... CLEARBLANK).
platform::Status AddTextFileFunctions(Implementations& implementations);

} // namespace runtime
