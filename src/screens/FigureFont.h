// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string_view>

#include <QFont>
#include <QString>

namespace screens {

// Font style bits of figures.
constexpr std::uint8_t kFontBold = 1;
constexpr std::uint8_t kFontItalic = 2;
constexpr std::uint8_t kFontUnderline = 4;
constexpr std::uint8_t kFontStrikeOut = 8;

// The installed family drawn for a Windows font name: the metric-compatible Liberation fonts
// for Arial, Times New Roman, Courier New and their usual stand-ins; other names unchanged
// (fontconfig then picks its own substitute). `name` is bytes of the code page.
QString FontFamilyFor(std::string_view windowsName);

// A figure's font. `height` is a Windows font height: negative = character height in pixels,
// positive = cell height in pixels (character height plus internal leading), 0 = the default
// height of dialog text (11 pixels).
QFont FigureFont(std::string_view windowsName, std::int16_t height, std::uint8_t style);

// The Windows height of a size in points on a screen of `pixelsPerInch`: -(points x ppi / 72).
std::int16_t HeightFromPoints(int points, int pixelsPerInch);

} // namespace screens
