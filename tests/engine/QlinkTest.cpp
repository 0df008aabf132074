// Quorva run-time. Licensed under the MIT licence.
//
// qlink as a separate process against this process's link area, whose editor commands a thread
// of the test polls as the scan thread would.
#include "TestSupport.h"
#include "engine/GlobalBlock.h"
#include "engine/ProgramRecords.h"
#include "engine/QruModule.h"
#include "engine/QruWriter.h"
#include "engine/UnitEditorTargets.h"
#include "platform/SharedMemory.h"
#include "shell/EditorCommands.h"
#include "shell/LinkArea.h"
#include "shell/PackageWriter.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

class ScopedInstance {
public:
    ScopedInstance() : m_previous(platform::InstanceName()) {
        platform::SetInstanceName(testsupport::UniqueInstanceName());
    }
    ~ScopedInstance() { platform::SetInstanceName(m_previous); }

private:
    std::string m_previous;
};

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof(buffer))) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

// Runs qlink for this process's instance; standard error goes to a file so that neither pipe
// can fill while the other is read.
Outcome RunQlink(std::vector<std::string> args) {
    testsupport::TempDir errDir;
    const std::string errPath = (errDir / "stderr").string();
    args.insert(args.begin(), {QUORVA_QLINK, "--instance", platform::InstanceName()});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    Outcome outcome;
    if (spawned != 0) {
        ::close(out[0]);
        outcome.err = std::strerror(spawned);
        return outcome;
    }
    outcome.out = ReadAll(out[0]);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = testsupport::ReadFile(errPath);
    return outcome;
}

// The run-time side: the link area, two loaded units, no screens, the poll.
class Runtime {
public:
    Runtime() : m_area(shell::LinkArea::Attach().Value()), m_units(m_programs) {
        AddUnit("PUMP", 0x00010400, false, 321);
        AddUnit("LIBS", 0, true, 0);
        m_commands = shell::EditorCommands::Create(m_area, m_units, m_screens, nullptr).Value();
        shell::StoreLinkInt32(m_area.LinkBlock("LDEBADR", 4), 123);
    }
    ~Runtime() { StopPolling(); }

