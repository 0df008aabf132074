// Quorva run-time. Licensed under the MIT licence.
#include "screens/FigureProperties.h"

#include <cmath>

#include "screens/FigureKind.h"

namespace screens {

void ApplyKindDefaults(FigureProperties& properties, std::uint8_t kind)
{
    properties.kind = kind;
    switch (static_cast<FigureKind>(kind)) {
    case FigureKind::Frame:
    case FigureKind::Supp:
    case FigureKind::Shade:
        properties.backColour = kButtonFace;
        properties.foreColour = kBlack;
        properties.filled = true;
        break;
    case FigureKind::BarV:
    case FigureKind::BarH:
        properties.value = 0;
        properties.direction = false;
        properties.backColour = kRed;
        properties.filled = true;
        properties.text = "100";
        break;
    case FigureKind::Group:
        properties.backColour = kActiveBorder;
        properties.foreColour = kActiveCaption;
        break;
    case FigureKind::Button:
    case FigureKind::XpButton:
        properties.backColour = kButtonFace;
        properties.filled = true;
        properties.buttonState = 0;
        break;
    case FigureKind::NoteBook:
    case FigureKind::TabSet:
        properties.backColour = kButtonFace;
        properties.foreColour = kBlack;
        properties.filled = true;
        properties.tabCount = 4;
        break;
    default:
        break;
    }
    properties.transparent = !properties.filled;
}

long double ClampPercent(long double value)
{
    if (std::isnan(value) || value < 0)
        return 0;
    if (value > 100)
        return 100;
    return value;
}

} // namespace screens
