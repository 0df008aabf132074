// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

class CpuEngine;

using GuestAddress = std::uint32_t;

// The fixed 32-bit guest layout. Page 0 and the gaps stay unmapped so that bad pointers fault
// cleanly.
namespace guest {
constexpr std::uint32_t kPageSize = 0x1000;
// Cells, stubs, helper code.
constexpr GuestAddress kRuntimeBase = 0x00010000;
constexpr std::uint32_t kRuntimeSize = 0x00400000;
// The shared global block (400000 bytes rounded up to pages).
constexpr GuestAddress kGlobalBase = 0x00800000;
constexpr std::uint32_t kGlobalSize = 0x00062000;
// Unit blocks, GETMEM, records.
constexpr GuestAddress kHeapBase = 0x01000000;
constexpr std::uint32_t kHeapSize = 0x1F000000;
// Per-thread stacks: kStackCount slots, each an unmapped guard gap below a stack.
constexpr GuestAddress kStackBase = 0x40000000;
constexpr std::uint32_t kStackSize = 0x00100000;
constexpr std::uint32_t kStackGuardSize = 0x00010000;
constexpr std::uint32_t kStackCount = 32;
constexpr std::uint32_t kStackSlotSize = kStackGuardSize + kStackSize;

// Lowest address of stack `index`; the stack grows down from StackTop towards it.
constexpr GuestAddress StackBottom(std::uint32_t index) {
    return kStackBase + index * kStackSlotSize + kStackGuardSize;
}
// One past the highest address of stack `index`: the initial ESP.
constexpr GuestAddress StackTop(std::uint32_t index) {
    return StackBottom(index) + kStackSize;
}
} // namespace guest

// What an `int 0x80` in the trap area calls on the host. Called on the thread of the engine
// that executed the trap, with that engine; it may read and set the interrupted code's
// registers, read and write guest memory and call guest code again (CpuEngine::Call). An
// exception it throws ends the guest call with an error.
class TrapHandler {
public:
    virtual ~TrapHandler() = default;
    virtual void OnTrap(CpuEngine& cpu, std::uint32_t index) = 0;
};

// The guest address space: host memory behind every guest region, the heap and runtime-area
// allocators, the trap area, the guest stacks handed to engines and the log of code ranges
// whose translations engines must drop. One per run-time process; it owns its host mappings
// (not a global block passed in) and must outlive every CpuEngine made over it. Every method
// may be called from any thread.
class GuestMemory {
public:
    // `globalBlock`: host mapping (host-page-aligned, at least kGlobalSize bytes) of the
    // shared global block, or null for a private zeroed block.
    static Result<std::unique_ptr<GuestMemory>> Create(std::byte* globalBlock = nullptr);
    ~GuestMemory();
    GuestMemory(const GuestMemory&) = delete;
    GuestMemory& operator=(const GuestMemory&) = delete;

    // The bounds-checked translation: a host pointer for [address, address+length) when the
    // whole range lies inside one mapped region, else nullptr. Overflowing ranges are refused;
    // an empty range needs a mapped address.
    std::byte* Translate(GuestAddress address, std::uint32_t length) const;
    bool ReadBytes(GuestAddress address, void* out, std::uint32_t length) const;
    bool WriteBytes(GuestAddress address, const void* data, std::uint32_t length);
    template <typename T> std::optional<T> Read(GuestAddress address) const;
    template <typename T> bool Write(GuestAddress address, const T& value);

    // Heap: zero-filled blocks, 16-byte aligned, nullopt when no free range is large enough.
    // A size of 0 gets the smallest block. Free of an address that Allocate did not hand out
    // (or already freed) does nothing and returns false. Freeing invalidates translated code
    // in the block.
    std::optional<GuestAddress> Allocate(std::uint32_t size);
    bool Free(GuestAddress block);
    // The usable size of a live block (the size asked for rounded up to 16 bytes); 0 when
    // `block` is not the start of a live block.
    std::uint32_t BlockSize(GuestAddress block) const;
    // Bytes of the heap handed out, including rounding.
    std::uint64_t HeapInUse() const;

    // Permanent, zero-filled allocations in the runtime area (system variable cells, entry
    // cells, call stubs, helper code). `alignment` must be a power of two.
    std::optional<GuestAddress> AllocateRuntime(std::uint32_t size, std::uint32_t alignment = 16);

    // Copies guest code assembled at build time (quorva_guest_asm) to `address`, adds
    // `address` to the 32-bit fields at the `relocations` offsets and invalidates translated
    // code in the range. False (and nothing written) when the range is not mapped or a
    // relocation lies outside the code.
    bool PlaceCode(GuestAddress address, std::span<const std::uint8_t> code,
                   std::span<const std::uint32_t> relocations = {});

