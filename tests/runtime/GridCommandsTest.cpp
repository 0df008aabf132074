// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GridCommands.h"
#include "FigureRecords.h"

#include "platform/GuestMemory.h"
#include "screens/AttributsFig.h"
#include "screens/GridClasses.h"
#include "screens/ListClasses.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"
#include "screens/TVEdit.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <climits>
#include <gtest/gtest.h>
#include <memory>

namespace cmd = runtime::screencmd;
using runtime::ShortString;

namespace {

using testsupport::Record;

// A shown window "PANEL" with a grid placeholder GRID1 (the current figure) whose grid is built.
class GridCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        m_form.SetScreenName("PANEL");
        m_form.resize(400, 300);
        m_form.show();
        screens::SetCurrentWindow(&m_form);
        m_placeholder = Placeholder("GRID1", 10, 10, 330, 210);
        m_placeholder->AttachScreenObject(std::make_unique<screens::TCGrille>());
        m_grid = screens::ScreenObjectOf<screens::TCGrille>(m_placeholder);
        m_grid->ReadData(nullptr);
        m_grid->Run();
        ASSERT_NE(m_grid->Table(), nullptr);
        auto memory = platform::GuestMemory::Create();
        ASSERT_TRUE(memory);
        m_memory = std::move(memory).Value();
        m_cells = m_memory->Allocate(8).value();
    }
    void TearDown() override { screens::Globals().Reset(); }

    screens::TSimple* Placeholder(const char* name, int x1, int y1, int x2, int y2) {
        auto* placeholder = new screens::TSimple(&m_form.Client());
        placeholder->SetLoading(true);
        placeholder->SetKind(145);
        placeholder->Load(Record(145, x1, y1, x2, y2));
        placeholder->SetLoading(false);
        placeholder->SetNames("TCGRILLE", name);
        placeholder->show();
        screens::SetCurrentFigure(placeholder);
        return placeholder;
    }

    QPoint CellCentre(int column, int row) {
        QTableWidget& table = *m_grid->Table();
        return table.visualRect(table.model()->index(row, column)).center();
    }

    std::pair<std::int32_t, std::int32_t> Current() {
        runtime::Ref<std::int32_t> column(*m_memory, m_cells);
        runtime::Ref<std::int32_t> row(*m_memory, m_cells + 4);
        cmd::GGetCurrent(column, row);
        return {column.GetOr(-9), row.GetOr(-9)};
    }

    screens::ScreenForm m_form;
    screens::TSimple* m_placeholder = nullptr;
    screens::TCGrille* m_grid = nullptr;
    std::unique_ptr<platform::GuestMemory> m_memory;
    runtime::GuestAddress m_cells = 0;
};

} // namespace

