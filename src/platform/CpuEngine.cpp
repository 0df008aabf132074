// Quorva run-time. Licensed under the MIT licence.
#include "platform/CpuEngine.h"

#include "platform/CpuWatchdog.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <fmt/format.h>
#include <unicorn/unicorn.h>

namespace platform {

namespace {

// The engine whose call runs on this thread (the innermost, when engines nest).
thread_local CpuEngine* t_runningEngine = nullptr;

constexpr std::uint32_t kInitialEflags = 0x00000202;
constexpr std::uint8_t kHlt = 0xF4;
constexpr std::uint8_t kInt3 = 0xCC;
constexpr std::uint8_t kInto = 0xCE;
constexpr std::uint8_t kIntN = 0xCD;
constexpr std::uint32_t kTrapInterrupt = 0x80;
// ESP this far below the stack's bottom still counts as having run off the stack.
constexpr std::uint32_t kStackOverrunReach = 16 * 1024 * 1024;

// Exceptions that report the address of the instruction that raised them (faults); the
// others (traps, `int n`) report the address after it.
bool IsFault(std::uint32_t number) {
    switch (number) {
    case 0:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
    case 18:
    case 19:
        return true;
    default:
        return false;
    }
}

std::string InterruptName(std::uint32_t number) {
    switch (number) {
    case 0:
        return "divide error";
    case 1:
        return "debug trap";
    case 3:
        return "breakpoint (int3)";
    case 4:
        return "overflow trap (into)";
    case 5:
        return "bound range exceeded";
    case 6:
        return "invalid instruction";
    case 7:
        return "x87 not available";
    case 8:
        return "double fault";
    case 10:
        return "invalid task state segment";
    case 11:
        return "segment not present";
    case 12:
        return "stack segment fault";
    case 13:
        return "general protection fault";
    case 14:
        return "page fault";
    case 16:
        return "x87 floating-point error";
    case 17:
        return "alignment check";
    case 18:
        return "machine check";
    case 19:
        return "SIMD floating-point error";
    default:
        return fmt::format("unknown interrupt 0x{:02X}", number);
    }
}

std::string MemoryAccessName(int type) {
    switch (type) {
    case UC_MEM_READ_UNMAPPED:
        return "unmapped read";
    case UC_MEM_WRITE_UNMAPPED:
        return "unmapped write";
    case UC_MEM_FETCH_UNMAPPED:
        return "unmapped fetch";
    case UC_MEM_READ_PROT:
        return "protected read";
    case UC_MEM_WRITE_PROT:
        return "protected write";
    case UC_MEM_FETCH_PROT:
        return "protected fetch";
    default:
        return "invalid access";
    }
}

} // namespace

// Unicorn calls these C callbacks with the engine as user data.
struct CpuEngineHooks {
    static void Interrupt(uc_engine*, std::uint32_t number, void* user) {
        static_cast<CpuEngine*>(user)->OnInterrupt(number);
    }
    static bool InvalidMemory(uc_engine*, uc_mem_type type, std::uint64_t address, int,
                              std::int64_t, void* user) {
        return static_cast<CpuEngine*>(user)->OnInvalidMemory(type, address);
    }
    static bool InvalidInstruction(uc_engine*, void* user) {
        static_cast<CpuEngine*>(user)->OnInvalidInstruction();
        return false;
    }
};

CpuEngine::CpuEngine(GuestMemory& memory, std::uint32_t stackIndex)
    : m_memory(memory), m_stackIndex(stackIndex) {}

Result<std::unique_ptr<CpuEngine>> CpuEngine::Create(GuestMemory& memory) {
    auto stack = memory.AcquireStack();
    if (!stack)
        return Fail(fmt::format("cpu engine: all {} guest stacks are in use", guest::kStackCount));
    std::unique_ptr<CpuEngine> engine(new CpuEngine(memory, *stack));
    if (uc_err error = uc_open(UC_ARCH_X86, UC_MODE_32, &engine->m_uc); error != UC_ERR_OK) {
        engine->m_uc = nullptr;
        return Fail(fmt::format("cpu engine: cannot open the emulator: {}", uc_strerror(error)));
    }
    if (Status mapped = engine->MapMemory(); !mapped)
        return Fail(mapped.Error());

    if (Status hooked = engine->InstallHooks(); !hooked)
        return Fail(hooked.Error());

    engine->m_codeSeen = memory.CodeSequence(); // nothing translated yet
    uc_struct* uc = engine->m_uc;
    engine->m_watchdog =
        std::make_unique<CpuWatchdog>([uc] { uc_emu_stop(uc); }, kDefaultWatchdogMilliseconds);
    return engine;
}

CpuEngine::~CpuEngine() {
    m_watchdog.reset(); // its thread must be gone before the emulator it stops
    for (uc_context* context : m_contexts) {
        if (context != nullptr)
            uc_context_free(context);
    }
    if (m_uc != nullptr)
        uc_close(m_uc);
    m_memory.ReleaseStack(m_stackIndex);
}

// Faults are caught by hooks, but no hook may cover mapped memory: the emulator sends every
// load and store of an address that a memory hook covers (an invalid-access hook included)
// through its slow helpers. The invalid-access hook therefore covers only the gaps between the
// ranges this engine maps, and a protected fetch (code run in the global block or on the
// stack, which are mapped without execute permission) is read from the emulator's error
// instead. The emulator restores EIP before it calls a memory hook, so reports name the
// faulting instruction.
Status CpuEngine::InstallHooks() {
    uc_hook hook = 0;
    const std::uint64_t allBegin = 1, allEnd = 0; // begin > end: every address
    if (uc_hook_add(m_uc, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&CpuEngineHooks::Interrupt),
                    this, allBegin, allEnd) != UC_ERR_OK ||
        uc_hook_add(m_uc, &hook, UC_HOOK_INSN_INVALID,
                    reinterpret_cast<void*>(&CpuEngineHooks::InvalidInstruction), this, allBegin,
                    allEnd) != UC_ERR_OK)
        return Fail("cpu engine: cannot install the emulator hooks");
    for (const AddressRange& gap : UnmappedRanges()) {
        if (uc_hook_add(m_uc, &hook, UC_HOOK_MEM_UNMAPPED,
                        reinterpret_cast<void*>(&CpuEngineHooks::InvalidMemory), this, gap.begin,
                        gap.end - 1) != UC_ERR_OK)
            return Fail(fmt::format("cpu engine: cannot hook the unmapped range 0x{:08X}..0x{:08X}",
                                    gap.begin, gap.end - 1));
    }
    return {};
}

