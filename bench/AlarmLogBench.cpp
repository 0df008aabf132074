// Quorva run-time. Licensed under the MIT licence.
// The alarm log as the alarm manager drives it: every event opens the table, writes, flushes
// to the disk and closes it. The tables live in /var/tmp (a disk, where /tmp may be memory);
// QUORVA_BENCH_DIR names another directory.
#include "alarms/AlarmLog.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kEvents = 10000;
constexpr std::size_t kNameOriginLength = 60;

// A fresh directory for one run's table, removed with it.
class BenchDirectory {
public:
    BenchDirectory() {
        const char* chosen = std::getenv("QUORVA_BENCH_DIR");
        std::string pattern =
            (std::filesystem::path(chosen ? chosen : "/var/tmp") / "alarm-log-bench-XXXXXX")
                .string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~BenchDirectory() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    bool Ok() const { return !m_path.empty(); }
    std::string Table() const { return m_path + "/Alarm.DBF"; }

private:
    std::string m_path;
};

alarms::LogValues Appearance(int n) {
    alarms::LogValues values;
    values.Set(alarms::LogColumn::Name, fmt::format("Tank {} level high", n % 50))
        .Set(alarms::LogColumn::Mnemonic, fmt::format("LEVEL_{}", n % 50))
        .Set(alarms::LogColumn::DateApp, "07/06/2024")
        .Set(alarms::LogColumn::TimeApp, "10:15:00")
        .Set(alarms::LogColumn::DateAcq, "07/06/2024")
        .Set(alarms::LogColumn::TimeAcq, "10:15:00")
        .Set(alarms::LogColumn::Data, fmt::format("{}.5", n % 1000))
        .Set(alarms::LogColumn::Groupe, "Tanks")
        .Set(alarms::LogColumn::Zone, "North")
        .Set(alarms::LogColumn::TCount, "00:00:00")
        .Set(alarms::LogColumn::NameOrigin, fmt::format("Cuve {} niveau haut", n % 50));
    return values;
}

platform::Result<alarms::AlarmLog> OpenIn(const BenchDirectory& directory) {
    if (!directory.Ok())
        return platform::Fail("cannot make a directory for the table");
    return alarms::AlarmLog::Open(directory.Table(), kNameOriginLength);
}

bool AppendAll(alarms::AlarmLog& log, benchmark::State& state) {
    for (int i = 0; i < kEvents; ++i)
        if (platform::Result<std::uint32_t> appended = log.Append(Appearance(i)); !appended) {
            state.SkipWithError(appended.Error().c_str());
            return false;
        }
    return true;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// 10,000 appearances, each appended and flushed on its own.
void AlarmLogAppend(benchmark::State& state) {
    for (auto _ : state) {
        BenchDirectory directory;
        platform::Result<alarms::AlarmLog> log = OpenIn(directory);
        if (!log) {
            state.SkipWithError(log.Error().c_str());
            return;
        }
        const Clock::time_point start = Clock::now();
        if (!AppendAll(*log, state))
            return;
        state.SetIterationTime(Seconds(start));
    }
    state.counters["events_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kEvents, benchmark::Counter::kIsRate);
}
BENCHMARK(AlarmLogAppend)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// Disappearances: 10,000 updates of records spread over a table of 10,000.
void AlarmLogUpdate(benchmark::State& state) {
    BenchDirectory directory;
    platform::Result<alarms::AlarmLog> log = OpenIn(directory);
    if (!log) {
        state.SkipWithError(log.Error().c_str());
        return;
    }
    if (!AppendAll(*log, state))
        return;
    std::mt19937 random(7);
    alarms::LogValues end;
    end.Set(alarms::LogColumn::DateDis, "07/06/2024")
        .Set(alarms::LogColumn::TimeDis, "10:20:00")
        .Set(alarms::LogColumn::TCount, "00:05:00");
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kEvents; ++i) {
            const auto number = static_cast<std::uint32_t>(1 + random() % kEvents);
            if (platform::Result<std::uint32_t> updated = log->Update(number, end); !updated) {
                state.SkipWithError(updated.Error().c_str());
                return;
            }
        }
        state.SetIterationTime(Seconds(start));
    }
    state.counters["events_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kEvents, benchmark::Counter::kIsRate);
}
BENCHMARK(AlarmLogUpdate)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// A purge of a 10,000-record table (2.7 MB) down to its newest half; each run purges a fresh
// copy of one table.
void AlarmLogPurge(benchmark::State& state) {
    BenchDirectory source;
    platform::Result<alarms::AlarmLog> full = OpenIn(source);
    if (!full) {
        state.SkipWithError(full.Error().c_str());
        return;
    }
    if (!AppendAll(*full, state))
        return;
    const std::uint64_t size = std::filesystem::file_size(source.Table());
    for (auto _ : state) {
        BenchDirectory directory;
        std::error_code error;
        if (!directory.Ok() ||
            !std::filesystem::copy_file(source.Table(), directory.Table(), error)) {
            state.SkipWithError("cannot copy the table");
            return;
        }
        platform::Result<alarms::AlarmLog> log = OpenIn(directory);
        if (!log) {
            state.SkipWithError(log.Error().c_str());
            return;
        }
        const Clock::time_point start = Clock::now();
        platform::Result<bool> purged = log->PurgeIfLarger(size, size / 2);
        state.SetIterationTime(Seconds(start));
        if (!purged || !*purged) {
            state.SkipWithError("the table was not purged");
            return;
        }
    }
}
BENCHMARK(AlarmLogPurge)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
