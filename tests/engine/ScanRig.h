// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "LibraryRig.h"

#include "engine/FunctionCollection.h"
#include "engine/ProgramRecords.h"
#include "engine/Scheduler.h"
#include "engine/VariableCollection.h"
#include "platform/Clock.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/Services.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace testsupport {

// The module file `fileName` among the scan test units built by qruasm.
std::filesystem::path ScanUnitFile(std::string_view fileName);

// What the scheduler and task functions need, for tests: guest memory, the runtime library (task
// functions bound, everything else a placeholder), a program list, a scheduler on a fake clock
// and a CPU engine for the creating thread. Units are placed as the loader places them (data
// area, code, entry cells; fix-ups against the unit's own names, then the run-time's rows).
// Used on one thread, except for what a test hands to a scan thread of its own.
class ScanRig : public LibraryRig {
public:
    static platform::Result<std::unique_ptr<ScanRig>> Create();

    // Places a unit module file as unit `name`; a cyclic unit joins the cyclic list.
    platform::Result<engine::TProgRun*> AddUnit(std::string_view name,
                                                const std::filesystem::path& file);

    // An Integer variable of a placed unit (0 when there is none).
    std::int32_t Read(std::string_view unit, std::string_view variable) const;
    void Write(std::string_view unit, std::string_view variable, std::int32_t value);
    platform::GuestAddress VariableAddress(std::string_view unit, std::string_view variable) const;
    platform::GuestAddress EntryOf(std::string_view unit, std::string_view function) const;

    void Pass() { scheduler->RunScan(*cpu); }
    void AdvanceMilliseconds(std::int64_t ms) { clock.Advance(ms * 1000); }

    platform::FakeClock clock{1'000'000}; // tick 1000 ms: the first pass sees a tick change
    engine::ProgramList programs;
    std::unique_ptr<engine::Scheduler> scheduler;
    runtime::Services services;
    std::unique_ptr<platform::CpuEngine> cpu;

private:
    ScanRig() = default;
    struct Placed {
        std::map<std::string, platform::GuestAddress> variables;
        std::map<std::string, platform::GuestAddress> entries;
    };
    std::map<std::string, Placed, std::less<>> m_placed;
};

} // namespace testsupport
