// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/UnitRecords.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace engine {

// The loader's collection of callable functions (`TFuncRun` items), in the order they were
// added: the runtime functions first, then the exports of each loaded unit.
//
// Contract: owned by the loader. Not locked: it is changed only during initialisation and by
// loads and unloads on the GUI thread while the scheduler is paused; lookups run at link time.
// Adding or removing items invalidates pointers and references to items.
class FunctionCollection {
public:
    // Appends an item with name and unit upper-cased and returns its index. An older item of
    // the same name stays; lookups find the newer one first.
    std::size_t AddFunction(std::string_view name, platform::GuestAddress address,
                            std::string_view unit);

    // The item a reference names: "NAME" or "NAME UNIT" (one blank), both parts compared
    // upper-cased. With a unit, the newest item of that name and unit; otherwise, or when the
    // unit matches nothing, the newest item of that name from any unit. Null when none.
    const TFuncRun* FindFunction(std::string_view reference) const;
    std::optional<std::size_t> FindFunctionIndex(std::string_view reference) const;

    // Removes every item of the unit (compared upper-cased); returns how many went.
    std::size_t RemoveUnit(std::string_view unit);

    std::size_t Size() const { return m_items.size(); }
    bool Empty() const { return m_items.empty(); }
    const TFuncRun& At(std::size_t index) const { return m_items.at(index); }
    TFuncRun& At(std::size_t index) { return m_items.at(index); }
    std::span<const TFuncRun> Items() const { return m_items; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<TFuncRun> m_items;
};

} // namespace engine
