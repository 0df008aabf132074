// Quorva run-time. Licensed under the MIT licence.
#include "shell/SmtpConnection.h"

#include "platform/Log.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fmt/format.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace shell::mail {

namespace {

// Replies are a few lines; a server that sends more is not one to talk to.
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

// Closes the socket unless it was handed on.
struct SocketGuard {
    int socket;
    ~SocketGuard() {
        if (socket >= 0)
            ::close(socket);
    }
    int Release() { return std::exchange(socket, -1); }
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

platform::Result<sockaddr_in> Resolve(const ServerAddress& server) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.port);
    if (::inet_pton(AF_INET, server.host.c_str(), &address.sin_addr) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    // An empty name would make the resolver answer with the local machine.
    if (server.host.empty() || server.host.find('\0') != std::string::npos ||
        ::getaddrinfo(server.host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return platform::Fail("Couldn't resolve hostname " + server.host);
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

int Milliseconds(std::chrono::steady_clock::duration duration) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 24LL * 3600 * 1000));
}

} // namespace

platform::Result<ServerAddress> ParseServer(std::string_view server) {
    const std::size_t colon = server.find(':');
    ServerAddress parsed;
    parsed.host = std::string(server.substr(0, colon));
    if (colon == std::string_view::npos)
        return parsed;
    const std::string_view port = server.substr(colon + 1);
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit))
        return platform::Fail("Bad port in SMTP server " + std::string(server));
    const int number = std::stoi(std::string(port));
    if (number < 1 || number > 65535)
        return platform::Fail("Bad port in SMTP server " + std::string(server));
    parsed.port = static_cast<std::uint16_t>(number);
    return parsed;
}

SmtpReply ParseReplyLine(std::string_view line) {
    SmtpReply reply;
    reply.line = std::string(line);
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, IsDigit))
        return reply;
    reply.wellFormed = true;
    reply.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    if (line.size() > 4)
        reply.text = std::string(line.substr(4));
    return reply;
}

platform::Result<std::unique_ptr<SmtpConnection>>
SmtpConnection::Open(const ServerAddress& server, std::chrono::milliseconds timeout) {
    auto address = Resolve(server);
    if (!address)
        return platform::Fail(address.Error());
    SocketGuard guard{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    auto refuse = [&](std::string_view reason) {
        platform::LogWarning("mail: no connection to {}:{}: {}", server.host, server.port, reason);
        return platform::Fail("INVALID_SOCKET");
    };
    if (guard.socket < 0)
        return refuse(std::strerror(errno));
    if (::connect(guard.socket, reinterpret_cast<const sockaddr*>(&address.Value()),
                  sizeof(sockaddr_in)) != 0) {
        if (errno != EINPROGRESS)
            return refuse(std::strerror(errno));
        std::unique_ptr<SmtpConnection> pending(new SmtpConnection(guard.Release(), server.host));
        if (!pending->Wait(POLLOUT, std::chrono::steady_clock::now() + timeout))
            return refuse(fmt::format("no answer within {} ms", timeout.count()));
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(pending->m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0)
            return refuse(std::strerror(error));
        return pending;
    }
    return std::unique_ptr<SmtpConnection>(new SmtpConnection(guard.Release(), server.host));
}

SmtpConnection::~SmtpConnection() {
    ::close(m_socket);
}

bool SmtpConnection::Wait(short events, Deadline deadline) const {
    for (;;) {
        pollfd entry{m_socket, events, 0};
        const int ready =
            ::poll(&entry, 1, Milliseconds(deadline - std::chrono::steady_clock::now()));
        if (ready > 0)
            return true; // errors and hang-ups show in the following call
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true;
    }
}

platform::Status SmtpConnection::Send(std::string_view bytes, std::chrono::milliseconds timeout) {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a server that has gone is an error to report, not a SIGPIPE.
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return platform::Fail(
                fmt::format("SMTP connection error with {}: {}", m_host, std::strerror(errno)));
        if (!Wait(POLLOUT, std::chrono::steady_clock::now() + timeout))
            return platform::Fail(fmt::format("SMTP time-out: {} took no data within {} ms", m_host,
                                              timeout.count()));
    }
    return {};
}

platform::Result<std::string> SmtpConnection::ReadLine(Deadline deadline,
                                                       std::chrono::milliseconds timeout,
                                                       std::size_t& replyBytes) {
    for (;;) {
        const std::size_t end = m_received.find('\n');
        if (end != std::string::npos) {
            std::string line = m_received.substr(0, end);
            m_received.erase(0, end + 1);
            std::erase(line, '\r');
            return line;
        }
        if (replyBytes > kMaxReplyBytes)
            return platform::Fail(fmt::format("SMTP reply too long from {}", m_host));
        if (!Wait(POLLIN, deadline))
            return platform::Fail(fmt::format("SMTP time-out: no reply from {} within {} ms",
                                              m_host, timeout.count()));
        char buffer[4096];
        const ssize_t got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got == 0)
            return platform::Fail(fmt::format("SMTP connection closed by {}", m_host));
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return platform::Fail(
                fmt::format("SMTP connection error with {}: {}", m_host, std::strerror(errno)));
        }
        m_received.append(buffer, static_cast<std::size_t>(got));
        replyBytes += static_cast<std::size_t>(got);
    }
}

platform::Result<SmtpReply> SmtpConnection::ReadReply(std::chrono::milliseconds timeout) {
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t replyBytes = m_received.size();
    auto first = ReadLine(deadline, timeout, replyBytes);
    if (!first)
        return platform::Fail(first.Error());
    SmtpReply reply = ParseReplyLine(first.Value());
    std::string line = std::move(first.Value());
    while (line.size() >= 4 && line[3] == '-') {
        auto next = ReadLine(deadline, timeout, replyBytes);
        if (!next)
            return platform::Fail(next.Error());
        line = std::move(next.Value());
    }
    return reply;
}

} // namespace shell::mail
