// Quorva run-time. Licensed under the MIT licence.
#include "shell/WorkerThreads.h"

#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace shell {

namespace detail {

// What all threads of one registry share: the run lock and the condition that every change of
// a worker's state is signalled on. Held by the threads too, so that a thread that outlives its
// registry entry (stopped from its own procedure) still has it.
struct WorkerShared {
    std::mutex mutex;
    std::condition_variable changed;
    bool runLockHeld = false; // guarded by mutex
};

struct Worker {
    Worker(std::shared_ptr<WorkerShared> sharedState, WorkerProcedure body, int priorityCode)
        : shared(std::move(sharedState)), procedure(std::move(body)), priority(priorityCode),
          control(*this) {}

    void Run();

    std::shared_ptr<WorkerShared> shared;
    WorkerProcedure procedure;
    const int priority;
    WorkerControl control;
    std::thread thread;

    // Guarded by shared->mutex; `stop` is also read without it.
    bool runnable = false;
    bool finished = false;
    WorkerState state = WorkerState::Starting;
    std::atomic<bool> stop{false};
    std::string applied;
};

} // namespace detail

namespace {

using detail::Worker;

constexpr int kTimeCritical = 6;
constexpr int kFifoPriority = 50;
// Nice offsets for codes 0..6, relative to the nice value the thread starts with.
constexpr int kNiceOffset[] = {19, 10, 5, 0, -5, -10, -20};

// Sets the nice value of the calling thread to `target`, or to the value nearest to it that the
// system allows between `target` and `base` (a raise of priority may be refused). Returns the
// value the thread has afterwards.
int SetNiceNearest(int base, int target) {
    const pid_t tid = ::gettid();
    const int step = target < base ? 1 : -1;
    for (int value = target; value != base; value += step) {
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), value) == 0)
            return value;
    }
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), base);
    return base;
}

// Applies a priority code to the calling thread and says what it got.
std::string ApplyPriority(int code) {
    if (code < 0)
        platform::LogWarning("worker thread: invalid priority code {}; keeping the default", code);
    if (code < 0 || code > kTimeCritical)
        return "default";

    std::string refusal;
    if (code == kTimeCritical) {
        sched_param param{};
        param.sched_priority = std::clamp(kFifoPriority, ::sched_get_priority_min(SCHED_FIFO),
                                          ::sched_get_priority_max(SCHED_FIFO));
        int rc = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
        if (rc == 0)
            return "SCHED_FIFO " + std::to_string(param.sched_priority);
        refusal = std::strerror(rc);
    }

    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (base == -1 && errno != 0)
        return "default";
    const int target = std::clamp(base + kNiceOffset[code], -20, 19);
    const int got = SetNiceNearest(base, target);
    if (!refusal.empty()) {
        platform::LogWarning(
            "worker thread: SCHED_FIFO refused ({}); time-critical runs at nice {}", refusal, got);
    } else if (got != target) {
        platform::LogWarning(
            "worker thread: priority code {} asks for nice {}; the system allows {}", code, target,
            got);
    }
    return "nice " + std::to_string(got);
}

// Waits until a worker that was asked to stop has left its procedure, then joins its thread.
// A procedure that misses its checkpoints keeps the caller here; say so in the log.
void AwaitStopped(Worker& worker) {
    if (worker.thread.get_id() == std::this_thread::get_id()) {
        worker.thread.detach();
        return;
    }
    {
        std::unique_lock lock(worker.shared->mutex);
        while (!worker.shared->changed.wait_for(lock, std::chrono::seconds(5),
                                                [&worker] { return worker.finished; })) {
            platform::LogWarning("worker thread: still waiting for a stopped procedure to return");
        }
    }
    if (worker.thread.joinable())
        worker.thread.join();
}

} // namespace

namespace detail {

void Worker::Run() {
    std::string got = ApplyPriority(priority);
    platform::LogInfo("worker thread: priority code {} gave {}", priority, got);
    {
        std::unique_lock lock(shared->mutex);
        applied = std::move(got);
        // Suspended until started, then waits for the run lock; a stop ends either wait.
        for (;;) {
            if (stop) {
                state = WorkerState::Finished;
                finished = true;
                shared->changed.notify_all();
                return;
            }
            if (!runnable)
                state = WorkerState::Suspended;
            else if (shared->runLockHeld)
                state = WorkerState::WaitingForLock;
            else
                break;
            shared->changed.wait(lock);
        }
        shared->runLockHeld = true;
        state = WorkerState::Running;
    }
    try {
        procedure(control);
    } catch (const std::exception& error) {
        platform::LogError("worker thread: procedure ended with an exception: {}", error.what());
    } catch (...) {
        platform::LogError("worker thread: procedure ended with an unknown exception");
    }
    std::lock_guard lock(shared->mutex);
    shared->runLockHeld = false;
    state = WorkerState::Finished;
    finished = true;
    shared->changed.notify_all();
}

} // namespace detail

