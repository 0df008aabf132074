// Quorva run-time. Licensed under the MIT licence.
#include "screens/TreeModel.h"

#include <algorithm>

#include <fmt/format.h>

namespace screens {
namespace {

// The UTF-8 byte order mark some editors put in front of a text file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

unsigned char LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool TextLess(const TreeNode& a, const TreeNode& b)
{
    return std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
                                        [](char x, char y) {
                                            return LowerAscii(static_cast<unsigned char>(x)) <
                                                   LowerAscii(static_cast<unsigned char>(y));
                                        });
}

void SortLevel(std::vector<TreeNode>& level)
{
    std::stable_sort(level.begin(), level.end(), TextLess);
    for (TreeNode& node : level)
        SortLevel(node.children);
}

void WriteLevel(const std::vector<TreeNode>& level, std::size_t depth, std::string& out)
{
    for (const TreeNode& node : level) {
        out.append(depth, '\t');
        out += node.text;
        out += '\n';
        WriteLevel(node.children, depth + 1, out);
    }
}

} // namespace

std::string CleanNodeText(std::string_view text)
{
    std::string clean(text.substr(0, TreeModel::kMaxTextLength));
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    return clean;
}

int TreeModel::Size(const TreeNode& node)
{
    int size = 1;
    for (const TreeNode& child : node.children)
        size += Size(child);
    return size;
}

TreeModel::Path TreeModel::PathOf(int index) const
{
    if (index < 1 || index > m_count)
        return {};
    Path path;
    const std::vector<TreeNode>* level = &m_top;
    int remaining = index; // the wanted node's position in the flat order of `level`
    for (;;) {
        bool descended = false;
        for (std::size_t i = 0; i < level->size(); ++i) {
            const TreeNode& node = (*level)[i];
            if (remaining == 1) {
                path.push_back(static_cast<int>(i));
                return path;
            }
            const int size = Size(node);
            if (remaining <= size) {
                path.push_back(static_cast<int>(i));
                remaining -= 1;
                level = &node.children;
                descended = true;
                break;
            }
            remaining -= size;
        }
        if (!descended)
            return {}; // the count disagrees with the nodes: cannot happen
    }
}

int TreeModel::IndexOf(const Path& path) const
{
    if (path.empty())
        return 0;
    int index = 0;
    const std::vector<TreeNode>* level = &m_top;
    for (const int position : path) {
        if (position < 0 || static_cast<std::size_t>(position) >= level->size())
            return 0;
        for (int j = 0; j < position; ++j)
            index += Size((*level)[static_cast<std::size_t>(j)]);
        index += 1;
        level = &(*level)[static_cast<std::size_t>(position)].children;
    }
    return index;
}

const TreeNode* TreeModel::NodeAt(const Path& path) const
{
    if (path.empty())
        return nullptr;
    const std::vector<TreeNode>* level = &m_top;
    const TreeNode* node = nullptr;
    for (const int position : path) {
        if (position < 0 || static_cast<std::size_t>(position) >= level->size())
            return nullptr;
        node = &(*level)[static_cast<std::size_t>(position)];
        level = &node->children;
    }
    return node;
}

const TreeNode* TreeModel::Node(int index) const
{
    return NodeAt(PathOf(index));
}

TreeNode* TreeModel::MutableNode(int index)
{
    return const_cast<TreeNode*>(Node(index));
}

std::vector<TreeNode>* TreeModel::SiblingsOf(const Path& path)
{
    std::vector<TreeNode>* level = &m_top;
    for (std::size_t i = 0; i + 1 < path.size(); ++i)
        level = &(*level)[static_cast<std::size_t>(path[i])].children;
    return level;
}

std::string TreeModel::Text(int index) const
{
    const TreeNode* node = Node(index);
    return node != nullptr ? node->text : std::string();
}

bool TreeModel::SetText(int index, std::string_view text)
{
    TreeNode* node = MutableNode(index);
    if (node == nullptr)
        return false;
    node->text = CleanNodeText(text);
    return true;
}

bool TreeModel::Add(int index, std::string_view text, Path* added)
{
    if (index > m_count || m_count >= kMaxNodes)
        return false;
    Path path = index < 1 ? Path{0} : PathOf(index);
    std::vector<TreeNode>* siblings = SiblingsOf(path);
    siblings->push_back(TreeNode{CleanNodeText(text), -1, -1, {}});
    path.back() = static_cast<int>(siblings->size()) - 1;
    ++m_count;
    if (added != nullptr)
        *added = std::move(path);
    return true;
}

