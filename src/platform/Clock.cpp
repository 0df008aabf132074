// Quorva run-time. Licensed under the MIT licence.
#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {

std::int64_t NanosecondsNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t MicrosecondsNow() { return NanosecondsNow() / 1000; }

std::uint32_t TickCount() { return static_cast<std::uint32_t>(NanosecondsNow() / 1000000); }

std::uint32_t SystemClock::TickCount() const { return platform::TickCount(); }
std::int64_t SystemClock::Microseconds() const { return MicrosecondsNow(); }
void SystemClock::SleepMilliseconds(std::uint32_t ms) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const SystemClock& SystemClock::Instance() {
    static const SystemClock clock;
    return clock;
}

} // namespace platform
