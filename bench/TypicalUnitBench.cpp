// Quorva run-time. Licensed under the MIT licence.
// A typical unit: 20 PID controllers a pass, as compiled unit code (a procedure with a stack
// frame per controller, project globals in the global block, the unit's variables in its data
// area, a little x87 arithmetic, TESTBIT and SETBIT/RESETBIT through their entry cells and the
// full calling contract), against the same work compiled natively, in the same run.
#include "../tests/LibraryRig.h"
#include "platform/CpuEngine.h"
#include "runtime/BitFunctions.h"
#include "typical_unit_bench.inc"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstring>

namespace {

using platform::GuestAddress;
namespace guest = platform::guest;
namespace code = guest_asm::typical_unit_bench;

constexpr int kControllers = 20;
constexpr std::uint32_t kPasses = 2000;

// The guest layouts of the globals and the unit's variables, which the native version uses too.
struct PidGlobals {
    std::int32_t setpoint[kControllers];
    std::int32_t measure[kControllers];
    std::int32_t output[kControllers];
    float outputPercent[kControllers];
    std::int32_t status;
    std::int32_t mode;
    std::int32_t passes;
};
static_assert(offsetof(PidGlobals, status) == 320 && offsetof(PidGlobals, passes) == 328);

struct PidUnit {
    std::int32_t integral[kControllers];
    std::int32_t lastError[kControllers];
    std::int32_t kp, ki, kd, integralMax, integralMin, outputMin, outputMax;
    float scale;
    std::uint32_t testBitCell, setBitCell, resetBitCell;
};
static_assert(offsetof(PidUnit, scale) == 188 && offsetof(PidUnit, resetBitCell) == 200);

PidGlobals InitialGlobals() {
    PidGlobals globals{};
    for (int i = 0; i < kControllers; ++i)
        globals.setpoint[i] = 1000 + 173 * i;
    globals.mode = 1;
    return globals;
}

PidUnit InitialUnit() {
    PidUnit unit{};
    unit.kp = 40;
    unit.ki = 3;
    unit.kd = 10;
    unit.integralMax = 20000;
    unit.integralMin = -20000;
    unit.outputMin = 0;
    unit.outputMax = 4000;
    unit.scale = 100.0f / 4000.0f;
    return unit;
}

// The same algorithm in C++. `volatile` keeps every variable in memory, as the unit keeps it;
// the x87 step is reproduced bit for bit (an exact extended product rounded to Single).
[[gnu::noinline]] std::int32_t NativePidStep(volatile PidGlobals& g, volatile PidUnit& u, int i) {
    volatile std::int32_t error = g.setpoint[i] - g.measure[i];
    volatile std::int32_t derivative = error - u.lastError[i];
    u.lastError[i] = error;
    std::int32_t integral = u.integral[i] + error;
    if (integral > u.integralMax)
        integral = u.integralMax;
    if (integral < u.integralMin)
        integral = u.integralMin;
    u.integral[i] = integral;
    volatile std::int32_t output = (error * u.kp + integral * u.ki + derivative * u.kd) / 64;
    std::int32_t clipped = 0;
    if (output > u.outputMax) {
        output = u.outputMax;
        clipped = 1;
    }
    if (output < u.outputMin) {
        output = u.outputMin;
        clipped = 1;
    }
    g.output[i] = output;
    g.outputPercent[i] =
        static_cast<float>(static_cast<long double>(output) * static_cast<long double>(u.scale));
    g.measure[i] = g.measure[i] + ((output - g.measure[i]) >> 3);
    return clipped;
}

[[gnu::noinline]] void NativePidPasses(volatile PidGlobals& g, volatile PidUnit& u,
                                       std::uint32_t passes) {
    for (std::uint32_t pass = 0; pass < passes; ++pass) {
        volatile std::int32_t clipped = 0;
        for (int i = 0; i < kControllers; ++i)
            clipped = clipped + NativePidStep(g, u, i);
        const std::int32_t bit = clipped & 31;
        g.status = runtime::bits::TestBit(g.mode, 0) ? runtime::bits::SetBit(g.status, bit)
                                                     : runtime::bits::ResetBit(g.status, bit);
        g.passes = g.passes + 1;
    }
}

void TypicalUnitAgainstNative(benchmark::State& state) {
    testsupport::LibraryRig rig;
    if (platform::Status built = rig.BuildLibrary({&runtime::AddBitFunctions}); !built) {
        state.SkipWithError(built.Error().c_str());
        return;
    }
    platform::GuestMemory& memory = *rig.memory;
    // The code on pages of its own and the unit's variables on another, as the loader places a
    // unit; the globals where MVARGLOB's variables begin.
    auto codeBlock = memory.Allocate(static_cast<std::uint32_t>(code::kCode.size()));
    auto dataBlock = memory.Allocate(2 * guest::kPageSize);
    if (!codeBlock || !dataBlock ||
        !memory.PlaceCode(*codeBlock, code::kCode, code::kRelocations)) {
        state.SkipWithError("cannot place the unit");
        return;
    }
    const GuestAddress unitData = (*dataBlock + guest::kPageSize) & ~(guest::kPageSize - 1);
    const GuestAddress globalsAddress = guest::kGlobalBase + 1;
    auto cpu = platform::CpuEngine::Create(memory);
    if (!cpu) {
        state.SkipWithError(cpu.Error().c_str());
        return;
    }
    PidUnit unitStart = InitialUnit();
    unitStart.testBitCell = rig.functions.FindFunction("TESTBIT")->address;
    unitStart.setBitCell = rig.functions.FindFunction("SETBIT")->address;
    unitStart.resetBitCell = rig.functions.FindFunction("RESETBIT")->address;

    using Clock = std::chrono::steady_clock;
    Clock::duration unitTime{}, nativeTime{};
    std::uint64_t helperCalls = 0;
    PidGlobals nativeGlobals{};
    PidUnit nativeUnit{};
    for (auto _ : state) {
        const PidGlobals globalsStart = InitialGlobals();
        memory.Write(globalsAddress, globalsStart);
        memory.Write(unitData, unitStart);
        std::memcpy(&nativeGlobals, &globalsStart, sizeof nativeGlobals);
        std::memcpy(&nativeUnit, &unitStart, sizeof nativeUnit);

        const std::uint64_t helperBefore = cpu.Value()->HelperCalls();
        const Clock::time_point unitStartTime = Clock::now();
        auto ran = cpu.Value()->Call(*codeBlock + code::kPidPasses,
                                     {.ecx = kPasses, .esi = globalsAddress, .edi = unitData});
        const Clock::time_point nativeStartTime = Clock::now();
        NativePidPasses(nativeGlobals, nativeUnit, kPasses);
        const Clock::time_point end = Clock::now();
        helperCalls += cpu.Value()->HelperCalls() - helperBefore;
        unitTime += nativeStartTime - unitStartTime;
        nativeTime += end - nativeStartTime;

        const auto guestGlobals = memory.Read<PidGlobals>(globalsAddress);
        const auto guestUnit = memory.Read<PidUnit>(unitData);
        if (!ran || !guestGlobals || !guestUnit ||
            std::memcmp(&*guestGlobals, &nativeGlobals, sizeof nativeGlobals) != 0 ||
            std::memcmp(&*guestUnit, &nativeUnit, sizeof nativeUnit) != 0) {
            state.SkipWithError(ran ? "unit and native results differ" : ran.Error().c_str());
            return;
        }
    }
    const double passes = static_cast<double>(state.iterations()) * kPasses;
    const double unitNs = std::chrono::duration<double, std::nano>(unitTime).count() / passes;
    const double nativeNs = std::chrono::duration<double, std::nano>(nativeTime).count() / passes;
    state.counters["unit_ns_per_pass"] = unitNs;
    state.counters["native_ns_per_pass"] = nativeNs;
    state.counters["ratio"] = unitNs / nativeNs;
    state.counters["target_ratio"] = 8;
    state.counters["helper_calls_per_pass"] = static_cast<double>(helperCalls) / passes;
}
BENCHMARK(TypicalUnitAgainstNative)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
