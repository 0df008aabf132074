// Quorva run-time. Licensed under the MIT licence.
#include "runtime/UnitFunctions.h"

#include "../LibraryRig.h"
#include "TestSupport.h"
#include "engine/Loader.h"
#include "engine/QruReader.h"
#include "engine/QruWriter.h"
#include "engine/Scheduler.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CpuEngine.h"
#include "runtime/GuestValues.h"
#include "runtime/TaskFunctions.h"
#include "screens/ScreenGlobals.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <variant>

namespace {

namespace fs = std::filesystem;
using platform::GuestAddress;

// The engine the loader runs init, final-scan and exit entries on: the calling thread's own.
thread_local platform::CpuEngine* tUnitFnEngine = nullptr;

class UnitFnPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string&, const std::string&, std::uint32_t) override { return 1; }
};

engine::QruModule UnitFnModule(const fs::path& file) {
    return std::get<engine::QruModule>(engine::ReadQruModule(testsupport::ReadFile(file)));
}

// Guest memory, the runtime library with QRLOAD, QRUNLOAD and CALLTASK, a real loader and
// scheduler, and a project directory (the current directory while the rig lives) holding
// CALLER.QRU and UCB.QRU (the unit-calling unit twice), PROBE.QRU (a counting unit) and USER.QRU
// (the calling unit again, using PROBE).
struct UnitFnRig {
    UnitFnRig() : cwd(dir.Path()) {
        EXPECT_TRUE(
            lib.BuildLibrary({&runtime::AddUnitFunctions, &runtime::AddTaskFunctions}).IsOk());
        scheduler = std::make_unique<engine::Scheduler>(programs, engine::ScanVariables{}, clock);
        cpu = std::move(platform::CpuEngine::Create(*lib.memory).Value());
        tUnitFnEngine = cpu.get();
        loader = std::make_unique<engine::Loader>(
            engine::LoaderContext{.memory = *lib.memory,
                                  .functions = lib.functions,
                                  .variables = lib.variables,
                                  .programs = programs,
                                  .scanGate = *scheduler,
                                  .package = package,
                                  .presenter = presenter,
                                  .cpu = [] { return tUnitFnEngine; },
                                  .endProgramCell = 0,
                                  .externals = nullptr,
                                  .debugMap = nullptr,
                                  .projectDirectory = {},
                                  .modulesDirectory = {}});
        services.loader = loader.get();
        services.scheduler = scheduler.get();
        services.package = &package;
        lib.library->Dispatcher().SetServices(&services);

        const fs::path callerFile = QUORVA_UNIT_CALLER_UNIT;
        fs::copy_file(callerFile, dir / "CALLER.QRU");
        fs::copy_file(callerFile, dir / "UCB.QRU");
        fs::copy_file(fs::path(QUORVA_SCAN_UNITS) / "SCANPROBE.QRU", dir / "PROBE.QRU");
        caller = UnitFnModule(callerFile);
        engine::QruModule user = caller;
        user.uses = {"PROBE"};
        testsupport::WriteFile(dir / "USER.QRU", engine::WriteQruModule(user));
    }
    ~UnitFnRig() { tUnitFnEngine = nullptr; }

    engine::TProgRun* Load(std::string_view unit) {
        loader->LoadUnit(std::string(unit) + ".QRU");
        EXPECT_EQ(loader->LoadError(), "") << unit;
        return loader->FindProgram(unit);
    }
    bool Loaded(std::string_view unit) const { return loader->FindProgram(unit) != nullptr; }
    bool Cyclic(std::string_view unit) const {
        for (const engine::TProgRun* run : programs.Cyclic())
            if (run->name == unit)
                return true;
        return false;
    }

