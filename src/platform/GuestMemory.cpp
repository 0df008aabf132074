// Quorva run-time. Licensed under the MIT licence.
#include "platform/GuestMemory.h"

#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::uint32_t kBlockAlignment = 16;
// Blocks at least this large are zeroed by handing their whole pages back to the kernel.
constexpr std::uint32_t kReleaseThreshold = 64 * 1024;
constexpr std::uint8_t kInt3 = 0xCC;

std::byte* MapAnonymous(std::size_t size) {
    void* host = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return host == MAP_FAILED ? nullptr : static_cast<std::byte*>(host);
}

std::uint64_t End(GuestAddress address, std::uint32_t length) {
    return std::uint64_t{address} + length;
}

} // namespace

Result<std::unique_ptr<GuestMemory>> GuestMemory::Create(std::byte* globalBlock) {
    std::unique_ptr<GuestMemory> memory(new GuestMemory());
    const long pageSize = sysconf(_SC_PAGESIZE);
    memory->m_hostPageSize = pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
    if (globalBlock != nullptr &&
        reinterpret_cast<std::uintptr_t>(globalBlock) % memory->m_hostPageSize != 0)
        return Fail("guest memory: the global block is not aligned to a host page");

    memory->m_runtimeHost = MapAnonymous(guest::kRuntimeSize);
    memory->m_heapHost = MapAnonymous(guest::kHeapSize);
    memory->m_stackHost = MapAnonymous(std::size_t{guest::kStackCount} * guest::kStackSize);
    if (globalBlock == nullptr) {
        memory->m_globalHost = MapAnonymous(guest::kGlobalSize);
        memory->m_ownsGlobal = memory->m_globalHost != nullptr;
    } else {
        memory->m_globalHost = globalBlock;
    }
    if (memory->m_runtimeHost == nullptr || memory->m_heapHost == nullptr ||
        memory->m_stackHost == nullptr || memory->m_globalHost == nullptr)
        return Fail(
            fmt::format("guest memory: cannot reserve host memory: {}", std::strerror(errno)));

    memory->m_regions = {
        {guest::kRuntimeBase, guest::kRuntimeSize, memory->m_runtimeHost},
        {guest::kGlobalBase, guest::kGlobalSize, memory->m_globalHost},
        {guest::kHeapBase, guest::kHeapSize, memory->m_heapHost},
    };
    memory->AddFreeRange(guest::kHeapBase, guest::kHeapSize);

    auto returnArea = memory->AllocateRuntime(kReturnSlots);
    if (!returnArea)
        return Fail("guest memory: no room for the return area");
    memory->m_returnArea = *returnArea;
    std::memset(memory->Translate(*returnArea, kReturnSlots), kInt3, kReturnSlots);
    return memory;
}

GuestMemory::~GuestMemory() {
    if (m_runtimeHost != nullptr)
        munmap(m_runtimeHost, guest::kRuntimeSize);
    if (m_heapHost != nullptr)
        munmap(m_heapHost, guest::kHeapSize);
    if (m_stackHost != nullptr)
        munmap(m_stackHost, std::size_t{guest::kStackCount} * guest::kStackSize);
    if (m_ownsGlobal)
        munmap(m_globalHost, guest::kGlobalSize);
}

std::byte* GuestMemory::Translate(GuestAddress address, std::uint32_t length) const {
    const std::uint64_t end = End(address, length);
    for (const Region& region : m_regions) {
        if (address >= region.base && address - region.base < region.size)
            return end <= End(region.base, region.size) ? region.host + (address - region.base)
                                                        : nullptr;
    }
    if (address < guest::kStackBase)
        return nullptr;
    const std::uint32_t slot = (address - guest::kStackBase) / guest::kStackSlotSize;
    if (slot >= guest::kStackCount)
        return nullptr;
    const GuestAddress bottom = guest::StackBottom(slot);
    if (address < bottom || end > guest::StackTop(slot))
        return nullptr;
    return StackHost(slot) + (address - bottom);
}

bool GuestMemory::ReadBytes(GuestAddress address, void* out, std::uint32_t length) const {
    const std::byte* host = Translate(address, length);
    if (host == nullptr)
        return false;
    if (length != 0)
        std::memcpy(out, host, length);
    return true;
}

bool GuestMemory::WriteBytes(GuestAddress address, const void* data, std::uint32_t length) {
    std::byte* host = Translate(address, length);
    if (host == nullptr)
        return false;
    if (length != 0)
        std::memcpy(host, data, length);
    return true;
}

