// Quorva run-time. Licensed under the MIT licence.
#include "engine/Loader.h"

#include "TestSupport.h"
#include "engine/QruReader.h"
#include "engine/QruWriter.h"
#include "platform/Clock.h"
#include "platform/CpuEngine.h"
#include "platform/Extended.h"
#include "runtime/ExternalEntries.h"
#include "runtime/GuestValues.h"
#include "runtime/RuntimeLibrary.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <variant>

namespace {

using platform::GuestAddress;
using runtime::SystemVariableId;
namespace fs = std::filesystem;

class FakeGate final : public engine::ScanGate {
public:
    bool ScanEnabled() const override { return enabled; }
    bool ScanPaused() const override { return paused; }
    void PauseScan() override {
        paused = true;
        ++pauses;
    }
    void ResumeScan() override {
        paused = false;
        ++resumes;
    }
    bool WaitScanIdle() override { return enabled; }
    bool enabled = true;
    bool paused = false;
    int pauses = 0, resumes = 0;
};

class RecordingPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t) override {
        boxes.push_back(caption + "|" + text);
        return 1;
    }
    std::vector<std::string> boxes;
};

class RecordingMap final : public engine::DebugMapWriter {
public:
    void Begin(std::string_view path, GuestAddress) override { begun = path; }
    void AddVariable(const engine::QruVariable& variable, GuestAddress) override {
        lines.push_back(variable.name);
    }
    void End() override { ended = true; }
    std::string begun;
    std::vector<std::string> lines;
    bool ended = false;
};

// LOWORD as the units see it here: adds 1000, so a call through the run-time is visible.
std::int32_t MarkedLoWord(std::int32_t value) {
    return value + 1000;
}
std::int32_t HiWord(std::int32_t value) {
    return (value >> 16) & 0xFFFF;
}

// The run-time library, the collections and a loader over fresh guest memory, with the test
// units copied into a temporary directory where tests may change them.
struct Rig {
    Rig() {
        memory = std::move(platform::GuestMemory::Create().Value());
        runtime::Implementations implementations;
        EXPECT_TRUE(implementations.Add<&MarkedLoWord>("LOWORD").IsOk());
        EXPECT_TRUE(implementations.Add<&HiWord>("HIWORD").IsOk());
        library = std::move(
            runtime::RuntimeLibrary::Create(*memory, functions, variables, implementations)
                .Value());
        cpu = std::move(platform::CpuEngine::Create(*memory).Value());
        externals = std::make_unique<runtime::ExternalEntries>(library->Dispatcher());
        loader = std::make_unique<engine::Loader>(engine::LoaderContext{
            .memory = *memory,
            .functions = functions,
            .variables = variables,
            .programs = programs,
            .scanGate = gate,
            .package = package,
            .presenter = presenter,
            .cpu = [this] { return cpu.get(); },
            .endProgramCell = library->Variables().Address(SystemVariableId::END_PROG),
            .externals = externals.get(),
            .debugMap = &map,
            .projectDirectory = [this] { return (dir / "project").string(); },
            .modulesDirectory = {}});
        fs::create_directory(dir / "project");
        for (const auto& entry : fs::directory_iterator(QUORVA_LOADER_UNITS))
            fs::copy_file(entry.path(), dir.Path() / entry.path().filename());
    }

    std::string Path(std::string_view unit) const {
        return (dir / (std::string(unit) + ".QRU")).string();
    }
    engine::QruModule Module(std::string_view unit) const {
        return std::get<engine::QruModule>(
            engine::ReadQruModule(testsupport::ReadFile(Path(unit))));
    }
    void Write(std::string_view unit, const engine::QruModule& module) const {
        testsupport::WriteFile(Path(unit), engine::WriteQruModule(module));
    }
    std::int32_t Int(std::string_view variable) const {
        const engine::TVarRun* item = variables.FindVariable(variable);
        EXPECT_NE(item, nullptr) << variable;
        return item ? memory->Read<std::int32_t>(item->address).value_or(-1) : -1;
    }
    std::int32_t Sys(SystemVariableId id) const { return library->Variables().Integer(id); }
    void Load(std::string_view unit) { loader->LoadUnit(Path(unit)); }

