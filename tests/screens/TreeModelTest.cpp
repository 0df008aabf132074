// Quorva run-time. Licensed under the MIT licence.
#include "screens/TreeModel.h"

#include <string>

#include <gtest/gtest.h>

using screens::TreeModel;

namespace {

// All texts in flat order, joined by "|".
std::string Flat(const TreeModel& tree)
{
    std::string out;
    for (int i = 1; i <= tree.Count(); ++i)
        out += (i > 1 ? "|" : "") + tree.Text(i);
    return out;
}

// A   (1)
//   A1  (2)
//     A1a (3)
//   A2  (4)
// B   (5)
TreeModel Sample()
{
    TreeModel tree;
    EXPECT_TRUE(tree.Add(0, "A"));
    EXPECT_TRUE(tree.Add(1, "B"));
    EXPECT_TRUE(tree.AddChild(1, "A1"));
    EXPECT_TRUE(tree.AddChild(2, "A1a"));
    EXPECT_TRUE(tree.Add(2, "A2"));
    return tree;
}

} // namespace

TEST(TreeModel, NumbersNodesInFlatOrderAndAddsWhereAsked)
{
    TreeModel tree = Sample();
    EXPECT_EQ(tree.Count(), 5);
    EXPECT_EQ(Flat(tree), "A|A1|A1a|A2|B");
    for (int i = 1; i <= tree.Count(); ++i)
        EXPECT_EQ(tree.IndexOf(tree.PathOf(i)), i) << i;
    EXPECT_EQ(tree.PathOf(3), (TreeModel::Path{0, 0, 0}));

    // Indexes that address no node.
    for (const int bad : {0, -1, 6, 1 << 30}) {
        EXPECT_EQ(tree.Text(bad), "") << bad;
        EXPECT_FALSE(tree.SetText(bad, "x")) << bad;
        EXPECT_FALSE(tree.Delete(bad)) << bad;
        EXPECT_FALSE(tree.InsertBefore(bad, "x")) << bad;
        EXPECT_FALSE(tree.HasChildren(bad)) << bad;
        EXPECT_EQ(tree.FullPath(bad, '/'), "") << bad;
    }
    EXPECT_FALSE(tree.Add(6, "x"));
    EXPECT_FALSE(tree.AddChild(6, "x"));
    EXPECT_EQ(tree.Count(), 5);

    // Below 1: a new last top-level node, for Add and AddChild alike.
    TreeModel::Path added;
    EXPECT_TRUE(tree.Add(-7, "C", &added));
    EXPECT_EQ(added, (TreeModel::Path{2}));
    EXPECT_TRUE(tree.AddChild(0, "D"));
    EXPECT_EQ(Flat(tree), "A|A1|A1a|A2|B|C|D");

    // Insert before node 4 (A2): same parent, A2 moves down.
    EXPECT_TRUE(tree.InsertBefore(4, "A1b", &added));
    EXPECT_EQ(added, (TreeModel::Path{0, 1}));
    EXPECT_EQ(Flat(tree), "A|A1|A1a|A1b|A2|B|C|D");
    EXPECT_EQ(tree.FullPath(5, '\\'), "A\\A2");
    EXPECT_EQ(tree.FullPath(3, '.'), "A.A1.A1a");
    EXPECT_EQ(tree.FullPath(6, '.'), "B");

    EXPECT_TRUE(tree.HasChildren(1));
    EXPECT_TRUE(tree.HasChildren(2));
    EXPECT_FALSE(tree.HasChildren(3));
    const screens::TreeNode* node = tree.Node(4);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->image, -1);
    EXPECT_EQ(node->selectedImage, -1);

    // Deleting A1 takes its child too; the numbering closes up.
    EXPECT_TRUE(tree.Delete(2));
    EXPECT_EQ(tree.Count(), 6);
    EXPECT_EQ(Flat(tree), "A|A1b|A2|B|C|D");
    EXPECT_TRUE(tree.Delete(1));
    EXPECT_EQ(Flat(tree), "B|C|D");
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.Write(), "");
}

TEST(TreeModel, TextsLoseLineBreaksAndTabsAndSortIgnoresCase)
{
    TreeModel tree;
    ASSERT_TRUE(tree.Add(0, "\tone\r\ntwo"));
    EXPECT_EQ(tree.Text(1), " one  two");
    ASSERT_TRUE(tree.Add(0, std::string(5000, 'x')));
    EXPECT_EQ(tree.Text(2).size(), TreeModel::kMaxTextLength);

    TreeModel sorted;
    for (const char* text : {"beta", "Alpha", "alpha", "Gamma"})
        ASSERT_TRUE(sorted.Add(0, text));
    ASSERT_TRUE(sorted.AddChild(1, "z"));
    ASSERT_TRUE(sorted.AddChild(1, "Y"));
    sorted.Sort();
    EXPECT_EQ(Flat(sorted), "Alpha|alpha|beta|Y|z|Gamma");
}

