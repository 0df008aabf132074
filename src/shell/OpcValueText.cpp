// Quorva run-time. Licensed under the MIT licence.
#include "shell/OpcValueText.h"

#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fmt/format.h>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

namespace shell {
namespace opc_text_detail {

constexpr std::int64_t TicksPerSecond = 10'000'000;
constexpr std::int64_t TicksPerDay = TicksPerSecond * 86'400;
// Days from 1601-01-01 (where OPC UA time starts) to 1970-01-01.
constexpr std::int64_t DaysFrom1601To1970 = 134'774;
constexpr int MaxNesting = 4;

// Cuts a UTF-8 text to OpcMaxValueText bytes without splitting a character.
std::string Bounded(std::string_view text) {
    if (text.size() <= OpcMaxValueText)
        return std::string(text);
    std::size_t end = OpcMaxValueText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

std::string_view View(const UA_String& text) {
    if (text.length == 0 || text.data == nullptr)
        return {};
    return {reinterpret_cast<const char*>(text.data), text.length};
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The namespace index of a "2:Name" text and the length of "2:", if it starts so.
std::optional<std::pair<UA_UInt16, std::size_t>> NamespacePrefix(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    UA_UInt16 index = 0;
    const auto result = std::from_chars(text.data(), text.data() + colon, index);
    if (result.ec != std::errc() || result.ptr != text.data() + colon)
        return std::nullopt;
    return std::pair{index, colon + 1};
}

// Hinnant's civil calendar conversions, days counted from 1970-01-01.
struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::string DateTimeText(UA_DateTime ticks) {
    std::int64_t days = ticks / TicksPerDay;
    std::int64_t rest = ticks % TicksPerDay;
    if (rest < 0) {
        rest += TicksPerDay;
        --days;
    }
    const CivilDate date = CivilFromDays(days - DaysFrom1601To1970);
    const std::int64_t seconds = rest / TicksPerSecond;
    const std::int64_t millis = (rest % TicksPerSecond) / 10'000;
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}.{:03}", date.year, date.month, date.day,
                       seconds / 3600, seconds / 60 % 60, seconds % 60, millis);
}

template <typename Number> std::string FloatText(Number value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string HexText(const UA_ByteString& bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    const std::size_t count =
        bytes.data == nullptr ? 0 : std::min<std::size_t>(bytes.length, OpcMaxValueText / 2);
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += Digits[bytes.data[i] >> 4];
        text += Digits[bytes.data[i] & 0x0F];
    }
    return text;
}

std::string GuidText(const UA_Guid& guid) {
    return fmt::format("{:08X}-{:04X}-{:04X}-{:02X}{:02X}-{:02X}{:02X}{:02X}{:02X}{:02X}{:02X}",
                       guid.data1, guid.data2, guid.data3, guid.data4[0], guid.data4[1],
                       guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6],
                       guid.data4[7]);
}

template <typename Printer, typename Value> std::string PrintedText(Printer print, const Value& v) {
    UA_String out = UA_STRING_NULL;
    if (print(&v, &out) != UA_STATUSCODE_GOOD) {
        UA_String_clear(&out);
        return {};
    }
    std::string text = Bounded(View(out));
    UA_String_clear(&out);
    return text;
}

std::string ScalarText(const void* data, const UA_DataType* type, int depth);

std::string VariantText(const UA_Variant& value, int depth) {
    if (value.type == nullptr || value.data == nullptr || depth > MaxNesting)
        return {};
    if (value.data == UA_EMPTY_ARRAY_SENTINEL)
        return {};
    if (value.arrayLength == 0)
        return ScalarText(value.data, value.type, depth);
    if (value.arrayLength == 1)
        return ScalarText(value.data, value.type, depth);
    platform::LogDebug("OPC: an array of {} {} values has no text", value.arrayLength,
                       value.type->typeName != nullptr ? value.type->typeName : "?");
    return {};
}

std::string ScalarText(const void* data, const UA_DataType* type, int depth) {
    switch (type->typeKind) {
    case UA_DATATYPEKIND_BOOLEAN:
        return *static_cast<const UA_Boolean*>(data) ? "True" : "False";
    case UA_DATATYPEKIND_SBYTE:
        return fmt::format("{}", *static_cast<const UA_SByte*>(data));
    case UA_DATATYPEKIND_BYTE:
        return fmt::format("{}", *static_cast<const UA_Byte*>(data));
    case UA_DATATYPEKIND_INT16:
        return fmt::format("{}", *static_cast<const UA_Int16*>(data));
    case UA_DATATYPEKIND_UINT16:
        return fmt::format("{}", *static_cast<const UA_UInt16*>(data));
    case UA_DATATYPEKIND_INT32:
    case UA_DATATYPEKIND_ENUM:
        return fmt::format("{}", *static_cast<const UA_Int32*>(data));
    case UA_DATATYPEKIND_UINT32:
        return fmt::format("{}", *static_cast<const UA_UInt32*>(data));
    case UA_DATATYPEKIND_INT64:
        return fmt::format("{}", *static_cast<const UA_Int64*>(data));
    case UA_DATATYPEKIND_UINT64:
        return fmt::format("{}", *static_cast<const UA_UInt64*>(data));
    case UA_DATATYPEKIND_FLOAT:
        return FloatText(*static_cast<const UA_Float*>(data));
    case UA_DATATYPEKIND_DOUBLE:
        return FloatText(*static_cast<const UA_Double*>(data));
    case UA_DATATYPEKIND_STRING:
    case UA_DATATYPEKIND_XMLELEMENT:
        return Bounded(View(*static_cast<const UA_String*>(data)));
    case UA_DATATYPEKIND_LOCALIZEDTEXT:
        return Bounded(View(static_cast<const UA_LocalizedText*>(data)->text));
    case UA_DATATYPEKIND_DATETIME:
        return DateTimeText(*static_cast<const UA_DateTime*>(data));
    case UA_DATATYPEKIND_BYTESTRING:
        return HexText(*static_cast<const UA_ByteString*>(data));
    case UA_DATATYPEKIND_GUID:
        return GuidText(*static_cast<const UA_Guid*>(data));
    case UA_DATATYPEKIND_NODEID:
        return PrintedText(UA_NodeId_print, *static_cast<const UA_NodeId*>(data));
    case UA_DATATYPEKIND_EXPANDEDNODEID:
        return PrintedText(UA_ExpandedNodeId_print, *static_cast<const UA_ExpandedNodeId*>(data));
    case UA_DATATYPEKIND_QUALIFIEDNAME: {
        const auto& name = *static_cast<const UA_QualifiedName*>(data);
        // A name of namespace 0 that starts like "2:" keeps its "0:" so that it reads back.
        if (name.namespaceIndex == 0 && !NamespacePrefix(View(name.name)))
            return Bounded(View(name.name));
        return Bounded(fmt::format("{}:{}", name.namespaceIndex, View(name.name)));
    }
    case UA_DATATYPEKIND_STATUSCODE:
        return OpcStatusName(*static_cast<const UA_StatusCode*>(data));
    case UA_DATATYPEKIND_VARIANT:
        return VariantText(*static_cast<const UA_Variant*>(data), depth + 1);
    case UA_DATATYPEKIND_DATAVALUE: {
        const auto& value = *static_cast<const UA_DataValue*>(data);
        return value.hasValue ? VariantText(value.value, depth + 1) : std::string();
    }
    default:
        platform::LogDebug("OPC: a {} value has no text",
                           type->typeName != nullptr ? type->typeName : "structured");
        return {};
    }
}

platform::Failure NotA(std::string_view text, const UA_DataType* type) {
    return platform::Fail(fmt::format("OPC: \"{}\" is not a {} value", Bounded(text),
                                      type->typeName != nullptr ? type->typeName : "?"));
}

template <typename Integer>
platform::Status IntegerVariant(std::string_view text, const UA_DataType* type, UA_Variant& out) {
    std::string_view digits = Trim(text);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    using Wide = std::conditional_t<std::is_signed_v<Integer>, std::int64_t, std::uint64_t>;
    Wide wide = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), wide);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return NotA(text, type);
    if (wide < static_cast<Wide>(std::numeric_limits<Integer>::min()) ||
        wide > static_cast<Wide>(std::numeric_limits<Integer>::max()))
        return platform::Fail(fmt::format("OPC: {} is out of the range of {} ({}..{})", wide,
                                          type->typeName, std::numeric_limits<Integer>::min(),
                                          std::numeric_limits<Integer>::max()));
    const auto value = static_cast<Integer>(wide);
    if (UA_Variant_setScalarCopy(&out, &value, type) != UA_STATUSCODE_GOOD)
        return platform::Fail("OPC: out of memory");
    return {};
}

