// Quorva run-time. Licensed under the MIT licence.
#include "viewers/DiagramGrid.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <cstddef>

namespace viewers {
namespace {

// The level after a step from each of the levels 0..4.
constexpr std::array<int, 5> kDiagramZoomIn{1, 2, 3, 3, 2};
constexpr std::array<int, 5> kDiagramZoomOut{0, 0, 1, 2, 2};

int DiagramZoomStep(const std::array<int, 5>& steps, int level) {
    return level >= 0 && level < static_cast<int>(steps.size())
               ? steps[static_cast<std::size_t>(level)]
               : level;
}

} // namespace

int DiagramZoomIn(int level) {
    return DiagramZoomStep(kDiagramZoomIn, level);
}

int DiagramZoomOut(int level) {
    return DiagramZoomStep(kDiagramZoomOut, level);
}

void DiagramScrollRanges::Update(QAbstractScrollArea& area, QSize virtualSize, int rounds) {
    if (m_updating)
        return;
    m_updating = true;
    QScrollBar& horizontal = *area.horizontalScrollBar();
    QScrollBar& vertical = *area.verticalScrollBar();
    for (int round = 0; round < rounds; ++round) {
        const QSize client = area.viewport()->size();
        horizontal.setRange(1, std::max(1, virtualSize.width() - client.width()));
        vertical.setRange(1, std::max(1, virtualSize.height() - client.height()));
        horizontal.setPageStep(std::max(1, client.width() / 2));
        vertical.setPageStep(std::max(1, client.height()));
        if (area.viewport()->size() == client)
            break;
    }
    m_updating = false;
}

QPoint ScrollToShow(QPoint scroll, QSize client, const QRect& rect) {
    int x = scroll.x();
    int y = scroll.y();
    if (rect.left() < x)
        x = rect.left();
    else if (rect.right() >= x + client.width())
        x = rect.right() + 1 - client.width();
    if (rect.top() < y)
        y = rect.top();
    else if (rect.bottom() >= y + client.height())
        y = rect.bottom() + 1 - client.height();
    return {x, y};
}

} // namespace viewers
