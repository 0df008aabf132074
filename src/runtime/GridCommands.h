// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "runtime/GuestValues.h"
#include "runtime/ShortString.h"

#include <cstdint>

namespace runtime {

class Implementations;

// Binds the grid commands (CUSTOMGRID, G...).
platform::Status AddGridCommands(Implementations& implementations);

// The grid commands as plain functions. They act on the grid attached to the current figure
// (GSETCOLWIDTH serves an attached list view first); without one they do nothing and return 0,
// false or the empty String. Cells are (column, row) from 0, fixed cells included; a cell outside
// the grid is ignored, counts are clamped (see screens::TCGrille). Colours are Windows colour
// values; texts are code-page bytes, or UTF-8 after GSETUNICODE(true). GUI thread only.
namespace screencmd {

// Sets the column, row, fixed-column and fixed-row counts; 1 when done, 0 without a grid.
std::int32_t CustomGrid(std::int32_t columns, std::int32_t rows, std::int32_t fixedColumns,
                        std::int32_t fixedRows);
void GSetOptions(std::int32_t options);
// A named command: ADDROW, ADDCOL, INSERTROW, INSERTCOL, DELETEROW, DELETECOL, CLEARROW,
// CLEARCOL, SELECT, EDIT, SORT, SORTDESC, AUTOSIZE (letter case ignored).
void GCommand(ShortString type, std::int32_t column, std::int32_t row);
// Moves the figure named `controlName` of the current window over the cell.
void GSetControl(std::int32_t column, std::int32_t row, ShortString controlName);
void GSetCol(std::int32_t column);
void GSetRow(std::int32_t row);
void GSetColCount(std::int32_t count);
void GSetRowCount(std::int32_t count);
void GSetColWidth(std::int32_t column, std::int32_t width);
void GSetRowHeight(std::int32_t row, std::int32_t height);
void GSetFixedColor(std::int32_t colour);
void GSetTextFixedColor(std::int32_t colour);
void GSetFixedCols(std::int32_t count);
void GSetFixedRows(std::int32_t count);
ShortString GGetText(std::int32_t column, std::int32_t row);
void GSetText(std::int32_t column, std::int32_t row, ShortString text);
void GSetTextCurrent(ShortString text);
// The current cell; -1, -1 when there is none.
void GGetCurrent(Ref<std::int32_t> column, Ref<std::int32_t> row);
// Operator events since the last query of the same kind: the current cell moved, a cell was
// edited, a double click.
bool GDeplaceFocus();
bool GCellChange();
bool GDbClick();
std::int32_t GGetColWidth(std::int32_t column);
std::int32_t GGetRowHeight(std::int32_t row);
// Lets the operator edit the cells, or not.
void GValidEdit();
void GDevalidEdit();
void GClearGrid();
void GSetCellColor(std::int32_t column, std::int32_t row, std::int32_t colour);
std::int32_t GGetCellColor(std::int32_t column, std::int32_t row);
void GSetTextColor(std::int32_t column, std::int32_t row, std::int32_t colour);
std::int32_t GGetTextColor(std::int32_t column, std::int32_t row);
// The cell under the mouse pointer; -1, -1 when it is over none.
void FlyingCells(Ref<std::int32_t> column, Ref<std::int32_t> row);
// The cell the operator edited last; -1 before any.
std::int32_t GGetColChanged();
std::int32_t GGetRowChanged();
void GEnableDisplay(bool on);
void GSetLeftCol(std::int32_t column);
void GSetTopRow(std::int32_t row);
std::int32_t GGetTopRow();
void GSetDoDbClick(bool enable);
std::int32_t GGetColCount();
std::int32_t GGetRowCount();
void GSetUnicode(bool enable);

} // namespace screencmd
} // namespace runtime
