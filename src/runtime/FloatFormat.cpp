// Quorva run-time. Licensed under the MIT licence.
#include "runtime/FloatFormat.h"

#include "runtime/ConversionFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace runtime {

namespace {

// Significant digits a Real is read to before rounding to the format.
constexpr int kSignificantDigits = 18;

// What one section of a format asks for, read before anything is written.
struct SectionLayout {
    int integerPlaces = 0;     // "0" and "#" left of the point
    int minimumIntegers = 0;   // digits from the first "0" left of the point
    int fractionPlaces = 0;    // "0" and "#" right of the point
    int minimumFractions = 0;  // digits up to the last "0" right of the point
    bool thousands = false;
    bool scientific = false;
};

// The digits to write: integer digits without leading zeros (padded to the minimum) and
// exactly the fraction digits to show.
struct RoundedDigits {
    std::string integers;
    std::string fractions;
    int exponent = 0;
    bool zero = true;
};

// |value| as 0.d1d2... x 10^point with kSignificantDigits digits.
struct DecimalDigits {
    std::string digits;
    int point = 0;
};

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

// Index after a quoted text starting at `at` (or the end of the text when it is not closed).
std::size_t AfterQuote(std::string_view text, std::size_t at) {
    const std::size_t close = text.find(text[at], at + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

bool IsExponentAt(std::string_view section, std::size_t at) {
    return (section[at] == 'E' || section[at] == 'e') && at + 1 < section.size() &&
           (section[at + 1] == '+' || section[at + 1] == '-');
}

std::vector<std::string_view> SplitSections(std::string_view format) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    std::size_t at = 0;
    while (at < format.size() && sections.size() < 2) {
        if (IsQuote(format[at])) {
            at = AfterQuote(format, at);
        } else if (format[at] == ';') {
            sections.push_back(format.substr(start, at - start));
            start = ++at;
        } else {
            ++at;
        }
    }
    // A third section runs to the first ";" outside quotes after it, if any.
    std::size_t end = start;
    while (end < format.size() && format[end] != ';')
        end = IsQuote(format[end]) ? AfterQuote(format, end) : end + 1;
    sections.push_back(format.substr(start, std::min(end, format.size()) - start));
    return sections;
}

SectionLayout ReadLayout(std::string_view section) {
    SectionLayout layout;
    bool afterPoint = false;
    int firstIntegerZero = -1;
    for (std::size_t at = 0; at < section.size();) {
        const char c = section[at];
        if (IsQuote(c)) {
            at = AfterQuote(section, at);
            continue;
        }
        if (IsExponentAt(section, at)) {
            layout.scientific = true;
            break;
        }
        if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            layout.thousands = true;
        } else if (c == '0' || c == '#') {
            if (afterPoint) {
                ++layout.fractionPlaces;
                if (c == '0')
                    layout.minimumFractions = layout.fractionPlaces;
            } else {
                if (c == '0' && firstIntegerZero < 0)
                    firstIntegerZero = layout.integerPlaces;
                ++layout.integerPlaces;
            }
        }
        ++at;
    }
    if (firstIntegerZero >= 0)
        layout.minimumIntegers = layout.integerPlaces - firstIntegerZero;
    return layout;
}

DecimalDigits ReadDigits(long double magnitude) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", kSignificantDigits - 1, magnitude);
    DecimalDigits decimal;
    const char* c = buffer;
    for (; *c != '\0' && *c != 'e'; ++c) {
        if (*c >= '0' && *c <= '9')
            decimal.digits.push_back(*c);
    }
    const int exponent = *c == 'e' ? std::atoi(c + 1) : 0;
    decimal.point = exponent + 1;
    return decimal;
}

