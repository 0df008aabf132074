// Quorva run-time. Licensed under the MIT licence.
// The cyclic scheduler: the cost of one pass over 50 cyclic units whose main entries return at
// once, and (with --jitter[=SECONDS]) the period of a scan loop like the run-time's: a pass,
// then a 10 ms sleep, measured over SECONDS (default 60), median and 99th percentile printed.

#include "engine/ProgramRecords.h"
#include "engine/Scheduler.h"
#include "platform/Clock.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "runtime/SystemVariables.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUnits = 50;

// 50 cyclic units of one `ret` each, over the real system variable cells.
struct Pass {
    static std::unique_ptr<Pass> Create() {
        auto pass = std::make_unique<Pass>();
        auto memory = platform::GuestMemory::Create();
        if (!memory)
            return nullptr;
        pass->memory = std::move(memory.Value());
        auto cells = runtime::SystemVariables::Create(*pass->memory);
        if (!cells)
            return nullptr;
        pass->cells = std::move(cells.Value());
        for (int i = 0; i < kUnits; ++i) {
            std::optional<platform::GuestAddress> code = pass->memory->Allocate(16);
            if (!code || !pass->memory->Write<std::uint8_t>(*code, 0xC3))
                return nullptr;
            pass->memory->InvalidateCode(*code, 16);
            auto unit = std::make_unique<engine::TProgRun>();
            unit->name = fmt::format("UNIT{}", i);
            unit->mainEntry = *code;
            pass->programs.Cyclic().push_back(unit.get());
            pass->programs.Programs().push_back(std::move(unit));
        }
        using runtime::SystemVariableId;
        const engine::ScanVariables scanCells{pass->cells->HostCell(SystemVariableId::BT_10),
                                              pass->cells->HostCell(SystemVariableId::BT_100),
                                              pass->cells->HostCell(SystemVariableId::START_PROG),
                                              pass->cells->HostCell(SystemVariableId::END_PROG)};
        pass->scheduler = std::make_unique<engine::Scheduler>(pass->programs, scanCells,
                                                              platform::SystemClock::Instance());
        return pass;
    }

    std::unique_ptr<platform::GuestMemory> memory;
    std::unique_ptr<runtime::SystemVariables> cells;
    engine::ProgramList programs;
    std::unique_ptr<engine::Scheduler> scheduler;
};

void BM_PassOverFiftyEmptyUnits(benchmark::State& state) {
    auto pass = Pass::Create();
    if (!pass) {
        state.SkipWithError("cannot set the units up");
        return;
    }
    auto cpu = platform::CpuEngine::Create(*pass->memory);
    if (!cpu) {
        state.SkipWithError(cpu.Error().c_str());
        return;
    }
    pass->scheduler->RunScan(*cpu.Value()); // first calls translate the code
    for (auto _ : state)
        pass->scheduler->RunScan(*cpu.Value());
    state.counters["units"] = kUnits;
}
BENCHMARK(BM_PassOverFiftyEmptyUnits)->Unit(benchmark::kMicrosecond);

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

int RunJitter(int seconds) {
    auto pass = Pass::Create();
    if (!pass) {
        fmt::print(stderr, "scheduler_bench: cannot set the units up\n");
        return 1;
    }
    auto cpu = platform::CpuEngine::Create(*pass->memory);
    if (!cpu) {
        fmt::print(stderr, "scheduler_bench: {}\n", cpu.Error());
        return 1;
    }
    const platform::Clock& clock = platform::SystemClock::Instance();
    std::vector<double> periods;
    std::vector<double> passes;
    periods.reserve(static_cast<std::size_t>(seconds) * 100 + 16);
    passes.reserve(periods.capacity());
    const std::int64_t end = clock.Microseconds() + std::int64_t{seconds} * 1'000'000;
    std::int64_t previous = clock.Microseconds();
    while (previous < end) {
        pass->scheduler->RunScan(*cpu.Value());
        const std::int64_t passEnd = clock.Microseconds();
        clock.SleepMilliseconds(10);
        const std::int64_t now = clock.Microseconds();
        passes.push_back(static_cast<double>(passEnd - previous));
        periods.push_back(static_cast<double>(now - previous));
        previous = now;
    }
    fmt::print("scan loop over {} s, {} passes of {} empty units\n", seconds, periods.size(),
               kUnits);
    fmt::print("period: median {:.1f} us, 99th percentile {:.1f} us, max {:.1f} us\n",
               Percentile(periods, 0.5), Percentile(periods, 0.99),
               *std::max_element(periods.begin(), periods.end()));
    fmt::print("pass:   median {:.1f} us, 99th percentile {:.1f} us\n", Percentile(passes, 0.5),
               Percentile(passes, 0.99));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--jitter")
            return RunJitter(60);
        if (argument.rfind("--jitter=", 0) == 0) {
            const int seconds = std::atoi(argv[i] + std::strlen("--jitter="));
            if (seconds <= 0) {
                fmt::print(stderr, "scheduler_bench: --jitter=SECONDS needs a positive number\n");
                return 2;
            }
            return RunJitter(seconds);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
