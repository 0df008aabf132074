// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>

#include "viewers/GrafcetFile.h"

class QPainter;

namespace viewers {

// The scale of a zoom level: pixels, and points for the font size.
struct GrafcetZoom {
    int lineSpacing;  // between the two lines of a simultaneous branch
    int cellWidth;
    int cellHeight;   // also the side of a step's square
    int fontSize;     // points
    int initialInset; // of an initial step's inner square
    int originX;      // where the grid starts
    int originY;
};

constexpr int kGrafcetZoomLevels = 5;
constexpr int kGrafcetDefaultZoom = 2;
// Level 4 is a large-scale level: steps fill their cell, and steps and transitions show no text.
constexpr int kGrafcetLargeZoom = 4;

// The scale of a level (levels outside 0..4 are clamped).
const GrafcetZoom& GrafcetZoomAt(int level);
// The zoom steps between levels are DiagramZoomIn / DiagramZoomOut (DiagramGrid.h).

// The colours of the drawing rules (Windows 0x00BBGGRR values, for reference in tests).
constexpr std::uint32_t kGrafcetActiveStep = 0x0080FF; // orange
constexpr std::uint32_t kGrafcetIdleStep = 0xC0C0C0;   // grey
constexpr std::uint32_t kGrafcetActionLine = 0x808080; // darker grey
constexpr std::uint32_t kGrafcetText = 0x800000;       // navy: actions and conditions
constexpr std::uint32_t kGrafcetComment = 0x800080;    // purple

// The canvas font of a level: Arial at the level's size, at 96 pixels an inch whatever the
// screen, so that a chart measures the same everywhere.
QFont GrafcetFont(int level);
QFont GrafcetCommentFont(int level);

// Where cell (row, column) lies at a level, in the chart's own coordinates (before scrolling).
QRect GrafcetCellRect(int level, int row, int column);

// The kinds around a cell; 0 past the edge of the grid.
struct GrafcetNeighbours {
    std::uint8_t above = 0;
    std::uint8_t below = 0;
    std::uint8_t left = 0;
    std::uint8_t right = 0;
};
GrafcetNeighbours GrafcetNeighboursAt(const std::vector<GrafcetCell>& cells, int rows,
                                      int columns, int index);

// What a cell is drawn with besides the fixed colours of the drawing rules.
struct GrafcetLook {
    QColor background = Qt::white; // the viewer's colour
    QColor text = Qt::black;       // its font colour: step numbers and jump texts
};

// Draws one cell into `cell` (its rectangle at `level`), black solid pen, solid brush:
// - steps (1, 2): a square of the cell height centred on the cell, filled orange when `active`
//   else grey, black outline, white highlight lines inside its top and left edges; an initial
//   step adds an inner square inset by the level's inset; the step number centred. Except at
//   level 4, a grey line from the square's right side to an action rectangle that fills the rest
//   of the cell (a line spacing away, one pixel in from the cell's edges), holding the text in
//   navy, word-wrapped from its top;
// - transition (3): a vertical line through the centre, a bar 6 pixels long and 2 high across it
//   (at level 4 twice the inset long); except at level 4 the text in navy to its right;
// - links (4 to 12): line pieces through the centre toward the neighbours that join them (see
//   GrafcetPainter.cpp); kinds 5, 6, 10 and 11 draw their bar as two lines a line spacing apart;
// - jump (13): a vertical line from the top down to the centre ending in an arrow head, the text
//   centred below it;
// - comment (14): the text in purple italics, word-wrapped in the cell.
// Texts are code-page bytes. The caller has filled the background.
void PaintGrafcetCell(QPainter& painter, const QRect& cell, const GrafcetCell& content,
                      const GrafcetNeighbours& neighbours, bool active, int level,
                      const GrafcetLook& look);

// The extent of a laid-out grid: the widest right edge plus the width of the widest text of the
// last column's cells, and the lowest bottom edge.
QSize GrafcetGridExtent(int level, int rows, int columns, const std::vector<GrafcetCell>& cells);

// A whole chart drawn into `painter` at `level`: the background, then every cell that meets
// `area` (the chart's own coordinates), steps active where `isActive` says so.
void PaintGrafcetChart(QPainter& painter, const GrafcetChart& chart, int level,
                       const GrafcetLook& look, const QRect& area,
                       const std::function<bool(int index)>& isActive);

} // namespace viewers
