// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmManager.h"
#include "screens/ScreenVariables.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kAlarms = 5000;

// Booleans and integers in a byte block, as the global block holds them.
class BenchVariables final : public screens::ScreenVariables {
public:
    void Add(const std::string& name, std::uint8_t type) {
        m_names[name] = screens::VariableBinding{type, static_cast<std::uint32_t>(m_bytes.size())};
        m_bytes.resize(m_bytes.size() + 4);
    }
    void SetInteger(const std::string& name, std::int32_t value) {
        std::memcpy(m_bytes.data() + m_names.at(name).address, &value, sizeof value);
    }
    std::optional<screens::VariableBinding> Resolve(std::string_view name) override {
        auto found = m_names.find(std::string(name));
        return found == m_names.end() ? std::nullopt : std::optional(found->second);
    }
    std::uint8_t ReadByte(std::uint32_t address) override { return Get<std::uint8_t>(address); }
    std::uint16_t ReadWord(std::uint32_t address) override { return Get<std::uint16_t>(address); }
    std::int32_t ReadInteger(std::uint32_t address) override { return Get<std::int32_t>(address); }
    long double ReadReal(std::uint32_t) override { return 0; }
    float ReadSingle(std::uint32_t address) override { return Get<float>(address); }
    std::string ReadShortString(std::uint32_t) override { return {}; }
    std::optional<std::string> Text(std::string_view) override { return std::nullopt; }
    bool SetText(std::string_view name, std::string_view text) override {
        auto found = m_names.find(std::string(name));
        if (found == m_names.end())
            return false;
        m_bytes[found->second.address] = text == "1" ? 1 : 0;
        return true;
    }

private:
    template <typename T> T Get(std::uint32_t address) {
        T value{};
        std::memcpy(&value, m_bytes.data() + address, sizeof value);
        return value;
    }
    std::unordered_map<std::string, screens::VariableBinding> m_names;
    std::vector<char> m_bytes;
};

// 5,000 alarms: every other one boolean ("U" with an inhibit variable), the others numeric
// (">" with hysteresis, every fourth against a threshold variable), in 20 groups, none in alarm.
class ScanFixture {
public:
    ScanFixture() {
        char pattern[] = "/tmp/alarm-scan-bench-XXXXXX";
        m_directory = ::mkdtemp(pattern);
        std::ofstream declarations(m_directory + "/Alarm.OCO", std::ios::binary);
        m_variables.Add("INHIBIT", 3);
        m_variables.Add("LIMIT", 4);
        m_variables.SetInteger("LIMIT", 1000);
        for (std::size_t i = 0; i < kAlarms; ++i) {
            const std::string name = "V" + std::to_string(i);
            const std::string group = "G" + std::to_string(i % 20);
            if (i < 20)
                m_variables.Add(group, 3);
            const bool boolean = i % 2 == 0;
            m_variables.Add(name, boolean ? 3 : 4);
            const std::string condition = boolean ? "U" : (i % 4 == 1 ? ">LIMIT" : ">500");
            declarations << "Alarm " << i << '\t' << name << '\t' << condition << "\t10\t0\t"
                         << group << "\tGroup\tZone\t" << (boolean ? "INHIBIT" : "") << "\t\t\t\n";
        }
        declarations.close();
        alarms::AlarmServices services;
        services.variables = &m_variables;
        services.projectDirectory = m_directory;
        services.tickMilliseconds = [this] { return m_now; };
        services.dateText = [] { return std::string("24/05/2024"); };
        services.timeText = [] { return std::string("10:00:00"); };
        m_manager = std::make_unique<alarms::AlarmManager>(services);
        m_manager->Start();
    }
    ~ScanFixture() {
        m_manager.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    alarms::AlarmManager& Manager() { return *m_manager; }
    BenchVariables& Variables() { return m_variables; }
    void Advance() { m_now += 10; }

private:
    std::string m_directory;
    BenchVariables m_variables;
    std::uint64_t m_now = 0;
    std::unique_ptr<alarms::AlarmManager> m_manager;
};

// One step: 50 alarms evaluated (the group variables written at the end of each pass).
void BM_AlarmScanStep(benchmark::State& state) {
    ScanFixture fixture;
    for (auto _ : state) {
        fixture.Advance();
        fixture.Manager().ScanStep();
    }
    state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_AlarmScanStep);

// A whole pass over the 5,000 alarms: 100 steps.
void BM_AlarmScanPass(benchmark::State& state) {
    ScanFixture fixture;
    for (auto _ : state) {
        for (std::size_t step = 0; step < kAlarms / 50; ++step) {
            fixture.Advance();
            fixture.Manager().ScanStep();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kAlarms));
}
BENCHMARK(BM_AlarmScanPass)->Unit(benchmark::kMillisecond);

// A pass in which 50 numeric alarms appear or end (their display lines, history lines and
// hooks-free outputs included).
void BM_AlarmScanPassWithChanges(benchmark::State& state) {
    ScanFixture fixture;
    std::int32_t value = 0;
    for (auto _ : state) {
        value = value == 0 ? 2000 : 0;
        state.PauseTiming();
        for (std::size_t i = 3; i < kAlarms; i += kAlarms / 50)
            fixture.Variables().SetInteger("V" + std::to_string(i | 1), value);
        state.ResumeTiming();
        for (std::size_t step = 0; step < kAlarms / 50; ++step) {
            fixture.Advance();
            fixture.Manager().ScanStep();
        }
    }
    state.counters["active"] = static_cast<double>(fixture.Manager().ActiveAlarmCount());
}
BENCHMARK(BM_AlarmScanPassWithChanges)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
