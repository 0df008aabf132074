// Quorva run-time. Licensed under the MIT licence.
#include "runtime/CallFrame.h"

#include <cstring>

namespace runtime {

using platform::X86Register;

CallFrame::CallFrame(platform::CpuEngine& cpu, const FunctionSpec& spec, const CallLayout& layout,
                     const Services& services)
    : m_cpu(cpu), m_memory(cpu.Memory()), m_spec(spec), m_layout(layout), m_services(services),
      m_esp(cpu.Get(X86Register::Esp)) {}

GuestAddress CallFrame::StackAddress(const ArgumentLocation& location) const {
    return m_esp + location.stackOffset;
}

std::uint32_t CallFrame::Word32(const ArgumentLocation& location) const {
    switch (location.place) {
    case ArgumentLocation::Place::Eax:
        return m_cpu.Get(X86Register::Eax);
    case ArgumentLocation::Place::Edx:
        return m_cpu.Get(X86Register::Edx);
    case ArgumentLocation::Place::Ecx:
        return m_cpu.Get(X86Register::Ecx);
    case ArgumentLocation::Place::Stack:
        break;
    }
    return m_memory.Read<std::uint32_t>(StackAddress(location)).value_or(0);
}

std::int32_t CallFrame::Integer(std::size_t index) const {
    return static_cast<std::int32_t>(Word32(m_layout.parameters.at(index).value));
}

bool CallFrame::Boolean(std::size_t index) const {
    return (Word32(m_layout.parameters.at(index).value) & 0xFF) != 0;
}

std::uint8_t CallFrame::Byte(std::size_t index) const {
    return static_cast<std::uint8_t>(Word32(m_layout.parameters.at(index).value));
}

std::uint16_t CallFrame::Word(std::size_t index) const {
    return static_cast<std::uint16_t>(Word32(m_layout.parameters.at(index).value));
}

long double CallFrame::Real(std::size_t index) const {
    const std::byte* host =
        m_memory.Translate(StackAddress(m_layout.parameters.at(index).value), 10);
    return host ? platform::FromExtended(host) : 0.0L;
}

double CallFrame::Double(std::size_t index) const {
    return m_memory.Read<double>(StackAddress(m_layout.parameters.at(index).value)).value_or(0.0);
}

float CallFrame::Single(std::size_t index) const {
    return m_memory.Read<float>(StackAddress(m_layout.parameters.at(index).value)).value_or(0.0f);
}

ShortString CallFrame::String(std::size_t index) const {
    return ReadGuestString(m_memory, Word32(m_layout.parameters.at(index).value));
}

StringRef CallFrame::StringReference(std::size_t index) const {
    const ParameterLayout& parameter = m_layout.parameters.at(index);
    std::int32_t highest = parameter.hidden ? static_cast<std::int32_t>(Word32(*parameter.hidden))
                                            : 255;
    return StringRef(m_memory, Word32(parameter.value), highest);
}

BitRef CallFrame::Bit(std::size_t index) const {
    const ParameterLayout& parameter = m_layout.parameters.at(index);
    std::int32_t bit = parameter.hidden ? static_cast<std::int32_t>(Word32(*parameter.hidden)) : 0;
    return BitRef(m_memory, Word32(parameter.value), bit);
}

ValueListRef CallFrame::ValueList(std::size_t index) const {
    const ParameterLayout& parameter = m_layout.parameters.at(index);
    std::int32_t last = parameter.hidden ? static_cast<std::int32_t>(Word32(*parameter.hidden)) : -1;
    return ValueListRef(m_memory, Word32(parameter.value), last);
}

UntypedRef CallFrame::Untyped(std::size_t index) const {
    return UntypedRef{Word32(m_layout.parameters.at(index).value)};
}

void CallFrame::ReturnInteger(std::int32_t value) {
    std::uint32_t word = static_cast<std::uint32_t>(value);
    switch (m_spec.result) {
    case engine::TypeCode::Boolean:
    case engine::TypeCode::Boolean6:
    case engine::TypeCode::Byte:
        word &= 0xFF;
        break;
    case engine::TypeCode::Word:
        word &= 0xFFFF;
        break;
    default:
        break;
    }
    m_cpu.Set(X86Register::Eax, word);
}

GuestAddress CallFrame::RealResultAddress() const { return m_esp - 12; }

void CallFrame::ReturnReal(long double value) {
    const platform::ExtendedBytes bytes = platform::ToExtended(value);
    m_memory.WriteBytes(RealResultAddress(), bytes.data(), platform::kExtendedSize);
}

void CallFrame::ReturnDouble(double value) { m_memory.Write<double>(RealResultAddress(), value); }

void CallFrame::ReturnSingle(float value) { m_memory.Write<float>(RealResultAddress(), value); }

void CallFrame::ReturnString(const ShortString& value) {
    if (m_layout.resultBuffer)
        WriteGuestString(m_memory, Word32(*m_layout.resultBuffer), value);
}

void CallFrame::ReturnDefault() {
    switch (m_spec.result) {
    case engine::TypeCode::Real:
    case engine::TypeCode::RealValue:
        ReturnReal(0.0L);
        break;
    case engine::TypeCode::Double:
        ReturnDouble(0.0);
        break;
    case engine::TypeCode::Single:
        ReturnSingle(0.0f);
        break;
    case engine::TypeCode::String:
    case engine::TypeCode::StringLiteral:
        ReturnString(ShortString());
        break;
    case engine::TypeCode::None:
        break;
    default:
        ReturnInteger(0);
        break;
    }
}

} // namespace runtime
