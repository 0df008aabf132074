// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string_view>

class QAction;

namespace screens {

class ScreenForm;

// What program commands do to the items of a window's main menu. Items are found by their
// command number (compared as the 16-bit number it is stored as); sub-menu items all carry 1 and
// separators 2, so those numbers find the first of them. Texts are code-page bytes and are set
// as given, without translation. Each operation returns false, changing nothing, when the window
// has no menu or no such item. GUI thread only.

// The first item with that number, depth first through the window's main menu (each item
// before the items of its sub-menu); null when there is none. A screen window has no pop-up
// menu of its own, so the main menu is the only place searched.
QAction* FindMenuItem(ScreenForm& window, int number);

// Whether the item carries a check mark; false when there is no such item.
bool IsMenuItemChecked(ScreenForm& window, int number);

// Flips the item's check mark (the item becomes checkable).
bool ToggleMenuItemCheck(ScreenForm& window, int number);

bool SetMenuItemEnabled(ScreenForm& window, int number, bool enabled);

// Replaces the item's caption; a tab in it starts the shortcut column.
bool SetMenuItemCaption(ScreenForm& window, int number, std::string_view caption);

// Shows the picture `pictureName` beside the item, found as Bmp figures find theirs (base name
// + ".Bmp", ".Wmf", ".JPG", package then disk); a missing or unreadable picture changes nothing.
bool SetMenuItemPicture(ScreenForm& window, int number, std::string_view pictureName);

// Renames the entry of the menu bar at `position` (0 = the leftmost): the top-level sub-menus,
// which cannot be told apart by number.
bool SetBarEntryCaption(ScreenForm& window, int position, std::string_view caption);

// Renames the sub-menu that holds the item with that number; false for an item on the bar.
bool SetParentMenuCaption(ScreenForm& window, int number, std::string_view caption);

} // namespace screens
