// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the menu functions GETMENUST, VALIDMENUITEM, SETMENUSTRING, SETMENUBITMAP,
// SETPOPUPSTRING, SETPOPUPPSTRING, TOGGLEMENU and MENUSTR.
platform::Status AddMenuFunctions(Implementations& implementations);

// The functions themselves. They act on the main menu of the current window, item Id being the
// item with that command number; with no current window or no such item they do nothing and
// answer false or the empty String. Menus belong to the GUI thread: called from any other
// thread (a cyclic unit on the scan thread) they do nothing, with one warning in the log.
namespace menus {

// Whether item Id carries a check mark.
bool GetMenuSt(std::int32_t id);
// Enables (true) or greys (false) item Id.
void ValidMenuItem(std::int32_t id, bool state);
// Renames item Id, text as given.
void SetMenuString(std::int32_t id, ShortString value);
// Shows the picture BmpName beside item Id.
void SetMenuBitmap(std::int32_t id, ShortString bmpName);
// Renames the entry of the menu bar at position Id (0 = leftmost), a top-level sub-menu.
void SetPopupString(std::int32_t id, ShortString value);
// Renames the sub-menu that holds item Id, at any depth.
void SetPopupPString(std::int32_t id, ShortString value);
// Flips the check mark of item IdMenu.
void ToggleMenu(std::int32_t idMenu);
// The caption of the menu item published for this cycle, empty on other cycles.
ShortString MenuStr();

} // namespace menus

} // namespace runtime
