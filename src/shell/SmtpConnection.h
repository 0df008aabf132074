// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace shell::mail {

// The server part of a send: "host" or "host:port".
struct ServerAddress {
    std::string host;
    std::uint16_t port = 25;
};
// Fails for a port that is not a number from 1 to 65535 ("host:", "host:smtp", "host:0").
platform::Result<ServerAddress> ParseServer(std::string_view server);

// One reply of the server. The code is the number of the first three characters, the text the
// first line from its fifth character on; continuation lines ("250-...") are read and dropped.
struct SmtpReply {
    bool wellFormed = false; // false when the first three characters are not all digits
    int code = 0;
    std::string text;
    std::string line; // the first line as received, for the error of a malformed reply
};
SmtpReply ParseReplyLine(std::string_view line);

// A TCP connection to an SMTP server. The socket never blocks the caller for longer than the
// time given to each operation: connecting, sending (the time the server may take before it
// accepts more bytes) and reading one reply (all its lines). Closed when the object goes. One
// thread at a time.
class SmtpConnection {
public:
    // The host is a dotted IPv4 address or a name (its first IPv4 address is used). Failures:
    // "Couldn't resolve hostname " + host, and "INVALID_SOCKET" for a connection that could not
    // be made (refused, unreachable, timed out; the reason is logged).
    static platform::Result<std::unique_ptr<SmtpConnection>>
    Open(const ServerAddress& server, std::chrono::milliseconds timeout);
    ~SmtpConnection();
    SmtpConnection(const SmtpConnection&) = delete;
    SmtpConnection& operator=(const SmtpConnection&) = delete;

    platform::Status Send(std::string_view bytes, std::chrono::milliseconds timeout);
    // Failures: the time ran out, the server closed the connection, a receive error, a reply
    // longer than 64 KiB. A malformed reply is no failure here: see SmtpReply::wellFormed.
    platform::Result<SmtpReply> ReadReply(std::chrono::milliseconds timeout);

private:
    SmtpConnection(int socket, std::string host) : m_socket(socket), m_host(std::move(host)) {}
    using Deadline = std::chrono::steady_clock::time_point;
    // Waits for `events` on the socket until the deadline; false when the time ran out.
    bool Wait(short events, Deadline deadline) const;
    platform::Result<std::string> ReadLine(Deadline deadline, std::chrono::milliseconds timeout,
                                           std::size_t& replyBytes);

    int m_socket;
    std::string m_host;
    std::string m_received; // bytes after the last line read
};

} // namespace shell::mail
