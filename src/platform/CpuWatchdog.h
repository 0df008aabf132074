// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// Ends guest calls that run too long. The engine's thread marks each top-level call with Begin
// and End (one atomic store each, so a call costs nothing more); a thread of the watchdog's own
// wakes a few times per limit and, when the call marked now has run for the limit or longer,
// records that call's generation as fired and calls `stop` (on the watchdog thread) again at
// every wake-up until the call ends. The engine compares generations, so a stop that lands on
// a later call is recognised as spurious. Begin, End and Fired belong to the engine's thread;
// SetLimit and Limit may be called from any thread.
class CpuWatchdog {
public:
    explicit CpuWatchdog(std::function<void()> stop, std::uint32_t limitMilliseconds);
    ~CpuWatchdog();
    CpuWatchdog(const CpuWatchdog&) = delete;
    CpuWatchdog& operator=(const CpuWatchdog&) = delete;

    // 0 = off.
    void SetLimit(std::uint32_t milliseconds);
    std::uint32_t Limit() const { return m_limit.load(std::memory_order_relaxed); }

    // Marks the start of a top-level call and returns its generation (never 0).
    std::uint32_t Begin();
    void End() { m_running.store(0, std::memory_order_release); }
    // Marks the call of that generation as running again from now, with a whole limit ahead
    // (after a wait that was not the call's own time).
    void Restart(std::uint32_t generation);
    // Whether the watchdog stopped (or is stopping) the call of that generation.
    bool Fired(std::uint32_t generation) const {
        return m_fired.load(std::memory_order_acquire) == generation;
    }

private:
    void Run();

    std::function<void()> m_stop;
    std::atomic<std::uint32_t> m_limit;
    std::uint32_t m_generation = 0;
    // Generation in the high half, start tick (ms) in the low half; 0 when no call runs.
    std::atomic<std::uint64_t> m_running{0};
    std::atomic<std::uint32_t> m_fired{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace platform
