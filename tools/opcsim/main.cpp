// Quorva run-time. Licensed under the MIT licence.
#include "OpcSimServer.h"
#include "platform/Log.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fmt/format.h>
#include <thread>

namespace {

constexpr int Failure = 1;

constexpr const char* Description =
    "opcsim - an OPC UA server that simulates a small plant, for trying the run-time's OPC\n"
    "client.\n\n"
    "Nodes (namespace 1, string NodeIds, also by browse path under Objects):\n"
    "  Types/<T>    writable values of every scalar type (ns=1;s=Types.Int32, ...)\n"
    "  Plant/Tank/Level, PumpCommand, Inflow   (--tank: the level follows the pump)\n"
    "  Status/Bad (status BadSensorFailure), Status/Toggle (Good/Bad every second)\n"
    "  Bench/Item0000.. (--items N, changed every --change-ms), Counter (every 100 ms)\n\n"
    "Every value a client writes is printed: \"write <nodeid> = <value>\".\n"
    "Exit codes: 0 stopped by SIGINT/SIGTERM, 1 failed (the message says why), 2 bad usage.";

// Set by the signal handler only.
std::atomic<bool> s_stopRequested{false};

extern "C" void RequestStop(int) {
    s_stopRequested = true;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{Description, "opcsim"};
    opcsim::SimOptions options;
    int changeMs = 10;
    bool quiet = false;
    app.add_option("--port", options.port, "TCP port to serve (default 4840)");
    app.add_flag("--tank", options.tank, "simulate the tank level");
    app.add_option("--items", options.benchItems, "number of Bench items (default 0)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--change-ms", changeMs, "Bench change interval in ms (default 10)")
        ->check(CLI::Range(5, 3600000));
    app.add_option("--user", options.user, "require this user (anonymous refused)");
    app.add_option("--password", options.password, "the user's password");
    app.add_flag("--security", options.security,
                 "also offer Sign and SignAndEncrypt endpoints (self-signed certificate)");
    app.add_flag("--quiet", quiet, "log warnings only");
    CLI11_PARSE(app, argc, argv);

    platform::log::SetProgramName("opcsim");
    platform::log::SetLevel(quiet ? platform::LogLevel::Warning : platform::LogLevel::Info);
    if (!options.password.empty() && options.user.empty()) {
        fmt::print(stderr, "opcsim: --password needs --user\n");
        return 2;
    }
    options.changeInterval = std::chrono::milliseconds(changeMs);
    options.onWrite = [](std::string_view line) {
        fmt::print("{}\n", line);
        std::fflush(stdout);
    };
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);

    auto server = opcsim::OpcSimServer::Start(std::move(options));
    if (!server) {
        fmt::print(stderr, "opcsim: {}\n", server.Error());
        return Failure;
    }
    platform::LogInfo("serving {}", server.Value()->Url());
    while (!s_stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server.Value()->Stop();
    platform::LogInfo("stopped");
    return 0;
}
