// Quorva run-time. Licensed under the MIT licence.
#include "screens/FigureDock.h"

#include <algorithm>

#include <QWidget>

#include "screens/Figure.h"

namespace screens {

DockStep DockOne(FigureAlign align, QSize size, QRect free, QRect current)
{
    DockStep step{current, free};
    const int width = std::min(std::max(0, size.width()), free.width());
    const int height = std::min(std::max(0, size.height()), free.height());
    switch (align) {
    case FigureAlign::Top:
        step.placed = QRect(free.left(), free.top(), free.width(), height);
        step.remaining = free.adjusted(0, height, 0, 0);
        break;
    case FigureAlign::Bottom:
        step.placed = QRect(free.left(), free.bottom() + 1 - height, free.width(), height);
        step.remaining = free.adjusted(0, 0, 0, -height);
        break;
    case FigureAlign::Left:
        step.placed = QRect(free.left(), free.top(), width, free.height());
        step.remaining = free.adjusted(width, 0, 0, 0);
        break;
    case FigureAlign::Right:
        step.placed = QRect(free.right() + 1 - width, free.top(), width, free.height());
        step.remaining = free.adjusted(0, 0, -width, 0);
        break;
    case FigureAlign::Client:
        step.placed = free;
        step.remaining = QRect(free.topLeft(), QSize(0, 0));
        break;
    case FigureAlign::None:
        break;
    }
    return step;
}

void DockFigures(QWidget& parent)
{
    QRect free = parent.contentsRect();
    // Top and bottom figures first, then left and right, then the client: each group in
    // creation order, the order docked controls are laid out in.
    for (const auto group : {0, 1, 2}) {
        for (QObject* child : parent.children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            Figure* figure = widget != nullptr ? FigureOf(widget) : nullptr;
            if (figure == nullptr)
                continue;
            const auto align = static_cast<FigureAlign>(figure->Properties().alignment);
            const int figureGroup = (align == FigureAlign::Top || align == FigureAlign::Bottom) ? 0
                                    : (align == FigureAlign::Left || align == FigureAlign::Right) ? 1
                                    : align == FigureAlign::Client ? 2
                                                                   : -1;
            if (figureGroup != group)
                continue;
            const DockStep step = DockOne(align, widget->size(), free, widget->geometry());
            widget->setGeometry(step.placed);
            free = step.remaining;
        }
    }
}

} // namespace screens
