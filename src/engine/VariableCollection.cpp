// Quorva run-time. Licensed under the MIT licence.

#include "engine/VariableCollection.h"

#include <algorithm>
#include <string>
#include <utility>

namespace engine {

std::optional<std::size_t> VariableCollection::Find(std::string_view name,
                                                    std::string_view upperUnit) const {
    if (!upperUnit.empty()) {
        for (std::size_t i = m_items.size(); i-- > 0;) {
            if (m_items[i].name == name && m_items[i].unit == upperUnit)
                return i;
        }
    }
    for (std::size_t i = m_items.size(); i-- > 0;) {
        if (m_items[i].name == name)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> VariableCollection::FindVariableIndex(std::string_view reference) const {
    const NameReference parts = SplitReference(reference);
    return Find(parts.name, UpperAscii(parts.unit));
}

const TVarRun* VariableCollection::FindVariable(std::string_view reference) const {
    const std::optional<std::size_t> index = FindVariableIndex(reference);
    return index ? &m_items[*index] : nullptr;
}

std::size_t VariableCollection::AddVariable(TVarRun variable) {
    variable.unit = UpperAscii(variable.unit);
    if (const std::optional<std::size_t> index = Find(variable.name, variable.unit)) {
        m_items[*index] = std::move(variable);
        return *index;
    }
    m_items.push_back(std::move(variable));
    return m_items.size() - 1;
}

std::size_t VariableCollection::RemoveUnit(std::string_view unit) {
    const std::string upper = UpperAscii(unit);
    return std::erase_if(m_items, [&upper](const TVarRun& item) { return item.unit == upper; });
}

} // namespace engine
