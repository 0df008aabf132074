// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FormServiceCommands.h"

#include "platform/Log.h"
#include "runtime/GuiHandles.h"
#include "runtime/LookCommands.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/Figure.h"
#include "screens/FigureText.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPalette>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <initializer_list>

namespace runtime {

namespace screencmd {

namespace {

// Border styles of SETBORDERSTYLE that WINDIALOG switches between.
constexpr std::uint16_t kSizeableBorder = 2;
constexpr std::uint16_t kDialogBorder = 3;

// Marks the menus POPUPMENUCREATE made (the only ones POPUPMENUDESTROY may delete) and, on a
// control, the handle of the popup it opens.
constexpr const char* kPopupMenuMark = "quorvaPopupMenu";
constexpr const char* kControlPopup = "quorvaPopupHandle";

int Position(std::int32_t value) {
    return std::clamp(value, support::kMinCoordinate, support::kMaxCoordinate);
}

int Size(std::int32_t value) {
    return std::min(value, support::kMaxCoordinate);
}

// The widget that paints a window's background: its client area when it has one.
QWidget& Painted(screens::ScreenForm& window) {
    return window.HasClient() ? window.Client() : window;
}

// Windows, figures and menus belong to the GUI thread: called from any other thread (a cyclic
// unit on the scan thread) the commands find no target, with one warning in the log.
bool OnGuiThread() {
    static std::atomic<bool> warned{false};
    return screencmd::support::OnGuiThread(
        warned, "form and window commands run on the screens' thread only; a call "
                "from another thread does nothing");
}

screens::ScreenForm* Window() {
    return OnGuiThread() ? screens::CurrentWindow() : nullptr;
}

screens::Figure* CurrentFigure() {
    return OnGuiThread() ? support::Current() : nullptr;
}

screens::ScreenForm* FormNamed(const ShortString& name) {
    return OnGuiThread() ? support::FindForm(name.View()) : nullptr;
}

// A menu of POPUPMENUCREATE by handle, or null.
QMenu* PopupMenu(std::int32_t handle) {
    if (!OnGuiThread())
        return nullptr;
    QMenu* menu = GuiHandles().Find<QMenu>(handle);
    return menu != nullptr && menu->property(kPopupMenuMark).toBool() ? menu : nullptr;
}

} // namespace

bool FormSetBounds(ShortString formName, std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height) {
    screens::ScreenForm* form = FormNamed(formName);
    if (form == nullptr)
        return false;
    form->move(Position(left), Position(top));
    const QSize current = form->size();
    const QSize wanted(width > 0 ? Size(width) : current.width(),
                       height > 0 ? Size(height) : current.height());
    if (wanted != current) {
        // A form of fixed size keeps being fixed, at the size asked; other limits apply.
        if (form->minimumSize() == form->maximumSize())
            form->setFixedSize(wanted);
        else
            form->resize(wanted);
    }
    return true;
}

bool FormGetBounds(ShortString formName, Ref<std::int32_t> top, Ref<std::int32_t> left,
                   Ref<std::int32_t> width, Ref<std::int32_t> height) {
    screens::ScreenForm* form = FormNamed(formName);
    if (form == nullptr) {
        top.Set(-1);
        left.Set(-1);
        width.Set(0);
        height.Set(0);
        return false;
    }
    top.Set(form->x());
    left.Set(form->y());
    width.Set(form->width());
    height.Set(form->height());
    return true;
}

bool FormVisible(ShortString formName) {
    screens::ScreenForm* form = FormNamed(formName);
    return form != nullptr && form->isVisible();
}

void WinDialog(bool dialogForm) {
    if (!OnGuiThread())
        return;
    SetBorderStyle(dialogForm ? kDialogBorder : kSizeableBorder);
}

void ChangeBackgroundColor(std::int32_t colour) {
    screens::ScreenForm* window = Window();
    if (window == nullptr)
        return;
    const QColor background = screens::WindowsColour(static_cast<std::uint32_t>(colour));
    for (QWidget* widget : {static_cast<QWidget*>(window), &Painted(*window)}) {
        QPalette palette = widget->palette();
        palette.setColor(widget->backgroundRole(), background);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
    screens::Globals().screenChanged = true;
}

std::int32_t GetHdleComponent() {
    screens::Figure* figure = CurrentFigure();
    return figure != nullptr ? GuiHandles().HandleOf(&figure->Widget()) : 0;
}

std::int32_t GetClientOrigin(Ref<std::int32_t> xOrg, Ref<std::int32_t> yOrg) {
    screens::ScreenForm* window = Window();
    if (window == nullptr) {
        xOrg.Set(0);
        yOrg.Set(0);
        return 0;
    }
    const QPoint origin = Painted(*window).mapToGlobal(QPoint(0, 0));
    xOrg.Set(origin.x());
    yOrg.Set(origin.y());
    return GuiHandles().HandleOf(window);
}

std::int32_t GetFormHandle(ShortString formName) {
    return GuiHandles().HandleOf(FormNamed(formName));
}

std::int32_t StringWidth(ShortString text) {
    screens::Figure* figure = CurrentFigure();
    if (figure == nullptr || text.Empty())
        return 0;
    const QFontMetrics metrics(screens::FigureFontOf(figure->Properties()));
    return metrics.horizontalAdvance(support::ToQt(text.View()));
}

std::int32_t PopupMenuCreate() {
    screens::ScreenForm* window = Window();
    if (window == nullptr)
        return 0;
    screens::Figure* figure = CurrentFigure();
    QWidget* owner = figure != nullptr ? &figure->Widget() : &Painted(*window);
    // Owned by its control: it goes with the screen.
    auto* menu = new QMenu(owner);
    menu->setProperty(kPopupMenuMark, true);
    const std::int32_t handle = GuiHandles().HandleOf(menu);
    owner->setProperty(kControlPopup, handle);
    owner->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(owner, &QWidget::customContextMenuRequested, menu,
                     [menu, owner, handle](const QPoint& at) {
                         if (owner->property(kControlPopup).toInt() == handle)
                             menu->popup(owner->mapToGlobal(at));
                     });
    return handle;
}

void PopupMenuDestroy(Ref<std::int32_t> popupHandle) {
    const std::optional<std::int32_t> handle = popupHandle.Get();
    if (!handle)
        return;
    QMenu* menu = PopupMenu(*handle);
    if (menu == nullptr)
        return;
    if (QWidget* owner = menu->parentWidget();
        owner != nullptr && owner->property(kControlPopup).toInt() == *handle) {
        owner->setProperty(kControlPopup, QVariant());
        owner->setContextMenuPolicy(Qt::DefaultContextMenu);
    }
    GuiHandles().Forget(*handle);
    menu->hide();
    // Later: the menu may be the object whose signal runs now.
    menu->deleteLater();
    popupHandle.Set(0);
}

void PopupMenuAddChild(std::int32_t popupHandle, ShortString text) {
    QMenu* menu = PopupMenu(popupHandle);
    if (menu == nullptr)
        return;
    if (text.View() == "-") {
        menu->addSeparator();
        return;
    }
    QAction* item = menu->addAction(support::ToQt(text.View()));
    QObject::connect(item, &QAction::triggered, item, [caption = text.Str()] {
        screens::Globals().menu.Choose(caption, 0);
    });
}

void NextFocus() {
    screens::ScreenForm* window = Window();
    if (window == nullptr)
        return;
    QWidget* start = window->focusWidget() != nullptr ? window->focusWidget() : window;
    for (QWidget* next = start->nextInFocusChain(); next != nullptr && next != start;
         next = next->nextInFocusChain()) {
        if (next->window() == window && next->isEnabled() && next->isVisibleTo(window) &&
            (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void EnableRefresh(bool refreshState) {
    screens::ScreenForm* window = Window();
    if (window == nullptr)
        return;
    window->setUpdatesEnabled(refreshState);
    if (refreshState)
        window->update();
}

} // namespace screencmd

platform::Status AddFormServiceCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&FormSetBounds>("FORMSETBOUNDS"),
             in.Add<&FormGetBounds>("FORMGETBOUNDS"),
             in.Add<&FormVisible>("FORMVISIBLE"),
             in.Add<&WinDialog>("WINDIALOG"),
             in.Add<&ChangeBackgroundColor>("CHANGEBACKGROUNDCOLOR"),
             in.Add<&GetHdleComponent>("GETHDLECOMPONENT"),
             in.Add<&GetClientOrigin>("GETCLIENTORIGIN"),
             in.Add<&GetFormHandle>("GETFORMHANDLE"),
             in.Add<&StringWidth>("STRINGWIDTH"),
             in.Add<&PopupMenuCreate>("POPUPMENUCREATE"),
             in.Add<&PopupMenuDestroy>("POPUPMENUDESTROY"),
             in.Add<&PopupMenuAddChild>("POPUPMENUADDCHILD"),
             in.Add<&NextFocus>("NEXTFOCUS"),
             in.Add<&EnableRefresh>("ENABLEREFRESH"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
