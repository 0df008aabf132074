// Quorva run-time. Licensed under the MIT licence.
// FORMATDATETIME and FORMATFLOAT called from unit code (a loop of the DATECALLER unit, each call
// through its entry cell and the host trap) against the same formatting done by the plain C++
// functions, in the same run.
#include "../tests/runtime/DateCallerRig.h"

#include "runtime/DateTimeFormat.h"
#include "runtime/FloatFormat.h"
#include "runtime/ShortString.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr std::int32_t kRounds = 10000; // one round = 2 calls
constexpr double kCallsPerRound = 2;
constexpr const char* kDateFormat = "dddd d mmmm yyyy hh:nn:ss.zzz";
constexpr const char* kFloatFormat = "#,##0.00;(#,##0.00);\"zero\"";
constexpr long double kValue = 45457.6543210L; // 15/06/2024 15:42:13.335

void DateFormatUnitCodeVersusNative(benchmark::State& state) {
    auto created = testsupport::DateCallerRig::Create(QUORVA_DATE_CALLER_UNIT);
    if (!created) {
        state.SkipWithError(created.Error().c_str());
        return;
    }
    auto& rig = *created.Value();
    rig.SetString("SFMT", kDateFormat);
    rig.SetString("SIN", kFloatFormat);
    rig.SetReal("RVAL", kValue);
    rig.Set<std::int32_t>("LOOPS", kRounds);

    using Clock = std::chrono::steady_clock;
    Clock::duration unitTime{};
    Clock::duration nativeTime{};
    const runtime::ShortString dateFormat(kDateFormat);
    const runtime::ShortString floatFormat(kFloatFormat);
    for (auto _ : state) {
        const Clock::time_point unitStart = Clock::now();
        if (platform::Status ran = rig.Run("DOBENCH"); !ran) {
            state.SkipWithError(ran.Error().c_str());
            return;
        }
        const Clock::time_point nativeStart = Clock::now();
        for (std::int32_t i = 0; i < kRounds; ++i) {
            runtime::ShortString date(runtime::FormatDateTimeText(dateFormat.View(), kValue));
            benchmark::DoNotOptimize(date);
            runtime::ShortString number(runtime::FormatFloatText(floatFormat.View(), kValue));
            benchmark::DoNotOptimize(number);
        }
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
BENCHMARK(DateFormatUnitCodeVersusNative)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
