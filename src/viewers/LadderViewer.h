// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QPointer>

#include "platform/Result.h"
#include "viewers/DiagramGrid.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderGrid.h"
#include "viewers/LadderPainter.h"

namespace screens {
class Figure;
class ScreenVariables;
} // namespace screens

namespace viewers {

class Mnemonics;

// The ladder viewer control (the system's `TCadreLad`): a scrolling view of a ladder diagram's
// grid of cells with the live state of their variables. Unit code makes one in place of a figure
// (WINLADDER), refreshes, zooms and clears it. GUI thread only; owned by its Qt parent.
//
// The diagram is drawn into an off-screen picture of the visible area, which the control shows.
// Scrolling, zooming, loading and resizing redraw the picture; a refresh redraws only the cells
// whose state changed, each into an off-screen bitmap of one cell's size copied to its place.
// Once a refresh has run, every later drawing shows the cells' last read states.
//
// Scroll positions run from 1 to (virtual size - client size) on each axis; the position is the
// virtual pixel at the control's left (top) edge. Line steps are 10 pixels, a horizontal page half
// the client width, a vertical page the client height.
class LadderViewer : public QAbstractScrollArea {
public:
    static constexpr int kInitialVirtualWidth = 1200;
    static constexpr int kInitialVirtualHeight = 2400;
    static constexpr int kLineStep = 10;

    explicit LadderViewer(QWidget* parent = nullptr);
    ~LadderViewer() override;

    // Makes a viewer in place of a figure: it covers the figure whole and goes with it (bounds,
    // visibility, page), with the figure's back colour as the viewer colour and its fore colour
    // as the font colour. A viewer of the same figure that was cleared earlier is hidden and goes.
    // Null when the figure lies in no window (no parent widget).
    static LadderViewer* CreateInPlaceOf(screens::Figure& figure);

    // The figure the viewer stands for, and its name (upper-cased) at creation.
    QWidget* FigureWidget() const { return m_figure.data(); }
    const std::string& FigureName() const { return m_figureName; }
    void SetFigure(QWidget* figure, std::string name);

    // The viewer colour (background) and the font colour of the labels.
    void SetColours(QColor viewer, QColor font);

    enum class LoadOutcome { Loaded, NoFile };
    // Loads a diagram file, a project file (package entry, else the disk; see
    // screens::OpenProjectFile): NoFile when there is none, and nothing changes. A file that
    // cannot be read, is damaged or of another version is reported by the failure and leaves
    // the viewer as it was.
    platform::Result<LoadOutcome> LoadFile(std::string_view name, const Mnemonics* mnemonics);
    // Shows a diagram: scrolls back to position 1 on both axes, replaces the cells (the
    // mnemonics applied), lays them out, makes the first cell current when there is none,
    // redraws and takes the keyboard focus.
    void ShowDiagram(const LadderDiagram& diagram, const Mnemonics* mnemonics,
                     std::string fileName);
    // All cells removed, one empty row added, the file name cleared, scrolled back to 1, 1.
    void Clear();

    // Marks a refresh as pending and redraws the visible cells whose state changed (see
    // LadderGrid::UpdateStates); returns their indexes. Null variables: nothing is read.
    std::vector<std::size_t> Refresh(screens::ScreenVariables* variables);
    bool RefreshPending() const { return m_refreshPending; }

    // Zoom in and out by the level steps (DiagramZoomIn/Out): the virtual size doubles (halves),
    // the cells take the new level's sizes and are laid out again, the current cell is brought
    // into view. A step that does not change the level does nothing.
    void ZoomIn();
    void ZoomOut();
    // Sets a level directly (0..4, clamped), as a step would, without doubling or halving: for
    // the large-scale level 4, which no step reaches.
    void SetZoomLevel(int level);
    int ZoomLevel() const { return m_grid.ZoomLevel(); }

    const LadderGrid& Grid() const { return m_grid; }
    const std::string& FileName() const { return m_fileName; }
    std::optional<std::size_t> CurrentCell() const { return m_currentCell; }
    QSize VirtualSize() const { return m_virtualSize; }
    QPoint ScrollPosition() const;
    // Scrolls to a position, clamped to the ranges.
    void ScrollTo(int x, int y);
    QSize ClientSize() const;

    // The off-screen picture of the visible area, as shown.
    const QImage& Picture() const { return m_picture; }
    // How many cells were drawn since the viewer was made (full redraws and refreshes).
    std::size_t CellsDrawn() const { return m_cellsDrawn; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The painter for the current level and colours, and the level's measured cell width.
    void ApplyZoom(int level);
    // Layout, virtual size and scroll ranges.
    void Relayout();
    void UpdateScrollRanges();
    void BringIntoView(const QRect& rect);
    // Where a cell may draw: its rectangle, run on to the right in the last column, three cells
    // high for a wrapped comment.
    QRect PaintArea(const LadderCell& cell) const;
    void RedrawAll();

    QPointer<QWidget> m_figure;
    std::string m_figureName;
    QColor m_viewerColour{Qt::white};
    QColor m_fontColour{Qt::black};
    LadderGrid m_grid;
    std::unique_ptr<LadderPainter> m_painter;
    QSize m_virtualSize{kInitialVirtualWidth, kInitialVirtualHeight};
    std::optional<std::size_t> m_currentCell;
    std::string m_fileName;
    bool m_refreshPending = false;
    QImage m_picture;
    QImage m_cellPicture;
    std::size_t m_cellsDrawn = 0;
    DiagramScrollRanges m_scrollRanges;
};

} // namespace viewers
