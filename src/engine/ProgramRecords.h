// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GuestMemory.h"

namespace engine {

// Run state of a loaded unit.
enum class RunState : std::uint8_t { Run = 0, Held = 1, Debug = 2 };

// One loaded unit. Made by the loader when a load succeeds and owned by `ProgramList` until
// the unit is unloaded. The loader fills the fixed fields before the unit is published; the
// scheduler (scan thread) and the editor link, task functions and loader (GUI thread) then
// share the fields below that are atomic; the scheduler alone touches the bookkeeping fields
// while scheduling is not paused.
struct TProgRun {
    std::string name;                         // upper case, no directory, no extension
    double stamp = 0;                         // header stamp of the module
    std::optional<platform::GuestAddress> initEntry;
    std::optional<platform::GuestAddress> mainEntry;
    std::optional<platform::GuestAddress> exitEntry;
    platform::GuestAddress codeBase = 0;      // 0 for a unit without code
    std::int32_t codeSize = 0;
    platform::GuestAddress dataBase = 0;
    std::int32_t dataSize = 0;
    platform::GuestAddress block = 0;         // the allocation to free (0: none of its own)
    std::vector<std::string> uses;            // upper case
    bool nonCyclic = false;                   // a library unit: never scheduled
    std::uint8_t spareFlag = 0;

    std::atomic<RunState> runState{RunState::Run};
    std::atomic<std::int32_t> period{10};     // milliseconds, counted in 10 ms passes
    std::atomic<std::int32_t> elapsed{0};     // microseconds in the last pass (profiler)

    // Scheduler bookkeeping.
    std::int32_t counter = 0;
    std::atomic<bool> firstScan{true};
    bool pending100ms = false;
    bool inScan = false;
};

// The loaded units in load order (`Programs`) and the cyclic ones the scheduler runs, in the
// order they were added (`CyclicPrograms`). Owned by the loader, which changes it only on the
// GUI thread while scheduling is paused; the scheduler reads it on the scan thread between.
class ProgramList {
public:
    std::vector<std::unique_ptr<TProgRun>>& Programs() { return m_programs; }
    const std::vector<std::unique_ptr<TProgRun>>& Programs() const { return m_programs; }
    std::vector<TProgRun*>& Cyclic() { return m_cyclic; }
    const std::vector<TProgRun*>& Cyclic() const { return m_cyclic; }

    // The unit named by `name` in any path form ("C:\dir\Pump.qru" finds PUMP): the file name
    // cut before its first ".", upper-cased, compared from the newest unit to the oldest.
    TProgRun* FindProgram(std::string_view name) const;
    std::int32_t FindProgramIndex(std::string_view name) const;

    // The unit name a path stands for: file name, cut before the first ".", upper case.
    static std::string UnitNameOf(std::string_view path);

private:
    std::vector<std::unique_ptr<TProgRun>> m_programs;
    std::vector<TProgRun*> m_cyclic;
};

// The pause/resume handshake of the scheduler, as the loader uses it. Implemented by the
// scheduler; called on the GUI thread.
class ScanGate {
public:
    virtual ~ScanGate() = default;
    virtual bool ScanEnabled() const = 0;
    virtual bool ScanPaused() const = 0;
    // Sets the pause flag, then waits until no pass is running units.
    virtual void PauseScan() = 0;
    // Enables scheduling and clears the pause flag.
    virtual void ResumeScan() = 0;
    // Reads the enabled flag, waits until no pass is running units, returns the flag read.
    virtual bool WaitScanIdle() = 0;
};

} // namespace engine
