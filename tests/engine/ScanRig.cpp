// Quorva run-time. Licensed under the MIT licence.
#include "ScanRig.h"

#include "engine/QruReader.h"
#include "runtime/SystemVariables.h"
#include "runtime/TaskFunctions.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <variant>

namespace testsupport {

std::filesystem::path ScanUnitFile(std::string_view fileName) {
    return std::filesystem::path(QUORVA_SCAN_UNITS) / fileName;
}

platform::Result<std::unique_ptr<ScanRig>> ScanRig::Create() {
    std::unique_ptr<ScanRig> rig(new ScanRig());
    if (platform::Status built = rig->BuildLibrary({&runtime::AddTaskFunctions}); !built)
        return platform::Fail(built.Error());
    runtime::SystemVariables& cells = rig->library->Variables();
    using runtime::SystemVariableId;
    const engine::ScanVariables scanCells{
        cells.HostCell(SystemVariableId::BT_10), cells.HostCell(SystemVariableId::BT_100),
        cells.HostCell(SystemVariableId::START_PROG), cells.HostCell(SystemVariableId::END_PROG)};
    rig->scheduler = std::make_unique<engine::Scheduler>(rig->programs, scanCells, rig->clock);
    rig->services.scheduler = rig->scheduler.get();
    rig->services.systemVariables = &cells;
    rig->library->Dispatcher().SetServices(&rig->services);
    auto cpu = platform::CpuEngine::Create(*rig->memory);
    if (!cpu)
        return platform::Fail(cpu.Error());
    rig->cpu = std::move(cpu.Value());
    return rig;
}

platform::Result<engine::TProgRun*> ScanRig::AddUnit(std::string_view name,
                                                     const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return platform::Fail("cannot read " + file.string());
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto read = engine::ReadQruModule(bytes);
    if (auto* error = std::get_if<engine::QruError>(&read))
        return platform::Fail(error->message);
    const engine::QruModule& module = std::get<engine::QruModule>(read);

    const auto dataSize = static_cast<std::uint32_t>(module.header.dataSize);
    const auto codeSize = static_cast<std::uint32_t>(module.code.size());
    std::optional<platform::GuestAddress> block = memory->Allocate(dataSize + codeSize);
    if (!block)
        return platform::Fail("no room for the unit");
    const platform::GuestAddress code = *block + dataSize;
    memory->WriteBytes(code, module.code.data(), codeSize);

    Placed placed;
    platform::GuestAddress at = *block;
    for (const engine::QruVariable& variable : module.variables) {
        placed.variables[variable.name] = at;
        if (variable.type != 1)
            at += static_cast<std::uint32_t>(variable.size);
    }
    std::map<std::string, platform::GuestAddress> cells;
    for (const engine::QruFunction& function : module.functions) {
        const platform::GuestAddress entry = code + static_cast<std::uint32_t>(function.codeOffset);
        memory->Write<std::uint32_t>(at, entry);
        cells[function.name] = at;
        placed.entries[function.name] = entry;
        at += 4;
    }
    for (const engine::QruVariableFixup& fixup : module.variableFixups) {
        platform::GuestAddress target = 0;
        if (auto own = placed.variables.find(fixup.name); own != placed.variables.end())
            target = own->second;
        else if (const engine::TVarRun* item = variables.FindVariable(fixup.name))
            target = item->address;
        else
            return platform::Fail("variable not found: " + fixup.name);
        memory->Write<std::uint32_t>(code + static_cast<std::uint32_t>(fixup.site),
                                     target + static_cast<std::uint32_t>(fixup.addend));
    }
    for (const engine::QruFunctionFixup& fixup : module.functionFixups) {
        platform::GuestAddress cell = 0;
        if (auto own = cells.find(fixup.name); own != cells.end())
            cell = own->second;
        else if (const engine::TFuncRun* item = functions.FindFunction(fixup.name))
            cell = item->address;
        else
            return platform::Fail("function not found: " + fixup.name);
        memory->Write<std::uint32_t>(code + static_cast<std::uint32_t>(fixup.site), cell);
    }
    memory->InvalidateCode(code, codeSize);

    auto unit = std::make_unique<engine::TProgRun>();
    unit->name = engine::ProgramList::UnitNameOf(name);
    unit->codeBase = code;
    unit->codeSize = static_cast<std::int32_t>(codeSize);
    unit->dataBase = *block;
    unit->dataSize = static_cast<std::int32_t>(dataSize);
    unit->block = *block;
    unit->nonCyclic = module.nonCyclic;
    unit->period.store(std::max(module.period, std::int32_t{1}));
    if (module.mainEntry >= 0)
        unit->mainEntry = code + static_cast<std::uint32_t>(module.mainEntry);
    engine::TProgRun* record = unit.get();
    m_placed[record->name] = std::move(placed);
    programs.Programs().push_back(std::move(unit));
    if (!record->nonCyclic)
        programs.Cyclic().push_back(record);
    return record;
}

platform::GuestAddress ScanRig::VariableAddress(std::string_view unit,
                                                std::string_view variable) const {
    auto placed = m_placed.find(unit);
    if (placed == m_placed.end())
        return 0;
    auto found = placed->second.variables.find(std::string(variable));
    return found == placed->second.variables.end() ? 0 : found->second;
}

platform::GuestAddress ScanRig::EntryOf(std::string_view unit, std::string_view function) const {
    auto placed = m_placed.find(unit);
    if (placed == m_placed.end())
        return 0;
    auto found = placed->second.entries.find(std::string(function));
    return found == placed->second.entries.end() ? 0 : found->second;
}

std::int32_t ScanRig::Read(std::string_view unit, std::string_view variable) const {
    const platform::GuestAddress address = VariableAddress(unit, variable);
    return address ? memory->Read<std::int32_t>(address).value_or(0) : 0;
}

void ScanRig::Write(std::string_view unit, std::string_view variable, std::int32_t value) {
    if (const platform::GuestAddress address = VariableAddress(unit, variable))
        memory->Write<std::int32_t>(address, value);
}

} // namespace testsupport