// Parsed in the type itself, so that a value rounds once and the largest values of Float read
// back; out of range is an error, never infinity.
template <typename Number>
platform::Result<Number> ParseFloating(std::string_view text, const UA_DataType* type) {
    const std::string_view trimmed = Trim(text);
    if (EqualsNoCase(trimmed, "NaN"))
        return std::numeric_limits<Number>::quiet_NaN();
    if (EqualsNoCase(trimmed, "INF") || EqualsNoCase(trimmed, "+INF") ||
        EqualsNoCase(trimmed, "Infinity"))
        return std::numeric_limits<Number>::infinity();
    if (EqualsNoCase(trimmed, "-INF") || EqualsNoCase(trimmed, "-Infinity"))
        return -std::numeric_limits<Number>::infinity();
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    Number value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range &&
        result.ptr == digits.data() + digits.size()) {
        // Too small a magnitude is zero; too large is an error.
        long double wide = 0;
        const auto again = std::from_chars(digits.data(), digits.data() + digits.size(), wide);
        if (again.ec == std::errc() && std::fabs(wide) < 1)
            return std::copysign(Number(0), static_cast<Number>(wide < 0 ? -1 : 1));
        return platform::Fail(
            fmt::format("OPC: {} is out of the range of {}", Bounded(trimmed), type->typeName));
    }
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return NotA(text, type);
    return value;
}

