// Quorva run-time. Licensed under the MIT licence.
#include "runtime/AlarmFunctions.h"

#include "TestSupport.h"
#include "UnitCallerRig.h"
#include "alarms/AlarmManager.h"
#include "platform/Log.h"
#include "platform/SharedMemory.h"
#include "runtime/RuntimeHost.h"
#include "screens/ScreenGlobals.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kAlarmGuard = 0xA5;

class AlarmCallerRig : public testsupport::UnitCallerRig {
public:
    static platform::Result<std::unique_ptr<AlarmCallerRig>> Create() {
        std::unique_ptr<AlarmCallerRig> rig(new AlarmCallerRig());
        platform::Status built =
            rig->Build({&runtime::AddAlarmFunctions}, QUORVA_ALARM_CALLER_UNIT);
        if (!built)
            return platform::Fail(built.Error());
        rig->FillGuards({"GUARD"}, kAlarmGuard);
        return rig;
    }

private:
    AlarmCallerRig() = default;
};

// A manager whose history holds three lines, one of them longer than a String.
class AlarmFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteFile(m_dir / "HistAl",
                               "newest\x01\n" + std::string(300, 'L') + "\x01\noldest\x01\n");
        alarms::AlarmServices services;
        services.projectDirectory = m_dir.Path().string();
        m_manager = std::make_unique<alarms::AlarmManager>(services);
        m_manager->Start();
        screens::Globals().alarms = m_manager.get();
        auto rig = AlarmCallerRig::Create();
        ASSERT_TRUE(rig) << rig.Error();
        m_rig = std::move(rig.Value());
    }
    void TearDown() override { screens::Globals().alarms = nullptr; }

    std::string LineAt(std::int32_t index) {
        m_rig->Set<std::int32_t>("INDEX", index);
        EXPECT_TRUE(m_rig->Run("DOGET"));
        return m_rig->GetString("LINE");
    }

    testsupport::TempDir m_dir;
    std::unique_ptr<alarms::AlarmManager> m_manager;
    std::unique_ptr<AlarmCallerRig> m_rig;
};

} // namespace

TEST_F(AlarmFunctionsTest, UnitCodeReadsAndTrimsTheHistory) {
    ASSERT_TRUE(m_rig->Run("DOCOUNT"));
    EXPECT_EQ(m_rig->Get<std::int32_t>("COUNT"), 3);
    EXPECT_EQ(LineAt(0), "newest\x01");
    EXPECT_EQ(LineAt(1), std::string(255, 'L')) << "cut to a String";
    EXPECT_TRUE(m_rig->GuardsHold({"GUARD"}, kAlarmGuard));
    EXPECT_EQ(LineAt(3), "");
    EXPECT_EQ(LineAt(-1), "");

    m_rig->Set<std::int32_t>("KEEP", 2);
    ASSERT_TRUE(m_rig->Run("DOKEEP"));
    EXPECT_EQ(m_rig->Get<std::int32_t>("LEFT"), 2);
    EXPECT_EQ(m_manager->HistoryLine(1).substr(0, 3), "LLL") << "the oldest line went";
    m_rig->Set<std::int32_t>("KEEP", -1);
    ASSERT_TRUE(m_rig->Run("DOKEEP"));
    EXPECT_EQ(m_rig->Get<std::int32_t>("LEFT"), 0);
}

TEST_F(AlarmFunctionsTest, UnitCodeSwitchesTheOutputsAndNoManagerAnswersEmpty) {
    m_rig->Set<std::uint8_t>("STORE", 0);
    ASSERT_TRUE(m_rig->Run("DOSTORE"));
    EXPECT_FALSE(m_manager->AlarmOutputs());
    m_rig->Set<std::uint8_t>("STORE", 1);
    ASSERT_TRUE(m_rig->Run("DOSTORE"));
    EXPECT_TRUE(m_manager->AlarmOutputs());

    screens::Globals().alarms = nullptr;
    ASSERT_TRUE(m_rig->Run("DOCOUNT"));
    EXPECT_EQ(m_rig->Get<std::int32_t>("COUNT"), 0);
    EXPECT_EQ(LineAt(0), "");
    ASSERT_TRUE(m_rig->Run("DOSTORE"));
}

