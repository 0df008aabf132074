// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QPoint>
#include <QPointer>
#include <QString>

#include "screens/Component.h"

class QTableWidget;
class QWidget;

namespace screens {

class Figure;

// The grid's settings as its class data holds them. The data is read as: column count, row
// count, one width per column, fixed columns, fixed rows, four switches (grid lines, operator
// editing, whole-row selection, operator column sizing), default row height and the colour of
// the fixed cells. Values outside sane ranges fall back to defaults.
struct GridSettings {
    int columns = 0;
    int rows = 0;
    std::vector<int> columnWidths; // pixels, one per column of the data
    int fixedColumns = 0;
    int fixedRows = 0;
    bool gridLines = true;
    bool editing = false;
    bool rowSelect = false;
    bool columnSizing = false;
    int rowHeight = 0;                      // 0: the style's default
    std::uint32_t fixedColour = 0x8000000F; // button face
};

// The grid: a native table in place of its placeholder window figure, driven by the grid
// commands. Its first Run with a current figure builds the table in the placeholder's parent,
// with its bounds, colours and font, and hides the placeholder (which keeps owning this object).
//
// Cells are addressed (column, row) from 0, fixed rows and columns included; fixed cells take the
// fixed colours and the operator cannot edit them. Every operation ignores a cell outside the
// grid and clamps counts: at most kMaxColumns columns and kMaxCells cells, so no argument leads
// to a huge allocation. Before the table exists (no figure yet) operations build it when a
// current figure is there, else do nothing and read as empty.
//
// What the operator does is latched until program code asks: a moved current cell, an edited
// cell and a double click each raise a flag that its query returns and clears; the last edited
// cell and the cell under the mouse pointer are kept as they are. Changes made by program code
// raise none of them. GUI thread only.
class TCGrille : public Component {
public:
    static constexpr int kMaxColumns = 256;
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxCells = 1 << 20;
    static constexpr int kMaxSize = 32767; // widths and heights, pixels

    // The option bits of GSETOPTIONS.
    enum Option : std::int32_t {
        kFixedVerticalLines = 1 << 0,
        kFixedHorizontalLines = 1 << 1,
        kVerticalLines = 1 << 2,
        kHorizontalLines = 1 << 3,
        kRangeSelect = 1 << 4,
        kRowSizing = 1 << 6,
        kColumnSizing = 1 << 7,
        kColumnMoving = 1 << 9,
        kEditing = 1 << 10,
        kTabs = 1 << 11,
        kRowSelect = 1 << 12,
    };

    TCGrille();
    ~TCGrille() override;

    void ReadData(const ClassData* data) override;
    // The first Run with a current figure replaces that figure; later Runs do nothing.
    void Run() override;

    const GridSettings& Settings() const { return m_settings; }
    // The table once built (building it now when there is a current figure), else null.
    QTableWidget* Table();

    // Sets all four counts at once; false without a table.
    bool Customise(int columns, int rows, int fixedColumns, int fixedRows);
    void SetColumnCount(int count);
    void SetRowCount(int count);
    void SetFixedColumns(int count); // clamped to the column count
    void SetFixedRows(int count);
    int ColumnCount();
    int RowCount();
    int FixedColumns() const { return m_fixedColumns; }
    int FixedRows() const { return m_fixedRows; }

    void SetOptions(std::int32_t options);
    std::int32_t Options() const { return m_options; }
    void SetEditing(bool editing);
    bool Editing() const { return (m_options & kEditing) != 0; }

    bool SetColumnWidth(int column, int width);
    int ColumnWidth(int column); // 0 outside the grid
    bool SetRowHeight(int row, int height);
    int RowHeight(int row);

    // Colours are Windows colour values.
    void SetFixedColour(std::uint32_t colour);
    void SetFixedTextColour(std::uint32_t colour);
    bool SetCellColour(int column, int row, std::uint32_t colour);
    bool SetTextColour(int column, int row, std::uint32_t colour);
    // The colour shown: the cell's own, else the fixed or the table's colour.
    std::uint32_t CellColour(int column, int row);
    std::uint32_t TextColour(int column, int row);

    bool SetCellText(int column, int row, const QString& text);
    QString CellText(int column, int row);
    // Empties every cell and forgets the cells' colours; counts and widths stay.
    void Clear();

    // The current cell, (-1, -1) when there is none.
    QPoint CurrentCell();
    bool SetCurrentCell(int column, int row);
    void SetCurrentColumn(int column);
    void SetCurrentRow(int row);
    void SetLeftColumn(int column);
    void SetTopRow(int row);
    int TopRow();

    // Turns the table's repainting off (for a bulk fill) and back on.
    void SetDisplayEnabled(bool enabled);
    // Whether double clicks are reported (they are by default).
    void SetDoubleClickReported(bool reported) { m_reportDoubleClick = reported; }
    // Whether program texts are UTF-8 instead of the code page.
    void SetUnicode(bool unicode) { m_unicode = unicode; }
    bool Unicode() const { return m_unicode; }

    // Moves `control` over the cell (in its own parent's coordinates) and shows it on top.
    bool PlaceOverCell(int column, int row, QWidget& control);
    // A named grid command (see the documentation); false when unknown or out of range.
    bool RunCommand(std::string_view type, int column, int row);

    // Operator events: each query returns whether it happened since the last query and clears it.
    bool TakeFocusMoved();
    bool TakeCellChanged();
    bool TakeDoubleClick();
    // The last cell the operator edited, -1 before any.
    int ChangedColumn() const { return m_changedCell.x(); }
    int ChangedRow() const { return m_changedCell.y(); }
    // The cell under the mouse pointer, (-1, -1) when it is over none.
    QPoint HoveredCell();

    // Called by the table when the operator committed an edit of a cell.
    void OperatorEdited(int column, int row);
    bool IsFixed(int column, int row) const { return column < m_fixedColumns || row < m_fixedRows; }
    std::uint32_t FixedColour() const { return m_fixedColour; }
    std::uint32_t FixedTextColour() const { return m_fixedTextColour; }

private:
    void Build(Figure& placeholder);
    bool Contains(int column, int row);
    void ApplyOptions();
    void Repaint();

    GridSettings m_settings;
    bool m_built = false;
    QPointer<QTableWidget> m_table;
    std::uint32_t m_fixedColour = 0x8000000F;
    std::uint32_t m_fixedTextColour = 0x00000000;
    int m_fixedColumns = 0;
    int m_fixedRows = 0;
    std::int32_t m_options = 0;
    bool m_unicode = false;
    bool m_reportDoubleClick = true;
    bool m_programChange = false;
    bool m_focusMoved = false;
    bool m_cellChanged = false;
    bool m_doubleClicked = false;
    QPoint m_changedCell{-1, -1};
};

} // namespace screens