std::vector<CpuEngine::AddressRange> CpuEngine::UnmappedRanges() const {
    std::vector<AddressRange> mapped; // what MapMemory maps, in address order
    for (const GuestMemory::Region& region : m_memory.SharedRegions())
        mapped.push_back({region.base, std::uint64_t{region.base} + region.size});
    mapped.push_back({StackBottom(), std::uint64_t{StackBottom()} + guest::kStackSize});
    std::sort(mapped.begin(), mapped.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.begin < b.begin; });

    std::vector<AddressRange> gaps;
    std::uint64_t next = 0;
    for (const AddressRange& range : mapped) {
        if (range.begin > next)
            gaps.push_back({next, range.begin});
        next = std::max(next, range.end);
    }
    constexpr std::uint64_t kAddressSpaceEnd = std::uint64_t{1} << 32;
    if (next < kAddressSpaceEnd)
        gaps.push_back({next, kAddressSpaceEnd});
    return gaps;
}

std::uint64_t CpuEngine::HelperCalls() const {
    std::size_t count = 0;
    uc_query(m_uc, UC_QUERY_HELPER_CALLS, &count);
    return count;
}

Status CpuEngine::MapMemory() {
    for (const GuestMemory::Region& region : m_memory.SharedRegions()) {
        const std::uint32_t permissions =
            region.base == guest::kGlobalBase ? UC_PROT_READ | UC_PROT_WRITE : UC_PROT_ALL;
        if (uc_err error = uc_mem_map_ptr(m_uc, region.base, region.size, permissions, region.host);
            error != UC_ERR_OK)
            return Fail(fmt::format("cpu engine: cannot map guest memory at 0x{:08X}: {}",
                                    region.base, uc_strerror(error)));
    }
    if (uc_err error =
            uc_mem_map_ptr(m_uc, StackBottom(), guest::kStackSize, UC_PROT_READ | UC_PROT_WRITE,
                           m_memory.StackHost(m_stackIndex));
        error != UC_ERR_OK)
        return Fail(fmt::format("cpu engine: cannot map the guest stack: {}", uc_strerror(error)));
    return {};
}

