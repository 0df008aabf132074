// Quorva run-time. Licensed under the MIT licence.
// The conversion and String built-ins called from unit code (INTTOSTR, COPY, POS, STRTOINT in a
// loop of the STRINGCALLER unit, each call through its entry cell and the host trap) against the
// same work done by the plain C++ functions, in the same run.
#include "../tests/runtime/StringCallerRig.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr std::int32_t kRounds = 20000; // one round = 4 calls
constexpr double kCallsPerRound = 4;

void StringBuiltInsUnitCodeVersusNative(benchmark::State& state) {
    auto created = testsupport::StringCallerRig::Create(QUORVA_STRING_CALLER_UNIT);
    if (!created) {
        state.SkipWithError(created.Error().c_str());
        return;
    }
    auto& rig = *created.Value();
    rig.Set<std::int32_t>("IVAL", -123456789);
    rig.SetString("SIN2", "45");
    rig.Set<std::int32_t>("LOOPS", kRounds);

    using Clock = std::chrono::steady_clock;
    Clock::duration unitTime{};
    Clock::duration nativeTime{};
    const runtime::ShortString search("45");
    for (auto _ : state) {
        const Clock::time_point unitStart = Clock::now();
        if (platform::Status ran = rig.Run("DOBENCH"); !ran) {
            state.SkipWithError(ran.Error().c_str());
            return;
        }
        const Clock::time_point nativeStart = Clock::now();
        std::int32_t keep = 0;
        for (std::int32_t i = 0; i < kRounds; ++i) {
            const runtime::ShortString text = runtime::IntToText(-123456789);
            runtime::ShortString part = runtime::CopyText(text.View(), 2, 3);
            benchmark::DoNotOptimize(part);
            keep += runtime::PosText(search.View(), text.View());
            keep += runtime::TextToInt(text.View());
        }
        benchmark::DoNotOptimize(keep);
        const Clock::time_point end = Clock::now();
        unitTime += nativeStart - unitStart;
        nativeTime += end - nativeStart;
    }
    const double calls = static_cast<double>(state.iterations()) * kRounds * kCallsPerRound;
    const double unitNs = std::chrono::duration<double, std::nano>(unitTime).count() / calls;
    const double nativeNs = std::chrono::duration<double, std::nano>(nativeTime).count() / calls;
    state.counters["unit_ns_per_call"] = unitNs;
    state.counters["native_ns_per_call"] = nativeNs;
    state.counters["unit_over_native"] = nativeNs > 0 ? unitNs / nativeNs : 0;
}
BENCHMARK(StringBuiltInsUnitCodeVersusNative)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
