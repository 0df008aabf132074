// Quorva run-time. Licensed under the MIT licence.
#include "runtime/AlarmFunctions.h"

#include "alarms/AlarmManager.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ShortString.h"
#include "screens/ScreenGlobals.h"

#include <limits>

namespace runtime {

namespace {

// The run's alarm manager: made before unit code runs and gone after it, so either thread may
// reach it; the history and the outputs switch it offers are safe from both. None in a run
// without one (a test's): the functions then answer as an empty history.
alarms::AlarmManager* Manager() {
    return dynamic_cast<alarms::AlarmManager*>(screens::Globals().alarms);
}

std::int32_t Clamp(std::size_t count) {
    constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(count < kMax ? count : kMax);
}

// Line `Index` of the history, newest first from 0; empty outside it. Cut to 255 characters.
ShortString GetHistoryLine(std::int32_t index) {
    alarms::AlarmManager* manager = Manager();
    return manager ? ShortString(manager->HistoryLine(index)) : ShortString();
}

std::int32_t HistoryCount() {
    alarms::AlarmManager* manager = Manager();
    return manager ? Clamp(manager->HistoryCount()) : 0;
}

// Keeps the newest `kept` lines; the number left.
std::int32_t KeepHistory(std::int32_t kept) {
    alarms::AlarmManager* manager = Manager();
    return manager ? Clamp(manager->TrimHistory(kept)) : 0;
}

// The switch of the log, e-mail, serial printer and speaker outputs.
void StoreInDatabase(bool store) {
    if (alarms::AlarmManager* manager = Manager())
        manager->SetAlarmOutputs(store);
}

} // namespace

platform::Status AddAlarmFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&GetHistoryLine>("TASK_GETHISTOALA"); !added)
        return added;
    if (auto added = implementations.Add<&HistoryCount>("TASK_NB_HISTOALARMS"); !added)
        return added;
    if (auto added = implementations.Add<&KeepHistory>("TASK_KEEPHISTOALA"); !added)
        return added;
    return implementations.Add<&StoreInDatabase>("TASK_DB_ALARM");
}

} // namespace runtime
