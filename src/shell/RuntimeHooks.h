// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// A unit that failed to load: the name the loader records and its error text.
struct UnitLoadError {
    std::string unitName;
    std::string message;
};

// What the main sequence asks of the subsystems beyond the shell: the unit loader, the cyclic
// scheduler, the editor-command poll, screens, menus, the alarm manager and port access. The
// run-time's composition root supplies the real implementation; tests supply recording ones.
// Every method is called on the GUI thread, except RunScanPass and PollEditorCommand, which the
// scan thread calls once it runs (and the GUI thread before that).
class RuntimeHooks {
public:
    virtual ~RuntimeHooks() = default;

    // The run's flags, known before the first unit loads: whether the editor side holds the
    // globals (not a standalone run) and whether a debugger started the run-time.
    virtual void StartupFlags(bool standaloneRun, bool debugSession) {
        static_cast<void>(standaloneRun);
        static_cast<void>(debugSession);
    }
    // Loads the unit file `fileName` ("NAME.QRU"); an error stops the run-time.
    virtual std::optional<UnitLoadError> LoadUnit(std::string_view fileName) = 0;
    // Sets the run state of a loaded unit to stopped, so that the scheduler skips it.
    virtual void HoldUnit(std::string_view fileName) = 0;
    // Builds the window of a start screen; false when it cannot be built.
    virtual bool BuildScreenForm(std::string_view screenName) = 0;
    // Builds the menu script `scriptName` onto the screen's window.
    virtual void BuildMenuScript(std::string_view screenName, std::string_view scriptName) = 0;
    // Registers the screen's own unit with its window for the GUI cycle.
    virtual void RegisterScreenUnit(std::string_view screenName, std::string_view unitFileName) = 0;
    // One scheduler pass.
    virtual void RunScanPass() = 0;
    // One poll of the editor's command word.
    virtual void PollEditorCommand() = 0;
    virtual void StartAlarmManager() = 0;
    // Ends the alarm manager once the units have seen the end of the program: its history is
    // saved.
    virtual void StopAlarms() {}
    // Clears the scheduler's run flag and waits until the scan in progress has finished.
    virtual void StopScheduler() = 0;
    // The system variable that tells units the program ends.
    virtual void SetEndProgram(bool value) = 0;
    // Switches the PC speaker off through the port-access service, where there is one.
    virtual void SwitchSpeakerOff() = 0;
    // Starts the GUI cycle of the screens just before the message loop runs; `requestQuit`
    // ends the loop (the main window closed). Ends it when the loop has returned.
    virtual void StartScreenCycle(std::function<void()> requestQuit) {
        static_cast<void>(requestQuit);
    }
    virtual void EndScreenCycle() {}
};

} // namespace shell