// Keeps the first `keep` digits, rounding half away from zero; a carry out of the first digit
// adds a digit in front and moves the point.
void RoundTo(DecimalDigits& decimal, int keep) {
    if (keep < 0) {
        decimal.digits.clear();
        return;
    }
    const auto kept = static_cast<std::size_t>(keep);
    const bool up = kept < decimal.digits.size() && decimal.digits[kept] >= '5';
    decimal.digits.resize(kept, '0');
    if (!up)
        return;
    std::size_t i = kept;
    while (i > 0 && decimal.digits[i - 1] == '9')
        decimal.digits[--i] = '0';
    if (i > 0) {
        ++decimal.digits[i - 1];
    } else {
        decimal.digits.insert(decimal.digits.begin(), '1');
        ++decimal.point;
    }
}

char DigitAt(const DecimalDigits& decimal, int index) {
    if (index < 0 || index >= static_cast<int>(decimal.digits.size()))
        return '0';
    return decimal.digits[static_cast<std::size_t>(index)];
}

RoundedDigits Round(const SectionLayout& layout, long double magnitude) {
    RoundedDigits rounded;
    DecimalDigits decimal = ReadDigits(magnitude);
    const bool valueIsZero = magnitude == 0;
    int integerCount = 0;
    if (layout.scientific) {
        const int integerPlaces = std::max(layout.integerPlaces, 0);
        const int significant = std::max(integerPlaces + layout.fractionPlaces, 1);
        RoundTo(decimal, significant);
        decimal.digits.resize(static_cast<std::size_t>(significant), '0');
        rounded.exponent = valueIsZero ? 0 : decimal.point - integerPlaces;
        integerCount = integerPlaces;
        decimal.point = integerPlaces;
    } else {
        RoundTo(decimal, decimal.point + layout.fractionPlaces);
        integerCount = std::max(decimal.point, 0);
    }
    for (int i = 0; i < integerCount; ++i)
        rounded.integers.push_back(DigitAt(decimal, i));
    for (int j = 0; j < layout.fractionPlaces; ++j)
        rounded.fractions.push_back(DigitAt(decimal, decimal.point + j));

    const std::size_t firstNonZero = rounded.integers.find_first_not_of('0');
    rounded.integers.erase(0, std::min(firstNonZero, rounded.integers.size()));
    rounded.zero = rounded.integers.empty() &&
                   rounded.fractions.find_first_not_of('0') == std::string::npos;
    if (rounded.zero)
        rounded.exponent = 0;
    const auto minimumIntegers = static_cast<std::size_t>(layout.minimumIntegers);
    if (rounded.integers.size() < minimumIntegers)
        rounded.integers.insert(0, minimumIntegers - rounded.integers.size(), '0');
    const auto minimumFractions = static_cast<std::size_t>(layout.minimumFractions);
    while (rounded.fractions.size() > minimumFractions && rounded.fractions.back() == '0')
        rounded.fractions.pop_back();
    return rounded;
}

// Writes one section with its digits: the integer digits beyond the placeholders go out at the
// first placeholder, thousands separators between groups of three.
class SectionWriter {
public:
    SectionWriter(const SectionLayout& layout, const RoundedDigits& digits)
        : m_layout(layout), m_digits(digits),
          m_offset(static_cast<int>(digits.integers.size()) - layout.integerPlaces) {}