// --- calls ---

Result<GuestRegisters> CpuEngine::Call(GuestAddress address, const GuestRegisters& registers,
                                       std::span<const std::uint32_t> stackArguments) {
    const int level = m_depth;
    if (level >= kMaxDepth)
        return Fail(fmt::format("calls nested more than {} deep: call of 0x{:08X} refused",
                                kMaxDepth, address));
    GuestAddress esp = StackTop();
    // A top-level call is timed; so is a call made while the runtime function that makes it
    // waits with the watchdog paused.
    const bool timed = level == 0 || m_watchdogPauses[static_cast<std::size_t>(level)] > 0;
    const std::uint32_t outerGeneration = m_generation;
    if (level > 0) {
        if (!timed && m_watchdog->Fired(m_generation))
            return Fail(WatchdogText());
        uc_context*& context = m_contexts[static_cast<std::size_t>(level)];
        if (context == nullptr && uc_context_alloc(m_uc, &context) != UC_ERR_OK) {
            context = nullptr;
            return Fail("cpu engine: cannot allocate room to save the cpu state");
        }
        uc_context_save(m_uc, context);
        esp = Get(X86Register::Esp);
    }
    if (timed)
        m_generation = m_watchdog->Begin();
    CpuEngine* const outerEngine = t_runningEngine;
    t_runningEngine = this;

    Result<GuestRegisters> result = [&]() -> Result<GuestRegisters> {
        const std::uint64_t frame = 4 * (std::uint64_t{stackArguments.size()} + 1);
        if (esp < StackBottom() || esp > StackTop() || esp - StackBottom() < frame)
            return Fail(fmt::format("stack overflow: no room to call 0x{:08X} (ESP 0x{:08X})",
                                    address, esp));
        std::byte* stack = m_memory.StackHost(m_stackIndex);
        const auto push = [&](std::uint32_t value) {
            esp -= 4;
            std::memcpy(stack + (esp - StackBottom()), &value, 4);
        };
        for (std::uint32_t argument : stackArguments)
            push(argument);
        const GuestAddress returnAddress =
            m_memory.ReturnArea() + static_cast<std::uint32_t>(level);
        push(returnAddress);

        ApplyCodeInvalidations();
        std::uint32_t values[] = {registers.eax, registers.ebx, registers.ecx,
                                  registers.edx, registers.esi, registers.edi,
                                  registers.ebp, esp,           kInitialEflags};
        int ids[] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX,
                     UC_X86_REG_EDX, UC_X86_REG_ESI, UC_X86_REG_EDI,
                     UC_X86_REG_EBP, UC_X86_REG_ESP, UC_X86_REG_EFLAGS};
        void* pointers[std::size(values)];
        for (std::size_t i = 0; i < std::size(values); ++i)
            pointers[i] = &values[i];
        uc_reg_write_batch(m_uc, ids, pointers, static_cast<int>(std::size(ids)));
        ResetFpu();

        ++m_depth;
        Result<GuestRegisters> ran = Run(address, returnAddress);
        --m_depth;
        return ran;
    }();

    t_runningEngine = outerEngine;
    if (timed) {
        m_watchdog->End();
        m_generation = outerGeneration; // paused: restarted when the wait ends
    }
    if (level == 0) {
        m_returnedSt0Live = true;
    } else {
        m_returnedSt0 = St(0);
        m_returnedSt0Live = false;
        uc_context_restore(m_uc, m_contexts[static_cast<std::size_t>(level)]);
    }
    return result;
}

CpuEngine* CpuEngine::RunningOnThisThread() { return t_runningEngine; }

void CpuEngine::PauseWatchdog() {
    if (m_depth == 0)
        return;
    if (m_watchdogPauses[static_cast<std::size_t>(m_depth)]++ == 0)
        m_watchdog->End();
}

void CpuEngine::ResumeWatchdog() {
    if (m_depth == 0 || m_watchdogPauses[static_cast<std::size_t>(m_depth)] == 0)
        return;
    if (--m_watchdogPauses[static_cast<std::size_t>(m_depth)] == 0)
        m_watchdog->Restart(m_generation);
}

