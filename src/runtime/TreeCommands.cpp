// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TreeCommands.h"

#include <string>

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/ListClasses.h"
#include "screens/ListFileIo.h"
#include "screens/PageControl.h"
#include "screens/ScreenObjectOf.h"
#include "shell/FileHelpers.h"
#include "shell/MessageBoxes.h"
#include "shell/MessagePresenter.h"
#include "screens/ScreenGlobals.h"

namespace runtime {
namespace screencmd {
namespace {

screens::Sout* CurrentTree()
{
    return screens::ScreenObjectOf<screens::Sout>(support::Current());
}

screens::ListView* CurrentListView()
{
    return screens::ScreenObjectOf<screens::ListView>(support::Current());
}

// Boxes are only logged when the run-time has none (tests, tools).
class LoggedBoxes final : public shell::MessagePresenter {
public:
    std::int32_t Show(const std::string& caption, const std::string& text, std::uint32_t flags) override
    {
        platform::LogWarning("{}: {}", caption, text);
        return shell::DefaultAnswer(flags);
    }
};

shell::MessagePresenter& Presenter()
{
    if (shell::MessageBoxes* boxes = screens::Globals().boxes)
        return boxes->Presenter();
    static LoggedBoxes s_logged;
    return s_logged;
}

} // namespace

bool XAddImage(ShortString imageName)
{
    screens::Figure* figure = support::Current();
    if (auto* tree = screens::ScreenObjectOf<screens::Sout>(figure))
        return tree->AddImage(imageName.View());
    if (auto* list = screens::ScreenObjectOf<screens::ListView>(figure))
        return list->AddImage(imageName.View());
    if (auto* pages = screens::ScreenObjectOf<screens::PageControl>(figure))
        return pages->AddImage(imageName.View());
    return false;
}

void XSetImage(std::int32_t node, std::int32_t image)
{
    if (auto* tree = CurrentTree())
        tree->SetImage(node, image);
    else if (auto* list = CurrentListView())
        list->SetRowImage(node, image);
}

void XAlphaSort()
{
    if (auto* tree = CurrentTree())
        tree->Sort();
    else if (auto* list = CurrentListView())
        list->SortRows();
}

std::int32_t XGetHImageList()
{
    screens::Figure* figure = support::Current();
    if (auto* tree = screens::ScreenObjectOf<screens::Sout>(figure))
        return tree->Images().Handle();
    if (auto* list = screens::ScreenObjectOf<screens::ListView>(figure))
        return list->Images().Handle();
    if (auto* pages = screens::ScreenObjectOf<screens::PageControl>(figure))
        return pages->Images().Handle();
    return 0;
}

void TreeSetImageSize(std::int32_t width, std::int32_t height)
{
    if (auto* tree = CurrentTree())
        tree->SetImageSize(width, height);
}

void TreeSetSelectedImage(std::int32_t node, std::int32_t image)
{
    if (auto* tree = CurrentTree())
        tree->SetSelectedImage(node, image);
}

std::int32_t TreeGetCount()
{
    const screens::Sout* tree = CurrentTree();
    return tree != nullptr ? tree->Model().Count() : 0;
}

ShortString TreeGetItem(std::int32_t index)
{
    const screens::Sout* tree = CurrentTree();
    return tree != nullptr ? ShortString(tree->Model().Text(index)) : ShortString();
}

void TreeSetItem(std::int32_t index, ShortString item)
{
    if (auto* tree = CurrentTree())
        tree->SetText(index, item.View());
}

std::int32_t TreeGetSelectedItem()
{
    const screens::Sout* tree = CurrentTree();
    return tree != nullptr ? tree->Selected() : 0;
}

void TreeSetSelectedItem(std::int32_t index)
{
    if (auto* tree = CurrentTree())
        tree->Select(index);
}

void TreeAdd(std::int32_t index, ShortString text)
{
    if (auto* tree = CurrentTree())
        tree->Add(index, text.View());
}

void TreeAddChild(std::int32_t index, ShortString text)
{
    if (auto* tree = CurrentTree())
        tree->AddChild(index, text.View());
}

void TreeInsertAdd(std::int32_t index, ShortString text)
{
    if (auto* tree = CurrentTree())
        tree->InsertBefore(index, text.View());
}

void TreeDelete(std::int32_t index)
{
    if (auto* tree = CurrentTree())
        tree->Delete(index);
}

std::int32_t TreeIsParent(std::int32_t index)
{
    const screens::Sout* tree = CurrentTree();
    return tree != nullptr && tree->Model().HasChildren(index) ? 1 : 0;
}

ShortString TreeGetFullPath(std::int32_t index, ShortString separator)
{
    const screens::Sout* tree = CurrentTree();
    if (tree == nullptr)
        return {};
    const char joiner = separator.Empty() ? '\\' : separator.View().front();
    return ShortString(tree->Model().FullPath(index, joiner));
}

void TreeFullCollapse()
{
    if (auto* tree = CurrentTree())
        tree->CollapseAll();
}

bool TreeLoadFromFile(ShortString fileName)
{
    screens::Sout* tree = CurrentTree();
    if (tree == nullptr)
        return false;
    if (!screens::ListFileExists(fileName.View())) {
        tree->Clear();
        return false;
    }
    auto bytes = screens::ReadListFile(fileName.View(), screens::TreeModel::kMaxFileSize);
    if (!bytes) {
        platform::LogWarning("TREELOADFROMFILE: {}", bytes.Error());
        tree->Clear();
        return false;
    }
    auto model = screens::TreeModel::Read(bytes.Value());
    if (!model) {
        platform::LogWarning("TREELOADFROMFILE {}: {}", fileName.View(), model.Error());
        tree->Clear();
        return false;
    }
    tree->Replace(std::move(model.Value()));
    return true;
}

void TreeSaveToFile(ShortString fileName)
{
    const screens::Sout* tree = CurrentTree();
    if (tree == nullptr || fileName.Empty())
        return;
    shell::DeleteFilesByMask(fileName.View(), Presenter());
    if (tree->Model().IsEmpty())
        return;
    const platform::Status written = screens::WriteListFile(fileName.View(), tree->Model().Write());
    if (!written)
        platform::LogWarning("TREESAVETOFILE: {}", written.Error());
}

} // namespace screencmd

platform::Status AddTreeCommands(Implementations& implementations)
{
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&XAddImage>("XADDIMAGE"),
             in.Add<&XSetImage>("XSETIMAGE"),
             in.Add<&XAlphaSort>("XALPHASORT"),
             in.Add<&XGetHImageList>("XGETHIMAGELIST"),
             in.Add<&TreeGetCount>("TREEGETCOUNT"),
             in.Add<&TreeGetItem>("TREEGETITEM"),
             in.Add<&TreeSetItem>("TREESETITEM"),
             in.Add<&TreeGetSelectedItem>("TREEGETSELECTEDITEM"),
             in.Add<&TreeSetSelectedItem>("TREESETSELECTEDITEM"),
             in.Add<&TreeAdd>("TREEADD"),
             in.Add<&TreeAddChild>("TREEADDCHILD"),
             in.Add<&TreeDelete>("TREEDELETE"),
             in.Add<&TreeInsertAdd>("TREEINSERTADD"),
             in.Add<&TreeIsParent>("TREEISPARENT"),
             in.Add<&TreeGetFullPath>("TREEGETFULLPATH"),
             in.Add<&TreeFullCollapse>("TREEFULLCOLLAPSE"),
             in.Add<&TreeLoadFromFile>("TREELOADFROMFILE"),
             in.Add<&TreeSaveToFile>("TREESAVETOFILE"),
             in.Add<&TreeSetImageSize>("TREESETIMAGESIZE"),
             in.Add<&TreeSetSelectedImage>("TREESETSELECTEDIMAGE"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
