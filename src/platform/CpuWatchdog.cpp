// Quorva run-time. Licensed under the MIT licence.
#include "platform/CpuWatchdog.h"

#include "platform/Clock.h"

#include <algorithm>
#include <chrono>

namespace platform {

CpuWatchdog::CpuWatchdog(std::function<void()> stop, std::uint32_t limitMilliseconds)
    : m_stop(std::move(stop)), m_limit(limitMilliseconds), m_thread([this] { Run(); }) {}

CpuWatchdog::~CpuWatchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CpuWatchdog::SetLimit(std::uint32_t milliseconds) {
    {
        std::lock_guard lock(m_mutex);
        m_limit.store(milliseconds, std::memory_order_relaxed);
    }
    m_wake.notify_all(); // the check period follows the limit
}

std::uint32_t CpuWatchdog::Begin() {
    if (++m_generation == 0)
        m_generation = 1;
    m_running.store(std::uint64_t{m_generation} << 32 | TickCount(), std::memory_order_release);
    return m_generation;
}

void CpuWatchdog::Restart(std::uint32_t generation) {
    m_running.store(std::uint64_t{generation} << 32 | TickCount(), std::memory_order_release);
}

void CpuWatchdog::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        const std::uint32_t limit = m_limit.load(std::memory_order_relaxed);
        if (limit == 0) {
            m_wake.wait(lock);
            continue;
        }
        // A call is noticed at most an eighth of the limit (and at most half a second) late.
        const auto period = std::chrono::milliseconds(std::clamp<std::uint32_t>(limit / 8, 1, 500));
        m_wake.wait_for(lock, period);
        if (m_quit || m_limit.load(std::memory_order_relaxed) != limit)
            continue;
        const std::uint64_t running = m_running.load(std::memory_order_acquire);
        if (running == 0)
            continue;
        const auto generation = static_cast<std::uint32_t>(running >> 32);
        const auto start = static_cast<std::uint32_t>(running);
        if (TickCount() - start >= limit) {
            m_fired.store(generation, std::memory_order_release);
            m_stop();
        }
    }
}

} // namespace platform