bool TreeModel::AddChild(int index, std::string_view text, Path* added)
{
    if (index < 1)
        return Add(0, text, added);
    if (index > m_count || m_count >= kMaxNodes)
        return false;
    Path path = PathOf(index);
    if (path.size() >= static_cast<std::size_t>(kMaxDepth))
        return false;
    TreeNode* parent = MutableNode(index);
    parent->children.push_back(TreeNode{CleanNodeText(text), -1, -1, {}});
    path.push_back(static_cast<int>(parent->children.size()) - 1);
    ++m_count;
    if (added != nullptr)
        *added = std::move(path);
    return true;
}

bool TreeModel::InsertBefore(int index, std::string_view text, Path* added)
{
    if (index < 1 || index > m_count || m_count >= kMaxNodes)
        return false;
    Path path = PathOf(index);
    std::vector<TreeNode>* siblings = SiblingsOf(path);
    siblings->insert(siblings->begin() + path.back(), TreeNode{CleanNodeText(text), -1, -1, {}});
    ++m_count;
    if (added != nullptr)
        *added = std::move(path);
    return true;
}

bool TreeModel::Delete(int index, Path* removed)
{
    if (index < 1 || index > m_count)
        return false;
    Path path = PathOf(index);
    std::vector<TreeNode>* siblings = SiblingsOf(path);
    const auto at = siblings->begin() + path.back();
    m_count -= Size(*at);
    siblings->erase(at);
    if (removed != nullptr)
        *removed = std::move(path);
    return true;
}

bool TreeModel::HasChildren(int index) const
{
    const TreeNode* node = Node(index);
    return node != nullptr && !node->children.empty();
}

std::string TreeModel::FullPath(int index, char separator) const
{
    const Path path = PathOf(index);
    std::string full;
    const std::vector<TreeNode>* level = &m_top;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const TreeNode& node = (*level)[static_cast<std::size_t>(path[i])];
        if (i > 0)
            full += separator;
        full += node.text;
        level = &node.children;
    }
    return full;
}

bool TreeModel::SetImage(int index, int image)
{
    TreeNode* node = MutableNode(index);
    if (node == nullptr)
        return false;
    node->image = std::max(image, -1);
    return true;
}

bool TreeModel::SetSelectedImage(int index, int image)
{
    TreeNode* node = MutableNode(index);
    if (node == nullptr)
        return false;
    node->selectedImage = std::max(image, -1);
    return true;
}

void TreeModel::Sort()
{
    SortLevel(m_top);
}

void TreeModel::Clear()
{
    m_top.clear();
    m_count = 0;
}

std::string TreeModel::Write() const
{
    std::string out;
    WriteLevel(m_top, 0, out);
    // A first text that itself begins with the byte order mark gets a mark in front, which the
    // reader takes off: otherwise the reader would take the text's own bytes for the mark.
    if (out.starts_with(kByteOrderMark))
        out.insert(0, kByteOrderMark);
    return out;
}

platform::Result<TreeModel> TreeModel::Read(std::string_view bytes)
{
    if (bytes.size() > kMaxFileSize)
        return platform::Fail(fmt::format("tree file of {} bytes is too big", bytes.size()));
    // A byte order mark some editors put in front is not part of the first text.
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());

    TreeModel model;
    // levels[d]: where the next node of depth d goes.
    std::vector<std::vector<TreeNode>*> levels{&model.m_top};
    int lineNumber = 0;
    while (!bytes.empty()) {
        ++lineNumber;
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        std::size_t depth = 0;
        while (depth < line.size() && line[depth] == '\t')
            ++depth;
        const std::string_view text = line.substr(depth);
        if (text.size() > kMaxTextLength)
            return platform::Fail(fmt::format("tree file line {}: text longer than {} bytes",
                                              lineNumber, kMaxTextLength));
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return platform::Fail(
                    fmt::format("tree file line {}: control character {:#04x} (not a text file)",
                                lineNumber, static_cast<unsigned>(static_cast<unsigned char>(c))));
        }
        if (depth >= levels.size())
            return platform::Fail(fmt::format(
                "tree file line {}: indented {} levels, more than one level below the line before",
                lineNumber, depth));
        if (depth >= static_cast<std::size_t>(kMaxDepth))
            return platform::Fail(
                fmt::format("tree file line {}: deeper than {} levels", lineNumber, kMaxDepth));
        if (model.m_count >= kMaxNodes)
            return platform::Fail(fmt::format("tree file holds more than {} nodes", kMaxNodes));

        std::vector<TreeNode>& siblings = *levels[depth];
        siblings.push_back(TreeNode{CleanNodeText(text), -1, -1, {}});
        ++model.m_count;
        levels.resize(depth + 1);
        levels.push_back(&siblings.back().children);
    }
    return model;
}

} // namespace screens
