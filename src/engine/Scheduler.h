// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/ProgramRecords.h"
#include "platform/Clock.h"
#include "platform/CpuEngine.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <thread>

namespace engine {

// Host cells of the four system variables a pass drives (the runtime's SystemVariables cells
// for BT_10, BT_100, START_PROG and END_PROG). BT_10 and BT_100 are 32-bit integers, START_PROG
// and END_PROG one-byte Booleans. A null cell is left alone (a scheduler without it still runs).
struct ScanVariables {
    std::byte* bt10 = nullptr;
    std::byte* bt100 = nullptr;
    std::byte* startProg = nullptr;
    std::byte* endProg = nullptr;
};

// The cyclic scheduler: one pass (`RunScan`) advances every cyclic unit's counter by 10 ms and
// calls its main entry when the counter reaches its period, drives BT_10, BT_100, START_PROG and
// END_PROG, times each unit for the profiler and makes the final pass of the stop sequence. It
// also offers the pause/resume handshake the loader uses.
//
// Ownership: the program list, the variable cells and the clock belong to the caller and must
// outlive the scheduler.
//
// Threads: `RunScan` runs on the scan thread (and once more on the GUI thread for the final pass
// while the scan thread holds still); at most one pass runs at a time: a pass started while
// another runs returns at once. `StopScan`, `PauseScan`, `ResumeScan`, `WaitScanIdle` and
// `MarkFirstScan` are for the GUI thread. `FindUnit`, `CallUnitOnce` and `HoldFaultedUnit` serve
// the task functions on whichever thread runs the calling unit code. The flags are seq_cst
// atomics and the pass sets its busy flag before it tests the pause flag, so that once
// `PauseScan` returns no pass runs units until `ResumeScan`.
class Scheduler final : public ScanGate {
public:
    // Called on the thread that ran the unit, after the unit was held and the fault logged.
    using HoldHandler = std::function<void(std::string_view unitName, std::string_view fault)>;

    Scheduler(ProgramList& programs, const ScanVariables& cells, const platform::Clock& clock);
    ~Scheduler() override = default;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Set before the scan thread starts (the composition root shows the error box with it).
    void SetHoldHandler(HoldHandler handler) { m_onHold = std::move(handler); }

    // One pass. `cpu` is the engine of the calling thread. No allocation, no name lookup.
    void RunScan(platform::CpuEngine& cpu);

    // Runs `work` under the same handshake as a pass (the editor-command poll reads the units):
    // never while a load or unload has scheduling paused, never beside a pass. False, and
    // `work` not run, when either holds now. Scan thread, or GUI thread before it exists.
    bool RunBesideUnits(const std::function<void()>& work);
    // Clears the enabled flag and waits until no pass is running units; the next pass is the
    // final one (END_PROG = 1), later passes only re-arm the first-scan flags.
    void StopScan();
    // Both do nothing when called from inside a pass (unit code of the pass): that pass is what
    // a pause would wait for, and it keeps other passes and loads out already.
    void PauseScan() override;
    void ResumeScan() override;
    bool WaitScanIdle() override;
    bool ScanEnabled() const override { return m_enabled.load(); }
    bool ScanPaused() const override { return m_paused.load(); }
    // Unless paused, sets the first-scan flag of every loaded unit (newest to oldest).
    void MarkFirstScan();
    // Microseconds of the scheduler's clock.
    std::int64_t MicroClock() const { return m_clock.Microseconds(); }

    // The loaded unit a task name stands for (any path form), or null.
    TProgRun* FindUnit(std::string_view taskName) const { return m_programs.FindProgram(taskName); }
    // The loaded unit whose code area holds `address`, or null (DISPATCHMES checks a procedure
    // address with it before calling).
    TProgRun* UnitOfCode(platform::GuestAddress address) const {
        for (const auto& unit : m_programs.Programs()) {
            if (unit->codeSize > 0 && address >= unit->codeBase &&
                address - unit->codeBase < static_cast<std::uint32_t>(unit->codeSize))
                return unit.get();
        }
        return nullptr;
    }
    // Calls the unit's main entry once on `cpu` (nested when called from unit code), touching no
    // flag or counter; a fault holds the unit. False when the unit has no main entry or faulted.
    bool CallUnitOnce(platform::CpuEngine& cpu, TProgRun& unit);
    // Holds the unit (run state 1), logs "unit NAME held: FAULT" and tells the hold handler.
    void HoldFaultedUnit(TProgRun& unit, std::string_view fault);

    // The 100 ms pulse bookkeeping, for diagnostics; read it only while no pass runs.
    std::int32_t Carry100ms() const { return m_carry100ms; }

private:
    void WaitWhileBusy() const;
    bool OnPassThread() const;
    void WriteInteger(std::byte* cell, std::int32_t value) const;
    std::int32_t ReadInteger(const std::byte* cell) const;
    void WriteBoolean(std::byte* cell, bool value) const;
    bool ReadBoolean(const std::byte* cell) const;

    ProgramList& m_programs;
    ScanVariables m_cells;
    const platform::Clock& m_clock;
    HoldHandler m_onHold;

    std::atomic<bool> m_enabled{true};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_busy{false};
    std::atomic<std::thread::id> m_passThread{};

    // Touched only by the pass that holds the busy flag.
    bool m_stopLatch = false;
    std::uint32_t m_lastTick = 0;
    std::uint32_t m_last100msTick = 0;
    std::int32_t m_carry100ms = 0;
};

} // namespace engine
