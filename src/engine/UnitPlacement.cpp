// Quorva run-time. Licensed under the MIT licence.
// Placing a unit: memory, variables and entry cells, the units it uses, the code and its
// fix-ups, and the start.
#include "engine/Loader.h"
#include "platform/Log.h"
#include "platform/PathMap.h"

#include <algorithm>
#include <filesystem>

namespace engine {

namespace {

constexpr std::string_view kGlobalUnitName = "MVARGLOB";
constexpr std::uint64_t kPage = platform::guest::kPageSize;

std::uint64_t RoundUpToPage(std::uint64_t value) {
    return (value + kPage - 1) / kPage * kPage;
}

} // namespace

Loader::LoadOutcome Loader::PlaceAndLink(const QruModule& module, const std::string& directory,
                                         const std::string& name) {
    Placement placement;
    if (!AllocateMemory(module, name, placement))
        return LoadOutcome::Done;

    const bool mapping = m_debugSession && m_context.debugMap != nullptr;
    if (mapping)
        m_context.debugMap->Begin(directory.empty() ? name : directory + "\\" + name,
                                  placement.codeBase);
    PlaceVariables(module, name, placement);
    if (mapping)
        m_context.debugMap->End();
    PlaceFunctions(module, name, placement);

    switch (LoadUses(module, directory, name)) {
    case UsesOutcome::Failed:
        DiscardFailedUnit(name, placement);
        return LoadOutcome::Done;
    case UsesOutcome::Reload:
        DiscardFailedUnit(name, placement);
        return LoadOutcome::Reload;
    case UsesOutcome::Loaded:
        break;
    }

    LinkCode(module, placement);
    if (!m_loadError.empty()) {
        DiscardFailedUnit(name, placement);
        return LoadOutcome::Done;
    }
    StartUnit(module, name, placement);
    return LoadOutcome::Done;
}

bool Loader::AllocateMemory(const QruModule& module, const std::string& name,
                            Placement& placement) {
    const auto dataSize = static_cast<std::uint64_t>(std::max(module.header.dataSize, 0));
    const auto codeSize = static_cast<std::uint64_t>(module.code.size());
    const bool global = name == kGlobalUnitName;

    // The code starts on a page of its own and fills its pages up to the end, so that neither
    // this unit's data nor the next block shares a page with it.
    std::uint64_t total = global ? 0 : dataSize;
    if (codeSize > 0)
        total += (kPage - 1) + RoundUpToPage(codeSize);
    if (total > platform::guest::kHeapSize) {
        SetLoadError(fmt::format("Out of Memory {} ({} bytes)", name, total));
        return false;
    }
    if (total > 0 || !global) {
        std::optional<platform::GuestAddress> block =
            m_context.memory.Allocate(static_cast<std::uint32_t>(total));
        if (!block) {
            SetLoadError(fmt::format("Out of Memory {} ({} bytes)", name, total));
            return false;
        }
        placement.block = *block;
    }
    placement.dataBase = global ? platform::guest::kGlobalBase + 1 : placement.block;
    if (codeSize > 0) {
        const std::uint64_t codeStart = global ? placement.block : placement.block + dataSize;
        placement.codeBase = static_cast<platform::GuestAddress>(RoundUpToPage(codeStart));
    }
    return true;
}

void Loader::PlaceVariables(const QruModule& module, const std::string& name,
                            Placement& placement) {
    const bool mapping = m_debugSession && m_context.debugMap != nullptr;
    const bool initialise = name != kGlobalUnitName || m_standaloneRun;
    platform::GuestAddress at = placement.dataBase;
    for (const QruVariable& variable : module.variables) {
        if (variable.exported) {
            TVarRun item;
            item.name = variable.name;
            item.type = static_cast<TypeCode>(variable.type);
            item.address = at;
            item.lowBound = variable.low;
            item.highBound = variable.high;
            item.elementType = static_cast<TypeCode>(variable.elementType);
            item.elementSize = variable.elementSize;
            item.unit = name;
            m_context.variables.AddVariable(std::move(item));
        } else {
            placement.localVariables.emplace(variable.name, at);
        }
        if (mapping)
            m_context.debugMap->AddVariable(variable, at);
        if (variable.type == ToByte(TypeCode::IntegerLiteral))
            continue; // held in the code; takes no room
        if (initialise)
            ApplyInitialValue(variable, at);
        at += static_cast<std::uint32_t>(variable.size);
    }
    placement.cellsBase = at; // the entry cells follow the variables
}

void Loader::PlaceFunctions(const QruModule& module, const std::string& name,
                            Placement& placement) {
    platform::GuestAddress at = placement.cellsBase;
    for (const QruFunction& function : module.functions) {
        platform::GuestAddress entry = 0;
        if (function.IsExternal()) {
            std::string error;
            std::optional<platform::GuestAddress> bound;
            if (m_context.externals != nullptr)
                bound = m_context.externals->Resolve(function.dllName, function.entryName, error);
            else
                error = function.dllName + " Not Found [no Linux implementation of this library]";
            if (bound)
                entry = *bound;
            else if (m_loadError.empty() && !error.empty())
                SetLoadError(std::move(error));
        } else {
            entry = placement.codeBase + static_cast<std::uint32_t>(function.codeOffset);
        }
        m_context.memory.Write<std::uint32_t>(at, entry);
        if (function.exported)
            m_context.functions.AddFunction(function.name, at, name);
        else
            placement.localFunctions.emplace(UpperAscii(function.name), at);
        at += 4;
    }
}

Loader::UsesOutcome Loader::LoadUses(const QruModule& module, const std::string& directory,
                                     const std::string& name) {
    for (const std::string& used : module.uses) {
        const std::string unit = UpperAscii(used);
        if (unit == name)
            continue;
        const std::string path = (directory.empty() ? "" : directory + "\\") + unit + ".QRU";
        if (const TProgRun* loaded = FindProgram(unit)) {
            std::error_code ignored;
            if (std::filesystem::exists(platform::HostPath(path), ignored)) {
                const double stamp = ReadUnitStamp(path);
                if (stamp != 0 && stamp != loaded->stamp) {
                    platform::LogInfo("loader: {} changed on disk; reloading the units", path);
                    return UsesOutcome::Reload;
                }
            }
        } else if (m_loadError.empty()) {
            LoadUnit(path);
            m_currentUnitName = name;
            if (!m_loadError.empty())
                return UsesOutcome::Failed;
        }
    }
    return UsesOutcome::Loaded;
}

void Loader::LinkCode(const QruModule& module, const Placement& placement) {
    if (module.code.empty())
        return;
    platform::GuestMemory& memory = m_context.memory;
    const auto codeSize = static_cast<std::uint32_t>(module.code.size());
    memory.WriteBytes(placement.codeBase, module.code.data(), codeSize);

    for (const QruVariableFixup& fixup : module.variableFixups) {
        std::optional<platform::GuestAddress> address;
        if (auto own = placement.localVariables.find(fixup.name);
            own != placement.localVariables.end())
            address = own->second;
        else if (const TVarRun* item = m_context.variables.FindVariable(fixup.name))
            address = item->address;
        if (!address) {
            SetLoadError("Variable Not Found " + fixup.name);
            continue;
        }
        memory.Write<std::uint32_t>(placement.codeBase + static_cast<std::uint32_t>(fixup.site),
                                    *address + static_cast<std::uint32_t>(fixup.addend));
    }
    for (const QruFunctionFixup& fixup : module.functionFixups) {
        const std::string upper = UpperAscii(fixup.name);
        std::optional<platform::GuestAddress> cell;
        if (const TFuncRun* item = m_context.functions.FindFunction(upper))
            cell = item->address;
        else if (auto own = placement.localFunctions.find(upper);
                 own != placement.localFunctions.end())
            cell = own->second;
        if (!cell) {
            SetLoadError("Function Not Found " + fixup.name);
            continue;
        }
        memory.Write<std::uint32_t>(placement.codeBase + static_cast<std::uint32_t>(fixup.site),
                                    *cell);
    }
    memory.InvalidateCode(placement.codeBase, codeSize);
}

void Loader::StartUnit(const QruModule& module, const std::string& name,
                       const Placement& placement) {
    auto unit = std::make_unique<TProgRun>();
    unit->name = name;
    unit->stamp = module.header.stamp;
    auto entry = [&](std::int32_t offset) -> std::optional<platform::GuestAddress> {
        if (offset < 0)
            return std::nullopt;
        return placement.codeBase + static_cast<std::uint32_t>(offset);
    };
    unit->initEntry = entry(module.initEntry);
    unit->mainEntry = entry(module.mainEntry);
    unit->exitEntry = entry(module.exitEntry);
    unit->codeBase = placement.codeBase;
    unit->codeSize = static_cast<std::int32_t>(module.code.size());
    unit->dataBase = placement.dataBase;
    unit->dataSize = module.header.dataSize;
    unit->block = placement.block;
    for (const std::string& used : module.uses)
        unit->uses.push_back(UpperAscii(used));
    unit->nonCyclic = module.nonCyclic;
    unit->spareFlag = module.spareFlag;
    unit->period = std::max(module.period, 1);

    TProgRun* started = unit.get();
    m_context.programs.Programs().push_back(std::move(unit));
    auto& cyclic = m_context.programs.Cyclic();
    cyclic.erase(std::remove_if(cyclic.begin(), cyclic.end(),
                                [&](const TProgRun* other) { return other->name == name; }),
                 cyclic.end());
    if (!started->nonCyclic)
        cyclic.push_back(started);
    platform::LogInfo("loader: unit {} loaded (code at {:#010x}, data at {:#010x})", name,
                      started->codeBase, started->dataBase);

    // A unit whose start faults stays loaded but held, so that nothing runs it again until
    // it is restarted; the fault is in the log.
    bool healthy = true;
    if (started->initEntry)
        healthy = CallEntry(name, "init", *started->initEntry);
    if (healthy && started->nonCyclic && started->mainEntry)
        healthy = CallEntry(name, "main", *started->mainEntry);
    if (!healthy) {
        started->runState = RunState::Held;
        platform::LogError("loader: unit {} is held after a fault in its start", name);
    }
}

void Loader::DiscardFailedUnit(const std::string& name, const Placement& placement) {
    m_context.functions.RemoveUnit(name);
    m_context.variables.RemoveUnit(name);
    if (placement.block != 0)
        m_context.memory.Free(placement.block);
}

} // namespace engine