    std::string Write(std::string_view section, bool negative) {
        if (negative)
            m_out.push_back('-');
        bool afterPoint = false;
        bool exponentWritten = false;
        int integerPlace = 0;
        int fractionPlace = 0;
        for (std::size_t at = 0; at < section.size();) {
            const char c = section[at];
            if (IsQuote(c)) {
                const std::size_t close = section.find(c, at + 1);
                const std::size_t stop = close == std::string_view::npos ? section.size() : close;
                m_out.append(section.substr(at + 1, stop - at - 1));
                at = close == std::string_view::npos ? section.size() : close + 1;
                continue;
            }
            if (!exponentWritten && IsExponentAt(section, at)) {
                WritePendingIntegers();
                at = WriteExponent(section, at);
                exponentWritten = true;
                continue;
            }
            if (c == '0' || c == '#') {
                if (exponentWritten) {
                    // Placeholders after the exponent have no digit left to show.
                } else if (!afterPoint) {
                    WriteIntegerPlace(integerPlace++);
                } else {
                    WritePendingIntegers();
                    if (fractionPlace < static_cast<int>(m_digits.fractions.size()))
                        m_out.push_back(m_digits.fractions[static_cast<std::size_t>(fractionPlace)]);
                    ++fractionPlace;
                }
            } else if (c == '.') {
                if (!afterPoint && !exponentWritten) {
                    afterPoint = true;
                    WritePendingIntegers();
                    if (!m_digits.fractions.empty())
                        m_out.push_back('.');
                }
            } else if (c != ',') {
                m_out.push_back(c);
            }
            ++at;
        }
        return std::move(m_out);
    }

private:
    void WriteInteger(int index) {
        m_out.push_back(m_digits.integers[static_cast<std::size_t>(index)]);
        const int remaining = static_cast<int>(m_digits.integers.size()) - 1 - index;
        if (m_layout.thousands && remaining > 0 && remaining % 3 == 0)
            m_out.push_back(',');
    }

    void WriteIntegerPlace(int place) {
        const int last = place + m_offset;
        const int first = place == 0 ? 0 : last;
        for (int index = std::max(first, 0); index <= last; ++index)
            WriteInteger(index);
        m_integersWritten = true;
    }

    // With no placeholder left of the point, the integer digits go out before the point.
    void WritePendingIntegers() {
        if (m_integersWritten || m_layout.integerPlaces > 0)
            return;
        for (int index = 0; index < static_cast<int>(m_digits.integers.size()); ++index)
            WriteInteger(index);
        m_integersWritten = true;
    }

    std::size_t WriteExponent(std::string_view section, std::size_t at) {
        m_out.push_back(section[at]);
        const bool alwaysSign = section[at + 1] == '+';
        std::size_t end = at + 2;
        int zeros = 0;
        while (end < section.size() && section[end] == '0' && zeros < 4) {
            ++zeros;
            ++end;
        }
        const int exponent = m_digits.exponent;
        if (exponent < 0)
            m_out.push_back('-');
        else if (alwaysSign)
            m_out.push_back('+');
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", std::max(zeros, 1), std::abs(exponent));
        m_out.append(buffer);
        return end;
    }

    const SectionLayout& m_layout;
    const RoundedDigits& m_digits;
    const int m_offset;
    bool m_integersWritten = false;
    std::string m_out;
};

std::string GeneralText(long double value) {
    return RealToText(value, '.').Str();
}

} // namespace

std::string FormatFloatText(std::string_view format, long double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const std::vector<std::string_view> sections = SplitSections(format);
    const bool negative = std::signbit(value) && value != 0;
    std::string_view section = sections[0];
    bool writeSign = negative;
    if (negative && sections.size() >= 2 && !sections[1].empty()) {
        section = sections[1];
        writeSign = false;
    }
    if (section.empty())
        return GeneralText(value);

    const long double magnitude = std::fabs(value);
    SectionLayout layout = ReadLayout(section);
    if (!layout.scientific && magnitude >= 1e18L)
        return GeneralText(value);
    RoundedDigits digits = Round(layout, magnitude);
    if (digits.zero) {
        // A value that rounds to zero shows as zero: the zero section, else the first one
        // without a sign (never "-0.00" or "(0.00)").
        writeSign = false;
        const bool zeroSection = sections.size() >= 3 && !sections[2].empty();
        if (zeroSection || section.data() != sections[0].data()) {
            section = zeroSection ? sections[2] : sections[0];
            if (section.empty())
                return GeneralText(0);
            layout = ReadLayout(section);
            digits = Round(layout, 0);
        }
    }
    return SectionWriter(layout, digits).Write(section, writeSign);
}

} // namespace runtime
