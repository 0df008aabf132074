// Quorva run-time. Licensed under the MIT licence.
#include "engine/GlobalText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace engine {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Lays out significant digits `digits` (no point, at least one) with decimal exponent
// `exponent` (the first digit's power of ten) in the general format.
std::string Layout(bool negative, std::string digits, int exponent) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    if (digits == "0")
        return "0";
    std::string text = negative ? "-" : "";
    const int count = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        } else if (count <= exponent + 1) {
            text += digits;
            text.append(static_cast<std::size_t>(exponent + 1 - count), '0');
        } else {
            text += digits.substr(0, static_cast<std::size_t>(exponent + 1));
            text += '.';
            text += digits.substr(static_cast<std::size_t>(exponent + 1));
        }
        return text;
    }
    text += digits[0];
    if (count > 1) {
        text += '.';
        text += digits.substr(1);
    }
    text += 'E';
    text += std::to_string(exponent);
    return text;
}

// Splits "d.ddde[+-]x" as std::to_chars writes it.
std::string FromScientific(bool negative, std::string_view scientific) {
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e))
        if (c != '.')
            digits += c;
    int exponent = 0;
    std::string_view power = scientific.substr(e + 1);
    if (!power.empty() && power.front() == '+')
        power.remove_prefix(1);
    std::from_chars(power.data(), power.data() + power.size(), exponent);
    return Layout(negative, digits, exponent);
}

template <typename T> std::optional<std::string> SpecialText(T value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    return std::nullopt;
}

} // namespace

std::string FormatGeneral(long double value, int digits) {
    if (auto special = SpecialText(value))
        return *special;
    digits = digits < 1 ? 1 : (digits > 18 ? 18 : digits);
    char buffer[64];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                 std::chars_format::scientific, digits - 1);
    return FromScientific(std::signbit(value), std::string_view(buffer, written.ptr));
}

std::string FormatSingle(float value) {
    if (auto special = SpecialText(value))
        return *special;
    char buffer[64];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                 std::chars_format::scientific);
    return FromScientific(std::signbit(value), std::string_view(buffer, written.ptr));
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<long double> ParseReal(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Only digits, one point and an exponent: refuses "INF", "NAN" and hexadecimal forms.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    long double value = 0;
    auto parsed =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<bool> ParseBoolean(std::string_view text) {
    text = TrimBlanks(text);
    auto equals = [text](std::string_view word) {
        if (text.size() != word.size())
            return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != word[i])
                return false;
        }
        return true;
    };
    if (text == "1" || equals("TRUE"))
        return true;
    if (text == "0" || equals("FALSE"))
        return false;
    return std::nullopt;
}

} // namespace engine
