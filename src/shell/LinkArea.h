// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "platform/SharedMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace shell {

inline constexpr std::string_view kLinkAreaName = "QRLINK32";
inline constexpr std::size_t kLinkAreaSize = 50000;

// The shared link area with its directory of named blocks, shared with the editor and other
// processes. Layout (little-endian): attach count (u16) at 0, block count (u16) at 2, then the
// blocks one after the other, each: name bytes, a 0 byte, data size (u16), data. Nothing is
// ever removed, so a block's data pointer stays valid while the area is attached.
//
// Attach() adds this process to the attach count (a fresh area starts at count 1 with no
// blocks); the destructor subtracts it again, and the last process to leave removes the shared
// object. The object owns the mapping and is moved, not copied. LinkBlock may be called from any
// thread; block creation is locked against other threads and other processes. The blocks'
// contents are not locked: they are read and written with the Load/Store functions below.
class LinkArea {
public:
    static platform::Result<LinkArea> Attach();

    LinkArea(LinkArea&&) noexcept = default;
    LinkArea& operator=(LinkArea&&) noexcept = default;
    ~LinkArea() = default;

    // The data of the block named `name` (ASCII case ignored), or of a new block of `size` zero
    // bytes appended under `name` as given. Null, with the reason logged, when the name is empty
    // or holds a 0 byte, when a new block would not fit in the area, when the block exists with
    // fewer than `size` bytes (writing `size` bytes would spill into its neighbour), or when the
    // directory is damaged (a walk that would leave the area).
    std::byte* LinkBlock(std::string_view name, std::uint16_t size);

    std::uint16_t AttachCount() const;
    std::uint16_t BlockCount() const;
    std::byte* Data() const { return m_memory.Data(); }

private:
    explicit LinkArea(platform::SharedMemory memory);

    platform::SharedMemory m_memory;
    std::unique_ptr<std::mutex> m_mutex; // block creation by threads of this process
};

// Integers in blocks: little-endian and not aligned; each access is a single read or write of
// the cell where the address allows it. A null cell reads 0 and ignores writes.
std::int32_t LoadLinkInt32(const std::byte* cell);
void StoreLinkInt32(std::byte* cell, std::int32_t value);

// Short strings in blocks: a length byte and up to 255 bytes of text; the block must hold 256
// bytes (or the text length + 1). Longer texts are cut to 255 bytes. A null block reads "" and
// ignores writes.
std::string LoadLinkShortString(const std::byte* block);
void StoreLinkShortString(std::byte* block, std::string_view text);

} // namespace shell
