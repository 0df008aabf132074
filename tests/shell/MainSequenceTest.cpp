// Quorva run-time. Licensed under the MIT licence.
#include "shell/MainSequence.h"

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/SharedMemory.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

// Records what the main sequence asks of the later subsystems, in order, and from which thread.
class RecordingHooks final : public shell::RuntimeHooks {
public:
    std::optional<shell::UnitLoadError> LoadUnit(std::string_view fileName) override {
        Record("LoadUnit " + std::string(fileName));
        if (fileName == failingUnit)
            return shell::UnitLoadError{std::string(fileName), "Unit not found"};
        return std::nullopt;
    }
    void HoldUnit(std::string_view fileName) override {
        Record("HoldUnit " + std::string(fileName));
    }
    bool BuildScreenForm(std::string_view screenName) override {
        Record("BuildScreenForm " + std::string(screenName));
        return screenName != failingScreen;
    }
    void BuildMenuScript(std::string_view screenName, std::string_view scriptName) override {
        Record("BuildMenuScript " + std::string(screenName) + " " + std::string(scriptName));
    }
    void RegisterScreenUnit(std::string_view screenName, std::string_view unit) override {
        Record("RegisterScreenUnit " + std::string(screenName) + " " + std::string(unit));
    }
    void RunScanPass() override {
        if (std::this_thread::get_id() == guiThread)
            Record("RunScanPass");
        else
            ++scanThreadPasses;
    }
    void PollEditorCommand() override {
        if (std::this_thread::get_id() == guiThread && onGuiPoll)
            onGuiPoll();
    }
    void StartAlarmManager() override { Record("StartAlarmManager"); }
    void StopAlarms() override { Record("StopAlarms"); }
    void StopScheduler() override { Record("StopScheduler"); }
    void SetEndProgram(bool value) override {
        Record(std::string("SetEndProgram ") + (value ? "1" : "0"));
    }
    void SwitchSpeakerOff() override { Record("SwitchSpeakerOff"); }

    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }

    std::string failingUnit;
    std::string failingScreen;
    std::function<void()> onGuiPoll;
    std::atomic<int> scanThreadPasses{0};
    std::thread::id guiThread = std::this_thread::get_id();

private:
    void Record(std::string call) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
    std::mutex mutex;
    std::vector<std::string> calls;
};

// A project directory as the current directory, with its own shared-memory instance and a
// shell context over it (no package: files come from the disk).
class MainSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetInstanceName(testsupport::UniqueInstanceName());
        m_cwd.emplace(m_dir.Path());
        WriteFile(m_dir / "rtquorva", "an executable without a package");
    }

    std::unique_ptr<shell::ShellContext> MakeContext() {
        shell::ShellSettings settings;
        settings.packageFile = (m_dir / "rtquorva").string();
        settings.headless = true;
        settings.localeLanguage = 2;
        auto context = shell::ShellContext::Create(settings);
        EXPECT_TRUE(context.IsOk()) << (context.IsOk() ? "" : context.Error());
        return std::move(context.Value());
    }

    shell::MainSettings Settings(bool debugger = false) {
        shell::MainSettings settings;
        settings.runForMilliseconds = 0;
        settings.debuggerPresent = [debugger] { return debugger; };
        settings.clock = &m_clock;
        return settings;
    }

    TempDir m_dir;
    std::optional<testsupport::ScopedCurrentDir> m_cwd;
    platform::FakeClock m_clock;
    RecordingHooks m_hooks;
};

std::int32_t ReadDebugAddress(shell::ShellContext& context) {
    return shell::LoadLinkInt32(context.Link().LinkBlock("LDEBADR", 4));
}

} // namespace

TEST_F(MainSequenceTest, WithoutScreenListNothingRunsAndNothingIsShown) {
    auto context = MakeContext();
    shell::MainSequence sequence(*context, m_hooks, Settings());
    EXPECT_EQ(sequence.Run(), 0);
    EXPECT_TRUE(m_hooks.Calls().empty());
    EXPECT_NE(ReadDebugAddress(*context), 123);
    EXPECT_FALSE(context->Threads().Contains(&shell::MainSequence::ScanThreadKey));
}

