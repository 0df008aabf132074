// Quorva run-time. Licensed under the MIT licence.
#include "viewers/GrafcetPainter.h"

#include <algorithm>
#include <array>

#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "platform/CodePage.h"
#include "screens/FigureFont.h"
#include "screens/WindowsColour.h"

namespace viewers {
namespace {

constexpr std::array<GrafcetZoom, kGrafcetZoomLevels> kZoom = {{
    {2, 30, 7, 2, 1, 3, 3},
    {6, 60, 15, 6, 2, 4, 4},
    {8, 120, 30, 8, 3, 8, 8},
    {16, 240, 60, 16, 6, 16, 16},
    {50, 500, 500, 10, 150, 10, 10},
}};

// The transition's bar outside the large-scale level.
constexpr int kTransitionBarLength = 6;

QString ToQt(std::string_view codePageText) {
    return QString::fromStdString(platform::CodePageToUtf8(codePageText));
}

// Lines and frames are filled rectangles, so that each covers exactly the pixels it names:
// a line from a to b (both included), a frame on the edge pixels of its rectangle.
void HorizontalLine(QPainter& painter, int x1, int x2, int y, const QColor& colour,
                    int thickness = 1) {
    painter.fillRect(QRect(QPoint(std::min(x1, x2), y), QPoint(std::max(x1, x2), y + thickness - 1)),
                     colour);
}

void VerticalLine(QPainter& painter, int x, int y1, int y2, const QColor& colour) {
    painter.fillRect(QRect(QPoint(x, std::min(y1, y2)), QPoint(x, std::max(y1, y2))), colour);
}

void Frame(QPainter& painter, const QRect& rect, const QColor& colour) {
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    HorizontalLine(painter, rect.left(), rect.right(), rect.top(), colour);
    HorizontalLine(painter, rect.left(), rect.right(), rect.bottom(), colour);
    VerticalLine(painter, rect.left(), rect.top(), rect.bottom(), colour);
    VerticalLine(painter, rect.right(), rect.top(), rect.bottom(), colour);
}

void Text(QPainter& painter, const QRect& rect, int flags, const QColor& colour,
          const QFont& font, std::string_view text) {
    if (text.empty())
        return;
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, flags, ToQt(text));
}

// Which sides of a cell line pieces may leave by: steps, transitions and the vertical link
// join the cells above and below; branch bars join all four sides; horizontal links join left
// and right; a jump is entered from above.
struct Sides {
    bool up = false;
    bool down = false;
    bool left = false;
    bool right = false;
};

Sides OpenSides(std::uint8_t kind) {
    switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
        return {true, true, false, false};
    case 5:
    case 6:
    case 7:
    case 8:
    case 11:
    case 12:
        return {true, true, true, true};
    case 9:
    case 10:
        return {false, false, true, true};
    case 13:
        return {true, false, false, false};
    default:
        return {};
    }
}

// The line pieces of a link: an arm goes toward each side where the neighbour is open to it.
// A vertical link with no arm at all draws its full line, a horizontal one its full bar. A bar of
// a branch reaches an edge where an arm goes; on a side without one it stops a quarter of the
// cell width from the centre, so that a lone bar still shows. Double bars draw two lines a line
// spacing apart; the arm from above meets the upper line, the arm below leaves the lower one.
void PaintLink(QPainter& painter, const QRect& cell, std::uint8_t kind,
               const GrafcetNeighbours& neighbours, const GrafcetZoom& zoom) {
    const QColor black(Qt::black);
    const Sides open = OpenSides(kind);
    const bool up = open.up && OpenSides(neighbours.above).down;
    const bool down = open.down && OpenSides(neighbours.below).up;
    const bool left = open.left && OpenSides(neighbours.left).right;
    const bool right = open.right && OpenSides(neighbours.right).left;
    const int cx = cell.left() + cell.width() / 2;
    const int cy = cell.top() + cell.height() / 2;

    if (kind == KindCode(GrafcetKind::VerticalLink)) {
        if (!up && !down) {
            VerticalLine(painter, cx, cell.top(), cell.bottom(), black);
            return;
        }
        if (up)
            VerticalLine(painter, cx, cell.top(), cy, black);
        if (down)
            VerticalLine(painter, cx, cy, cell.bottom(), black);
        return;
    }

    const bool twoLines = IsGrafcetDoubleLink(kind);
    const int upper = twoLines ? cy - zoom.lineSpacing / 2 : cy;
    const int lower = twoLines ? upper + zoom.lineSpacing : cy;
    const bool horizontalOnly = !open.up && !open.down;
    int from = 0;
    int to = 0;
    if (horizontalOnly) {
        from = left || !right ? cell.left() : cx;
        to = right || !left ? cell.right() : cx;
    } else {
        from = left ? cell.left() : cx - cell.width() / 4;
        to = right ? cell.right() : cx + cell.width() / 4;
    }
    HorizontalLine(painter, from, to, upper, black);
    if (twoLines)
        HorizontalLine(painter, from, to, lower, black);
    if (up)
        VerticalLine(painter, cx, cell.top(), upper, black);
    if (down)
        VerticalLine(painter, cx, lower, cell.bottom(), black);
}

