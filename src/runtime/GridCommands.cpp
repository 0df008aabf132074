// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GridCommands.h"

#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/Figure.h"
#include "screens/GridClasses.h"
#include "screens/ListClasses.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"

#include <initializer_list>

namespace runtime {
namespace screencmd {
namespace {

screens::TCGrille* Grid() {
    return screens::ScreenObjectOf<screens::TCGrille>(support::Current());
}

QString ToQt(const screens::TCGrille& grid, std::string_view text) {
    return grid.Unicode() ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                          : support::ToQt(text);
}

ShortString FromQt(const screens::TCGrille& grid, const QString& text) {
    return ShortString(grid.Unicode() ? text.toStdString() : support::FromQt(text));
}

// Colours travel as Integers holding the Windows colour value.
std::uint32_t ColourOf(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

std::int32_t IntegerOf(std::uint32_t colour) {
    return static_cast<std::int32_t>(colour);
}

} // namespace

std::int32_t CustomGrid(std::int32_t columns, std::int32_t rows, std::int32_t fixedColumns,
                        std::int32_t fixedRows) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr && grid->Customise(columns, rows, fixedColumns, fixedRows) ? 1 : 0;
}

void GSetOptions(std::int32_t options) {
    if (screens::TCGrille* grid = Grid())
        grid->SetOptions(options);
}

void GCommand(ShortString type, std::int32_t column, std::int32_t row) {
    if (screens::TCGrille* grid = Grid())
        grid->RunCommand(type.View(), column, row);
}

void GSetControl(std::int32_t column, std::int32_t row, ShortString controlName) {
    screens::TCGrille* grid = Grid();
    screens::ScreenForm* window = screens::CurrentWindow();
    if (grid == nullptr || window == nullptr || controlName.Empty())
        return;
    screens::Figure* control = support::FindFigure(*window, controlName.View());
    if (control != nullptr && control != support::Current())
        grid->PlaceOverCell(column, row, control->Widget());
}

void GSetCol(std::int32_t column) {
    if (screens::TCGrille* grid = Grid())
        grid->SetCurrentColumn(column);
}

void GSetRow(std::int32_t row) {
    if (screens::TCGrille* grid = Grid())
        grid->SetCurrentRow(row);
}

void GSetColCount(std::int32_t count) {
    if (screens::TCGrille* grid = Grid())
        grid->SetColumnCount(count);
}

void GSetRowCount(std::int32_t count) {
    if (screens::TCGrille* grid = Grid())
        grid->SetRowCount(count);
}

void GSetColWidth(std::int32_t column, std::int32_t width) {
    if (auto* listView = screens::ScreenObjectOf<screens::ListView>(support::Current())) {
        if (column >= 0 && column < listView->ColumnCount())
            listView->SetColumnWidth(column, width);
        return;
    }
    if (screens::TCGrille* grid = Grid())
        grid->SetColumnWidth(column, width);
}

void GSetRowHeight(std::int32_t row, std::int32_t height) {
    if (screens::TCGrille* grid = Grid())
        grid->SetRowHeight(row, height);
}

void GSetFixedColor(std::int32_t colour) {
    if (screens::TCGrille* grid = Grid())
        grid->SetFixedColour(ColourOf(colour));
}

void GSetTextFixedColor(std::int32_t colour) {
    if (screens::TCGrille* grid = Grid())
        grid->SetFixedTextColour(ColourOf(colour));
}

void GSetFixedCols(std::int32_t count) {
    if (screens::TCGrille* grid = Grid())
        grid->SetFixedColumns(count);
}

void GSetFixedRows(std::int32_t count) {
    if (screens::TCGrille* grid = Grid())
        grid->SetFixedRows(count);
}

ShortString GGetText(std::int32_t column, std::int32_t row) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? FromQt(*grid, grid->CellText(column, row)) : ShortString();
}

void GSetText(std::int32_t column, std::int32_t row, ShortString text) {
    if (screens::TCGrille* grid = Grid())
        grid->SetCellText(column, row, ToQt(*grid, text.View()));
}

void GSetTextCurrent(ShortString text) {
    if (screens::TCGrille* grid = Grid()) {
        const QPoint current = grid->CurrentCell();
        grid->SetCellText(current.x(), current.y(), ToQt(*grid, text.View()));
    }
}

void GGetCurrent(Ref<std::int32_t> column, Ref<std::int32_t> row) {
    screens::TCGrille* grid = Grid();
    const QPoint current = grid != nullptr ? grid->CurrentCell() : QPoint(-1, -1);
    column.Set(current.x());
    row.Set(current.y());
}

bool GDeplaceFocus() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr && grid->TakeFocusMoved();
}

bool GCellChange() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr && grid->TakeCellChanged();
}

bool GDbClick() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr && grid->TakeDoubleClick();
}

std::int32_t GGetColWidth(std::int32_t column) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->ColumnWidth(column) : 0;
}

std::int32_t GGetRowHeight(std::int32_t row) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->RowHeight(row) : 0;
}

void GValidEdit() {
    if (screens::TCGrille* grid = Grid())
        grid->SetEditing(true);
}

void GDevalidEdit() {
    if (screens::TCGrille* grid = Grid())
        grid->SetEditing(false);
}

