// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "TestUnit.h"
#include "engine/FunctionCollection.h"
#include "engine/VariableCollection.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "platform/PortAccess.h"
#include "runtime/BitFunctions.h"
#include "runtime/LadderFunctions.h"
#include "runtime/MathFunctions.h"
#include "runtime/MemoryFunctions.h"
#include "runtime/PortFunctions.h"
#include "runtime/RuntimeLibrary.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>

namespace testsupport {

// Guest memory, the runtime library with the bit, memory, maths, port and ladder built-ins
// bound, and one core test unit placed (built by qruasm from tests/runtime/units), called through
// its procedures on this thread's engine.
struct CoreBuiltinRig {
    explicit CoreBuiltinRig(std::string_view unitFile, platform::PortAccess* ports = nullptr) {
        auto created = platform::GuestMemory::Create();
        if (!created.IsOk()) {
            ADD_FAILURE() << created.Error();
            return;
        }
        memory = std::move(created.Value());
        runtime::Implementations implementations;
        for (auto added : {runtime::AddBitFunctions(implementations),
                           runtime::AddMemoryFunctions(implementations),
                           runtime::AddMathFunctions(implementations),
                           runtime::AddPortFunctions(implementations),
                           runtime::AddLadderFunctions(implementations)}) {
            if (!added.IsOk()) {
                ADD_FAILURE() << added.Error();
                return;
            }
        }
        auto made = runtime::RuntimeLibrary::Create(*memory, functions, variables, implementations);
        if (!made.IsOk()) {
            ADD_FAILURE() << made.Error();
            return;
        }
        library = std::move(made.Value());
        services.systemVariables = &library->Variables();
        services.ports = ports;
        library->Dispatcher().SetServices(&services);
        auto engine = platform::CpuEngine::Create(*memory);
        if (!engine.IsOk()) {
            ADD_FAILURE() << engine.Error();
            return;
        }
        cpu = std::move(engine.Value());
        const std::filesystem::path file = std::filesystem::path(QUORVA_CORE_UNITS) / unitFile;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        auto placed = PlaceTestUnit(*memory, functions, bytes);
        if (!placed.IsOk()) {
            ADD_FAILURE() << file << ": " << placed.Error();
            return;
        }
        unit = placed.Value();
        ready = true;
    }
    ~CoreBuiltinRig() {
        if (memory)
            runtime::memory::ForgetGetMemBlocks(*memory);
    }

    platform::GuestAddress Var(const std::string& name) const { return unit.variables.at(name); }
    std::int32_t Int(const std::string& name) const {
        return memory->Read<std::int32_t>(Var(name)).value_or(-12345);
    }
    void SetInt(const std::string& name, std::int32_t value) {
        ASSERT_TRUE(memory->Write<std::int32_t>(Var(name), value));
    }
    // Runs one of the unit's procedures through the real call path.
    void Call(const std::string& procedure) {
        platform::Status ran = cpu->CallUnitCode(unit.entries.at(procedure));
        EXPECT_TRUE(ran.IsOk()) << procedure << ": " << (ran.IsOk() ? "" : ran.Error());
    }

    bool ready = false;
    std::unique_ptr<platform::GuestMemory> memory;
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    std::unique_ptr<runtime::RuntimeLibrary> library;
    runtime::Services services;
    std::unique_ptr<platform::CpuEngine> cpu;
    TestUnit unit;
};

} // namespace testsupport
