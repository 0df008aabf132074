// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QAbstractScrollArea;

namespace viewers {

// What the ladder and Grafcet viewers share about their grids: the zoom level steps and the
// scroll bars over a virtual area. GUI thread for the scroll bars; the rest are plain functions.

// The zoom level steps: in 0 -> 1, 1 -> 2, 2 -> 3, 4 -> 2 (3 stays); out 1 -> 0, 2 -> 1, 3 -> 2,
// 4 -> 2 (0 stays). Other levels stay.
int DiagramZoomIn(int level);
int DiagramZoomOut(int level);

// The scroll ranges of a diagram viewer over its virtual area. A member of the viewer; GUI thread.
class DiagramScrollRanges {
public:
    // Sets the scroll bars of `area` for a virtual area of `virtualSize`: positions run from 1 to
    // (virtual size - client size) on each axis (at least 1), a horizontal page is half the
    // client width, a vertical page the client height. Showing or hiding a scroll bar resizes
    // the client area: while it does so at once, the ranges are set again for the new size,
    // `rounds` times at the most; a call made meanwhile (from the viewer's resize) does nothing.
    void Update(QAbstractScrollArea& area, QSize virtualSize, int rounds);

private:
    bool m_updating = false;
};

// The scroll position (the virtual pixel at the client's top-left corner) that brings `rect` into
// view from `scroll`, each axis moved only as far as needed: to the rectangle's near edge when it
// starts before the client area, else so that its far edge is the area's last pixel.
QPoint ScrollToShow(QPoint scroll, QSize client, const QRect& rect);

} // namespace viewers
