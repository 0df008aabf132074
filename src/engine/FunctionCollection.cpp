// Quorva run-time. Licensed under the MIT licence.

#include "engine/FunctionCollection.h"

#include <algorithm>

namespace engine {

std::size_t FunctionCollection::AddFunction(std::string_view name, platform::GuestAddress address,
                                            std::string_view unit) {
    m_items.push_back(TFuncRun{UpperAscii(name), UpperAscii(unit), address});
    return m_items.size() - 1;
}

std::optional<std::size_t> FunctionCollection::FindFunctionIndex(std::string_view reference) const {
    const NameReference parts = SplitReference(reference);
    const std::string name = UpperAscii(parts.name);
    if (!parts.unit.empty()) {
        const std::string unit = UpperAscii(parts.unit);
        for (std::size_t i = m_items.size(); i-- > 0;) {
            if (m_items[i].name == name && m_items[i].unit == unit)
                return i;
        }
    }
    for (std::size_t i = m_items.size(); i-- > 0;) {
        if (m_items[i].name == name)
            return i;
    }
    return std::nullopt;
}

const TFuncRun* FunctionCollection::FindFunction(std::string_view reference) const {
    const std::optional<std::size_t> index = FindFunctionIndex(reference);
    return index ? &m_items[*index] : nullptr;
}

std::size_t FunctionCollection::RemoveUnit(std::string_view unit) {
    const std::string upper = UpperAscii(unit);
    return std::erase_if(m_items, [&upper](const TFuncRun& item) { return item.unit == upper; });
}

} // namespace engine
