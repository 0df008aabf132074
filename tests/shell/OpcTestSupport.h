// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Log.h"
#include "shell/OpcClient.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Helpers of the OPC client's tests: the simulation server as a process of its own, a data
// change collector and a log capture.
namespace opctest {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Waits until `done` holds, at most `limit`; true when it held.
template <typename Predicate> bool WaitUntil(std::chrono::milliseconds limit, Predicate done) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A TCP port nobody listens on this moment.
inline int FreePort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

inline bool PortAccepts(int port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted =
        ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return accepted;
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
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the server on its port; true once the port accepts connections, false when the
    // server ended instead.
    bool Start() {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<std::string> args = {QUORVA_OPCSIM, "--quiet", "--port",
                                         std::to_string(m_port)};
        args.insert(args.end(), m_extra.begin(), m_extra.end());
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned =
            ::posix_spawn(&m_pid, QUORVA_OPCSIM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (spawned != 0) {
            ::close(pipeFds[0]);
            m_pid = 0;
            return false;
        }
        m_reader = std::thread([this, fd = pipeFds[0]] { ReadLines(fd); });
        bool ended = false;
        const bool up = WaitUntil(10s, [this, &ended] {
            ended = ::waitpid(m_pid, nullptr, WNOHANG) == m_pid;
            return ended || PortAccepts(m_port);
        });
        if (ended) {
            m_pid = 0;
            m_reader.join();
            return false;
        }
        return up;
    }

    int Port() const { return m_port; }

    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
        if (m_reader.joinable())
            m_reader.join();
    }

    // Stops with SIGTERM; the exit status.
    int Terminate() {
        int status = -1;
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, &status, 0);
            m_pid = 0;
        }
        if (m_reader.joinable())
            m_reader.join();
        return status;
    }

    bool WaitForLine(const std::string& line, std::chrono::milliseconds limit = 5s) {
        return WaitUntil(limit, [&] {
            const std::lock_guard lock(m_mutex);
            for (const std::string& seen : m_lines)
                if (seen == line)
                    return true;
            return false;
        });
    }

    std::string Url() const { return UrlOf(m_port); }

private:
    void ReadLines(int fd) {
        std::string pending;
        char buffer[4096];
        while (true) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count <= 0)
                break;
            pending.append(buffer, static_cast<std::size_t>(count));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::lock_guard lock(m_mutex);
                m_lines.push_back(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        ::close(fd);
    }

    std::vector<std::string> m_extra;
    int m_port = 0;
    pid_t m_pid = 0;
    std::thread m_reader;
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
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
