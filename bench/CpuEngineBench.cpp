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
    state.counters["target_us"] = 0.5;
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

// The memory-bound step: the counter and the accumulator in memory, the local on the stack.
// `volatile` makes the compiled loop load and store them as the guest code does.
[[gnu::noinline]] std::uint32_t NativeMemory(volatile std::uint32_t* cells, std::uint32_t n) {
    volatile std::uint32_t local = 0;
    for (std::uint32_t i = n; i != 0; --i) {
        const std::uint32_t counter = cells[0] + 1;
        cells[0] = counter;
        cells[1] = cells[1] + (counter * 3 + local);
        local = local + (counter & 7);
    }
    return cells[1];
}

[[gnu::noinline]] void NativeFrameStep(volatile std::uint32_t* local,
                                       volatile std::uint32_t* cells) {
    volatile std::uint32_t counter = cells[0] + 1;
    cells[0] = counter;
    cells[1] = cells[1] + (counter * 3 + *local);
    *local = *local + (counter & 7);
}

[[gnu::noinline]] std::uint32_t NativeCallFrame(volatile std::uint32_t* cells, std::uint32_t n) {
    volatile std::uint32_t local = 0;
    for (std::uint32_t i = n; i != 0; --i)
        NativeFrameStep(&local, cells);
    return cells[1];
}

enum Loop { kSeries, kInteger, kSeriesInMemory, kMemory, kCallFrame };

struct LoopCase {
    std::uint32_t entry;
    double targetRatio; // 0: none, the loop is bound by the emulator's software floating point
};

LoopCase CaseOf(Loop loop) {
    switch (loop) {
    case kSeries:
        return {code::kSeriesLoop, 0};
    case kInteger:
        return {code::kIntegerLoop, 2};
    case kSeriesInMemory:
        return {code::kSeriesMemoryLoop, 0};
    case kMemory:
        return {code::kMemoryLoop, 4};
    case kCallFrame:
        return {code::kCallFrameLoop, 12};
    }
    return {};
}

// Arg kSeries: integer and x87 arithmetic in registers; kInteger: integer only;
// kSeriesInMemory: the series with its counter in a memory variable; kMemory: integer steps
// whose variables live in the global block and on the stack; kCallFrame: the same step as a
// called procedure with a stack frame. Native and guest loops both run in every iteration, so
// the ratio compares figures of the same run. helper_calls_per_step counts the calls of the
// emulator's memory helpers and exit check: about one a translated block, never one an access.
void BM_ComputeGuestAgainstNative(benchmark::State& state) {
    Guest guest;
    if (!guest.Make(state))
        return;
    const auto loop = static_cast<Loop>(state.range(0));
    const LoopCase loopCase = CaseOf(loop);
    constexpr std::uint32_t kN = 200000;
    // A unit's variables lie on pages without code (the loader keeps them apart): the
    // variable of the series gets a page of its own, the cells sit in the global block.
    auto page = guest.memory->Allocate(2 * guest::kPageSize);
    if (!page) {
        state.SkipWithError("no heap");
        return;
    }
    const GuestAddress variable = (*page + guest::kPageSize) & ~(guest::kPageSize - 1);
    const GuestAddress guestCells = guest::kGlobalBase + 0x100;
    volatile std::uint32_t nativeCells[2] = {};

    Clock::duration native{}, emulated{};
    std::uint64_t helperCalls = 0;
    for (auto _ : state) {
        nativeCells[0] = 0;
        nativeCells[1] = 0;
        guest.memory->Write<std::uint64_t>(guestCells, 0);
        Clock::time_point start = Clock::now();
        std::uint32_t nativeHash = 0;
        long double nativeSum = 0;
        switch (loop) {
        case kInteger:
            nativeHash = NativeInteger(kN);
            break;
        case kSeries:
            std::tie(nativeHash, nativeSum) = NativeSeries(kN);
            break;
        case kSeriesInMemory:
            std::tie(nativeHash, nativeSum) = NativeSeriesInMemory(kN);
            break;
        case kMemory:
            nativeHash = NativeMemory(nativeCells, kN);
            break;
        case kCallFrame:
            nativeHash = NativeCallFrame(nativeCells, kN);
            break;
        }
        benchmark::DoNotOptimize(nativeHash);
        benchmark::DoNotOptimize(nativeSum);
        native += Clock::now() - start;

        const std::uint64_t helperBefore = guest.engine->HelperCalls();
        start = Clock::now();
        auto result = guest.engine->Call(guest.code + loopCase.entry,
                                         {.ecx = kN, .edx = variable, .esi = guestCells});
        emulated += Clock::now() - start;
        helperCalls += guest.engine->HelperCalls() - helperBefore;
        const bool floats = loop == kSeries || loop == kSeriesInMemory;
        if (!result.IsOk() || result->eax != nativeHash ||
            (floats && guest.engine->St(0) != nativeSum)) {
            state.SkipWithError("guest and native results differ");
            break;
        }
    }
    const auto steps = static_cast<double>(state.iterations()) * kN;
    state.counters["native_ns_per_step"] = Seconds(native) * 1e9 / steps;
    state.counters["guest_ns_per_step"] = Seconds(emulated) * 1e9 / steps;
    state.counters["ratio"] = Seconds(emulated) / Seconds(native);
    state.counters["helper_calls_per_step"] = static_cast<double>(helperCalls) / steps;
    if (loopCase.targetRatio > 0)
        state.counters["target_ratio"] = loopCase.targetRatio;
}
BENCHMARK(BM_ComputeGuestAgainstNative)
    ->ArgName("loop")
    ->Arg(kSeries)
    ->Arg(kInteger)
    ->Arg(kSeriesInMemory)
    ->Arg(kMemory)
    ->Arg(kCallFrame)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
