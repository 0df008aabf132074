// Quorva run-time. Licensed under the MIT licence.
#include "runtime/CallDispatcher.h"

#include "platform/Log.h"

#include <array>

namespace runtime {

using engine::TypeCode;

namespace {

// The call stub of one row: int 0x80; [fld <real> [esp-12]]; ret N.
std::array<std::uint8_t, CallDispatcher::kStubSize> StubBytes(const FunctionSpec& spec,
                                                              std::uint32_t stackBytes) {
    std::array<std::uint8_t, CallDispatcher::kStubSize> bytes{};
    bytes.fill(0xCC); // int3 after the stub: never reached
    std::size_t at = 0;
    bytes[at++] = 0xCD; // int 0x80
    bytes[at++] = 0x80;
    if (spec.kind == engine::FunctionKind::Function) {
        std::uint8_t opcode = 0;
        std::uint8_t modrm = 0;
        switch (spec.result) {
        case TypeCode::Real:
        case TypeCode::RealValue:
            opcode = 0xDB; // fld tbyte ptr [esp-12]
            modrm = 0x6C;
            break;
        case TypeCode::Double:
            opcode = 0xDD; // fld qword ptr [esp-12]
            modrm = 0x44;
            break;
        case TypeCode::Single:
            opcode = 0xD9; // fld dword ptr [esp-12]
            modrm = 0x44;
            break;
        default:
            break;
        }
        if (opcode != 0) {
            bytes[at++] = opcode;
            bytes[at++] = modrm;
            bytes[at++] = 0x24;                          // SIB: base ESP
            bytes[at++] = static_cast<std::uint8_t>(-12); // disp8
        }
    }
    if (stackBytes == 0) {
        bytes[at++] = 0xC3; // ret
    } else {
        bytes[at++] = 0xC2; // ret imm16
        bytes[at++] = static_cast<std::uint8_t>(stackBytes & 0xFF);
        bytes[at++] = static_cast<std::uint8_t>(stackBytes >> 8);
    }
    return bytes;
}

} // namespace

CallDispatcher::CallDispatcher(platform::GuestMemory& memory, platform::GuestAddress base,
                               std::uint32_t capacity)
    : m_memory(memory), m_base(base), m_capacity(capacity) {
    m_rows.reserve(capacity);
}

platform::Result<std::unique_ptr<CallDispatcher>>
CallDispatcher::Create(platform::GuestMemory& memory, std::uint32_t capacity) {
    std::optional<platform::GuestAddress> base = memory.AllocateRuntime(capacity * kStubSize, 16);
    if (!base)
        return platform::Fail("no room in guest memory for the call stubs");
    std::unique_ptr<CallDispatcher> dispatcher(new CallDispatcher(memory, *base, capacity));
    memory.SetTrapArea(*base, kStubSize, capacity, dispatcher.get());
    return dispatcher;
}

platform::Result<platform::GuestAddress> CallDispatcher::Add(const FunctionSpec& spec,
                                                             HostFunction implementation) {
    if (m_rows.size() >= m_capacity)
        return platform::Fail(fmt::format("no stub left for {}", spec.name));
    Row row{&spec, ComputeCallLayout(spec), implementation, std::make_unique<std::atomic<bool>>()};
    if (row.layout.stackBytes > 0xFFFF)
        return platform::Fail(fmt::format("{} takes too many stack arguments", spec.name));
    const platform::GuestAddress stub =
        m_base + static_cast<std::uint32_t>(m_rows.size()) * kStubSize;
    const auto bytes = StubBytes(spec, row.layout.stackBytes);
    if (!m_memory.WriteBytes(stub, bytes.data(), kStubSize))
        return platform::Fail(fmt::format("cannot write the call stub of {}", spec.name));
    m_memory.InvalidateCode(stub, kStubSize);
    m_rows.push_back(std::move(row));
    return stub;
}

void CallDispatcher::OnTrap(platform::CpuEngine& cpu, std::uint32_t index) {
    if (index >= m_rows.size()) {
        platform::LogError("call into the run-time through an unused stub {}", index);
        return;
    }
    const Row& row = m_rows[index];
    static const Services kNone;
    CallFrame frame(cpu, *row.spec, row.layout, m_services ? *m_services : kNone);
    if (row.implementation) {
        row.implementation(frame);
        return;
    }
    if (!row.reported->exchange(true))
        platform::LogDebug("{} is not built yet: it returns its default", row.spec->name);
    frame.ReturnDefault();
}

} // namespace runtime
