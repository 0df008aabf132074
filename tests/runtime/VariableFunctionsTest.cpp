// Quorva run-time. Licensed under the MIT licence.
#include "runtime/VariableFunctions.h"

#include "../engine/GlobalsProject.h"
#include "../engine/ScanRig.h"
#include "TestSupport.h"
#include "engine/QruWriter.h"
#include "engine/VariableStore.h"
#include "runtime/RuntimeLibrary.h"
#include "shell/Dictionary.h"
#include "shell/MessagePresenter.h"
#include "shell/Package.h"
#include "shell/PackageWriter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace vars = runtime::variables;
using platform::GuestAddress;

constexpr GuestAddress kVarFnBase = platform::guest::kGlobalBase + 1; // the first global

class VarFnPresenter final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string&, const std::string&, std::uint32_t) override { return 1; }
};

// Globals at these offsets from the first: COUNT 0 (Integer), FLAG 4 (Boolean), NAME 5
// (String), TEMPS[0..2] 261, 271, 281 (Reals), SPEED 291 (Word); the end at 293.
std::string VarFnModule() {
    using testsupport::ExportedGlobal;
    engine::QruVariable temps = ExportedGlobal("TEMPS", 10, 30);
    temps.elementType = 5;
    temps.elementSize = 10;
    temps.low = 0;
    temps.high = 2;
    return testsupport::GlobalsModuleBytes(
        {ExportedGlobal("COUNT", 4, 4), ExportedGlobal("FLAG", 3, 1),
         ExportedGlobal("NAME", 9, 256), temps, ExportedGlobal("SPEED", 20, 2)});
}

class VariableFunctions : public ::testing::Test {
protected:
    VariableFunctions() : m_cwd(m_dir.Path()), m_memory(4096) {
        testsupport::WriteFile(m_dir / "MVARGLOB.QRU", VarFnModule());
        m_store.LoadGlobalNames();
    }
    engine::GlobalView View() {
        return {m_memory.data(), static_cast<std::uint32_t>(m_memory.size()),
                platform::guest::kGlobalBase};
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd;
    std::vector<std::byte> m_memory;
    shell::ProjectPackage m_package{"", 0};
    VarFnPresenter m_presenter;
    engine::VariableStore m_store{View(), m_package, m_presenter};
};

} // namespace

TEST_F(VariableFunctions, ValuesByNameRoundTripAndUnknownNamesGiveDefaults) {
    engine::VariableStore* store = &m_store;
    EXPECT_TRUE(vars::SetQruValue(store, "count", "-42"));
    EXPECT_EQ(vars::GetQruValue(store, "COUNT").View(), "-42");
    EXPECT_TRUE(vars::SetQruValue(store, "TEMPS[1]", "12.5"));
    EXPECT_EQ(vars::GetQruValue(store, "temps[1]").View(), "12.5");
    EXPECT_TRUE(vars::SetQruValue(store, "NAME", std::string(300, 'x')));
    EXPECT_EQ(vars::GetQruValue(store, "NAME").View(), std::string(255, 'x'));
    // A text that does not convert changes nothing.
    EXPECT_FALSE(vars::SetQruValue(store, "COUNT", "twelve"));
    EXPECT_EQ(m_store.GetInteger("COUNT"), -42);

    EXPECT_EQ(vars::GetQruAddr(store, "TEMPS[2]"), static_cast<std::int32_t>(kVarFnBase + 281));
    EXPECT_EQ(vars::GetQruType(store, "TEMPS[0]"), 5);
    EXPECT_EQ(vars::GetQruType(store, "COUNT.3"), 3);

    // Unknown names, and no variable store at all, give the defaults.
    for (engine::VariableStore* where : {store, static_cast<engine::VariableStore*>(nullptr)}) {
        for (std::string_view unknown : {"NOSUCH", "", "TEMPS", "TEMPS[3]"}) {
            const std::string_view name = where != nullptr ? unknown : "COUNT";
            EXPECT_TRUE(vars::GetQruValue(where, name).Empty()) << name;
            EXPECT_FALSE(vars::SetQruValue(where, name, "1")) << name;
            EXPECT_EQ(vars::GetQruAddr(where, name), 0) << name;
            EXPECT_EQ(vars::GetQruType(where, name), 18) << name;
        }
    }
}

TEST_F(VariableFunctions, VarLengthFindsTheVariableHoldingAnAddress) {
    // The middle byte of an Integer.
    vars::VariableSpan span = vars::VarLength(&m_store, kVarFnBase + 2);
    EXPECT_EQ(span.address, static_cast<std::int32_t>(kVarFnBase));
    EXPECT_EQ(span.start, 0);
    EXPECT_EQ(span.type, 4);
    EXPECT_EQ(span.size, 4);

    // Inside the last element of a Real array: that element, at its own start.
    span = vars::VarLength(&m_store, kVarFnBase + 281 + 7);
    EXPECT_EQ(span.address, static_cast<std::int32_t>(kVarFnBase + 281));
    EXPECT_EQ(span.start, 281);
    EXPECT_EQ(span.type, 25);
    EXPECT_EQ(span.size, 10);

    // The last byte of the last variable, then the end of the globals.
    EXPECT_EQ(vars::VarLength(&m_store, kVarFnBase + 292).start, 291);
    span = vars::VarLength(&m_store, kVarFnBase + 293);
    EXPECT_EQ(span.type, 18);
    EXPECT_EQ(span.size, 0);

    // Before the globals, or without a store: no variable, the address as given.
    for (GuestAddress outside : {kVarFnBase - 1, GuestAddress{0}}) {
        span = vars::VarLength(&m_store, outside);
        EXPECT_EQ(span.address, static_cast<std::int32_t>(outside));
        EXPECT_EQ(span.type, 18);
        EXPECT_EQ(span.size, 0);
    }
    EXPECT_EQ(vars::VarLength(nullptr, kVarFnBase).size, 0);
}

