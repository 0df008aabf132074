// Quorva run-time. Licensed under the MIT licence.
#include "screens/ListClasses.h"

#include <QTreeWidget>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"

namespace screens {
namespace {

// The path of `item` in its tree: child positions from the top level down.
TreeModel::Path PathOfItem(const QTreeWidget& view, QTreeWidgetItem* item)
{
    TreeModel::Path path;
    while (item != nullptr) {
        QTreeWidgetItem* parent = item->parent();
        path.push_back(parent != nullptr ? parent->indexOfChild(item) : view.indexOfTopLevelItem(item));
        item = parent;
    }
    return {path.rbegin(), path.rend()};
}

} // namespace

Sout::Sout() : Component("Sout", 145) {}

Sout::~Sout()
{
    delete m_view.data();
}

void Sout::ReadData(const ClassData* data)
{
    Component::ReadData(data);
    m_lines = ItemsField(data, "lines");
    m_setting = static_cast<std::uint8_t>(NumberField(data, "b1"));

    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += '\n';
    }
    auto model = TreeModel::Read(text);
    if (model) {
        m_model = std::move(model.Value());
    } else {
        platform::LogWarning("tree view: lines of the screen data not taken: {}", model.Error());
        m_model.Clear();
    }
}

void Sout::Run()
{
    Figure* placeholder = PlaceholderOnFirstRun(m_built);
    if (placeholder == nullptr)
        return;
    Build(*placeholder);
}

void Sout::Build(Figure& placeholder)
{
    QWidget& old = placeholder.Widget();
    auto* view = new QTreeWidget(old.parentWidget());
    m_view = view;
    view->setHeaderHidden(true);
    view->setColumnCount(1);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setObjectName(old.objectName());
    ReplacePlaceholder(old, *view);
    Fill();
}

QTreeWidget* Sout::View() const
{
    return m_view.data();
}

QTreeWidgetItem* Sout::MakeItem(const TreeNode& node) const
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(platform::CodePageToUtf8(DisplayText(node.text))));
    ShowIcon(item, node);
    for (const TreeNode& child : node.children)
        item->addChild(MakeItem(child));
    return item;
}

void Sout::ShowIcon(QTreeWidgetItem* item, const TreeNode& node) const
{
    // A node with only a selected image shows it while selected, nothing otherwise.
    if (node.image >= 0)
        item->setIcon(0, m_images.Icon(node.image, node.selectedImage));
    else if (node.selectedImage >= 0)
        item->setIcon(0, [&] {
            QIcon icon;
            const QIcon selected = m_images.Icon(node.selectedImage);
            if (!selected.isNull())
                icon.addPixmap(selected.pixmap(m_images.ImageSize()), QIcon::Selected);
            return icon;
        }());
    else
        item->setIcon(0, QIcon());
}

void Sout::Fill()
{
    if (m_view == nullptr)
        return;
    m_view->clear();
    m_view->setIconSize(m_images.ImageSize());
    QList<QTreeWidgetItem*> items;
    for (const TreeNode& node : m_model.TopLevel())
        items.append(MakeItem(node));
    m_view->addTopLevelItems(items);
}

QTreeWidgetItem* Sout::ItemAt(const TreeModel::Path& path) const
{
    if (m_view == nullptr || path.empty())
        return nullptr;
    QTreeWidgetItem* item = m_view->topLevelItem(path.front());
    for (std::size_t i = 1; item != nullptr && i < path.size(); ++i)
        item = item->child(path[i]);
    return item;
}

void Sout::InsertItem(const TreeModel::Path& path)
{
    if (m_view == nullptr)
        return;
    const TreeNode* node = m_model.NodeAt(path);
    if (node == nullptr)
        return;
    QTreeWidgetItem* item = MakeItem(*node);
    if (path.size() == 1) {
        m_view->insertTopLevelItem(path.front(), item);
        return;
    }
    QTreeWidgetItem* parent = ItemAt(TreeModel::Path(path.begin(), path.end() - 1));
    if (parent != nullptr)
        parent->insertChild(path.back(), item);
    else
        delete item;
}

