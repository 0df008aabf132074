// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <span>

#include <QBrush>
#include <QColor>
#include <QPen>

namespace screens {

struct FigureProperties;

// The outline pen of a drawn figure, chosen by the rules of the drawing layer the screens were
// designed for: styles 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none (anything else
// draws solid); a width of 0 or 1 is a one-pixel pen; a dashed style wider than one pixel draws
// solid. A plain value, built for each paint.
struct GdiPen {
    enum class Style { Solid, Dash, Dot, DashDot, DashDotDot, Null };

    Style style = Style::Solid;
    int width = 1; // at least 1
    QColor colour;

    bool IsNull() const { return style == Style::Null; }
    // One pixel wide and not null: drawn pixel by pixel, exactly.
    bool IsThin() const { return width <= 1 && style != Style::Null; }
    bool IsThinSolid() const { return IsThin() && style == Style::Solid; }
    // On/off run lengths in pixels of a thin dashed pen; empty for solid and null pens.
    std::span<const int> DashPattern() const;
    // The same pen for QPainter paths (wide pens, dashed closed shapes): flat caps for thin
    // pens, round caps and joins for wide ones.
    QPen ToQPen() const;
    // The pen with another colour, as a figure draws its highlight and shadow lines.
    GdiPen WithColour(QColor other) const
    {
        GdiPen copy = *this;
        copy.colour = other;
        return copy;
    }
};

// The inside of a figure: solid back colour when filled, otherwise nothing.
struct GdiBrush {
    bool hollow = true;
    QColor colour;

    QBrush ToQBrush() const { return hollow ? QBrush(Qt::NoBrush) : QBrush(colour); }
};

// The pen of a figure: its style and width in its fore colour, or in its back colour when the
// width is 0.
GdiPen FigurePen(const FigureProperties& properties);
GdiBrush FigureBrush(const FigureProperties& properties);

} // namespace screens