TEST_F(VariableFunctions, LanguageSwitchTranslateAndAppendedDictionaries) {
    shell::Dictionary dictionary;
    dictionary.Initialise(1, std::nullopt, std::string("Colonne\tColumn\tColonna\r\n"));
    vars::SetLanguage(&dictionary, 2);
    // TRANSLATE translates even while the screens' translation is off.
    dictionary.SetTranslationOn(false);
    EXPECT_EQ(vars::Translate(&dictionary, "Colonne").View(), "Column");

    for (std::int32_t bad : {0, 7, -1})
        vars::SetLanguage(&dictionary, bad);
    EXPECT_EQ(dictionary.LanguageNumber(), 2);

    testsupport::WriteFile(m_dir / "More.lng", "Pompe\tPump\tPompa\r\n");
    EXPECT_TRUE(vars::AddToDico(&dictionary, "More.lng"));
    vars::SetLanguage(&dictionary, 3);
    EXPECT_EQ(vars::Translate(&dictionary, "Pump").View(), "Pompa");
    EXPECT_FALSE(vars::AddToDico(&dictionary, "Missing.lng"));
    EXPECT_FALSE(vars::AddToDico(&dictionary, ""));

    // A translation longer than a String is cut; without a dictionary the text comes back.
    dictionary.AppendEntries({shell::DictionaryEntry{{"Long", "", std::string(400, 'L')}}});
    EXPECT_EQ(vars::Translate(&dictionary, "Long").Length(), 255u);
    EXPECT_EQ(vars::Translate(nullptr, "Colonne").View(), "Colonne");
}

TEST_F(VariableFunctions, ResourcesAreExtractedFromThePackageOrTheDisk) {
    shell::PackageBuilder builder;
    ASSERT_TRUE(builder.AddFile("LOGO.BMP", "picture bytes").IsOk());
    testsupport::WriteFile(m_dir / "project.pkg", shell::PackageFileBytes(builder.Bytes()));
    const auto package = shell::ProjectPackage::ForExecutable((m_dir / "project.pkg").string());
    ASSERT_NE(package.Offset(), 0);

    EXPECT_TRUE(vars::ExtractResource(&package, "logo.bmp", "out.bmp"));
    EXPECT_EQ(testsupport::ReadFile(m_dir / "out.bmp"), "picture bytes");
    // A disk file stands in for an entry the package lacks (a run without a package).
    testsupport::WriteFile(m_dir / "notes.txt", "on disk");
    EXPECT_TRUE(vars::ExtractResource(&package, "notes.txt", "copy.txt"));
    EXPECT_EQ(testsupport::ReadFile(m_dir / "copy.txt"), "on disk");

    EXPECT_FALSE(vars::ExtractResource(&package, "MISSING.BMP", "never.bmp"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "never.bmp"));
    EXPECT_FALSE(vars::ExtractResource(&package, "", "x.bmp"));
    EXPECT_FALSE(vars::ExtractResource(&package, "LOGO.BMP", ""));
    EXPECT_FALSE(vars::ExtractResource(&package, "LOGO.BMP", "no/such/dir/x.bmp"));
    EXPECT_FALSE(vars::ExtractResource(nullptr, "LOGO.BMP", "x.bmp"));
}

TEST(VariableFunctionsDispatch, OnlyProceduresOfLoadedUnitsAreCalled) {
    auto created = testsupport::ScanRig::Create();
    ASSERT_TRUE(created.IsOk()) << (created.IsOk() ? "" : created.Error());
    testsupport::ScanRig& rig = *created.Value();
    auto pump = rig.AddUnit("PUMP", testsupport::ScanUnitFile("SCANPROBE.QRU"));
    auto bad = rig.AddUnit("BAD", testsupport::ScanUnitFile("SCANFAULT.QRU"));
    ASSERT_TRUE(pump.IsOk() && bad.IsOk());

    EXPECT_TRUE(vars::DispatchProcedure(rig.scheduler.get(), *rig.cpu, *pump.Value()->mainEntry));
    EXPECT_EQ(rig.Read("PUMP", "CALLS"), 1);

    // Addresses outside every unit's code run nothing: data, 0, unmapped memory.
    for (GuestAddress wrong :
         {rig.VariableAddress("PUMP", "CALLS"), GuestAddress{0}, GuestAddress{0xFFFFFFF0u}}) {
        EXPECT_FALSE(vars::DispatchProcedure(rig.scheduler.get(), *rig.cpu, wrong));
    }
    EXPECT_FALSE(vars::DispatchProcedure(nullptr, *rig.cpu, *pump.Value()->mainEntry));
    EXPECT_EQ(rig.Read("PUMP", "CALLS"), 1);
    EXPECT_EQ(pump.Value()->runState.load(), engine::RunState::Run);

    // A procedure that faults holds its own unit; the engine stays usable.
    EXPECT_FALSE(vars::DispatchProcedure(rig.scheduler.get(), *rig.cpu, *bad.Value()->mainEntry));
    EXPECT_EQ(bad.Value()->runState.load(), engine::RunState::Held);
    EXPECT_TRUE(vars::DispatchProcedure(rig.scheduler.get(), *rig.cpu, *pump.Value()->mainEntry));
    EXPECT_EQ(rig.Read("PUMP", "CALLS"), 2);
}

TEST(VariableFunctionBindings, EveryFunctionFitsItsSignature) {
    runtime::Implementations implementations;
    const platform::Status added = runtime::AddVariableFunctions(implementations);
    EXPECT_TRUE(added.IsOk()) << added.Error();
}
