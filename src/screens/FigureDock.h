// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>

#include <QRect>
#include <QSize>

class QWidget;

namespace screens {

// Figure alignment inside the parent: docked figures follow the parent's edges.
enum class FigureAlign : std::uint8_t { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4, Client = 5 };

// The rectangle a figure of `size` docked by `align` takes inside `free` (the part of the parent
// the figures docked before it left), and what is left after it. Top and bottom figures keep
// their height and take the full width; left and right figures keep their width and take the
// full height; a client figure takes everything. Unknown alignments leave the figure as it is.
struct DockStep {
    QRect placed;
    QRect remaining;
};
DockStep DockOne(FigureAlign align, QSize size, QRect free, QRect current);

// Places the figures among `parent`'s direct children that have an alignment, in creation order,
// one after another inside the parent's contents rectangle. GUI thread.
void DockFigures(QWidget& parent);

} // namespace screens
