// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// True for a status code of severity Good without limit bits: the value is as good as the
// server can make it (what classic OPC called quality 192). Uncertain and Bad values, and Good
// values clamped at a limit, are not good.
bool OpcStatusIsGood(std::uint32_t status);

// How the client secures its channel to the server.
enum class OpcSecurity : std::uint8_t { None, Sign, SignAndEncrypt };

// Where and how to reach one OPC UA server.
struct OpcEndpoint {
    std::string url; // "opc.tcp://host:4840/path"
    OpcSecurity security = OpcSecurity::None;
    std::string user; // empty: anonymous
    std::string password;
};

// The bounds of every exchange with the server. A unit that calls the client never waits
// longer than `connect` for a connection nor longer than `service` for any other call.
struct OpcTimeouts {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds service{2000};
    std::chrono::milliseconds reconnectInterval{1000}; // between two tries after a lost link
};

// One changed value of a monitored item, as the server sent it.
struct OpcDataChange {
    std::uint32_t clientHandle = 0;
    std::uint32_t status = 0; // the OPC UA status code of the value (0: Good)
    std::string text;         // the value as UTF-8 text; empty when the status is not good
};

// How a connection attempt ended.
enum class OpcConnectResult : std::uint8_t {
    Connected,
    Unreachable,         // no session with the server
    SubscriptionRefused, // a session, but the server refused the subscription
};

// An OPC UA client with one session and one subscription, driven by one thread of its own
// that alone touches the stack: the calls below hand their request to that thread and wait for
// its answer, bounded by the timeouts. Data changes are handed to the sink on that thread, one
// call per notification message, in the order the server sent them. The sink must not call the
// client (its calls would wait for the very thread that runs the sink, until their timeout).
//
// A lost link is re-established in the background: the session, the subscription and every
// monitored item are made again, and the log says so. Meanwhile reads and writes fail at once,
// and items added are monitored once the link is back.
class OpcClient {
public:
    using DataChangeSink = std::function<void(const std::vector<OpcDataChange>&)>;

    explicit OpcClient(DataChangeSink sink, OpcTimeouts timeouts = {});
    ~OpcClient(); // closes and joins its thread
    OpcClient(const OpcClient&) = delete;
    OpcClient& operator=(const OpcClient&) = delete;

    // Opens a session and creates the subscription, publishing and sampling at `interval`.
    // The reason of a failure is logged.
    OpcConnectResult Connect(const OpcEndpoint& endpoint, std::chrono::milliseconds interval);
    // Deletes the subscription and closes the session; true when the subscription was deleted.
    // False when not connected.
    bool Close();
    // A session is held (also while its link is being re-established).
    bool Connected() const;
    // The link is up this moment.
    bool LinkUp() const;

    // Monitors an item under a client handle. The item is a NodeId in its text form
    // ("ns=2;s=Tank.Level", "ns=3;i=1001") or a browse path from the Objects folder
    // ("Plant/Tank/Level", elements optionally "2:Level"). Fails for an unknown node.
    platform::Status AddItem(std::string_view item, std::uint32_t clientHandle);
    // The item's value read from the server, as UTF-8 text.
    platform::Result<std::string> ReadText(std::string_view item);
    // Writes text to the item, converted to the item's data type.
    platform::Status WriteText(std::string_view item, std::string_view text);

private:
    class Worker;
    std::unique_ptr<Worker> m_worker;
};

// The [OpcServers] entries of the project's and the machine's "quorva.ini": a name ("ProgID" or
// "host/ProgID", compared without case) and its endpoint.
class OpcServerTable {
public:
    static OpcServerTable Load(const std::string& projectDirectory);
    void Add(std::string name, OpcEndpoint endpoint); // a later entry of a name wins
    // The endpoint of a server name: an "opc.tcp://" URL as given, else the table's entry.
    std::optional<OpcEndpoint> Resolve(std::string_view name) const;

private:
    std::vector<std::pair<std::string, OpcEndpoint>> m_entries;
};

} // namespace shell
