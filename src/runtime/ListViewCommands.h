// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/Result.h"
#include "runtime/ShortString.h"

namespace runtime {

class Implementations;

// Binds the list view and check list commands (LV..., CHECKLIST...).
platform::Status AddListViewCommands(Implementations& implementations);

// The commands as plain functions, on the current figure's attached list view (LV...) or check
// list (CHECKLIST...); without one they do nothing and return false or the empty String. Rows,
// columns and check list items are numbered from 0. GUI thread only; texts are code-page bytes.
namespace screencmd {

// The cell's text, cut to 255 characters; empty for a cell that does not exist.
ShortString LvGetItem(std::int32_t column, std::int32_t row);
// Puts the text into the cell, adding rows and columns up to it (at most 65536 rows and 256
// columns; beyond, or for a negative position, nothing happens).
void LvAddItem(std::int32_t column, std::int32_t row, ShortString text);
// Switches the columns' automatic sizing to their content.
void LvSetColAutoSize(bool autoSize);

// Check marks of items below the item count; otherwise nothing / false.
void CheckListSetState(std::int32_t index, bool checked);
bool CheckListGetState(std::int32_t index);
// One line per item: "1 " or "0 " (the check mark) and the text. Loading replaces the items and
// is true on success; a missing or damaged file changes nothing and gives false.
bool CheckListLoadFromFile(ShortString fileName);
void CheckListSaveToFile(ShortString fileName);

} // namespace screencmd
} // namespace runtime
