// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <optional>

#include <QPoint>
#include <QSize>

class QPainter;

namespace screens {

struct FigureProperties;

// The tabs of NoteBook and TabSet figures: tabs side by side from the left, each
// width / page value - 4 pixels wide (the page value is at least the tab count); the strip is the
// top 18 pixels of a NoteBook and the whole height of a TabSet. Pure functions (GUI thread for
// the drawing).

constexpr int kNoteBookStripHeight = 18;

// The width of one tab; 0 when there is no page value or the figure is too narrow for tabs.
int TabWidth(int figureWidth, int pageValue);
// The 0-based tab under `point`, or nothing (outside the strip, past the last tab, no tabs).
std::optional<int> TabAt(QPoint point, QSize size, const FigureProperties& properties);
// Draws the strip with tab `selected` (0-based) as the chosen one; a NoteBook also draws the
// page below its strip. Nothing is drawn when `selected` is not one of the tabs.
void PaintTabStrip(QPainter& painter, QSize size, const FigureProperties& properties, int selected);

} // namespace screens