TEST(TreeModel, LimitsRefuseGrowthPastThem)
{
    TreeModel deep;
    ASSERT_TRUE(deep.Add(0, "0"));
    for (int level = 1; level < TreeModel::kMaxDepth; ++level)
        ASSERT_TRUE(deep.AddChild(level, std::to_string(level)));
    EXPECT_FALSE(deep.AddChild(TreeModel::kMaxDepth, "too deep"));
    // The deepest tree still goes to a file and back.
    auto back = TreeModel::Read(deep.Write());
    ASSERT_TRUE(back.IsOk()) << back.Error();
    EXPECT_EQ(back.Value(), deep);

    TreeModel wide;
    for (int i = 0; i < TreeModel::kMaxNodes; ++i)
        ASSERT_TRUE(wide.Add(0, "n"));
    EXPECT_FALSE(wide.Add(0, "one more"));
    EXPECT_FALSE(wide.AddChild(1, "one more"));
    EXPECT_FALSE(wide.InsertBefore(1, "one more"));
    EXPECT_EQ(wide.Count(), TreeModel::kMaxNodes);
}

TEST(TreeModel, FileRoundTripIsExact)
{
    TreeModel tree = Sample();
    ASSERT_TRUE(tree.Add(0, ""));        // an empty text keeps its line
    ASSERT_TRUE(tree.AddChild(6, ""));   // and so does an empty child
    ASSERT_TRUE(tree.SetText(5, "B \xE9t\xE9")); // code-page bytes pass unchanged
    const std::string written = tree.Write();
    EXPECT_EQ(written, "A\n\tA1\n\t\tA1a\n\tA2\nB \xE9t\xE9\n\n\t\n");

    auto back = TreeModel::Read(written);
    ASSERT_TRUE(back.IsOk()) << back.Error();
    EXPECT_EQ(back.Value(), tree);
    EXPECT_EQ(back.Value().Write(), written);

    // Files from elsewhere: CR LF, no final line end, a byte order mark.
    auto windows = TreeModel::Read("\xEF\xBB\xBFRoot\r\n\tLeaf\r\n\t\tDeeper\r\nNext");
    ASSERT_TRUE(windows.IsOk()) << windows.Error();
    EXPECT_EQ(Flat(windows.Value()), "Root|Leaf|Deeper|Next");
    EXPECT_EQ(windows.Value().FullPath(3, '/'), "Root/Leaf/Deeper");

    // A first text that begins with the mark's bytes keeps them through a round trip.
    auto marked = TreeModel::Read("\xEF\xBB\xBF\xEF\xBB\xBF");
    ASSERT_TRUE(marked.IsOk()) << marked.Error();
    auto markedBack = TreeModel::Read(marked.Value().Write());
    ASSERT_TRUE(markedBack.IsOk());
    EXPECT_EQ(markedBack.Value(), marked.Value());
    EXPECT_EQ(markedBack.Value().Text(1), "\xEF\xBB\xBF");

    auto empty = TreeModel::Read("");
    ASSERT_TRUE(empty.IsOk());
    EXPECT_TRUE(empty.Value().IsEmpty());
}

TEST(TreeModel, DamagedFilesAreRefusedWithTheReason)
{
    struct Case {
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        {"\tindented first line\n", "line 1"},
        {"A\n\t\tskips a level\n", "line 2"},
        {std::string("A\n\x01\x02\x03\n"), "line 2"},
        {"A\rB\n", "control character"},
        {"A\n" + std::string(TreeModel::kMaxTextLength + 1, 'x') + "\n", "longer"},
    };
    for (const Case& c : cases) {
        auto read = TreeModel::Read(c.bytes);
        ASSERT_FALSE(read.IsOk()) << c.bytes;
        EXPECT_NE(read.Error().find(c.reason), std::string::npos) << read.Error();
    }
    std::string nul("A\n\0\n", 4);
    EXPECT_FALSE(TreeModel::Read(nul).IsOk());

    std::string many;
    for (int i = 0; i <= TreeModel::kMaxNodes; ++i)
        many += "n\n";
    EXPECT_FALSE(TreeModel::Read(many).IsOk());

    std::string tooDeep;
    for (int level = 0; level <= TreeModel::kMaxDepth; ++level)
        tooDeep += std::string(static_cast<std::size_t>(level), '\t') + "x\n";
    EXPECT_FALSE(TreeModel::Read(tooDeep).IsOk());
}
