// Quorva run-time. Licensed under the MIT licence.
// The commands on the screens' windows as a whole: a modal form, all forms minimised, and the
// stay-on-top forms put back among the others for a while.
#include "platform/Log.h"
#include "platform/CpuEngine.h"
#include "runtime/GuiHandles.h"
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

namespace runtime::screencmd {

namespace {

// Ends a local event loop when the watched form is hidden or goes.
class HideWatch final : public QObject {
public:
    HideWatch(QWidget& form, QEventLoop& loop) : m_loop(loop) {
        form.installEventFilter(this);
        QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            m_loop.quit();
        return false;
    }

private:
    QEventLoop& m_loop;
};

std::vector<screens::ScreenForm*> VisibleForms() {
    std::vector<screens::ScreenForm*> forms;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = dynamic_cast<screens::ScreenForm*>(widget); form && form->isVisible())
            forms.push_back(form);
    return forms;
}

} // namespace

void DisplayModal(ShortString formName) {
    const std::string name = support::UpperAscii(formName.View());
    QPointer<screens::ScreenForm> form = support::FindForm(name);
    if (form == nullptr) {
        const auto& open = screens::Globals().openScreen;
        if (!open || !open(name) || (form = support::FindForm(name)) == nullptr) {
            platform::LogWarning("DISPLAYMODAL: the project has no screen {}", name);
            return;
        }
    }
    // Modality takes effect when a window is shown.
    form->hide();
    form->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatch watch(*form, loop);
    {
        screens::CurrentScope scope;
        screens::SetCurrentWindow(form.data());
        form->show();
        form->raise();
        form->activateWindow();
    }
    // The caller waits until the form closes; the screens keep being drawn meanwhile. The
    // operator's time is not the calling unit's.
    const platform::HostWait wait;
    loop.exec();
    if (form != nullptr)
        form->setWindowModality(Qt::NonModal);
}

std::int32_t GetHwnd() {
    return GuiHandles().HandleOf(screens::CurrentWindow());
}

std::int32_t GetMainHwnd() {
    return GuiHandles().HandleOf(screens::Globals().mainWindow.data());
}

void AllIconic() {
    for (screens::ScreenForm* form : VisibleForms())
        form->showMinimized();
}

void NormalizeTopmosts() {
    auto& lowered = screens::Globals().loweredTopmosts;
    for (screens::ScreenForm* form : VisibleForms()) {
        if (!(form->windowFlags() & Qt::WindowStaysOnTopHint))
            continue;
        form->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        form->show(); // changing the flags hides a window
        lowered.emplace_back(form);
    }
}

void RestoreTopmosts() {
    auto& lowered = screens::Globals().loweredTopmosts;
    for (const QPointer<screens::ScreenForm>& form : lowered) {
        if (form == nullptr)
            continue;
        const bool visible = form->isVisible();
        form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (visible)
            form->show();
    }
    lowered.clear();
}

} // namespace runtime::screencmd