    // A variable of a calling unit (CALLER, UCB, USER) by the module's layout.
    GuestAddress Var(std::string_view unit, std::string_view name) const {
        const engine::TProgRun* run = loader->FindProgram(unit);
        GuestAddress at = run ? run->dataBase : 0;
        for (const engine::QruVariable& variable : caller.variables) {
            if (variable.name == name)
                return at;
            at += static_cast<std::uint32_t>(variable.size);
        }
        return 0;
    }
    std::int32_t Int(std::string_view unit, std::string_view name) const {
        return lib.memory->Read<std::int32_t>(Var(unit, name)).value_or(-99);
    }
    void SetInt(std::string_view unit, std::string_view name, std::int32_t value) {
        lib.memory->Write<std::int32_t>(Var(unit, name), value);
    }
    void SetText(std::string_view unit, std::string_view name, std::string_view text) {
        runtime::WriteGuestString(*lib.memory, Var(unit, name), runtime::ShortString(text));
    }
    // PROBE counts its calls in its first variable.
    std::int32_t ProbeCalls() const {
        const engine::TProgRun* probe = loader->FindProgram("PROBE");
        return probe ? lib.memory->Read<std::int32_t>(probe->dataBase).value_or(-99) : -1;
    }

    // Runs a procedure of a calling unit on this thread, as a screen's unit code would.
    void Run(std::string_view unit, std::string_view procedure) {
        const engine::TProgRun* run = loader->FindProgram(unit);
        ASSERT_NE(run, nullptr) << unit;
        GuestAddress entry = 0;
        for (const engine::QruFunction& function : caller.functions)
            if (platform::UpperAscii(function.name) == platform::UpperAscii(procedure))
                entry = run->codeBase + static_cast<std::uint32_t>(function.codeOffset);
        if (procedure == "MAIN")
            entry = *run->mainEntry;
        ASSERT_NE(entry, 0u);
        const platform::Status ran = cpu->CallUnitCode(entry);
        EXPECT_TRUE(ran.IsOk()) << (ran.IsOk() ? "" : ran.Error());
    }
    std::int32_t Unload(std::string_view unit, std::string_view target) {
        SetText(unit, "TARGET", target);
        SetInt(unit, "STATUS", -1);
        Run(unit, "DoUnload");
        return Int(unit, "STATUS");
    }
    void LoadFrom(std::string_view unit, std::string_view target) {
        SetText(unit, "TARGET", target);
        Run(unit, "DoLoad");
    }
    void Restamp(std::string_view unit) {
        engine::QruModule module = UnitFnModule(dir / (std::string(unit) + ".QRU"));
        module.header.stamp += 1;
        testsupport::WriteFile(dir / (std::string(unit) + ".QRU"), engine::WriteQruModule(module));
    }

    testsupport::TempDir dir;
    testsupport::ScopedCurrentDir cwd;
    testsupport::LibraryRig lib;
    engine::ProgramList programs;
    platform::FakeClock clock{1'000'000};
    std::unique_ptr<engine::Scheduler> scheduler;
    shell::ProjectPackage package{"", 0};
    UnitFnPresenter presenter;
    runtime::Services services;
    std::unique_ptr<platform::CpuEngine> cpu;
    std::unique_ptr<engine::Loader> loader;
    engine::QruModule caller;
};

// Clears the screens' unit registry on the way out, however the test ends.
struct UnitFnScreenGuard {
    ~UnitFnScreenGuard() { screens::Globals().screenUnits.Clear(); }
};

} // namespace

TEST(UnitFunctions, LoadedUnitRunsInTheScanAndUnloadedUnitStops) {
    UnitFnRig rig;
    ASSERT_TRUE(rig.Load("CALLER"));
    rig.LoadFrom("CALLER", " PROBE ");
    ASSERT_TRUE(rig.Loaded("PROBE"));
    EXPECT_TRUE(rig.Cyclic("PROBE"));
    rig.scheduler->RunScan(*rig.cpu);
    rig.scheduler->RunScan(*rig.cpu);
    EXPECT_EQ(rig.ProbeCalls(), 2);
    EXPECT_EQ(rig.Int("CALLER", "CALLS"), 2);
    // Loading it again changes nothing: same copy, its count kept.
    const engine::TProgRun* first = rig.loader->FindProgram("PROBE");
    rig.LoadFrom("CALLER", "PROBE.QRU");
    EXPECT_EQ(rig.loader->FindProgram("PROBE"), first);
    EXPECT_EQ(rig.ProbeCalls(), 2);
    EXPECT_EQ(rig.programs.Programs().size(), 2u);

    // Any path form names the unit; afterwards the scan runs the caller only.
    EXPECT_EQ(rig.Unload("CALLER", "c:\\project\\probe.qru"), runtime::kUnitUnloaded);
    EXPECT_FALSE(rig.Loaded("PROBE"));
    EXPECT_FALSE(rig.Cyclic("PROBE"));
    rig.scheduler->RunScan(*rig.cpu);
    EXPECT_EQ(rig.Int("CALLER", "CALLS"), 3);

    // Names that match nothing.
    EXPECT_EQ(rig.Unload("CALLER", "PROBE"), runtime::kUnitNotLoaded);
    EXPECT_EQ(rig.Unload("CALLER", ""), runtime::kUnitNotLoaded);
    EXPECT_EQ(rig.Unload("CALLER", std::string(255, 'Q')), runtime::kUnitNotLoaded);
    EXPECT_EQ(rig.programs.Programs().size(), 1u);
}

