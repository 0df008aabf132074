// Quorva run-time. Licensed under the MIT licence.
// The OPC client functions against opcsim's server run in this process on the loopback: the round
// trip of OPCCLIENTREADSYNC (the C++ function its binding calls), and the data changes per second
// that one subscription of 1,000 items, changed every 10 ms, delivers into global variables.
#include "../tests/engine/GlobalsProject.h"
#include "../tests/runtime/OpcTestProcess.h"
#include "OpcSimServer.h"
#include "platform/Log.h"
#include "runtime/OpcFunctions.h"
#include "runtime/Services.h"
#include "shell/MessagePresenter.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fmt/format.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kItems = 1000;

class QuietPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string&, const std::string&, std::uint32_t) override { return 1; }
};

std::vector<engine::QruVariable> BenchGlobals() {
    std::vector<engine::QruVariable> globals;
    for (int i = 0; i < kItems; ++i)
        globals.push_back(testsupport::ExportedGlobal(fmt::format("V{:04}", i), 4, 4));
    return globals;
}

// A project directory with 1,000 Integer globals V0000..V0999, a variable store over them and an
// opcsim server with as many Bench items changed every 10 ms. The process's OPC client is ended
// when it goes.
class OpcBenchRig {
public:
    OpcBenchRig() {
        services.variables = &m_project.store;

        opcsim::SimOptions options;
        options.port = testsupport::FreeOpcTestPort();
        options.benchItems = kItems;
        options.changeInterval = std::chrono::milliseconds(10);
        auto server = opcsim::OpcSimServer::Start(options);
        if (!server) {
            error = server.Error();
            return;
        }
        m_server = std::move(server.Value());
        url = m_server->Url();
    }
    ~OpcBenchRig() {
        runtime::opc::EndOpcClient();
        m_server.reset();
    }

    runtime::Services services;
    std::string url;
    std::string error;

private:
    QuietPresenter m_presenter;
    testsupport::GlobalsProject m_project{"quorva-opc-bench", BenchGlobals(), kItems * 4 + 64,
                                          m_presenter};
    std::unique_ptr<opcsim::OpcSimServer> m_server;
};

void BM_OpcReadSyncRoundTrip(benchmark::State& state) {
    platform::log::SetLevel(platform::LogLevel::Error);
    OpcBenchRig rig;
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    if (runtime::opc::Connect(rig.services, rig.url, "Bench", 1000) != "Connected to OPC server" ||
        !runtime::opc::WriteSync(rig.services, "ns=1;s=Types.Int32", "12345")) {
        state.SkipWithError("no connection to the in-process server");
        return;
    }
    for (auto _ : state) {
        const std::string value = runtime::opc::ReadSync("ns=1;s=Types.Int32");
        if (value != "12345") {
            state.SkipWithError(("READSYNC gave \"" + value + "\"").c_str());
            break;
        }
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_OpcReadSyncRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_OpcDataChangesIntoVariables(benchmark::State& state) {
    platform::log::SetLevel(platform::LogLevel::Error);
    OpcBenchRig rig;
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    if (runtime::opc::Connect(rig.services, rig.url, "Bench", 10) != "Connected to OPC server") {
        state.SkipWithError("no connection to the in-process server");
        return;
    }
    for (int i = 0; i < kItems; ++i) {
        if (!runtime::opc::ReadAsync(rig.services, fmt::format("ns=1;s=Bench.Item{:04}", i),
                                     fmt::format("V{:04}", i))) {
            state.SkipWithError("an item could not be monitored");
            return;
        }
    }
    // The first full notifications, then the rate.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::uint64_t changes = 0;
    for (auto _ : state) {
        const std::uint64_t before = runtime::opc::DeliveredValues();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        changes += runtime::opc::DeliveredValues() - before;
    }
    state.counters["changes"] =
        benchmark::Counter(static_cast<double>(changes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpcDataChangesIntoVariables)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(6);

} // namespace

BENCHMARK_MAIN();
