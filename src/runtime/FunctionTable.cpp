// Quorva run-time. Licensed under the MIT licence.

#include "runtime/FunctionTable.h"

#include "platform/Log.h"
#include "runtime/SystemFunctionSpecs.h"
#include "runtime/SystemHelperSpecs.h"
#include "runtime/SystemVariableSpecs.h"
#include "runtime/SystemVariables.h"

#include <fmt/format.h>
#include <limits>
#include <utility>

namespace runtime {

using platform::Fail;
using platform::GuestAddress;
using platform::Status;

FunctionTable::FunctionTable(engine::FunctionCollection& functions,
                             engine::VariableCollection& variables)
    : m_functions(functions), m_variables(variables) {}

Status FunctionTable::CheckName(std::string_view name) const {
    if (EntryCellsCreated())
        return Fail(fmt::format("runtime function table: \"{}\" registered after the entry cells "
                                "were created",
                                name));
    if (name.empty())
        return Fail("runtime function table: a row without a name");
    if (name.find(' ') != std::string_view::npos)
        return Fail(fmt::format(
            "runtime function table: \"{}\" holds a blank and could never be looked up", name));
    return {};
}

void FunctionTable::AddRow(std::string name, engine::FunctionKind kind, engine::TypeCode result,
                           const FunctionSpec* spec, GuestAddress entry) {
    const std::size_t item = m_functions.AddFunction(name, entry, engine::SystemUnitName);
    m_rows.push_back(
        FunctionTableRow{m_functions.At(item).name, kind, result, spec, entry, 0, item});
}

Status FunctionTable::RegisterHelper(std::string_view name, engine::FunctionKind kind,
                                     GuestAddress entry, engine::TypeCode resultType) {
    if (Status status = CheckName(name); !status)
        return status;
    AddRow(std::string(name), kind, resultType, nullptr, entry);
    return {};
}

Status FunctionTable::RegisterFunction(const FunctionSpec& spec, GuestAddress entry) {
    if (Status status = CheckName(spec.name); !status)
        return status;
    AddRow(std::string(spec.name), spec.kind, spec.result, &spec, entry);
    return {};
}

Status FunctionTable::RegisterVariable(std::string_view name, engine::TypeCode type,
                                       GuestAddress cellAddress) {
    if (name.empty() || name.find(' ') != std::string_view::npos)
        return Fail(fmt::format("runtime function table: bad system variable name \"{}\"", name));
    if (cellAddress == 0)
        return Fail(fmt::format("runtime function table: system variable {} has no cell", name));
    engine::TVarRun variable;
    variable.name = std::string(name);
    variable.type = type;
    variable.address = cellAddress;
    variable.elementType = engine::TypeCode::None;
    variable.unit = std::string(engine::SystemUnitName);
    m_variables.AddVariable(std::move(variable));
    return {};
}

Status FunctionTable::RegisterSystemFunctions(const HelperEntry& helperEntry,
                                              const FunctionEntry& functionEntry) {
    if (!m_rows.empty())
        return Fail("runtime function table: the system rows go into an empty table");
    for (const HelperSpec& helper : SystemHelperSpecs()) {
        if (Status status =
                RegisterHelper(helper.name, helper.kind, helperEntry(helper), helper.result);
            !status)
            return status;
    }
    for (const FunctionSpec& spec : SystemFunctionSpecs()) {
        GuestAddress entry = 0;
        if (!spec.sharesEntryOf.empty()) {
            const std::optional<std::size_t> shared = FindRow(spec.sharesEntryOf);
            if (!shared)
                return Fail(fmt::format("runtime function table: {} shares the entry of {}, "
                                        "which is not registered before it",
                                        spec.name, spec.sharesEntryOf));
            entry = m_rows[*shared].entry;
        } else {
            entry = functionEntry(spec, m_rows.size());
        }
        if (Status status = RegisterFunction(spec, entry); !status)
            return status;
    }
    return {};
}

Status FunctionTable::RegisterSystemVariables(const SystemVariables& variables) {
    for (std::size_t i = 0; i < SystemVariableCount; ++i) {
        const auto id = static_cast<SystemVariableId>(i);
        const SystemVariableSpec& spec = SystemVariableSpecOf(id);
        if (Status status = RegisterVariable(spec.name, spec.type, variables.Address(id)); !status)
            return status;
    }
    return {};
}

Status FunctionTable::CreateEntryCells(platform::GuestMemory& memory) {
    if (EntryCellsCreated())
        return Fail("runtime function table: the entry cells exist already");
    if (m_rows.empty())
        return Fail("runtime function table: no rows to give entry cells");
    if (m_rows.size() > std::numeric_limits<std::uint32_t>::max() / 4)
        return Fail("runtime function table: too many rows");
    // Every row's item must still be where registration put it before anything is changed.
    for (const FunctionTableRow& row : m_rows) {
        if (row.itemIndex >= m_functions.Size() || m_functions.At(row.itemIndex).name != row.name ||
            m_functions.At(row.itemIndex).unit != engine::SystemUnitName)
            return Fail(fmt::format("runtime function table: the item of {} left the function "
                                    "collection before the entry cells were made",
                                    row.name));
    }
    const auto size = static_cast<std::uint32_t>(m_rows.size() * 4);
    const std::optional<GuestAddress> base = memory.AllocateRuntime(size, 4);
    if (!base)
        return Fail(fmt::format("runtime function table: no guest memory for {} entry cells",
                                m_rows.size()));
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const GuestAddress cell = *base + static_cast<GuestAddress>(i * 4);
        if (!memory.Write<std::uint32_t>(cell, m_rows[i].entry))
            return Fail(
                fmt::format("runtime function table: entry cell {:#x} is not writable", cell));
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        FunctionTableRow& row = m_rows[i];
        row.cell = *base + static_cast<GuestAddress>(i * 4);
        m_functions.At(row.itemIndex).address = row.cell;
    }
    m_cellBase = *base;
    platform::LogDebug("runtime function table: {} entry cells at {:#x}", m_rows.size(), *base);
    return {};
}

std::optional<std::size_t> FunctionTable::FindRow(std::string_view name) const {
    const std::string upper = engine::UpperAscii(name);
    for (std::size_t i = m_rows.size(); i-- > 0;) {
        if (m_rows[i].name == upper)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> FunctionTable::RowOfCell(GuestAddress cell) const {
    if (!EntryCellsCreated() || cell < m_cellBase || (cell - m_cellBase) % 4 != 0)
        return std::nullopt;
    const std::size_t index = (cell - m_cellBase) / 4;
    if (index >= m_rows.size())
        return std::nullopt;
    return index;
}

} // namespace runtime
