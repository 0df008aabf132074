// Quorva run-time. Licensed under the MIT licence.
#include "runtime/UnitFunctions.h"

#include "engine/Loader.h"
#include "engine/Scheduler.h"
#include "engine/UnitUnloading.h"
#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/ScreenGlobals.h"

#include <fmt/format.h>
#include <mutex>
#include <string>

namespace runtime {

namespace {

// The global-variable unit: every unit and every screen links to its names.
constexpr std::string_view kGlobalUnitName = "MVARGLOB";

// Logs why a request was refused or failed. Unit code that asks on every scan would repeat the
// same line a hundred times a second: a line equal to the one logged last is left out.
void LogRefusal(const std::string& text) {
    static std::mutex mutex;
    static std::string last;
    {
        std::lock_guard lock(mutex);
        if (text == last)
            return;
        last = text;
    }
    platform::LogWarning("{}", text);
}

// Pauses the scan for the length of a load or unload asked for by unit code, as the loader does:
// on the GUI thread it waits for the pass in progress; from inside a pass (the scan thread's unit
// code) the scheduler does not wait for itself, and that pass already keeps loads out.
class ScanPauseScope {
public:
    explicit ScanPauseScope(engine::Scheduler* scheduler) : m_scheduler(scheduler) {
        if (m_scheduler && m_scheduler->ScanEnabled() && !m_scheduler->ScanPaused()) {
            m_scheduler->PauseScan();
            m_paused = true;
        }
    }
    ~ScanPauseScope() {
        if (m_paused)
            m_scheduler->ResumeScan();
    }
    ScanPauseScope(const ScanPauseScope&) = delete;
    ScanPauseScope& operator=(const ScanPauseScope&) = delete;

private:
    engine::Scheduler* m_scheduler;
    bool m_paused = false;
};

// The screen whose automatic unit `unitName` is (the GUI cycle calls its main entry by address),
// or empty. The records' unit names never change once registered.
std::string ScreenHolding(const std::string& unitName) {
    std::string screen;
    screens::Globals().screenUnits.ForEach([&](screens::ScreenUnitRecord& record) {
        if (screen.empty() && engine::ProgramList::UnitNameOf(record.unitName) == unitName)
            screen = record.name;
    });
    return screen;
}

// Why the units in `going` may not go now (status 0 when nothing stands against it): one of them
// made the current call or is one of its callers, a screen runs it, or a unit that stays is
// linked to it.
struct Objection {
    std::int32_t status = kUnitUnloaded;
    std::string reason;
};

Objection ObjectTo(const CallFrame& frame, const engine::ProgramList& programs,
                   const std::set<std::string>& going) {
    const std::optional<std::set<std::string>> chain =
        engine::UnitsOnCallChain(frame.Cpu(), frame.Memory(), programs);
    if (!chain)
        return {kUnitRunningThisCall, "the calling code's stack cannot be read"};
    for (const std::string& name : going) {
        if (chain->count(name) != 0)
            return {kUnitRunningThisCall, "unit " + name + " is running this call"};
    }
    for (const std::string& name : going) {
        if (const std::string screen = ScreenHolding(name); !screen.empty())
            return {kUnitHeldByScreen,
                    "unit " + name + " is the automatic unit of screen " + screen};
    }
    for (const std::string& name : going) {
        if (name == kGlobalUnitName)
            return {kUnitStillLinked, "unit " + name + " holds the global variables"};
        const engine::TProgRun* unit = programs.FindProgram(name);
        if (unit == nullptr)
            continue;
        if (const std::string user = engine::UnitLinkedTo(programs, frame.Memory(), *unit, going);
            !user.empty())
            return {kUnitStillLinked, "unit " + user + " is linked to unit " + name};
    }
    return {};
}

// The path a unit name stands for: as given, with ".QRU" added when its file name has no
// extension; surrounding blanks dropped.
std::string UnitPath(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::string path(text);
    const std::size_t separator = path.find_last_of("\\/");
    const std::size_t fileStart = separator == std::string::npos ? 0 : separator + 1;
    if (fileStart < path.size() && path.find('.', fileStart) == std::string::npos)
        path += ".QRU";
    return path;
}

void QrLoad(CallFrame& frame, ShortString name) {
    engine::Loader* loader = frame.Subsystems().loader;
    const std::string path = UnitPath(name.View());
    if (loader == nullptr || path.empty() || path.back() == '\\' || path.back() == '/') {
        LogRefusal(fmt::format("QRLOAD \"{}\": {}", name.View(),
                               loader ? "no unit name given" : "no loader in this run-time"));
        return;
    }
    ScanPauseScope pause(frame.Subsystems().scheduler);
    if (loader->Busy()) {
        LogRefusal(fmt::format("QRLOAD {} refused: asked while another load or unload runs", path));
        return;
    }
    const engine::LoadImpact impact =
        engine::PredictLoad(*loader, loader->Programs(), frame.Subsystems().package, path);
    if (!impact.unloaded.empty()) {
        const Objection objection = ObjectTo(frame, loader->Programs(), impact.unloaded);
        if (objection.status != kUnitUnloaded) {
            LogRefusal(fmt::format("QRLOAD {} refused: it would unload loaded units and {}", path,
                                   objection.reason));
            return;
        }
    }
    loader->LoadUnit(path);
    if (!loader->LoadError().empty())
        LogRefusal(fmt::format("QRLOAD {} failed: {}", path, loader->LoadError()));
}

std::int32_t QrUnload(CallFrame& frame, ShortString name) {
    engine::Loader* loader = frame.Subsystems().loader;
    if (loader == nullptr)
        return kUnitNotLoaded;
    ScanPauseScope pause(frame.Subsystems().scheduler);
    if (loader->Busy()) {
        LogRefusal(fmt::format("QRUNLOAD {} refused: asked while another load or unload runs",
                               name.View()));
        return kUnitLoaderBusy;
    }
    const engine::TProgRun* unit = loader->FindProgram(UnitPath(name.View()));
    if (unit == nullptr)
        return kUnitNotLoaded;
    const std::string unitName = unit->name;
    const Objection objection = ObjectTo(frame, loader->Programs(), {unitName});
    if (objection.status != kUnitUnloaded) {
        LogRefusal(fmt::format("QRUNLOAD {} refused: {}", unitName, objection.reason));
        return objection.status;
    }
    loader->UnloadUnit(unitName);
    return kUnitUnloaded;
}

} // namespace

platform::Status AddUnitFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&QrLoad>("QRLOAD"); !added)
        return added;
    return implementations.Add<&QrUnload>("QRUNLOAD");
}

} // namespace runtime
