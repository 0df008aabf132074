// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"
#include "platform/Result.h"
#include "platform/SharedMemory.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine {

inline constexpr std::string_view kGlobalBlockName = "QUORVAPLC32";
// Offset of the layout-changed flag; the globals start right after it.
inline constexpr std::uint32_t kLayoutFlagOffset = 0;
inline constexpr std::uint32_t kGlobalsOffset = 1;

// A view of the global block: the host pointer of byte 0, the size, and the guest address that
// byte 0 has (guest::kGlobalBase in the run-time; tools without a guest use the same number so
// that addresses agree everywhere). A plain value; it does not own the memory.
struct GlobalView {
    std::byte* host = nullptr;
    std::uint32_t size = 0;
    platform::GuestAddress guestBase = 0;

    // The guest address of the first global (byte 1).
    platform::GuestAddress GlobalsBase() const { return guestBase + kGlobalsOffset; }
    // The host bytes of [address, address + length) when they lie wholly inside the view, else
    // null.
    std::byte* Translate(platform::GuestAddress address, std::uint32_t length) const;
};

// The layout-changed flag in byte 0: set by another process (the editor) when the global
// variables must be looked up again, cleared by VariableStore::LoadGlobalNames. Read and written
// atomically; any thread may call these. A view without memory reads false and ignores writes.
bool LayoutChanged(const GlobalView& view);
void SetLayoutChanged(const GlobalView& view, bool changed);

// The shared block of the global variables, "QUORVAPLC32" (+ the instance name suffix): POSIX
// shared memory of guest::kGlobalSize bytes (400000 rounded up to pages), so the guest can map it
// whole at guest::kGlobalBase. Byte 0 is the layout-changed flag, the globals start at byte 1.
// Each Attach gives a mapping of its own over the same memory (the loader and the variable store
// each hold one, as may another process); a block left over by a crashed run starts from zeros.
// The object owns its mapping and is moved, not copied. The memory itself is not locked: values
// are read and written with single copies of their size by any thread or process.
class GlobalBlock {
public:
    static platform::Result<GlobalBlock> Attach();

    std::byte* Host() const { return m_memory.Data(); }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_memory.Size()); }
    // The view with byte 0 at guest::kGlobalBase.
    GlobalView View() const { return {Host(), Size(), platform::guest::kGlobalBase}; }

private:
    explicit GlobalBlock(platform::SharedMemory memory) : m_memory(std::move(memory)) {}

    platform::SharedMemory m_memory;
};

} // namespace engine
