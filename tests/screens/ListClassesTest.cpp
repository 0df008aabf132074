// Quorva run-time. Licensed under the MIT licence.
#include "ClassDataSupport.h"
#include "screens/ListClasses.h"

#include <functional>
#include <memory>
#include <string>

#include <QListWidget>
#include <QPointer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "FigureTestSupport.h"
#include "screens/CheckListFile.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"
#include "screens/TVListBox.h"

namespace {

using screens::testing::DataOf;

// Pixels that differ between two renders of the same widget.
int ChangedPixels(const QImage& a, const QImage& b)
{
    int changed = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return changed;
}

// The texts of the control's items in flat order, joined by "|".
std::string FlatItems(QTreeWidget& view)
{
    std::string out;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        out += (out.empty() ? "" : "|") + item->text(0).toStdString();
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < view.topLevelItemCount(); ++i)
        walk(view.topLevelItem(i));
    return out;
}

std::string FlatModel(const screens::TreeModel& tree)
{
    std::string out;
    for (int i = 1; i <= tree.Count(); ++i)
        out += (i > 1 ? "|" : "") + tree.Text(i);
    return out;
}

class ListClasses : public ::testing::Test {
protected:
    void SetUp() override { screens::Globals().Reset(); }
    void TearDown() override { screens::Globals().Reset(); }

    // A placeholder of `kind` named `name` in the form's client area, made the current figure.
    template <class Control> Control* MakePlaceholder(std::uint8_t kind, const char* name)
    {
        auto* placeholder = new Control(&m_form.Client());
        const screens::AttributsFig record = figuretest::Record(kind, 10, 10, 210, 160);
        placeholder->SetLoading(true);
        placeholder->SetKind(kind);
        placeholder->Load(record);
        placeholder->SetLoading(false);
        placeholder->SetNames("CLASS", name);
        placeholder->show();
        screens::SetCurrentFigure(placeholder);
        return placeholder;
    }

    screens::ScreenForm m_form;
};

} // namespace

