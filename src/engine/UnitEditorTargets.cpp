// Quorva run-time. Licensed under the MIT licence.
#include "engine/UnitEditorTargets.h"

namespace engine {

std::optional<shell::UnitSnapshot> UnitEditorTargets::FindUnit(std::string_view name) const {
    const TProgRun* unit = m_programs.FindProgram(name);
    if (unit == nullptr)
        return std::nullopt;
    shell::UnitSnapshot snapshot;
    snapshot.codeAddress = unit->codeBase;
    snapshot.runState = static_cast<std::int32_t>(unit->runState.load());
    snapshot.elapsedMicros = unit->elapsed.load();
    return snapshot;
}

bool UnitEditorTargets::SetUnitRunState(std::string_view name, std::int32_t runState) {
    TProgRun* unit = m_programs.FindProgram(name);
    if (unit == nullptr)
        return false;
    unit->runState.store(runState == 0 ? RunState::Run : RunState::Held);
    return true;
}

std::vector<shell::UnitListEntry> UnitEditorTargets::LoadedUnits() const {
    std::vector<shell::UnitListEntry> units;
    units.reserve(m_programs.Programs().size());
    for (const auto& unit : m_programs.Programs())
        units.push_back({unit->name, unit->nonCyclic});
    return units;
}

} // namespace engine