    testsupport::TempDir dir;
    std::unique_ptr<platform::GuestMemory> memory;
    engine::FunctionCollection functions;
    engine::VariableCollection variables;
    std::unique_ptr<runtime::RuntimeLibrary> library;
    std::unique_ptr<platform::CpuEngine> cpu;
    std::unique_ptr<runtime::ExternalEntries> externals;
    engine::ProgramList programs;
    FakeGate gate;
    shell::ProjectPackage package{"", 0};
    RecordingPresenter presenter;
    RecordingMap map;
    std::unique_ptr<engine::Loader> loader;
};

} // namespace

TEST(Loader, LoadsLinksStartsAndUnloadsWithDependentsFirst) {
    Rig rig;
    rig.loader->SetDebugSession(true);
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.loader->CurrentUnitName(), "LDRUSER");
    // The used unit came first; a library's main entry ran once at load (5 + 100).
    ASSERT_EQ(rig.programs.Programs().size(), 2u);
    EXPECT_EQ(rig.programs.Programs()[0]->name, "LDRBASE");
    EXPECT_EQ(rig.Int("COUNTER"), 105);
    ASSERT_EQ(rig.programs.Cyclic().size(), 1u);
    engine::TProgRun* user = rig.loader->FindProgram("c:\\Any\\LdrUser.qru");
    ASSERT_EQ(rig.programs.Cyclic()[0], user);
    EXPECT_EQ(rig.loader->FindProgramIndex("LDRUSER"), 1);
    // The two integer constants take no room: FIRST lies at the start of the data area.
    EXPECT_EQ(rig.variables.FindVariable("FIRST")->address, user->dataBase);
    EXPECT_EQ(rig.Int("FIRST"), 3);
    EXPECT_EQ(user->codeBase % platform::guest::kPageSize, 0u);
    EXPECT_GE(user->codeBase, user->dataBase + static_cast<std::uint32_t>(user->dataSize));
    EXPECT_EQ(rig.Int("RESULT"), 1); // init ran
    EXPECT_EQ(user->uses, (std::vector<std::string>{"LDRBASE", "LDRUSER"}));
    // Debug maps: LDRUSER's opened first, then LDRBASE's while its uses loaded.
    EXPECT_EQ(rig.map.begun, rig.dir.Path().string() + "\\LDRBASE");
    EXPECT_EQ(rig.map.lines,
              (std::vector<std::string>{"5", "7", "FIRST", "RESULT", "COUNTER", "HIDDEN"}));
    // Pause and resume once, around the outer load only.
    EXPECT_EQ(rig.gate.pauses, 1);
    EXPECT_EQ(rig.gate.resumes, 1);

    // The main entry: COUNTER twice through LDRBASE, then through the run-time's LOWORD.
    ASSERT_TRUE(rig.cpu->CallUnitCode(*user->mainEntry).IsOk());
    EXPECT_EQ(rig.Int("RESULT"), 105 * 2 + 1000);
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS2), 0);

    // Loading again with the same stamp does nothing.
    rig.Load("LDRUSER");
    EXPECT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.loader->FindProgram("LDRUSER"), user);

    // Unloading the library takes its user first: a final scan with END_PROG set, the user's
    // exit before the library's, then every name of both.
    EXPECT_EQ(rig.loader->UnloadUnit("ldrbase"), 0);
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS2), 1);
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS3), 1);
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS1), 77);
    EXPECT_EQ(rig.library->Variables().Boolean(SystemVariableId::END_PROG), false);
    EXPECT_TRUE(rig.programs.Programs().empty());
    EXPECT_TRUE(rig.programs.Cyclic().empty());
    EXPECT_EQ(rig.variables.FindVariable("COUNTER"), nullptr);
    EXPECT_EQ(rig.functions.FindFunction("TWICE"), nullptr);
    EXPECT_EQ(rig.loader->UnloadUnit("LDRBASE"), -1);
}

