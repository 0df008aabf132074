// Quorva run-time. Licensed under the MIT licence.
#include "screens/GridClasses.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "platform/CodePage.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

constexpr int kDefaultColumnWidth = 64;

std::int32_t Int32Of(std::string_view bytes)
{
    std::int32_t value = 0;
    if (bytes.size() >= sizeof value)
        std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

int InRange(std::int64_t value, int low, int high, int fallback)
{
    return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

// The table: reports the cell under the mouse pointer.
class GridTable final : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    QPoint Hovered() const { return m_hovered; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        m_hovered = index.isValid() ? QPoint(index.column(), index.row()) : QPoint(-1, -1);
        QTableWidget::mouseMoveEvent(event);
    }
    bool viewportEvent(QEvent* event) override
    {
        if (event->type() == QEvent::Leave)
            m_hovered = QPoint(-1, -1);
        return QTableWidget::viewportEvent(event);
    }

private:
    QPoint m_hovered{-1, -1};
};

// Paints fixed cells in the fixed colours (unless a cell has its own), keeps the operator from
// editing them, and tells the grid about the edits the operator commits.
class GridDelegate final : public QStyledItemDelegate {
public:
    GridDelegate(TCGrille& grid, QObject* parent) : QStyledItemDelegate(parent), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (m_grid.IsFixed(index.column(), index.row()))
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        const QVariant before = index.data(Qt::EditRole);
        QStyledItemDelegate::setModelData(editor, model, index);
        if (index.data(Qt::EditRole) != before)
            m_grid.OperatorEdited(index.column(), index.row());
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!m_grid.IsFixed(index.column(), index.row()))
            return;
        if (!index.data(Qt::BackgroundRole).isValid())
            option->backgroundBrush = WindowsColour(m_grid.FixedColour());
        if (!index.data(Qt::ForegroundRole).isValid())
            option->palette.setColor(QPalette::Text, WindowsColour(m_grid.FixedTextColour()));
    }

private:
    TCGrille& m_grid;
};

// The item of a cell, made when the cell has none yet.
QTableWidgetItem& ItemOf(QTableWidget& table, int column, int row)
{
    QTableWidgetItem* item = table.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        table.setItem(row, column, item);
    }
    return *item;
}

// Keeps counts within the limits: the row count shrinks first when the cells would be too many.
int ClampColumns(int columns, int rows)
{
    const int byCells = TCGrille::kMaxCells / std::max(rows, 1);
    return std::clamp(columns, 0, std::min(TCGrille::kMaxColumns, byCells));
}
int ClampRows(int rows, int columns)
{
    const int byCells = TCGrille::kMaxCells / std::max(columns, 1);
    return std::clamp(rows, 0, std::min(TCGrille::kMaxRows, byCells));
}

