// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <QColor>
#include <QRect>

// The record numbers and constants of Windows metafiles that the player knows, and small
// conversions, shared by the player's source files.
namespace screens::metafile {
enum Function : std::uint16_t {
    kSaveDc = 0x001E,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kOffsetWindowOrg = 0x020F,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kDibStretchBlt = 0x0B41,
    kStretchDib = 0x0F43,
};

constexpr std::size_t kMaxObjects = 65535;
constexpr std::size_t kMaxSavedStates = 256;
constexpr int kMaxFontPixels = 2000;
constexpr int kMaxPenPixels = 1000;
constexpr std::uint16_t kTextUpdateCp = 1;
constexpr std::uint16_t kTextRight = 2;
constexpr std::uint16_t kTextCentre = 6;
constexpr std::uint16_t kTextBottom = 8;
constexpr std::uint16_t kTextBaseline = 24;
constexpr std::uint16_t kEtoOpaque = 2;
constexpr std::uint16_t kEtoClipped = 4;

// Values that records accumulate (window origin and extent, the current position) stay within
// this many logical units either way, so that no sum or product of them with record values
// overflows an int however many records add to them.
constexpr long long kMaxLogical = 1LL << 24;

inline int ClampLogical(long long value)
{
    return static_cast<int>(std::clamp(value, -kMaxLogical, kMaxLogical));
}

inline QColor ColourOf(std::uint32_t colourRef)
{
    return QColor(static_cast<int>(colourRef & 0xFF), static_cast<int>((colourRef >> 8) & 0xFF),
        static_cast<int>((colourRef >> 16) & 0xFF));
}

inline Qt::BrushStyle HatchStyle(std::uint16_t hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;
    case 1: return Qt::VerPattern;
    case 2: return Qt::FDiagPattern;
    case 3: return Qt::BDiagPattern;
    case 4: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
    }
}

// Drawing with a 1-pixel pen covers (width + 1) x (height + 1) pixels in Qt; Windows leaves out
// the right and bottom edges of the rectangle it is given.
inline QRect QtRect(const QRect& gdi)
{
    return QRect(gdi.left(), gdi.top(), gdi.width() - 1, gdi.height() - 1);
}

} // namespace screens::metafile