TEST(Loader, RefusedModulesGiveTheirErrorTexts) {
    Rig rig;
    rig.loader->LoadUnit("nowhere\\NOUNIT.QRU");
    EXPECT_EQ(rig.loader->LoadError(), "File Not Found nowhere\\NOUNIT.QRU");
    EXPECT_EQ(rig.loader->CurrentUnitName(), "??????");

    std::string bytes = testsupport::ReadFile(rig.Path("LDRBASE"));
    bytes[4] = '1';
    testsupport::WriteFile(rig.Path("LDRBASE"), bytes);
    rig.Load("LDRBASE");
    EXPECT_EQ(rig.loader->LoadError(), rig.Path("LDRBASE") + "  QRU Version incompatible");

    bytes[4] = '2';
    testsupport::WriteFile(rig.Path("LDRBASE"), bytes.substr(0, bytes.size() - 20));
    rig.Load("LDRBASE");
    EXPECT_NE(rig.loader->LoadError().find("QRU Damaged"), std::string::npos);

    engine::QruModule module = std::get<engine::QruModule>(engine::ReadQruModule(bytes));
    module.header.debug = true;
    rig.Write("LDRBASE", module);
    rig.Load("LDRBASE");
    EXPECT_EQ(rig.loader->LoadError(), "Loading Denied with debug Infos" + std::string("LDRBASE"));
    // Nothing was loaded and scheduling was never paused for a refused module.
    EXPECT_TRUE(rig.programs.Programs().empty());
    EXPECT_EQ(rig.gate.pauses, 0);

    // A module that uses itself through a used unit is refused instead of recursing.
    module.header.debug = false;
    module.uses = {"LdrUser"};
    rig.Write("LDRBASE", module);
    rig.Load("LDRUSER");
    EXPECT_EQ(rig.loader->LoadError(), "Circular Unit Use LDRUSER");
    EXPECT_TRUE(rig.programs.Programs().empty());
    EXPECT_EQ(rig.gate.pauses, rig.gate.resumes);
}

TEST(Loader, UnresolvedNamesLastWinsAndTheUnitIsNotStarted) {
    Rig rig;
    engine::QruModule module = rig.Module("LDRUSER");
    module.variableFixups.front().name = "MISSING1";
    module.variableFixups.back().name = "MISSING2";
    rig.Write("LDRUSER", module);
    rig.Load("LDRUSER");
    EXPECT_EQ(rig.loader->LoadError(), "Variable Not Found MISSING2");
    EXPECT_EQ(rig.loader->FindProgram("LDRUSER"), nullptr);
    EXPECT_NE(rig.loader->FindProgram("LDRBASE"), nullptr);
    EXPECT_EQ(rig.variables.FindVariable("RESULT"), nullptr); // its names went with it

    module.functionFixups.back().name = "NOFUNC";
    rig.Write("LDRUSER", module);
    rig.Load("LDRUSER");
    EXPECT_EQ(rig.loader->LoadError(), "Function Not Found NOFUNC");
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS3), 0); // never started, never stopped
}

TEST(Loader, ChangedStampsUnloadDependentsAndReloadThroughUses) {
    Rig rig;
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");

    // A new LDRBASE replaces the old one and takes LDRUSER down without loading it again.
    engine::QruModule base = rig.Module("LDRBASE");
    base.header.stamp += 1;
    rig.Write("LDRBASE", base);
    rig.Load("LDRBASE");
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.loader->FindProgram("LDRUSER"), nullptr);
    EXPECT_EQ(rig.loader->FindProgram("LDRBASE")->stamp, base.header.stamp);
    EXPECT_EQ(rig.Sys(SystemVariableId::INT_SYS2), 1); // LDRUSER had its final scan

    // LDRUSER again, then LDRBASE changes on disk: loading a changed LDRUSER reloads the set.
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");
    base.header.stamp += 1;
    rig.Write("LDRBASE", base);
    engine::QruModule user = rig.Module("LDRUSER");
    user.header.stamp += 1;
    rig.Write("LDRUSER", user);
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");
    ASSERT_EQ(rig.programs.Programs().size(), 2u);
    EXPECT_EQ(rig.loader->FindProgram("LDRBASE")->stamp, base.header.stamp);
    EXPECT_EQ(rig.loader->FindProgram("LDRUSER")->stamp, user.header.stamp);
    EXPECT_EQ(rig.programs.Cyclic().size(), 1u);
    EXPECT_EQ(rig.gate.pauses, rig.gate.resumes);
    EXPECT_FALSE(rig.gate.paused);
}

