// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ConversionFunctions.h"

#include "runtime/RuntimeLibrary.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace runtime {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at;
}

// A real number read from text[at...]: `end` is the index of the first character not read;
// `complete` tells whether a whole number was read (a mantissa digit, and exponent digits after
// an exponent letter); `normalised` is the number in C-locale form for the conversion.
struct RealScan {
    std::size_t end = 0;
    bool complete = false;
    std::string normalised;
};

RealScan ScanReal(std::string_view text, std::size_t at, char separator) {
    RealScan scan;
    std::string& out = scan.normalised;
    const std::size_t n = text.size();
    if (at < n && (text[at] == '+' || text[at] == '-'))
        out += text[at++];
    std::size_t digits = 0;
    for (; at < n && IsDigit(text[at]); ++at, ++digits)
        out += text[at];
    if (at < n && text[at] == separator) {
        out += '.';
        for (++at; at < n && IsDigit(text[at]); ++at, ++digits)
            out += text[at];
    }
    scan.end = at;
    if (digits == 0)
        return scan;
    if (at < n && (text[at] == 'e' || text[at] == 'E')) {
        out += 'e';
        ++at;
        if (at < n && (text[at] == '+' || text[at] == '-'))
            out += text[at++];
        std::size_t exponentDigits = 0;
        for (; at < n && IsDigit(text[at]); ++at, ++exponentDigits)
            out += text[at];
        scan.end = at;
        if (exponentDigits == 0)
            return scan;
    }
    scan.complete = true;
    return scan;
}

// Converts a normalised number independently of the process locale.
long double ConvertNormalised(const std::string& normalised) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale)
        return strtold_l(normalised.c_str(), nullptr, cLocale);
    return std::strtold(normalised.c_str(), nullptr);
}

ShortString FloatToStr(long double value) {
    return RealToText(value, LocaleDecimalSeparator());
}

long double StrToFloat(ShortString text) {
    return TextToReal(text.View(), LocaleDecimalSeparator());
}

std::int32_t StrToInt(ShortString text) {
    return TextToInt(text.View());
}

void Val(ShortString text, Ref<long double> target, Ref<std::int32_t> status) {
    const ValResult result = ValText(text.View());
    target.Set(result.value);
    status.Set(result.status);
}

} // namespace

ShortString IntToText(std::int32_t value) {
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "%d", value);
    return ShortString(std::string_view(buffer, static_cast<std::size_t>(length)));
}

std::int32_t TextToInt(std::string_view text) {
    std::size_t at = SkipBlanks(text, 0);
    const std::size_t n = text.size();
    bool negative = false;
    if (at < n && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';

    bool hex = false;
    if (at < n && (text[at] == '$' || text[at] == 'x' || text[at] == 'X')) {
        hex = true;
        ++at;
    } else if (at + 1 < n && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        hex = true;
        at += 2;
    }

    std::uint32_t value = 0;
    if (hex) {
        for (; at < n; ++at) {
            const int digit = HexDigit(text[at]);
            if (digit < 0 || value > 0x0FFFFFFFu)
                return static_cast<std::int32_t>(value);
            value = value * 16u + static_cast<std::uint32_t>(digit);
        }
        return static_cast<std::int32_t>(value);
    }
    for (; at < n; ++at) {
        if (!IsDigit(text[at]) || value > 214748364u)
            return static_cast<std::int32_t>(value); // stopped: the sign is dropped
        value = value * 10u + static_cast<std::uint32_t>(text[at] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

ShortString RealToText(long double value, char separator) {
    if (std::isnan(value))
        return ShortString("NAN");
    if (std::isinf(value))
        return ShortString(value < 0 ? "-INF" : "INF");
    if (value == 0)
        return ShortString("0");

    // 15 significant digits, rounded by the C library: d.dddddddddddddde[+-]x
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", value);
    const bool negative = buffer[0] == '-';
    std::string digits;
    const char* p = buffer + (negative ? 1 : 0);
    for (; *p && *p != 'e'; ++p) {
        if (IsDigit(*p))
            digits += *p;
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (negative)
        out += '-';
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= integerDigits) {
                out += digits;
                out.append(integerDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, integerDigits);
                out += separator;
                out += digits.substr(integerDigits);
            }
        } else {
            out += '0';
            out += separator;
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += separator;
            out += digits.substr(1);
        }
        out += 'E';
        if (exponent < 0)
            out += '-';
        out += std::to_string(std::abs(exponent));
    }
    return ShortString(out);
}

long double TextToReal(std::string_view text, char separator) {
    std::size_t last = text.size();
    while (last > 0 && IsBlank(text[last - 1]))
        --last;
    const RealScan scan = ScanReal(text.substr(0, last), SkipBlanks(text, 0), separator);
    if (!scan.complete || scan.end != last)
        return 0;
    return ConvertNormalised(scan.normalised);
}

ShortString IntToHex(std::int32_t value, std::int32_t digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (auto bits = static_cast<std::uint32_t>(value); bits != 0 || out.empty(); bits >>= 4)
        out += kHex[bits & 15u];
    const auto width = static_cast<std::size_t>(std::clamp<std::int32_t>(digits, 0, 255));
    if (out.size() < width)
        out.append(width - out.size(), '0');
    return ShortString(std::string(out.rbegin(), out.rend()));
}

ValResult ValText(std::string_view text) {
    const RealScan scan = ScanReal(text, SkipBlanks(text, 0), '.');
    if (!scan.complete || scan.end != text.size())
        return {0, static_cast<std::int32_t>(scan.end) + 1};
    const long double value = ConvertNormalised(scan.normalised);
    if (std::isinf(value))
        return {0, static_cast<std::int32_t>(text.size()) + 1};
    return {value, 0};
}

char LocaleDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions && conventions->decimal_point && conventions->decimal_point[0] != '\0' &&
        conventions->decimal_point[1] == '\0')
        return conventions->decimal_point[0];
    return '.';
}

platform::Status AddConversionFunctions(Implementations& implementations) {
    if (auto added = implementations.Add<&IntToText>("INTTOSTR"); !added)
        return added;
    if (auto added = implementations.Add<&StrToInt>("STRTOINT"); !added)
        return added;
    if (auto added = implementations.Add<&FloatToStr>("FLOATTOSTR"); !added)
        return added;
    if (auto added = implementations.Add<&StrToFloat>("STRTOFLOAT"); !added)
        return added;
    if (auto added = implementations.Add<&IntToHex>("INTTOHEX"); !added)
        return added;
    return implementations.Add<&Val>("VAL");
}

} // namespace runtime