TEST(UnitFunctions, RefusesToUnloadCodeThatIsRunningOrLinkedTo) {
    UnitFnRig rig;
    UnitFnScreenGuard screensCleared;
    ASSERT_TRUE(rig.Load("CALLER"));
    ASSERT_TRUE(rig.Load("UCB"));
    // The calling unit itself.
    EXPECT_EQ(rig.Unload("CALLER", "CALLER"), runtime::kUnitRunningThisCall);
    EXPECT_TRUE(rig.Loaded("CALLER"));

    // A unit below the caller on the chain: CALLER's main entry calls UCB through CALLTASK, and
    // UCB's main entry asks to unload CALLER, then itself.
    rig.SetInt("CALLER", "MODE", 3);
    rig.SetText("CALLER", "NEXT", "UCB");
    rig.SetInt("UCB", "MODE", 1);
    for (std::string_view target : {"CALLER", "UCB"}) {
        rig.SetText("UCB", "TARGET", target);
        rig.SetInt("UCB", "STATUS", -1);
        rig.Run("CALLER", "MAIN");
        EXPECT_EQ(rig.Int("UCB", "STATUS"), runtime::kUnitRunningThisCall) << target;
    }
    EXPECT_TRUE(rig.Loaded("CALLER") && rig.Loaded("UCB"));

    // A used unit goes only after its user; the user's uses load it first.
    ASSERT_TRUE(rig.Load("USER"));
    ASSERT_TRUE(rig.Loaded("PROBE"));
    EXPECT_EQ(rig.Unload("CALLER", "PROBE"), runtime::kUnitStillLinked);
    EXPECT_TRUE(rig.Loaded("PROBE"));

    // A screen's automatic unit stays while the screen runs it.
    screens::Globals().screenUnits.Register("PANEL", "screens", 0x1000, "USER.QRU", nullptr);
    EXPECT_EQ(rig.Unload("CALLER", "USER"), runtime::kUnitHeldByScreen);
    screens::Globals().screenUnits.Clear();
    EXPECT_EQ(rig.Unload("CALLER", "USER"), runtime::kUnitUnloaded);
    EXPECT_EQ(rig.Unload("CALLER", "PROBE"), runtime::kUnitUnloaded);

    // A load that would replace the calling unit (its module changed on disk) is refused; one
    // that replaces another unit goes ahead.
    rig.Restamp("CALLER");
    const double stamp = rig.loader->FindProgram("CALLER")->stamp;
    rig.LoadFrom("CALLER", "CALLER");
    ASSERT_TRUE(rig.Loaded("CALLER"));
    EXPECT_EQ(rig.loader->FindProgram("CALLER")->stamp, stamp);
    rig.Restamp("UCB");
    rig.LoadFrom("CALLER", "UCB");
    ASSERT_TRUE(rig.Loaded("UCB"));
    EXPECT_EQ(rig.loader->FindProgram("UCB")->stamp, stamp + 1);
    EXPECT_EQ(rig.loader->LoadError(), "");
}

