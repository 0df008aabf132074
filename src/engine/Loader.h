// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/FunctionCollection.h"
#include "engine/ProgramRecords.h"
#include "engine/QruModule.h"
#include "engine/VariableCollection.h"
#include "platform/GuestMemory.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace platform {
class CpuEngine;
}
namespace shell {
class MessagePresenter;
class ProjectPackage;
} // namespace shell

namespace engine {

// Binds the DLL entries that units declare. Implemented by the run-time's table of
// operating-system entries. Called by the loader on the GUI thread.
class ExternalResolver {
public:
    virtual ~ExternalResolver() = default;
    // The guest address to store in the entry cell of `entry` of `dll`, or nullopt. On failure,
    // and only while `loadError` is empty, sets it to "<dll> Not Found [<reason>]" when the
    // library is not offered or "<entry> Not Found" when the entry is not.
    virtual std::optional<platform::GuestAddress>
    Resolve(std::string_view dll, std::string_view entry, std::string& loadError) = 0;
};

// Writes the debug map of a unit while it loads (a debug session only). Begin opens the map of
// one unit, AddVariable adds one line per variable record, End closes it.
class DebugMapWriter {
public:
    virtual ~DebugMapWriter() = default;
    virtual void Begin(std::string_view unitPath, platform::GuestAddress codeBase) = 0;
    virtual void AddVariable(const QruVariable& variable, platform::GuestAddress address) = 0;
    virtual void End() = 0;
};

// A DebugMapWriter over a map type offering `static std::optional<Map> Begin(path, codeBase)`,
// `AddVariable(variable, address)` and closing in its destructor.
template <typename Map> class DebugMapAdapter final : public DebugMapWriter {
public:
    void Begin(std::string_view unitPath, platform::GuestAddress codeBase) override {
        m_map.reset();
        m_map = Map::Begin(unitPath, codeBase);
    }
    void AddVariable(const QruVariable& variable, platform::GuestAddress address) override {
        if (m_map)
            m_map->AddVariable(variable, address);
    }
    void End() override { m_map.reset(); }

private:
    std::optional<Map> m_map;
};

// What the loader works with. Everything referenced must outlive the loader.
struct LoaderContext {
    platform::GuestMemory& memory;
    FunctionCollection& functions;
    VariableCollection& variables;
    ProgramList& programs;
    ScanGate& scanGate;
    const shell::ProjectPackage& package;
    shell::MessagePresenter& presenter;
    // The CPU engine of the calling thread, used for init, main and exit entries; null when the
    // thread has none (the entry is then not run and the unit is held).
    std::function<platform::CpuEngine*()> cpu;
    // The Boolean cell of the system variable END_PROG (set during the final scan of a unit).
    platform::GuestAddress endProgramCell = 0;
    ExternalResolver* externals = nullptr;         // null: every DLL is reported as not found
    DebugMapWriter* debugMap = nullptr;            // null: no debug maps
    std::function<std::string()> projectDirectory; // host paths; empty functions: current dir
    std::function<std::string()> modulesDirectory;
};

// The unit loader and linker: places units in guest memory, links them against the run-time's
// and each other's names, registers their exports, starts them, and unloads and reloads them.
//
// Contract: owned by the composition root. Every method runs on the GUI thread (start-up, the
// editor link, screen commands); the scheduler runs units on the scan thread, and the loader
// changes units, `Programs` and `CyclicPrograms` only while scheduling is paused through the
// ScanGate (a load nested in another leaves the pause to the outer one).
//
// Memory: a unit gets one heap block: its data area (zero-filled), then its code starting on a
// fresh 4 KiB page and padded to a page end, so that no data shares a page with translated code
// (stores to such a page would take the emulator's slow path). "MVARGLOB" keeps its data in the
// shared global block from the block's second byte on; only its code gets a heap block.
class Loader {
public:
    explicit Loader(LoaderContext context);
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Loads the unit module at `path` (a project path: directory, name, extension) with the units
    // it uses. The outcome is LoadError(): empty on success.
    void LoadUnit(std::string_view path);
    // Stops and frees the unit `name` and every unit that uses it; the unit's former index in
    // Programs, or -1 when it was not loaded.
    std::int32_t UnloadUnit(std::string_view name);
    void UnloadAllUnits();
    // Unloads everything, then loads `prefix + name + ".Qru"` and every cyclic unit that was
    // loaded. Stops at the first load that fails (its error stays in LoadError()).
    void ReloadUnits(std::string_view prefix, std::string_view name);

