// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MemoryFunctions.h"

#include "platform/Log.h"
#include "runtime/RuntimeLibrary.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace runtime {

namespace memory {

namespace {

// The blocks GETMEM handed out, per guest memory. FREEMEM frees only these: unit code holding
// the address of its own block, of a record or of anything else the run-time allocated must
// not be able to release it. There is one guest memory per process; the map key keeps test
// processes that make several apart.
class GetMemBlocks {
public:
    void Add(const platform::GuestMemory& memory, platform::GuestAddress block) {
        std::lock_guard lock(m_mutex);
        m_blocks[&memory].insert(block);
    }
    bool Remove(const platform::GuestMemory& memory, platform::GuestAddress block) {
        std::lock_guard lock(m_mutex);
        auto it = m_blocks.find(&memory);
        return it != m_blocks.end() && it->second.erase(block) != 0;
    }
    std::size_t Count(const platform::GuestMemory& memory) const {
        std::lock_guard lock(m_mutex);
        auto it = m_blocks.find(&memory);
        return it == m_blocks.end() ? 0 : it->second.size();
    }
    void Forget(const platform::GuestMemory& memory) {
        std::lock_guard lock(m_mutex);
        m_blocks.erase(&memory);
    }

private:
    mutable std::mutex m_mutex;
    std::map<const platform::GuestMemory*, std::set<platform::GuestAddress>> m_blocks;
};

GetMemBlocks& Blocks() {
    static GetMemBlocks blocks;
    return blocks;
}

} // namespace

bool Move(platform::GuestMemory& memory, platform::GuestAddress source,
          platform::GuestAddress destination, std::int32_t count) {
    if (count <= 0)
        return false;
    const auto length = static_cast<std::uint32_t>(count);
    const std::byte* from = memory.Translate(source, length);
    std::byte* to = memory.Translate(destination, length);
    if (!from || !to)
        return false;
    std::memmove(to, from, length);
    return true;
}

bool FillChar(platform::GuestMemory& memory, platform::GuestAddress destination, std::int32_t count,
              std::uint8_t value) {
    if (count <= 0)
        return false;
    const auto length = static_cast<std::uint32_t>(count);
    std::byte* to = memory.Translate(destination, length);
    if (!to)
        return false;
    std::memset(to, value, length);
    return true;
}

platform::GuestAddress GetMem(platform::GuestMemory& memory, std::int32_t byteCount) {
    if (byteCount < 0) {
        platform::LogDebug("GETMEM of {} bytes refused", byteCount);
        return 0;
    }
    const std::optional<platform::GuestAddress> block =
        memory.Allocate(static_cast<std::uint32_t>(byteCount));
    if (!block) {
        platform::LogWarning("GETMEM: no room for {} bytes on the heap", byteCount);
        return 0;
    }
    Blocks().Add(memory, *block);
    return *block;
}

bool FreeMem(platform::GuestMemory& memory, platform::GuestAddress block) {
    if (!Blocks().Remove(memory, block))
        return false;
    return memory.Free(block);
}

std::size_t LiveGetMemBlocks(const platform::GuestMemory& memory) {
    return Blocks().Count(memory);
}

void ForgetGetMemBlocks(const platform::GuestMemory& memory) {
    Blocks().Forget(memory);
}

} // namespace memory

namespace {

void MoveCall(CallFrame& frame, UntypedRef source, UntypedRef destination, std::int32_t count) {
    memory::Move(frame.Memory(), source.address, destination.address, count);
}

void FillCharCall(CallFrame& frame, UntypedRef variable, std::int32_t count, std::uint8_t value) {
    memory::FillChar(frame.Memory(), variable.address, count, value);
}

void GetMemCall(CallFrame& frame, Ref<std::int32_t> variable, std::int32_t byteCount) {
    // Nowhere to put the address: allocate nothing rather than lose the block.
    if (!variable.Valid())
        return;
    variable.Set(static_cast<std::int32_t>(memory::GetMem(frame.Memory(), byteCount)));
}

void FreeMemCall(CallFrame& frame, Ref<std::int32_t> variable, std::int32_t /*byteCount*/) {
    if (auto block = variable.Get())
        memory::FreeMem(frame.Memory(), static_cast<platform::GuestAddress>(*block));
}

std::int32_t AddrCall(UntypedRef variable) {
    return static_cast<std::int32_t>(variable.address);
}

} // namespace

platform::Status AddMemoryFunctions(Implementations& implementations) {
    for (auto added :
         {implementations.Add<&MoveCall>("MOVE"), implementations.Add<&FillCharCall>("FILLCHAR"),
          implementations.Add<&GetMemCall>("GETMEM"), implementations.Add<&FreeMemCall>("FREEMEM"),
          implementations.Add<&AddrCall>("ADDR")}) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
