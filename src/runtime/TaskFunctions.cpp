// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TaskFunctions.h"

#include "engine/Scheduler.h"
#include "runtime/RuntimeLibrary.h"

namespace runtime {

namespace {

// GETTASK's answer for a name that matches no loaded unit.
constexpr std::int32_t kNoSuchTask = 4;

engine::TProgRun* FindTask(const CallFrame& frame, const ShortString& name) {
    engine::Scheduler* scheduler = frame.Subsystems().scheduler;
    return scheduler ? scheduler->FindUnit(name.View()) : nullptr;
}

void RunTask(CallFrame& frame, ShortString name, bool run) {
    if (engine::TProgRun* unit = FindTask(frame, name))
        unit->runState.store(run ? engine::RunState::Run : engine::RunState::Held);
}

std::int32_t GetTask(CallFrame& frame, ShortString name) {
    const engine::TProgRun* unit = FindTask(frame, name);
    return unit ? static_cast<std::int32_t>(unit->runState.load()) : kNoSuchTask;
}

// No lower bound: a period of 10 ms or less runs the unit on every pass.
void SetTask(CallFrame& frame, ShortString name, std::int32_t milliseconds) {
    if (engine::TProgRun* unit = FindTask(frame, name))
        unit->period.store(milliseconds);
}

// A nested call on the calling thread's engine; a fault holds the called unit only.
void CallTask(CallFrame& frame, ShortString name) {
    if (engine::TProgRun* unit = FindTask(frame, name))
        (void)frame.Subsystems().scheduler->CallUnitOnce(frame.Cpu(), *unit);
}

} // namespace

platform::Status AddTaskFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&RunTask>("RUNTASK"); !added)
        return added;
    if (auto added = implementations.Add<&GetTask>("GETTASK"); !added)
        return added;
    if (auto added = implementations.Add<&SetTask>("SETTASK"); !added)
        return added;
    return implementations.Add<&CallTask>("CALLTASK");
}

} // namespace runtime
