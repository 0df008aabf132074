// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QRect>
#include <QSize>

#include "viewers/LadderFile.h"

namespace screens {
class ScreenVariables;
}

namespace viewers {

class Mnemonics;

// The sizes of one zoom level, in pixels (the font size in points).
struct LadderGeometry {
    int contactHalfHeight = 0;
    int contactHalfWidth = 0;
    int textOffset = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int fontSize = 0;
    int boxInset = 0;
    int originX = 0;
    int originY = 0;
};

inline constexpr int kLadderZoomLevels = 5;
inline constexpr int kLadderInitialZoom = 2;
// The large-scale level: its last column is three times as wide and comments wrap.
inline constexpr int kLadderLargeZoom = 4;
inline constexpr int kLadderInitialColumns = 12;

// The zoom table's row of a level (levels outside 0..4 give level 2's).
const LadderGeometry& LadderZoomTable(int level);
// The level steps of a zoom in and out are DiagramZoomIn / DiagramZoomOut (DiagramGrid.h).

// A cell as the viewer holds it: its record, its place in the virtual area and what it showed
// last.
struct LadderCell {
    LadderCellRecord record;
    int row = 0;
    int column = 0;
    QRect rect;
    bool firstColumn = false;
    bool secondLastColumn = false;
    bool lastColumn = false;
    // The last shown state: the Boolean of a contact or coil, the value text of other cells.
    bool lastState = false;
    std::string lastText;
};

// The cells of a ladder viewer with their layout and live state, without any drawing: the
// viewer control draws them. Texts are measured by the viewer, which hands the results in.
// GUI thread; a plain value otherwise.
class LadderGrid {
public:
    LadderGrid();

    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    const std::vector<LadderCell>& Cells() const { return m_cells; }
    const LadderCell* CellAt(int row, int column) const;
    std::size_t CellCount() const { return m_cells.size(); }

    int ZoomLevel() const { return m_level; }
    // The zoom table's row of the current level with the measured cell width.
    const LadderGeometry& Geometry() const { return m_geometry; }
    // Sets the level; `measuredCellWidth` (the width of "LADDERBB" in the level's font)
    // replaces the table's cell width except at the large-scale level, whose boxes and symbols
    // would not fit into a text-sized cell. Cells take the new sizes at the next Layout.
    void SetZoom(int level, int measuredCellWidth);

    // Replaces every cell by the diagram's (rows x columns), then applies the mnemonics (see
    // the .cpp). States start unknown (false, empty).
    void Replace(const LadderDiagram& diagram, const Mnemonics* mnemonics);
    // No cells, then one row of empty cells of the initial column count.
    void Clear();

    // Places every cell: the first column at the origin x, each other cell right of its left
    // neighbour; the first row at the origin y, each other row below the one above. Flags the
    // first, second-to-last and last columns; the last column is three times as wide at the
    // large-scale level.
    void Layout();
    // The bottom-right corner of the laid-out cells (0, 0 without cells).
    QSize Extent() const;

    // Reads the state of every cell whose rectangle meets `visible` (walls, links and comments
    // excepted), stores it as the last shown one and returns the indexes of those that changed.
    // Contacts and coils read the Boolean value of their variable (a normally closed contact
    // the inverse); other cells its value as display text. Unknown variables read false / "".
    std::vector<std::size_t> UpdateStates(screens::ScreenVariables& variables, const QRect& visible);
    // Forgets the shown states (after a load).
    void ResetStates();

    // The index of the cell at a point of the virtual area, or none.
    std::optional<std::size_t> CellIndexAt(QPoint point) const;

private:
    int m_rows = 0;
    int m_columns = kLadderInitialColumns;
    int m_level = kLadderInitialZoom;
    LadderGeometry m_geometry;
    std::vector<LadderCell> m_cells;
};

// The Boolean value of a variable through the screens' variables: "True" reads true, "False"
// false, a number true when it is not 0; an unknown name or other text false.
bool ReadLadderBoolean(screens::ScreenVariables& variables, const std::string& name);

} // namespace viewers
