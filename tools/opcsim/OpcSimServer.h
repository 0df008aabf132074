// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace opcsim {

struct SimOptions {
    std::uint16_t port = 4840;
    bool tank = false;  // the tank level follows the pump
    int benchItems = 0; // Bench/Item0000.. changed every changeInterval
    std::chrono::milliseconds changeInterval{10};
    std::string user; // set: anonymous sessions are refused
    std::string password;
    bool security = false; // also offer Sign and SignAndEncrypt endpoints
    // Told of every value a client writes: "write <nodeid> = <value text>". Called on the
    // server's thread.
    std::function<void(std::string_view)> onWrite;
};

// An OPC UA server for trying the run-time's OPC client: typed values, a small tank plant,
// values with bad status, many fast-changing values. Runs on a thread of its own from Start
// until Stop or destruction; all of its methods are for the thread that started it.
class OpcSimServer {
public:
    // Fails (with the reason) when the port cannot be served or the options are wrong.
    static platform::Result<std::unique_ptr<OpcSimServer>> Start(SimOptions options);
    ~OpcSimServer();
    OpcSimServer(const OpcSimServer&) = delete;
    OpcSimServer& operator=(const OpcSimServer&) = delete;

    void Stop();
    std::string Url() const;

    struct State;

private:
    explicit OpcSimServer(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace opcsim
