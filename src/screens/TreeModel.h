// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace screens {

// One node of a tree view: its text (code-page bytes), its image and selected-image indexes in
// the view's image list (-1 none) and its children in order.
struct TreeNode {
    std::string text;
    int image = -1;
    int selectedImage = -1;
    std::vector<TreeNode> children;

    bool operator==(const TreeNode&) const = default;
};

// The nodes of a tree view, without any widget: the tree commands work on it and the view
// mirrors it. Nodes are numbered from 1 in flat order (a node, then its descendants, then its
// next sibling); an index below 1 or above Count() addresses no node, and operations on such an
// index change nothing and return false / empty.
//
// A node's place is also given as a path: the child positions from the top level down (the
// view uses paths to find its items). Node texts hold no line breaks or tabs: those become
// spaces, so that every tree can be written to a file and read back unchanged. Texts are cut to
// kMaxTextLength and the tree holds at most kMaxNodes nodes and kMaxDepth levels; operations
// past those limits are refused. A plain value; any thread, one at a time.
//
// The file format: one line per node in flat order, the text indented by one tab per level; a
// line may be one level deeper than the line before at most. Lines end in LF (CR LF read too).
class TreeModel {
public:
    static constexpr int kMaxNodes = 100000;
    static constexpr int kMaxDepth = 64;
    static constexpr std::size_t kMaxTextLength = 1024;
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    using Path = std::vector<int>;

    const std::vector<TreeNode>& TopLevel() const { return m_top; }
    int Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    // The node at flat index `index`, or null.
    const TreeNode* Node(int index) const;
    // The path of node `index`; empty when there is no such node.
    Path PathOf(int index) const;
    // The flat index of the node at `path`; 0 when there is none.
    int IndexOf(const Path& path) const;
    const TreeNode* NodeAt(const Path& path) const;

    // The text; empty for no such node.
    std::string Text(int index) const;
    bool SetText(int index, std::string_view text);
    // Adds `text` as the last sibling of node `index`, or as the last top-level node when index
    // is below 1; false when index is above the count. `added` receives the new node's path.
    bool Add(int index, std::string_view text, Path* added = nullptr);
    // Adds `text` as the last child of node `index`, or as the last top-level node when index is
    // below 1; false when index is above the count.
    bool AddChild(int index, std::string_view text, Path* added = nullptr);
    // Inserts `text` right before node `index` (same parent); false when there is no such node.
    bool InsertBefore(int index, std::string_view text, Path* added = nullptr);
    // Deletes node `index` with its descendants; `removed` receives its former path.
    bool Delete(int index, Path* removed = nullptr);
    // True when node `index` has children.
    bool HasChildren(int index) const;
    // The texts of the node's ancestors from the top down and of the node, joined by
    // `separator`; empty for no such node.
    std::string FullPath(int index, char separator) const;
    bool SetImage(int index, int image);
    bool SetSelectedImage(int index, int image);
    // Sorts the siblings of every level by text, ignoring ASCII case (equal texts keep their
    // order).
    void Sort();
    void Clear();

    // The whole tree in the file format; empty for an empty tree.
    std::string Write() const;
    // Reads a tree file. Refuses (with what and which line) a file bigger than kMaxFileSize, a
    // line longer than kMaxTextLength after its tabs, more than kMaxNodes lines, a line indented
    // more than one level deeper than the one before or past kMaxDepth, and control characters
    // other than tab and the line ends (binary data). An empty file is an empty tree.
    static platform::Result<TreeModel> Read(std::string_view bytes);

    bool operator==(const TreeModel&) const = default;

private:
    TreeNode* MutableNode(int index);
    std::vector<TreeNode>* SiblingsOf(const Path& path);
    static int Size(const TreeNode& node);

    std::vector<TreeNode> m_top;
    int m_count = 0;
};

// The text as a node text: line breaks and tabs become spaces, cut to kMaxTextLength.
std::string CleanNodeText(std::string_view text);

} // namespace screens
