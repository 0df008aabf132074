// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// Monotonic time as the run-time reads it: a millisecond tick that wraps like a 32-bit tick
// count, and a microsecond counter for timings. Code that waits or measures takes a Clock so
// that tests can drive time themselves.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() const = 0;
    virtual std::int64_t Microseconds() const = 0;
    // Lets time pass; a fake clock advances instead of sleeping.
    virtual void SleepMilliseconds(std::uint32_t ms) const = 0;
};

// The machine's monotonic clock. Any thread may use it.
class SystemClock final : public Clock {
public:
    std::uint32_t TickCount() const override;
    std::int64_t Microseconds() const override;
    void SleepMilliseconds(std::uint32_t ms) const override;

    static const SystemClock& Instance();
};

// A clock that moves only when told to, or by the amount a sleep asks for. Any thread may use it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(std::int64_t startMicroseconds = 0) : m_now(startMicroseconds) {}
    std::uint32_t TickCount() const override {
        return static_cast<std::uint32_t>(m_now.load() / 1000);
    }
    std::int64_t Microseconds() const override { return m_now.load(); }
    void SleepMilliseconds(std::uint32_t ms) const override { m_now += std::int64_t{ms} * 1000; }
    void Advance(std::int64_t microseconds) { m_now += microseconds; }

private:
    mutable std::atomic<std::int64_t> m_now;
};

// Shorthands for the system clock.
std::uint32_t TickCount();
std::int64_t MicrosecondsNow();
std::int64_t NanosecondsNow();

} // namespace platform
