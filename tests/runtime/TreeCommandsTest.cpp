// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TreeCommands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <QImage>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "runtime/ListViewCommands.h"
#include "runtime/RuntimeLibrary.h"
#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/ListClasses.h"
#include "screens/PageControl.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TSimple.h"

namespace cmd = runtime::screencmd;
using runtime::ShortString;
using namespace std::string_view_literals;

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A window with a tree view placeholder "TREE1" carrying a Sout, made current; a scratch
// directory for the tree files.
class TreeCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::SetCurrentWindow(&m_form);
        m_dir = std::filesystem::temp_directory_path() /
                ("quorva_tree_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        screens::Globals().Reset();
        std::filesystem::remove_all(m_dir);
    }

    screens::TSimple* Placeholder(const char* name)
    {
        auto* figure = new screens::TSimple(&m_form.Client());
        screens::AttributsFig record;
        record.kind = 145;
        record.x2 = 200;
        record.y2 = 150;
        figure->SetLoading(true);
        figure->SetKind(145);
        figure->Load(record);
        figure->SetLoading(false);
        figure->SetNames("SOUT", name);
        screens::SetCurrentFigure(figure);
        return figure;
    }

    screens::Sout* MakeTree()
    {
        screens::TSimple* figure = Placeholder("TREE1");
        figure->AttachScreenObject(std::make_unique<screens::Sout>());
        auto* tree = screens::ScreenObjectOf<screens::Sout>(figure);
        tree->ReadData(nullptr);
        tree->Run();
        return tree;
    }

    ShortString File(const std::string& name) const { return ShortString((m_dir / name).string()); }

    screens::ScreenForm m_form;
    std::filesystem::path m_dir;
};

} // namespace