    TProgRun* FindProgram(std::string_view name) const;
    const ProgramList& Programs() const { return m_context.programs; }
    std::int32_t FindProgramIndex(std::string_view name) const;
    // The stamp of the module `path` as the package (else the disk) holds it; 0 when it cannot
    // be opened or is not a module.
    double ReadUnitStamp(std::string_view path) const;
    // Writes the attached files of the module `modulePath` (a host path) into `directory` (a host
    // path); returns how many were written. Names with a directory part are refused and logged.
    std::size_t ExtractAttachments(const std::string& modulePath, const std::string& directory);

    // True while a load or an unload is under way: unit code it runs (init, exit, final scan, a
    // library's main entry) must not start another one.
    bool Busy() const { return !m_loading.empty() || !m_unloading.empty(); }

    const std::string& LoadError() const { return m_loadError; }
    const std::string& CurrentUnitName() const { return m_currentUnitName; }

    bool StandaloneRun() const { return m_standaloneRun; }
    void SetStandaloneRun(bool on) { m_standaloneRun = on; }
    bool DebugSession() const { return m_debugSession; }
    void SetDebugSession(bool on) { m_debugSession = on; }

    // The largest data area "MVARGLOB" may have: the shared block less its first byte.
    static constexpr std::int32_t kGlobalDataLimit = 399999;
    static constexpr std::size_t kLoadErrorLimit = 255;

private:
    // Where one unit's parts went while it loads.
    struct Placement {
        platform::GuestAddress block = 0; // heap block to free (0: none)
        platform::GuestAddress dataBase = 0;
        platform::GuestAddress codeBase = 0;
        platform::GuestAddress cellsBase = 0;
        std::map<std::string, platform::GuestAddress> localVariables; // exact names
        std::map<std::string, platform::GuestAddress> localFunctions; // upper-cased names
    };
    enum class LoadOutcome { Done, Reload };
    enum class UsesOutcome { Loaded, Failed, Reload };

    LoadOutcome LoadModule(std::string_view path, std::string& reloadPrefix,
                           std::string& reloadName);
    LoadOutcome PlaceAndLink(const QruModule& module, const std::string& directory,
                             const std::string& name);
    bool AllocateMemory(const QruModule& module, const std::string& name, Placement& placement);
    void PlaceVariables(const QruModule& module, const std::string& name, Placement& placement);
    void PlaceFunctions(const QruModule& module, const std::string& name, Placement& placement);
    UsesOutcome LoadUses(const QruModule& module, const std::string& directory,
                         const std::string& name);
    void LinkCode(const QruModule& module, const Placement& placement);
    void StartUnit(const QruModule& module, const std::string& name, const Placement& placement);
    void DiscardFailedUnit(const std::string& name, const Placement& placement);
    void ApplyInitialValue(const QruVariable& variable, platform::GuestAddress address);
    void ExtractAttachmentsFor(const std::string& directory, const std::string& name);
    std::int32_t Unload(std::string_view name);
    bool CallEntry(std::string_view unit, std::string_view what, platform::GuestAddress entry);
    void SetLoadError(std::string text);
    // Pauses scheduling when it runs and is not paused yet; true when this call paused it.
    bool PauseIfRunning();

    LoaderContext m_context;
    std::string m_loadError;
    std::string m_currentUnitName;
    bool m_standaloneRun = true;
    bool m_debugSession = false;
    std::set<std::string> m_loading;   // units whose load is in progress (cyclic uses)
    std::set<std::string> m_unloading; // units whose unload is in progress
};

} // namespace engine
