// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shell {

// One plain-text message as unit code and the alarm manager give it. Texts are code-page bytes.
struct MailMessage {
    std::string from;       // the envelope sender's text (first address of it is used)
    std::string recipients; // one entry: may hold several addresses
    std::string subject;
    std::string body;       // split into lines at CR LF, CR or LF
    std::string server;     // SMTP host: a dotted IPv4 address or a name; ":port" optional
};

// Time limits of one send: connecting, and waiting for each reply of the server (all lines of
// it) or for the server to take more of what is sent. A server that accepts the connection and
// then says nothing holds the caller for `reply` once connected; one that answers each
// command just in time, for at most `reply` per command (about ten, plus one per recipient).
// Name lookups use the system resolver and its own limits (resolv.conf).
struct MailTimeouts {
    std::chrono::milliseconds connect{10000};
    std::chrono::milliseconds reply{30000};
};

// Sends one message over SMTP on the calling thread and returns the error text of the send
// (empty on success): "Couldn't resolve hostname " + host, "INVALID_SOCKET", "SMTP " + reply
// text + code, and the refusals this client adds (a CR or LF inside the sender, recipients or
// subject; a recipient rejected at RCPT TO; a time-out). The first error of a send is the one
// returned. A message without recipients or sender sends nothing and returns "".
//
// The other texts: "Mail refused: line break in the sender" (recipients, subject) and "Mail
// refused: no address in the recipients" (nothing is sent); "Bad port in SMTP server " + server;
// "SMTP malformed reply: " + line for a reply that does not begin with three digits; "SMTP
// time-out: ...", "SMTP connection closed by " + host and "SMTP connection error with ..." when
// the connection fails half-way (the dialogue stops there). Every other error reply of the
// server is recorded and the dialogue goes on, as far as the server lets it; QUIT ends it.
// Any thread may call it; sends share nothing.
std::string SendMail(const MailMessage& message, const MailTimeouts& timeouts = {});

// A worker thread that sends queued messages one after another, so that callers (the alarm
// manager on the GUI thread) never wait for a server. The queue is bounded: a message that finds
// it full is dropped, and the log says so. Errors of sends are logged.
class MailQueue {
public:
    // A capacity of 0 is taken as 1.
    explicit MailQueue(std::size_t capacity = 64, MailTimeouts timeouts = {});
    ~MailQueue(); // sends nothing more, waits for the message being sent
    MailQueue(const MailQueue&) = delete;
    MailQueue& operator=(const MailQueue&) = delete;

    // False when the queue was full and the message was dropped. Any thread.
    bool Post(MailMessage message);
    // Waits until every queued message has been sent or given up (tests, shutdown). Any thread.
    void Drain();
    // Messages dropped because the queue was full. Any thread.
    std::size_t Dropped() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace shell
