// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>
#include <QTimer>

#include "engine/ProgramRecords.h"
#include "screens/GuiCycle.h"
#include "shell/EditorCommands.h"

namespace engine {
class VariableStore;
}
namespace platform {
class CpuEngine;
}
namespace shell {
class Dictionary;
class MessageBoxes;
class ProjectPackage;
} // namespace shell

namespace runtime {

class StoreVariables;
class SystemVariables;

// Where screenshots go: `directory` empty = none; `everyMilliseconds` > 0 also writes
// NAME-<ms>.png during the run.
struct ScreenshotSettings {
    std::string directory;
    int everyMilliseconds = 0;
};

// The screens of a run put together with the unit engine: builds the start screens' windows,
// their menus and their screen-unit records, runs the GUI cycle with the automatic units on the
// GUI thread's CPU engine and the system variables they read, answers the editor link for
// screens, ends the run when the main window closes and writes screenshots. GUI thread, except
// the ScreenTargets operations, which the editor poll calls on the scan thread.
class ScreenHost final : public shell::ScreenTargets {
public:
    struct Context {
        engine::ProgramList& programs;
        SystemVariables& cells;
        // The global variables the screen objects bind to.
        engine::VariableStore& store;
        shell::MessageBoxes& boxes;
        const shell::ProjectPackage& package;
        shell::Dictionary& dictionary;
        // The CPU engine of the calling thread.
        std::function<platform::CpuEngine*()> engineOfThisThread;
        std::string projectDirectory;
    };

    explicit ScreenHost(Context context);
    ~ScreenHost() override;
    ScreenHost(const ScreenHost&) = delete;
    ScreenHost& operator=(const ScreenHost&) = delete;

    // Builds the window of the screen NAME and shows it; false when it cannot be built.
    bool BuildScreenForm(std::string_view name);
    // Applies the menu script to the screen's window.
    void BuildMenuScript(std::string_view name, std::string_view scriptName);
    // Registers the screen with its automatic unit (the loaded unit `unitFileName`).
    void RegisterScreenUnit(std::string_view name, std::string_view unitFileName);

    // Starts the GUI cycle; `requestQuit` ends the message loop when the main window closes.
    void StartCycle(std::function<void()> requestQuit, ScreenshotSettings screenshots);
    // Stops the cycle and writes the final screenshots.
    void EndCycle();

    screens::GuiCycle& Cycle() { return *m_cycle; }

    // The editor link's view of the screens.
    std::optional<shell::ScreenSnapshot> FindScreen(std::string_view name) const override;
    bool SetScreenStopped(std::string_view name, bool stopped) override;
    std::vector<std::string> OpenScreens() const override;

private:
    screens::GuiCycleHooks MakeCycleHooks();
    std::optional<std::string> RunUnit(std::uint32_t entry);
    void WatchMainWindow();

    Context m_context;
    std::unique_ptr<StoreVariables> m_variables;
    std::unique_ptr<screens::GuiCycle> m_cycle;
    std::vector<std::pair<std::string, QPointer<QWidget>>> m_windows; // by screen name
    std::function<void()> m_requestQuit;
    ScreenshotSettings m_screenshots;
    QTimer m_screenshotTimer;
    std::int64_t m_startMicroseconds = 0;
};

} // namespace runtime