Status CpuEngine::CallUnitCode(GuestAddress address) {
    Result<GuestRegisters> result = Call(address);
    if (!result)
        return Fail(result.Error());
    return {};
}

Result<GuestRegisters> CpuEngine::Run(GuestAddress address, GuestAddress returnAddress) {
    GuestAddress start = address;
    for (;;) {
        m_fault = {};
        const uc_err error = uc_emu_start(m_uc, start, returnAddress, 0, 0);
        if (m_fault.kind != FaultKind::None) {
            std::string text = DescribeFault();
            m_fault = {}; // consumed: an interrupted outer call must not see it
            return Fail(std::move(text));
        }
        const std::uint32_t eip = Get(X86Register::Eip);
        if (error == UC_ERR_FETCH_PROT) // no hook covers mapped memory: see InstallHooks
            return Fail(fmt::format("{} at 0x{:08X}", MemoryAccessName(UC_MEM_FETCH_PROT), eip));
        if (error != UC_ERR_OK)
            return Fail(fmt::format("emulation stopped at 0x{:08X}: {}", eip, uc_strerror(error)));
        if (m_watchdog->Fired(m_generation))
            return Fail(WatchdogText());
        if (eip == returnAddress)
            break;
        // The emulator ends a run quietly after `hlt`, and on a stop request the watchdog
        // meant for an earlier call; the latter is simply continued.
        std::uint8_t previous = 0;
        if (m_memory.ReadBytes(eip - 1, &previous, 1) && previous == kHlt)
            return Fail(fmt::format("hlt instruction at 0x{:08X}", eip - 1));
        start = eip;
    }
    GuestRegisters out;
    std::uint32_t* values[] = {&out.eax, &out.ebx, &out.ecx, &out.edx,
                               &out.esi, &out.edi, &out.ebp};
    int ids[] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX,
                 UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
    void* pointers[std::size(values)];
    for (std::size_t i = 0; i < std::size(values); ++i)
        pointers[i] = values[i];
    uc_reg_read_batch(m_uc, ids, pointers, static_cast<int>(std::size(ids)));
    return out;
}

// --- faults ---

void CpuEngine::RecordFault(Fault fault) {
    if (m_fault.kind == FaultKind::None) // the first one is the cause
        m_fault = std::move(fault);
}

std::string CpuEngine::WatchdogText() const {
    return fmt::format("watchdog: still running after {} ms at 0x{:08X}", m_watchdog->Limit(),
                       Get(X86Register::Eip));
}

std::string CpuEngine::DescribeFault() const {
    const Fault& fault = m_fault;
    switch (fault.kind) {
    case FaultKind::Memory:
        if (fault.memoryType == UC_MEM_FETCH_UNMAPPED || fault.memoryType == UC_MEM_FETCH_PROT)
            return fmt::format("{} at 0x{:08X}", MemoryAccessName(fault.memoryType), fault.address);
        return fmt::format("{} at 0x{:08X} by code at 0x{:08X}", MemoryAccessName(fault.memoryType),
                           fault.address, fault.eip);
    case FaultKind::StackOverflow:
        return fmt::format("stack overflow at 0x{:08X} ({} at 0x{:08X})", fault.eip,
                           MemoryAccessName(fault.memoryType), fault.address);
    case FaultKind::InvalidInstruction:
        return fmt::format("invalid instruction at 0x{:08X}", fault.eip);
    case FaultKind::Interrupt:
        if (fault.number == 3 && fault.eip - m_memory.ReturnArea() < GuestMemory::kReturnSlots)
            return fmt::format("return to the return address of another call level (0x{:08X})",
                               fault.eip);
        return fmt::format("{} at 0x{:08X}", InterruptName(fault.number), fault.eip);
    case FaultKind::Text:
        return fault.text;
    case FaultKind::None:
        break;
    }
    return "no fault";
}

