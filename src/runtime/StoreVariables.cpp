// Quorva run-time. Licensed under the MIT licence.
#include "runtime/StoreVariables.h"

#include <cstring>

#include "engine/VariableStore.h"
#include "platform/Extended.h"

namespace runtime {

std::optional<screens::VariableBinding> StoreVariables::Resolve(std::string_view name)
{
    std::optional<platform::GuestAddress> address = m_store.GlobalAddress(name);
    if (!address)
        return std::nullopt;
    std::uint8_t type = m_store.GlobalType(name);
    return screens::VariableBinding{type, *address};
}

template <typename T> T StoreVariables::ReadAt(std::uint32_t address, std::uint32_t width)
{
    T value{};
    if (const std::byte* host = m_store.View().Translate(address, width))
        std::memcpy(&value, host, width < sizeof(T) ? width : sizeof(T));
    return value;
}

std::uint8_t StoreVariables::ReadByte(std::uint32_t address)
{
    return ReadAt<std::uint8_t>(address);
}

std::uint16_t StoreVariables::ReadWord(std::uint32_t address)
{
    return ReadAt<std::uint16_t>(address);
}

std::int32_t StoreVariables::ReadInteger(std::uint32_t address)
{
    return ReadAt<std::int32_t>(address);
}

long double StoreVariables::ReadReal(std::uint32_t address)
{
    const std::byte* host = m_store.View().Translate(address, platform::kExtendedSize);
    return host == nullptr ? 0.0L : platform::FromExtended(host);
}

float StoreVariables::ReadSingle(std::uint32_t address)
{
    return ReadAt<float>(address);
}

std::string StoreVariables::ReadShortString(std::uint32_t address)
{
    const std::byte* length = m_store.View().Translate(address, 1);
    if (length == nullptr)
        return {};
    auto count = static_cast<std::uint32_t>(*length);
    const std::byte* bytes = m_store.View().Translate(address + 1, count);
    if (bytes == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(bytes), count);
}

std::optional<std::string> StoreVariables::Text(std::string_view name)
{
    if (!m_store.GlobalAddress(name))
        return std::nullopt;
    return m_store.GetGlobalText(name);
}

bool StoreVariables::SetText(std::string_view name, std::string_view text)
{
    return m_store.SetGlobalText(name, text);
}

} // namespace runtime
