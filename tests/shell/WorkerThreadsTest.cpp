// Quorva run-time. Licensed under the MIT licence.
#include "shell/WorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <mutex>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

using shell::ThreadRegistry;
using shell::WorkerControl;
using shell::WorkerState;

// Keys are the addresses of these objects.
const int s_first = 0;
const int s_second = 0;

// Waits until `condition` holds; the bound only turns a hang into a failure.
bool Eventually(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Counts a procedure's iterations; in each one the procedure waits until the test allows it to
// go on. Declared before the registry and opened by OpenAtExit after it, so that a failed test
// still lets its threads stop.
struct Gate {
    void Arrive() {
        std::unique_lock lock(mutex);
        int number = ++arrivals;
        changed.wait(lock, [&] { return allowed >= number || open; });
    }
    void Allow(int count, bool openForGood = false) {
        std::lock_guard lock(mutex);
        allowed += count;
        open = open || openForGood;
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> arrivals{0};
    int allowed = 0;
    bool open = false;
};
struct OpenAtExit {
    Gate& gate;
    ~OpenAtExit() { gate.Allow(0, true); }
};

shell::WorkerProcedure GatedLoop(Gate& gate, std::atomic<bool>& returned) {
    return [&gate, &returned](WorkerControl& control) {
        while (control.Checkpoint())
            gate.Arrive();
        returned = true;
    };
}

TEST(WorkerThreads, UnknownAndDuplicateKeysAreRefused) {
    std::atomic<int> firstRuns{0};
    std::atomic<int> secondRuns{0};
    ThreadRegistry registry;
    EXPECT_FALSE(registry.ThreadStart(&s_first));
    EXPECT_FALSE(registry.ThreadPause(&s_first));
    registry.ThreadStop(&s_first);
    EXPECT_EQ(registry.State(&s_first), WorkerState::None);

    ASSERT_TRUE(registry.ThreadCreate(
        &s_first, [&](WorkerControl&) { ++firstRuns; }, 7));
    EXPECT_FALSE(registry.ThreadCreate(
        &s_first, [&](WorkerControl&) { ++secondRuns; }, 7));
    EXPECT_FALSE(registry.ThreadCreate(
        nullptr, [&](WorkerControl&) { ++secondRuns; }, 7));
    EXPECT_FALSE(registry.ThreadCreate(&s_second, shell::WorkerProcedure{}, 7));
    EXPECT_FALSE(registry.Contains(&s_second));
    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return registry.State(&s_first) == WorkerState::Finished; }));
    EXPECT_TRUE(registry.Contains(&s_first)); // until stopped
    registry.ThreadStop(&s_first);
    EXPECT_FALSE(registry.Contains(&s_first));
    EXPECT_EQ(firstRuns, 1);
    EXPECT_EQ(secondRuns, 0);
}

TEST(WorkerThreads, NothingRunsBeforeStartAndPauseHoldsTheProcedure) {
    Gate gate;
    std::atomic<bool> returned{false};
    ThreadRegistry registry;
    OpenAtExit open{gate};
    ASSERT_TRUE(registry.ThreadCreate(&s_first, GatedLoop(gate, returned), 7));
    // Suspended: blocked until ThreadStart. A pause before the start changes nothing.
    ASSERT_TRUE(Eventually([&] { return registry.State(&s_first) == WorkerState::Suspended; }));
    EXPECT_TRUE(registry.ThreadPause(&s_first));
    EXPECT_EQ(gate.arrivals, 0);

    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return gate.arrivals == 1; }));
    // Paused in its first iteration with more allowed in advance, it still stops at the next
    // checkpoint; a start resumes it.
    ASSERT_TRUE(registry.ThreadPause(&s_first));
    gate.Allow(3);
    ASSERT_TRUE(Eventually([&] { return registry.State(&s_first) == WorkerState::Paused; }));
    EXPECT_EQ(gate.arrivals, 1);
    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return gate.arrivals == 4; }));
    gate.Allow(0, true);
    registry.ThreadStop(&s_first);
    EXPECT_TRUE(returned);
}

TEST(WorkerThreads, StopEndsTheProcedureWhereverItWaits) {
    Gate gate;
    std::atomic<int> iterations{0};
    std::atomic<bool> sleeperReturned{false};
    std::atomic<bool> pausedReturned{false};
    std::atomic<bool> selfStopped{false};
    ThreadRegistry registry;
    OpenAtExit open{gate};

    // In a long sleep: ThreadStop cuts it short and returns once the procedure has returned.
    ASSERT_TRUE(registry.ThreadCreate(
        &s_first,
        [&](WorkerControl& control) {
            while (control.Checkpoint()) {
                ++iterations;
                control.SleepMilliseconds(600000);
            }
            sleeperReturned = true;
        },
        7));
    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return iterations > 0; }));
    registry.ThreadStop(&s_first);
    EXPECT_TRUE(sleeperReturned);
    EXPECT_EQ(iterations, 1);

    // Paused at a checkpoint.
    ASSERT_TRUE(registry.ThreadCreate(&s_second, GatedLoop(gate, pausedReturned), 7));
    ASSERT_TRUE(registry.ThreadStart(&s_second));
    ASSERT_TRUE(Eventually([&] { return gate.arrivals == 1; }));
    ASSERT_TRUE(registry.ThreadPause(&s_second));
    gate.Allow(1);
    ASSERT_TRUE(Eventually([&] { return registry.State(&s_second) == WorkerState::Paused; }));
    registry.ThreadStop(&s_second);
    EXPECT_TRUE(pausedReturned);
    EXPECT_EQ(gate.arrivals, 1);

    // Stopped from its own procedure, which then throws: the process survives.
    ASSERT_TRUE(registry.ThreadCreate(
        &s_first,
        [&](WorkerControl& control) {
            registry.ThreadStop(&s_first);
            selfStopped = control.StopRequested();
            throw std::runtime_error("procedure failed");
        },
        7));
    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return selfStopped.load(); }));
    EXPECT_FALSE(registry.Contains(&s_first));
}

