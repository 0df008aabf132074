// Quorva run-time. Licensed under the MIT licence.
#include "shell/LinkArea.h"

#include "platform/CodePage.h"
#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>

namespace shell {

namespace {

constexpr std::size_t kAttachCountOffset = 0;
constexpr std::size_t kBlockCountOffset = 2;
constexpr std::size_t kFirstBlockOffset = 4;
// A block's name is followed by its 0 byte and the two bytes of its size.
constexpr std::size_t kBlockOverhead = 3;
constexpr std::size_t kShortStringMax = 255;

// The area is little-endian whatever the host.
std::uint16_t FromLittleEndian(std::uint16_t value) {
    if constexpr (std::endian::native == std::endian::big)
        return __builtin_bswap16(value);
    return value;
}

std::uint32_t FromLittleEndian(std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::big)
        return __builtin_bswap32(value);
    return value;
}

// The two counters are aligned (the mapping starts on a page), so they are read and written as
// atomics: other processes may attach or append blocks at the same time.
std::uint16_t LoadCounter(const std::byte* area, std::size_t offset) {
    auto* cell = reinterpret_cast<std::uint16_t*>(const_cast<std::byte*>(area + offset));
    return FromLittleEndian(std::atomic_ref<std::uint16_t>(*cell).load(std::memory_order_acquire));
}

void StoreCounter(std::byte* area, std::size_t offset, std::uint16_t value) {
    auto* cell = reinterpret_cast<std::uint16_t*>(area + offset);
    std::atomic_ref<std::uint16_t>(*cell).store(FromLittleEndian(value), std::memory_order_release);
}

std::uint16_t LoadUnaligned16(const std::byte* cell) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(cell[0]) |
                                      (std::to_integer<unsigned>(cell[1]) << 8));
}

void StoreUnaligned16(std::byte* cell, std::uint16_t value) {
    cell[0] = static_cast<std::byte>(value & 0xFF);
    cell[1] = static_cast<std::byte>(value >> 8);
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

void OnAttach(std::byte* area, bool fresh) {
    if (fresh) {
        StoreCounter(area, kAttachCountOffset, 1);
        StoreCounter(area, kBlockCountOffset, 0);
        return;
    }
    std::uint16_t count = LoadCounter(area, kAttachCountOffset);
    if (count < 0xFFFF)
        StoreCounter(area, kAttachCountOffset, static_cast<std::uint16_t>(count + 1));
}

void OnDetach(std::byte* area) {
    std::uint16_t count = LoadCounter(area, kAttachCountOffset);
    if (count > 0)
        StoreCounter(area, kAttachCountOffset, static_cast<std::uint16_t>(count - 1));
}

} // namespace

platform::Result<LinkArea> LinkArea::Attach() {
    auto memory = platform::SharedMemory::Attach(kLinkAreaName, kLinkAreaSize, OnAttach, OnDetach);
    if (!memory.IsOk())
        return platform::Fail("cannot attach the editor link area: " + memory.Error());
    return LinkArea(std::move(memory).Value());
}

LinkArea::LinkArea(platform::SharedMemory memory)
    : m_memory(std::move(memory)), m_mutex(std::make_unique<std::mutex>()) {}

std::uint16_t LinkArea::AttachCount() const {
    return m_memory.Data() ? LoadCounter(m_memory.Data(), kAttachCountOffset) : 0;
}

std::uint16_t LinkArea::BlockCount() const {
    return m_memory.Data() ? LoadCounter(m_memory.Data(), kBlockCountOffset) : 0;
}

