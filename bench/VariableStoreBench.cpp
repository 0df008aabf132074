// Quorva run-time. Licensed under the MIT licence.
#include "../tests/engine/GlobalsProject.h"
#include "engine/QruWriter.h"
#include "engine/VariableStore.h"
#include "shell/MessageBoxes.h"
#include "shell/Package.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A store over a private block whose "MVARGLOB.QRU" holds `count` Integers, one Real and a
// Word array of 100 elements, written to a scratch directory that is the current directory.
class StoreRig {
public:
    explicit StoreRig(int count) : m_memory(platform::guest::kGlobalSize) {
        m_dir = std::filesystem::temp_directory_path() / fmt::format("quorva-bench-{}", ::getpid());
        std::filesystem::create_directories(m_dir);
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        engine::QruModule module;
        for (int i = 0; i < count; ++i)
            module.variables.push_back(testsupport::ExportedGlobal(fmt::format("VAR{}", i), 4, 4));
        module.variables.push_back(testsupport::ExportedGlobal("LEVEL", 5, 10));
        engine::QruVariable array = testsupport::ExportedGlobal("COL", 10, 200);
        array.elementType = 20;
        array.elementSize = 2;
        array.low = 1;
        array.high = 100;
        module.variables.push_back(array);
        module.header.dataSize = static_cast<std::int32_t>(engine::RequiredDataSize(module));
        std::ofstream(m_dir / "MVARGLOB.QRU", std::ios::binary) << engine::WriteQruModule(module);
        store = std::make_unique<engine::VariableStore>(
            engine::GlobalView{m_memory.data(), static_cast<std::uint32_t>(m_memory.size()),
                               platform::guest::kGlobalBase},
            m_package, m_presenter);
        store->LoadGlobalNames();
    }
    ~StoreRig() {
        store.reset();
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_dir);
    }

    std::unique_ptr<engine::VariableStore> store;

private:
    std::filesystem::path m_dir, m_previous;
    std::vector<std::byte> m_memory;
    shell::ProjectPackage m_package{"", 0};
    shell::LoggingMessagePresenter m_presenter;
};

// The display path of screens: an Integer and a Real whose requests are cached, among
// state.range(0) globals.
void BM_GetGlobalTextCachedInteger(benchmark::State& state) {
    StoreRig rig(static_cast<int>(state.range(0)));
    rig.store->SetInteger("VAR7", 123456);
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.store->GetGlobalText("VAR7"));
}
BENCHMARK(BM_GetGlobalTextCachedInteger)->Arg(10)->Arg(5000);

void BM_GetGlobalTextCachedReal(benchmark::State& state) {
    StoreRig rig(100);
    rig.store->SetReal("LEVEL", 1234.5678L);
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.store->GetGlobalText("LEVEL"));
}
BENCHMARK(BM_GetGlobalTextCachedReal);

void BM_GetIntegerCached(benchmark::State& state) {
    StoreRig rig(100);
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.store->GetInteger("VAR42"));
}
BENCHMARK(BM_GetIntegerCached);

void BM_GetWordAtCached(benchmark::State& state) {
    StoreRig rig(100);
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.store->GetWordAt("COL", 50));
}
BENCHMARK(BM_GetWordAtCached);

// An unknown name misses the cache every time and is looked up in the name tables.
void BM_GetIntegerUnknownName(benchmark::State& state) {
    StoreRig rig(5000);
    for (auto _ : state)
        benchmark::DoNotOptimize(rig.store->GetInteger("NOSUCHNAME"));
}
BENCHMARK(BM_GetIntegerUnknownName);

// The rebuild an accessor does after the editor raises the layout-changed flag.
void BM_LoadGlobalNames(benchmark::State& state) {
    StoreRig rig(static_cast<int>(state.range(0)));
    for (auto _ : state)
        rig.store->LoadGlobalNames();
}
BENCHMARK(BM_LoadGlobalNames)->Arg(100)->Arg(5000);

} // namespace

BENCHMARK_MAIN();
