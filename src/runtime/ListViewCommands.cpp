// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListViewCommands.h"

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/CheckListFile.h"
#include "screens/ListClasses.h"
#include "screens/ListFileIo.h"
#include "screens/ScreenObjectOf.h"

namespace runtime {
namespace screencmd {
namespace {

screens::ListView* CurrentListView()
{
    return screens::ScreenObjectOf<screens::ListView>(support::Current());
}

screens::CheckListBox* CurrentCheckList()
{
    return screens::ScreenObjectOf<screens::CheckListBox>(support::Current());
}

} // namespace

ShortString LvGetItem(std::int32_t column, std::int32_t row)
{
    const screens::ListView* list = CurrentListView();
    return list != nullptr ? ShortString(list->Cell(column, row)) : ShortString();
}

void LvAddItem(std::int32_t column, std::int32_t row, ShortString text)
{
    if (auto* list = CurrentListView())
        list->SetCell(column, row, text.View());
}

void LvSetColAutoSize(bool autoSize)
{
    if (auto* list = CurrentListView())
        list->SetAutoSize(autoSize);
}

void CheckListSetState(std::int32_t index, bool checked)
{
    if (auto* checks = CurrentCheckList())
        checks->SetChecked(index, checked);
}

bool CheckListGetState(std::int32_t index)
{
    const screens::CheckListBox* checks = CurrentCheckList();
    return checks != nullptr && checks->Checked(index);
}

bool CheckListLoadFromFile(ShortString fileName)
{
    screens::CheckListBox* checks = CurrentCheckList();
    if (checks == nullptr || checks->List() == nullptr)
        return false;
    auto bytes = screens::ReadListFile(fileName.View(), screens::kMaxCheckListFileSize);
    if (!bytes) {
        platform::LogWarning("CHECKLISTLOADFROMFILE: {}", bytes.Error());
        return false;
    }
    if (!checks->LoadText(bytes.Value())) {
        platform::LogWarning("CHECKLISTLOADFROMFILE {}: {}", fileName.View(),
                             screens::ReadCheckList(bytes.Value()).Error());
        return false;
    }
    return true;
}

void CheckListSaveToFile(ShortString fileName)
{
    const screens::CheckListBox* checks = CurrentCheckList();
    if (checks == nullptr || checks->List() == nullptr)
        return;
    const platform::Status written = screens::WriteListFile(fileName.View(), checks->SaveText());
    if (!written)
        platform::LogWarning("CHECKLISTSAVETOFILE: {}", written.Error());
}

} // namespace screencmd

platform::Status AddListViewCommands(Implementations& implementations)
{
    using namespace screencmd;
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&LvGetItem>("LVGETITEM"),
             in.Add<&LvAddItem>("LVADDITEM"),
             in.Add<&LvSetColAutoSize>("LVSETCOLAUTOSIZE"),
             in.Add<&CheckListSetState>("CHECKLISTSETSTATE"),
             in.Add<&CheckListGetState>("CHECKLISTGETSTATE"),
             in.Add<&CheckListLoadFromFile>("CHECKLISTLOADFROMFILE"),
             in.Add<&CheckListSaveToFile>("CHECKLISTSAVETOFILE"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
