// Quorva run-time. Licensed under the MIT licence.
#include "viewers/DiagramGrid.h"

#include <gtest/gtest.h>

namespace {

// A client area of 100 x 50 scrolled to (200, 300): it shows virtual x 200..299, y 300..349.
constexpr QPoint kDiagramScroll{200, 300};
constexpr QSize kDiagramClient{100, 50};

} // namespace

TEST(DiagramGrid, ScrollToShowMovesEachAxisOnlyAsFarAsNeeded) {
    // Already in view, to the last pixel: nothing moves.
    EXPECT_EQ(viewers::ScrollToShow(kDiagramScroll, kDiagramClient, QRect(200, 300, 100, 50)),
              kDiagramScroll);
    // Before the area: the near edge becomes the first pixel shown.
    EXPECT_EQ(viewers::ScrollToShow(kDiagramScroll, kDiagramClient, QRect(150, 280, 20, 10)),
              QPoint(150, 280));
    // Past the area by one pixel: the far edge becomes the last pixel shown.
    EXPECT_EQ(viewers::ScrollToShow(kDiagramScroll, kDiagramClient, QRect(281, 331, 20, 20)),
              QPoint(201, 301));
    // One axis in view, the other not: only the other moves.
    EXPECT_EQ(viewers::ScrollToShow(kDiagramScroll, kDiagramClient, QRect(210, 400, 10, 10)),
              QPoint(200, 360));
    // Larger than the client: the near edge wins where the rectangle starts before the area.
    EXPECT_EQ(viewers::ScrollToShow(kDiagramScroll, kDiagramClient, QRect(0, 0, 500, 500)),
              QPoint(0, 0));
}
