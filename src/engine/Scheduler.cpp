// Quorva run-time. Licensed under the MIT licence.
#include "engine/Scheduler.h"

#include "platform/Log.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace engine {

namespace {

constexpr std::int32_t kPassMilliseconds = 10;
constexpr std::int64_t kPulseMilliseconds = 100;
// A longer gap between pulses counts as one pulse only; a shorter one is carried over.
constexpr std::int64_t kLongestCarriedGap = 150;

// Clears the busy flag on every way out of a pass.
class BusyGuard {
public:
    BusyGuard(std::atomic<bool>& busy, std::atomic<std::thread::id>& owner)
        : m_busy(busy), m_owner(owner) {}
    ~BusyGuard() {
        m_owner.store(std::thread::id{});
        m_busy.store(false);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    std::atomic<bool>& m_busy;
    std::atomic<std::thread::id>& m_owner;
};

} // namespace

Scheduler::Scheduler(ProgramList& programs, const ScanVariables& cells,
                     const platform::Clock& clock)
    : m_programs(programs), m_cells(cells), m_clock(clock) {}

bool Scheduler::RunBesideUnits(const std::function<void()>& work) {
    if (m_busy.exchange(true))
        return false;
    m_passThread.store(std::this_thread::get_id());
    BusyGuard guard(m_busy, m_passThread);
    if (m_paused.load())
        return false;
    work();
    return true;
}

void Scheduler::RunScan(platform::CpuEngine& cpu) {
    // Busy first, then the pause test: a pause request is either seen here or waits for us.
    if (m_busy.exchange(true))
        return; // another thread's pass is running
    m_passThread.store(std::this_thread::get_id());
    BusyGuard guard(m_busy, m_passThread);
    if (m_paused.load())
        return;
    std::vector<TProgRun*>& cyclic = m_programs.Cyclic();
    if (cyclic.empty())
        return;

    WriteInteger(m_cells.bt100, 0);
    WriteInteger(m_cells.bt10, 0);
    bool pulse = false;
    const std::uint32_t tick = m_clock.TickCount();
    if (tick != m_lastTick) {
        WriteInteger(m_cells.bt10, 1);
        m_lastTick = tick;
        // The tick wraps like a 32-bit count: the signed difference is the gap.
        const std::int64_t sinceLastPulse =
            std::llabs(std::int64_t{static_cast<std::int32_t>(tick - m_last100msTick)});
        if (sinceLastPulse >= kPulseMilliseconds || m_carry100ms >= kPulseMilliseconds) {
            const std::int64_t counted =
                sinceLastPulse > kLongestCarriedGap ? kPulseMilliseconds : sinceLastPulse;
            m_carry100ms += static_cast<std::int32_t>(counted - kPulseMilliseconds);
            m_last100msTick = tick;
            pulse = true;
            WriteInteger(m_cells.bt100, 1);
        }
    }

    if (m_enabled.load()) {
        WriteBoolean(m_cells.endProg, false);
        m_stopLatch = false;
    } else if (m_stopLatch) {
        WriteBoolean(m_cells.endProg, false);
        MarkFirstScan();
        return;
    } else {
        WriteBoolean(m_cells.endProg, true);
        m_stopLatch = true;
    }

    std::int64_t mark = MicroClock();
    const std::size_t count = cyclic.size();
    // The size is checked again each time in case unit code changed the list under us.
    for (std::size_t i = 0; i < count && i < cyclic.size(); ++i) {
        TProgRun& unit = *cyclic[i];
        if (unit.runState.load() != RunState::Run) {
            mark = MicroClock();
            unit.elapsed.store(0);
        } else {
            const std::int64_t start = mark;
            unit.inScan = true;
            if (pulse)
                unit.pending100ms = true;
            unit.counter += kPassMilliseconds;
            if (unit.counter >= unit.period.load()) {
                unit.counter = 0;
                const std::int32_t savedBt100 = ReadInteger(m_cells.bt100);
                const bool savedStart = ReadBoolean(m_cells.startProg);
                WriteBoolean(m_cells.startProg, unit.firstScan.load());
                if (unit.pending100ms)
                    WriteInteger(m_cells.bt100, 1);
                if (unit.mainEntry) {
                    platform::Status ran = cpu.CallUnitCode(*unit.mainEntry);
                    if (!ran.IsOk())
                        HoldFaultedUnit(unit, ran.Error());
                }
                unit.pending100ms = false;
                unit.firstScan.store(false);
                unit.inScan = false;
                WriteInteger(m_cells.bt100, savedBt100);
                WriteBoolean(m_cells.startProg, savedStart);
            }
            mark = MicroClock();
            unit.elapsed.store(static_cast<std::int32_t>(
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(mark - start))));
        }
        if (unit.runState.load() == RunState::Held)
            unit.firstScan.store(true);
    }
}