    // Trap area: `int 0x80` executed at an address A with A - 2 inside
    // [base, base + slotSize*count) is a call into the host: the handler gets index
    // (A - 2 - base) / slotSize. Set before code runs; a later call replaces the area (the
    // handler must outlive every engine). False, and the area unchanged, when the arguments
    // are unusable (no handler, empty area, or one that is not mapped).
    struct TrapArea {
        GuestAddress base = 0;
        std::uint32_t slotSize = 0;
        std::uint32_t count = 0;
        TrapHandler* handler = nullptr;
    };
    bool SetTrapArea(GuestAddress base, std::uint32_t slotSize, std::uint32_t count,
                     TrapHandler* handler);
    // The current area or null; what engines consult on every trap.
    const TrapArea* CurrentTrapArea() const { return m_trapArea.load(std::memory_order_acquire); }

    // Every engine drops what it translated for the range before it next runs code (loader
    // writes, frees). Needed after every write to guest code except one made by guest code
    // on the engine that runs it (the emulator notices those itself).
    void InvalidateCode(GuestAddress address, std::uint32_t length);

    // --- for CpuEngine ---

    // A mapped region shared by all engines (the stacks are mapped one per engine).
    struct Region {
        GuestAddress base;
        std::uint32_t size;
        std::byte* host;
    };
    std::span<const Region> SharedRegions() const { return m_regions; }
    // Host memory of stack `index` (kStackSize bytes from guest::StackBottom(index)).
    std::byte* StackHost(std::uint32_t index) const;
    // A free stack slot, or nullopt when all kStackCount are taken.
    std::optional<std::uint32_t> AcquireStack();
    void ReleaseStack(std::uint32_t index);
    // kReturnSlots bytes of int3 whose addresses engines push as return addresses (one per
    // nesting level), so that a call ends when its code returns there.
    static constexpr std::uint32_t kReturnSlots = 64;
    GuestAddress ReturnArea() const { return m_returnArea; }

    // A code range to invalidate, numbered in the order of InvalidateCode calls.
    struct CodeRange {
        std::uint64_t sequence;
        GuestAddress begin;
        std::uint64_t end; // exclusive
    };
    // The number of the newest range (0 before the first).
    std::uint64_t CodeSequence() const { return m_codeSequence.load(std::memory_order_acquire); }
    // The ranges numbered after `since`, oldest first, and the newest number in `upTo`. False
    // when the log no longer reaches back to `since`: the caller must then drop everything.
    bool CodeRangesSince(std::uint64_t since, std::vector<CodeRange>& out,
                         std::uint64_t& upTo) const;

private:
    GuestMemory() = default;
    bool AddFreeRange(GuestAddress begin, std::uint32_t size);
    void ZeroHeapRange(GuestAddress begin, std::uint32_t size, bool releaseOnly);

    std::byte* m_runtimeHost = nullptr;
    std::byte* m_globalHost = nullptr;
    bool m_ownsGlobal = false;
    std::byte* m_heapHost = nullptr;
    std::byte* m_stackHost = nullptr;
    std::size_t m_hostPageSize = 4096;
    std::vector<Region> m_regions; // runtime, global, heap
    GuestAddress m_returnArea = 0;

    mutable std::mutex m_heapMutex;
    std::map<GuestAddress, std::uint32_t> m_freeByAddress;
    std::set<std::pair<std::uint32_t, GuestAddress>> m_freeBySize;
    std::unordered_map<GuestAddress, std::uint32_t> m_liveBlocks;
    std::uint64_t m_heapInUse = 0;

    std::mutex m_runtimeMutex;
    GuestAddress m_runtimeNext = guest::kRuntimeBase;

    std::mutex m_stackMutex;
    std::uint32_t m_stacksInUse = 0; // bit per stack slot

    std::mutex m_trapMutex;
    std::vector<std::unique_ptr<TrapArea>> m_trapAreas; // kept so engines never see a freed one
    std::atomic<const TrapArea*> m_trapArea{nullptr};

    static constexpr std::size_t kCodeLogLimit = 1024;
    mutable std::mutex m_codeMutex;
    std::deque<CodeRange> m_codeLog;
    std::atomic<std::uint64_t> m_codeSequence{0};
};

template <typename T> std::optional<T> GuestMemory::Read(GuestAddress address) const {
    static_assert(std::is_trivially_copyable_v<T>);
    const std::byte* host = Translate(address, sizeof(T));
    if (host == nullptr)
        return std::nullopt;
    T value;
    std::memcpy(&value, host, sizeof(T));
    return value;
}

template <typename T> bool GuestMemory::Write(GuestAddress address, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::byte* host = Translate(address, sizeof(T));
    if (host == nullptr)
        return false;
    std::memcpy(host, &value, sizeof(T));
    return true;
}

} // namespace platform
