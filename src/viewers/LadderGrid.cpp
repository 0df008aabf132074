// Quorva run-time. Licensed under the MIT licence.
#include "viewers/LadderGrid.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "screens/ScreenVariables.h"
#include "viewers/Mnemonics.h"

namespace viewers {
namespace {

//                          half-h half-w offset width height font inset x   y
constexpr std::array<LadderGeometry, kLadderZoomLevels> kZoomTable{{
    {1, 1, 2, 20, 15, 2, 6, 3, 3},
    {3, 2, 6, 45, 33, 6, 12, 4, 4},
    {6, 5, 8, 55, 40, 8, 16, 8, 8},
    {12, 8, 16, 120, 90, 16, 36, 16, 16},
    {50, 40, 50, 500, 400, 10, 150, 10, 10},
}};

// Whether refresh reads a state for a cell of this kind.
bool HasState(std::uint8_t kind) {
    return kind != ladderkind::kWire && kind != ladderkind::kLink && kind != ladderkind::kComment;
}

} // namespace

const LadderGeometry& LadderZoomTable(int level) {
    if (level < 0 || level >= kLadderZoomLevels)
        level = kLadderInitialZoom;
    return kZoomTable[static_cast<std::size_t>(level)];
}

LadderGrid::LadderGrid() : m_geometry(LadderZoomTable(kLadderInitialZoom)) {}

const LadderCell* LadderGrid::CellAt(int row, int column) const {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return nullptr;
    const std::size_t index = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                              static_cast<std::size_t>(column);
    return index < m_cells.size() ? &m_cells[index] : nullptr;
}

void LadderGrid::SetZoom(int level, int measuredCellWidth) {
    m_level = std::clamp(level, 0, kLadderZoomLevels - 1);
    m_geometry = LadderZoomTable(m_level);
    if (m_level != kLadderLargeZoom && measuredCellWidth > 0)
        m_geometry.cellWidth = measuredCellWidth;
}

// Mnemonics: a cell whose variable has an entry takes its texts as mnemonics 1 and 2; in the
// second-to-last column its right neighbour then becomes a comment showing text 2 (unless text 2
// is empty: a blank entry does not wipe a comment the file holds). A program cell takes its own
// variable name as mnemonic 2.
void LadderGrid::Replace(const LadderDiagram& diagram, const Mnemonics* mnemonics) {
    m_rows = std::max(diagram.rows, 0);
    m_columns = std::max(diagram.columns, 1);
    const std::size_t count = static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns);
    m_cells.assign(count, LadderCell{});
    for (std::size_t i = 0; i < count; ++i) {
        LadderCell& cell = m_cells[i];
        if (i < diagram.cells.size())
            cell.record = diagram.cells[i];
        cell.row = static_cast<int>(i / static_cast<std::size_t>(m_columns));
        cell.column = static_cast<int>(i % static_cast<std::size_t>(m_columns));
    }
    for (std::size_t i = 0; i < count; ++i) {
        LadderCellRecord& record = m_cells[i].record;
        if (record.kind == ladderkind::kProgram)
            record.mnemonic2 = record.variable;
        if (mnemonics == nullptr || record.kind == ladderkind::kComment)
            continue;
        const Mnemonic* entry = mnemonics->Find(record.variable);
        if (entry == nullptr)
            continue;
        record.mnemonic1 = entry->text1;
        if (record.kind != ladderkind::kProgram)
            record.mnemonic2 = entry->text2;
        if (m_columns >= 2 && m_cells[i].column == m_columns - 2 && !entry->text2.empty()) {
            LadderCellRecord& right = m_cells[i + 1].record;
            right.kind = ladderkind::kComment;
            right.variable = entry->text2;
        }
    }
    Layout();
}

void LadderGrid::Clear() {
    m_rows = 1;
    m_columns = kLadderInitialColumns;
    m_cells.assign(static_cast<std::size_t>(m_columns), LadderCell{});
    for (int column = 0; column < m_columns; ++column)
        m_cells[static_cast<std::size_t>(column)].column = column;
    Layout();
}

void LadderGrid::Layout() {
    const int width = m_geometry.cellWidth;
    const int height = m_geometry.cellHeight;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        LadderCell& cell = m_cells[i];
        cell.firstColumn = cell.column == 0;
        cell.lastColumn = cell.column == m_columns - 1;
        cell.secondLastColumn = cell.column == m_columns - 2;
        const int cellWidth = cell.lastColumn && m_level == kLadderLargeZoom ? 3 * width : width;
        const int x = cell.firstColumn ? m_geometry.originX : m_cells[i - 1].rect.right() + 1;
        const std::size_t columns = static_cast<std::size_t>(m_columns);
        const int y = cell.row == 0 ? m_geometry.originY : m_cells[i - columns].rect.bottom() + 1;
        cell.rect = QRect(x, y, cellWidth, height);
    }
}

QSize LadderGrid::Extent() const {
    int right = 0;
    int bottom = 0;
    for (const LadderCell& cell : m_cells) {
        right = std::max(right, cell.rect.right() + 1);
        bottom = std::max(bottom, cell.rect.bottom() + 1);
    }
    return {right, bottom};
}

std::vector<std::size_t> LadderGrid::UpdateStates(screens::ScreenVariables& variables,
                                                  const QRect& visible) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        LadderCell& cell = m_cells[i];
        const std::uint8_t kind = cell.record.kind;
        if (!HasState(kind) || !cell.rect.intersects(visible))
            continue;
        if (IsBooleanKind(kind)) {
            bool state = ReadLadderBoolean(variables, cell.record.variable);
            if (kind == ladderkind::kClosedContact)
                state = !state;
            if (state != cell.lastState) {
                cell.lastState = state;
                changed.push_back(i);
            }
        } else {
            std::string text;
            if (!cell.record.variable.empty())
                text = variables.Text(cell.record.variable).value_or(std::string());
            if (text != cell.lastText) {
                cell.lastText = std::move(text);
                changed.push_back(i);
            }
        }
    }
    return changed;
}

void LadderGrid::ResetStates() {
    for (LadderCell& cell : m_cells) {
        cell.lastState = false;
        cell.lastText.clear();
    }
}

std::optional<std::size_t> LadderGrid::CellIndexAt(QPoint point) const {
    for (std::size_t i = 0; i < m_cells.size(); ++i)
        if (m_cells[i].rect.contains(point))
            return i;
    return std::nullopt;
}

bool ReadLadderBoolean(screens::ScreenVariables& variables, const std::string& name) {
    if (name.empty())
        return false;
    const std::optional<std::string> text = variables.Text(name);
    if (!text)
        return false;
    if (*text == "True")
        return true;
    if (*text == "False" || text->empty())
        return false;
    double number = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    const auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() && end == last && number != 0;
}

} // namespace viewers
