// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"
#include "platform/Result.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct uc_struct;
struct uc_context;

namespace platform {

class CpuWatchdog;

enum class X86Register { Eax, Ebx, Ecx, Edx, Esi, Edi, Ebp, Esp, Eip, Eflags };

struct GuestRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0, esi = 0, edi = 0, ebp = 0;
};

// An emulated x86-32 CPU that runs guest code over a GuestMemory. One per thread that runs unit
// code; only that thread may use it (SetWatchdog excepted: any thread). It maps the shared
// regions of the memory and a guest stack of its own, acquired on Create and released on
// destruction; the memory must outlive it. Faults, trap-handler exceptions and the watchdog
// end a call with an error; the process never goes down and the engine stays usable.
class CpuEngine {
public:
    static constexpr int kMaxDepth = 32;
    static constexpr std::uint32_t kDefaultWatchdogMilliseconds = 5000;

    static Result<std::unique_ptr<CpuEngine>> Create(GuestMemory& memory);
    ~CpuEngine();
    CpuEngine(const CpuEngine&) = delete;
    CpuEngine& operator=(const CpuEngine&) = delete;

    // A near call to `address`: sets the registers (EFLAGS cleared, x87 stack emptied),
    // pushes `stackArguments` in the order given (the first pushed first, so the last one ends
    // nearest the return address), pushes a return address of the engine's own and runs until
    // the code returns there. Returns the registers at return. An error text names what
    // happened and the guest address, e.g. "unmapped write at 0x00000010 by code at
    // 0x01000234", "divide error at 0x01000240", "watchdog: still running after 5000 ms at
    // 0x01000250".
    // Nested (from a trap handler, up to kMaxDepth levels): the new frame goes below the
    // interrupted code's ESP; that code's whole register and x87 state is saved and restored
    // around the call, and it continues after the handler returns.
    Result<GuestRegisters> Call(GuestAddress address, const GuestRegisters& registers = {},
                                std::span<const std::uint32_t> stackArguments = {});
    // What the loader and scheduler use for unit entries: no arguments, no result.
    Status CallUnitCode(GuestAddress address);

    // Inside a trap handler: the interrupted code's registers (EIP is after the int
    // instruction; setting EIP or ESP resumes it elsewhere). Outside: the state the last call
    // left.
    std::uint32_t Get(X86Register reg) const;
    void Set(X86Register reg, std::uint32_t value);

    // x87 stack of the current code: value of ST(i) (nullopt when empty or i outside 0..7)
    // and how many are in use.
    std::optional<long double> St(int i) const;
    int X87Depth() const;
    // For trap handlers that leave a float result (or take one): false when the stack is full.
    bool PushX87(long double value);
    std::optional<long double> PopX87();
    // ST(0) of the code of the last Call that returned, also after a nested Call (whose
    // callee's x87 state is gone once the interrupted code's state is restored).
    std::optional<long double> ReturnedSt0() const;

    int Depth() const { return m_depth; }         // nesting depth of Call, 0 outside
    // The engine running a call on the calling thread, or null.
    static CpuEngine* RunningOnThisThread();
    // Around a wait of a runtime function for something outside the guest (the operator, a
    // program, a server): the watchdog does not count it, and the calling code has a whole limit
    // again afterwards. Guest code called during the wait is timed on its own. Pairs; prefer
    // HostWait.
    void PauseWatchdog();
    void ResumeWatchdog();
    void SetWatchdog(std::uint32_t milliseconds); // 0 = off; default 5000
    std::uint32_t Watchdog() const;
    GuestMemory& Memory() { return m_memory; }

    // Calls that translated code made into the emulator's load and store helpers and its exit
    // check since the engine was made: one exit check at the start of every translated block
    // run, a few helper accesses per page touched (first access, first store) and every
    // 10-byte x87 load or store. A count that grows with every load or store means some
    // emulator feature has pushed unit code off its fast path.
    std::uint64_t HelperCalls() const;

    // The guest stack this engine uses.
    GuestAddress StackBottom() const { return guest::StackBottom(m_stackIndex); }
    GuestAddress StackTop() const { return guest::StackTop(m_stackIndex); }

private:
    friend struct CpuEngineHooks;
    enum class FaultKind { None, Memory, StackOverflow, InvalidInstruction, Interrupt, Text };
    struct Fault {
        FaultKind kind = FaultKind::None;
        int memoryType = 0; // uc_mem_type of a memory fault
        std::uint32_t address = 0;
        std::uint32_t eip = 0;
        std::uint32_t number = 0; // interrupt number
        std::string text;
    };

    // A half-open guest address range.
    struct AddressRange {
        std::uint64_t begin;
        std::uint64_t end;
    };

    CpuEngine(GuestMemory& memory, std::uint32_t stackIndex);
    Status MapMemory();
    Status InstallHooks();
    // The gaps around what this engine maps (the shared regions and its own stack): all that
    // its invalid-access hooks cover.
    std::vector<AddressRange> UnmappedRanges() const;
    Result<GuestRegisters> Run(GuestAddress address, GuestAddress returnAddress);
    std::string DescribeFault() const;
    std::string WatchdogText() const;
    void ApplyCodeInvalidations();
    void RemoveTranslations(GuestAddress begin, std::uint64_t end);
    void ResetFpu();
    void OnInterrupt(std::uint32_t number);
    void OnTrap(const GuestMemory::TrapArea& area, std::uint32_t index, std::uint32_t eip);
    bool OnInvalidMemory(int type, std::uint64_t address);
    void OnInvalidInstruction();
    void RecordFault(Fault fault);

    GuestMemory& m_memory;
    uc_struct* m_uc = nullptr;
    std::uint32_t m_stackIndex;
    std::unique_ptr<CpuWatchdog> m_watchdog;
    std::uint32_t m_generation = 0; // of the call the watchdog times now
    int m_depth = 0;
    // Pauses of the watchdog by the runtime functions running at each depth.
    std::array<int, kMaxDepth + 1> m_watchdogPauses{};
    std::array<uc_context*, kMaxDepth> m_contexts{};
    Fault m_fault;
    std::uint64_t m_codeSeen = 0;
    std::vector<GuestMemory::CodeRange> m_codeRanges;
    std::optional<long double> m_returnedSt0;
    bool m_returnedSt0Live = false;
};

// Pauses the watchdog of the engine running on this thread for its lifetime (nothing when no
// guest call runs here). For runtime functions that wait for the operator, a program or a server.
class HostWait {
public:
    HostWait() : m_engine(CpuEngine::RunningOnThisThread()) {
        if (m_engine != nullptr)
            m_engine->PauseWatchdog();
    }
    ~HostWait() {
        if (m_engine != nullptr)
            m_engine->ResumeWatchdog();
    }
    HostWait(const HostWait&) = delete;
    HostWait& operator=(const HostWait&) = delete;

private:
    CpuEngine* m_engine;
};

} // namespace platform
