// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcClient.h"

#include "platform/Log.h"
#include "shell/OpcClientWorker.h"

#include <fmt/format.h>

namespace shell {

bool OpcStatusIsGood(std::uint32_t status) {
    constexpr std::uint32_t SeverityMask = 0xC0000000u;
    constexpr std::uint32_t LimitMask = 0x00000300u;
    return (status & (SeverityMask | LimitMask)) == 0;
}

OpcClient::Worker::Worker(DataChangeSink sink, OpcTimeouts timeouts)
    : m_sink(std::move(sink)), m_timeouts(timeouts), m_thread([this] { Run(); }) {}

OpcClient::Worker::~Worker() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void OpcClient::Worker::Post(std::function<void()> job) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

std::string OpcClient::Worker::Url() const {
    const std::lock_guard lock(m_mutex);
    return m_url;
}

void OpcClient::Worker::RunJobs() {
    while (true) {
        std::function<void()> job;
        {
            const std::lock_guard lock(m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
        FlushChanges();
    }
}

void OpcClient::Worker::Run() {
    while (true) {
        RunJobs();
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop)
                break;
        }
        if (m_client != nullptr && m_linkUp) {
            Iterate();
        } else if (m_connected) {
            TryReconnect();
        } else {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(10),
                            [this] { return m_stop || !m_jobs.empty(); });
        }
    }
    // Jobs posted while stopping get no answer; their callers stop waiting at their deadline.
    DoClose();
}

void OpcClient::Worker::FlushChanges() {
    if (m_changes.empty())
        return;
    std::vector<OpcDataChange> changes;
    changes.swap(m_changes);
    if (m_sink)
        m_sink(changes);
}

OpcClient::OpcClient(DataChangeSink sink, OpcTimeouts timeouts)
    : m_worker(std::make_unique<Worker>(std::move(sink), timeouts)) {}

OpcClient::~OpcClient() = default;

OpcConnectResult OpcClient::Connect(const OpcEndpoint& endpoint,
                                    std::chrono::milliseconds interval) {
    Worker* worker = m_worker.get();
    const auto deadline =
        Worker::Clock::now() + worker->Timeouts().connect + worker->Timeouts().service;
    const std::optional<OpcConnectResult> result = worker->Call<OpcConnectResult>(
        deadline, [worker, endpoint, interval](Worker::Clock::time_point until) {
            return worker->DoConnect(endpoint, interval, until);
        });
    if (result)
        return *result;
    platform::LogWarning("OPC: connecting to {} took longer than {} ms; given up", endpoint.url,
                         (worker->Timeouts().connect + worker->Timeouts().service).count());
    // Should the attempt still succeed, it is closed again.
    worker->Post([worker] { worker->DoClose(); });
    return OpcConnectResult::Unreachable;
}

bool OpcClient::Close() {
    Worker* worker = m_worker.get();
    if (!worker->m_connected)
        return false;
    const auto deadline = Worker::Clock::now() + worker->Timeouts().service;
    const std::optional<bool> closed = worker->Call<bool>(
        deadline, [worker](Worker::Clock::time_point) { return worker->DoClose(); });
    if (!closed) {
        platform::LogWarning("OPC: closing the session with {} took longer than {} ms",
                             worker->Url(), worker->Timeouts().service.count());
        worker->Post([worker] { worker->DoClose(); });
        return false;
    }
    return *closed;
}

bool OpcClient::Connected() const {
    return m_worker->m_connected;
}

bool OpcClient::LinkUp() const {
    return m_worker->m_linkUp;
}

platform::Status OpcClient::AddItem(std::string_view item, std::uint32_t clientHandle) {
    Worker* worker = m_worker.get();
    if (!worker->m_connected)
        return platform::Fail(fmt::format("OPC: cannot add item \"{}\": not connected", item));
    const auto deadline = Worker::Clock::now() + worker->Timeouts().service;
    std::optional<platform::Status> status =
        worker->Call<platform::Status>(deadline, [worker, name = std::string(item),
                                                  clientHandle](Worker::Clock::time_point until) {
            return worker->DoAddItem(name, clientHandle, until);
        });
    if (!status)
        return platform::Fail(fmt::format("OPC: adding item \"{}\" took longer than {} ms", item,
                                          worker->Timeouts().service.count()));
    return std::move(*status);
}

platform::Result<std::string> OpcClient::ReadText(std::string_view item) {
    Worker* worker = m_worker.get();
    if (!worker->m_connected)
        return platform::Fail(fmt::format("OPC: cannot read \"{}\": not connected", item));
    if (!worker->m_linkUp)
        return platform::Fail(
            fmt::format("OPC: cannot read \"{}\": the link to {} is down", item, worker->Url()));
    const auto deadline = Worker::Clock::now() + worker->Timeouts().service;
    std::optional<platform::Result<std::string>> text = worker->Call<platform::Result<std::string>>(
        deadline, [worker, name = std::string(item)](Worker::Clock::time_point until) {
            return worker->DoRead(name, until);
        });
    if (!text)
        return platform::Fail(fmt::format("OPC: reading \"{}\" took longer than {} ms", item,
                                          worker->Timeouts().service.count()));
    return std::move(*text);
}

platform::Status OpcClient::WriteText(std::string_view item, std::string_view text) {
    Worker* worker = m_worker.get();
    if (!worker->m_connected)
        return platform::Fail(fmt::format("OPC: cannot write \"{}\": not connected", item));
    if (!worker->m_linkUp)
        return platform::Fail(
            fmt::format("OPC: cannot write \"{}\": the link to {} is down", item, worker->Url()));
    const auto deadline = Worker::Clock::now() + worker->Timeouts().service;
    std::optional<platform::Status> status = worker->Call<platform::Status>(
        deadline,
        [worker, name = std::string(item), value = std::string(text)](
            Worker::Clock::time_point until) { return worker->DoWrite(name, value, until); });
    if (!status)
        return platform::Fail(fmt::format("OPC: writing \"{}\" took longer than {} ms", item,
                                          worker->Timeouts().service.count()));
    return std::move(*status);
}

} // namespace shell
