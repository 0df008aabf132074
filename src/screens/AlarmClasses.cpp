// Quorva run-time. Licensed under the MIT licence.
#include "screens/AlarmClasses.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QHeaderView>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/AlarmSource.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

// Field numbers (from 0) of a display line.
enum LineField : std::size_t {
    kKind = 0,
    kDate = 1,
    kTime = 2,
    kText = 4,
    kField13 = 5,
    kGroup = 6,
    kZone = 7,
};

// The fields the grid's columns show, in column order.
constexpr std::array<std::size_t, TCGAlarm::kColumnCount> kGridFields{kDate, kTime, kText, kGroup,
                                                                      kZone};

constexpr char kSeparator = '\x01';
constexpr std::uint8_t kStringType = 9;

std::string_view FieldAt(const std::vector<std::string>& fields, std::size_t index)
{
    return index < fields.size() ? std::string_view(fields[index]) : std::string_view();
}

// Two lines of the same alarm: the same text, field 13, group and zone (kind, date, time and
// state change with the alarm's events).
bool SameAlarm(std::string_view a, std::string_view b)
{
    const std::vector<std::string> first = AlarmLineFields(a);
    const std::vector<std::string> second = AlarmLineFields(b);
    for (std::size_t field : {kText, kField13, kGroup, kZone})
        if (FieldAt(first, field) != FieldAt(second, field))
            return false;
    return true;
}

// The row of `after` that shows what row `row` of `before` showed: the same line, else a line of
// the same alarm, the nearest to the old row among equals; -1 when there is none.
int FollowRow(const std::vector<std::string>& before, int row,
              const std::vector<std::string>& after)
{
    if (row < 0 || static_cast<std::size_t>(row) >= before.size())
        return -1;
    const std::string& shown = before[static_cast<std::size_t>(row)];
    int best = -1;
    int bestScore = 0;
    int bestDistance = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const int score = after[i] == shown ? 2 : (SameAlarm(after[i], shown) ? 1 : 0);
        const int distance = std::abs(static_cast<int>(i) - row);
        if (score > bestScore || (score == bestScore && score > 0 && distance < bestDistance)) {
            best = static_cast<int>(i);
            bestScore = score;
            bestDistance = distance;
        }
    }
    return best;
}

