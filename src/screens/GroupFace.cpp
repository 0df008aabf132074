// Quorva run-time. Licensed under the MIT licence.
#include "screens/GroupFace.h"

#include <algorithm>
#include <utility>

#include <QFontMetrics>
#include <QPainter>

#include "screens/FigureProperties.h"
#include "screens/FigureText.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

const QColor kHighlight(255, 255, 255);
const QColor kShadow(128, 128, 128);
constexpr int kCaptionIndent = 8;

} // namespace

void PaintGroupFace(QPainter& painter, QSize size, const FigureProperties& properties, const QString& caption)
{
    const QRect whole(QPoint(0, 0), size);
    if (properties.filled)
        painter.fillRect(whole, WindowsColour(properties.backColour));
    const QFont font = FigureFontOf(properties);
    const QFontMetrics metrics(font);
    const int frameTop = metrics.height() / 2;
    const int captionWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption) + 4;
    const QRect frame(0, frameTop, size.width() - 1, size.height() - frameTop - 1);
    // Etched: a grey frame with a white one a pixel further in; the top edge leaves room for the caption.
    for (const auto& [colour, offset] : {std::pair{kShadow, 0}, std::pair{kHighlight, 1}}) {
        const QRect r = frame.translated(offset, offset);
        if (r.width() <= 0 || r.height() <= 0)
            continue;
        const int gapLeft = kCaptionIndent - 2;
        const int gapRight = gapLeft + captionWidth;
        painter.fillRect(QRect(r.left(), r.top(), std::max(0, std::min(r.width(), gapLeft - r.left())), 1), colour);
        if (r.right() >= gapRight)
            painter.fillRect(QRect(gapRight, r.top(), r.right() - gapRight + 1, 1), colour);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
    }
    if (captionWidth > 0) {
        painter.setFont(font);
        painter.setPen(WindowsColour(properties.foreColour));
        painter.drawText(QRect(kCaptionIndent, 0, captionWidth, metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
    }
}

} // namespace screens
