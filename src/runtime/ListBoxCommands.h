// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the list and combo box commands (ADDSTRING ... COMBOSETEDITSEL, CLEARLIST) and the text
// commands of figures (GETTEXT, SETTEXT, SETTEXTEX, GETTEXTLEN, CLEAR, EDITCR, EDITESC).
platform::Status AddListBoxCommands(Implementations& implementations);

// The commands as plain functions, acting on the current figure: a list box (kind 128), a combo
// box (kind 136) or an edit field (kind 114). GUI thread only. Items count from 0. A figure of
// another kind, or none, makes a command do nothing and return 0, false or the empty String; an
// index outside the items of a list returns -1 (the list's error value) and changes nothing.
// Texts are code-page bytes.
namespace screencmd {

// Adds an item (a sorted combo box puts it at its place); its index.
std::int32_t AddString(ShortString text);
// Empties a list box or a combo box's list; with an attached list view, its rows.
void ClearList();
// Deletes item `position`; the number of items left.
std::int32_t DeleteString(std::int32_t position);
std::int32_t GetCount();
// The selected item's text (the first selected one in a multi-selection list).
ShortString GetSelString();
// Inserts before item `position` (-1: at the end); its index.
std::int32_t InsertString(ShortString text, std::int32_t position);
// Selects the first item after `position` (-1: from the first) whose text starts with `text`
// (ignoring ASCII case), searching round to the start; its index, -1 when none (the selection
// is kept then).
std::int32_t SetSelString(ShortString text, std::int32_t position);
ShortString GetString(std::int32_t position);
std::int32_t GetSelIndex(); // -1 when nothing is selected
// Adds the names of the ordinary files matching `mask` (project path, wildcards "*" and "?").
void LDir(ShortString mask);
// The same, replacing the items.
void LDirEx(ShortString mask);
// Writes an image of the current window as the Windows bitmap NAME + position + ".Bmp" in the
// project directory (NAME the screen name); that file name, empty on failure.
ShortString ScrnBmp(std::int32_t position);
// Whether an item's text equals `text` (ignoring ASCII case).
bool StrListExist(ShortString text);
// Selects item `index` (-1: none); `index`, or -1 when out of range (nothing changes then).
std::int32_t SetSelIndex(std::int32_t index);
std::int32_t GetSelCount();
bool GetSelected(std::int32_t index);

// The figure's text: an edit field's or a combo box's line, a check box's caption, a list box's
// selected item, the raw text of any other figure.
ShortString GetText();
// Sets it (a list box selects the item of that text).
void SetText(ShortString text);
// The same, only when the text differs, and never over an entry the operator is typing: for
// program code that writes a text every cycle.
void SetTextEx(ShortString text);
std::int32_t GetTextLen();
// Empties an edit field's or a combo box's line.
void Clear();
// Whether Return (EDITCR) or Escape (EDITESC) was pressed in the current edit field or combo
// box in this cycle.
bool EditCr();
bool EditEsc();
void ComboHideList();
void ComboShowList();
// Selects characters start..end of a combo box's line (a negative end: to the end of the line);
// false for a combo box without a line.
bool ComboSetEditSel(std::int32_t start, std::int32_t end);

} // namespace screencmd

} // namespace runtime