QString Shown(std::string_view codePageText)
{
    return QString::fromStdString(platform::CodePageToUtf8(codePageText));
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A filter or a label as they are compared: trimmed, ASCII letters upper-cased.
std::string Comparable(std::string_view text)
{
    return platform::UpperAscii(TrimBlanks(text));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Display lines

std::vector<std::string> AlarmLineFields(std::string_view line)
{
    std::vector<std::string> fields;
    while (!line.empty()) {
        const std::size_t end = line.find(kSeparator);
        fields.emplace_back(line.substr(0, end));
        if (end == std::string_view::npos)
            break;
        line.remove_prefix(end + 1);
    }
    return fields;
}

std::string AlarmListText(std::string_view line)
{
    const std::vector<std::string> fields = AlarmLineFields(line);
    std::string text(FieldAt(fields, kKind));
    text += " | ";
    text += FieldAt(fields, kDate);
    text += ' ';
    text += FieldAt(fields, kTime);
    text += ' ';
    text += FieldAt(fields, kText);
    if (const std::string_view extra = FieldAt(fields, kField13); !extra.empty()) {
        text += " | ";
        text += extra;
    }
    return text;
}

std::optional<QColor> AlarmKindColour(std::string_view line)
{
    const std::string_view kind = line.substr(0, line.find(kSeparator));
    if (kind == "Alarme")
        return QColor(255, 0, 0);
    if (kind == "AlarmeNil")
        return QColor(128, 0, 0);
    if (kind == "AlarmOff")
        return QColor(0, 128, 0);
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// AlarmDisplay

void AlarmDisplay::Run()
{
    Figure* figure = CurrentFigure();
    if (figure == nullptr)
        return;
    if (!m_attached) {
        m_attached = true;
        Attach(*figure);
    }
    int row = SelectedRow();
    const bool moved = row != m_selected;
    const InputEvents& input = Globals().input.Latched();
    const bool clicked = input.leftUp && input.figure == &figure->Widget();

    const AlarmSource* source = Globals().alarms;
    const bool filtersChanged = UpdateFilters();
    const bool changed =
        source != m_source || (source != nullptr && source->Generation() != m_generation);
    if (!m_filled || changed || filtersChanged || RowsChanged())
        Refill(row);
    ActOnSelection(row, moved, clicked);
    m_selected = row;
}

void AlarmDisplay::Refill(int& row)
{
    AlarmSource* source = Globals().alarms;
    std::vector<std::string> lines;
    std::vector<int> positions;
    if (source != nullptr) {
        const std::vector<std::string>& active = source->ActiveAlarmList();
        for (std::size_t i = 0; i < active.size(); ++i) {
            if (!Wanted(active[i]))
                continue;
            lines.push_back(active[i]);
            positions.push_back(static_cast<int>(i));
        }
        m_generation = source->Generation();
    }
    m_source = source;
    m_filled = true;
    row = FollowRow(m_lines, row, lines);
    m_lines = std::move(lines);
    m_positions = std::move(positions);
    Show(m_lines, row);
}

void AlarmDisplay::ActOnSelection(int row, bool moved, bool clicked)
{
    AlarmSource* source = Globals().alarms;
    if (source == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_positions.size())
        return;
    const int position = m_positions[static_cast<std::size_t>(row)];
    // The variable is written before the acknowledgement, which may take the line away.
    if (moved) {
        const auto [name, value] = source->AlarmPairAt(position);
        if (!name.empty()) {
            ScreenVariables* variables = Globals().variables;
            if (variables == nullptr || !variables->SetText(name, value))
                platform::LogWarning("alarm display: the value \"{}\" of the selected alarm "
                                     "cannot be written into the variable \"{}\"",
                                     platform::CodePageToUtf8(value),
                                     platform::CodePageToUtf8(name));
        }
    }
    if (clicked)
        source->AcknowledgeAt(position);
}

// ---------------------------------------------------------------------------------------------
// TCAlarm

TCAlarm::TCAlarm() : AlarmDisplay("TCALARM", 128) {}

TCAlarm::~TCAlarm()
{
    if (m_ownsList)
        delete m_list.data();
}

void TCAlarm::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    ApplyHintField(data);
}

QListWidget* TCAlarm::List() const
{
    return m_list.data();
}

void TCAlarm::Attach(Figure& figure)
{
    auto* list = dynamic_cast<QListWidget*>(&figure.Widget());
    if (list == nullptr) {
        // A damaged or hand-made file may give the class another figure: the list covers it.
        list = new QListWidget;
        FillPlaceholder(figure.Widget(), *list);
        m_ownsList = true;
    }
    m_list = list;
}

int TCAlarm::SelectedRow() const
{
    if (m_list == nullptr)
        return -1;
    QListWidgetItem* current = m_list->currentItem();
    if (current != nullptr && current->isSelected())
        return m_list->row(current);
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.front());
}

void TCAlarm::Show(const std::vector<std::string>& lines, int selected)
{
    if (m_list == nullptr)
        return;
    QScrollBar* bar = m_list->verticalScrollBar();
    const int scrolled = bar->value();
    m_list->clear();
    for (const std::string& line : lines) {
        auto* item = new QListWidgetItem(Shown(AlarmListText(line)));
        if (const std::optional<QColor> colour = AlarmKindColour(line))
            item->setForeground(*colour);
        m_list->addItem(item);
    }
    if (selected >= 0)
        m_list->setCurrentRow(selected);
    bar->setValue(scrolled);
}

bool TCAlarm::RowsChanged() const
{
    return m_list != nullptr && static_cast<std::size_t>(m_list->count()) != ShownLines().size();
}

// ---------------------------------------------------------------------------------------------
// TCGAlarm

TCGAlarm::TCGAlarm() : AlarmDisplay("TCGALARM", 145) {}

TCGAlarm::~TCGAlarm()
{
    delete m_table.data();
}

void TCGAlarm::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    for (std::size_t i = 0; i < kColumnCount; ++i)
        m_captions[i] = TextField(data, "columnCaption" + std::to_string(i + 1));
    for (std::size_t i = 0; i < kFilterCount; ++i)
        m_filters[i] = TextField(data, "filter" + std::to_string(i + 1));
    m_columnSettings = TextField(data, "r1");
    m_resolved = false;
    ApplyHintField(data);
}

int TCGAlarm::ColumnWidth(std::size_t column) const
{
    std::int32_t width = 0;
    const std::size_t at = column * sizeof width;
    if (column >= kColumnCount || at + sizeof width > m_columnSettings.size())
        return 0;
    std::memcpy(&width, m_columnSettings.data() + at, sizeof width);
    return width >= 1 && width <= kMaxColumnWidth ? static_cast<int>(width) : 0;
}

QTableWidget* TCGAlarm::Table() const
{
    return m_table.data();
}

int TCGAlarm::RowCount() const
{
    return m_table != nullptr ? m_table->rowCount() + 1 : 0;
}

