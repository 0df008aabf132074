// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "shell/RuntimeHooks.h"
#include "shell/ShellContext.h"

namespace shell {

// The run-time's exit codes. A service manager or a script tells a clean run from a failed start
// by them; the error box of a failed start is shown (or logged) first.
enum ExitCode : int {
    kExitDone = 0,           // the run ended, or the project has no "Kestra.PFC"
    kExitSetupFailed = 1,    // the run-time could not set itself up (shared memory, link area)
    kExitUsage = 2,          // a wrong command line, or a PROJECT that is not a project
    kExitUnitLoadFailed = 3, // a start unit (of "PROG.OCO" or a start screen) failed to load
};

struct MainSettings {
    // Ends the message loop after this time, as if the main window had been closed.
    std::optional<std::uint32_t> runForMilliseconds;
    // Whether the editor's debugger started the run-time; a traced process by default.
    std::function<bool()> debuggerPresent;
    const platform::Clock* clock = &platform::SystemClock::Instance();
};

// The run-time's main sequence: opens the project's start lists, creates the editor-link
// blocks, loads the start units, builds the start screens, starts the scan thread, runs the
// message loop and shuts the project down in its fixed order. Runs on the GUI thread, which
// must own the QApplication; `Run` is called once. The scan thread it starts runs the
// scheduler pass and the editor poll through the hooks.
class MainSequence {
public:
    MainSequence(ShellContext& context, RuntimeHooks& hooks, MainSettings settings);
    MainSequence(const MainSequence&) = delete;
    MainSequence& operator=(const MainSequence&) = delete;

    // Runs the whole sequence; the process's exit code (an ExitCode).
    int Run();

    // Ends the message loop as the main window's closing does; any thread, any time (a request
    // made before the loop runs ends it at once).
    void RequestQuit();

    // Processes window messages until `ms` milliseconds have passed.
    void PumpMessages(std::uint32_t ms);

    // The format version digit of NAME + ".Syn"; 6 when the file is missing.
    std::int32_t ReadSynVersion(std::string_view name) const;

    bool StandaloneRun() const { return m_standaloneRun; }
    bool DebugSession() const { return m_debugSession; }
    std::int32_t CurrentSynVersion() const { return m_currentSynVersion; }

    // The identity under which the scan thread is registered.
    static const char ScanThreadKey;

private:
    bool CreateLinkBlocks();
    bool LoadStartUnits();
    bool LoadStartScreen(const std::string& line);
    void ReportLoadError(const UnitLoadError& error);
    void WaitForEditor();
    void StartScanThread();
    void RunMessageLoop();
    void Shutdown();

    ShellContext& m_context;
    RuntimeHooks& m_hooks;
    MainSettings m_settings;

    std::byte* m_debugAddress = nullptr; // "LDEBADR"
    std::byte* m_plcRun = nullptr;       // "LPLCRUN"
    std::byte* m_editorRun = nullptr;    // "LEDIRUN"

    bool m_standaloneRun = true;
    bool m_debugSession = false;
    std::int32_t m_currentSynVersion = 6;
    std::atomic<bool> m_quitRequested{false};
};

} // namespace shell
