// Quorva run-time. Licensed under the MIT licence.
#include "screens/FigureFont.h"

#include <array>
#include <algorithm>
#include <cmath>
#include <utility>

#include <QFontMetricsF>

#include "platform/CodePage.h"

namespace screens {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kSubstitutes{{
    {"arial", "Liberation Sans"},
    {"ms sans serif", "Liberation Sans"},
    {"ms shell dlg", "Liberation Sans"},
    {"ms shell dlg 2", "Liberation Sans"},
    {"tahoma", "Liberation Sans"},
    {"verdana", "Liberation Sans"},
    {"helvetica", "Liberation Sans"},
    {"segoe ui", "Liberation Sans"},
    {"system", "Liberation Sans"},
    {"arial narrow", "Liberation Sans Narrow"},
    {"times new roman", "Liberation Serif"},
    {"ms serif", "Liberation Serif"},
    {"times", "Liberation Serif"},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
    {"lucida console", "Liberation Mono"},
}};

constexpr int kDefaultPixelHeight = 11;

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

QString FontFamilyFor(std::string_view windowsName)
{
    const std::string lower = LowerAscii(windowsName);
    for (const auto& [name, family] : kSubstitutes)
        if (lower == name)
            return QString::fromLatin1(family.data(), static_cast<qsizetype>(family.size()));
    if (lower.empty())
        return QStringLiteral("Liberation Sans");
    return QString::fromStdString(platform::CodePageToUtf8(windowsName));
}

QFont FigureFont(std::string_view windowsName, std::int16_t height, std::uint8_t style)
{
    QFont font(FontFamilyFor(windowsName));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setBold((style & kFontBold) != 0);
    font.setItalic((style & kFontItalic) != 0);
    font.setUnderline((style & kFontUnderline) != 0);
    font.setStrikeOut((style & kFontStrikeOut) != 0);
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height == 0) {
        font.setPixelSize(kDefaultPixelHeight);
    } else {
        // A cell height: scale the character height so that ascent + descent match it.
        font.setPixelSize(height);
        const qreal cell = QFontMetricsF(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
    }
    return font;
}

std::int16_t HeightFromPoints(int points, int pixelsPerInch)
{
    return static_cast<std::int16_t>(-std::lround(points * pixelsPerInch / 72.0));
}

} // namespace screens