template <typename Number>
platform::Status FloatingVariant(std::string_view text, const UA_DataType* type, UA_Variant& out) {
    platform::Result<Number> parsed = ParseFloating<Number>(text, type);
    if (!parsed)
        return platform::Fail(parsed.Error());
    if (UA_Variant_setScalarCopy(&out, &parsed.Value(), type) != UA_STATUSCODE_GOOD)
        return platform::Fail("OPC: out of memory");
    return {};
}

bool ParseDigits(std::string_view text, std::size_t& at, std::size_t count, unsigned& out) {
    out = 0;
    for (std::size_t i = 0; i < count; ++i, ++at) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9')
            return false;
        out = out * 10 + static_cast<unsigned>(text[at] - '0');
    }
    return true;
}

bool Expect(std::string_view text, std::size_t& at, std::string_view one_of) {
    if (at >= text.size() || one_of.find(text[at]) == std::string_view::npos)
        return false;
    ++at;
    return true;
}

// "YYYY-MM-DD hh:mm:ss[.zzz]" in UTC ("T" for the space and a final "Z" accepted too).
std::optional<UA_DateTime> ParseDateTime(std::string_view text) {
    text = Trim(text);
    std::size_t at = 0;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    if (!ParseDigits(text, at, 4, year) || !Expect(text, at, "-") ||
        !ParseDigits(text, at, 2, month) || !Expect(text, at, "-") ||
        !ParseDigits(text, at, 2, day) || !Expect(text, at, " T") ||
        !ParseDigits(text, at, 2, hour) || !Expect(text, at, ":") ||
        !ParseDigits(text, at, 2, minute) || !Expect(text, at, ":") ||
        !ParseDigits(text, at, 2, second))
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        ++at;
        unsigned scale = 100;
        std::size_t fractionDigits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            millis += static_cast<unsigned>(text[at] - '0') * scale;
            scale /= 10;
            ++at;
            ++fractionDigits;
        }
        if (fractionDigits == 0)
            return std::nullopt;
    }
    if (at < text.size() && text[at] == 'Z')
        ++at;
    if (at != text.size() || year < 1601 || month < 1 || month > 12 || day < 1 || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    static constexpr unsigned MonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > MonthDays[month - 1] || (month == 2 && day == 29 && !leap))
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, month, day) + DaysFrom1601To1970;
    return days * TicksPerDay +
           static_cast<std::int64_t>(hour * 3600 + minute * 60 + second) * TicksPerSecond +
           static_cast<std::int64_t>(millis) * 10'000;
}

std::optional<std::string> ParseHex(std::string_view text) {
    text = Trim(text);
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (result.ec != std::errc() || result.ptr != text.data() + i + 2)
            return std::nullopt;
        bytes += static_cast<char>(value);
    }
    return bytes;
}

UA_String Borrowed(std::string_view text) {
    UA_String borrowed;
    borrowed.length = text.size();
    borrowed.data = reinterpret_cast<UA_Byte*>(const_cast<char*>(text.data()));
    return borrowed;
}

platform::Status CopyInto(UA_Variant& out, const void* value, const UA_DataType* type) {
    if (UA_Variant_setScalarCopy(&out, value, type) != UA_STATUSCODE_GOOD)
        return platform::Fail("OPC: out of memory");
    return {};
}

} // namespace opc_text_detail

