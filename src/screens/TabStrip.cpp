// Quorva run-time. Licensed under the MIT licence.
#include "screens/TabStrip.h"

#include <algorithm>

#include <QPainter>

#include "screens/FigureKind.h"
#include "screens/FigureProperties.h"
#include "screens/WindowsColour.h"

namespace screens {
namespace {

const QColor kHighlight(255, 255, 255);
const QColor kShadow(128, 128, 128);
const QColor kDarkShadow(0, 0, 0);

bool IsNoteBook(const FigureProperties& properties)
{
    return properties.kind == static_cast<std::uint8_t>(FigureKind::NoteBook);
}

int StripHeight(const FigureProperties& properties, int figureHeight)
{
    return IsNoteBook(properties) ? std::min(kNoteBookStripHeight, figureHeight) : figureHeight;
}

// A raised box open at the bottom when `open` (the chosen tab joins its page).
void RaisedBox(QPainter& painter, QRect box, const QColor& face, bool open)
{
    if (box.width() <= 0 || box.height() <= 0)
        return;
    painter.fillRect(box, face);
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), kHighlight);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), kHighlight);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), kDarkShadow);
    if (box.width() > 2)
        painter.fillRect(QRect(box.right() - 1, box.top() + 1, 1, box.height() - 1), kShadow);
    if (!open)
        painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), kDarkShadow);
}

} // namespace

int TabWidth(int figureWidth, int pageValue)
{
    if (pageValue <= 0)
        return 0;
    return std::max(0, figureWidth / pageValue - 4);
}

std::optional<int> TabAt(QPoint point, QSize size, const FigureProperties& properties)
{
    const int width = TabWidth(size.width(), properties.decimals);
    if (width <= 0 || point.x() < 0 || point.y() < 0 || point.y() >= StripHeight(properties, size.height()))
        return std::nullopt;
    const int tab = point.x() / width;
    if (tab >= properties.tabCount)
        return std::nullopt;
    return tab;
}

void PaintTabStrip(QPainter& painter, QSize size, const FigureProperties& properties, int selected)
{
    if (selected < 0 || selected >= properties.tabCount)
        return;
    const QColor face = WindowsColour(properties.backColour);
    const QColor unselected = face.darker(110);
    const int width = TabWidth(size.width(), properties.decimals);
    const int strip = StripHeight(properties, size.height());
    if (IsNoteBook(properties) && size.height() > strip)
        RaisedBox(painter, QRect(0, strip - 1, size.width(), size.height() - strip + 1), face, false);
    if (width <= 0)
        return;
    for (int tab = 0; tab < properties.tabCount; ++tab) {
        const bool chosen = tab == selected;
        if (IsNoteBook(properties)) {
            // The chosen tab stands two pixels taller and merges with the page.
            const int top = chosen ? 0 : 2;
            const int bottom = chosen ? strip : strip - 1;
            RaisedBox(painter, QRect(tab * width, top, width, bottom - top), chosen ? face : unselected, chosen);
        } else {
            RaisedBox(painter, QRect(tab * width, 0, width, strip), chosen ? face : unselected, false);
        }
    }
}

} // namespace screens
