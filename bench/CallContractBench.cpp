// Quorva run-time. Licensed under the MIT licence.
// A runtime function called from unit code and back (guest -> host -> guest) through the full
// calling contract: entry cell, call stub, trap, argument marshalling by the row's signature,
// the C++ function, the result in EAX and the callee-clean return.

#include "call_contract_bench.inc"
#include "engine/FunctionCollection.h"
#include "engine/VariableCollection.h"
#include "platform/CpuEngine.h"
#include "runtime/CallDispatcher.h"
#include "runtime/FunctionTable.h"

#include <benchmark/benchmark.h>

namespace {

using engine::TypeCode;

std::int32_t Add(std::int32_t a, std::int32_t b) { return a + b; }

constexpr runtime::ParameterSpec kAddParameters[] = {
    {engine::PassingMode::ByValue, TypeCode::Integer, "A"},
    {engine::PassingMode::ByValue, TypeCode::Integer, "B"}};
constexpr runtime::FunctionSpec kAdd{"BENCH_ADD", engine::FunctionKind::Function,
                                     TypeCode::Integer, kAddParameters};

void RuntimeFunctionCallFromUnitCode(benchmark::State& state) {
    auto memory = std::move(platform::GuestMemory::Create().Value());
    auto dispatcher = std::move(runtime::CallDispatcher::Create(*memory, 4).Value());
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    runtime::FunctionTable table(functions, variables);
    const auto stub = dispatcher->Add(kAdd, runtime::Bind<&Add>()).Value();
    if (!table.RegisterFunction(kAdd, stub) || !table.CreateEntryCells(*memory)) {
        state.SkipWithError("registration failed");
        return;
    }
    const platform::GuestAddress cell = functions.FindFunction("BENCH_ADD")->address;
    const platform::GuestAddress loop = *memory->AllocateRuntime(
        static_cast<std::uint32_t>(guest_asm::call_contract_bench::kCode.size()));
    memory->PlaceCode(loop, guest_asm::call_contract_bench::kCode,
                      guest_asm::call_contract_bench::kRelocations);
    auto cpu = std::move(platform::CpuEngine::Create(*memory).Value());

    constexpr std::uint32_t kCalls = 100000;
    for (auto _ : state) {
        platform::GuestRegisters in;
        in.ecx = kCalls;
        in.edx = cell;
        auto result = cpu->Call(loop + guest_asm::call_contract_bench::kCallLoop, in);
        if (!result)
            state.SkipWithError(result.Error().c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCalls);
    // Seconds per call, printed with an SI prefix (153n = 153 ns).
    state.counters["per_call"] = benchmark::Counter(
        kCalls, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(RuntimeFunctionCallFromUnitCode)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
