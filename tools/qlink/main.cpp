// Quorva run-time. Licensed under the MIT licence.
#include "engine/GlobalBlock.h"
#include "engine/VariableStore.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/SharedMemory.h"
#include "shell/EditorCommands.h"
#include "shell/LinkArea.h"
#include "shell/MessageBoxes.h"
#include "shell/Package.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

constexpr std::int32_t kRuntimeUp = 123;
constexpr std::int32_t kRuntimeWaits = 255;
constexpr std::size_t kShortStringMax = 255;
// The list walk stops here even if the run-time never answers an empty name.
constexpr std::int32_t kListLimit = 100000;

constexpr const char* kDescription =
    "qlink - the editor side of the link to a running Quorva run-time.\n\n"
    "Asks a run-time on this machine for the state of its program units and screens, starts\n"
    "and stops them, reads execution times and measuring points, reads and writes global\n"
    "variables by name. The run-time is found by its instance name (--instance, default\n"
    "$QUORVA_INSTANCE). Each command waits at most --timeout seconds for the run-time.\n\n"
    "Output: the bare answer, one line (list: one name per line).\n"
    "Exit codes: 0 done, 1 failed (the message says why), 2 bad usage.";

template <typename... Args> int Failure(fmt::format_string<Args...> format, Args&&... args) {
    fmt::print(stderr, "qlink: {}\n", fmt::format(format, std::forward<Args>(args)...));
    return kFailure;
}

using Clock = std::chrono::steady_clock;

// Waits until `done` holds or the timeout passes; true when it held.
template <typename Predicate> bool WaitFor(double timeoutSeconds, Predicate done) {
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(timeoutSeconds));
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The link blocks the editor side uses, in this process's view of the link area.
class EditorSide {
public:
    static std::optional<EditorSide> Attach(double timeoutSeconds, std::string& error) {
        auto area = shell::LinkArea::Attach();
        if (!area.IsOk()) {
            error = area.Error();
            return std::nullopt;
        }
        EditorSide side(std::move(area).Value(), timeoutSeconds);
        if (!side.m_handshake || !side.m_command || !side.m_argument || !side.m_name) {
            error = "the editor link area has no room for the editor's blocks";
            return std::nullopt;
        }
        return side;
    }

    std::int32_t Handshake() const { return shell::LoadLinkInt32(m_handshake); }
    void SetHandshake(std::int32_t value) { shell::StoreLinkInt32(m_handshake, value); }
    std::int32_t Argument() const { return shell::LoadLinkInt32(m_argument); }
    std::string Name() const { return shell::LoadLinkShortString(m_name); }

    // Sends one command: waits for the command word to be free, writes the arguments, then the
    // command word, and waits for the run-time to set it back to 0. A command that is not
    // answered in time is withdrawn, so that a run-time that comes later does not act on it.
    bool Send(std::int32_t code, const std::string* name, std::int32_t argument) {
        std::int32_t busy = 0;
        if (!WaitFor(m_timeout, [&] { return (busy = Command()) == 0; })) {
            Failure("the command word still holds command {} after {:g} s", busy, m_timeout);
            return false;
        }
        if (name)
            shell::StoreLinkShortString(m_name, *name);
        shell::StoreLinkInt32(m_argument, argument);
        shell::StoreLinkInt32(m_command, code);
        if (WaitFor(m_timeout, [&] { return Command() == 0; }))
            return true;
        if (Command() == code)
            shell::StoreLinkInt32(m_command, 0);
        Failure("the run-time did not answer command {} within {:g} s", code, m_timeout);
        return false;
    }

    double Timeout() const { return m_timeout; }

    // "LENPROFILER": while it is not 0, the run-time records the measuring points of units.
    void SetProfiler(bool on) {
        if (m_profiler)
            *m_profiler = std::byte{on ? std::uint8_t{1} : std::uint8_t{0}};
    }

private:
    EditorSide(shell::LinkArea area, double timeoutSeconds)
        : m_area(std::move(area)), m_timeout(timeoutSeconds) {
        m_handshake = m_area.LinkBlock("LDEBADR", 4);
        m_command = m_area.LinkBlock("LQRUCOMMANDE", 4);
        m_argument = m_area.LinkBlock("LAUX", 4);
        m_name = m_area.LinkBlock("LNOMQRU", 256);
        m_profiler = m_area.LinkBlock("LENPROFILER", 1);
    }
    std::int32_t Command() const { return shell::LoadLinkInt32(m_command); }