TEST_F(GridCommands, CountsTextsAndColoursStayWithinTheGrid) {
    EXPECT_EQ(cmd::CustomGrid(4, 5, 1, 1), 1);
    EXPECT_EQ(cmd::GGetColCount(), 4);
    EXPECT_EQ(cmd::GGetRowCount(), 5);

    // Texts are code-page bytes, or UTF-8 once asked for.
    cmd::GSetText(1, 0, ShortString("T\xB0"));
    EXPECT_EQ(m_grid->CellText(1, 0), QStringLiteral("T\u00B0"));
    EXPECT_EQ(cmd::GGetText(1, 0).Str(), "T\xB0");
    cmd::GSetUnicode(true);
    cmd::GSetText(2, 0, ShortString("T\xC2\xB0"));
    EXPECT_EQ(m_grid->CellText(2, 0), QStringLiteral("T\u00B0"));
    EXPECT_EQ(cmd::GGetText(2, 0).Str(), "T\xC2\xB0");
    cmd::GSetUnicode(false);

    // Cells outside the grid are ignored.
    cmd::GSetText(4, 0, ShortString("x"));
    cmd::GSetText(-1, 2, ShortString("x"));
    cmd::GSetCellColor(0, 5, 0xFF);
    EXPECT_EQ(cmd::GGetText(4, 0).Str(), "");
    EXPECT_EQ(cmd::GGetCellColor(0, 5), 0);
    EXPECT_EQ(cmd::GGetColWidth(-1), 0);
    EXPECT_EQ(cmd::GGetRowHeight(99), 0);

    // Fixed cells take the fixed colours until a cell gets its own.
    cmd::GSetFixedColor(0x00C0C0C0);
    cmd::GSetTextFixedColor(0x00800000);
    EXPECT_EQ(cmd::GGetCellColor(0, 3), 0x00C0C0C0);
    EXPECT_EQ(cmd::GGetTextColor(3, 0), 0x00800000);
    cmd::GSetCellColor(0, 3, 0x0000FF00);
    cmd::GSetTextColor(2, 2, 0x000000FF);
    EXPECT_EQ(cmd::GGetCellColor(0, 3), 0x0000FF00);
    EXPECT_EQ(cmd::GGetTextColor(2, 2), 0x000000FF);

    cmd::GSetColWidth(2, 77);
    cmd::GSetRowHeight(3, 31);
    cmd::GSetColWidth(2, INT_MAX);
    EXPECT_EQ(cmd::GGetColWidth(2), screens::TCGrille::kMaxSize);
    EXPECT_EQ(cmd::GGetRowHeight(3), 31);

    // The current cell and the text there.
    cmd::GSetCol(2);
    cmd::GSetRow(3);
    EXPECT_EQ(Current(), std::make_pair(2, 3));
    cmd::GSetTextCurrent(ShortString("here"));
    EXPECT_EQ(cmd::GGetText(2, 3).Str(), "here");
    cmd::GSetRow(50);
    EXPECT_EQ(Current(), std::make_pair(2, 3));
    EXPECT_FALSE(cmd::GDeplaceFocus()) << "program moves are not the operator's";
    EXPECT_FALSE(cmd::GCellChange());

    // Named commands; the fixed row stays on top when sorting.
    cmd::GSetText(1, 1, ShortString("b"));
    cmd::GSetText(1, 2, ShortString("a"));
    cmd::GCommand(ShortString("sort"), 1, 0);
    EXPECT_EQ(cmd::GGetText(1, 0).Str(), "T\xB0");
    EXPECT_EQ(cmd::GGetText(1, 1).Str(), "") << "empty texts sort first";
    EXPECT_EQ(cmd::GGetText(1, 3).Str(), "a");
    EXPECT_EQ(cmd::GGetText(1, 4).Str(), "b");
    cmd::GCommand(ShortString("InsertRow"), 0, 1);
    EXPECT_EQ(cmd::GGetRowCount(), 6);
    cmd::GCommand(ShortString("DELETECOL"), 9, 0);
    cmd::GCommand(ShortString("NOSUCH"), 0, 0);
    EXPECT_EQ(cmd::GGetColCount(), 4);

    // Huge and negative counts are clamped, never allocated.
    cmd::GSetRowCount(INT_MAX);
    EXPECT_EQ(cmd::GGetRowCount(), screens::TCGrille::kMaxRows);
    cmd::GSetColCount(INT_MAX);
    EXPECT_EQ(cmd::GGetColCount(), screens::TCGrille::kMaxCells / screens::TCGrille::kMaxRows)
        << "no more cells than the limit";
    cmd::GSetFixedRows(-2);
    EXPECT_EQ(m_grid->FixedRows(), 0);
    cmd::GSetRowCount(-7);
    EXPECT_EQ(cmd::GGetRowCount(), 0);

    cmd::GSetRowCount(3);
    cmd::GClearGrid();
    EXPECT_EQ(cmd::GGetText(1, 0).Str(), "");
    EXPECT_EQ(cmd::GGetRowCount(), 3);
}

