// Quorva run-time. Licensed under the MIT licence.
#include "cpu_engine_bench.inc"
#include "platform/CpuEngine.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <tuple>
#include <utility>

// Costs of running unit code on the emulated CPU: entering and leaving it, a trap to the host
// and back, and compute-bound guest code against the same loop compiled natively.

using namespace platform;
namespace code = guest_asm::cpu_engine_bench;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

class SetEax final : public TrapHandler {
public:
    void OnTrap(CpuEngine& cpu, std::uint32_t index) override {
        cpu.Set(X86Register::Eax, index + 1);
    }
};

// Guest memory with the benchmark code placed, a trap stub and one engine.
struct Guest {
    std::unique_ptr<GuestMemory> memory;
    std::unique_ptr<CpuEngine> engine;
    GuestAddress code = 0;
    SetEax traps;

    bool Make(benchmark::State& state) {
        auto created = GuestMemory::Create();
        if (!created.IsOk()) {
            state.SkipWithError(created.Error().c_str());
            return false;
        }
        memory = std::move(created.Value());
        auto block = memory->Allocate(static_cast<std::uint32_t>(code::kCode.size()));
        auto stub = memory->AllocateRuntime(4);
        const std::uint8_t trapThenReturn[] = {0xCD, 0x80, 0xC3};
        if (!block || !stub || !memory->PlaceCode(*block, code::kCode, code::kRelocations) ||
            !memory->WriteBytes(*stub, trapThenReturn, sizeof trapThenReturn) ||
            !memory->SetTrapArea(*stub, 4, 1, &traps) ||
            !memory->Write<std::uint32_t>(*block + code::kTrapCell, *stub)) {
            state.SkipWithError("cannot place the guest code");
            return false;
        }
        code = *block;
        auto made = CpuEngine::Create(*memory);
        if (!made.IsOk()) {
            state.SkipWithError(made.Error().c_str());
            return false;
        }
        engine = std::move(made.Value());
        return true;
    }
};

void BM_EnterAndLeaveUnitCode(benchmark::State& state) {
    Guest guest;
    if (!guest.Make(state))
        return;
    const GuestAddress entry = guest.code + code::kEmptyEntry;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        if (!guest.engine->CallUnitCode(entry).IsOk()) {
            state.SkipWithError("call failed");
            break;
        }
    }
    const double perCall = Seconds(Clock::now() - start) / static_cast<double>(state.iterations());
    state.counters["us_per_call"] = perCall * 1e6;
    state.counters["target_us"] = 2.0;
}
BENCHMARK(BM_EnterAndLeaveUnitCode);

void BM_TrapRoundTrip(benchmark::State& state) {
    Guest guest;
    if (!guest.Make(state))
        return;
    const auto trapsPerCall = static_cast<std::uint32_t>(state.range(0));
    const GuestAddress loop = guest.code + code::kTrapLoop;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        auto result = guest.engine->Call(loop, {.ecx = trapsPerCall});
        if (!result.IsOk() || result->eax != 1) {
            state.SkipWithError("trap loop failed");
            break;
        }
    }
    const double perTrap =
        Seconds(Clock::now() - start) / (static_cast<double>(state.iterations()) * trapsPerCall);
    state.counters["us_per_trap"] = perTrap * 1e6;
    state.counters["target_us"] = 0.25;
}
BENCHMARK(BM_TrapRoundTrip)->Arg(1000);

// The guest loops written out in C++. `long double` arithmetic is x87 arithmetic on x86-64
// hosts, as in the guest, so both give the same bits.
[[gnu::noinline]] std::pair<std::uint32_t, long double> NativeSeries(std::uint32_t n) {
    std::uint32_t h = 0;
    long double x = 0, sum = 0;
    for (std::uint32_t i = 1; i <= n; ++i) {
        h = h * 31 + i;
        x += 1;
        sum += 1 / (x * x);
    }
    return {h, sum};
}

[[gnu::noinline]] std::pair<std::uint32_t, long double> NativeSeriesInMemory(std::uint32_t n) {
    std::uint32_t h = 0;
    long double x = 0, sum = 0;
    static volatile std::uint32_t i; // a variable in memory, as in the guest
    i = 1;
    while (i <= n) {
        h = h * 31 + i;
        x += 1;
        sum += 1 / (x * x);
        i = i + 1;
    }
    return {h, sum};
}

[[gnu::noinline]] std::uint32_t NativeInteger(std::uint32_t n) {
    std::uint32_t h = 0;
    for (std::uint32_t i = 1; i <= n; ++i)
        h = ((h * 31 + i) ^ (h >> 7)) + (i & 3);
    return h;
}

enum Loop { kSeries, kInteger, kSeriesInMemory };

// Arg kSeries: integer and x87 arithmetic in registers; kInteger: integer only;
// kSeriesInMemory: the series with its counter in a memory variable. Native and guest loops
// both run in every iteration, so the ratio compares figures of the same run.
void BM_ComputeGuestAgainstNative(benchmark::State& state) {
    Guest guest;
    if (!guest.Make(state))
        return;
    const auto loop = static_cast<Loop>(state.range(0));
    constexpr std::uint32_t kN = 200000;
    const GuestAddress entry = guest.code + (loop == kSeries    ? code::kSeriesLoop
                                             : loop == kInteger ? code::kIntegerLoop
                                                                : code::kSeriesMemoryLoop);
    auto variable = guest.memory->Allocate(4);
    if (!variable) {
        state.SkipWithError("no heap");
        return;
    }
    Clock::duration native{}, emulated{};
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        std::uint32_t nativeHash = 0;
        long double nativeSum = 0;
        if (loop == kInteger)
            nativeHash = NativeInteger(kN);
        else if (loop == kSeries)
            std::tie(nativeHash, nativeSum) = NativeSeries(kN);
        else
            std::tie(nativeHash, nativeSum) = NativeSeriesInMemory(kN);
        benchmark::DoNotOptimize(nativeHash);
        benchmark::DoNotOptimize(nativeSum);
        native += Clock::now() - start;

        start = Clock::now();
        auto result = guest.engine->Call(entry, {.ecx = kN, .edx = *variable});
        emulated += Clock::now() - start;
        if (!result.IsOk() || result->eax != nativeHash ||
            (loop != kInteger && guest.engine->St(0) != nativeSum)) {
            state.SkipWithError("guest and native results differ");
            break;
        }
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["native_ns_per_step"] = Seconds(native) * 1e9 / (iterations * kN);
    state.counters["guest_ns_per_step"] = Seconds(emulated) * 1e9 / (iterations * kN);
    state.counters["ratio"] = Seconds(emulated) / Seconds(native);
    state.counters["target_ratio"] = 4.0;
}
BENCHMARK(BM_ComputeGuestAgainstNative)
    ->ArgName("loop")
    ->Arg(kSeries)
    ->Arg(kInteger)
    ->Arg(kSeriesInMemory)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