TEST(WorkerThreads, OneRegisteredProcedureRunsAtATime) {
    Gate gate;
    std::atomic<bool> firstInside{false};
    std::atomic<int> secondRuns{0};
    std::atomic<bool> overlap{false};
    ThreadRegistry registry;
    OpenAtExit open{gate};
    auto first = [&](WorkerControl&) {
        firstInside = true;
        gate.Arrive();
        firstInside = false;
    };
    auto second = [&](WorkerControl&) {
        overlap = overlap || firstInside;
        ++secondRuns;
    };
    ASSERT_TRUE(registry.ThreadCreate(&s_first, first, 7));
    ASSERT_TRUE(registry.ThreadCreate(&s_second, second, 7));
    ASSERT_TRUE(registry.ThreadStart(&s_first));
    ASSERT_TRUE(Eventually([&] { return gate.arrivals == 1; }));
    ASSERT_TRUE(registry.ThreadStart(&s_second));
    auto waiting = [&] { return registry.State(&s_second) == WorkerState::WaitingForLock; };
    ASSERT_TRUE(Eventually(waiting));
    // A thread waiting for the lock can be stopped, and never runs.
    registry.ThreadStop(&s_second);
    EXPECT_EQ(secondRuns, 0);

    ASSERT_TRUE(registry.ThreadCreate(&s_second, second, 7));
    ASSERT_TRUE(registry.ThreadStart(&s_second));
    ASSERT_TRUE(Eventually(waiting));
    gate.Allow(1);
    ASSERT_TRUE(Eventually([&] { return registry.State(&s_second) == WorkerState::Finished; }));
    EXPECT_EQ(secondRuns, 1);
    EXPECT_FALSE(overlap);
}

struct Scheduling {
    int policy = -1;
    int fifoPriority = 0;
    int nice = 0;
    std::string applied;
};

// How a procedure's thread was scheduled at priority `code`, and what the registry says of it.
Scheduling RunAtPriority(int code) {
    Scheduling seen;
    std::atomic<bool> done{false};
    ThreadRegistry registry;
    auto probe = [&](WorkerControl&) {
        sched_param param{};
        pthread_getschedparam(pthread_self(), &seen.policy, &param);
        seen.fifoPriority = param.sched_priority;
        seen.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        done = true;
    };
    if (registry.ThreadCreate(&s_first, probe, code) && registry.ThreadStart(&s_first) &&
        Eventually([&] { return done.load(); }))
        seen.applied = registry.AppliedPriority(&s_first);
    return seen;
}

// Time-critical is SCHED_FIFO where permitted, else the strongest nice value RLIMIT_NICE allows
// (never weaker than the creating thread's). Returns what is wrong, or "".
std::string CheckTimeCritical(const Scheduling& seen) {
    if (seen.policy == SCHED_FIFO)
        return seen.applied == "SCHED_FIFO " + std::to_string(seen.fifoPriority) ? ""
                                                                                 : seen.applied;
    int base = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    rlimit limit{};
    getrlimit(RLIMIT_NICE, &limit);
    int floor = limit.rlim_cur == RLIM_INFINITY
                    ? -20
                    : 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
    int expected = std::min(base, std::max(-20, floor));
    if (seen.policy == SCHED_OTHER && seen.nice == expected &&
        seen.applied == "nice " + std::to_string(expected))
        return "";
    return "policy " + std::to_string(seen.policy) + " nice " + std::to_string(seen.nice) +
           " applied \"" + seen.applied + "\", expected nice " + std::to_string(expected);
}

TEST(WorkerThreads, PriorityCodesMapToSystemScheduling) {
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    Scheduling seen = RunAtPriority(7);
    EXPECT_EQ(seen.applied, "default");
    EXPECT_EQ(seen.policy, SCHED_OTHER);
    EXPECT_EQ(seen.nice, base);

    seen = RunAtPriority(1); // lowering is always allowed
    EXPECT_EQ(seen.nice, std::min(base + 10, 19));
    EXPECT_EQ(seen.applied, "nice " + std::to_string(seen.nice));

    EXPECT_EQ(CheckTimeCritical(RunAtPriority(6)), "");
}

// Without CAP_SYS_NICE, with RLIMIT_RTPRIO 0 and RLIMIT_NICE allowing nice -5 at best.
void RunTimeCriticalWithoutPrivilege() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (syscall(SYS_capget, &header, caps) == 0) {
        caps[CAP_TO_INDEX(CAP_SYS_NICE)].effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
        caps[CAP_TO_INDEX(CAP_SYS_NICE)].permitted &= ~CAP_TO_MASK(CAP_SYS_NICE);
        syscall(SYS_capset, &header, caps);
    }
    rlimit rtprio{0, 0};
    rlimit nice{25, 25};
    setrlimit(RLIMIT_RTPRIO, &rtprio);
    setrlimit(RLIMIT_NICE, &nice);
    Scheduling seen = RunAtPriority(6);
    std::string wrong = CheckTimeCritical(seen);
    std::fprintf(stderr, "%s\n",
                 wrong.empty() ? ("fell back to " + seen.applied).c_str() : wrong.c_str());
    std::_Exit(wrong.empty() && seen.policy == SCHED_OTHER ? 0 : 1);
}

TEST(WorkerThreads, TimeCriticalFallsBackToTheStrongestNiceAllowed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunTimeCriticalWithoutPrivilege(), ::testing::ExitedWithCode(0),
                "fell back to nice");
}

} // namespace