using namespace opc_text_detail;

std::string OpcVariantToText(const UA_Variant& value) {
    return VariantText(value, 0);
}

std::string OpcStatusName(UA_StatusCode status) {
    const char* name = UA_StatusCode_name(status);
    if (name == nullptr || std::string_view(name).starts_with("Unknown"))
        return fmt::format("0x{:08X}", status);
    return name;
}

platform::Status OpcTextToVariant(std::string_view text, const UA_DataType* type, UA_Variant& out) {
    UA_Variant_init(&out);
    if (type == nullptr)
        return platform::Fail("OPC: the item has no data type");
    switch (type->typeKind) {
    case UA_DATATYPEKIND_BOOLEAN: {
        const std::string_view trimmed = Trim(text);
        UA_Boolean value = false;
        if (EqualsNoCase(trimmed, "True") || trimmed == "1")
            value = true;
        else if (!EqualsNoCase(trimmed, "False") && trimmed != "0")
            return NotA(text, type);
        return CopyInto(out, &value, type);
    }
    case UA_DATATYPEKIND_SBYTE:
        return IntegerVariant<UA_SByte>(text, type, out);
    case UA_DATATYPEKIND_BYTE:
        return IntegerVariant<UA_Byte>(text, type, out);
    case UA_DATATYPEKIND_INT16:
        return IntegerVariant<UA_Int16>(text, type, out);
    case UA_DATATYPEKIND_UINT16:
        return IntegerVariant<UA_UInt16>(text, type, out);
    case UA_DATATYPEKIND_INT32:
    case UA_DATATYPEKIND_ENUM:
        return IntegerVariant<UA_Int32>(text, type, out);
    case UA_DATATYPEKIND_UINT32:
        return IntegerVariant<UA_UInt32>(text, type, out);
    case UA_DATATYPEKIND_INT64:
        return IntegerVariant<UA_Int64>(text, type, out);
    case UA_DATATYPEKIND_UINT64:
        return IntegerVariant<UA_UInt64>(text, type, out);
    case UA_DATATYPEKIND_FLOAT:
        return FloatingVariant<UA_Float>(text, type, out);
    case UA_DATATYPEKIND_DOUBLE:
        return FloatingVariant<UA_Double>(text, type, out);
    case UA_DATATYPEKIND_STRING:
    case UA_DATATYPEKIND_XMLELEMENT: {
        const UA_String value = Borrowed(text);
        return CopyInto(out, &value, type);
    }
    case UA_DATATYPEKIND_LOCALIZEDTEXT: {
        UA_LocalizedText value;
        value.locale = UA_STRING_NULL;
        value.text = Borrowed(text);
        return CopyInto(out, &value, type);
    }
    case UA_DATATYPEKIND_DATETIME: {
        const std::optional<UA_DateTime> value = ParseDateTime(text);
        if (!value)
            return NotA(text, type);
        return CopyInto(out, &*value, type);
    }
    case UA_DATATYPEKIND_BYTESTRING: {
        const std::optional<std::string> bytes = ParseHex(text);
        if (!bytes)
            return NotA(text, type);
        const UA_ByteString value = Borrowed(*bytes);
        return CopyInto(out, &value, type);
    }
    case UA_DATATYPEKIND_GUID: {
        UA_Guid value;
        if (UA_Guid_parse(&value, Borrowed(Trim(text))) != UA_STATUSCODE_GOOD)
            return NotA(text, type);
        return CopyInto(out, &value, type);
    }
    case UA_DATATYPEKIND_NODEID: {
        UA_NodeId value;
        if (UA_NodeId_parse(&value, Borrowed(Trim(text))) != UA_STATUSCODE_GOOD)
            return NotA(text, type);
        const platform::Status status = CopyInto(out, &value, type);
        UA_NodeId_clear(&value);
        return status;
    }
    case UA_DATATYPEKIND_QUALIFIEDNAME: {
        const std::string_view trimmed = text; // names are exact, spaces and all
        UA_QualifiedName value;
        value.namespaceIndex = 0;
        value.name = Borrowed(trimmed);
        if (const auto prefix = NamespacePrefix(trimmed)) {
            value.namespaceIndex = prefix->first;
            value.name = Borrowed(trimmed.substr(prefix->second));
        }
        return CopyInto(out, &value, type);
    }
    default:
        return platform::Fail(fmt::format("OPC: values of type {} cannot be written as text",
                                          type->typeName != nullptr ? type->typeName : "?"));
    }
}

} // namespace shell
