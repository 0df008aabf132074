// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the list view and check list commands (LV..., CHECKLIST...).
platform::Status AddListViewCommands(Implementations& implementations);

} // namespace runtime
