// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QListWidget>
#include <QTableWidget>

#include "ClassDataSupport.h"
#include "FigureTestSupport.h"
#include "TestVariables.h"
#include "platform/Log.h"
#include "screens/AlarmClasses.h"
#include "screens/AlarmSource.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"
#include "screens/TVListBox.h"
#include "shell/Dictionary.h"

namespace {

using screens::testing::DataOf;
using screens::testing::Field;

// A line as the alarm manager writes it: eight fields, each ended by 01h.
std::string AlarmTestLine(const std::string& kind, const std::string& time, const std::string& text,
                          const std::string& group = "Cuve", const std::string& zone = "Zone A",
                          const std::string& extra = "")
{
    std::string line;
    for (const std::string& field : {kind, std::string("09/12/2026"), time, std::string("1"), text,
                                     extra, group, zone})
        line += field + '\x01';
    return line;
}

// The alarm manager as the displays see it: lines and a generation the test sets, and a record of
// what the displays asked for.
class AlarmsFake final : public screens::AlarmSource {
public:
    AlarmsFake() { screens::Globals().alarms = this; }
    ~AlarmsFake() override
    {
        if (screens::Globals().alarms == this)
            screens::Globals().alarms = nullptr;
    }

    std::uint64_t Generation() const override { return generation; }
    const std::vector<std::string>& ActiveAlarmList() const override
    {
        ++reads;
        return lines;
    }
    void AcknowledgeAt(int position) override { acknowledged.push_back(position); }
    std::pair<std::string, std::string> AlarmPairAt(int position) const override
    {
        asked.push_back(position);
        auto found = pairs.find(position);
        return found != pairs.end() ? found->second : std::pair<std::string, std::string>();
    }

    void Replace(std::vector<std::string> now)
    {
        lines = std::move(now);
        ++generation;
    }

    std::vector<std::string> lines;
    std::uint64_t generation = 1;
    std::map<int, std::pair<std::string, std::string>> pairs;
    mutable int reads = 0;
    mutable std::vector<int> asked;
    std::vector<int> acknowledged;
};

// Pixels of a clear red, as an unacknowledged alarm's text draws.
int RedAlarmPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            count += colour.red() > 200 && colour.green() < 80 && colour.blue() < 80 ? 1 : 0;
        }
    return count;
}

class AlarmClasses : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    // An alarm list on a list-box figure, loaded from its data, as the current figure.
    screens::TCAlarm* MakeList()
    {
        auto* figure = new screens::TVListBox(&m_form.Client());
        figure->SetLoading(true);
        figure->SetKind(128);
        figure->Load(figuretest::Record(128, 10, 10, 410, 130));
        figure->SetLoading(false);
        figure->show();
        screens::SetCurrentFigure(figure);
        figure->AttachScreenObject(std::make_unique<screens::TCAlarm>());
        auto* alarms = screens::ScreenObjectOf<screens::TCAlarm>(figure);
        screens::ClassData data = DataOf("TCALARM");
        alarms->ReadData(&data);
        m_listFigure = figure;
        return alarms;
    }

    // An alarm grid on a window placeholder, with the filters given, as the current figure.
    screens::TCGAlarm* MakeGrid(const std::string& groupFilter, const std::string& zoneFilter,
                                const std::string& widths = std::string(20, '\0'))
    {
        screens::TSimple* placeholder =
            figuretest::MakePlaceholder(m_form, 10, 140, 510, 300, "TCGALARM", "ALARMGRID");
        placeholder->AttachScreenObject(std::make_unique<screens::TCGAlarm>());
        auto* grid = screens::ScreenObjectOf<screens::TCGAlarm>(placeholder);
        screens::ClassData data = DataOf("TCGALARM");
        const char* captions[] = {"Date", "Heure", "Texte", "Groupe", "Zone"};
        for (int i = 0; i < 5; ++i)
            Field(data, "columnCaption" + std::to_string(i + 1)).bytes = captions[i];
        Field(data, "filter1").bytes = groupFilter;
        Field(data, "filter2").bytes = zoneFilter;
        Field(data, "r1").bytes = widths;
        grid->ReadData(&data);
        m_gridFigure = placeholder;
        return grid;
    }

    // One GUI cycle of an object: the latched input (a click on `clicked` when given), then its
    // Run with its figure current.
    void Cycle(screens::Component& object, QWidget& figure, QWidget* clicked = nullptr)
    {
        screens::InputEvents& pending = screens::Globals().input.Pending();
        if (clicked != nullptr) {
            pending.leftDown = pending.leftUp = true;
            pending.figure = clicked;
        }
        screens::Globals().input.Latch();
        screens::SetCurrentFigure(screens::FigureOf(&figure));
        object.Run();
    }

    static std::vector<std::string> Items(QListWidget& list)
    {
        std::vector<std::string> items;
        for (int row = 0; row < list.count(); ++row)
            items.push_back(list.item(row)->text().toStdString());
        return items;
    }

    screens::ScreenForm m_form;
    QWidget* m_listFigure = nullptr;
    QWidget* m_gridFigure = nullptr;
};

} // namespace

