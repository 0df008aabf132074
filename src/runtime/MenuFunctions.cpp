// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MenuFunctions.h"
#include "runtime/ScreenCommandSupport.h"

#include <atomic>

#include <QCoreApplication>
#include <QThread>

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/MenuItems.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace runtime {

namespace menus {

namespace {

// Widgets and the menu selection may only be touched on the GUI thread; unit code on another
// thread gets the defaults instead of a race with the GUI.
bool OnGuiThread() {
    static std::atomic<bool> warned{false};
    return screencmd::support::OnGuiThread(
        warned, "menu functions called outside the GUI thread do nothing");
}

screens::ScreenForm* Window() {
    return OnGuiThread() ? screens::CurrentWindow() : nullptr;
}

} // namespace

bool GetMenuSt(std::int32_t id) {
    screens::ScreenForm* window = Window();
    return window != nullptr && screens::IsMenuItemChecked(*window, id);
}

void ValidMenuItem(std::int32_t id, bool state) {
    if (screens::ScreenForm* window = Window())
        screens::SetMenuItemEnabled(*window, id, state);
}

void SetMenuString(std::int32_t id, ShortString value) {
    if (screens::ScreenForm* window = Window())
        screens::SetMenuItemCaption(*window, id, value.View());
}

void SetMenuBitmap(std::int32_t id, ShortString bmpName) {
    if (screens::ScreenForm* window = Window())
        screens::SetMenuItemPicture(*window, id, bmpName.View());
}

void SetPopupString(std::int32_t id, ShortString value) {
    if (screens::ScreenForm* window = Window())
        screens::SetBarEntryCaption(*window, id, value.View());
}

void SetPopupPString(std::int32_t id, ShortString value) {
    if (screens::ScreenForm* window = Window())
        screens::SetParentMenuCaption(*window, id, value.View());
}

void ToggleMenu(std::int32_t idMenu) {
    if (screens::ScreenForm* window = Window())
        screens::ToggleMenuItemCheck(*window, idMenu);
}

ShortString MenuStr() {
    if (!OnGuiThread())
        return {};
    return ShortString(screens::Globals().menu.PublishedCaption());
}

} // namespace menus

platform::Status AddMenuFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&menus::GetMenuSt>("GETMENUST"); !added)
        return added;
    if (auto added = implementations.Add<&menus::ValidMenuItem>("VALIDMENUITEM"); !added)
        return added;
    if (auto added = implementations.Add<&menus::SetMenuString>("SETMENUSTRING"); !added)
        return added;
    if (auto added = implementations.Add<&menus::SetMenuBitmap>("SETMENUBITMAP"); !added)
        return added;
    if (auto added = implementations.Add<&menus::SetPopupString>("SETPOPUPSTRING"); !added)
        return added;
    if (auto added = implementations.Add<&menus::SetPopupPString>("SETPOPUPPSTRING"); !added)
        return added;
    if (auto added = implementations.Add<&menus::ToggleMenu>("TOGGLEMENU"); !added)
        return added;
    return implementations.Add<&menus::MenuStr>("MENUSTR");
}

} // namespace runtime
