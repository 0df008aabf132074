// Quorva run-time. Licensed under the MIT licence.
#include "screens/GdiPen.h"

#include <array>

#include "screens/FigureProperties.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

// Run lengths of the one-pixel dashed pens, in pixels.
constexpr std::array<int, 2> kDash{18, 6};
constexpr std::array<int, 2> kDot{3, 3};
constexpr std::array<int, 4> kDashDot{9, 6, 3, 6};
constexpr std::array<int, 6> kDashDotDot{9, 3, 3, 3, 3, 3};

GdiPen::Style StyleOf(std::uint8_t code)
{
    switch (code) {
    case 1:
        return GdiPen::Style::Dash;
    case 2:
        return GdiPen::Style::Dot;
    case 3:
        return GdiPen::Style::DashDot;
    case 4:
        return GdiPen::Style::DashDotDot;
    case 5:
        return GdiPen::Style::Null;
    default:
        return GdiPen::Style::Solid; // 0, the inside-frame style 6 and unknown codes
    }
}

} // namespace

std::span<const int> GdiPen::DashPattern() const
{
    if (width > 1)
        return {};
    switch (style) {
    case Style::Dash:
        return kDash;
    case Style::Dot:
        return kDot;
    case Style::DashDot:
        return kDashDot;
    case Style::DashDotDot:
        return kDashDotDot;
    case Style::Solid:
    case Style::Null:
        break;
    }
    return {};
}

QPen GdiPen::ToQPen() const
{
    if (IsNull())
        return QPen(Qt::NoPen);
    QPen pen(colour);
    if (width <= 1) {
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        const std::span<const int> pattern = DashPattern();
        if (!pattern.empty()) {
            QList<qreal> dashes;
            for (int run : pattern)
                dashes.append(run);
            pen.setDashPattern(dashes);
        }
    } else {
        pen.setWidth(width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

GdiPen FigurePen(const FigureProperties& properties)
{
    GdiPen pen;
    pen.style = StyleOf(properties.penStyle);
    pen.width = properties.penWidth < 1 ? 1 : properties.penWidth;
    if (pen.width > 1 && pen.style != GdiPen::Style::Null)
        pen.style = GdiPen::Style::Solid;
    pen.colour = WindowsColour(properties.penWidth == 0 ? properties.backColour : properties.foreColour);
    return pen;
}

GdiBrush FigureBrush(const FigureProperties& properties)
{
    GdiBrush brush;
    brush.hollow = !properties.filled;
    brush.colour = WindowsColour(properties.backColour);
    return brush;
}

} // namespace screens