bool Sout::SetText(int index, std::string_view text)
{
    if (!m_model.SetText(index, text))
        return false;
    if (QTreeWidgetItem* item = ItemAt(m_model.PathOf(index)))
        item->setText(0, QString::fromStdString(platform::CodePageToUtf8(DisplayText(m_model.Text(index)))));
    return true;
}

bool Sout::Add(int index, std::string_view text)
{
    TreeModel::Path added;
    if (!m_model.Add(index, text, &added))
        return false;
    InsertItem(added);
    return true;
}

bool Sout::AddChild(int index, std::string_view text)
{
    TreeModel::Path added;
    if (!m_model.AddChild(index, text, &added))
        return false;
    InsertItem(added);
    return true;
}

bool Sout::InsertBefore(int index, std::string_view text)
{
    TreeModel::Path added;
    if (!m_model.InsertBefore(index, text, &added))
        return false;
    InsertItem(added);
    return true;
}

bool Sout::Delete(int index)
{
    TreeModel::Path removed;
    if (!m_model.Delete(index, &removed))
        return false;
    delete ItemAt(removed); // a QTreeWidgetItem leaves its tree as it goes
    return true;
}

bool Sout::SetImage(int index, int image)
{
    if (!m_model.SetImage(index, image))
        return false;
    if (QTreeWidgetItem* item = ItemAt(m_model.PathOf(index)))
        ShowIcon(item, *m_model.Node(index));
    return true;
}

bool Sout::SetSelectedImage(int index, int image)
{
    if (!m_model.SetSelectedImage(index, image))
        return false;
    if (QTreeWidgetItem* item = ItemAt(m_model.PathOf(index)))
        ShowIcon(item, *m_model.Node(index));
    return true;
}

void Sout::Sort()
{
    m_model.Sort();
    Fill();
}

void Sout::Replace(TreeModel model)
{
    m_model = std::move(model);
    Fill();
}

void Sout::Clear()
{
    m_model.Clear();
    if (m_view != nullptr)
        m_view->clear();
}

void Sout::CollapseAll()
{
    if (m_view != nullptr)
        m_view->collapseAll();
}

int Sout::Selected() const
{
    if (m_view == nullptr)
        return 0;
    const QList<QTreeWidgetItem*> selected = m_view->selectedItems();
    if (selected.isEmpty())
        return 0;
    return m_model.IndexOf(PathOfItem(*m_view, selected.front()));
}

bool Sout::Select(int index)
{
    QTreeWidgetItem* item = ItemAt(m_model.PathOf(index));
    if (item == nullptr)
        return false;
    m_view->setCurrentItem(item);
    item->setSelected(true);
    m_view->scrollToItem(item);
    return true;
}

bool Sout::SetImageSize(int width, int height)
{
    if (!m_images.SetImageSize(width, height))
        return false;
    ShowAllIcons();
    return true;
}

bool Sout::AddImage(std::string_view name)
{
    if (!m_images.Add(name))
        return false;
    ShowAllIcons(); // nodes may name the new image already
    return true;
}

void Sout::ShowIcons(QTreeWidgetItem* item, const TreeNode& node) const
{
    ShowIcon(item, node);
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        if (QTreeWidgetItem* child = item->child(static_cast<int>(i)))
            ShowIcons(child, node.children[i]);
    }
}

void Sout::ShowAllIcons()
{
    if (m_view == nullptr)
        return;
    m_view->setIconSize(m_images.ImageSize());
    const std::vector<TreeNode>& top = m_model.TopLevel();
    for (std::size_t i = 0; i < top.size(); ++i) {
        if (QTreeWidgetItem* item = m_view->topLevelItem(static_cast<int>(i)))
            ShowIcons(item, top[i]);
    }
}

} // namespace screens