std::byte* LinkArea::LinkBlock(std::string_view name, std::uint16_t size) {
    std::byte* area = m_memory.Data();
    if (area == nullptr || !m_mutex) {
        platform::LogError("LinkBlock: the editor link area is not attached");
        return nullptr;
    }
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        platform::LogError("LinkBlock: a block name must be non-empty and free of 0 bytes");
        return nullptr;
    }
    std::lock_guard threads(*m_mutex);
    platform::SharedMemory::ExclusiveLock processes = m_memory.LockExclusive();

    // The directory is shared with other programs: every step of the walk is checked against
    // the end of the area.
    const std::uint16_t count = LoadCounter(area, kBlockCountOffset);
    std::size_t position = kFirstBlockOffset;
    for (std::uint16_t index = 0; index < count; ++index) {
        const std::byte* start = area + position;
        const void* end = std::memchr(start, 0, kLinkAreaSize - position);
        std::size_t nameLength =
            end ? static_cast<std::size_t>(static_cast<const std::byte*>(end) - start) : 0;
        std::size_t dataOffset = position + nameLength + kBlockOverhead;
        if (end == nullptr || dataOffset > kLinkAreaSize) {
            platform::LogError("LinkBlock: the directory of {} is damaged at block {} of {}",
                               m_memory.Name(), index + 1, count);
            return nullptr;
        }
        std::uint16_t blockSize = LoadUnaligned16(area + position + nameLength + 1);
        if (blockSize > kLinkAreaSize - dataOffset) {
            platform::LogError("LinkBlock: the directory of {} is damaged at block {} of {}",
                               m_memory.Name(), index + 1, count);
            return nullptr;
        }
        std::string_view blockName(reinterpret_cast<const char*>(start), nameLength);
        if (EqualIgnoringCase(blockName, name)) {
            if (blockSize < size) {
                platform::LogError("LinkBlock: block \"{}\" holds {} bytes, {} are needed",
                                   platform::CodePageToUtf8(name), blockSize, size);
                return nullptr;
            }
            return area + dataOffset;
        }
        position = dataOffset + blockSize;
    }

    if (name.size() + kBlockOverhead + size > kLinkAreaSize - position) {
        platform::LogError("LinkBlock: block \"{}\" of {} bytes does not fit in {} ({} bytes free)",
                           platform::CodePageToUtf8(name), size, m_memory.Name(),
                           kLinkAreaSize - position);
        return nullptr;
    }
    std::byte* block = area + position;
    std::memcpy(block, name.data(), name.size());
    block[name.size()] = std::byte{0};
    StoreUnaligned16(block + name.size() + 1, size);
    std::byte* data = block + name.size() + kBlockOverhead;
    std::memset(data, 0, size);
    // Counted last, so that a reader never walks into a block that is half written.
    StoreCounter(area, kBlockCountOffset, static_cast<std::uint16_t>(count + 1));
    return data;
}

std::int32_t LoadLinkInt32(const std::byte* cell) {
    if (cell == nullptr)
        return 0;
    std::uint32_t raw;
    if (reinterpret_cast<std::uintptr_t>(cell) % alignof(std::uint32_t) == 0) {
        auto* aligned = reinterpret_cast<std::uint32_t*>(const_cast<std::byte*>(cell));
        raw = std::atomic_ref<std::uint32_t>(*aligned).load(std::memory_order_acquire);
        raw = FromLittleEndian(raw);
    } else {
        // Another process writes the cell: read each byte from memory, never from a copy the
        // compiler kept.
        const volatile std::byte* bytes = cell;
        raw = 0;
        for (int i = 3; i >= 0; --i)
            raw = (raw << 8) | std::to_integer<std::uint32_t>(bytes[i]);
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return static_cast<std::int32_t>(raw);
}

void StoreLinkInt32(std::byte* cell, std::int32_t value) {
    if (cell == nullptr)
        return;
    auto raw = static_cast<std::uint32_t>(value);
    if (reinterpret_cast<std::uintptr_t>(cell) % alignof(std::uint32_t) == 0) {
        auto* aligned = reinterpret_cast<std::uint32_t*>(cell);
        std::atomic_ref<std::uint32_t>(*aligned).store(FromLittleEndian(raw),
                                                       std::memory_order_release);
    } else {
        std::atomic_thread_fence(std::memory_order_release);
        volatile std::byte* bytes = cell;
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::byte>((raw >> (8 * i)) & 0xFF);
    }
}

std::string LoadLinkShortString(const std::byte* block) {
    if (block == nullptr)
        return {};
    std::size_t length = std::to_integer<std::size_t>(block[0]);
    return std::string(reinterpret_cast<const char*>(block + 1), length);
}

void StoreLinkShortString(std::byte* block, std::string_view text) {
    if (block == nullptr)
        return;
    std::size_t length = std::min(text.size(), kShortStringMax);
    std::memcpy(block + 1, text.data(), length);
    // The length last, so that a reader sees the text it announces.
    std::atomic_thread_fence(std::memory_order_release);
    block[0] = static_cast<std::byte>(length);
}

} // namespace shell
