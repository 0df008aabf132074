// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GuestValues.h"

#include <algorithm>

namespace runtime {

ShortString ReadGuestString(const GuestMemory& memory, GuestAddress address) {
    const std::byte* length = memory.Translate(address, 1);
    if (!length)
        return {};
    const std::byte* stored =
        memory.Translate(address, std::to_integer<std::uint32_t>(length[0]) + 1);
    if (!stored)
        return {};
    return ShortString::FromStored(reinterpret_cast<const std::uint8_t*>(stored));
}

bool WriteGuestString(GuestMemory& memory, GuestAddress address, const ShortString& value) {
    std::byte* host = memory.Translate(address, static_cast<std::uint32_t>(value.Length()) + 1);
    if (!host)
        return false;
    std::memcpy(host, value.Stored(), value.Length() + 1);
    return true;
}

std::size_t StringRef::Capacity() const {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(m_highestIndex, 0, 255));
}

ShortString StringRef::Get() const { return ReadGuestString(*m_memory, m_address); }

std::optional<std::uint8_t> StringRef::LengthByte() const {
    const std::byte* host = m_memory->Translate(m_address, 1);
    if (!host)
        return std::nullopt;
    return std::to_integer<std::uint8_t>(host[0]);
}

bool StringRef::Set(std::string_view text) const {
    ShortString value(text.substr(0, std::min(text.size(), Capacity())));
    // The whole variable (highest index + 1 bytes) must lie in guest memory, not only what is
    // written now.
    if (!m_memory->Translate(m_address, static_cast<std::uint32_t>(Capacity()) + 1))
        return false;
    return WriteGuestString(*m_memory, m_address, value);
}

std::optional<GuestAddress> BitRef::WordAddress() const {
    if (m_bitNumber < 0)
        return std::nullopt;
    return m_words + static_cast<std::uint32_t>(m_bitNumber / 32) * 4;
}

std::optional<bool> BitRef::Get() const {
    std::optional<GuestAddress> word = WordAddress();
    if (!word)
        return std::nullopt;
    std::optional<std::uint32_t> value = m_memory->Read<std::uint32_t>(*word);
    if (!value)
        return std::nullopt;
    return ((*value >> (m_bitNumber % 32)) & 1u) != 0;
}

bool BitRef::Set(bool on) const {
    std::optional<GuestAddress> word = WordAddress();
    if (!word)
        return false;
    std::optional<std::uint32_t> value = m_memory->Read<std::uint32_t>(*word);
    if (!value)
        return false;
    std::uint32_t mask = 1u << (m_bitNumber % 32);
    return m_memory->Write<std::uint32_t>(*word, on ? (*value | mask) : (*value & ~mask));
}

std::optional<ValueListEntry> ValueListRef::Entry(std::int32_t index) const {
    if (index < 0 || index > m_lastIndex)
        return std::nullopt;
    const std::byte* host = m_memory->Translate(m_first + static_cast<std::uint32_t>(index) * 8, 8);
    if (!host)
        return std::nullopt;
    ValueListEntry entry;
    std::memcpy(&entry.value, host, 4);
    entry.tag = std::to_integer<std::uint8_t>(host[4]);
    return entry;
}

} // namespace runtime
