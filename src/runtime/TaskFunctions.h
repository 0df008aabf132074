// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

namespace runtime {

class Implementations;

// Binds the task-control functions RUNTASK, GETTASK, SETTASK and CALLTASK. They act on the
// unit a task name stands for (any path form, as FindProgram reduces it) through
// `Services::scheduler`; without a scheduler they do nothing and GETTASK answers 4, as for a
// unit that is not loaded. They run on the thread of the calling unit code.
platform::Status AddTaskFunctions(Implementations& implementations);

} // namespace runtime
