// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/GuestMemory.h"
#include "platform/Result.h"

#include <cstdint>

namespace runtime {

class Implementations;

// The memory built-ins on guest memory. Every range goes through the bounds-checked
// translation: a source or destination range that is not wholly inside one guest region makes
// the call do nothing, so unit code can never reach host memory through them. They may run on
// any thread.
namespace memory {

// Copies `count` bytes, correct for overlapping ranges; nothing for count <= 0 or a range
// outside guest memory. True when it copied.
bool Move(platform::GuestMemory& memory, platform::GuestAddress source,
          platform::GuestAddress destination, std::int32_t count);
// Writes `count` copies of `value`; the same rules as Move.
bool FillChar(platform::GuestMemory& memory, platform::GuestAddress destination, std::int32_t count,
              std::uint8_t value);

// A zero-filled heap block of `byteCount` bytes (0 gets the smallest block), remembered as handed
// out by GETMEM; 0 for a negative count or when the heap has no room.
platform::GuestAddress GetMem(platform::GuestMemory& memory, std::int32_t byteCount);
// Frees a block that GetMem handed out on `memory` and that was not freed since; any other
// address (a unit's block, a stack address, 0, a block already freed) does nothing. True when
// it freed.
bool FreeMem(platform::GuestMemory& memory, platform::GuestAddress block);
// How many GETMEM blocks of `memory` are live.
std::size_t LiveGetMemBlocks(const platform::GuestMemory& memory);
// Drops what is remembered of `memory`'s GETMEM blocks, for the owner of a guest memory that
// is about to be destroyed (a later one may be made at the same host address).
void ForgetGetMemBlocks(const platform::GuestMemory& memory);

} // namespace memory

// Binds MOVE, FILLCHAR, GETMEM, FREEMEM and ADDR ("@" shares ADDR's entry). GETMEM stores the
// block's address in Variable (0 when it cannot allocate); FREEMEM leaves Variable as it is.
platform::Status AddMemoryFunctions(Implementations& implementations);

} // namespace runtime