void PaintStep(QPainter& painter, const QRect& cell, const GrafcetCell& content, bool active,
               int level, const GrafcetLook& look) {
    const GrafcetZoom& zoom = GrafcetZoomAt(level);
    const int side = std::min(cell.height(), cell.width());
    const int cx = cell.left() + cell.width() / 2;
    const QRect square(cx - side / 2, cell.top(), side, side);

    painter.fillRect(square.adjusted(1, 1, -1, -1),
                     screens::WindowsColour(active ? kGrafcetActiveStep : kGrafcetIdleStep));
    Frame(painter, square, Qt::black);
    HorizontalLine(painter, square.left() + 1, square.right() - 1, square.top() + 1, Qt::white);
    VerticalLine(painter, square.left() + 1, square.top() + 1, square.bottom() - 1, Qt::white);
    if (content.kind == KindCode(GrafcetKind::InitialStep)) {
        const int inset = zoom.initialInset;
        Frame(painter, square.adjusted(inset, inset, -inset, -inset), Qt::black);
    }
    Text(painter, square, Qt::AlignCenter | Qt::TextDontClip, look.text, GrafcetFont(level),
         std::to_string(content.number));

    if (level == kGrafcetLargeZoom)
        return;
    const int actionLeft = square.right() + 1 + zoom.lineSpacing;
    const QRect action(QPoint(actionLeft, cell.top() + 1),
                       QPoint(cell.right() - 1, cell.bottom() - 1));
    if (action.width() < 3 || action.height() < 3)
        return;
    HorizontalLine(painter, square.right() + 1, actionLeft - 1, square.top() + side / 2,
                   screens::WindowsColour(kGrafcetActionLine));
    Frame(painter, action, Qt::black);
    painter.save();
    painter.setClipRect(action.adjusted(1, 1, -1, -1));
    Text(painter, action.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
         screens::WindowsColour(kGrafcetText), GrafcetFont(level), content.text);
    painter.restore();
}

void PaintTransition(QPainter& painter, const QRect& cell, const GrafcetCell& content, int level) {
    const GrafcetZoom& zoom = GrafcetZoomAt(level);
    const int cx = cell.left() + cell.width() / 2;
    const int cy = cell.top() + cell.height() / 2;
    VerticalLine(painter, cx, cell.top(), cell.bottom(), Qt::black);
    const int half =
        level == kGrafcetLargeZoom ? zoom.initialInset : kTransitionBarLength / 2;
    painter.fillRect(QRect(cx - half, cy - 1, 2 * half, 2), Qt::black);
    if (level == kGrafcetLargeZoom)
        return;
    // The condition may run past the cell: the layout widens the chart for the last column's.
    const int textLeft = cx + half + zoom.lineSpacing;
    Text(painter, QRect(textLeft, cell.top(), cell.right() - textLeft + 1, cell.height()),
         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, screens::WindowsColour(kGrafcetText),
         GrafcetFont(level), content.text);
}

void PaintJump(QPainter& painter, const QRect& cell, const GrafcetCell& content, int level,
               const GrafcetLook& look) {
    const int cx = cell.left() + cell.width() / 2;
    const int cy = cell.top() + cell.height() / 2;
    VerticalLine(painter, cx, cell.top(), cy, Qt::black);
    // The arrow head: rows narrowing by one pixel a side down to its tip at the centre.
    const int head = std::max(1, cell.height() / 6);
    for (int row = 0; row <= head; ++row)
        HorizontalLine(painter, cx - (head - row), cx + (head - row), cy - head + row, Qt::black);
    Text(painter, QRect(cell.left(), cy + 1, cell.width(), cell.bottom() - cy),
         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, look.text, GrafcetFont(level),
         content.text);
}

void PaintComment(QPainter& painter, const QRect& cell, const GrafcetCell& content, int level) {
    painter.save();
    painter.setClipRect(cell);
    Text(painter, cell.adjusted(1, 1, -1, -1), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
         screens::WindowsColour(kGrafcetComment), GrafcetCommentFont(level), content.text);
    painter.restore();
}

} // namespace