TEST_F(AlarmClasses, ListShowsTheLinesAndRefillsOnlyWhenTheSourceChanged)
{
    AlarmsFake source;
    source.lines = {AlarmTestLine("Alarme", "10:15:02", "Niveau haut", "Cuve", "Zone A",
                                  "LEVEL > 95"),
                    AlarmTestLine("AlarmOff", "10:14:00", "D\xE9" "faut pompe")};
    screens::TCAlarm* alarms = MakeList();
    Cycle(*alarms, *m_listFigure);
    QListWidget* list = alarms->List();
    ASSERT_EQ(list, m_listFigure) << "the list-box figure itself shows the lines";
    // Kind, date, time and text, then field 13 when there is one; the state is not shown.
    EXPECT_EQ(Items(*list), (std::vector<std::string>{
                                "Alarme | 09/12/2026 10:15:02 Niveau haut | LEVEL > 95",
                                "AlarmOff | 09/12/2026 10:14:00 D\u00e9faut pompe"}));
    EXPECT_EQ(list->item(0)->foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(list->item(1)->foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(source.reads, 1);
    const QImage unacknowledged = figuretest::Render(*list);
    EXPECT_GT(RedAlarmPixels(unacknowledged), 20);

    // The same generation: nothing is read or rebuilt, even when the lines differ behind it.
    QListWidgetItem* first = list->item(0);
    source.lines.pop_back();
    for (int i = 0; i < 3; ++i)
        Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(source.reads, 1);
    EXPECT_EQ(list->item(0), first);

    // A new generation refills; an acknowledged alarm turns dark red.
    source.Replace({AlarmTestLine("AlarmeNil", "10:16:00", "Niveau haut")});
    Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(source.reads, 2);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), "AlarmeNil | 09/12/2026 10:16:00 Niveau haut");
    EXPECT_EQ(list->item(0)->foreground().color(), QColor(128, 0, 0));
    EXPECT_EQ(RedAlarmPixels(figuretest::Render(*list)), 0);

    // Items program code put into the list are replaced by the alarms at the next Run.
    list->addItem(QStringLiteral("stray"));
    Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(list->count(), 1);

    // Short or odd lines show what they have; an unknown kind keeps the list's colour.
    source.Replace({"Alarme\x01" "01/01/2027", "", "Other\x01" "d\x01t\x01s\x01text\x01"});
    Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(Items(*list), (std::vector<std::string>{"Alarme | 01/01/2027  ", " |   ",
                                                      "Other | d t text"}));
    EXPECT_EQ(list->item(2)->data(Qt::ForegroundRole), QVariant());
}

TEST_F(AlarmClasses, WithoutAnAlarmSourceTheDisplaysAreEmpty)
{
    screens::TCAlarm* alarms = MakeList();
    screens::TCGAlarm* grid = MakeGrid("", "");
    Cycle(*alarms, *m_listFigure);
    Cycle(*grid, *m_gridFigure);
    ASSERT_NE(alarms->List(), nullptr);
    EXPECT_EQ(alarms->List()->count(), 0);
    EXPECT_EQ(grid->RowCount(), 2) << "the header row and one empty row";
    EXPECT_EQ(grid->CellText(2, 1), QString());

    // A source that comes and goes fills and empties them; a click on an empty display does
    // nothing.
    {
        AlarmsFake source;
        source.lines = {AlarmTestLine("Alarme", "10:00:00", "Niveau bas")};
        Cycle(*alarms, *m_listFigure);
        Cycle(*grid, *m_gridFigure);
        EXPECT_EQ(alarms->List()->count(), 1);
        EXPECT_EQ(grid->CellText(2, 1), QStringLiteral("Niveau bas"));
    }
    Cycle(*alarms, *m_listFigure, m_listFigure);
    Cycle(*grid, *m_gridFigure, m_gridFigure);
    EXPECT_EQ(alarms->List()->count(), 0);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->CellText(2, 1), QString());

    // Without a current figure a Run does nothing.
    screens::SetCurrentFigure(nullptr);
    alarms->Run();
    grid->Run();

    // A list whose figure is no list box gets a list that covers the figure.
    screens::TSimple* other = figuretest::MakePlaceholder(m_form, 0, 0, 100, 50, "TCALARM", "ODD");
    other->AttachScreenObject(std::make_unique<screens::TCAlarm>());
    auto* odd = screens::ScreenObjectOf<screens::TCAlarm>(other);
    AlarmsFake source;
    source.lines = {AlarmTestLine("Alarme", "10:00:00", "Niveau bas")};
    Cycle(*odd, *other);
    ASSERT_NE(odd->List(), nullptr);
    EXPECT_EQ(odd->List()->parentWidget(), other);
    EXPECT_EQ(odd->List()->count(), 1);
}