TEST_F(TreeCommands, BuildAndQueryATreeByFlatIndex)
{
    screens::Sout* tree = MakeTree();
    EXPECT_EQ(cmd::TreeGetCount(), 0);
    cmd::TreeAdd(1, "not there yet"sv); // above the count: nothing
    EXPECT_EQ(cmd::TreeGetCount(), 0);
    cmd::TreeAdd(0, "Plant"sv);
    cmd::TreeAddChild(1, "Line 1"sv);
    cmd::TreeAddChild(2, "Pump"sv);
    cmd::TreeAdd(2, "Line 2"sv);      // sibling of Line 1
    cmd::TreeAddChild(0, "Office"sv); // no node 0: top level
    cmd::TreeInsertAdd(3, "Valve"sv); // before Pump
    cmd::TreeInsertAdd(9, "nowhere"sv);
    ASSERT_EQ(cmd::TreeGetCount(), 6);
    const char* expected[] = {"Plant", "Line 1", "Valve", "Pump", "Line 2", "Office"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(cmd::TreeGetItem(i + 1).Str(), expected[i]) << i;
    EXPECT_EQ(cmd::TreeGetItem(0).Str(), "");
    EXPECT_EQ(cmd::TreeGetItem(7).Str(), "");
    EXPECT_EQ(cmd::TreeGetItem(-5).Str(), "");

    EXPECT_EQ(cmd::TreeIsParent(1), 1);
    EXPECT_EQ(cmd::TreeIsParent(3), 0);
    EXPECT_EQ(cmd::TreeIsParent(99), 0);
    EXPECT_EQ(cmd::TreeGetFullPath(4, ""sv).Str(), "Plant\\Line 1\\Pump");
    EXPECT_EQ(cmd::TreeGetFullPath(4, "->"sv).Str(), "Plant-Line 1-Pump");
    EXPECT_EQ(cmd::TreeGetFullPath(6, "/"sv).Str(), "Office");
    EXPECT_EQ(cmd::TreeGetFullPath(0, "/"sv).Str(), "");

    cmd::TreeSetItem(3, "Valve 7"sv);
    cmd::TreeSetItem(70, "ignored"sv);
    EXPECT_EQ(cmd::TreeGetItem(3).Str(), "Valve 7");
    EXPECT_EQ(tree->View()->topLevelItem(0)->child(0)->child(0)->text(0), QStringLiteral("Valve 7"));

    EXPECT_EQ(cmd::TreeGetSelectedItem(), 0);
    cmd::TreeSetSelectedItem(4);
    EXPECT_EQ(cmd::TreeGetSelectedItem(), 4);
    cmd::TreeSetSelectedItem(40);
    EXPECT_EQ(cmd::TreeGetSelectedItem(), 4);

    cmd::TreeSetSelectedImage(4, 2);
    cmd::XSetImage(4, 1);
    EXPECT_EQ(tree->Model().Node(4)->image, 1);
    EXPECT_EQ(tree->Model().Node(4)->selectedImage, 2);
    cmd::TreeSetImageSize(32, 32);
    EXPECT_EQ(tree->Images().ImageSize(), QSize(32, 32));
    cmd::TreeSetImageSize(-1, 5000);
    EXPECT_EQ(tree->Images().ImageSize(), QSize(32, 32));
    EXPECT_FALSE(cmd::XAddImage("no such picture"sv));
    EXPECT_EQ(tree->Images().Count(), 0);
    EXPECT_GT(cmd::XGetHImageList(), 0);

    cmd::TreeDelete(2); // Line 1 with Valve 7 and Pump
    EXPECT_EQ(cmd::TreeGetCount(), 3);
    EXPECT_EQ(cmd::TreeGetItem(2).Str(), "Line 2");
    cmd::TreeDelete(0);
    EXPECT_EQ(cmd::TreeGetCount(), 3);

    cmd::XAlphaSort();
    EXPECT_EQ(cmd::TreeGetItem(1).Str(), "Office");
    cmd::TreeFullCollapse();
    EXPECT_FALSE(tree->View()->topLevelItem(1)->isExpanded());
}

TEST_F(TreeCommands, SaveAndLoadRoundTripDeleteByMaskAndRefuseDamage)
{
    screens::Sout* tree = MakeTree();
    cmd::TreeAdd(0, "Plant"sv);
    cmd::TreeAddChild(1, "Line 1"sv);
    cmd::TreeAddChild(2, "Pump \xE9"sv);
    cmd::TreeAdd(0, "Office"sv);
    const screens::TreeModel before = tree->Model();

    WriteAll(m_dir / "plant.tre", "stale content\n");
    cmd::TreeSaveToFile(File("plant.tre"));
    EXPECT_EQ(ReadAll(m_dir / "plant.tre"), "Plant\n\tLine 1\n\t\tPump \xE9\nOffice\n");
    // Nothing of the temporary file stays beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1);

    cmd::TreeDelete(1);
    EXPECT_TRUE(cmd::TreeLoadFromFile(File("plant.tre")));
    EXPECT_EQ(tree->Model(), before);
    EXPECT_EQ(tree->View()->topLevelItemCount(), 2);

    // Missing and damaged files: false and an empty tree.
    EXPECT_FALSE(cmd::TreeLoadFromFile(File("missing.tre")));
    EXPECT_EQ(cmd::TreeGetCount(), 0);
    ASSERT_TRUE(cmd::TreeLoadFromFile(File("plant.tre")));
    WriteAll(m_dir / "bad.tre", "Top\n\t\t\tToo deep\n");
    EXPECT_FALSE(cmd::TreeLoadFromFile(File("bad.tre")));
    EXPECT_EQ(cmd::TreeGetCount(), 0);
    WriteAll(m_dir / "binary.tre", std::string("\x7F" "ELF\0\0\x01\x02", 8));
    EXPECT_FALSE(cmd::TreeLoadFromFile(File("binary.tre")));
    EXPECT_EQ(tree->View()->topLevelItemCount(), 0);

    // An empty tree deletes the file and writes none.
    cmd::TreeSaveToFile(File("plant.tre"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "plant.tre"));

    // A mask deletes every file it matches; no file named after a mask is made.
    ASSERT_TRUE(cmd::TreeLoadFromFile(File("bad.tre")) == false);
    cmd::TreeAdd(0, "x"sv);
    WriteAll(m_dir / "a1.tre", "1\n");
    WriteAll(m_dir / "a2.TRE", "2\n");
    WriteAll(m_dir / "keep.txt", "3\n");
    cmd::TreeSaveToFile(File("a*.tre"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "a1.tre"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "a2.TRE"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "a*.tre"));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "keep.txt"));
}