// --- heap ---

bool GuestMemory::AddFreeRange(GuestAddress begin, std::uint32_t size) {
    // Merges with the free neighbours on either side. Called with m_heapMutex held.
    auto next = m_freeByAddress.lower_bound(begin);
    if (next != m_freeByAddress.begin()) {
        auto previous = std::prev(next);
        if (End(previous->first, previous->second) > begin)
            return false; // overlaps a free range: not a live block
        if (End(previous->first, previous->second) == begin) {
            m_freeBySize.erase({previous->second, previous->first});
            begin = previous->first;
            size += previous->second;
            m_freeByAddress.erase(previous);
        }
    }
    if (next != m_freeByAddress.end() && End(begin, size) == next->first) {
        m_freeBySize.erase({next->second, next->first});
        size += next->second;
        m_freeByAddress.erase(next);
    }
    m_freeByAddress.emplace(begin, size);
    m_freeBySize.emplace(size, begin);
    return true;
}

void GuestMemory::ZeroHeapRange(GuestAddress begin, std::uint32_t size, bool releaseOnly) {
    // Whole host pages of a large range go back to the kernel, which gives zero pages on the
    // next touch (and returns the memory); the partial pages at either end are cleared.
    std::byte* host = m_heapHost + (begin - guest::kHeapBase);
    std::byte* pagesBegin = host;
    std::byte* pagesEnd = host;
    if (size >= kReleaseThreshold) {
        const auto first = reinterpret_cast<std::uintptr_t>(host);
        const auto last = first + size;
        const auto alignedFirst = (first + m_hostPageSize - 1) / m_hostPageSize * m_hostPageSize;
        const auto alignedLast = last / m_hostPageSize * m_hostPageSize;
        if (alignedFirst < alignedLast && madvise(host + (alignedFirst - first),
                                                  alignedLast - alignedFirst, MADV_DONTNEED) == 0) {
            pagesBegin = host + (alignedFirst - first);
            pagesEnd = host + (alignedLast - first);
        }
    }
    if (releaseOnly)
        return;
    std::memset(host, 0, static_cast<std::size_t>(pagesBegin - host));
    std::memset(pagesEnd, 0, static_cast<std::size_t>(host + size - pagesEnd));
}

std::optional<GuestAddress> GuestMemory::Allocate(std::uint32_t size) {
    if (size > guest::kHeapSize)
        return std::nullopt;
    const std::uint32_t rounded =
        std::max(kBlockAlignment, (size + kBlockAlignment - 1) & ~(kBlockAlignment - 1));
    GuestAddress block = 0;
    {
        std::lock_guard lock(m_heapMutex);
        auto best = m_freeBySize.lower_bound({rounded, 0}); // the smallest range that fits
        if (best == m_freeBySize.end())
            return std::nullopt;
        const auto [freeSize, freeBegin] = *best;
        m_freeBySize.erase(best);
        m_freeByAddress.erase(freeBegin);
        if (freeSize > rounded) {
            m_freeByAddress.emplace(freeBegin + rounded, freeSize - rounded);
            m_freeBySize.emplace(freeSize - rounded, freeBegin + rounded);
        }
        m_liveBlocks.emplace(freeBegin, rounded);
        m_heapInUse += rounded;
        block = freeBegin;
    }
    // The block is ours alone now; clear it outside the lock.
    ZeroHeapRange(block, rounded, false);
    return block;
}

bool GuestMemory::Free(GuestAddress block) {
    std::uint32_t size = 0;
    {
        std::lock_guard lock(m_heapMutex);
        auto live = m_liveBlocks.find(block);
        if (live == m_liveBlocks.end())
            return false;
        size = live->second;
        m_liveBlocks.erase(live);
        m_heapInUse -= size;
        // Give large blocks' pages back while the range is still nobody's.
        if (size >= kReleaseThreshold)
            ZeroHeapRange(block, size, true);
        AddFreeRange(block, size);
    }
    InvalidateCode(block, size);
    return true;
}

std::uint32_t GuestMemory::BlockSize(GuestAddress block) const {
    std::lock_guard lock(m_heapMutex);
    auto live = m_liveBlocks.find(block);
    return live == m_liveBlocks.end() ? 0 : live->second;
}

std::uint64_t GuestMemory::HeapInUse() const {
    std::lock_guard lock(m_heapMutex);
    return m_heapInUse;
}