TEST_F(AlarmClasses, ClickAcknowledgesTheSelectedAlarmAndSelectionWritesItsVariable)
{
    screens::testing::TestVariables variables;
    variables.Add("ALMSEL", 9);
    variables.Add("ALMCODE", 4);
    AlarmsFake source;
    source.lines = {AlarmTestLine("Alarme", "10:03:00", "Pompe"),
                    AlarmTestLine("Alarme", "10:02:00", "Niveau haut"),
                    AlarmTestLine("AlarmOff", "10:01:00", "Niveau bas")};
    source.pairs = {{0, {"ALMSEL", "pump"}}, {1, {"almsel", "high"}}, {2, {"", "ignored"}}};
    screens::TCAlarm* alarms = MakeList();
    Cycle(*alarms, *m_listFigure);
    QListWidget* list = alarms->List();
    EXPECT_TRUE(source.asked.empty()) << "nothing is selected yet";

    // The operator selects the second line: its pair is written, nothing is acknowledged.
    list->setCurrentRow(1);
    Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(variables.String("ALMSEL"), "high");
    EXPECT_TRUE(source.acknowledged.empty());

    // A click acknowledges the selected line's position; the unchanged selection writes
    // nothing again. A click on another figure acknowledges nothing.
    variables.SetString("ALMSEL", "kept");
    Cycle(*alarms, *m_listFigure, m_listFigure);
    EXPECT_EQ(source.acknowledged, std::vector<int>{1});
    EXPECT_EQ(variables.String("ALMSEL"), "kept");
    Cycle(*alarms, *m_listFigure, &m_form);
    Cycle(*alarms, *m_listFigure);
    EXPECT_EQ(source.acknowledged, std::vector<int>{1});

    // A new alarm comes on top just before the click: the selection follows its alarm, and the
    // click acknowledges that alarm at its new position.
    source.Replace({AlarmTestLine("Alarme", "10:04:00", "Vanne"), source.lines[0],
                    AlarmTestLine("AlarmeNil", "10:05:00", "Niveau haut"), source.lines[2]});
    Cycle(*alarms, *m_listFigure, m_listFigure);
    EXPECT_EQ(source.acknowledged, (std::vector<int>{1, 2}));
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->item(2)->text().toStdString(), "AlarmeNil | 09/12/2026 10:05:00 Niveau haut");

    // When the selected alarm leaves the list, nothing stays selected and a click acknowledges
    // nothing.
    source.Replace({source.lines[0], source.lines[1], source.lines[3]});
    Cycle(*alarms, *m_listFigure, m_listFigure);
    EXPECT_EQ(source.acknowledged, (std::vector<int>{1, 2}));
    EXPECT_EQ(list->selectedItems().size(), 0);

    // A pair with an empty name writes nothing; one naming an unknown variable, or with a value
    // the variable cannot take, is reported and changes nothing.
    std::vector<std::string> warnings;
    platform::log::Sink previous =
        platform::log::SetSink([&](platform::LogLevel level, std::string_view text) {
            if (level >= platform::LogLevel::Warning)
                warnings.emplace_back(text);
        });
    source.pairs = {{1, {"NOSUCH", "x"}}, {2, {"ALMCODE", "not a number"}}};
    list->setCurrentRow(1);
    Cycle(*alarms, *m_listFigure);
    list->setCurrentRow(2);
    Cycle(*alarms, *m_listFigure);
    list->setCurrentRow(0);
    source.pairs = {{0, {"ALMCODE", "42"}}};
    Cycle(*alarms, *m_listFigure);
    platform::log::SetSink(previous);
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_EQ(variables.String("ALMSEL"), "kept");
    EXPECT_EQ(variables.Number("ALMCODE"), 42);
}