void GClearGrid() {
    if (screens::TCGrille* grid = Grid())
        grid->Clear();
}

void GSetCellColor(std::int32_t column, std::int32_t row, std::int32_t colour) {
    if (screens::TCGrille* grid = Grid())
        grid->SetCellColour(column, row, ColourOf(colour));
}

std::int32_t GGetCellColor(std::int32_t column, std::int32_t row) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? IntegerOf(grid->CellColour(column, row)) : 0;
}

void GSetTextColor(std::int32_t column, std::int32_t row, std::int32_t colour) {
    if (screens::TCGrille* grid = Grid())
        grid->SetTextColour(column, row, ColourOf(colour));
}

std::int32_t GGetTextColor(std::int32_t column, std::int32_t row) {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? IntegerOf(grid->TextColour(column, row)) : 0;
}

void FlyingCells(Ref<std::int32_t> column, Ref<std::int32_t> row) {
    screens::TCGrille* grid = Grid();
    const QPoint hovered = grid != nullptr ? grid->HoveredCell() : QPoint(-1, -1);
    column.Set(hovered.x());
    row.Set(hovered.y());
}

std::int32_t GGetColChanged() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->ChangedColumn() : -1;
}

std::int32_t GGetRowChanged() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->ChangedRow() : -1;
}

void GEnableDisplay(bool on) {
    if (screens::TCGrille* grid = Grid())
        grid->SetDisplayEnabled(on);
}

void GSetLeftCol(std::int32_t column) {
    if (screens::TCGrille* grid = Grid())
        grid->SetLeftColumn(column);
}

void GSetTopRow(std::int32_t row) {
    if (screens::TCGrille* grid = Grid())
        grid->SetTopRow(row);
}

std::int32_t GGetTopRow() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->TopRow() : 0;
}

void GSetDoDbClick(bool enable) {
    if (screens::TCGrille* grid = Grid())
        grid->SetDoubleClickReported(enable);
}

std::int32_t GGetColCount() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->ColumnCount() : 0;
}

std::int32_t GGetRowCount() {
    screens::TCGrille* grid = Grid();
    return grid != nullptr ? grid->RowCount() : 0;
}

void GSetUnicode(bool enable) {
    if (screens::TCGrille* grid = Grid())
        grid->SetUnicode(enable);
}

} // namespace screencmd

platform::Status AddGridCommands(Implementations& implementations) {
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&CustomGrid>("CUSTOMGRID"),
             in.Add<&GSetOptions>("GSETOPTIONS"),
             in.Add<&GCommand>("GCOMMAND"),
             in.Add<&GSetControl>("GSETCONTROL"),
             in.Add<&GSetCol>("GSETCOL"),
             in.Add<&GSetRow>("GSETROW"),
             in.Add<&GSetColCount>("GSETCOLCOUNT"),
             in.Add<&GSetRowCount>("GSETROWCOUNT"),
             in.Add<&GSetColWidth>("GSETCOLWIDTH"),
             in.Add<&GSetRowHeight>("GSETROWHEIGHT"),
             in.Add<&GSetFixedColor>("GSETFIXEDCOLOR"),
             in.Add<&GSetTextFixedColor>("GSETTEXTFIXEDCOLOR"),
             in.Add<&GSetFixedCols>("GSETFIXEDCOLS"),
             in.Add<&GSetFixedRows>("GSETFIXEDROWS"),
             in.Add<&GGetText>("GGETTEXT"),
             in.Add<&GSetText>("GSETTEXT"),
             in.Add<&GSetTextCurrent>("GSETTEXTCURRENT"),
             in.Add<&GGetCurrent>("GGETCURRENT"),
             in.Add<&GDeplaceFocus>("GDEPLACEFOCUS"),
             in.Add<&GCellChange>("GCELLCHANGE"),
             in.Add<&GDbClick>("GDBCLICK"),
             in.Add<&GGetColWidth>("GGETCOLWIDTH"),
             in.Add<&GGetRowHeight>("GGETROWHEIGHT"),
             in.Add<&GValidEdit>("GVALIDEDIT"),
             in.Add<&GDevalidEdit>("GDEVALIDEDIT"),
             in.Add<&GClearGrid>("GCLEARGRID"),
             in.Add<&GSetCellColor>("GSETCELLCOLOR"),
             in.Add<&GGetCellColor>("GGETCELLCOLOR"),
             in.Add<&GSetTextColor>("GSETTEXTCOLOR"),
             in.Add<&GGetTextColor>("GGETTEXTCOLOR"),
             in.Add<&FlyingCells>("FLYINGCELLS"),
             in.Add<&GGetColChanged>("GGETCOLCHANGED"),
             in.Add<&GGetRowChanged>("GGETROWCHANGED"),
             in.Add<&GEnableDisplay>("GENABLEDISPLAY"),
             in.Add<&GSetLeftCol>("GSETLEFTCOL"),
             in.Add<&GSetTopRow>("GSETTOPROW"),
             in.Add<&GGetTopRow>("GGETTOPROW"),
             in.Add<&GSetDoDbClick>("GSETDODBCLICK"),
             in.Add<&GGetColCount>("GGETCOLCOUNT"),
             in.Add<&GGetRowCount>("GGETROWCOUNT"),
             in.Add<&GSetUnicode>("GSETUNICODE"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
