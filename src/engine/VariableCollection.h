// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/UnitRecords.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace engine {

// The loader's collection of named variables (`TVarRun` items): the system variables first,
// then the exports of each loaded unit.
//
// Contract: owned by the loader. Not locked: it is changed only during initialisation and by
// loads and unloads on the GUI thread while the scheduler is paused. Adding or removing items
// invalidates pointers and references to items.
class VariableCollection {
public:
    // Looks the name up with the unit as qualifier, as FindVariable does. When that finds an
    // item (the one of the same unit, else the newest of that name from any unit, "SYSTEM"
    // included) every field of it is overwritten, its unit too: a unit that exports a variable
    // of a system variable's name takes that item over. Otherwise the variable is appended.
    // The unit is stored upper-cased, the name as given. Returns the item's index.
    std::size_t AddVariable(TVarRun variable);

    // "NAME" or "NAME UNIT" (one blank): the name compared exactly, the unit upper-cased. With
    // a unit, the newest item of that name and unit; otherwise, or when the unit matches
    // nothing, the newest item of that name. Null when none.
    const TVarRun* FindVariable(std::string_view reference) const;
    std::optional<std::size_t> FindVariableIndex(std::string_view reference) const;

    // Removes every item of the unit (compared upper-cased); returns how many went.
    std::size_t RemoveUnit(std::string_view unit);

    std::size_t Size() const { return m_items.size(); }
    bool Empty() const { return m_items.empty(); }
    const TVarRun& At(std::size_t index) const { return m_items.at(index); }
    std::span<const TVarRun> Items() const { return m_items; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::optional<std::size_t> Find(std::string_view name, std::string_view upperUnit) const;

    std::vector<TVarRun> m_items;
};

} // namespace engine
