// Quorva run-time. Licensed under the MIT licence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "screens/CheckListFile.h"
#include "screens/TreeModel.h"

// Runs the tree file and check list file readers on arbitrary bytes: they must never crash, a
// tree that reads must keep its limits, and what reads must read back the same after being
// written. A few tree operations on the result must keep the numbering consistent.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (auto tree = screens::TreeModel::Read(bytes)) {
        screens::TreeModel& model = tree.Value();
        if (model.Count() > screens::TreeModel::kMaxNodes)
            std::abort();
        auto again = screens::TreeModel::Read(model.Write());
        if (!again || !(again.Value() == model))
            std::abort();
        const int count = model.Count();
        for (int index = 1; index <= count; index += 1 + count / 16) {
            if (model.IndexOf(model.PathOf(index)) != index)
                std::abort();
            (void)model.FullPath(index, '\\');
        }
        const int pick = size > 0 ? static_cast<int>(data[0]) - 8 : 0; // also below 1 and past the end
        (void)model.AddChild(pick, "child");
        (void)model.InsertBefore(pick, "before");
        (void)model.Delete(pick + 1);
        model.Sort();
        auto sorted = screens::TreeModel::Read(model.Write());
        if (!sorted || sorted.Value().Count() != model.Count())
            std::abort();
    }

    if (auto items = screens::ReadCheckList(bytes)) {
        auto again = screens::ReadCheckList(screens::WriteCheckList(items.Value()));
        if (!again || !(again.Value() == items.Value()))
            std::abort();
    }
    return 0;
}
