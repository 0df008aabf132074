// Quorva run-time. Licensed under the MIT licence.
#include "platform/Log.h"
#include "platform/CpuEngine.h"
#include "runtime/ProgramLaunch.h"
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/Figure.h"
#include "screens/PageControl.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"

#include <QCoreApplication>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <string>

namespace runtime::screencmd {

using support::Current;

namespace {

// PROCESSMESSAGES runs at most this many passes, so that a wild count cannot hang the GUI.
constexpr std::int32_t kMaxMessagePasses = 1000;
// Page layers are bytes: no figure lies on a page outside 0..255.
constexpr std::int32_t kMaxPage = 255;
// DISPLAY lets a form that comes up draw itself before the caller goes on.
constexpr int kDisplayPasses = 50;
// How often MODALEXECUTE looks whether its program ended, servicing the screens in between.
constexpr int kModalPollMilliseconds = 10;

} // namespace

bool CommutFig(ShortString name) {
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr)
        return false;
    screens::Figure* figure = support::FindFigure(*window, name.View());
    if (figure == nullptr)
        return false;
    screens::SetCurrentFigure(figure);
    return true;
}

void Display(ShortString formName) {
    const std::string name = support::UpperAscii(formName.View());
    screens::ScreenForm* form = support::FindForm(name);
    if (form == nullptr) {
        // A project screen not open yet is built now, with its unit and menu, and shown.
        // A name that is no screen of the project is started as a program.
        const auto& open = screens::Globals().openScreen;
        if (!open || !open(name))
            Execute(formName);
        return;
    }
    if (form->isVisible()) {
        if (form->isMinimized())
            form->showNormal();
        form->raise();
        form->activateWindow();
        return;
    }
    {
        // The form is the current window while it comes up; the caller's window and figure
        // are restored afterwards.
        screens::CurrentScope scope;
        screens::SetCurrentWindow(form);
        form->show();
    }
    for (int pass = 0; pass < kDisplayPasses; ++pass)
        QCoreApplication::processEvents();
}

void Execute(ShortString commandLine) {
    platform::Result<pid_t> started = StartProgram(commandLine.View());
    if (!started)
        platform::LogWarning("EXECUTE: {}", started.Error());
}

void ModalExecute(ShortString commandLine) {
    platform::Result<pid_t> started = StartProgram(commandLine.View(), true);
    if (!started) {
        platform::LogWarning("MODALEXECUTE: {}", started.Error());
        return;
    }
    // The screens keep drawing and their objects keep running while the program runs; its
    // time is not the calling unit's.
    const platform::HostWait wait;
    const int code = WaitProgram(
        started.Value(), [](void*) { QCoreApplication::processEvents(); }, nullptr,
        kModalPollMilliseconds);
    platform::LogInfo("MODALEXECUTE: the program ended with exit code {}", code);
}

bool CloseForm(ShortString formName) {
    screens::ScreenForm* form = support::FindForm(formName.View());
    if (form == nullptr)
        return false;
    if (form->isVisible()) {
        // The form's close handlers run with the form as the current window.
        screens::CurrentScope scope;
        screens::SetCurrentWindow(form);
        form->close();
    }
    return true;
}

void CloseAppli() {
    screens::ScreenForm* main = screens::Globals().mainWindow.data();
    if (main == nullptr) {
        platform::LogWarning("CLOSEAPPLI: there is no main window to close");
        return;
    }
    // The program's own request ends the run: the operator's close permission does not apply.
    main->SetCanClose(true);
    main->close();
}

void SetCaption(ShortString caption) {
    if (screens::ScreenForm* window = screens::CurrentWindow())
        window->setWindowTitle(support::ToQt(caption.View()));
}

ShortString GetCaption() {
    screens::ScreenForm* window = screens::CurrentWindow();
    return window != nullptr ? ShortString(support::FromQt(window->windowTitle())) : ShortString();
}

void SetPage(std::int32_t page) {
    if (auto* pages = screens::ScreenObjectOf<screens::PageControl>(Current())) {
        pages->SelectPage(page); // a page it lacks changes nothing
        return;
    }
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr)
        return;
    page = std::clamp(page, 0, kMaxPage);
    if (page == window->CurrentPage())
        return;
    // The window's page rule shows every paged figure exactly on its page (notebooks and tab
    // sets over their range of pages, "NOTEBOOK1" among them); the window repaints once, after
    // every figure was switched.
    const bool updates = window->updatesEnabled();
    window->setUpdatesEnabled(false);
    window->SetCurrentPage(page);
    window->setUpdatesEnabled(updates);
}

std::int32_t GetPage() {
    // A page control that shows no page yet answers 0, as for no target.
    if (auto* pages = screens::ScreenObjectOf<screens::PageControl>(Current()))
        return std::max(pages->CurrentPage(), 0);
    screens::ScreenForm* window = screens::CurrentWindow();
    return window != nullptr ? window->CurrentPage() : 0;
}

ShortString GetParentName() {
    screens::ScreenForm* window = screens::CurrentWindow();
    screens::Figure* figure = Current();
    if (window == nullptr || figure == nullptr)
        return {};
    QWidget* parent = figure->Widget().parentWidget();
    std::string parentName;
    if (screens::Figure* container = screens::FigureOf(parent))
        parentName = container->Properties().componentName;
    else if (auto* form = dynamic_cast<screens::ScreenForm*>(parent))
        parentName = form->ScreenName();
    else if (parent != nullptr && window->HasClient() && parent == &window->Client())
        parentName = window->ScreenName();
    else if (parent != nullptr)
        parentName = support::FromQt(parent->objectName());
    return ShortString(window->ScreenName() + "\\" + parentName);
}

ShortString GetObjectName() {
    screens::Figure* figure = Current();
    return figure != nullptr ? ShortString(figure->Properties().className) : ShortString();
}

ShortString FindObjectName(ShortString className) {
    screens::ScreenForm* window = screens::CurrentWindow();
    const std::string wanted = support::UpperAscii(className.View());
    if (window == nullptr || wanted.empty())
        return {};
    for (screens::Figure* figure : support::FiguresOf(*window)) {
        if (support::UpperAscii(figure->Properties().className) == wanted)
            return ShortString(figure->Properties().componentName);
    }
    return {};
}

std::int32_t TypeFig() {
    screens::Figure* figure = Current();
    return figure != nullptr ? figure->Properties().kind : 0;
}

void ProcessMessages(std::int32_t count) {
    count = std::clamp(count, 0, kMaxMessagePasses);
    for (std::int32_t pass = 0; pass < count; ++pass)
        QCoreApplication::processEvents();
}

} // namespace runtime::screencmd