const GrafcetZoom& GrafcetZoomAt(int level) {
    return kZoom[static_cast<std::size_t>(std::clamp(level, 0, kGrafcetZoomLevels - 1))];
}

QFont GrafcetFont(int level) {
    return screens::FigureFont("Arial", screens::HeightFromPoints(GrafcetZoomAt(level).fontSize, 96),
                               0);
}

QFont GrafcetCommentFont(int level) {
    return screens::FigureFont("Arial", screens::HeightFromPoints(GrafcetZoomAt(level).fontSize, 96),
                               screens::kFontItalic);
}

QRect GrafcetCellRect(int level, int row, int column) {
    const GrafcetZoom& zoom = GrafcetZoomAt(level);
    return QRect(zoom.originX + column * zoom.cellWidth, zoom.originY + row * zoom.cellHeight,
                 zoom.cellWidth, zoom.cellHeight);
}

GrafcetNeighbours GrafcetNeighboursAt(const std::vector<GrafcetCell>& cells, int rows,
                                      int columns, int index) {
    GrafcetNeighbours around;
    if (columns <= 0 || index < 0 || index >= rows * columns)
        return around;
    const int row = index / columns;
    const int column = index % columns;
    const auto kindAt = [&](int at) {
        return at >= 0 && static_cast<std::size_t>(at) < cells.size()
                   ? cells[static_cast<std::size_t>(at)].kind
                   : std::uint8_t{0};
    };
    if (row > 0)
        around.above = kindAt(index - columns);
    if (row + 1 < rows)
        around.below = kindAt(index + columns);
    if (column > 0)
        around.left = kindAt(index - 1);
    if (column + 1 < columns)
        around.right = kindAt(index + 1);
    return around;
}

void PaintGrafcetCell(QPainter& painter, const QRect& cell, const GrafcetCell& content,
                      const GrafcetNeighbours& neighbours, bool active, int level,
                      const GrafcetLook& look) {
    level = std::clamp(level, 0, kGrafcetZoomLevels - 1);
    const std::uint8_t kind = content.kind;
    if (IsGrafcetStep(kind))
        PaintStep(painter, cell, content, active, level, look);
    else if (kind == KindCode(GrafcetKind::Transition))
        PaintTransition(painter, cell, content, level);
    else if (IsGrafcetLink(kind))
        PaintLink(painter, cell, kind, neighbours, GrafcetZoomAt(level));
    else if (kind == KindCode(GrafcetKind::Jump))
        PaintJump(painter, cell, content, level, look);
    else if (kind == KindCode(GrafcetKind::Comment))
        PaintComment(painter, cell, content, level);
}

QSize GrafcetGridExtent(int level, int rows, int columns, const std::vector<GrafcetCell>& cells) {
    const GrafcetZoom& zoom = GrafcetZoomAt(level);
    int widestText = 0;
    if (columns > 0) {
        const QFontMetrics metrics(GrafcetFont(level));
        for (int row = 0; row < rows; ++row) {
            const auto at = static_cast<std::size_t>(row * columns + columns - 1);
            if (at < cells.size() && !cells[at].text.empty())
                widestText = std::max(widestText,
                                      metrics.horizontalAdvance(ToQt(cells[at].text)));
        }
    }
    return QSize(zoom.originX + std::max(columns, 0) * zoom.cellWidth + widestText,
                 zoom.originY + std::max(rows, 0) * zoom.cellHeight);
}

void PaintGrafcetChart(QPainter& painter, const GrafcetChart& chart, int level,
                       const GrafcetLook& look, const QRect& area,
                       const std::function<bool(int index)>& isActive) {
    painter.fillRect(area, look.background);
    if (chart.columns <= 0)
        return;
    const int count = std::min<int>(chart.rows * chart.columns, static_cast<int>(chart.cells.size()));
    for (int index = 0; index < count; ++index) {
        const GrafcetCell& cell = chart.cells[static_cast<std::size_t>(index)];
        if (cell.kind == 0)
            continue;
        const QRect rect = GrafcetCellRect(level, index / chart.columns, index % chart.columns);
        // Transition texts run to the right of their cell: such cells are drawn when their row
        // meets the area at all.
        const bool spills = cell.kind == KindCode(GrafcetKind::Transition);
        const bool meets = spills ? rect.top() <= area.bottom() && rect.bottom() >= area.top() &&
                                        rect.left() <= area.right()
                                  : rect.intersects(area);
        if (!meets)
            continue;
        PaintGrafcetCell(painter, rect, cell,
                         GrafcetNeighboursAt(chart.cells, chart.rows, chart.columns, index),
                         IsGrafcetStep(cell.kind) && isActive && isActive(index), level, look);
    }
}

} // namespace viewers
