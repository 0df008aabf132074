// Quorva run-time. Licensed under the MIT licence.
#include "screens/ListClasses.h"

#include <algorithm>

#include <QHeaderView>
#include <QListWidget>
#include <QTreeWidget>

#include "platform/CodePage.h"
#include "screens/CheckListFile.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

constexpr int kMaxColumnWidth = 10000;

std::uint8_t ByteField(const ClassData* data, std::string_view name)
{
    return static_cast<std::uint8_t>(NumberField(data, name));
}

QString Shown(std::string_view raw)
{
    return QString::fromStdString(platform::CodePageToUtf8(DisplayText(raw)));
}

unsigned char LowerAscii(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Puts `control` where `placeholder` is, under the placeholder's name.
void TakePlace(QWidget& control, Figure& placeholder)
{
    control.setObjectName(placeholder.Widget().objectName());
    ReplacePlaceholder(placeholder.Widget(), control);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ListView

ListView::ListView() : Component("ListView", 145) {}

ListView::~ListView()
{
    delete m_view.data();
}

void ListView::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_firstSetting = ByteField(data, "b1");
    m_secondSetting = ByteField(data, "b2");
    m_items = ItemsField(data, "items");
    m_settings = TextField(data, "r1");

    m_rows.clear();
    for (std::size_t row = 0; row < m_items.size() && row < static_cast<std::size_t>(kMaxRows); ++row) {
        std::string_view item = m_items[row];
        int column = 0;
        for (;;) {
            const std::size_t tab = item.find('\t');
            SetCell(column, static_cast<int>(row), item.substr(0, tab));
            if (tab == std::string_view::npos || ++column >= kMaxColumns)
                break;
            item.remove_prefix(tab + 1);
        }
    }
}

void ListView::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    Build(*placeholder);
}

void ListView::Build(Figure& placeholder)
{
    auto* view = new QTreeWidget;
    m_view = view;
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setHeaderHidden(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->header()->setStretchLastSection(false);
    TakePlace(*view, placeholder);
    QObject::connect(view, &QTreeWidget::itemChanged, view,
                     [this](QTreeWidgetItem* item, int column) { TakeEdit(item, column); });
    Fill();
}

QTreeWidget* ListView::View() const
{
    return m_view.data();
}

int ListView::ColumnCount() const
{
    return m_columns;
}

std::string ListView::Cell(int column, int row) const
{
    if (row < 0 || row >= RowCount() || column < 0)
        return {};
    const std::vector<std::string>& cells = m_rows[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                            : std::string();
}

bool ListView::SetCell(int column, int row, std::string_view text)
{
    if (column < 0 || row < 0 || column >= kMaxColumns || row >= kMaxRows)
        return false;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    const bool newRows = r >= m_rows.size();
    if (newRows)
        m_rows.resize(r + 1);
    std::vector<std::string>& cells = m_rows[r].cells;
    if (c >= cells.size())
        cells.resize(c + 1);
    cells[c] = std::string(text.substr(0, kMaxCellLength));
    const bool newColumns = column + 1 > m_columns;
    if (newColumns)
        m_columns = column + 1;

    if (m_view != nullptr) {
        if (newColumns)
            ShowColumns();
        if (newRows) {
            const QSignalBlocker block(m_view);
            for (int added = m_view->topLevelItemCount(); added <= row; ++added)
                m_view->addTopLevelItem(new QTreeWidgetItem);
        }
        ShowRow(row);
        if (m_autoSize)
            m_view->resizeColumnToContents(column);
    }
    return true;
}

void ListView::Clear()
{
    m_rows.clear();
    if (m_view != nullptr)
        m_view->clear();
}

void ListView::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    ApplyEditability();
}

bool ListView::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= m_columns || width < 0)
        return false;
    if (m_widths.size() < static_cast<std::size_t>(m_columns))
        m_widths.resize(static_cast<std::size_t>(m_columns), -1);
    m_widths[static_cast<std::size_t>(column)] = std::min(width, kMaxColumnWidth);
    if (m_view != nullptr)
        m_view->setColumnWidth(column, m_widths[static_cast<std::size_t>(column)]);
    return true;
}

int ListView::ColumnWidth(int column) const
{
    if (column < 0 || column >= m_columns)
        return -1;
    if (m_view != nullptr)
        return m_view->columnWidth(column);
    const auto c = static_cast<std::size_t>(column);
    return c < m_widths.size() ? m_widths[c] : -1;
}

void ListView::SetAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    ShowColumns();
}

bool ListView::SetRowImage(int row, int image)
{
    if (row < 0 || row >= RowCount())
        return false;
    m_rows[static_cast<std::size_t>(row)].image = std::max(image, -1);
    ShowRow(row);
    return true;
}

int ListView::RowImage(int row) const
{
    return row >= 0 && row < RowCount() ? m_rows[static_cast<std::size_t>(row)].image : -1;
}

void ListView::SortRows()
{
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Row& a, const Row& b) {
        const std::string empty;
        const std::string& x = a.cells.empty() ? empty : a.cells.front();
        const std::string& y = b.cells.empty() ? empty : b.cells.front();
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                            [](char l, char r) { return LowerAscii(l) < LowerAscii(r); });
    });
    Fill();
}

bool ListView::AddImage(std::string_view name)
{
    if (!m_images.Add(name))
        return false;
    if (m_view != nullptr) {
        m_view->setIconSize(m_images.ImageSize());
        for (int row = 0; row < RowCount(); ++row)
            ShowRow(row);
    }
    return true;
}

