// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QColor>
#include <QPointer>
#include <QString>

#include "screens/ClassData.h"
#include "screens/Component.h"
#include "screens/ScreenVariables.h"

class QListWidget;
class QTableWidget;

namespace screens {

class Figure;

// Alarm display lines as the alarm manager gives them (AlarmSource.h): fields separated by the
// character 01h, a trailing 01h ending the last one. Code-page bytes.

// The fields of a line: kind, date, time, state, text, field 13, group, zone. A line with fewer
// fields gives fewer; a last field without its 01h counts all the same.
std::vector<std::string> AlarmLineFields(std::string_view line);
// What the alarm list shows of a line: kind, date, time, text and field 13, the separators shown
// as " | ": "Alarme | 09/12/2026 10:15:02 Level high | LEVEL > 95". The separator before field
// 13 goes with it when field 13 is empty, and the trailing one is left out.
std::string AlarmListText(std::string_view line);
// The text colour of a line by its kind: red for an active alarm not yet acknowledged
// ("Alarme"), dark red once acknowledged ("AlarmeNil"), green for an ended alarm that waits for
// its acknowledgement ("AlarmOff"); none (the control's own colour) for any other kind.
std::optional<QColor> AlarmKindColour(std::string_view line);

// What the alarm list and the alarm grid share. Each Run (with the figure current):
// * the control is attached or built on the first Run;
// * when the alarm source's generation differs from the one shown (or the display's filters
//   changed, or program code changed the control's rows), the rows are refilled from the
//   source's active list; without a source (Globals().alarms null) the display is empty. The
//   selected row follows its alarm across a refill: to the same line, else to the line of the
//   same alarm (same text, field 13, group and zone), the nearest one when several; when the
//   alarm has gone nothing stays selected;
// * when the operator selected another row since the last Run, the source gives a variable name
//   and a value for that row's alarm (AlarmPairAt) and the value is written into that variable
//   by name (nothing when the name is empty);
// * when the figure was clicked in this cycle (the latched input), the selected row's alarm is
//   acknowledged (AcknowledgeAt with its position in the source's list).
// Selection and click act on the alarm the operator saw: the row is mapped through the refill
// first, so a list that changed just before the click never acknowledges another alarm. GUI
// thread; owned by the figure.
class AlarmDisplay : public Component {
public:
    void Run() override;

    // The lines shown, in row order, and each one's position in the source's active list.
    const std::vector<std::string>& ShownLines() const { return m_lines; }
    const std::vector<int>& ShownPositions() const { return m_positions; }

protected:
    AlarmDisplay(std::string_view registeredName, std::int32_t kind)
        : Component(registeredName, kind)
    {
    }

    // Finds or builds the control, on the first Run.
    virtual void Attach(Figure& figure) = 0;
    // The selected row of the control, -1 for none.
    virtual int SelectedRow() const = 0;
    // Replaces the rows with `lines` and selects row `selected` (-1: none).
    virtual void Show(const std::vector<std::string>& lines, int selected) = 0;
    // Whether the control's rows are no longer those shown (program code changed them).
    virtual bool RowsChanged() const { return false; }
    // Re-reads what decides which lines are shown; true when that changed since the last call.
    virtual bool UpdateFilters() { return false; }
    virtual bool Wanted(std::string_view) const { return true; }

private:
    void Refill(int& row);
    void ActOnSelection(int row, bool moved, bool clicked);

    bool m_attached = false;
    bool m_filled = false;
    const void* m_source = nullptr; // the source the lines came from (compared, never used)
    std::uint64_t m_generation = 0; // its generation then
    std::vector<std::string> m_lines;
    std::vector<int> m_positions;
    int m_selected = -1; // row selected at the end of the last Run
};

// The alarm list, in its list-box figure (a figure that is no list gets a list in its place),
// one item per line of the active list as AlarmListText shows it, coloured by AlarmKindColour.
// Its class data holds only the hint.
class TCAlarm : public AlarmDisplay {
public:
    TCAlarm();
    ~TCAlarm() override;
    void ReadData(const ClassData* data) override;

    // The list once attached, else null.
    QListWidget* List() const;

protected:
    void Attach(Figure& figure) override;
    int SelectedRow() const override;
    void Show(const std::vector<std::string>& lines, int selected) override;
    bool RowsChanged() const override;

private:
    QPointer<QListWidget> m_list;
    bool m_ownsList = false;
};

// The alarm grid: a table in place of its placeholder (a child of it, covering it), whose header
// row carries the five column captions (translated) and whose rows are the lines of the active
// list that pass both filters, at least one row (empty when no line passes). The columns get the
// date, the time, the text, the group and the zone of a line, in this order; rows are coloured
// by kind as in the alarm list.
//
// Filters: filter 1 applies to the group label, filter 2 to the zone label; an empty filter lets
// every line pass. A filter text that names a string variable (resolved on the first Run) is that
// variable's value, upper-cased and re-read every Run; any other text is a literal (itself, or
// its translation). A label passes when it equals the filter ignoring ASCII case and the blanks
// around both.
//
// The 20 bytes of column settings are five 32-bit column widths in pixels; a width outside
// 1..4000 lets that column follow its content.
class TCGAlarm : public AlarmDisplay {
public:
    static constexpr std::size_t kColumnCount = 5;
    static constexpr std::size_t kFilterCount = 2;
    static constexpr int kMaxColumnWidth = 4000;

    TCGAlarm();
    ~TCGAlarm() override;
    void ReadData(const ClassData* data) override;

    // The data as read (untranslated).
    const std::array<std::string, kColumnCount>& ColumnCaptions() const { return m_captions; }
    const std::array<std::string, kFilterCount>& Filters() const { return m_filters; }
    const std::string& ColumnSettings() const { return m_columnSettings; }
    // The width a column gets from the settings, 0 when it follows its content.
    int ColumnWidth(std::size_t column) const;

    // The table once built, else null.
    QTableWidget* Table() const;
    // Rows including the header row: at least 2 once built, 0 before.
    int RowCount() const;
    // The text of a cell, row 0 being the header (the captions); empty outside the grid.
    QString CellText(int column, int row) const;

protected:
    void Attach(Figure& figure) override;
    int SelectedRow() const override;
    void Show(const std::vector<std::string>& lines, int selected) override;
    bool UpdateFilters() override;
    bool Wanted(std::string_view line) const override;

private:
    struct Filter {
        std::optional<VariableBinding> variable; // a string variable named by the text
        std::string literal;                     // the text, upper-cased and trimmed
        std::string translated;                  // its translation, the same way
        std::string value;                       // a variable's last value, upper-cased, trimmed
    };

    bool Passes(const Filter& filter, std::string_view label) const;

    std::array<std::string, kColumnCount> m_captions;
    std::array<std::string, kFilterCount> m_filters;
    std::string m_columnSettings;
    std::array<Filter, kFilterCount> m_active;
    bool m_resolved = false;
    QPointer<QTableWidget> m_table;
};

} // namespace screens
