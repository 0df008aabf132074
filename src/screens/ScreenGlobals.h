// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include "screens/AlarmSource.h"
#include "screens/ClassRegistry.h"
#include "screens/InputEvents.h"
#include "screens/MediaPlayers.h"
#include "screens/MenuSelection.h"
#include "screens/PictureHandles.h"
#include "screens/ScreenUnits.h"
#include "screens/ScreenVariables.h"
#include "screens/WebBrowsers.h"

namespace shell {
class Dictionary;
class MessageBoxes;
class ProjectPackage;
class Stream;
} // namespace shell

namespace screens {

class Figure;
class ScreenForm;

// A figure whose screen object runs each GUI cycle, with its window.
struct ActiveObject {
    QPointer<QWidget> figure;
    QPointer<ScreenForm> window;
};

// The step text's length limit and its idle value.
inline constexpr std::size_t kStepTextLength = 30;
inline constexpr std::string_view kIdleStepText = " Quorva-Pascal System";

// The process-wide state of the screens, in one place. Written on the GUI thread; flags that
// other threads read are atomic. The package, the dictionary and the message boxes are the
// run-time context's, set once at start-up (tests set their own); null means none (no
// translation, disk files only, boxes only logged).
//
// Windows and figures are held by guarded pointers: a window that closes and goes, and the
// figures with it, read back as null.
struct ScreenGlobals {
    // Raised when a figure's fore or back colour or filled flag changes; whoever redraws copies
    // of the screens clears it.
    std::atomic<bool> screenChanged{false};
    const shell::ProjectPackage* package = nullptr;
    shell::Dictionary* dictionary = nullptr;
    shell::MessageBoxes* boxes = nullptr;
    // The project's global variables (null: every binding stays unresolved).
    ScreenVariables* variables = nullptr;
    // The alarm manager's active list for the alarm display objects (null: no alarms).
    AlarmSource* alarms = nullptr;

    // The window and the figure on whose behalf code runs (the figure's widget).
    QPointer<ScreenForm> currentWindow;
    QPointer<QWidget> currentFigure;
    // What the GUI thread is doing, at most 30 characters; error reports carry it.
    std::string stepText{kIdleStepText};
    // False while a screen loads: controls made then take their own colours.
    bool screensReady = true;
    // The first form made, the application's main window, and the window marked inactive.
    QPointer<ScreenForm> mainWindow;
    QPointer<ScreenForm> inactiveWindow;
    // The last icon any screen brought; the main window falls back to it.
    QIcon rememberedIcon;

    // The project directory, whose "Syno" directory holds screens not found elsewhere.
    std::string projectDirectory;

    ClassRegistry classes;
    // The objects that run each cycle, in load order.
    std::vector<ActiveObject> activeObjects;
    // The open screens with their automatic units, in opening order.
    ScreenUnitRegistry screenUnits;
    InputLatch input;
    MenuSelection menu;
    // Opens a project screen that is not open yet: its unit, its window, its menu and the
    // unit's registration; false when the project has no such screen or it cannot be built.
    // Set by the run-time; empty in tests that build their own windows.
    std::function<bool(std::string_view name)> openScreen;
    // The stay-on-top forms NORMALIZETOPMOSTS made normal, for RESTORETOPMOSTS.
    std::vector<QPointer<ScreenForm>> loweredTopmosts;
    // The text of GETTEXTMESSAGE and SETTEXTMESSAGE.
    std::string textMessage;
    // The pictures program code holds by handle.
    PictureHandles pictureHandles;
    // The media players of figures and the web browsers units made.
    MediaPlayers mediaPlayers;
    WebBrowsers webBrowsers;
    // The text of the drag that DRAG started and no DROP took yet, and the last one dropped.
    std::optional<std::string> dragText;
    std::string droppedText;

    void Reset();
};

ScreenGlobals& Globals();

// The text shown for a figure's raw text: its translation, or the raw text when the
// translation is empty or there is no dictionary. Code-page bytes.
std::string DisplayText(std::string_view raw);

// A project file for the screens: through the package (its entry, else the disk path as given)
// when there is one, else the disk file at the mapped path. Null when neither exists.
std::unique_ptr<shell::Stream> OpenProjectFile(std::string_view name);

// The current window and figure (null when none, or gone).
ScreenForm* CurrentWindow();
Figure* CurrentFigure();
void SetCurrentWindow(ScreenForm* window);
void SetCurrentFigure(Figure* figure);

// Sets the step text, cut to 30 characters.
void SetStepText(std::string_view text);

// Saves the current window and figure and puts them back when it goes.
class CurrentScope {
public:
    CurrentScope();
    ~CurrentScope();
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

private:
    QPointer<ScreenForm> m_window;
    QPointer<QWidget> m_figure;
};

} // namespace screens