// --- runtime area ---

std::optional<GuestAddress> GuestMemory::AllocateRuntime(std::uint32_t size,
                                                         std::uint32_t alignment) {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0 || alignment > guest::kRuntimeSize)
        return std::nullopt;
    size = std::max<std::uint32_t>(size, 1);
    std::lock_guard lock(m_runtimeMutex);
    const std::uint64_t begin =
        (std::uint64_t{m_runtimeNext} + alignment - 1) & ~std::uint64_t{alignment - 1};
    if (begin + size > End(guest::kRuntimeBase, guest::kRuntimeSize))
        return std::nullopt;
    m_runtimeNext = static_cast<GuestAddress>(begin + size);
    return static_cast<GuestAddress>(begin);
}

bool GuestMemory::PlaceCode(GuestAddress address, std::span<const std::uint8_t> code,
                            std::span<const std::uint32_t> relocations) {
    if (code.size() > guest::kHeapSize)
        return false;
    const auto length = static_cast<std::uint32_t>(code.size());
    std::byte* host = Translate(address, length);
    if (host == nullptr)
        return false;
    for (std::uint32_t offset : relocations) {
        if (length < 4 || offset > length - 4)
            return false;
    }
    std::memcpy(host, code.data(), length);
    for (std::uint32_t offset : relocations) {
        std::uint32_t field = 0;
        std::memcpy(&field, host + offset, 4);
        field += address;
        std::memcpy(host + offset, &field, 4);
    }
    InvalidateCode(address, length);
    return true;
}

// --- trap area ---

bool GuestMemory::SetTrapArea(GuestAddress base, std::uint32_t slotSize, std::uint32_t count,
                              TrapHandler* handler) {
    const std::uint64_t size = std::uint64_t{slotSize} * count;
    if (handler == nullptr || size == 0 || size > guest::kHeapSize ||
        Translate(base, static_cast<std::uint32_t>(size)) == nullptr) {
        LogError("guest memory: unusable trap area at 0x{:08X} ({} slots of {} bytes)", base, count,
                 slotSize);
        return false;
    }
    std::lock_guard lock(m_trapMutex);
    m_trapAreas.push_back(std::make_unique<TrapArea>(TrapArea{base, slotSize, count, handler}));
    m_trapArea.store(m_trapAreas.back().get(), std::memory_order_release);
    return true;
}

// --- stacks ---

std::byte* GuestMemory::StackHost(std::uint32_t index) const {
    return index < guest::kStackCount ? m_stackHost + std::size_t{index} * guest::kStackSize
                                      : nullptr;
}

std::optional<std::uint32_t> GuestMemory::AcquireStack() {
    std::lock_guard lock(m_stackMutex);
    for (std::uint32_t index = 0; index < guest::kStackCount; ++index) {
        if ((m_stacksInUse & (1u << index)) == 0) {
            m_stacksInUse |= 1u << index;
            return index;
        }
    }
    return std::nullopt;
}

void GuestMemory::ReleaseStack(std::uint32_t index) {
    if (index >= guest::kStackCount)
        return;
    {
        std::lock_guard lock(m_stackMutex);
        m_stacksInUse &= ~(1u << index);
    }
    // The next engine on this stack starts from zeros, like a fresh thread stack.
    madvise(StackHost(index), guest::kStackSize, MADV_DONTNEED);
}

// --- code invalidation ---

void GuestMemory::InvalidateCode(GuestAddress address, std::uint32_t length) {
    if (length == 0)
        return;
    std::lock_guard lock(m_codeMutex);
    const std::uint64_t sequence = m_codeSequence.load(std::memory_order_relaxed) + 1;
    m_codeLog.push_back({sequence, address, End(address, length)});
    while (m_codeLog.size() > kCodeLogLimit)
        m_codeLog.pop_front();
    m_codeSequence.store(sequence, std::memory_order_release);
}

bool GuestMemory::CodeRangesSince(std::uint64_t since, std::vector<CodeRange>& out,
                                  std::uint64_t& upTo) const {
    out.clear();
    std::lock_guard lock(m_codeMutex);
    upTo = m_codeSequence.load(std::memory_order_relaxed);
    if (since >= upTo)
        return true;
    if (m_codeLog.empty() || m_codeLog.front().sequence > since + 1)
        return false;
    for (const CodeRange& range : m_codeLog) {
        if (range.sequence > since)
            out.push_back(range);
    }
    return true;
}

} // namespace platform