bool CpuEngine::OnInvalidMemory(int type, std::uint64_t address) {
    Fault fault;
    fault.kind = FaultKind::Memory;
    fault.memoryType = type;
    fault.address = static_cast<std::uint32_t>(address);
    fault.eip = Get(X86Register::Eip);
    const std::uint32_t esp = Get(X86Register::Esp);
    const bool inGuard =
        fault.address < StackBottom() && StackBottom() - fault.address <= guest::kStackGuardSize;
    const bool espBelow = esp < StackBottom() && StackBottom() - esp <= kStackOverrunReach;
    if (type != UC_MEM_FETCH_UNMAPPED && type != UC_MEM_FETCH_PROT && (inGuard || espBelow))
        fault.kind = FaultKind::StackOverflow;
    RecordFault(std::move(fault));
    return false; // stop: the access must not complete
}

void CpuEngine::OnInvalidInstruction() {
    Fault fault;
    fault.kind = FaultKind::InvalidInstruction;
    fault.eip = Get(X86Register::Eip);
    RecordFault(std::move(fault));
}

void CpuEngine::OnInterrupt(std::uint32_t number) {
    const std::uint32_t eip = Get(X86Register::Eip);
    if (number == kTrapInterrupt) {
        const GuestMemory::TrapArea* area = m_memory.CurrentTrapArea();
        const std::uint32_t at = eip - 2;
        if (area != nullptr && at >= area->base &&
            at - area->base < std::uint64_t{area->slotSize} * area->count) {
            OnTrap(*area, (at - area->base) / area->slotSize, eip);
            return;
        }
    }
    Fault fault;
    fault.kind = FaultKind::Interrupt;
    fault.number = number;
    fault.eip = eip;
    if (!IsFault(number)) {
        std::uint8_t bytes[2] = {};
        const bool readable = m_memory.ReadBytes(eip - 2, bytes, 2);
        if (readable && (number == 3 || number == 4) && bytes[1] == (number == 3 ? kInt3 : kInto))
            fault.eip = eip - 1;
        else if (readable && bytes[0] == kIntN && bytes[1] == number)
            fault.eip = eip - 2;
    }
    RecordFault(std::move(fault));
    uc_emu_stop(m_uc);
}

void CpuEngine::OnTrap(const GuestMemory::TrapArea& area, std::uint32_t index, std::uint32_t eip) {
    // No exception may unwind through the emulator's C frames.
    std::string failure;
    try {
        area.handler->OnTrap(*this, index);
    } catch (const std::exception& exception) {
        failure = exception.what();
    } catch (...) {
        failure = "unknown exception";
    }
    if (!failure.empty() || m_watchdog->Fired(m_generation)) {
        Fault fault;
        fault.kind = FaultKind::Text;
        fault.text = failure.empty() ? WatchdogText()
                                     : fmt::format("trap handler {} failed at 0x{:08X}: {}", index,
                                                   eip - 2, failure);
        RecordFault(std::move(fault));
        uc_emu_stop(m_uc);
    }
}

// --- code invalidation ---

void CpuEngine::ApplyCodeInvalidations() {
    if (m_memory.CodeSequence() == m_codeSeen)
        return;
    std::uint64_t upTo = 0;
    if (m_memory.CodeRangesSince(m_codeSeen, m_codeRanges, upTo)) {
        for (const GuestMemory::CodeRange& range : m_codeRanges)
            RemoveTranslations(range.begin, range.end);
    } else {
        uc_ctl_flush_tlb(m_uc); // the log moved on: drop every translation
    }
    m_codeSeen = upTo;
}

void CpuEngine::RemoveTranslations(GuestAddress begin, std::uint64_t end) {
    // Only ranges this engine maps: the emulator would treat others as faulting fetches.
    const auto remove = [&](GuestAddress base, std::uint32_t size) {
        const std::uint64_t from = std::max<std::uint64_t>(begin, base);
        const std::uint64_t to = std::min<std::uint64_t>(end, std::uint64_t{base} + size);
        if (from < to)
            uc_ctl_remove_cache(m_uc, from, to);
    };
    for (const GuestMemory::Region& region : m_memory.SharedRegions())
        remove(region.base, region.size);
    remove(StackBottom(), guest::kStackSize);
}

void CpuEngine::SetWatchdog(std::uint32_t milliseconds) {
    m_watchdog->SetLimit(milliseconds);
}

std::uint32_t CpuEngine::Watchdog() const {
    return m_watchdog->Limit();
}

} // namespace platform