TEST_F(ListClasses, ListViewShowsItsDataRowsAndGrowsWithCells)
{
    auto* placeholder = MakePlaceholder<screens::TSimple>(145, "LIST1");
    placeholder->AttachScreenObject(std::make_unique<screens::ListView>());
    auto* list = screens::ScreenObjectOf<screens::ListView>(placeholder);
    ASSERT_NE(list, nullptr);
    screens::ClassData data = DataOf("ListView");
    data.Find("items")->items = {"Pump\t12\tOK", "Valve"};
    list->ReadData(&data);
    EXPECT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->ColumnCount(), 3);
    EXPECT_EQ(list->Cell(1, 0), "12");
    EXPECT_EQ(list->Cell(2, 1), "");
    EXPECT_EQ(list->Cell(-1, 0), "");
    EXPECT_EQ(list->Cell(0, 9), "");

    list->Run();
    QTreeWidget* view = list->View();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), &m_form.Client());
    EXPECT_EQ(view->geometry(), placeholder->geometry());
    EXPECT_EQ(view->objectName(), placeholder->Widget().objectName());
    EXPECT_TRUE(placeholder->isHidden());
    EXPECT_FALSE(view->isHidden());
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->columnCount(), 3);
    EXPECT_EQ(view->topLevelItem(0)->text(2), QStringLiteral("OK"));
    list->Run();
    EXPECT_EQ(list->View(), view);

    // A cell past the end adds rows and columns up to it, control included.
    EXPECT_TRUE(list->SetCell(4, 3, "far"));
    EXPECT_EQ(list->RowCount(), 4);
    EXPECT_EQ(list->ColumnCount(), 5);
    EXPECT_EQ(view->topLevelItemCount(), 4);
    EXPECT_EQ(view->columnCount(), 5);
    EXPECT_EQ(view->topLevelItem(3)->text(4), QStringLiteral("far"));
    EXPECT_FALSE(list->SetCell(-1, 0, "x"));
    EXPECT_FALSE(list->SetCell(0, -1, "x"));
    EXPECT_FALSE(list->SetCell(screens::ListView::kMaxColumns, 0, "x"));
    EXPECT_FALSE(list->SetCell(0, screens::ListView::kMaxRows, "x"));
    EXPECT_EQ(list->RowCount(), 4);

    EXPECT_TRUE(list->SetColumnWidth(4, 80));
    EXPECT_EQ(list->ColumnWidth(4), 80);
    EXPECT_EQ(view->columnWidth(4), 80);
    EXPECT_FALSE(list->SetColumnWidth(5, 80));
    EXPECT_FALSE(list->SetColumnWidth(-1, 80));
    EXPECT_FALSE(list->SetColumnWidth(0, -3));

    // What the operator types goes into the cell; read-only stops the typing.
    view->topLevelItem(1)->setText(0, QStringLiteral("Valve 2"));
    EXPECT_EQ(list->Cell(0, 1), "Valve 2");
    EXPECT_TRUE(view->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    list->SetReadOnly(true);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(view->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(list->SetCell(0, 5, "late"));
    EXPECT_FALSE(view->topLevelItem(5)->flags() & Qt::ItemIsEditable);

    list->SortRows(); // empty first cells first, then by text ignoring case
    EXPECT_EQ(list->Cell(0, 3), "late");
    EXPECT_EQ(list->Cell(0, 4), "Pump");
    EXPECT_EQ(list->Cell(4, 1), "far"); // rows move whole, equal ones keep their order
    EXPECT_EQ(view->topLevelItem(4)->text(0), QStringLiteral("Pump"));

    list->Clear();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(list->ColumnCount(), 5);

    QPointer<QTreeWidget> guard(view);
    delete placeholder;
    EXPECT_TRUE(guard.isNull());
}

TEST_F(ListClasses, ListAndTreeDrawTheirItems)
{
    auto* listPlace = MakePlaceholder<screens::TSimple>(145, "LIST1");
    listPlace->AttachScreenObject(std::make_unique<screens::ListView>());
    auto* list = screens::ScreenObjectOf<screens::ListView>(listPlace);
    list->Run();
    m_form.show();
    const QImage emptyList = figuretest::Render(*list->View());
    list->SetCell(0, 0, "WWWW MMMM");
    list->SetCell(0, 1, "#### @@@@");
    EXPECT_GT(ChangedPixels(emptyList, figuretest::Render(*list->View())), 40);

    auto* treePlace = MakePlaceholder<screens::TSimple>(145, "TREE1");
    treePlace->AttachScreenObject(std::make_unique<screens::Sout>());
    auto* tree = screens::ScreenObjectOf<screens::Sout>(treePlace);
    tree->Run();
    const QImage emptyTree = figuretest::Render(*tree->View());
    tree->Add(0, "WWWW MMMM");
    tree->AddChild(1, "#### @@@@");
    const QImage filled = figuretest::Render(*tree->View());
    EXPECT_GT(ChangedPixels(emptyTree, filled), 40);
    tree->Clear();
    EXPECT_EQ(ChangedPixels(emptyTree, figuretest::Render(*tree->View())), 0);
}

TEST_F(ListClasses, TreeControlFollowsEveryOperation)
{
    auto* placeholder = MakePlaceholder<screens::TSimple>(145, "TREE1");
    placeholder->AttachScreenObject(std::make_unique<screens::Sout>());
    auto* tree = screens::ScreenObjectOf<screens::Sout>(placeholder);
    screens::ClassData data = DataOf("Sout");
    data.Find("lines")->items = {"Plant", "\tLine 1", "\t\tPump", "\tLine 2", "Office"};
    tree->ReadData(&data);
    EXPECT_EQ(tree->Model().Count(), 5);
    EXPECT_EQ(tree->Selected(), 0); // no control yet
    tree->Run();
    QTreeWidget* view = tree->View();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(placeholder->isHidden());
    EXPECT_EQ(FlatItems(*view), "Plant|Line 1|Pump|Line 2|Office");

    const auto same = [&] { EXPECT_EQ(FlatItems(*view), FlatModel(tree->Model())); };
    EXPECT_TRUE(tree->Add(3, "Fan"));          // sibling of Pump
    same();
    EXPECT_TRUE(tree->AddChild(5, "Desk"));    // child of Line 2
    same();
    EXPECT_TRUE(tree->InsertBefore(1, "Gate")); // before Plant, top level
    same();
    EXPECT_TRUE(tree->SetText(4, "Pump A"));
    same();
    EXPECT_EQ(FlatModel(tree->Model()), "Gate|Plant|Line 1|Pump A|Fan|Line 2|Desk|Office");

    // Selection made by the operator reads back as a flat index; selecting by index shows it.
    view->expandAll();
    view->setCurrentItem(view->topLevelItem(1)->child(1)->child(0)); // Desk
    EXPECT_EQ(tree->Selected(), 7);
    EXPECT_TRUE(tree->Select(4));
    EXPECT_EQ(tree->Selected(), 4);
    EXPECT_FALSE(tree->Select(99));
    EXPECT_EQ(tree->Selected(), 4);

    EXPECT_TRUE(tree->Delete(3)); // Line 1 with Pump A and Fan
    same();
    EXPECT_EQ(tree->Selected(), 0);
    EXPECT_FALSE(tree->Delete(0));
    EXPECT_FALSE(tree->Add(6, "past the end"));
    same();

    tree->CollapseAll();
    EXPECT_FALSE(view->topLevelItem(1)->isExpanded());

    tree->Sort();
    same();
    EXPECT_EQ(FlatModel(tree->Model()), "Gate|Office|Plant|Line 2|Desk");
    EXPECT_FALSE(tree->SetImageSize(0, 16));
    EXPECT_FALSE(tree->SetImageSize(16, 257));
    EXPECT_TRUE(tree->SetImageSize(24, 20));
    EXPECT_EQ(view->iconSize(), QSize(24, 20));
}

TEST_F(ListClasses, TreeDataThatIsDamagedGivesAnEmptyTree)
{
    screens::Sout tree;
    screens::ClassData data = DataOf("Sout");
    data.Find("lines")->items = {"Top", "\t\t\tlost"};
    tree.ReadData(&data);
    EXPECT_TRUE(tree.Model().IsEmpty());
    tree.ReadData(nullptr);
    EXPECT_TRUE(tree.Model().IsEmpty());
}

TEST_F(ListClasses, CheckListGivesTheListBoxCheckMarksAndKeepsThemInItsFile)
{
    auto* box = MakePlaceholder<screens::TVListBox>(128, "CHECKS");
    box->addItem(QStringLiteral("Motor"));
    box->AttachScreenObject(std::make_unique<screens::CheckListBox>());
    auto* checks = screens::ScreenObjectOf<screens::CheckListBox>(box);
    ASSERT_NE(checks, nullptr);
    EXPECT_EQ(checks->Count(), 0);
    EXPECT_FALSE(checks->SetChecked(0, true));
    checks->Run();
    EXPECT_EQ(checks->List(), box); // the list box itself, not a copy
    EXPECT_FALSE(box->isHidden());
    box->addItem(QStringLiteral("Heater")); // as ADDSTRING does
    ASSERT_EQ(checks->Count(), 2);
    EXPECT_TRUE(box->item(1)->flags() & Qt::ItemIsUserCheckable);

    EXPECT_TRUE(checks->SetChecked(1, true));
    EXPECT_TRUE(checks->Checked(1));
    EXPECT_FALSE(checks->Checked(0));
    EXPECT_FALSE(checks->SetChecked(2, true));
    EXPECT_FALSE(checks->SetChecked(-1, true));
    EXPECT_FALSE(checks->Checked(2));
    EXPECT_FALSE(checks->Checked(-1));

    const std::string saved = checks->SaveText();
    EXPECT_EQ(saved, "0 Motor\n1 Heater\n");
    box->clear();
    ASSERT_TRUE(checks->LoadText(saved));
    EXPECT_EQ(checks->SaveText(), saved);
    EXPECT_TRUE(checks->Checked(1));

    // A damaged file leaves the list as it is.
    EXPECT_FALSE(checks->LoadText("1 ok\nno mark\n"));
    EXPECT_EQ(checks->SaveText(), saved);
    EXPECT_TRUE(checks->LoadText(""));
    EXPECT_EQ(checks->Count(), 0);

    // On another figure kind the check list brings its own list.
    auto* other = MakePlaceholder<screens::TSimple>(145, "CHECKS2");
    other->AttachScreenObject(std::make_unique<screens::CheckListBox>());
    auto* own = screens::ScreenObjectOf<screens::CheckListBox>(other);
    own->Run();
    ASSERT_NE(own->List(), nullptr);
    EXPECT_TRUE(other->isHidden());
    EXPECT_EQ(own->List()->geometry(), other->geometry());
}

TEST(CheckListFile, RoundTripsAndRefusesDamage)
{
    const std::vector<screens::CheckListItem> items{
        {"Pump", true}, {"", false}, {"  spaced  ", true}, {"\xC9tat", false}};
    const std::string written = screens::WriteCheckList(items);
    auto back = screens::ReadCheckList(written);
    ASSERT_TRUE(back.IsOk()) << back.Error();
    EXPECT_EQ(back.Value(), items);

    // Line breaks in a text would split the item: they are written as spaces.
    auto broken = screens::ReadCheckList(screens::WriteCheckList({{"two\r\nlines", true}}));
    ASSERT_TRUE(broken.IsOk());
    ASSERT_EQ(broken.Value().size(), 1u);
    EXPECT_EQ(broken.Value()[0].text, "two  lines");

    auto windows = screens::ReadCheckList("1 a\r\n0 b");
    ASSERT_TRUE(windows.IsOk());
    EXPECT_EQ(windows.Value(), (std::vector<screens::CheckListItem>{{"a", true}, {"b", false}}));

    for (const std::string& bad : {std::string("x text\n"), std::string("1text\n"), std::string("\n"),
                                   std::string("1 a\n0 b\x01\n"), std::string("1 ok\n2 no\n"),
                                   std::string("1 ") + std::string(screens::kMaxCheckListText + 1, 'x'),
                                   std::string("1 a\0b", 5)}) {
        auto read = screens::ReadCheckList(bad);
        EXPECT_FALSE(read.IsOk()) << bad;
    }
    std::string many;
    for (int i = 0; i <= screens::kMaxCheckListItems; ++i)
        many += "0 x\n";
    EXPECT_FALSE(screens::ReadCheckList(many).IsOk());
}
