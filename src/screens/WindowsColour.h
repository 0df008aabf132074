// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QColor>

namespace screens {

// Colours of screen files and unit code are Windows colour values: 0x00BBGGRR for a colour,
// 0x800000nn for system colour nn, drawn here from the classic default table (the look the
// screens were designed with, whatever the desktop's theme).
constexpr std::uint32_t kButtonFace = 0x8000000F;
constexpr std::uint32_t kActiveBorder = 0x8000000A;
constexpr std::uint32_t kActiveCaption = 0x80000002;
constexpr std::uint32_t kBlack = 0x00000000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kGrey = 0x00808080;
// The "no colour" value of the editor's colour pickers: nothing is drawn with it.
constexpr std::uint32_t kNoColour = 0x1FFFFFFF;

// The colour of a Windows colour value. System colour indexes past the table give black;
// kNoColour gives a fully transparent colour. Other high bytes (palette forms) use the low 24 bits.
QColor WindowsColour(std::uint32_t value);

// The value of a Qt colour in the 0x00BBGGRR form (alpha ignored).
std::uint32_t ToWindowsColour(const QColor& colour);

} // namespace screens