bool WorkerControl::Checkpoint() {
    detail::WorkerShared& shared = *m_worker.shared;
    std::unique_lock lock(shared.mutex);
    if (!m_worker.stop && !m_worker.runnable) {
        m_worker.state = WorkerState::Paused;
        shared.changed.wait(lock, [this] { return m_worker.stop || m_worker.runnable; });
        m_worker.state = WorkerState::Running;
    }
    return !m_worker.stop;
}

bool WorkerControl::SleepMilliseconds(std::uint32_t ms) {
    detail::WorkerShared& shared = *m_worker.shared;
    std::unique_lock lock(shared.mutex);
    return !shared.changed.wait_for(lock, std::chrono::milliseconds(ms),
                                    [this] { return m_worker.stop.load(); });
}

bool WorkerControl::StopRequested() const {
    return m_worker.stop;
}

ThreadRegistry::ThreadRegistry() : m_shared(std::make_shared<detail::WorkerShared>()) {}

ThreadRegistry::~ThreadRegistry() {
    std::map<ProcedureKey, std::shared_ptr<Worker>> workers;
    {
        std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
    }
    {
        std::lock_guard lock(m_shared->mutex);
        for (auto& [key, worker] : workers)
            worker->stop = true;
    }
    m_shared->changed.notify_all();
    for (auto& [key, worker] : workers)
        AwaitStopped(*worker);
}

std::shared_ptr<Worker> ThreadRegistry::Find(ProcedureKey key) const {
    std::lock_guard lock(m_mutex);
    auto found = m_workers.find(key);
    return found == m_workers.end() ? nullptr : found->second;
}

bool ThreadRegistry::ThreadCreate(ProcedureKey key, WorkerProcedure procedure, int priority) {
    if (key == nullptr || !procedure) {
        platform::LogError("ThreadCreate: a worker thread needs a key and a procedure");
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_workers.contains(key))
        return false;
    auto worker = std::make_shared<Worker>(m_shared, std::move(procedure), priority);
    try {
        worker->thread = std::thread([worker] { worker->Run(); });
    } catch (const std::system_error& error) {
        platform::LogError("ThreadCreate: cannot create a thread: {}", error.what());
        return false;
    }
    m_workers.emplace(key, std::move(worker));
    return true;
}

bool ThreadRegistry::ThreadStart(ProcedureKey key) {
    std::shared_ptr<Worker> worker = Find(key);
    if (!worker)
        return false;
    {
        std::lock_guard lock(m_shared->mutex);
        worker->runnable = true;
    }
    m_shared->changed.notify_all();
    return true;
}

bool ThreadRegistry::ThreadPause(ProcedureKey key) {
    std::shared_ptr<Worker> worker = Find(key);
    if (!worker)
        return false;
    std::lock_guard lock(m_shared->mutex);
    worker->runnable = false;
    return true;
}

void ThreadRegistry::ThreadStop(ProcedureKey key) {
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_workers.find(key);
        if (found == m_workers.end())
            return;
        worker = std::move(found->second);
        m_workers.erase(found);
    }
    {
        std::lock_guard lock(m_shared->mutex);
        worker->stop = true;
    }
    m_shared->changed.notify_all();
    AwaitStopped(*worker);
}

bool ThreadRegistry::Contains(ProcedureKey key) const {
    return Find(key) != nullptr;
}

std::string ThreadRegistry::AppliedPriority(ProcedureKey key) const {
    std::shared_ptr<Worker> worker = Find(key);
    if (!worker)
        return {};
    std::lock_guard lock(m_shared->mutex);
    return worker->applied;
}

WorkerState ThreadRegistry::State(ProcedureKey key) const {
    std::shared_ptr<Worker> worker = Find(key);
    if (!worker)
        return WorkerState::None;
    std::lock_guard lock(m_shared->mutex);
    return worker->state;
}

} // namespace shell
