// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace shell {

namespace detail {
struct WorkerShared;
struct Worker;
} // namespace detail

// What a registered procedure sees of its thread. The procedure calls Checkpoint() between
// iterations: it blocks while the thread is paused and returns false once a stop has been
// requested, after which the procedure must return. Only the worker's own thread calls
// Checkpoint and SleepMilliseconds; StopRequested may be read from any thread.
class WorkerControl {
public:
    bool Checkpoint();
    // Sleeps for `ms` milliseconds; returns false as soon as a stop is requested.
    bool SleepMilliseconds(std::uint32_t ms);
    bool StopRequested() const;

private:
    friend struct detail::Worker;
    explicit WorkerControl(detail::Worker& worker) : m_worker(worker) {}
    detail::Worker& m_worker;
};

using WorkerProcedure = std::function<void(WorkerControl&)>;

// What a worker thread is doing: setting itself up, waiting for ThreadStart, waiting for the run
// lock, running its procedure, held at a checkpoint by a pause, or done (returned or stopped
// before it ran). None for a key without a thread.
enum class WorkerState { None, Starting, Suspended, WaitingForLock, Running, Paused, Finished };
// The identity of a procedure: a procedure has at most one thread.
using ProcedureKey = const void*;

// The registry of worker threads and its run lock. Each thread holds the run lock for the whole
// run of its procedure, so at most one registered procedure runs at any moment; a thread that
// waits for the lock can still be stopped. Threads start suspended and do not run their
// procedure before ThreadStart.
//
// Pausing and stopping are cooperative: a pause takes effect at the procedure's next
// Checkpoint, and ThreadStop waits until the procedure has returned, so a procedure must reach
// a Checkpoint (or return) in bounded time. A paused thread keeps the run lock.
//
// Priority codes 0 idle, 1 lowest, 2 below normal, 3 normal, 4 above normal, 5 highest and
// 6 time-critical are applied by the thread itself before it runs anything: SCHED_FIFO for
// time-critical where permitted, otherwise a nice value relative to the one the thread was
// created with (+19, +10, +5, 0, -5, -10, -20; the strongest the system allows when a raise is
// refused). A code of 7 or more leaves the default. What the
// thread got is logged and reported by AppliedPriority.
//
// The registry owns its threads. Its methods may be called from any thread, including from a
// registered procedure. The destructor should not run on one of the registry's own threads; if
// it does, that thread is let go rather than awaited.
class ThreadRegistry {
public:
    ThreadRegistry();
    ~ThreadRegistry(); // stops every thread still registered
    ThreadRegistry(const ThreadRegistry&) = delete;
    ThreadRegistry& operator=(const ThreadRegistry&) = delete;

    // False when `key` already has a thread, when the key is null or the procedure empty, or when
    // the system refuses a thread; nothing is created then.
    bool ThreadCreate(ProcedureKey key, WorkerProcedure procedure, int priority);
    // Begins the procedure, or resumes it after a pause. False for an unknown key.
    bool ThreadStart(ProcedureKey key);
    // The thread stops at its next checkpoint. False for an unknown key.
    bool ThreadPause(ProcedureKey key);
    // Requests a stop, waits until the procedure has returned and removes the thread. Called from
    // the procedure's own thread it cannot wait: the thread is removed and ends when the
    // procedure returns. Unknown keys are ignored.
    void ThreadStop(ProcedureKey key);
    bool Contains(ProcedureKey key) const;
    // "SCHED_FIFO 50", "nice -10", "default" once the thread has applied its priority; empty
    // before that and for unknown keys.
    std::string AppliedPriority(ProcedureKey key) const;
    WorkerState State(ProcedureKey key) const;

private:
    std::shared_ptr<detail::Worker> Find(ProcedureKey key) const;

    std::shared_ptr<detail::WorkerShared> m_shared;
    mutable std::mutex m_mutex; // guards m_workers
    std::map<ProcedureKey, std::shared_ptr<detail::Worker>> m_workers;
};

} // namespace shell
