// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the form bounds and the miscellaneous window commands: FORMSETBOUNDS, FORMGETBOUNDS,
// FORMVISIBLE, WINDIALOG, CHANGEBACKGROUNDCOLOR, GETHDLECOMPONENT, GETCLIENTORIGIN,
// GETFORMHANDLE, STRINGWIDTH, POPUPMENUCREATE, POPUPMENUDESTROY, POPUPMENUADDCHILD, NEXTFOCUS and
// ENABLEREFRESH. ACTIVEDVE stays the table's no-operation row.
platform::Status AddFormServiceCommands(Implementations& implementations);

// The commands as plain functions (GUI thread). Forms are found by name ignoring ASCII case;
// without their target they do nothing and return 0 or false. Handles come from the one handle
// table (GuiHandles.h): positive numbers, never addresses.
namespace screencmd {

// Moves and sizes a form. The second argument becomes the left edge and the third the top edge
// (the order unit code has always used, whatever the parameter names say). A Width or Height of
// 0 or less keeps the current one. Positions are clamped to -32768..32767, sizes to 32767. A
// form of fixed size (dialog border) takes the new size as its fixed size. False for an unknown
// form.
bool FormSetBounds(ShortString formName, std::int32_t left, std::int32_t top, std::int32_t width,
                   std::int32_t height);
// The form's bounds, symmetric with FormSetBounds: `top` receives the left edge, `left` the top
// edge, then width and height. An unknown form gives -1, -1, 0, 0 and false.
bool FormGetBounds(ShortString formName, Ref<std::int32_t> top, Ref<std::int32_t> left,
                   Ref<std::int32_t> width, Ref<std::int32_t> height);
// Whether the form is shown; false for an unknown form.
bool FormVisible(ShortString formName);

// The current window gets a dialog border (fixed size, no minimise and maximise buttons) or,
// with false, a sizeable border with caption bar again.
void WinDialog(bool dialogForm);
// The current window's background becomes the Windows colour value (WINBKGNDCOLOR reads it).
void ChangeBackgroundColor(std::int32_t colour);

// The handle of the current figure's control; 0 without one.
std::int32_t GetHdleComponent();
// The screen position of the current window's client area (below its menu bar) into xOrg and
// yOrg; returns the window's handle. Without a window: 0, 0 and 0.
std::int32_t GetClientOrigin(Ref<std::int32_t> xOrg, Ref<std::int32_t> yOrg);
// The handle of the form of that name; 0 for an unknown form.
std::int32_t GetFormHandle(ShortString formName);

// The width in pixels of the text in the current figure's font; 0 without a figure.
std::int32_t StringWidth(ShortString text);

// A popup menu for the current figure (the current window when no figure is current): the
// operator opens it with the right mouse button over that control. Choosing an item publishes
// its caption for one cycle, as a menu item does (MENUSTR; MENUID stays 0 since popup items
// carry no command number). The newest popup of a control is the one it opens. Returns its
// handle, 0 without a window. The menu goes with its control when the screen closes.
std::int32_t PopupMenuCreate();
// Destroys the popup menu and sets the variable to 0; a handle that is no popup menu of
// POPUPMENUCREATE changes nothing (the variable keeps its value).
void PopupMenuDestroy(Ref<std::int32_t> popupHandle);
// Appends an item with that text ("-" gives a separator line); nothing for a bad handle.
void PopupMenuAddChild(std::int32_t popupHandle, ShortString text);

// Moves the keyboard focus to the next control of the current window that takes it by Tab,
// wrapping after the last.
void NextFocus();
// Suspends (false) or resumes (true) the drawing of the current window; resuming repaints it.
void EnableRefresh(bool refreshState);

} // namespace screencmd

} // namespace runtime