TEST_F(GridCommands, OperatorActionsAreReportedOnceEach) {
    cmd::CustomGrid(3, 3, 1, 1);
    QTableWidget& table = *m_grid->Table();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(2, 1));
    EXPECT_EQ(Current(), std::make_pair(2, 1));
    EXPECT_TRUE(cmd::GDeplaceFocus());
    EXPECT_FALSE(cmd::GDeplaceFocus());

    // Editing is off until GVALIDEDIT; then an edit the operator commits is reported.
    QTest::keyClicks(&table, "x");
    EXPECT_EQ(table.viewport()->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(cmd::GGetColChanged(), -1);
    cmd::GValidEdit();
    QTest::keyClicks(&table, "x");
    auto* editor = table.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("12.5"));
    Q_EMIT table.itemDelegate()->commitData(editor);
    Q_EMIT table.itemDelegate()->closeEditor(editor);
    EXPECT_EQ(cmd::GGetText(2, 1).Str(), "12.5");
    EXPECT_TRUE(cmd::GCellChange());
    EXPECT_FALSE(cmd::GCellChange());
    EXPECT_EQ(cmd::GGetColChanged(), 2);
    EXPECT_EQ(cmd::GGetRowChanged(), 1);

    cmd::GDevalidEdit();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    EXPECT_TRUE(cmd::GDbClick());
    EXPECT_FALSE(cmd::GDbClick());
    cmd::GSetDoDbClick(false);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, CellCentre(1, 2));
    EXPECT_FALSE(cmd::GDbClick());

    runtime::Ref<std::int32_t> column(*m_memory, m_cells);
    runtime::Ref<std::int32_t> row(*m_memory, m_cells + 4);
    QTest::mouseMove(table.viewport(), CellCentre(0, 2));
    cmd::FlyingCells(column, row);
    EXPECT_EQ(column.GetOr(-9), 0);
    EXPECT_EQ(row.GetOr(-9), 2);
}

TEST_F(GridCommands, OtherTargetsAndMissingGridsGiveDefaults) {
    // A list view takes GSETCOLWIDTH first; the other grid commands ignore it.
    screens::TSimple* list = Placeholder("LIST1", 0, 220, 200, 290);
    list->AttachScreenObject(std::make_unique<screens::ListView>());
    auto* view = screens::ScreenObjectOf<screens::ListView>(list);
    view->ReadData(nullptr);
    view->Run();
    cmd::GSetColWidth(0, 120);
    EXPECT_EQ(view->ColumnWidth(0), 120);
    cmd::GSetColWidth(-1, 50);
    cmd::GSetColWidth(view->ColumnCount(), 50);
    EXPECT_EQ(view->ColumnWidth(0), 120);
    EXPECT_EQ(cmd::CustomGrid(2, 2, 0, 0), 0);
    EXPECT_EQ(cmd::GGetColCount(), 0);

    screens::SetCurrentFigure(nullptr);
    EXPECT_EQ(cmd::GGetRowCount(), 0);
    EXPECT_EQ(cmd::GGetText(0, 0).Str(), "");
    EXPECT_FALSE(cmd::GCellChange());
    EXPECT_EQ(cmd::GGetColChanged(), -1);
    EXPECT_EQ(Current(), std::make_pair(-1, -1));
    cmd::GSetColWidth(0, 10);
    cmd::GCommand(ShortString("ADDROW"), 0, 0);

    // GSETCONTROL puts a figure of the window over a cell.
    screens::SetCurrentFigure(m_placeholder);
    cmd::CustomGrid(3, 3, 1, 1);
    auto* edit = new screens::TVEdit(std::uint8_t{0}, &m_form.Client());
    edit->SetLoading(true);
    edit->SetKind(114);
    edit->Load(Record(114, 0, 0, 20, 10));
    edit->SetLoading(false);
    edit->SetNames("TCEDIT", "EDIT1");
    cmd::GSetControl(1, 1, ShortString("edit1"));
    QTableWidget& table = *m_grid->Table();
    const QRect cell = table.visualRect(table.model()->index(1, 1));
    EXPECT_EQ(edit->geometry().topLeft(),
              table.viewport()->mapTo(&m_form.Client(), cell.topLeft()));
    EXPECT_EQ(edit->size(), cell.size());
    cmd::GSetControl(1, 1, ShortString("NOSUCH"));
    cmd::GSetControl(7, 1, ShortString("EDIT1"));
}