TEST_F(MainSequenceTest, StartsUnitsAndScreensInOrderThenShutsDownInOrder) {
    WriteFile(m_dir / "Kestra.PFC", "Main\r\n\r\n \t\r\nSecond  \r\nThird\r\n");
    WriteFile(m_dir / "PROG.OCO", "UnitA\r\nUnitB\r\n");
    WriteFile(m_dir / "MAIN.Syn", std::string("\x0c") + "CLEQUORVAIO5" + "rest");
    WriteFile(m_dir / "main.rc", "MENU");
    WriteFile(m_dir / "THIRD.SYN", std::string("\x0c") + "CLEQUORVAIO7");
    WriteFile(m_dir / "RUN1.VAD", "x");
    WriteFile(m_dir / "run2.VID", "x");
    WriteFile(m_dir / "KEEP.TXT", "x");
    m_hooks.failingScreen = "SECOND  ";

    auto context = MakeContext();
    shell::MainSequence sequence(*context, m_hooks, Settings());
    EXPECT_EQ(sequence.Run(), 0);

    const std::vector<std::string> expected = {
        "LoadUnit UnitA.QRU",
        "LoadUnit UnitB.QRU",
        "LoadUnit MAIN_Auto.qru",
        "HoldUnit MAIN_Auto.qru",
        "BuildScreenForm MAIN",
        "BuildMenuScript MAIN MAIN.RC",
        "RegisterScreenUnit MAIN MAIN_Auto.qru",
        // The line keeps its trailing blanks; a screen that cannot be built is skipped.
        "LoadUnit SECOND  _Auto.qru",
        "HoldUnit SECOND  _Auto.qru",
        "BuildScreenForm SECOND  ",
        "LoadUnit THIRD_Auto.qru",
        "HoldUnit THIRD_Auto.qru",
        "BuildScreenForm THIRD",
        "RegisterScreenUnit THIRD THIRD_Auto.qru",
        "StartAlarmManager",
        "StopScheduler",
        "SetEndProgram 1",
        "RunScanPass",
        "StopAlarms",
        "SwitchSpeakerOff",
    };
    EXPECT_EQ(m_hooks.Calls(), expected);
    EXPECT_EQ(sequence.CurrentSynVersion(), 7);
    EXPECT_EQ(ReadDebugAddress(*context), 123);
    EXPECT_TRUE(sequence.StandaloneRun());
    EXPECT_FALSE(sequence.DebugSession());
    // The scan thread is gone and the variable files with it.
    EXPECT_FALSE(context->Threads().Contains(&shell::MainSequence::ScanThreadKey));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "RUN1.VAD"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "run2.VID"));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "KEEP.TXT"));
}

TEST_F(MainSequenceTest, SynVersionComesFromTheHeaderDigitOrIsSixWhenMissing) {
    WriteFile(m_dir / "V3.SYN", std::string("\x0c") + "CLEQUORVAIO3");
    WriteFile(m_dir / "SHORT.SYN", "\x0c" "CLE");
    auto context = MakeContext();
    shell::MainSequence sequence(*context, m_hooks, Settings());
    EXPECT_EQ(sequence.ReadSynVersion("V3"), 3);
    EXPECT_EQ(sequence.ReadSynVersion("MISSING"), 6);
    EXPECT_EQ(sequence.ReadSynVersion("SHORT"), 0);
}

