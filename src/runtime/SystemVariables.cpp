// Quorva run-time. Licensed under the MIT licence.

#include "runtime/SystemVariables.h"

#include "platform/Extended.h"
#include "platform/Log.h"

#include <algorithm>
#include <fmt/format.h>

namespace runtime {

using engine::TypeCode;
using platform::GuestAddress;

namespace {

// Cells of 4 bytes or more start on a 4-byte boundary, Reals on a 16-byte one.
std::uint32_t CellAlignment(TypeCode type) {
    const std::uint32_t size = CellSize(type);
    if (size >= 16)
        return type == TypeCode::String ? 4 : 16;
    return size;
}

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace

platform::Result<std::unique_ptr<SystemVariables>>
SystemVariables::Create(platform::GuestMemory& memory, const SystemVariableStart& start) {
    const std::span<const SystemVariableSpec> specs = SystemVariableSpecs();
    std::array<std::uint32_t, SystemVariableCount> offsets{};
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        size = AlignUp(size, CellAlignment(specs[i].type));
        offsets[i] = size;
        size += CellSize(specs[i].type);
    }
    // The cells start on a page of their own, after the helper code and the call stubs: unit
    // code writes some of them, and the emulator checks every store to a page that holds
    // translated code for self-modifying code, about ten times slower than a plain store.
    const std::optional<GuestAddress> base =
        memory.AllocateRuntime(size, platform::guest::kPageSize);
    if (!base)
        return platform::Fail(
            fmt::format("system variables: no guest memory for {} bytes of cells", size));

    std::array<GuestAddress, SystemVariableCount> addresses{};
    for (std::size_t i = 0; i < specs.size(); ++i)
        addresses[i] = *base + offsets[i];
    std::unique_ptr<SystemVariables> variables(new SystemVariables(memory, addresses));

    // The runtime area comes zero-filled: Real and String cells start at 0 and empty.
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const auto id = static_cast<SystemVariableId>(i);
        switch (specs[i].type) {
        case TypeCode::Integer:
            variables->SetInteger(id, specs[i].initial);
            break;
        case TypeCode::Boolean:
            variables->SetBoolean(id, specs[i].initial != 0);
            break;
        case TypeCode::Byte:
            variables->SetByte(id, static_cast<std::uint8_t>(specs[i].initial));
            break;
        case TypeCode::Word:
            variables->SetWord(id, static_cast<std::uint16_t>(specs[i].initial));
            break;
        default:
            break;
        }
    }
    variables->SetInteger(SystemVariableId::NUMLANG, start.languageNumber);
    variables->SetBoolean(SystemVariableId::DOTRANSLATE, start.translationOn);
    return variables;
}

SystemVariables::SystemVariables(platform::GuestMemory& memory,
                                 const std::array<GuestAddress, SystemVariableCount>& addresses)
    : m_memory(memory), m_addresses(addresses) {}

bool SystemVariables::CheckType(SystemVariableId id, TypeCode type) const {
    const SystemVariableSpec& spec = SystemVariableSpecOf(id);
    if (spec.type == type)
        return true;
    platform::LogError("system variable {} has type code {}, accessed as type code {}", spec.name,
                       engine::ToByte(spec.type), engine::ToByte(type));
    return false;
}

void SystemVariables::ReportWriteFailure(SystemVariableId id) const {
    platform::LogError("system variable {}: cell {:#x} not writable", SystemVariableSpecOf(id).name,
                       Address(id));
}

std::byte* SystemVariables::HostCell(SystemVariableId id) const {
    return m_memory.Translate(Address(id), CellSize(SystemVariableSpecOf(id).type));
}

std::int32_t SystemVariables::Integer(SystemVariableId id) const {
    if (!CheckType(id, TypeCode::Integer))
        return 0;
    return m_memory.Read<std::int32_t>(Address(id)).value_or(0);
}

void SystemVariables::SetInteger(SystemVariableId id, std::int32_t value) {
    if (CheckType(id, TypeCode::Integer) && !m_memory.Write<std::int32_t>(Address(id), value))
        ReportWriteFailure(id);
}

bool SystemVariables::Boolean(SystemVariableId id) const {
    if (!CheckType(id, TypeCode::Boolean))
        return false;
    return m_memory.Read<std::uint8_t>(Address(id)).value_or(0) != 0;
}

void SystemVariables::SetBoolean(SystemVariableId id, bool value) {
    if (CheckType(id, TypeCode::Boolean) &&
        !m_memory.Write<std::uint8_t>(Address(id), value ? 1 : 0))
        ReportWriteFailure(id);
}

std::uint8_t SystemVariables::Byte(SystemVariableId id) const {
    if (!CheckType(id, TypeCode::Byte))
        return 0;
    return m_memory.Read<std::uint8_t>(Address(id)).value_or(0);
}

void SystemVariables::SetByte(SystemVariableId id, std::uint8_t value) {
    if (CheckType(id, TypeCode::Byte) && !m_memory.Write<std::uint8_t>(Address(id), value))
        ReportWriteFailure(id);
}

std::uint16_t SystemVariables::Word(SystemVariableId id) const {
    if (!CheckType(id, TypeCode::Word))
        return 0;
    return m_memory.Read<std::uint16_t>(Address(id)).value_or(0);
}

void SystemVariables::SetWord(SystemVariableId id, std::uint16_t value) {
    if (CheckType(id, TypeCode::Word) && !m_memory.Write<std::uint16_t>(Address(id), value))
        ReportWriteFailure(id);
}

long double SystemVariables::Real(SystemVariableId id) const {
    if (!CheckType(id, TypeCode::Real))
        return 0;
    const std::byte* host = m_memory.Translate(Address(id), platform::kExtendedSize);
    return host ? platform::FromExtended(host) : 0;
}

void SystemVariables::SetReal(SystemVariableId id, long double value) {
    if (!CheckType(id, TypeCode::Real))
        return;
    const platform::ExtendedBytes bytes = platform::ToExtended(value);
    if (!m_memory.WriteBytes(Address(id), bytes.data(), platform::kExtendedSize))
        ReportWriteFailure(id);
}

std::string SystemVariables::String(SystemVariableId id) const {
    std::array<char, 256> cell{};
    if (!CheckType(id, TypeCode::String) || !m_memory.ReadBytes(Address(id), cell.data(), 256))
        return {};
    const auto length = static_cast<unsigned char>(cell[0]);
    return std::string(cell.data() + 1, length);
}

void SystemVariables::SetString(SystemVariableId id, std::string_view value) {
    if (!CheckType(id, TypeCode::String))
        return;
    const std::size_t length = std::min<std::size_t>(value.size(), 255);
    std::array<char, 256> cell{};
    cell[0] = static_cast<char>(length);
    std::copy_n(value.data(), length, cell.data() + 1);
    if (!m_memory.WriteBytes(Address(id), cell.data(), static_cast<std::uint32_t>(length + 1)))
        ReportWriteFailure(id);
}

} // namespace runtime