// Sets a flag for the lifetime of the scope: changes made by program code are not the
// operator's.
class ProgramChange {
public:
    explicit ProgramChange(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~ProgramChange() { m_flag = m_was; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

} // namespace

TCGrille::TCGrille() : Component("TCGrille", 145) {}

TCGrille::~TCGrille()
{
    delete m_table.data();
}

void TCGrille::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    GridSettings settings;
    settings.columns = InRange(NumberField(data, "columnCount"), 0, kMaxColumns, 0);
    settings.rows =
        ClampRows(InRange(Int32Of(TextField(data, "r1")), 0, kMaxRows, 0), settings.columns);
    for (const std::string& item : ItemsField(data, "columns")) {
        if (settings.columnWidths.size() >= static_cast<std::size_t>(kMaxColumns))
            break;
        settings.columnWidths.push_back(InRange(Int32Of(item), 0, kMaxSize, kDefaultColumnWidth));
    }
    settings.fixedColumns = InRange(Int32Of(TextField(data, "r2")), 0, settings.columns, 0);
    settings.fixedRows = InRange(Int32Of(TextField(data, "r3")), 0, settings.rows, 0);
    settings.gridLines = NumberField(data, "b1", 1) != 0;
    settings.editing = NumberField(data, "b2") != 0;
    settings.rowSelect = NumberField(data, "b3") != 0;
    settings.columnSizing = NumberField(data, "b4") != 0;
    settings.rowHeight = InRange(Int32Of(TextField(data, "r4")), 0, kMaxSize, 0);
    if (const std::string colour = TextField(data, "r5"); colour.size() >= 4)
        settings.fixedColour = static_cast<std::uint32_t>(Int32Of(colour));
    m_settings = std::move(settings);
    ApplyHintField(data);
}

void TCGrille::Run()
{
    if (Figure* placeholder = PlaceholderOnFirstRun(m_built))
        Build(*placeholder);
}

QTableWidget* TCGrille::Table()
{
    Run();
    return m_table.data();
}

void TCGrille::Build(Figure& placeholder)
{
    QWidget& old = placeholder.Widget();
    auto* table = new GridTable(old.parentWidget());
    m_table = table;
    table->setObjectName(old.objectName() + QStringLiteral("_GRID"));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setItemDelegate(new GridDelegate(*this, table));
    table->setMouseTracking(true);
    table->viewport()->setMouseTracking(true);
    table->setWordWrap(false);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    m_fixedColumns = m_settings.fixedColumns;
    m_fixedRows = m_settings.fixedRows;
    m_fixedColour = m_settings.fixedColour;
    {
        const ProgramChange change(m_programChange);
        table->setColumnCount(m_settings.columns);
        table->setRowCount(m_settings.rows);
    }
    table->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    for (std::size_t i = 0; i < m_settings.columnWidths.size(); ++i)
        if (static_cast<int>(i) < m_settings.columns)
            table->setColumnWidth(static_cast<int>(i), m_settings.columnWidths[i]);
    if (m_settings.rowHeight > 0) {
        table->verticalHeader()->setMinimumSectionSize(1);
        table->verticalHeader()->setDefaultSectionSize(m_settings.rowHeight);
    }
    m_options = (m_settings.gridLines ? kFixedVerticalLines | kFixedHorizontalLines |
                                            kVerticalLines | kHorizontalLines
                                      : 0) |
                (m_settings.editing ? kEditing : 0) | (m_settings.rowSelect ? kRowSelect : 0) |
                (m_settings.columnSizing ? kColumnSizing : 0);
    ApplyOptions();

    QObject::connect(table, &QTableWidget::currentCellChanged, table, [this] {
        if (!m_programChange)
            m_focusMoved = true;
    });
    QObject::connect(table, &QTableWidget::cellDoubleClicked, table, [this] {
        if (m_reportDoubleClick)
            m_doubleClicked = true;
    });

    ReplacePlaceholder(old, *table);
}

void TCGrille::ApplyOptions()
{
    QTableWidget* table = m_table.data();
    if (table == nullptr)
        return;
    table->setShowGrid((m_options & (kVerticalLines | kHorizontalLines)) != 0);
    table->setEditTriggers((m_options & kEditing) != 0 ? QAbstractItemView::DoubleClicked |
                                                             QAbstractItemView::EditKeyPressed |
                                                             QAbstractItemView::AnyKeyPressed
                                                       : QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior((m_options & kRowSelect) != 0 ? QAbstractItemView::SelectRows
                                                              : QAbstractItemView::SelectItems);
    table->setSelectionMode((m_options & kRangeSelect) != 0 ? QAbstractItemView::ContiguousSelection
                                                            : QAbstractItemView::SingleSelection);
    table->setTabKeyNavigation((m_options & kTabs) != 0);
    table->horizontalHeader()->setSectionsMovable((m_options & kColumnMoving) != 0);
    table->horizontalHeader()->setSectionResizeMode(
        (m_options & kColumnSizing) != 0 ? QHeaderView::Interactive : QHeaderView::Fixed);
    table->verticalHeader()->setSectionResizeMode(
        (m_options & kRowSizing) != 0 ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void TCGrille::Repaint()
{
    if (m_table != nullptr)
        m_table->viewport()->update();
}

bool TCGrille::Contains(int column, int row)
{
    QTableWidget* table = Table();
    return table != nullptr && column >= 0 && row >= 0 && column < table->columnCount() &&
           row < table->rowCount();
}

bool TCGrille::Customise(int columns, int rows, int fixedColumns, int fixedRows)
{
    QTableWidget* table = Table();
    if (table == nullptr)
        return false;
    columns = ClampColumns(columns, 1);
    rows = ClampRows(rows, columns);
    {
        const ProgramChange change(m_programChange);
        table->setColumnCount(columns);
        table->setRowCount(rows);
    }
    m_fixedColumns = std::clamp(fixedColumns, 0, columns);
    m_fixedRows = std::clamp(fixedRows, 0, rows);
    Repaint();
    return true;
}

void TCGrille::SetColumnCount(int count)
{
    if (QTableWidget* table = Table()) {
        const ProgramChange change(m_programChange);
        table->setColumnCount(ClampColumns(count, table->rowCount()));
        m_fixedColumns = std::min(m_fixedColumns, table->columnCount());
    }
}

void TCGrille::SetRowCount(int count)
{
    if (QTableWidget* table = Table()) {
        const ProgramChange change(m_programChange);
        table->setRowCount(ClampRows(count, table->columnCount()));
        m_fixedRows = std::min(m_fixedRows, table->rowCount());
    }
}

void TCGrille::SetFixedColumns(int count)
{
    m_fixedColumns = std::clamp(count, 0, ColumnCount());
    Repaint();
}

void TCGrille::SetFixedRows(int count)
{
    m_fixedRows = std::clamp(count, 0, RowCount());
    Repaint();
}

int TCGrille::ColumnCount()
{
    QTableWidget* table = Table();
    return table != nullptr ? table->columnCount() : 0;
}

int TCGrille::RowCount()
{
    QTableWidget* table = Table();
    return table != nullptr ? table->rowCount() : 0;
}

void TCGrille::SetOptions(std::int32_t options)
{
    m_options = options;
    ApplyOptions();
}

void TCGrille::SetEditing(bool editing)
{
    m_options = editing ? (m_options | kEditing) : (m_options & ~kEditing);
    ApplyOptions();
}

bool TCGrille::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= ColumnCount())
        return false;
    m_table->setColumnWidth(column, std::clamp(width, 0, kMaxSize));
    return true;
}

int TCGrille::ColumnWidth(int column)
{
    if (column < 0 || column >= ColumnCount())
        return 0;
    return m_table->columnWidth(column);
}

bool TCGrille::SetRowHeight(int row, int height)
{
    if (row < 0 || row >= RowCount())
        return false;
    m_table->verticalHeader()->setMinimumSectionSize(1);
    m_table->setRowHeight(row, std::clamp(height, 1, kMaxSize));
    return true;
}

int TCGrille::RowHeight(int row)
{
    if (row < 0 || row >= RowCount())
        return 0;
    return m_table->rowHeight(row);
}

void TCGrille::SetFixedColour(std::uint32_t colour)
{
    m_fixedColour = colour;
    Repaint();
}

void TCGrille::SetFixedTextColour(std::uint32_t colour)
{
    m_fixedTextColour = colour;
    Repaint();
}

bool TCGrille::SetCellColour(int column, int row, std::uint32_t colour)
{
    if (!Contains(column, row))
        return false;
    const ProgramChange change(m_programChange);
    ItemOf(*m_table, column, row).setBackground(WindowsColour(colour));
    return true;
}

bool TCGrille::SetTextColour(int column, int row, std::uint32_t colour)
{
    if (!Contains(column, row))
        return false;
    const ProgramChange change(m_programChange);
    ItemOf(*m_table, column, row).setForeground(WindowsColour(colour));
    return true;
}

std::uint32_t TCGrille::CellColour(int column, int row)
{
    if (!Contains(column, row))
        return 0;
    if (const QTableWidgetItem* item = m_table->item(row, column);
        item != nullptr && item->data(Qt::BackgroundRole).isValid())
        return ToWindowsColour(item->background().color());
    if (IsFixed(column, row))
        return m_fixedColour;
    return ToWindowsColour(m_table->palette().color(QPalette::Base));
}

std::uint32_t TCGrille::TextColour(int column, int row)
{
    if (!Contains(column, row))
        return 0;
    if (const QTableWidgetItem* item = m_table->item(row, column);
        item != nullptr && item->data(Qt::ForegroundRole).isValid())
        return ToWindowsColour(item->foreground().color());
    if (IsFixed(column, row))
        return m_fixedTextColour;
    return ToWindowsColour(m_table->palette().color(QPalette::Text));
}

bool TCGrille::SetCellText(int column, int row, const QString& text)
{
    if (!Contains(column, row))
        return false;
    const ProgramChange change(m_programChange);
    ItemOf(*m_table, column, row).setText(text);
    return true;
}

QString TCGrille::CellText(int column, int row)
{
    if (!Contains(column, row))
        return {};
    const QTableWidgetItem* item = m_table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void TCGrille::Clear()
{
    if (QTableWidget* table = Table()) {
        const ProgramChange change(m_programChange);
        table->clearContents();
    }
}

QPoint TCGrille::CurrentCell()
{
    QTableWidget* table = Table();
    if (table == nullptr || table->currentRow() < 0 || table->currentColumn() < 0)
        return {-1, -1};
    return {table->currentColumn(), table->currentRow()};
}

bool TCGrille::SetCurrentCell(int column, int row)
{
    if (!Contains(column, row))
        return false;
    const ProgramChange change(m_programChange);
    m_table->setCurrentCell(row, column);
    return true;
}

void TCGrille::SetCurrentColumn(int column)
{
    const QPoint current = CurrentCell();
    SetCurrentCell(column, std::max(current.y(), m_fixedRows < RowCount() ? m_fixedRows : 0));
}

void TCGrille::SetCurrentRow(int row)
{
    const QPoint current = CurrentCell();
    SetCurrentCell(std::max(current.x(), m_fixedColumns < ColumnCount() ? m_fixedColumns : 0), row);
}

void TCGrille::SetLeftColumn(int column)
{
    if (column >= 0 && column < ColumnCount())
        m_table->horizontalScrollBar()->setValue(
            m_table->horizontalHeader()->sectionPosition(column));
}

void TCGrille::SetTopRow(int row)
{
    if (row >= 0 && row < RowCount())
        m_table->verticalScrollBar()->setValue(m_table->verticalHeader()->sectionPosition(row));
}

int TCGrille::TopRow()
{
    QTableWidget* table = Table();
    if (table == nullptr || table->rowCount() == 0)
        return 0;
    return std::max(table->rowAt(0), 0);
}

void TCGrille::SetDisplayEnabled(bool enabled)
{
    if (QTableWidget* table = Table()) {
        table->setUpdatesEnabled(enabled);
        if (enabled)
            table->viewport()->update();
    }
}

bool TCGrille::PlaceOverCell(int column, int row, QWidget& control)
{
    if (!Contains(column, row) || control.parentWidget() == nullptr)
        return false;
    const QRect cell = m_table->visualRect(m_table->model()->index(row, column));
    const QPoint topLeft = m_table->viewport()->mapTo(m_table->window(), cell.topLeft());
    control.move(control.parentWidget()->mapFrom(m_table->window(), topLeft));
    control.resize(cell.size());
    control.show();
    control.raise();
    return true;
}

bool TCGrille::RunCommand(std::string_view type, int column, int row)
{
    QTableWidget* table = Table();
    if (table == nullptr)
        return false;
    const std::string name = platform::UpperAscii(type);
    const ProgramChange change(m_programChange);
    const int columns = table->columnCount();
    const int rows = table->rowCount();
    if (name == "ADDROW")
        return rows < ClampRows(rows + 1, columns) ? (table->insertRow(rows), true) : false;
    if (name == "ADDCOL")
        return columns < ClampColumns(columns + 1, rows) ? (table->insertColumn(columns), true)
                                                         : false;
    if (name == "INSERTROW" && row >= 0 && row <= rows && rows < ClampRows(rows + 1, columns)) {
        table->insertRow(row);
        return true;
    }
    if (name == "INSERTCOL" && column >= 0 && column <= columns &&
        columns < ClampColumns(columns + 1, rows)) {
        table->insertColumn(column);
        return true;
    }
    if (name == "DELETEROW" && row >= 0 && row < rows) {
        table->removeRow(row);
        m_fixedRows = std::min(m_fixedRows, table->rowCount());
        return true;
    }
    if (name == "DELETECOL" && column >= 0 && column < columns) {
        table->removeColumn(column);
        m_fixedColumns = std::min(m_fixedColumns, table->columnCount());
        return true;
    }
    if (name == "CLEARROW" && row >= 0 && row < rows) {
        for (int c = 0; c < columns; ++c)
            delete table->takeItem(row, c);
        return true;
    }
    if (name == "CLEARCOL" && column >= 0 && column < columns) {
        for (int r = 0; r < rows; ++r)
            delete table->takeItem(r, column);
        return true;
    }
    if (name == "SELECT")
        return SetCurrentCell(column, row);
    if (name == "EDIT" && Contains(column, row) && !IsFixed(column, row)) {
        table->setCurrentCell(row, column);
        table->editItem(&ItemOf(*table, column, row));
        return true;
    }
    if ((name == "SORT" || name == "SORTDESC") && column >= 0 && column < columns) {
        // Only the rows below the fixed rows move: take them out, sort, put them back.
        std::vector<std::vector<QTableWidgetItem*>> body;
        for (int r = m_fixedRows; r < rows; ++r) {
            std::vector<QTableWidgetItem*> line;
            for (int c = 0; c < columns; ++c)
                line.push_back(table->takeItem(r, c));
            body.push_back(std::move(line));
        }
        const auto key = [column](const std::vector<QTableWidgetItem*>& line) {
            const QTableWidgetItem* item = line[static_cast<std::size_t>(column)];
            return item != nullptr ? item->text() : QString();
        };
        const bool descending = name == "SORTDESC";
        std::stable_sort(body.begin(), body.end(), [&](const auto& a, const auto& b) {
            const int order = QString::localeAwareCompare(key(a), key(b));
            return descending ? order > 0 : order < 0;
        });
        for (std::size_t r = 0; r < body.size(); ++r)
            for (std::size_t c = 0; c < body[r].size(); ++c)
                if (body[r][c] != nullptr)
                    table->setItem(m_fixedRows + static_cast<int>(r), static_cast<int>(c),
                                   body[r][c]);
        return true;
    }
    if (name == "AUTOSIZE") {
        if (column < 0)
            table->resizeColumnsToContents();
        else if (column < columns)
            table->resizeColumnToContents(column);
        else
            return false;
        return true;
    }
    return false;
}

bool TCGrille::TakeFocusMoved()
{
    return std::exchange(m_focusMoved, false);
}

bool TCGrille::TakeCellChanged()
{
    return std::exchange(m_cellChanged, false);
}

bool TCGrille::TakeDoubleClick()
{
    return std::exchange(m_doubleClicked, false);
}

QPoint TCGrille::HoveredCell()
{
    auto* table = dynamic_cast<GridTable*>(m_table.data());
    return table != nullptr ? table->Hovered() : QPoint(-1, -1);
}

void TCGrille::OperatorEdited(int column, int row)
{
    if (m_programChange)
        return;
    m_cellChanged = true;
    m_changedCell = QPoint(column, row);
}

} // namespace screens
