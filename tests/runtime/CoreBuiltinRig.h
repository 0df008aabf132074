// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "LibraryRig.h"
#include "TestSupport.h"
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
struct CoreBuiltinRig : LibraryRig {
    explicit CoreBuiltinRig(std::string_view unitFile, platform::PortAccess* ports = nullptr) {
        platform::Status built = BuildLibrary(
            {&runtime::AddBitFunctions, &runtime::AddMemoryFunctions, &runtime::AddMathFunctions,
             &runtime::AddPortFunctions, &runtime::AddLadderFunctions});
        if (!built.IsOk()) {
            ADD_FAILURE() << built.Error();
            return;
        }
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
        auto placed = PlaceTestUnit(*memory, functions, ReadFile(file));
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
    runtime::Services services;
    std::unique_ptr<platform::CpuEngine> cpu;
    TestUnit unit;
};

} // namespace testsupport
