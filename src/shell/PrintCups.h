// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "shell/PrintSpool.h"

typedef struct _http_s http_t;

namespace shell::printcups {

// A printer CUPS knows, with the page of its default media.
struct Printer {
    std::string name;
    bool isDefault = false;
    PrintSpool::PageSize page;
};

// What CUPS says of one printer before a job is sent to it.
struct PrinterState {
    bool stopped = false;
    bool acceptingJobs = true;
    std::string message; // the printer's state message, may be empty
};

enum class SendResult {
    Sent,
    Unavailable, // the scheduler or the printer cannot take the job now: try again later
    Refused,     // the scheduler refused the document itself: trying again will not help
};

struct SendOutcome {
    SendResult result = SendResult::Unavailable;
    int jobId = 0;
    std::string message;
};

// One connection to the CUPS scheduler that the environment names (CUPS_SERVER, client.conf,
// else the local one). Used by one thread at a time; libcups keeps its settings per thread, and
// a connection never asks for a password (a scheduler that wants one refuses the request).
class Connection {
public:
    // Connects within `timeout`; the failure names the server.
    static platform::Result<std::unique_ptr<Connection>> Open(std::chrono::milliseconds timeout);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The scheduler as named (a host or a socket path).
    const std::string& Server() const { return m_server; }

    // Every printer and class, the default first (lpoptions, LPDEST and PRINTER count).
    platform::Result<std::vector<Printer>> Printers();
    // The state of one printer; failure when CUPS does not know it.
    platform::Result<PrinterState> State(const std::string& printer);
    // Sends the PDF file `path` as one job titled `title` (UTF-8, cut to 255 bytes).
    SendOutcome Send(const std::string& printer, const std::string& path,
                     const std::string& title);

private:
    Connection(http_t* http, std::string server) : m_http(http), m_server(std::move(server)) {}

    http_t* m_http;
    std::string m_server;
};

// The server CUPS clients of this process talk to, for log lines.
std::string ServerName();

// `text` as valid UTF-8 of at most `limit` bytes (bad bytes become '?', no character cut).
std::string CleanUtf8(const std::string& text, std::size_t limit);

} // namespace shell::printcups