    shell::LinkArea m_area;
    double m_timeout;
    std::byte* m_handshake = nullptr;
    std::byte* m_command = nullptr;
    std::byte* m_profiler = nullptr;
    std::byte* m_argument = nullptr;
    std::byte* m_name = nullptr;
};

int WaitUp(EditorSide& link) {
    if (!WaitFor(link.Timeout(), [&] { return link.Handshake() == kRuntimeUp; }))
        return Failure("the run-time did not come up within {:g} s (LDEBADR reads {})",
                       link.Timeout(), link.Handshake());
    return 0;
}

// A run-time in a debug session sets 255 and waits for 0; a 0 written before that would be
// overwritten, so the release waits for the 255 first.
int Release(EditorSide& link) {
    if (!WaitFor(link.Timeout(), [&] { return link.Handshake() == kRuntimeWaits; }))
        return Failure("the run-time did not wait for the editor within {:g} s (LDEBADR reads {})",
                       link.Timeout(), link.Handshake());
    link.SetHandshake(0);
    return 0;
}

int NameCommand(EditorSide& link, const std::string& command, const std::string& name) {
    if (name.size() > kShortStringMax)
        return Failure("the name is longer than {} bytes", kShortStringMax);
    if (command == "status") {
        if (!link.Send(shell::editor_command::Status, &name, 0))
            return kFailure;
        fmt::print("{}\n", platform::CodePageToUtf8(link.Name()));
    } else if (command == "run" || command == "stop") {
        if (!link.Send(shell::editor_command::RunStop, &name, command == "stop" ? 1 : 0))
            return kFailure;
        // The run-time ignores unknown names; ask whether the name was known.
        if (!link.Send(shell::editor_command::Status, &name, 0))
            return kFailure;
        if (link.Name() == "Prog")
            return Failure("no unit or screen named {} is loaded", platform::CodePageToUtf8(name));
    } else if (command == "loaded") {
        if (!link.Send(shell::editor_command::Loaded, &name, 0))
            return kFailure;
        fmt::print("{}\n", link.Argument());
    } else if (command == "addr") {
        if (!link.Send(shell::editor_command::CodeAddress, &name, 0))
            return kFailure;
        fmt::print("0x{:08X}\n", static_cast<std::uint32_t>(link.Argument()));
    } else if (command == "time") {
        if (!link.Send(shell::editor_command::CycleTime, &name, 0))
            return kFailure;
        fmt::print("{}\n", link.Argument());
    }
    return 0;
}

int List(EditorSide& link) {
    for (std::int32_t index = 0; index < kListLimit; ++index) {
        if (!link.Send(shell::editor_command::ListName, nullptr, index))
            return kFailure;
        const std::string name = link.Name();
        if (name.empty())
            return 0;
        fmt::print("{}\n", platform::CodePageToUtf8(name));
    }
    return Failure("the list did not end within {} names", kListLimit);
}

// The project whose "MVARGLOB.QRU" gives the layout: a directory, or a package file. As the
// run-time does, the current directory becomes the project directory.
std::optional<shell::ProjectPackage> OpenProject(const std::string& project) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(project, error);
    std::string packageFile;
    std::int32_t offset = 0;
    if (!error && !std::filesystem::is_directory(path)) {
        auto located = shell::LocatePackage(path.string());
        if (!located.IsOk()) {
            Failure("{}: neither a directory nor a package file: {}", project, located.Error());
            return std::nullopt;
        }
        packageFile = path.string();
        offset = located.Value();
        path = path.parent_path();
    }
    if (!error)
        std::filesystem::current_path(path, error);
    if (error) {
        Failure("{}: {}", project, error.message());
        return std::nullopt;
    }
    return shell::ProjectPackage(packageFile, offset);
}

// Only reads: a module the variable store would refuse (and delete) is reported here first.
bool LayoutModuleReadable(const shell::ProjectPackage& package) {
    std::unique_ptr<shell::Stream> module = package.Open("MVARGLOB.QRU");
    if (!module) {
        Failure("the project has no MVARGLOB.QRU: it declares no global variables");
        return false;
    }
    char version[5] = {};
    if (module->Read(version, sizeof(version)) != sizeof(version) ||
        std::string_view(version, sizeof(version)) != "QRU02") {
        Failure("MVARGLOB.QRU is not a unit module of version QRU02");
        return false;
    }
    return true;
}