TEST(Loader, LookupsShadowQualifyAndTakeOverSystemNames) {
    Rig rig;
    rig.Load("LDRQUAL"); // loads LDRBASE, then LDRSHADOW
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.Int("R1"), 20); // "TWICE LDRBASE"
    EXPECT_EQ(rig.Int("R2"), 30); // the newest TWICE: LDRSHADOW's
    EXPECT_EQ(rig.Int("R3"), 30); // an unknown qualifier falls back to the newest
    EXPECT_EQ(rig.Int("R4"), 1);  // its own COUNTER, not LDRBASE's export
    // LDRSHADOW's own HIWORD lost to the run-time's; its exported BT_10 took the system entry.
    EXPECT_EQ(rig.Int("OWNRESULT"), 5);
    const engine::TVarRun* bt10 = rig.variables.FindVariable("BT_10");
    ASSERT_NE(bt10, nullptr);
    EXPECT_EQ(bt10->unit, "LDRSHADOW");
    EXPECT_EQ(rig.Int("BT_10"), 12);

    // A later unit's LOWORD export is found before the run-time's.
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");
    ASSERT_TRUE(rig.cpu->CallUnitCode(*rig.loader->FindProgram("LDRUSER")->mainEntry).IsOk());
    EXPECT_EQ(rig.Int("RESULT"), 42);

    rig.loader->UnloadUnit("LDRSHADOW");
    EXPECT_EQ(rig.variables.FindVariable("BT_10"), nullptr);
    EXPECT_EQ(rig.loader->FindProgram("LDRQUAL"), nullptr);
    EXPECT_NE(rig.loader->FindProgram("LDRUSER"), nullptr);
    rig.loader->UnloadAllUnits();
    EXPECT_TRUE(rig.programs.Programs().empty());
}

TEST(Loader, ExternalEntriesBindCallAndReportFirstError) {
    Rig rig;
    testsupport::ScopedCurrentDir current(rig.dir.Path());
    const std::uint32_t before = platform::TickCount();
    rig.Load("LDREXTERN");
    const std::uint32_t after = platform::TickCount();
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_GE(static_cast<std::uint32_t>(rig.Int("TICKS")), before);
    EXPECT_LE(static_cast<std::uint32_t>(rig.Int("TICKS")), after);
    EXPECT_EQ(rig.Int("LEN"), 11);
    EXPECT_EQ(rig.Int("WROTE"), 1);
    EXPECT_EQ(rig.Int("GOT"), 4);
    const GuestAddress buffer = rig.variables.FindVariable("BUF")->address;
    EXPECT_EQ(runtime::ReadGuestCString(*rig.memory, buffer), "1500");
    EXPECT_EQ(testsupport::ReadFile(rig.dir / "plant.ini"), "[Plant]\r\nSpeed=1500\r\n");

    // A library that is not offered, then an entry that is not: the first error stays.
    engine::QruModule module = rig.Module("LDREXTERN");
    module.functions[1].dllName = "ExcelIO";
    module.functions[2].entryName = "NoSuchEntry";
    module.header.stamp += 1;
    rig.Write("LDREXTERN", module);
    rig.Load("LDREXTERN");
    EXPECT_EQ(rig.loader->LoadError(),
              "ExcelIO Not Found [no Linux implementation of this library]");
    module.functions[1].dllName = "kernel32";
    rig.Write("LDREXTERN", module);
    rig.Load("LDREXTERN");
    EXPECT_EQ(rig.loader->LoadError(), "NoSuchEntry Not Found");

    // A blank library name binds the record to its own code.
    engine::QruModule base = rig.Module("LDRBASE");
    base.functions[0].external = true;
    base.functions[0].dllName = "   ";
    rig.Write("LDRBASE", base);
    rig.Load("LDRUSER");
    ASSERT_EQ(rig.loader->LoadError(), "");
    ASSERT_TRUE(rig.cpu->CallUnitCode(*rig.loader->FindProgram("LDRUSER")->mainEntry).IsOk());
    EXPECT_EQ(rig.Int("RESULT"), 105 * 2 + 1000);
}

