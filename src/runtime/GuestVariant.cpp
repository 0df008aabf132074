// Quorva run-time. Licensed under the MIT licence.
#include "runtime/GuestVariant.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

#include <QString>

#include "platform/CodePage.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/DateTimeFormat.h"

namespace runtime {

namespace {

using platform::GuestAddress;
using platform::GuestMemory;

// The most UTF-16 units of a string that are read: more than a String can hold in any code page.
constexpr std::uint32_t kMaxStringUnits = 1024;

template <typename T> std::optional<T> Load(const GuestMemory& memory, GuestAddress address)
{
    return memory.Read<T>(address);
}

// A wide string given by its pointer: the 32-bit byte length sits just before the characters.
VariantValue ReadWideString(const GuestMemory& memory, GuestAddress characters)
{
    if (characters == 0)
        return std::string();
    if (characters < 4)
        return std::monostate{};
    const std::optional<std::uint32_t> byteLength = Load<std::uint32_t>(memory, characters - 4);
    if (!byteLength)
        return std::monostate{};
    const std::uint32_t units = std::min(*byteLength / 2, kMaxStringUnits);
    std::u16string text(units, u'\0');
    if (units != 0 && !memory.ReadBytes(characters, text.data(), units * 2))
        return std::monostate{};
    // A character cut in half by the unit limit is dropped rather than shown as a replacement.
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
        text.pop_back();
    const QByteArray utf8 = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
    std::string converted = platform::Utf8ToCodePage(std::string_view(utf8.constData(),
                                                                      static_cast<std::size_t>(utf8.size())));
    if (converted.size() > ShortString::kCapacity)
        converted.resize(ShortString::kCapacity);
    return converted;
}

// A 96-bit decimal: scale byte at +2, sign byte at +3 (0x80 negative), high 32 bits at +4, low
// 64 bits at +8.
VariantValue ReadDecimal(const GuestMemory& memory, GuestAddress address)
{
    const auto scale = Load<std::uint8_t>(memory, address + 2);
    const auto sign = Load<std::uint8_t>(memory, address + 3);
    const auto high = Load<std::uint32_t>(memory, address + 4);
    const auto low = Load<std::uint64_t>(memory, address + 8);
    if (!scale || !sign || !high || !low || *scale > 28)
        return std::monostate{};
    long double value = static_cast<long double>(*high) * 18446744073709551616.0L +
                        static_cast<long double>(*low);
    value /= std::pow(10.0L, static_cast<long double>(*scale));
    if ((*sign & 0x80) != 0)
        value = -value;
    return static_cast<double>(value);
}

template <typename T, typename As> VariantValue Number(const GuestMemory& memory, GuestAddress at)
{
    if (const std::optional<T> value = Load<T>(memory, at))
        return static_cast<As>(*value);
    return std::monostate{};
}

// The value of type `type` (no by-reference flag) stored at `at`; `variantStart` is where the
// variant begins (a decimal fills the whole variant).
VariantValue ReadValue(const GuestMemory& memory, std::uint16_t type, GuestAddress at,
                       GuestAddress variantStart)
{
    namespace vt = varianttype;
    switch (type) {
    case vt::kI1: return Number<std::int8_t, std::int64_t>(memory, at);
    case vt::kUI1: return Number<std::uint8_t, std::int64_t>(memory, at);
    case vt::kI2: return Number<std::int16_t, std::int64_t>(memory, at);
    case vt::kUI2: return Number<std::uint16_t, std::int64_t>(memory, at);
    case vt::kI4:
    case vt::kInt: return Number<std::int32_t, std::int64_t>(memory, at);
    case vt::kUI4:
    case vt::kUInt: return Number<std::uint32_t, std::int64_t>(memory, at);
    case vt::kI8: return Number<std::int64_t, std::int64_t>(memory, at);
    case vt::kUI8: return Number<std::uint64_t, std::uint64_t>(memory, at);
    case vt::kR4: return Number<float, double>(memory, at);
    case vt::kR8: return Number<double, double>(memory, at);
    case vt::kCurrency:
        // A currency is a 64-bit integer counting ten-thousandths.
        if (const auto scaled = Load<std::int64_t>(memory, at))
            return static_cast<double>(static_cast<long double>(*scaled) / 10000.0L);
        return std::monostate{};
    case vt::kDate:
        if (const auto days = Load<double>(memory, at))
            return VariantDate{*days};
        return std::monostate{};
    case vt::kBool:
        if (const auto flag = Load<std::int16_t>(memory, at))
            return *flag != 0;
        return std::monostate{};
    case vt::kBstr:
        if (const auto pointer = Load<std::uint32_t>(memory, at))
            return ReadWideString(memory, *pointer);
        return std::monostate{};
    case vt::kDecimal:
        return ReadDecimal(memory, variantStart);
    default:
        return std::monostate{};
    }
}

VariantValue ReadVariantAt(const GuestMemory& memory, GuestAddress address, int depth)
{
    namespace vt = varianttype;
    if (address == 0 || address > std::numeric_limits<GuestAddress>::max() - 16)
        return std::monostate{};
    const std::optional<std::uint16_t> typeWord = Load<std::uint16_t>(memory, address);
    if (!typeWord)
        return std::monostate{};
    const std::uint16_t type = static_cast<std::uint16_t>(*typeWord & 0x0FFF);
    // Arrays (0x2000) and vectors (0x1000) are not converted.
    if ((*typeWord & 0x3000) != 0)
        return std::monostate{};
    if ((*typeWord & vt::kByRef) == 0)
        return ReadValue(memory, type, address + 8, address);
    const std::optional<std::uint32_t> pointer = Load<std::uint32_t>(memory, address + 8);
    if (!pointer || *pointer == 0)
        return std::monostate{};
    if (type == vt::kVariant)
        // A variant may refer to another variant, once; that one is read as it is.
        return depth == 0 ? ReadVariantAt(memory, *pointer, depth + 1) : VariantValue{};
    if (type == vt::kDecimal)
        return *pointer > std::numeric_limits<GuestAddress>::max() - 16 ? VariantValue{}
                                                                         : ReadDecimal(memory, *pointer);
    return ReadValue(memory, type, *pointer, *pointer);
}

std::string Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// A decimal number text with "." or "," as decimal point; nothing for any other text.
std::optional<double> TextNumber(std::string_view text)
{
    std::string trimmed = Trimmed(text);
    if (trimmed.empty())
        return std::nullopt;
    ValResult read = ValText(trimmed);
    if (read.status != 0 && trimmed.find('.') == std::string::npos &&
        std::count(trimmed.begin(), trimmed.end(), ',') == 1) {
        std::replace(trimmed.begin(), trimmed.end(), ',', '.');
        read = ValText(trimmed);
    }
    if (read.status != 0)
        return std::nullopt;
    return static_cast<double>(read.value);
}

std::optional<bool> TextBoolean(std::string_view text)
{
    const std::string word = platform::UpperAscii(Trimmed(text));
    if (word == "TRUE")
        return true;
    if (word == "FALSE")
        return false;
    if (const std::optional<double> number = TextNumber(word))
        return *number != 0;
    return std::nullopt;
}

// A floating value as a whole number for the integer results: rounded, halves to even.
// Not-a-number gives nothing.
std::optional<long double> Whole(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    return static_cast<long double>(std::nearbyint(value));
}

// The value as a signed 64-bit integer range number for the integer results, saturating.
template <typename T> T Saturated(const VariantValue& value)
{
    constexpr long double low = static_cast<long double>(std::numeric_limits<T>::min());
    constexpr long double high = static_cast<long double>(std::numeric_limits<T>::max());
    const auto clamp = [&](long double number) {
        return static_cast<T>(std::clamp(number, low, high));
    };
    return std::visit(
        [&](const auto& held) -> T {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::int64_t> || std::is_same_v<Held, std::uint64_t>) {
                return clamp(static_cast<long double>(held));
            } else if constexpr (std::is_same_v<Held, double>) {
                const std::optional<long double> whole = Whole(held);
                return whole ? clamp(*whole) : T{0};
            } else if constexpr (std::is_same_v<Held, VariantDate>) {
                const std::optional<long double> whole = Whole(held.days);
                return whole ? clamp(*whole) : T{0};
            } else if constexpr (std::is_same_v<Held, bool>) {
                return held ? T{1} : T{0};
            } else if constexpr (std::is_same_v<Held, std::string>) {
                const std::optional<double> number = TextNumber(held);
                const std::optional<long double> whole = number ? Whole(*number) : std::nullopt;
                return whole ? clamp(*whole) : T{0};
            } else {
                return T{0};
            }
        },
        value);
}

} // namespace