TEST_F(AlarmClasses, GridShowsTheFilteredLinesUnderItsTranslatedCaptions)
{
    shell::Dictionary dictionary;
    dictionary.Initialise(2, std::nullopt, std::string_view("Heure\tTime\r\nCuve\tTank\r\n"));
    screens::Globals().dictionary = &dictionary;
    screens::testing::TestVariables variables;
    variables.Add("ZONESEL", 9);
    variables.Add("COUNT", 4);
    AlarmsFake source;
    source.lines = {AlarmTestLine("Alarme", "10:03:00", "Niveau haut", "Cuve", "Zone A"),
                    AlarmTestLine("Alarme", "10:02:00", "Pompe", "Pompe", "Zone B"),
                    AlarmTestLine("AlarmOff", "10:01:00", "Niveau bas", "cuve ", "zone b")};
    std::string widths(20, '\0');
    widths[0] = 90;                         // 90 pixels
    widths[4] = static_cast<char>(0xFF);    // -1: follows the content
    widths[5] = widths[6] = widths[7] = static_cast<char>(0xFF);
    // Filter 1 is a literal written in the source language; filter 2 names a string variable.
    screens::TCGAlarm* grid = MakeGrid("cuve", " zonesel ", widths);
    Cycle(*grid, *m_gridFigure);
    QTableWidget* table = grid->Table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->parentWidget(), m_gridFigure);
    EXPECT_EQ(table->columnWidth(0), 90);
    EXPECT_EQ(grid->CellText(1, 0), QStringLiteral("Time"));
    EXPECT_EQ(grid->CellText(2, 0), QStringLiteral("Texte"));
    // Group "Cuve" in any case, every zone while the variable is empty.
    ASSERT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->ShownPositions(), (std::vector<int>{0, 2}));
    const QStringList firstRow{grid->CellText(0, 1), grid->CellText(1, 1), grid->CellText(2, 1),
                               grid->CellText(3, 1), grid->CellText(4, 1)};
    EXPECT_EQ(firstRow, (QStringList{"09/12/2026", "10:03:00", "Niveau haut", "Cuve", "Zone A"}));
    EXPECT_EQ(table->item(1, 2)->foreground().color(), QColor(0, 128, 0));

    // The variable is re-read every Run: a new value refills without a new generation.
    const int reads = source.reads;
    variables.SetString("ZONESEL", "Zone B");
    Cycle(*grid, *m_gridFigure);
    EXPECT_EQ(source.reads, reads + 1);
    EXPECT_EQ(grid->ShownPositions(), std::vector<int>{2});
    EXPECT_EQ(grid->CellText(2, 1), QStringLiteral("Niveau bas"));
    Cycle(*grid, *m_gridFigure);
    EXPECT_EQ(source.reads, reads + 1) << "an unchanged filter reads nothing";

    // Nothing passes: the header and one empty row remain.
    variables.SetString("ZONESEL", "Zone C");
    Cycle(*grid, *m_gridFigure);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->CellText(2, 1), QString());
    variables.SetString("ZONESEL", "");

    // A click acknowledges the selected row's alarm at its position in the whole list.
    Cycle(*grid, *m_gridFigure);
    table->selectRow(1);
    Cycle(*grid, *m_gridFigure, m_gridFigure);
    EXPECT_EQ(source.acknowledged, std::vector<int>{2});

    // A literal matches its translation as well as itself; a name that is no string variable is
    // a literal; empty filters show everything.
    source.Replace({AlarmTestLine("Alarme", "11:00:00", "Compteur", "Tank", "count"),
                    AlarmTestLine("Alarme", "11:01:00", "Niveau", "Cuve", "COUNT"),
                    AlarmTestLine("Alarme", "11:02:00", "Pompe", "Pompe", "count"),
                    AlarmTestLine("Alarme", "11:03:00", "Vanne", "Cuve", "Zone A")});
    screens::TCGAlarm* literal = MakeGrid("Cuve", "COUNT");
    Cycle(*literal, *m_gridFigure);
    EXPECT_EQ(literal->ShownPositions(), (std::vector<int>{0, 1}));
    screens::TCGAlarm* all = MakeGrid("", "");
    Cycle(*all, *m_gridFigure);
    EXPECT_EQ(all->RowCount(), 5);
    EXPECT_EQ(all->CellText(2, 4), QStringLiteral("Vanne"));
}