    void StartPolling() {
        m_poller = std::thread([this] {
            while (!m_stop) {
                m_commands->PollEditorCommand();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    void StopPolling() {
        m_stop = true;
        if (m_poller.joinable())
            m_poller.join();
    }

    engine::TProgRun& Unit(std::size_t index) { return *m_programs.Programs().at(index); }
    shell::LinkArea& Area() { return m_area; }
    shell::EditorCommands& Commands() { return *m_commands; }

private:
    void AddUnit(std::string name, std::uint32_t code, bool nonCyclic, std::int32_t elapsed) {
        auto unit = std::make_unique<engine::TProgRun>();
        unit->name = std::move(name);
        unit->codeBase = code;
        unit->nonCyclic = nonCyclic;
        unit->elapsed = elapsed;
        m_programs.Programs().push_back(std::move(unit));
    }

    shell::LinkArea m_area;
    engine::ProgramList m_programs;
    engine::UnitEditorTargets m_units;
    shell::NoScreenTargets m_screens;
    std::unique_ptr<shell::EditorCommands> m_commands;
    std::thread m_poller;
    std::atomic<bool> m_stop{false};
};

TEST(Qlink, AsksAndSteersUnits) {
    ScopedInstance instance;
    Runtime runtime;
    runtime.Area().LinkBlock("LENPROFILER", 1)[0] = std::byte{1};
    ASSERT_TRUE(runtime.Commands().ProfilerRecord("Loop", 55));
    runtime.StartPolling();

    EXPECT_EQ(RunQlink({"wait-up"}).exitCode, 0);
    EXPECT_EQ(RunQlink({"status", "pump"}).out, "Run\n");
    Outcome stop = RunQlink({"stop", "Pump"});
    EXPECT_EQ(stop.exitCode, 0) << stop.err;
    EXPECT_EQ(runtime.Unit(0).runState.load(), engine::RunState::Held);
    EXPECT_EQ(RunQlink({"status", "PUMP"}).out, "Stop\n");
    EXPECT_EQ(RunQlink({"run", "pump"}).exitCode, 0);
    EXPECT_EQ(runtime.Unit(0).runState.load(), engine::RunState::Run);

    Outcome ghost = RunQlink({"stop", "ghost"});
    EXPECT_EQ(ghost.exitCode, 1);
    EXPECT_EQ(ghost.err, "qlink: no unit or screen named ghost is loaded\n");
    EXPECT_EQ(RunQlink({"status", "ghost"}).out, "Prog\n");

    EXPECT_EQ(RunQlink({"loaded", "libs"}).out, "1\n");
    EXPECT_EQ(RunQlink({"loaded", "ghost"}).out, "0\n");
    EXPECT_EQ(RunQlink({"addr", "PUMP"}).out, "0x00010400\n");
    EXPECT_EQ(RunQlink({"time", "pump"}).out, "321\n");
    EXPECT_EQ(RunQlink({"time", "LOOP"}).out, "55\n");
    EXPECT_EQ(RunQlink({"time", "ghost"}).out, "-1\n");

    Outcome list = RunQlink({"list", "--timeout", "2"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "PUMP\n(QRU)LIBS\nLoop\n");
}

TEST(Qlink, UnansweredCommandsTimeOutAndAreWithdrawn) {
    ScopedInstance instance;
    Runtime runtime; // nothing polls

    Outcome status = RunQlink({"--timeout", "0.2", "status", "PUMP"});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_EQ(status.out, "");
    EXPECT_EQ(status.err, "qlink: the run-time did not answer command 5 within 0.2 s\n");
    EXPECT_EQ(shell::LoadLinkInt32(runtime.Area().LinkBlock("LQRUCOMMANDE", 4)), 0);
    EXPECT_EQ(runtime.Unit(0).runState.load(), engine::RunState::Run);

    // A command left in the word by someone else is not overwritten.
    shell::StoreLinkInt32(runtime.Area().LinkBlock("LQRUCOMMANDE", 4), 9);
    Outcome busy = RunQlink({"stop", "PUMP", "--timeout", "0.1"});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.err, "qlink: the command word still holds command 9 after 0.1 s\n");
    EXPECT_EQ(shell::LoadLinkInt32(runtime.Area().LinkBlock("LQRUCOMMANDE", 4)), 9);

    // The run-time is up already: release has nothing to release.
    Outcome release = RunQlink({"release", "--timeout", "0.1"});
    EXPECT_EQ(release.exitCode, 1);
    EXPECT_EQ(shell::LoadLinkInt32(runtime.Area().LinkBlock("LDEBADR", 4)), 123);
    shell::StoreLinkInt32(runtime.Area().LinkBlock("LDEBADR", 4), 255);
    EXPECT_EQ(RunQlink({"release"}).exitCode, 0);
    EXPECT_EQ(shell::LoadLinkInt32(runtime.Area().LinkBlock("LDEBADR", 4)), 0);
    EXPECT_EQ(RunQlink({"wait-up", "--timeout", "0.1"}).exitCode, 1);

    EXPECT_EQ(RunQlink({}).exitCode, 2);
    EXPECT_EQ(RunQlink({"status"}).exitCode, 2);
    EXPECT_EQ(RunQlink({"--timeout", "-1", "list"}).exitCode, 2);
}

// MVARGLOB with an Integer, a Boolean and a String, in that order.
std::string GlobalModule() {
    engine::QruModule module;
    module.header.dataSize = 4 + 1 + 256;
    module.variables = {
        {"COUNTER", 0, 4, 4, 0, 0, 0, 0, true, "", "", ""},
        {"RUNNING", 4, 1, 3, 0, 0, 0, 0, true, "", "", ""},
        {"LABEL", 5, 256, 9, 0, 0, 0, 0, true, "", "", ""},
    };
    return engine::WriteQruModule(module);
}

TEST(Qlink, ReadsAndWritesGlobalsByName) {
    ScopedInstance instance;
    testsupport::TempDir project;
    testsupport::WriteFile(project / "MVARGLOB.QRU", GlobalModule());
    auto block = engine::GlobalBlock::Attach();
    ASSERT_TRUE(block.IsOk()) << block.Error();
    std::byte* globals = block->Host() + engine::kGlobalsOffset;
    const std::int32_t seed = 41;
    std::memcpy(globals, &seed, sizeof(seed));
    Runtime runtime;
    const std::string dir = project.Path().string();

    EXPECT_EQ(RunQlink({"--project", dir, "get", "counter"}).out, "41\n");
    EXPECT_EQ(RunQlink({"--project", dir, "set", "COUNTER", "-99"}).exitCode, 0);
    std::int32_t counter = 0;
    std::memcpy(&counter, globals, sizeof(counter));
    EXPECT_EQ(counter, -99);
    EXPECT_EQ(RunQlink({"--project", dir, "set", "RUNNING", "True"}).exitCode, 0);
    EXPECT_EQ(std::to_integer<int>(globals[4]), 1);
    EXPECT_EQ(RunQlink({"--project", dir, "set", "Label", "hello there"}).exitCode, 0);
    EXPECT_EQ(RunQlink({"--project", dir, "get", "LABEL"}).out, "hello there\n");

    Outcome unknown = RunQlink({"--project", dir, "get", "NOPE"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "qlink: no global variable named NOPE in the project\n");
    EXPECT_EQ(RunQlink({"--project", dir, "set", "COUNTER", "twelve"}).exitCode, 1);
    std::memcpy(&counter, globals, sizeof(counter));
    EXPECT_EQ(counter, -99);

    // The same layout read from a package file in another directory.
    testsupport::TempDir elsewhere;
    const std::string packageFile = (elsewhere / "project.pkg").string();
    ASSERT_TRUE(shell::WritePackageFile(packageFile, dir).IsOk());
    EXPECT_EQ(RunQlink({"get", "COUNTER", "--project", packageFile}).out, "-99\n");

    // A damaged layout module is reported and left where it is.
    testsupport::WriteFile(project / "MVARGLOB.QRU", "QRU01 not a module");
    Outcome damaged = RunQlink({"--project", dir, "get", "COUNTER"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(project / "MVARGLOB.QRU"));

    // Without a run-time on the link there is nothing to read.
    shell::StoreLinkInt32(runtime.Area().LinkBlock("LDEBADR", 4), 0);
    Outcome down = RunQlink({"--project", packageFile, "get", "COUNTER"});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_NE(down.err.find("no run-time is up"), std::string::npos) << down.err;
}

} // namespace
