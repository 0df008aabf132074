// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListViewCommands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <QListWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "runtime/ScreenCommands.h"
#include "screens/AttributsFig.h"
#include "screens/ListClasses.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"
#include "screens/TVListBox.h"

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using namespace std::string_view_literals;

namespace {

class ListViewCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::SetCurrentWindow(&m_form);
        m_dir = std::filesystem::temp_directory_path() /
                ("quorva_checklist_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        screens::Globals().Reset();
        std::filesystem::remove_all(m_dir);
    }

    template <class Control> Control* Figure(std::uint8_t kind, const char* name)
    {
        auto* figure = new Control(&m_form.Client());
        screens::AttributsFig record;
        record.kind = kind;
        record.x2 = 200;
        record.y2 = 150;
        figure->SetLoading(true);
        figure->SetKind(kind);
        figure->Load(record);
        figure->SetLoading(false);
        figure->SetNames("CLASS", name);
        screens::SetCurrentFigure(figure);
        return figure;
    }

    std::string Path(const char* name) const { return (m_dir / name).string(); }

    screens::ScreenForm m_form;
    std::filesystem::path m_dir;
};

} // namespace

TEST_F(ListViewCommands, CellsGrowAndReadBackCutTo255)
{
    auto* figure = Figure<screens::TSimple>(145, "LIST1");
    figure->AttachScreenObject(std::make_unique<screens::ListView>());
    auto* list = screens::ScreenObjectOf<screens::ListView>(figure);
    list->Run();

    cmd::LvAddItem(2, 3, "Pump"sv);
    EXPECT_EQ(cmd::LvGetItem(2, 3).Str(), "Pump");
    EXPECT_EQ(cmd::LvGetItem(0, 0).Str(), "");
    EXPECT_EQ(cmd::LvGetItem(3, 3).Str(), "");
    EXPECT_EQ(cmd::LvGetItem(-1, -1).Str(), "");
    EXPECT_EQ(list->RowCount(), 4);
    EXPECT_EQ(list->View()->columnCount(), 3);
    cmd::LvAddItem(-1, 0, "x"sv);
    cmd::LvAddItem(0, 1 << 30, "x"sv);
    cmd::LvAddItem(1 << 30, 0, "x"sv);
    EXPECT_EQ(list->RowCount(), 4);
    EXPECT_EQ(list->ColumnCount(), 3);

    // A cell the list view holds longer than a String reads back cut.
    list->SetCell(0, 0, std::string(600, 'a'));
    EXPECT_EQ(cmd::LvGetItem(0, 0).Length(), 255u);

    cmd::LvSetColAutoSize(true);
    EXPECT_TRUE(list->AutoSize());
    cmd::LvSetColAutoSize(false);
    EXPECT_FALSE(list->AutoSize());

    cmd::SetReadOnly(true);
    EXPECT_TRUE(list->ReadOnly());
    EXPECT_EQ(list->View()->editTriggers(), QAbstractItemView::NoEditTriggers);
    cmd::SetReadOnly(false);
    EXPECT_FALSE(list->ReadOnly());

    // Other figures: nothing.
    Figure<screens::TSimple>(145, "PLAIN");
    cmd::LvAddItem(0, 0, "x"sv);
    EXPECT_EQ(cmd::LvGetItem(0, 0).Str(), "");
    cmd::SetReadOnly(true);
    EXPECT_FALSE(list->ReadOnly());
    screens::SetCurrentFigure(nullptr);
    EXPECT_EQ(cmd::LvGetItem(0, 0).Str(), "");
}

TEST_F(ListViewCommands, CheckListStatesAndFileRoundTrip)
{
    auto* box = Figure<screens::TVListBox>(128, "CHECKS");
    box->AttachScreenObject(std::make_unique<screens::CheckListBox>());
    screens::ScreenObjectOf<screens::CheckListBox>(box)->Run();
    box->addItem(QStringLiteral("Motor"));
    box->addItem(QStringLiteral("Heater"));
    box->addItem(QStringLiteral("Fan"));

    cmd::CheckListSetState(1, true);
    cmd::CheckListSetState(3, true);  // item count is 3: nothing
    cmd::CheckListSetState(-1, true);
    EXPECT_TRUE(cmd::CheckListGetState(1));
    EXPECT_FALSE(cmd::CheckListGetState(0));
    EXPECT_FALSE(cmd::CheckListGetState(3));
    EXPECT_FALSE(cmd::CheckListGetState(-1));

    cmd::CheckListSaveToFile(ShortString(Path("checks.txt")));
    std::ifstream in(Path("checks.txt"), std::ios::binary);
    const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(saved, "0 Motor\n1 Heater\n0 Fan\n");

    box->clear();
    box->addItem(QStringLiteral("Other"));
    EXPECT_TRUE(cmd::CheckListLoadFromFile(ShortString(Path("checks.txt"))));
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->item(2)->text(), QStringLiteral("Fan"));
    EXPECT_TRUE(cmd::CheckListGetState(1));

    // Missing or damaged files: false, the list stays.
    EXPECT_FALSE(cmd::CheckListLoadFromFile(ShortString(Path("missing.txt"))));
    std::ofstream(Path("bad.txt"), std::ios::binary) << "1 fine\n\x01\x02\x03\x04";
    EXPECT_FALSE(cmd::CheckListLoadFromFile(ShortString(Path("bad.txt"))));
    EXPECT_EQ(box->count(), 3);

    // Without a check list: nothing.
    Figure<screens::TVListBox>(128, "PLAIN");
    cmd::CheckListSetState(0, true);
    EXPECT_FALSE(cmd::CheckListGetState(0));
    EXPECT_FALSE(cmd::CheckListLoadFromFile(ShortString(Path("checks.txt"))));
    cmd::CheckListSaveToFile(ShortString(Path("none.txt")));
    EXPECT_FALSE(std::filesystem::exists(Path("none.txt")));
}