TEST(Loader, GlobalUnitLivesInTheSharedBlockAndIsRefusedWhenTooLarge) {
    Rig rig;
    const GuestAddress base = platform::guest::kGlobalBase;
    std::vector<std::uint8_t> fill(platform::guest::kGlobalSize, 0xAB);
    rig.memory->WriteBytes(base, fill.data(), platform::guest::kGlobalSize);
    rig.loader->LoadUnit(rig.dir.Path().string() + "\\MVARGLOB.QRU");
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.variables.FindVariable("GFLAG")->address, base + 1);
    EXPECT_EQ(*rig.memory->Read<std::uint8_t>(base), 0xAB); // the layout flag is not touched
    EXPECT_EQ(*rig.memory->Read<std::uint8_t>(base + 1), 1);
    EXPECT_EQ(rig.Int("GCOUNT"), -1233); // main ran once
    EXPECT_EQ(*rig.memory->Read<std::uint16_t>(rig.variables.FindVariable("GWORD")->address),
              65535);
    EXPECT_EQ(
        runtime::ReadGuestString(*rig.memory, rig.variables.FindVariable("GTEXT")->address).Str(),
        "Title1");
    const auto* real = rig.memory->Translate(rig.variables.FindVariable("GREAL")->address, 10);
    EXPECT_EQ(platform::FromExtended(real), 2.5L);
    EXPECT_EQ(*rig.memory->Read<float>(rig.variables.FindVariable("GSINGLE")->address), 1.5f);
    EXPECT_EQ(*rig.memory->Read<double>(rig.variables.FindVariable("GDOUBLE")->address), -0.25);
    EXPECT_EQ(*rig.memory->Read<std::uint8_t>(rig.variables.FindVariable("GBYTE")->address), 200);

    // Not standalone: the globals keep what the block holds.
    engine::QruModule module = rig.Module("MVARGLOB");
    module.header.stamp += 1;
    rig.Write("MVARGLOB", module);
    rig.memory->Write<std::int32_t>(rig.variables.FindVariable("GCOUNT")->address, 50);
    rig.loader->SetStandaloneRun(false);
    rig.Load("MVARGLOB");
    ASSERT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(rig.Int("GCOUNT"), 51);

    // One byte more than the block holds from its second byte: a box, an error, no write.
    rig.memory->WriteBytes(base, fill.data(), platform::guest::kGlobalSize);
    module.header.dataSize = engine::Loader::kGlobalDataLimit + 1;
    module.header.stamp += 1;
    rig.Write("MVARGLOB", module);
    rig.loader->SetStandaloneRun(true);
    rig.Load("MVARGLOB");
    EXPECT_EQ(rig.loader->LoadError().rfind("Global Variables too large 400 KBytes Maxi..", 0), 0u);
    ASSERT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.presenter.boxes[0], "Error|Global Variables too large 400 KBytes Maxi..");
    std::vector<std::uint8_t> after(platform::guest::kGlobalSize);
    rig.memory->ReadBytes(base, after.data(), platform::guest::kGlobalSize);
    EXPECT_EQ(after, fill);
    EXPECT_NE(rig.loader->FindProgram("MVARGLOB"), nullptr); // the loaded copy stays
}

TEST(Loader, FaultingInitHoldsTheUnitAndAttachmentsAreExtracted) {
    Rig rig;
    rig.Load("LDRFAULT");
    EXPECT_EQ(rig.loader->LoadError(), "");
    engine::TProgRun* unit = rig.loader->FindProgram("LDRFAULT");
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->runState.load(), engine::RunState::Held);

    // Attachments are written to the project directory when a file named like the unit lies
    // in the current directory; a name that leaves the directory is refused.
    engine::QruModule module = rig.Module("LDRATTACH");
    ASSERT_TRUE(module.attachments.has_value());
    module.attachments->files.push_back({"TEXT", "../escape.txt", "no"});
    rig.Write("LDRATTACH", module);
    testsupport::ScopedCurrentDir current(rig.dir.Path());
    rig.Load("LDRATTACH");
    EXPECT_FALSE(fs::exists(rig.dir / "project" / "Read Me.txt")); // no marker file yet
    testsupport::WriteFile(rig.dir / "LDRATTACH", "");
    module.header.stamp += 1;
    rig.Write("LDRATTACH", module);
    rig.loader->LoadUnit("LDRATTACH.QRU");
    EXPECT_EQ(rig.loader->LoadError(), "");
    EXPECT_EQ(testsupport::ReadFile(rig.dir / "project" / "Read Me.txt"), "attached contents\n");
    EXPECT_FALSE(fs::exists(rig.dir / "escape.txt"));
}
