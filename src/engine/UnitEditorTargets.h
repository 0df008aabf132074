// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "engine/ProgramRecords.h"
#include "shell/EditorCommands.h"

namespace engine {

// The loaded units as the editor commands see them, over the loader's ProgramList (which
// outlives this object). A name is reduced to a unit name as ProgramList::FindProgram does.
// Called on the thread that polls the editor commands: the scan thread between passes, or the
// GUI thread before the scan thread runs. The list itself changes only while scheduling is
// paused; the run state and elapsed time are atomics shared with the scheduler.
class UnitEditorTargets final : public shell::UnitTargets {
public:
    explicit UnitEditorTargets(const ProgramList& programs) : m_programs(programs) {}

    std::optional<shell::UnitSnapshot> FindUnit(std::string_view name) const override;
    bool SetUnitRunState(std::string_view name, std::int32_t runState) override;
    std::vector<shell::UnitListEntry> LoadedUnits() const override;

private:
    const ProgramList& m_programs;
};

} // namespace engine
