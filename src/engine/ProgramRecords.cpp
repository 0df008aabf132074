// Quorva run-time. Licensed under the MIT licence.
#include "engine/ProgramRecords.h"

#include <algorithm>
#include <cctype>

namespace engine {

std::string ProgramList::UnitNameOf(std::string_view path) {
    std::size_t slash = path.find_last_of("\\/");
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    file = file.substr(0, file.find('.'));
    std::string name(file);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

std::int32_t ProgramList::FindProgramIndex(std::string_view name) const {
    const std::string wanted = UnitNameOf(name);
    for (std::size_t i = m_programs.size(); i-- > 0;) {
        if (m_programs[i]->name == wanted)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

TProgRun* ProgramList::FindProgram(std::string_view name) const {
    std::int32_t index = FindProgramIndex(name);
    return index < 0 ? nullptr : m_programs[static_cast<std::size_t>(index)].get();
}

} // namespace engine
