// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "platform/Result.h"
#include "viewers/DiagramGrid.h"
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetPainter.h"

namespace screens {
class Figure;
}

namespace viewers {

// A scrolling control that shows a Grafcet chart in place of a figure, with the live state of
// its steps: step n of chart NAME shows active exactly while the global Boolean NAME[n] is true,
// as of the last Refresh. GUI thread only, like every widget.
//
// The viewer is a child of the figure's widget and covers it whole, so that it follows the
// figure's bounds and visibility and goes with its window. It starts with 16 columns and no
// cells, a virtual size of 1200 x 2400 and zoom level 2; a load replaces the grid, and the virtual
// size becomes the grid's extent. A scroll position is the chart pixel at the viewer's left (top)
// edge, from 1 to (virtual size - client size) on each axis; loads and clears scroll back to 1.
// The scroll bars step 10 pixels a line, half the width or the whole height a page.
class GrafcetViewer final : public QAbstractScrollArea {
public:
    static constexpr int kInitialColumns = 16;
    static constexpr QSize kInitialVirtualSize{1200, 2400};
    // Step numbers 0..1599 are marked in a table when a chart loads; others are shown but not
    // marked.
    static constexpr int kStepMarks = 1600;

    // Makes a viewer for `figure`: its name, its back colour as the viewer's colour and its fore
    // colour for step numbers and jump texts.
    static GrafcetViewer* CreateFor(screens::Figure& figure);

    // Loads a chart file (the name as given) through the project package, else from the disk.
    // True when it loaded: the grid is replaced, every step shows idle until the next Refresh,
    // the step marks are set anew, the chart name is taken from the file name, both axes scroll
    // back to position 1 and the viewer takes the keyboard focus. False when there is no such
    // file: nothing changes. A damaged file fails with the reason (also logged) and nothing
    // changes.
    platform::Result<bool> Load(std::string_view fileName);

    // Reads the state of every step and redraws the visible ones whose state changed. Cells
    // other than steps never change. Without the project's variables every step reads idle.
    void Refresh();

    // Zoom level steps: in 0 -> 1 -> 2 -> 3 (3 stays), out 3 -> 2 -> 1 -> 0 (0 stays), and 4 goes
    // to 2 either way. The grid is laid out at the new scale, the current cell brought into view.
    void ZoomIn();
    void ZoomOut();

    // Empties the viewer: one empty row of 16 columns, no file name, no step marks, scrolled
    // back to position 1. The chart name stays (it names nothing without steps).
    void Clear();

    // What the viewer holds and shows, for the commands, the tools and the tests.
    const std::string& FigureName() const { return m_figureName; }
    const std::string& FileName() const { return m_fileName; }
    const std::string& ChartName() const { return m_chartName; }
    const GrafcetChart& Chart() const { return m_chart; }
    int ZoomLevel() const { return m_level; }
    QSize VirtualSize() const { return m_virtualSize; }
    QPoint ScrollPosition() const;
    // The cell that keyboard work starts from: the first cell after a load, -1 when none.
    int CurrentCell() const { return m_currentCell; }
    bool StepMarked(std::int32_t number) const;
    // The state a cell shows (false for cells other than steps).
    bool ShownActive(int index) const;
    // A cell's rectangle in the viewport's coordinates (scrolling applied).
    QRect CellRect(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    explicit GrafcetViewer(std::string figureName, const GrafcetLook& look);

    void SetGrid(GrafcetChart chart);
    // Lays the grid out at the current level: except at level 4 the virtual size becomes the
    // grid's extent; then the scroll ranges follow.
    void Layout();
    void UpdateScrollRanges();
    void ScrollToStart();
    void BringIntoView(int index);
    bool ReadStepState(const GrafcetCell& cell) const;

    std::string m_figureName;
    GrafcetLook m_look;
    GrafcetChart m_chart;
    std::vector<char> m_shownActive; // per cell
    std::array<std::uint8_t, kStepMarks> m_stepMarks{};
    std::string m_fileName;
    std::string m_chartName;
    int m_level = kGrafcetDefaultZoom;
    QSize m_virtualSize = kInitialVirtualSize;
    int m_currentCell = -1;
    DiagramScrollRanges m_scrollRanges;
};

} // namespace viewers