void ListView::Fill()
{
    if (m_view == nullptr)
        return;
    {
        const QSignalBlocker block(m_view);
        m_view->clear();
        for (int row = 0; row < RowCount(); ++row)
            m_view->addTopLevelItem(new QTreeWidgetItem);
    }
    ShowColumns();
    for (int row = 0; row < RowCount(); ++row)
        ShowRow(row);
    ApplyEditability();
}

void ListView::ShowRow(int row)
{
    if (m_view == nullptr)
        return;
    QTreeWidgetItem* item = m_view->topLevelItem(row);
    if (item == nullptr)
        return;
    const QSignalBlocker block(m_view);
    const Row& data = m_rows[static_cast<std::size_t>(row)];
    for (int column = 0; column < m_columns; ++column)
        item->setText(column, Shown(Cell(column, row)));
    item->setIcon(0, m_images.Icon(data.image));
    item->setFlags(m_readOnly ? item->flags() & ~Qt::ItemIsEditable : item->flags() | Qt::ItemIsEditable);
}

void ListView::ShowColumns()
{
    if (m_view == nullptr)
        return;
    m_view->setColumnCount(m_columns);
    m_view->setIconSize(m_images.ImageSize());
    QHeaderView* header = m_view->header();
    header->setSectionResizeMode(m_autoSize ? QHeaderView::ResizeToContents : QHeaderView::Interactive);
    if (m_autoSize)
        return;
    for (std::size_t column = 0; column < m_widths.size() && column < static_cast<std::size_t>(m_columns); ++column) {
        if (m_widths[column] >= 0)
            m_view->setColumnWidth(static_cast<int>(column), m_widths[column]);
    }
}

void ListView::ApplyEditability()
{
    if (m_view == nullptr)
        return;
    m_view->setEditTriggers(m_readOnly ? QAbstractItemView::NoEditTriggers
                                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    const QSignalBlocker block(m_view);
    for (int row = 0; row < m_view->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_view->topLevelItem(row);
        item->setFlags(m_readOnly ? item->flags() & ~Qt::ItemIsEditable : item->flags() | Qt::ItemIsEditable);
    }
}

void ListView::TakeEdit(QTreeWidgetItem* item, int column)
{
    if (m_view == nullptr || item == nullptr || column < 0 || column >= m_columns)
        return;
    const int row = m_view->indexOfTopLevelItem(item);
    if (row < 0 || row >= RowCount())
        return;
    std::vector<std::string>& cells = m_rows[static_cast<std::size_t>(row)].cells;
    if (static_cast<std::size_t>(column) >= cells.size())
        cells.resize(static_cast<std::size_t>(column) + 1);
    const std::string typed = platform::Utf8ToCodePage(item->text(column).toStdString());
    cells[static_cast<std::size_t>(column)] = typed.substr(0, kMaxCellLength);
}

// ---------------------------------------------------------------------------------------------
// CheckListBox

namespace {

void MakeCheckable(QListWidgetItem* item)
{
    if (item == nullptr || (item->flags() & Qt::ItemIsUserCheckable))
        return;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

} // namespace

CheckListBox::CheckListBox() : Component("CheckListBox", 128) {}

CheckListBox::~CheckListBox()
{
    if (m_ownsList)
        delete m_list.data();
}

void CheckListBox::Run()
{
    if (m_attached)
        return;
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    m_attached = true;
    Attach(*figure);
}

void CheckListBox::Attach(Figure& figure)
{
    auto* list = dynamic_cast<QListWidget*>(&figure.Widget());
    if (list == nullptr) {
        list = new QListWidget;
        TakePlace(*list, figure);
        m_ownsList = true;
    }
    m_list = list;
    for (int row = 0; row < list->count(); ++row)
        MakeCheckable(list->item(row));
    // Items the list box commands add later get their check box as they arrive.
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [list](const QModelIndex&, int first, int last) {
                         for (int row = first; row <= last; ++row)
                             MakeCheckable(list->item(row));
                     });
}

QListWidget* CheckListBox::List() const
{
    return m_list.data();
}

int CheckListBox::Count() const
{
    return m_list != nullptr ? m_list->count() : 0;
}

bool CheckListBox::SetChecked(int index, bool checked)
{
    if (index < 0 || index >= Count())
        return false;
    QListWidgetItem* item = m_list->item(index);
    MakeCheckable(item);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return true;
}

bool CheckListBox::Checked(int index) const
{
    if (index < 0 || index >= Count())
        return false;
    return m_list->item(index)->checkState() == Qt::Checked;
}

std::string CheckListBox::SaveText() const
{
    std::vector<CheckListItem> items;
    for (int row = 0; row < Count(); ++row) {
        const QListWidgetItem* item = m_list->item(row);
        items.push_back({platform::Utf8ToCodePage(item->text().toStdString()),
                         item->checkState() == Qt::Checked});
    }
    return WriteCheckList(items);
}

bool CheckListBox::LoadText(std::string_view text)
{
    if (m_list == nullptr)
        return false;
    auto items = ReadCheckList(text);
    if (!items)
        return false;
    m_list->clear();
    for (const CheckListItem& entry : items.Value()) {
        auto* item = new QListWidgetItem(QString::fromStdString(platform::CodePageToUtf8(entry.text)));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
        m_list->addItem(item);
    }
    return true;
}

} // namespace screens
