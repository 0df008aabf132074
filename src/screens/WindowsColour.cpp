// Quorva run-time. Licensed under the MIT licence.
#include "screens/WindowsColour.h"

#include <array>

namespace screens {
namespace {

// The classic scheme, by system colour index (scroll bar, desktop, active caption, ...).
constexpr std::array<std::uint32_t, 31> kSystemColours{
    0xC0C0C0, // 0 scroll bar
    0x808000, // 1 desktop
    0x800000, // 2 active caption (0x00BBGGRR: navy)
    0x808080, // 3 inactive caption
    0xC0C0C0, // 4 menu
    0xFFFFFF, // 5 window
    0x000000, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0xFFFFFF, // 9 caption text
    0xC0C0C0, // 10 active border
    0xC0C0C0, // 11 inactive border
    0x808080, // 12 application workspace
    0x800000, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xC0C0C0, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC0C0C0, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x000000, // 21 3-D dark shadow
    0xC0C0C0, // 22 3-D light
    0x000000, // 23 tooltip text
    0xE1FFFF, // 24 tooltip background
    0xB5B5B5, // 25 unused
    0x800000, // 26 hot-tracked item
    0xD08410, // 27 active caption gradient
    0xB5B5B5, // 28 inactive caption gradient
    0x800000, // 29 menu highlight
    0xC0C0C0, // 30 menu bar
};

QColor FromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

} // namespace

QColor WindowsColour(std::uint32_t value)
{
    if (value == kNoColour)
        return QColor(0, 0, 0, 0);
    if ((value & 0xFF000000) == 0x80000000) {
        const std::uint32_t index = value & 0x00FFFFFF;
        return index < kSystemColours.size() ? FromBgr(kSystemColours[index]) : QColor(0, 0, 0);
    }
    return FromBgr(value & 0x00FFFFFF);
}

std::uint32_t ToWindowsColour(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace screens
