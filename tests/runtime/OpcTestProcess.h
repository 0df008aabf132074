// Quorva run-time. Licensed under the MIT licence.
#pragma once

// A server process for the OPC client's tests and benchmarks (opcsim, the Node.js interop
// server): started with posix_spawn, its standard output read line by line on a thread of its
// own, stopped with SIGTERM (SIGKILL after a grace) when the object goes. Header-only, so that
// the benchmarks can use it without the test support library.

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testsupport {

// A TCP port of the loopback that nobody listened on a moment ago.
inline std::uint16_t FreeOpcTestPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Whether something accepts TCP connections on the loopback at `port`.
inline bool OpcTestPortOpen(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return open;
}

// Polls every 10 ms until `done` holds, at most `timeout`: the values come from another thread
// or process. Whether it held.
template <typename Done> bool OpcEventually(Done done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class OpcTestProcess {
public:
    // Starts `argv[0]` (searched in PATH when it holds no "/") with `environment` added to
    // this process's environment ("NAME=value" entries). Started() tells whether it runs.
    explicit OpcTestProcess(const std::vector<std::string>& argv,
                            const std::vector<std::string>& environment = {}) {
        int pipeEnds[2];
        if (argv.empty() || ::pipe2(pipeEnds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        std::vector<std::string> envStore;
        for (char** entry = environ; *entry != nullptr; ++entry)
            envStore.emplace_back(*entry);
        envStore.insert(envStore.end(), environment.begin(), environment.end());
        std::vector<char*> env;
        for (std::string& entry : envStore)
            env.push_back(entry.data());
        env.push_back(nullptr);
        const int spawned =
            ::posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), env.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        if (spawned != 0) {
            m_pid = -1;
            ::close(pipeEnds[0]);
            return;
        }
        m_reader = std::thread([this, fd = pipeEnds[0]] { ReadLines(fd); });
    }
    ~OpcTestProcess() {
        Stop();
        if (m_reader.joinable())
            m_reader.join();
    }
    OpcTestProcess(const OpcTestProcess&) = delete;
    OpcTestProcess& operator=(const OpcTestProcess&) = delete;

    bool Started() const { return m_pid > 0; }

    // Whether its standard output was closed: it ended (or closed it).
    bool OutputEnded() const {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }

    // Stops the process: SIGTERM, SIGKILL when it has not ended within two seconds. Its wait
    // status (-1 when it was not running).
    int Stop() { return End(SIGTERM); }
    // Ends the process at once, as a crash would.
    int Kill() { return End(SIGKILL); }

    // Waits for the first line from the `from`th on (0: the first line) that `matches`, at most
    // `timeout`; the line, or empty. `at` receives its position.
    std::string WaitForLine(const std::function<bool(const std::string&)>& matches,
                            std::chrono::milliseconds timeout, std::size_t from = 0,
                            std::size_t* at = nullptr) {
        std::unique_lock lock(m_mutex);
        std::string found;
        m_changed.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < m_lines.size(); ++i) {
                if (matches(m_lines[i])) {
                    found = m_lines[i];
                    if (at != nullptr)
                        *at = i;
                    return true;
                }
            }
            return m_ended;
        });
        return found;
    }
    // The lines that start with `prefix`, from the `from`th line on.
    std::vector<std::string> LinesStartingWith(const std::string& prefix,
                                               std::size_t from = 0) const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> lines;
        for (std::size_t i = from; i < m_lines.size(); ++i)
            if (m_lines[i].rfind(prefix, 0) == 0)
                lines.push_back(m_lines[i]);
        return lines;
    }
    std::size_t LineCount() const {
        std::lock_guard lock(m_mutex);
        return m_lines.size();
    }

private:
    int End(int signal) {
        if (m_pid <= 0)
            return -1;
        ::kill(m_pid, signal);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
        return status;
    }

    void ReadLines(int fd) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t end = 0;
            std::lock_guard lock(m_mutex);
            while ((end = pending.find('\n')) != std::string::npos) {
                m_lines.push_back(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
            m_changed.notify_all();
        }
        ::close(fd);
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }

    pid_t m_pid = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    bool m_ended = false;
};

} // namespace testsupport
