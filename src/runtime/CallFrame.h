// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include "platform/CpuEngine.h"
#include "runtime/CallLayout.h"
#include "runtime/FunctionSpec.h"
#include "runtime/GuestValues.h"
#include "runtime/Services.h"

namespace runtime {

// One call of a runtime function from unit code, as its implementation sees it: the arguments
// by parameter index as natural values, read from the registers and the guest stack of the
// interrupted code by the function's layout, and the result, written back where the calling
// contract wants it. Lives on the host stack for the length of one call on the calling thread.
class CallFrame {
public:
    CallFrame(platform::CpuEngine& cpu, const FunctionSpec& spec, const CallLayout& layout,
              const Services& services);

    platform::CpuEngine& Cpu() const { return m_cpu; }
    GuestMemory& Memory() const { return m_memory; }
    const FunctionSpec& Spec() const { return m_spec; }
    const Services& Subsystems() const { return m_services; }

    // Arguments by parameter index (0 = first declared parameter). A value whose place cannot be
    // read (the guest stack pointer is bad) reads as 0 / empty.
    std::int32_t Integer(std::size_t index) const;
    bool Boolean(std::size_t index) const;
    std::uint8_t Byte(std::size_t index) const;
    std::uint16_t Word(std::size_t index) const;
    long double Real(std::size_t index) const;
    double Double(std::size_t index) const;
    float Single(std::size_t index) const;
    ShortString String(std::size_t index) const;
    StringRef StringReference(std::size_t index) const;
    BitRef Bit(std::size_t index) const;
    ValueListRef ValueList(std::size_t index) const;
    UntypedRef Untyped(std::size_t index) const;
    template <typename T> Ref<T> Reference(std::size_t index) const {
        return Ref<T>(m_memory, Word32(m_layout.parameters.at(index).value));
    }

    // Results: integers in EAX (a Boolean or Byte in AL, a Word in AX, the rest of EAX cleared),
    // reals where the call stub loads them onto the x87 stack, a String into the caller's buffer.
    void ReturnInteger(std::int32_t value);
    void ReturnBoolean(bool value) { ReturnInteger(value ? 1 : 0); }
    void ReturnByte(std::uint8_t value) { ReturnInteger(value); }
    void ReturnWord(std::uint16_t value) { ReturnInteger(value); }
    void ReturnReal(long double value);
    void ReturnDouble(double value);
    void ReturnSingle(float value);
    void ReturnString(const ShortString& value);
    // The result type's default: 0, false, 0.0 or the empty String.
    void ReturnDefault();

    // The raw 32-bit word at an argument place.
    std::uint32_t Word32(const ArgumentLocation& location) const;

private:
    GuestAddress StackAddress(const ArgumentLocation& location) const;
    // Where the call stub picks a real result up: 12 bytes below the return address.
    GuestAddress RealResultAddress() const;

    platform::CpuEngine& m_cpu;
    GuestMemory& m_memory;
    const FunctionSpec& m_spec;
    const CallLayout& m_layout;
    const Services& m_services;
    std::uint32_t m_esp;
};

} // namespace runtime