TEST(UnitFunctions, DamagedOrMissingModulesLeaveTheLoadedUnitsAlone) {
    UnitFnRig rig;
    ASSERT_TRUE(rig.Load("CALLER"));
    const std::string good = testsupport::ReadFile(rig.dir / "UCB.QRU");
    testsupport::WriteFile(rig.dir / "CUT.QRU", good.substr(0, good.size() / 2));
    testsupport::WriteFile(rig.dir / "NOISE.QRU", "QRU02" + std::string(300, '\xff'));
    testsupport::WriteFile(rig.dir / "EMPTY.QRU", "");
    for (std::string_view name : {"CUT", "NOISE", "EMPTY", "MISSING"}) {
        rig.LoadFrom("CALLER", name);
        EXPECT_NE(rig.loader->LoadError(), "") << name;
        EXPECT_FALSE(rig.Loaded(name)) << name;
    }
    // No name, or a directory only: nothing is tried.
    rig.LoadFrom("CALLER", "   ");
    rig.LoadFrom("CALLER", "units\\");
    EXPECT_EQ(rig.programs.Programs().size(), 1u);
    rig.scheduler->RunScan(*rig.cpu);
    EXPECT_EQ(rig.Int("CALLER", "CALLS"), 1);
}

TEST(UnitFunctions, CallsFromTheScanThreadNeverWaitForThemselves) {
    UnitFnRig rig;
    ASSERT_TRUE(rig.Load("CALLER"));
    ASSERT_TRUE(rig.Load("UCB"));
    ASSERT_TRUE(rig.Load("PROBE"));
    engine::Scheduler& scheduler = *rig.scheduler;
    // CALLER asks on every pass to unload itself.
    rig.SetInt("CALLER", "MODE", 1);
    rig.SetText("CALLER", "TARGET", "CALLER");

    std::atomic<bool> done{false};
    std::atomic<bool> engineFailed{false};
    std::thread scanThread([&] {
        auto engine = platform::CpuEngine::Create(*rig.lib.memory);
        if (!engine) {
            engineFailed = true;
            return;
        }
        tUnitFnEngine = engine.Value().get();
        while (!done.load()) {
            scheduler.RunScan(*engine.Value());
            rig.clock.Advance(1000);
            std::this_thread::yield();
        }
        tUnitFnEngine = nullptr;
    });
    // Reads under the pause, as the GUI side does; waits (bounded) until `ready` holds.
    auto waitFor = [&](auto ready) {
        for (int i = 0; i < 20000 && !engineFailed.load(); ++i) {
            scheduler.PauseScan();
            const bool met = ready();
            scheduler.ResumeScan();
            if (met)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    };

    EXPECT_TRUE(waitFor([&] { return rig.Int("CALLER", "CALLS") >= 3; }));
    scheduler.PauseScan();
    EXPECT_EQ(rig.Int("CALLER", "STATUS"), runtime::kUnitRunningThisCall);
    EXPECT_TRUE(rig.Loaded("CALLER"));
    // From inside the pass: unload another unit.
    rig.SetText("CALLER", "TARGET", "PROBE");
    rig.SetInt("CALLER", "STATUS", -1);
    scheduler.ResumeScan();
    // The first pass unloads it; later passes find no such unit.
    EXPECT_TRUE(waitFor([&] { return !rig.Loaded("PROBE"); }));
    scheduler.PauseScan();
    EXPECT_TRUE(rig.Int("CALLER", "STATUS") == runtime::kUnitUnloaded ||
                rig.Int("CALLER", "STATUS") == runtime::kUnitNotLoaded);
    rig.SetInt("CALLER", "MODE", 0);
    scheduler.ResumeScan();

    // From this thread while the scan runs: the load and unload wait for the pass in progress.
    rig.LoadFrom("UCB", "PROBE");
    EXPECT_TRUE(waitFor([&] { return rig.ProbeCalls() >= 2; }));
    EXPECT_EQ(rig.Unload("UCB", "PROBE"), runtime::kUnitUnloaded);
    EXPECT_EQ(rig.Unload("UCB", "UCB"), runtime::kUnitRunningThisCall);
    scheduler.PauseScan();
    const std::int32_t callsNow = rig.Int("CALLER", "CALLS");
    scheduler.ResumeScan();
    EXPECT_TRUE(waitFor([&] { return rig.Int("CALLER", "CALLS") > callsNow; }));

    done = true;
    scanThread.join();
    EXPECT_FALSE(engineFailed.load());
    EXPECT_FALSE(rig.Loaded("PROBE"));
    EXPECT_TRUE(rig.Loaded("CALLER") && rig.Loaded("UCB"));
}