TEST_F(MainSequenceTest, LoadErrorShowsItsBoxAndEndsBeforeAnythingElse) {
    WriteFile(m_dir / "Kestra.PFC", "Main\r\n");
    WriteFile(m_dir / "PROG.OCO", "UnitA\r\nUnitB\r\nUnitC\r\n");
    WriteFile(m_dir / "RUN.VAD", "x");
    m_hooks.failingUnit = "UnitB.QRU";

    std::vector<std::string> lines;
    platform::log::Sink previous = platform::log::SetSink(
        [&lines](platform::LogLevel, std::string_view text) { lines.emplace_back(text); });
    auto context = MakeContext();
    shell::MainSequence sequence(*context, m_hooks, Settings());
    EXPECT_EQ(sequence.Run(), shell::kExitUnitLoadFailed) << "a failed start is not a clean run";
    platform::log::SetSink(std::move(previous));

    EXPECT_EQ(m_hooks.Calls(), (std::vector<std::string>{"LoadUnit UnitA.QRU", "LoadUnit UnitB.QRU"}));
    // The box (logged on a headless run) carries the unit's name and the loader's text.
    bool boxLogged = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Error UnitB.QRU") != std::string::npos &&
               line.find("Unit not found") != std::string::npos;
    });
    EXPECT_TRUE(boxLogged);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "RUN.VAD"));
    EXPECT_NE(ReadDebugAddress(*context), 123);

    // A start screen's own unit that fails ends the run the same way, before its form.
    RecordingHooks screenHooks;
    screenHooks.failingUnit = "MAIN_Auto.qru";
    WriteFile(m_dir / "PROG.OCO", "UnitA\r\n");
    shell::MainSequence screenSequence(*context, screenHooks, Settings());
    EXPECT_EQ(screenSequence.Run(), shell::kExitUnitLoadFailed);
    EXPECT_EQ(screenHooks.Calls(),
              (std::vector<std::string>{"LoadUnit UnitA.QRU", "LoadUnit MAIN_Auto.qru"}));
}

TEST_F(MainSequenceTest, DebugSessionWaitsForTheEditorToRelease) {
    WriteFile(m_dir / "Kestra.PFC", "Main\r\n");
    auto context = MakeContext();
    std::byte* debugAddress = context->Link().LinkBlock("LDEBADR", 4);
    std::vector<std::int32_t> seen;
    int polls = 0;
    // The editor's side, played by the poll: it sees 255 and releases after a few polls.
    m_hooks.onGuiPoll = [&] {
        seen.push_back(shell::LoadLinkInt32(debugAddress));
        if (++polls == 3)
            shell::StoreLinkInt32(debugAddress, 0);
    };
    shell::MainSequence sequence(*context, m_hooks, Settings(true));
    EXPECT_EQ(sequence.Run(), 0);
    EXPECT_TRUE(sequence.DebugSession());
    EXPECT_EQ(seen, (std::vector<std::int32_t>{255, 255, 255}));
    EXPECT_EQ(shell::LoadLinkInt32(debugAddress), 123);
}

TEST_F(MainSequenceTest, EditorBlocksClearStandaloneRun) {
    WriteFile(m_dir / "Kestra.PFC", "Main\r\n");
    {
        auto context = MakeContext();
        shell::StoreLinkShortString(context->Link().LinkBlock("LEDIRUN", 256), "EDIRUN");
        shell::MainSequence sequence(*context, m_hooks, Settings());
        sequence.Run();
        EXPECT_FALSE(sequence.StandaloneRun());
    }
    platform::SetInstanceName(testsupport::UniqueInstanceName());
    {
        auto context = MakeContext();
        context->Link().LinkBlock("LPLCRUN", 256)[0] = std::byte{1};
        shell::MainSequence sequence(*context, m_hooks, Settings());
        sequence.Run();
        EXPECT_FALSE(sequence.StandaloneRun());
    }
    platform::SetInstanceName(testsupport::UniqueInstanceName());
    {
        auto context = MakeContext();
        // Another text in the editor's block does not count.
        shell::StoreLinkShortString(context->Link().LinkBlock("LEDIRUN", 256), "EDIRUNX");
        shell::MainSequence sequence(*context, m_hooks, Settings());
        sequence.Run();
        EXPECT_TRUE(sequence.StandaloneRun());
    }
}

TEST_F(MainSequenceTest, ScanThreadRunsPassesUntilShutdown) {
    WriteFile(m_dir / "Kestra.PFC", "Main\r\n");
    auto context = MakeContext();
    shell::MainSettings settings = Settings();
    settings.runForMilliseconds.reset();
    shell::MainSequence sequence(*context, m_hooks, settings);
    // End the run once the scan thread has made a few passes.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (m_hooks.scanThreadPasses >= 3)
            sequence.RequestQuit();
    });
    poll.start(1);
    EXPECT_EQ(sequence.Run(), 0);
    int passesAtEnd = m_hooks.scanThreadPasses;
    EXPECT_GE(passesAtEnd, 3);
    EXPECT_FALSE(context->Threads().Contains(&shell::MainSequence::ScanThreadKey));
}
