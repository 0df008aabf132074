// Quorva run-time. Licensed under the MIT licence.
#include "platform/CpuEngine.h"
#include "platform/Extended.h"

#include <cstring>
#include <unicorn/unicorn.h>

namespace platform {

namespace {

// x87 control word of unit code: 64-bit precision, round to nearest, every exception masked.
constexpr std::uint16_t kInitialFpuControl = 0x037F;
constexpr std::uint16_t kAllTagsEmpty = 0xFFFF;

int UnicornRegister(X86Register reg) {
    switch (reg) {
    case X86Register::Eax:
        return UC_X86_REG_EAX;
    case X86Register::Ebx:
        return UC_X86_REG_EBX;
    case X86Register::Ecx:
        return UC_X86_REG_ECX;
    case X86Register::Edx:
        return UC_X86_REG_EDX;
    case X86Register::Esi:
        return UC_X86_REG_ESI;
    case X86Register::Edi:
        return UC_X86_REG_EDI;
    case X86Register::Ebp:
        return UC_X86_REG_EBP;
    case X86Register::Esp:
        return UC_X86_REG_ESP;
    case X86Register::Eip:
        return UC_X86_REG_EIP;
    case X86Register::Eflags:
        return UC_X86_REG_EFLAGS;
    }
    return UC_X86_REG_INVALID;
}

// The x87 status and tag words; tags are kept per physical register, ST(i) is register
// (TOP + i) mod 8.
struct X87State {
    std::uint32_t top;
    std::uint32_t status;
    std::uint32_t tags;
    bool Empty(std::uint32_t physical) const { return ((tags >> (2 * physical)) & 3) == 3; }
    std::uint32_t Physical(int i) const { return (top + static_cast<std::uint32_t>(i)) & 7; }
};

X87State ReadX87(uc_struct* uc) {
    std::uint32_t status = 0, tags = 0;
    uc_reg_read(uc, UC_X86_REG_FPSW, &status);
    uc_reg_read(uc, UC_X86_REG_FPTAG, &tags);
    return {(status >> 11) & 7, status & 0xFFFF, tags & 0xFFFF};
}

} // namespace

std::uint32_t CpuEngine::Get(X86Register reg) const {
    std::uint32_t value = 0;
    uc_reg_read(m_uc, UnicornRegister(reg), &value);
    return value;
}

void CpuEngine::Set(X86Register reg, std::uint32_t value) {
    uc_reg_write(m_uc, UnicornRegister(reg), &value);
}

void CpuEngine::ResetFpu() {
    std::uint16_t control = kInitialFpuControl, status = 0, tags = kAllTagsEmpty;
    int ids[] = {UC_X86_REG_FPCW, UC_X86_REG_FPSW, UC_X86_REG_FPTAG};
    void* pointers[] = {&control, &status, &tags};
    uc_reg_write_batch(m_uc, ids, pointers, 3);
}

int CpuEngine::X87Depth() const {
    const X87State state = ReadX87(m_uc);
    int depth = 0;
    while (depth < 8 && !state.Empty(state.Physical(depth)))
        ++depth;
    return depth;
}

std::optional<long double> CpuEngine::St(int i) const {
    if (i < 0 || i > 7)
        return std::nullopt;
    const X87State state = ReadX87(m_uc);
    if (state.Empty(state.Physical(i)))
        return std::nullopt;
    std::byte bytes[16] = {};
    uc_reg_read(m_uc, UC_X86_REG_ST0 + i, bytes);
    return FromExtended(bytes);
}

bool CpuEngine::PushX87(long double value) {
    X87State state = ReadX87(m_uc);
    const std::uint32_t top = (state.top + 7) & 7;
    if (!state.Empty(top))
        return false; // stack full
    auto status = static_cast<std::uint16_t>((state.status & ~0x3800u) | top << 11);
    auto tags = static_cast<std::uint16_t>(state.tags & ~(3u << (2 * top)));
    uc_reg_write(m_uc, UC_X86_REG_FPSW, &status);
    ExtendedBytes bytes = ToExtended(value);
    std::byte buffer[16] = {};
    std::memcpy(buffer, bytes.data(), bytes.size());
    uc_reg_write(m_uc, UC_X86_REG_ST0, buffer);
    uc_reg_write(m_uc, UC_X86_REG_FPTAG, &tags);
    return true;
}

std::optional<long double> CpuEngine::PopX87() {
    std::optional<long double> value = St(0);
    if (!value)
        return std::nullopt;
    const X87State state = ReadX87(m_uc);
    auto tags = static_cast<std::uint16_t>(state.tags | 3u << (2 * state.top));
    auto status =
        static_cast<std::uint16_t>((state.status & ~0x3800u) | ((state.top + 1) & 7) << 11);
    uc_reg_write(m_uc, UC_X86_REG_FPTAG, &tags);
    uc_reg_write(m_uc, UC_X86_REG_FPSW, &status);
    return value;
}

std::optional<long double> CpuEngine::ReturnedSt0() const {
    return m_returnedSt0Live ? St(0) : m_returnedSt0;
}

} // namespace platform
