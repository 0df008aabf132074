// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QMenuBar;

namespace screens {

class ScreenForm;

// Command numbers that the menu structure itself takes: every sub-menu item carries 1 and every
// separator 2, so program items use other numbers.
inline constexpr std::int16_t kPopupCommand = 1;
inline constexpr std::int16_t kSeparatorCommand = 2;

// Sub-menus nest at most this deep; deeper POPUP levels of a script are flattened into the
// deepest allowed one, and a menu template deeper than this stops converting.
inline constexpr std::size_t kMaxMenuDepth = 32;

// One item of a window menu as a script describes it. Captions are code-page bytes; an item
// caption keeps a tab before its shortcut column.
struct MenuEntry {
    enum class Kind { Item, Popup, Separator };
    Kind kind = Kind::Item;
    std::string caption;
    std::int16_t number = 0;
    std::vector<MenuEntry> children; // the items of a sub-menu

    bool operator==(const MenuEntry&) const = default;
};

// A window's main menu: the entries of the menu bar, in order.
struct MenuModel {
    std::vector<MenuEntry> bar;

    bool operator==(const MenuModel&) const = default;
};

// Translates a caption taken from a script (code-page bytes in, code-page bytes out).
using CaptionTranslation = std::function<std::string(std::string_view)>;

// Builds the menu that a menu script describes. Lines 0 and 1 (the menu's name and its first
// "BEGIN") are never interpreted; every later line is trimmed and read as "END", "POPUP",
// "MENUITEM ... SEPARATOR" or "MENUITEM", anything else being ignored. Captions go through
// `translate` (none: kept as they are); a backslash in an item caption becomes a tab.
//
// A top-level sub-menu joins the bar when its END closes it, so the bar keeps the order of the
// script. Damaged lines never stop the parse: each is logged and skipped. An END without an open
// POPUP (the script's last line) is ignored, and sub-menus still open at the end of the script
// join the bar as they stand, so no item is lost. Pure: touches no widget.
MenuModel ParseMenuScript(const std::vector<std::string>& lines,
                          const CaptionTranslation& translate = {});

// Converts a menu template as Windows stores it in a menu resource (16-bit little-endian words,
// UTF-16 captions of which the low byte of each character is kept) into script lines that
// ParseMenuScript reads: two "BIDON" placeholder lines, the items indented by two blanks per
// level, and a closing "END". Conversion stops at a top-level item that is not a sub-menu and at
// the end of the bytes; nothing past the end is read. None for bytes shorter than the template
// header.
std::optional<std::vector<std::string>>
MenuResourceToScript(std::span<const std::uint8_t> templateBytes);

// A menu bar holding the model's items, owned by the caller. Each action carries its command
// number (QAction::data, an int), and choosing an item makes its caption and number the
// pending menu selection of Globals().menu. GUI thread only.
QMenuBar* BuildMenuBar(const MenuModel& model);

// The menu-script operations on a window, GUI thread only.
//
// Removes the window's main menu, if any: the window has no menu afterwards.
void RemoveMenu(ScreenForm& window);

// Replaces the window's main menu by one built from the script `scriptName` (code-page bytes),
// read from the project package or the disk; captions are translated with the dictionary. When
// no such file exists the window is left without a menu. True when a menu was built.
bool LoadMenuScript(ScreenForm& window, std::string_view scriptName);

// The same with lines prepared by the caller (a converted menu template, for instance).
void LoadMenuScript(ScreenForm& window, const std::vector<std::string>& lines);

} // namespace screens
