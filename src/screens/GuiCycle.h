// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

namespace screens {

struct InputEvents;
class MenuSelection;
class InputCapture;

// What the GUI cycle needs from the rest of the run-time: the unit engine, the system
// variables and the clock. Every member may be empty (a test's cycle without units).
struct GuiCycleHooks {
    // The cycle period in milliseconds ("SCANFORMS").
    std::function<std::int32_t()> period;
    // Writes the latched events of the cycle into the system variables the units read.
    std::function<void(const InputEvents&)> publishInput;
    // Writes the pulses of the cycle; on a 500 ms pulse also refreshes the clock variables.
    std::function<void(bool pulse100ms, bool pulse500ms)> publishPulses;
    // Writes the published menu choice ("MENUID").
    std::function<void(const MenuSelection&)> publishMenu;
    // Calls an automatic unit's main entry on the GUI thread; the fault text when it faulted.
    std::function<std::optional<std::string>(std::uint32_t entry)> runUnit;
    // Reports a unit that faulted: the window's name (the step text) and the fault.
    std::function<void(const std::string& stepText, const std::string& fault)> reportFault;
    // Calls the routine whose address "RUNUSERPROG" holds, when it holds one; false when not.
    std::function<bool()> runUserProgram;
    // Milliseconds of the tick count and microseconds of the high-resolution clock.
    std::function<std::uint32_t()> tickCount;
    std::function<std::int64_t()> microseconds;
};

// The GUI thread's cycle: paced by a precise timer at "SCANFORMS" milliseconds, each tick runs
// the per-cycle hooks, publishes the menu choice, latches the input events, computes the 100 ms
// and 500 ms pulses, runs every open screen's automatic unit with its window as the current
// window (timed in microseconds; a stopped screen records 0, a unit that faults is stopped and
// reported, the others go on), calls the user routine, runs the screen objects that run each
// cycle, and on a 500 ms pulse steps the blinking figures.
//
// Modal loops (message boxes, modal windows) keep the timer and so the cycle running. A tick
// that arrives while a cycle is still running (a unit that processes messages) runs only the
// screen objects. GUI thread only.
class GuiCycle : public QObject {
public:
    explicit GuiCycle(GuiCycleHooks hooks);
    ~GuiCycle() override;

    // Starts the timer (the first tick comes one period later) and the input capture.
    void Start();
    void Stop();
    bool Running() const { return m_timer.isActive(); }
    // A paused cycle does nothing on its ticks.
    void SetPaused(bool paused) { m_paused = paused; }

    // One whole cycle, as a tick runs it.
    void Step();
    // The screen step alone: every active object's Run with its window and figure current.
    void RunScreenObjects();

    // Parameterless procedures run at the start of every cycle, in order.
    void AddHook(std::function<void()> hook) { m_hooks.push_back(std::move(hook)); }
    bool HooksRunning() const { return m_hooksRunning; }

    // The period the timer runs at now, in milliseconds.
    int TimerPeriod() const { return m_timer.interval(); }
    std::uint64_t Cycles() const { return m_cycles; }

private:
    void Tick();
    void ComputePulses(bool& pulse100ms, bool& pulse500ms);
    void RunAutomaticUnits();
    void BlinkFigures(bool pulse500ms);
    int WantedPeriod() const;

    GuiCycleHooks m_services;
    std::vector<std::function<void()>> m_hooks;
    QTimer m_timer;
    std::unique_ptr<InputCapture> m_capture;
    bool m_paused = false;
    bool m_inStep = false;
    bool m_hooksRunning = false;
    std::uint64_t m_cycles = 0;
    std::uint32_t m_lastTick = 0;
    std::uint32_t m_last500msTick = 0;
    std::int64_t m_carry100ms = 0;
};

} // namespace screens