void Scheduler::StopScan() {
    // Waits even when already stopped, so that on return no pass is running units.
    m_enabled.store(false);
    WaitWhileBusy();
}

void Scheduler::PauseScan() {
    // From inside a pass (unit code asking for a load or unload) the pass itself already keeps
    // every other pass and load out. Setting the flag here would make a load on the GUI thread
    // take the pause for its own and skip its wait, and the matching resume would clear a pause
    // the GUI side is waiting on.
    if (OnPassThread())
        return;
    m_paused.store(true);
    WaitWhileBusy();
}

void Scheduler::ResumeScan() {
    if (OnPassThread())
        return; // the pause it ends was never set (see PauseScan)
    m_enabled.store(true);
    m_paused.store(false);
}

bool Scheduler::WaitScanIdle() {
    const bool enabled = m_enabled.load();
    WaitWhileBusy();
    return enabled;
}

void Scheduler::MarkFirstScan() {
    if (m_paused.load() && !OnPassThread())
        return;
    auto& programs = m_programs.Programs();
    for (std::size_t i = programs.size(); i-- > 0;)
        programs[i]->firstScan.store(true);
}

bool Scheduler::CallUnitOnce(platform::CpuEngine& cpu, TProgRun& unit) {
    if (!unit.mainEntry)
        return false;
    platform::Status ran = cpu.CallUnitCode(*unit.mainEntry);
    if (ran.IsOk())
        return true;
    HoldFaultedUnit(unit, ran.Error());
    return false;
}

void Scheduler::HoldFaultedUnit(TProgRun& unit, std::string_view fault) {
    unit.runState.store(RunState::Held);
    platform::LogError("unit {} held: {}", unit.name, fault);
    if (m_onHold)
        m_onHold(unit.name, fault);
}

void Scheduler::WaitWhileBusy() const {
    // Unit code that ends up here from inside a pass would wait for itself for ever.
    if (OnPassThread()) {
        platform::LogError("scheduler: a pause or stop was asked from inside a pass; not waiting");
        return;
    }
    for (unsigned spins = 0; m_busy.load(); ++spins) {
        if (spins < 1000)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

bool Scheduler::OnPassThread() const {
    return m_busy.load() && m_passThread.load() == std::this_thread::get_id();
}

void Scheduler::WriteInteger(std::byte* cell, std::int32_t value) const {
    if (cell)
        std::memcpy(cell, &value, sizeof value);
}

std::int32_t Scheduler::ReadInteger(const std::byte* cell) const {
    std::int32_t value = 0;
    if (cell)
        std::memcpy(&value, cell, sizeof value);
    return value;
}

void Scheduler::WriteBoolean(std::byte* cell, bool value) const {
    if (cell)
        *cell = std::byte{value ? std::uint8_t{1} : std::uint8_t{0}};
}

bool Scheduler::ReadBoolean(const std::byte* cell) const {
    return cell && *cell != std::byte{0};
}

} // namespace engine