QString TCGAlarm::CellText(int column, int row) const
{
    if (m_table == nullptr || column < 0 || column >= m_table->columnCount() || row < 0 ||
        row > m_table->rowCount())
        return {};
    const QTableWidgetItem* item =
        row == 0 ? m_table->horizontalHeaderItem(column) : m_table->item(row - 1, column);
    return item != nullptr ? item->text() : QString();
}

void TCGAlarm::Attach(Figure& figure)
{
    QWidget& placeholder = figure.Widget();
    auto* table = new QTableWidget;
    table->setObjectName(placeholder.objectName() + QStringLiteral("_GRID"));
    table->setColumnCount(static_cast<int>(kColumnCount));
    table->setRowCount(1);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    QHeaderView* header = table->horizontalHeader();
    header->setHighlightSections(false);
    for (std::size_t column = 0; column < kColumnCount; ++column) {
        const int index = static_cast<int>(column);
        table->setHorizontalHeaderItem(index, new QTableWidgetItem);
        if (const int width = ColumnWidth(column); width > 0) {
            header->setSectionResizeMode(index, QHeaderView::Interactive);
            table->setColumnWidth(index, width);
        } else {
            header->setSectionResizeMode(index, QHeaderView::ResizeToContents);
        }
    }
    m_table = table;
    FillPlaceholder(placeholder, *table);
}

int TCGAlarm::SelectedRow() const
{
    if (m_table == nullptr)
        return -1;
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    // The empty row of a grid without lines is no alarm.
    const int row = rows.front().row();
    return static_cast<std::size_t>(row) < ShownLines().size() ? row : -1;
}

void TCGAlarm::Show(const std::vector<std::string>& lines, int selected)
{
    QTableWidget* table = m_table.data();
    if (table == nullptr)
        return;
    // Captions are translated again at each refill, so that a change of language shows.
    for (std::size_t column = 0; column < kColumnCount; ++column)
        table->horizontalHeaderItem(static_cast<int>(column))
            ->setText(Shown(DisplayText(m_captions[column])));
    QScrollBar* bar = table->verticalScrollBar();
    const int scrolled = bar->value();
    table->clearSelection();
    table->clearContents();
    table->setRowCount(std::max<int>(1, static_cast<int>(lines.size())));
    for (std::size_t row = 0; row < lines.size(); ++row) {
        const std::vector<std::string> fields = AlarmLineFields(lines[row]);
        const std::optional<QColor> colour = AlarmKindColour(lines[row]);
        for (std::size_t column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem(Shown(FieldAt(fields, kGridFields[column])));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (colour)
                item->setForeground(*colour);
            table->setItem(static_cast<int>(row), static_cast<int>(column), item);
        }
    }
    if (selected >= 0)
        table->selectRow(selected);
    else
        table->setCurrentCell(-1, -1);
    bar->setValue(scrolled);
}

bool TCGAlarm::UpdateFilters()
{
    ScreenVariables* variables = Globals().variables;
    if (!m_resolved) {
        m_resolved = true;
        for (std::size_t i = 0; i < kFilterCount; ++i) {
            Filter& filter = m_active[i];
            filter = Filter{};
            filter.literal = Comparable(m_filters[i]);
            const std::string_view name = TrimBlanks(m_filters[i]);
            if (variables != nullptr && !name.empty())
                if (std::optional<VariableBinding> binding = variables->Resolve(name);
                    binding && binding->type == kStringType)
                    filter.variable = binding;
        }
    }
    bool changed = false;
    for (std::size_t i = 0; i < kFilterCount; ++i) {
        Filter& filter = m_active[i];
        std::string now;
        if (!filter.variable)
            now = Comparable(DisplayText(m_filters[i]));
        else if (variables != nullptr)
            now = Comparable(variables->ReadShortString(filter.variable->address));
        std::string& last = filter.variable ? filter.value : filter.translated;
        if (now != last) {
            last = std::move(now);
            changed = true;
        }
    }
    return changed;
}

bool TCGAlarm::Passes(const Filter& filter, std::string_view label) const
{
    const std::string have = Comparable(label);
    if (filter.variable)
        return filter.value.empty() || have == filter.value;
    return filter.literal.empty() || have == filter.literal || have == filter.translated;
}

bool TCGAlarm::Wanted(std::string_view line) const
{
    const std::vector<std::string> fields = AlarmLineFields(line);
    return Passes(m_active[0], FieldAt(fields, kGroup)) &&
           Passes(m_active[1], FieldAt(fields, kZone));
}

} // namespace screens
