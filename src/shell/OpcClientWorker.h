// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "shell/OpcClient.h"
#include "shell/OpcItemPath.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <open62541/client.h>
#include <thread>

namespace shell {

// The thread of an OpcClient and everything it owns: the stack's client object, the session's
// subscription and items. Only that thread touches the stack and the members below "worker
// thread only"; callers hand it jobs through Call, which waits for the answer at most until a
// deadline (plus a margin for the hand-over), even when the thread is stuck in a stack call.
// A job whose deadline passed before the thread got to it is not run.
class OpcClient::Worker {
public:
    using Clock = std::chrono::steady_clock;

    Worker(DataChangeSink sink, OpcTimeouts timeouts);
    ~Worker();

    // Any thread. The result of job(deadline), or nullopt when it was not done in time.
    template <typename T>
    std::optional<T> Call(Clock::time_point deadline, std::function<T(Clock::time_point)> job);
    // Any thread: runs a job without waiting for it.
    void Post(std::function<void()> job);

    const OpcTimeouts& Timeouts() const { return m_timeouts; }

    // Worker thread only: the operations of OpcClient.
    OpcConnectResult DoConnect(const OpcEndpoint& endpoint, std::chrono::milliseconds interval,
                               Clock::time_point deadline);
    bool DoClose();
    platform::Status DoAddItem(const std::string& item, std::uint32_t handle,
                               Clock::time_point deadline);
    platform::Result<std::string> DoRead(const std::string& item, Clock::time_point deadline);
    platform::Status DoWrite(const std::string& item, const std::string& text,
                             Clock::time_point deadline);

    std::atomic<bool> m_connected{false}; // a session is held (also while reconnecting)
    std::atomic<bool> m_linkUp{false};
    std::string Url() const;

private:
    struct Item {
        std::string name;
        std::uint32_t handle = 0;
        bool monitored = false;
    };

    void Run();
    void RunJobs();
    void Iterate();
    void TryReconnect();
    void LinkLost(const std::string& reason);
    void Reestablish();
    void FlushChanges();

    UA_Client* MakeClient(const OpcEndpoint& endpoint, std::string& error);
    platform::Status EnsureCertificate();
    platform::Status CreateSubscription(Clock::time_point deadline);
    platform::Status Monitor(Item& item, Clock::time_point deadline);
    platform::Result<OpcNodeId> Resolve(const std::string& item, Clock::time_point deadline);
    platform::Result<const UA_DataType*> TypeOf(const std::string& item, const OpcNodeId& node,
                                                Clock::time_point deadline);
    void DropClient(std::chrono::milliseconds closeTimeout);
    void SetCallTimeout(Clock::time_point deadline);
    bool SessionActive();

    static void OnDataChange(UA_Client* client, UA_UInt32 subscriptionId, void* subscriptionContext,
                             UA_UInt32 monitoredItemId, void* monitoredItemContext,
                             UA_DataValue* value);
    static void OnSubscriptionInactive(UA_Client* client, UA_UInt32 subscriptionId,
                                       void* subscriptionContext);

    const DataChangeSink m_sink;
    const OpcTimeouts m_timeouts;

    mutable std::mutex m_mutex; // guards m_jobs, m_stop and m_url
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stop = false;
    std::string m_url;

    // Worker thread only.
    UA_Client* m_client = nullptr;
    OpcEndpoint m_endpoint;
    std::chrono::milliseconds m_interval{1000};
    UA_UInt32 m_subscriptionId = 0;
    std::vector<Item> m_items;
    std::map<std::string, OpcNodeId> m_resolved;       // per session
    std::map<std::string, const UA_DataType*> m_types; // per session
    std::vector<OpcDataChange> m_changes;
    bool m_inactive = false;     // the subscription stopped publishing
    bool m_reconnecting = false; // an attempt is under way on m_client
    Clock::time_point m_nextAttempt{};
    Clock::time_point m_attemptDeadline{};
    std::string m_certificate;
    std::string m_privateKey;

    std::thread m_thread; // last: starts after every member is built
};

template <typename T>
std::optional<T> OpcClient::Worker::Call(Clock::time_point deadline,
                                         std::function<T(Clock::time_point)> job) {
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> result;
    };
    auto state = std::make_shared<State>();
    Post([state, deadline, job = std::move(job)] {
        if (Clock::now() >= deadline)
            return;
        T result = job(deadline);
        const std::lock_guard lock(state->mutex);
        state->result = std::move(result);
        state->done.notify_all();
    });
    // The hand-over margin: the thread may be between two iterations of the stack.
    constexpr auto Margin = std::chrono::milliseconds(150);
    std::unique_lock lock(state->mutex);
    state->done.wait_until(lock, deadline + Margin, [&] { return state->result.has_value(); });
    return std::move(state->result);
}

} // namespace shell