VariantValue ReadGuestVariant(const GuestMemory& memory, GuestAddress address)
{
    return ReadVariantAt(memory, address, 0);
}

double VariantToDouble(const VariantValue& value)
{
    return std::visit(
        [](const auto& held) -> double {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::int64_t> || std::is_same_v<Held, std::uint64_t>)
                return static_cast<double>(held);
            else if constexpr (std::is_same_v<Held, double>)
                return held;
            else if constexpr (std::is_same_v<Held, VariantDate>)
                return held.days;
            else if constexpr (std::is_same_v<Held, bool>)
                return held ? 1.0 : 0.0;
            else if constexpr (std::is_same_v<Held, std::string>)
                return TextNumber(held).value_or(0.0);
            else
                return 0.0;
        },
        value);
}

std::int32_t VariantToInteger(const VariantValue& value) { return Saturated<std::int32_t>(value); }
std::uint16_t VariantToWord(const VariantValue& value) { return Saturated<std::uint16_t>(value); }
std::uint8_t VariantToByte(const VariantValue& value) { return Saturated<std::uint8_t>(value); }

bool VariantToBoolean(const VariantValue& value)
{
    return std::visit(
        [](const auto& held) -> bool {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::int64_t> || std::is_same_v<Held, std::uint64_t>)
                return held != 0;
            else if constexpr (std::is_same_v<Held, double>)
                return held != 0 && !std::isnan(held);
            else if constexpr (std::is_same_v<Held, VariantDate>)
                return held.days != 0;
            else if constexpr (std::is_same_v<Held, bool>)
                return held;
            else if constexpr (std::is_same_v<Held, std::string>)
                return TextBoolean(held).value_or(false);
            else
                return false;
        },
        value);
}

ShortString VariantToText(const VariantValue& value)
{
    return std::visit(
        [](const auto& held) -> ShortString {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::int64_t> || std::is_same_v<Held, std::uint64_t>) {
                return ShortString(std::to_string(held));
            } else if constexpr (std::is_same_v<Held, double>) {
                return RealToText(static_cast<long double>(held), '.');
            } else if constexpr (std::is_same_v<Held, VariantDate>) {
                if (!std::isfinite(held.days))
                    return ShortString();
                const auto days = static_cast<long double>(held.days);
                return ShortString(std::trunc(days) == days ? DateText(days) : DateTimeText(days));
            } else if constexpr (std::is_same_v<Held, bool>) {
                return ShortString(held ? "True" : "False");
            } else if constexpr (std::is_same_v<Held, std::string>) {
                return ShortString(held);
            } else {
                return ShortString();
            }
        },
        value);
}

} // namespace runtime
