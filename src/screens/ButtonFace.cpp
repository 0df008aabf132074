// Quorva run-time. Licensed under the MIT licence.
#include "screens/ButtonFace.h"

#include <QPainter>

#include "screens/FigureProperties.h"
#include "screens/FigureText.h"
#include "screens/ShapePainter.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

const QColor kHighlight(255, 255, 255);
const QColor kShadow(128, 128, 128);
const QColor kDarkShadow(0, 0, 0);
const QColor kRoundedBorder(0, 60, 116);
constexpr int kRoundedCorner = 6;

// A one-pixel frame: `topLeft` on the top and left edges, `bottomRight` on the others.
void Bevel(QPainter& painter, QRect rect, const QColor& topLeft, const QColor& bottomRight)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
}

void Caption(QPainter& painter, QRect area, const FigureProperties& properties, const QString& caption)
{
    painter.setFont(FigureFontOf(properties));
    painter.setPen(WindowsColour(properties.foreColour));
    painter.drawText(area, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
}

} // namespace

void PaintButtonFace(QPainter& painter, QSize size, const FigureProperties& properties, const QString& caption,
                     bool roundedStyle)
{
    const QRect whole(QPoint(0, 0), size);
    const QColor face = WindowsColour(properties.backColour);
    const bool down = properties.down;
    if (roundedStyle) {
        GdiBrush brush;
        brush.hollow = !properties.filled;
        brush.colour = down ? face.darker(115) : face;
        GdiPen border;
        border.colour = kRoundedBorder;
        ShapePainter(painter, border, brush).RoundRect(GdiRect{0, 0, size.width(), size.height()}, kRoundedCorner,
                                                        kRoundedCorner);
        if (!down && size.width() > 4)
            painter.fillRect(QRect(2, 1, size.width() - 4, 1), kHighlight);
    } else {
        if (properties.filled)
            painter.fillRect(whole, face);
        if (down) {
            Bevel(painter, whole, kDarkShadow, kHighlight);
            Bevel(painter, whole.adjusted(1, 1, -1, -1), kShadow, face);
        } else {
            Bevel(painter, whole, kHighlight, kDarkShadow);
            Bevel(painter, whole.adjusted(1, 1, -1, -1), face, kShadow);
        }
    }
    const QRect area = down ? whole.translated(1, 1) : whole;
    Caption(painter, area, properties, caption);
}

} // namespace screens
