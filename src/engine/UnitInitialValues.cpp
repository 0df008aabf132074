// Quorva run-time. Licensed under the MIT licence.
// The initial values of a unit's variables, written from their texts by type code.
#include "engine/Loader.h"
#include "platform/Extended.h"
#include "platform/Log.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace engine {

namespace {

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A decimal integer, or hexadecimal after "$"; anything from INT32_MIN to UINT32_MAX, since
// only the low bytes are stored.
std::optional<std::uint32_t> ParseInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative ? magnitude > 0x80000000ull : magnitude > 0xFFFFFFFFull)
        return std::nullopt;
    const std::uint64_t value = negative ? (~magnitude + 1) : magnitude;
    return static_cast<std::uint32_t>(value);
}

// A real in the notation of either decimal separator.
std::optional<long double> ParseReal(std::string_view text) {
    std::string plain(Trim(text));
    std::replace(plain.begin(), plain.end(), ',', '.');
    if (!plain.empty() && plain.front() == '+')
        plain.erase(0, 1);
    long double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (plain.empty() || error != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return value;
}

} // namespace

void Loader::ApplyInitialValue(const QruVariable& variable, platform::GuestAddress address) {
    const std::string& text = variable.initialValue;
    if (text.empty() || variable.size <= 0)
        return;
    const auto size = static_cast<std::uint32_t>(variable.size);
    platform::GuestMemory& memory = m_context.memory;
    auto invalid = [&] {
        platform::LogWarning("loader: unit {}: variable {} keeps 0: initial value '{}' is not "
                             "a {}",
                             m_currentUnitName, variable.name, text, TypeCodeName(variable.type));
    };
    switch (static_cast<TypeCode>(variable.type)) {
    case TypeCode::Boolean:
    case TypeCode::Boolean6: {
        const std::uint8_t value = UpperAscii(text) == "TRUE" || text == "1" ? 1 : 0;
        memory.Write<std::uint8_t>(address, value);
        break;
    }
    case TypeCode::Integer:
    case TypeCode::Byte:
    case TypeCode::Word: {
        const std::optional<std::uint32_t> value = ParseInteger(text);
        if (!value) {
            invalid();
            break;
        }
        memory.WriteBytes(address, &*value, std::min<std::uint32_t>(size, 4));
        break;
    }
    case TypeCode::RealValue:
    case TypeCode::Real:
    case TypeCode::Single:
    case TypeCode::Double: {
        const std::optional<long double> value = ParseReal(text);
        if (!value) {
            invalid();
            break;
        }
        const auto type = static_cast<TypeCode>(variable.type);
        if (type == TypeCode::Single && size >= sizeof(float)) {
            memory.Write<float>(address, static_cast<float>(*value));
        } else if (type == TypeCode::Double && size >= sizeof(double)) {
            memory.Write<double>(address, static_cast<double>(*value));
        } else if (size >= platform::kExtendedSize) {
            const platform::ExtendedBytes bytes = platform::ToExtended(*value);
            memory.WriteBytes(address, bytes.data(), platform::kExtendedSize);
        }
        break;
    }
    case TypeCode::StringLiteral:
    case TypeCode::String: {
        // A short string cut to the variable's room: a length byte, then the characters.
        const std::size_t length = std::min<std::size_t>({text.size(), 255, size - 1});
        std::string bytes(1, static_cast<char>(length));
        bytes.append(text, 0, length);
        memory.WriteBytes(address, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        break;
    }
    default:
        break; // arrays, records, references and the rest stay zero
    }
}

} // namespace engine