namespace {

namespace fs = std::filesystem;

// The run-time put together over the demo's global variables, with alarms declared on HIGH (a
// Boolean) and LEVEL (a Real), and guest procedures standing in for the units' alarm hooks.
class AlarmHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetInstanceName(testsupport::UniqueInstanceName());
        fs::copy_file(fs::path(QUORVA_DEMO_UNITS) / "MVARGLOB.QRU", m_dir / "MVARGLOB.QRU");
        testsupport::WriteFile(m_dir / "rtquorva", "no package here");
        testsupport::WriteFile(
            m_dir / "Alarm.OCO",
            "High\tHIGH\tU\t\t\t\tTank\tZone A\t\t\t\t\t\t\t\t\t\t\t\t\tSMS\t+33 6\t\n"
            "Level\tLEVEL\t>90\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n");
        m_cwd.emplace(m_dir.Path());
        shell::ShellSettings settings;
        settings.packageFile = (m_dir / "rtquorva").string();
        settings.headless = true;
        auto context = shell::ShellContext::Create(settings);
        ASSERT_TRUE(context.IsOk()) << context.Error();
        m_shell = std::move(context.Value());
        auto host = runtime::RuntimeHost::Create(*m_shell, {});
        ASSERT_TRUE(host.IsOk()) << host.Error();
        m_host = std::move(host.Value());
        m_host->StartAlarmManager();
        ASSERT_EQ(m_host->Alarms().AlarmCount(), 2u);
        m_record = *m_host->Memory().Allocate(64);
    }
    void TearDown() override { m_host.reset(); }

    // Places code in guest memory; its address.
    platform::GuestAddress Code(std::vector<std::uint8_t> bytes) {
        const platform::GuestAddress at =
            *m_host->Memory().Allocate(static_cast<std::uint32_t>(bytes.size()));
        EXPECT_TRUE(m_host->Memory().PlaceCode(at, bytes));
        return at;
    }
    // Appends `value` as 4 little-endian bytes.
    static void Put32(std::vector<std::uint8_t>& code, std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            code.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    // Copies the String at EAX into the record.
    platform::GuestAddress CopyStringProcedure() {
        std::vector<std::uint8_t> code = {0x56, 0x57, 0x51, 0x89, 0xC6, 0xBF}; // push; mov esi,eax
        Put32(code, m_record);                                                 // mov edi, record
        for (std::uint8_t byte : {0x0F, 0xB6, 0x0E, 0x41, 0xF3, 0xA4, 0x59, 0x5F, 0x5E, 0xC3})
            code.push_back(byte); // movzx ecx,[esi]; inc ecx; rep movsb; pop; ret
        return Code(code);
    }
    // Keeps EAX, EDX, ECX and the stacked Group and Event in the record; removes its six
    // stacked arguments.
    platform::GuestAddress SmsProcedure() {
        std::vector<std::uint8_t> code = {0xA3};
        Put32(code, m_record); // mov [record], eax
        code.insert(code.end(), {0x89, 0x15});
        Put32(code, m_record + 4); // mov [record+4], edx
        code.insert(code.end(), {0x89, 0x0D});
        Put32(code, m_record + 8); // mov [record+8], ecx
        code.insert(code.end(), {0x8B, 0x44, 0x24, 0x04, 0xA3});
        Put32(code, m_record + 12); // mov eax,[esp+4] (Group); mov [record+12], eax
        code.insert(code.end(), {0x8B, 0x44, 0x24, 0x0C, 0xA3});
        Put32(code, m_record + 16);             // mov eax,[esp+12] (Event); mov [record+16], eax
        code.insert(code.end(), {0xC2, 24, 0}); // ret 24
        return Code(code);
    }
    std::string StringAt(platform::GuestAddress address) {
        return runtime::ReadGuestString(m_host->Memory(), address).Str();
    }
    std::uint32_t Word(std::uint32_t offset) {
        return m_host->Memory().Read<std::uint32_t>(m_record + offset).value_or(0);
    }
    void SetCell(runtime::SystemVariableId cell, platform::GuestAddress address) {
        m_host->Library().Variables().SetInteger(cell, static_cast<std::int32_t>(address));
    }

    testsupport::TempDir m_dir;
    std::optional<testsupport::ScopedCurrentDir> m_cwd;
    std::unique_ptr<shell::ShellContext> m_shell;
    std::unique_ptr<runtime::RuntimeHost> m_host;
    platform::GuestAddress m_record = 0;
};

} // namespace

TEST_F(AlarmHooksTest, HooksReceiveTheirArgumentsByTheCallingContract) {
    SetCell(runtime::SystemVariableId::CALLBACKPRINTALARM, CopyStringProcedure());
    m_host->Store().SetReal("LEVEL", 95);
    m_host->Alarms().ScanStep();
    const std::string line = runtime::ReadGuestString(m_host->Memory(), m_record).Str();
    EXPECT_TRUE(line.starts_with(" ") && line.ends_with(" Level95\r\n")) << line;

    SetCell(runtime::SystemVariableId::CALLBACKPRINTALARM, 0);
    SetCell(runtime::SystemVariableId::CALLBACKALARMEX, SmsProcedure());
    m_host->Store().SetBoolean("HIGH", true);
    m_host->Alarms().ScanStep();
    EXPECT_EQ(StringAt(Word(8)), "High") << "the text in ECX";
    EXPECT_EQ(StringAt(Word(12)), "Tank") << "the group pushed last";
    EXPECT_EQ(Word(16), 1u) << "appearance";
    EXPECT_EQ(StringAt(Word(4)).size(), 8u) << "the time in EDX";
}

TEST_F(AlarmHooksTest, AHookThatFaultsIsLoggedOnceAndSkippedUntilItsAddressChanges) {
    std::vector<std::string> errors;
    platform::log::Sink previous =
        platform::log::SetSink([&](platform::LogLevel level, std::string_view text) {
            if (level >= platform::LogLevel::Error)
                errors.emplace_back(text);
        });
    // mov eax, [0]: a read of unmapped page 0.
    SetCell(runtime::SystemVariableId::CALLBACKPRINTALARM, Code({0xA1, 0, 0, 0, 0, 0xC3}));
    for (long double level : {95.0L, 50.0L, 96.0L}) {
        m_host->Store().SetReal("LEVEL", level);
        m_host->Alarms().ScanStep();
    }
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(m_host->Alarms().ActiveAlarmCount(), 1u) << "the alarms go on";

    SetCell(runtime::SystemVariableId::CALLBACKPRINTALARM, CopyStringProcedure());
    m_host->Store().SetReal("LEVEL", 50);
    m_host->Alarms().ScanStep();
    m_host->Store().SetReal("LEVEL", 97);
    m_host->Alarms().ScanStep();
    EXPECT_NE(StringAt(m_record).find("Level97"), std::string::npos);
    platform::log::SetSink(std::move(previous));
}
