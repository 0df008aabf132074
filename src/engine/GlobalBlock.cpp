// Quorva run-time. Licensed under the MIT licence.
#include "engine/GlobalBlock.h"

#include <atomic>
#include <utility>

namespace engine {

std::byte* GlobalView::Translate(platform::GuestAddress address, std::uint32_t length) const {
    if (host == nullptr || address < guestBase)
        return nullptr;
    const std::uint64_t offset = address - guestBase;
    if (offset + length > size)
        return nullptr;
    return host + offset;
}

bool LayoutChanged(const GlobalView& view) {
    if (view.host == nullptr || view.size <= kLayoutFlagOffset)
        return false;
    auto& flag = reinterpret_cast<unsigned char&>(view.host[kLayoutFlagOffset]);
    return std::atomic_ref<unsigned char>(flag).load(std::memory_order_acquire) != 0;
}

void SetLayoutChanged(const GlobalView& view, bool changed) {
    if (view.host == nullptr || view.size <= kLayoutFlagOffset)
        return;
    auto& flag = reinterpret_cast<unsigned char&>(view.host[kLayoutFlagOffset]);
    std::atomic_ref<unsigned char>(flag).store(changed ? 1 : 0, std::memory_order_release);
}

platform::Result<GlobalBlock> GlobalBlock::Attach() {
    auto memory = platform::SharedMemory::Attach(kGlobalBlockName, platform::guest::kGlobalSize);
    if (!memory.IsOk())
        return platform::Fail("cannot attach the global block: " + memory.Error());
    return GlobalBlock(std::move(memory).Value());
}

} // namespace engine
