// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ProfilerFunctions.h"

#include "shell/EditorCommands.h"

namespace runtime {

namespace {

// The time in microseconds as a Single; 0 while the profiler is off.
float GetChrono(CallFrame& frame) {
    shell::EditorCommands* editor = frame.Subsystems().editor;
    return editor ? static_cast<float>(editor->ProfilerNow()) : 0.0f;
}

// Records (name, time) in the profiler list; a time of 0 takes the interval since the last
// GETCHRONO. False while the profiler is off.
bool ProfilerAdd(CallFrame& frame, ShortString name, std::int32_t cycleTime) {
    shell::EditorCommands* editor = frame.Subsystems().editor;
    return editor && editor->ProfilerRecord(name.View(), cycleTime);
}

} // namespace

platform::Status AddProfilerFunctions(Implementations& implementations) {
    if (platform::Status added = implementations.Add<&GetChrono>("GETCHRONO"); !added)
        return added;
    return implementations.Add<&ProfilerAdd>("PROFILERADD");
}

} // namespace runtime