int Variable(EditorSide& link, const std::string& project, const std::string& name,
             const std::optional<std::string>& text) {
    const std::int32_t handshake = link.Handshake();
    if (handshake != kRuntimeUp && handshake != kRuntimeWaits)
        return Failure("no run-time is up (LDEBADR reads {}); try 'qlink wait-up'", handshake);
    std::optional<shell::ProjectPackage> package = OpenProject(project);
    if (!package)
        return kFailure;
    if (!LayoutModuleReadable(*package))
        return kFailure;
    auto block = engine::GlobalBlock::Attach();
    if (!block.IsOk())
        return Failure("{}", block.Error());
    shell::LoggingMessagePresenter presenter;
    engine::VariableStore store(
        engine::GlobalView{block->Host(), block->Size(), platform::guest::kGlobalBase}, *package,
        presenter);
    store.LoadGlobalNames();

    const std::string variable = platform::Utf8ToCodePage(name);
    // A bit request ("NAME.3") names the variable before the ".".
    const std::string base = variable.substr(0, variable.find('.'));
    if (!store.GlobalAddress(base))
        return Failure("no global variable named {} in the project", name);
    if (!text) {
        fmt::print("{}\n", platform::CodePageToUtf8(store.GetGlobalText(variable)));
        return 0;
    }
    if (!store.SetGlobalText(variable, platform::Utf8ToCodePage(*text)))
        return Failure("{} cannot take the value \"{}\"", name, *text);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    platform::log::SetProgramName("qlink");
    CLI::App app{kDescription, "qlink"};
    app.require_subcommand(1, 1);
    // The options below may also follow the command word.
    app.fallthrough();
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return fmt::format("qlink: {}\nRun 'qlink --help' for the commands.\n", error.what());
    });

    std::string project = ".";
    std::string instance;
    double timeout = 5.0;
    app.add_option("--project", project,
                   "project directory or package file whose MVARGLOB.QRU gives the layout of "
                   "the global variables (default: the current directory)");
    app.add_option("--instance", instance,
                   "instance name of the run-time (default: $QUORVA_INSTANCE)");
    app.add_option("--timeout", timeout, "seconds to wait for the run-time (default 5)")
        ->check(CLI::Range(0.0, 3600.0));

    std::string name, value;
    CLI::App* waitUp = app.add_subcommand("wait-up", "Wait until the run-time is running");
    waitUp->footer("Waits until LDEBADR reads 123. Exit 1 when it does not within the timeout.");
    CLI::App* release =
        app.add_subcommand("release", "Let a run-time that waits for the editor go on");
    release->footer("Waits until LDEBADR reads 255 (the run-time waits), then writes 0.");

    const char* nameCommands[][2] = {
        {"status", "Print Run, Stop, or Prog (no such unit or screen)"},
        {"run", "Start a unit or screen"},
        {"stop", "Stop a unit or screen"},
        {"loaded", "Print 1 when a unit of that name is loaded, else 0"},
        {"addr", "Print the guest address of a unit's code (0x00000000: unknown or no code)"},
        {"time", "Print the last execution time in microseconds of a screen, unit or "
                 "measuring point (-1: unknown)"},
    };
    for (const auto& [command, help] : nameCommands) {
        CLI::App* sub = app.add_subcommand(command, help);
        sub->add_option("NAME", name, "unit, screen or measuring point name")->required();
    }
    app.add_subcommand("list", "Print the units, then the screens, then the measuring points");
    std::string profilerState;
    CLI::App* profiler =
        app.add_subcommand("profiler", "Switch the recording of measuring points on or off");
    profiler->add_option("STATE", profilerState, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));

    CLI::App* get = app.add_subcommand("get", "Print a global variable as text");
    get->add_option("VAR", name, "variable name (NAME, NAME.BIT or NAME[INDEX])")->required();
    CLI::App* set = app.add_subcommand("set", "Set a global variable from text");
    set->add_option("VAR", name, "variable name (NAME, NAME.BIT or NAME[INDEX])")->required();
    set->add_option("TEXT", value, "the value: True/False/1/0, a number, or a string")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    if (!instance.empty())
        platform::SetInstanceName(instance);
    std::string error;
    std::optional<EditorSide> link = EditorSide::Attach(timeout, error);
    if (!link)
        return Failure("{}", error);

    CLI::App* chosen = app.get_subcommands().front();
    const std::string command = chosen->get_name();
    if (command == "wait-up")
        return WaitUp(*link);
    if (command == "release")
        return Release(*link);
    if (command == "list")
        return List(*link);
    if (command == "profiler") {
        link->SetProfiler(profilerState == "on");
        return 0;
    }
    if (command == "get")
        return Variable(*link, project, name, std::nullopt);
    if (command == "set")
        return Variable(*link, project, name, value);
    const std::string text = platform::Utf8ToCodePage(name);
    return NameCommand(*link, command, text);
}