TEST_F(TreeCommands, WithoutATreeCommandsDoNothingAndAnswerEmpty)
{
    const auto expectNothing = [this](const char* where) {
        SCOPED_TRACE(where);
        EXPECT_EQ(cmd::TreeGetCount(), 0);
        EXPECT_EQ(cmd::TreeGetItem(1).Str(), "");
        EXPECT_EQ(cmd::TreeGetSelectedItem(), 0);
        EXPECT_EQ(cmd::TreeIsParent(1), 0);
        EXPECT_EQ(cmd::TreeGetFullPath(1, "/"sv).Str(), "");
        EXPECT_FALSE(cmd::TreeLoadFromFile(File("plant.tre")));
        cmd::TreeAdd(0, "x"sv);
        cmd::TreeAddChild(0, "x"sv);
        cmd::TreeInsertAdd(1, "x"sv);
        cmd::TreeSetItem(1, "x"sv);
        cmd::TreeDelete(1);
        cmd::TreeSetSelectedItem(1);
        cmd::TreeFullCollapse();
        cmd::TreeSetImageSize(8, 8);
        cmd::TreeSetSelectedImage(1, 1);
        cmd::XSetImage(1, 1);
        cmd::XAlphaSort();
        EXPECT_FALSE(cmd::XAddImage("x"sv));
        EXPECT_EQ(cmd::XGetHImageList(), 0);
        cmd::TreeSaveToFile(File("plant.tre"));
        EXPECT_TRUE(std::filesystem::exists(m_dir / "plant.tre")); // not deleted
    };
    WriteAll(m_dir / "plant.tre", "Plant\n");
    expectNothing("no current figure");
    Placeholder("PLAIN"); // a figure without an object
    expectNothing("figure without a tree");
    screens::TSimple* other = Placeholder("LIST1");
    other->AttachScreenObject(std::make_unique<screens::CheckListBox>());
    expectNothing("figure with another class");
}

TEST_F(TreeCommands, ImageCommandsAlsoServeListViewsAndPageControls)
{
    screens::TSimple* listFigure = Placeholder("LIST1");
    listFigure->AttachScreenObject(std::make_unique<screens::ListView>());
    auto* list = screens::ScreenObjectOf<screens::ListView>(listFigure);
    list->Run();
    cmd::LvAddItem(0, 0, "beta"sv);
    cmd::LvAddItem(0, 1, "Alpha"sv);
    cmd::XSetImage(0, 3); // row 0 (beta)
    cmd::XSetImage(7, 3); // no such row
    cmd::XAlphaSort();
    EXPECT_EQ(list->Cell(0, 0), "Alpha");
    EXPECT_EQ(list->RowImage(1), 3);
    // A project picture found the way a Bmp figure finds it becomes the rows' image 0.
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((m_dir / "icon.bmp").string()), "BMP"));
    EXPECT_TRUE(cmd::XAddImage(File("icon")));
    EXPECT_EQ(list->Images().Count(), 1);
    cmd::XSetImage(0, 0);
    EXPECT_FALSE(list->View()->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(list->View()->topLevelItem(1)->icon(0).isNull()); // image 3 does not exist

    const std::int32_t listHandle = cmd::XGetHImageList();
    EXPECT_EQ(listHandle, list->Images().Handle());
    EXPECT_EQ(cmd::TreeGetCount(), 0); // tree commands do not serve list views

    screens::TSimple* pageFigure = Placeholder("PAGES");
    pageFigure->AttachScreenObject(std::make_unique<screens::PageControl>());
    auto* pages = screens::ScreenObjectOf<screens::PageControl>(pageFigure);
    const std::int32_t pageHandle = cmd::XGetHImageList();
    EXPECT_EQ(pageHandle, pages->Images().Handle());
    EXPECT_NE(pageHandle, listHandle);
    EXPECT_FALSE(cmd::XAddImage("no such picture"sv));
}

TEST(TreeCommandBindings, EveryCommandFitsItsSignature)
{
    runtime::Implementations implementations;
    const platform::Status trees = runtime::AddTreeCommands(implementations);
    EXPECT_TRUE(trees.IsOk()) << trees.Error();
    const platform::Status lists = runtime::AddListViewCommands(implementations);
    EXPECT_TRUE(lists.IsOk()) << lists.Error();
}
