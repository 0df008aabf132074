// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Log.h"
#include "runtime/OpcTestProcess.h"
#include "shell/OpcClient.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

// Helpers of the OPC client's tests: the simulation server as a process of its own, a data
// change collector and a log capture.
namespace opctest {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Waits until `done` holds, at most `limit`; true when it held.
template <typename Predicate> bool WaitUntil(std::chrono::milliseconds limit, Predicate done) {
    return testsupport::OpcEventually(done, limit);
}

inline int FreePort() {
    return testsupport::FreeOpcTestPort();
}

inline bool PortAccepts(int port) {
    return testsupport::OpcTestPortOpen(static_cast<std::uint16_t>(port));
}

inline std::string UrlOf(int port) {
    return "opc.tcp://localhost:" + std::to_string(port);
}

// opcsim run as a process on a free port; its standard output lines are collected.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> extra = {}) : m_extra(std::move(extra)) {
        // Another program may take the port between the choice and the start: try a few.
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_port = FreePort();
            if (Start())
                return;
        }
        ADD_FAILURE() << "opcsim did not start";
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the server on its port; true once the port accepts connections, false when the
    // server ended instead.
    bool Start() {
        std::vector<std::string> args = {QUORVA_OPCSIM, "--quiet", "--port",
                                         std::to_string(m_port)};
        args.insert(args.end(), m_extra.begin(), m_extra.end());
        m_process = std::make_unique<testsupport::OpcTestProcess>(args);
        if (!m_process->Started())
            return false;
        bool ended = false;
        const bool up = WaitUntil(10s, [this, &ended] {
            ended = m_process->OutputEnded();
            return ended || PortAccepts(m_port);
        });
        return up && !ended;
    }

    int Port() const { return m_port; }

    void Kill() {
        if (m_process)
            m_process->Kill();
    }

    // Stops with SIGTERM; the exit status.
    int Terminate() { return m_process ? m_process->Stop() : -1; }

    bool WaitForLine(const std::string& line, std::chrono::milliseconds limit = 5s) {
        return m_process &&
               !m_process->WaitForLine([&](const std::string& seen) { return seen == line; }, limit)
                    .empty();
    }

    std::string Url() const { return UrlOf(m_port); }

private:
    std::vector<std::string> m_extra;
    int m_port = 0;
    std::unique_ptr<testsupport::OpcTestProcess> m_process;
};

// Collects what the client's sink is given.
class ChangeLog {
public:
    shell::OpcClient::DataChangeSink Sink() {
        return [this](const std::vector<shell::OpcDataChange>& changes) {
            const std::lock_guard lock(m_mutex);
            m_calls.push_back(changes);
        };
    }
    std::vector<shell::OpcDataChange> All() {
        const std::lock_guard lock(m_mutex);
        std::vector<shell::OpcDataChange> all;
        for (const auto& call : m_calls)
            all.insert(all.end(), call.begin(), call.end());
        return all;
    }
    std::vector<shell::OpcDataChange> Of(std::uint32_t handle) {
        std::vector<shell::OpcDataChange> changes;
        for (const shell::OpcDataChange& change : All())
            if (change.clientHandle == handle)
                changes.push_back(change);
        return changes;
    }
    void Clear() {
        const std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<std::vector<shell::OpcDataChange>> m_calls;
};

// Captures the process log while it lives.
class LogCapture {
public:
    LogCapture() {
        m_level = platform::log::Level();
        platform::log::SetLevel(platform::LogLevel::Info);
        m_previous = platform::log::SetSink([this](platform::LogLevel, std::string_view text) {
            const std::lock_guard lock(m_mutex);
            m_text += text;
            m_text += '\n';
        });
    }
    ~LogCapture() {
        platform::log::SetSink(m_previous);
        platform::log::SetLevel(m_level);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::string Text() {
        const std::lock_guard lock(m_mutex);
        return m_text;
    }
    bool Contains(std::string_view part) { return Text().find(part) != std::string::npos; }

private:
    std::mutex m_mutex;
    std::string m_text;
    platform::log::Sink m_previous;
    platform::LogLevel m_level;
};

} // namespace opctest
