// Quorva run-time. Licensed under the MIT licence.
#include "viewers/LadderViewer.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/WindowsColour.h"
#include "shell/Stream.h"
#include "viewers/Mnemonics.h"

namespace viewers {
namespace {

// Doubling the virtual size stops here, far beyond any laid-out grid.
constexpr int kMaxVirtualSize = 1 << 24;

QColor OpaqueOr(QColor colour, QColor fallback) {
    return colour.alpha() == 0 ? fallback : colour;
}

} // namespace

LadderViewer::LadderViewer(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    horizontalScrollBar()->setSingleStep(kLineStep);
    verticalScrollBar()->setSingleStep(kLineStep);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyZoom(kLadderInitialZoom);
    UpdateScrollRanges();
}

LadderViewer::~LadderViewer() = default;

// The viewer fills the figure, as a child of the figure's widget: the figure keeps what every
// figure does (bounds, visibility, page layer), and the commands that move, hide or show the
// current figure take the viewer with it. The figure's own drawing stays covered.
LadderViewer* LadderViewer::CreateInPlaceOf(screens::Figure& figure) {
    QWidget& placeholder = figure.Widget();
    if (placeholder.parentWidget() == nullptr)
        return nullptr;
    const screens::FigureProperties& properties = figure.Properties();
    // A viewer cleared earlier still covers the figure: the new one replaces it.
    // Not findChildren<LadderViewer*>: without its own meta-object it would match every control
    // of the same Qt class among the children (a Grafcet viewer, an edit field).
    for (QObject* child : placeholder.children()) {
        auto* old = dynamic_cast<LadderViewer*>(child);
        if (old == nullptr)
            continue;
        old->hide();
        old->SetFigure(nullptr, {});
        old->deleteLater();
    }
    auto* viewer = new LadderViewer(&placeholder);
    viewer->setObjectName(placeholder.objectName());
    viewer->SetFigure(&placeholder, properties.componentName);
    viewer->SetColours(OpaqueOr(screens::WindowsColour(properties.backColour), Qt::white),
                       OpaqueOr(screens::WindowsColour(properties.foreColour), Qt::black));
    screens::FillPlaceholder(placeholder, *viewer);
    return viewer;
}

void LadderViewer::SetFigure(QWidget* figure, std::string name) {
    m_figure = figure;
    m_figureName = std::move(name);
}

void LadderViewer::SetColours(QColor viewer, QColor font) {
    m_viewerColour = viewer;
    m_fontColour = font;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, viewer);
    colours.setColor(QPalette::Base, viewer);
    setPalette(colours);
    ApplyZoom(m_grid.ZoomLevel());
    RedrawAll();
}

platform::Result<LadderViewer::LoadOutcome> LadderViewer::LoadFile(std::string_view name,
                                                                   const Mnemonics* mnemonics) {
    std::unique_ptr<shell::Stream> stream = screens::OpenProjectFile(name);
    if (!stream)
        return LoadOutcome::NoFile;
    if (stream->Size() > kMaxLadderFileBytes)
        return platform::Fail(fmt::format("{}: the file is {} bytes long, above the limit of {}",
                                          name, stream->Size(), kMaxLadderFileBytes));
    const std::string bytes = stream->ReadAll();
    platform::Result<LadderDiagram> diagram = ReadLadderFile(bytes);
    if (!diagram)
        return platform::Fail(fmt::format("{}: {}", name, diagram.Error()));
    ShowDiagram(diagram.Value(), mnemonics, std::string(name));
    return LoadOutcome::Loaded;
}

void LadderViewer::ShowDiagram(const LadderDiagram& diagram, const Mnemonics* mnemonics,
                               std::string fileName) {
    ScrollTo(1, 1);
    m_grid.Replace(diagram, mnemonics);
    // Rows were added: the cell width is measured again.
    ApplyZoom(m_grid.ZoomLevel());
    Relayout();
    m_fileName = std::move(fileName);
    if (!m_currentCell || *m_currentCell >= m_grid.CellCount())
        m_currentCell = m_grid.CellCount() > 0 ? std::optional<std::size_t>(0) : std::nullopt;
    RedrawAll();
    setFocus();
}

void LadderViewer::Clear() {
    m_grid.Clear();
    ApplyZoom(m_grid.ZoomLevel());
    Relayout();
    m_fileName.clear();
    if (m_currentCell && *m_currentCell >= m_grid.CellCount())
        m_currentCell = 0;
    ScrollTo(1, 1);
    RedrawAll();
}

std::vector<std::size_t> LadderViewer::Refresh(screens::ScreenVariables* variables) {
    m_refreshPending = true;
    if (variables == nullptr)
        return {};
    const QPoint scroll = ScrollPosition();
    const QRect visible(scroll, ClientSize());
    std::vector<std::size_t> changed = m_grid.UpdateStates(*variables, visible);
    if (changed.empty() || m_picture.isNull())
        return changed;
    QPainter picture(&m_picture);
    QRect dirty;
    for (std::size_t index : changed) {
        const LadderCell& cell = m_grid.Cells()[index];
        if (m_cellPicture.size() != cell.rect.size())
            m_cellPicture = QImage(cell.rect.size(), QImage::Format_RGB32);
        m_cellPicture.fill(m_viewerColour);
        {
            QPainter painter(&m_cellPicture);
            painter.translate(-cell.rect.topLeft());
            m_painter->Paint(painter, cell, true);
        }
        ++m_cellsDrawn;
        const QPoint place = cell.rect.topLeft() - scroll;
        picture.drawImage(place, m_cellPicture);
        dirty = dirty.united(QRect(place, cell.rect.size()));
    }
    // One update for all: the control copies the picture, so a larger area costs little, while
    // hundreds of separate areas cost the window system much more.
    viewport()->update(dirty);
    return changed;
}

void LadderViewer::ZoomIn() {
    const int level = DiagramZoomIn(ZoomLevel());
    if (level == ZoomLevel())
        return;
    m_virtualSize = QSize(std::min(m_virtualSize.width() * 2, kMaxVirtualSize),
                          std::min(m_virtualSize.height() * 2, kMaxVirtualSize));
    SetZoomLevel(level);
}

void LadderViewer::ZoomOut() {
    const int level = DiagramZoomOut(ZoomLevel());
    if (level == ZoomLevel())
        return;
    m_virtualSize = QSize(std::max(m_virtualSize.width() / 2, 1),
                          std::max(m_virtualSize.height() / 2, 1));
    SetZoomLevel(level);
}

void LadderViewer::SetZoomLevel(int level) {
    ApplyZoom(std::clamp(level, 0, kLadderZoomLevels - 1));
    Relayout();
    if (m_currentCell && *m_currentCell < m_grid.CellCount())
        BringIntoView(m_grid.Cells()[*m_currentCell].rect);
    RedrawAll();
}

QPoint LadderViewer::ScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void LadderViewer::ScrollTo(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

QSize LadderViewer::ClientSize() const {
    return viewport()->size();
}

void LadderViewer::ApplyZoom(int level) {
    const LadderGeometry& table = LadderZoomTable(level);
    m_painter = std::make_unique<LadderPainter>(table, level, m_viewerColour, m_fontColour);
    m_grid.SetZoom(level, m_painter->MeasuredCellWidth());
    // The painter draws with the measured width.
    m_painter = std::make_unique<LadderPainter>(m_grid.Geometry(), level, m_viewerColour,
                                                m_fontColour);
}

// Except at the large-scale level, the virtual area becomes the extent of the grid, widened by
// the widest text of the last column (which runs on to the right). At the large-scale level it
// grows to hold the grid, so that every cell can still be scrolled to.
void LadderViewer::Relayout() {
    m_grid.Layout();
    const QSize extent = m_grid.Extent();
    if (ZoomLevel() == kLadderLargeZoom) {
        m_virtualSize = m_virtualSize.expandedTo(extent);
    } else {
        int widest = 0;
        for (const LadderCell& cell : m_grid.Cells())
            if (cell.lastColumn && !cell.record.variable.empty())
                widest = std::max(widest, m_painter->TextWidth(
                                              cell.record.variable,
                                              cell.record.kind == ladderkind::kComment));
        m_virtualSize = QSize(std::min(extent.width() + widest, kMaxVirtualSize),
                              std::min(extent.height(), kMaxVirtualSize));
    }
    m_virtualSize = m_virtualSize.expandedTo(QSize(1, 1));
    UpdateScrollRanges();
}

void LadderViewer::UpdateScrollRanges() {
    // Showing or hiding a scroll bar resizes the client area, which sets the ranges again.
    m_scrollRanges.Update(*this, m_virtualSize, 1);
}

void LadderViewer::BringIntoView(const QRect& rect) {
    const QPoint scroll = ScrollToShow(ScrollPosition(), ClientSize(), rect);
    ScrollTo(scroll.x(), scroll.y());
}

QRect LadderViewer::PaintArea(const LadderCell& cell) const {
    QRect area = cell.rect;
    if (cell.record.kind == ladderkind::kComment && ZoomLevel() == kLadderLargeZoom)
        area.setHeight(3 * area.height());
    if (cell.lastColumn && ZoomLevel() != kLadderLargeZoom)
        area.setRight(std::max(area.right(), m_virtualSize.width() - 1));
    return area;
}

void LadderViewer::RedrawAll() {
    const QSize client = ClientSize();
    if (client.isEmpty()) {
        m_picture = QImage();
        return;
    }
    if (m_picture.size() != client)
        m_picture = QImage(client, QImage::Format_RGB32);
    m_picture.fill(m_viewerColour);
    const QPoint scroll = ScrollPosition();
    const QRect visible(scroll, client);
    QPainter painter(&m_picture);
    painter.translate(-scroll);
    for (const LadderCell& cell : m_grid.Cells()) {
        const QRect area = PaintArea(cell);
        if (!area.intersects(visible))
            continue;
        painter.setClipRect(area);
        m_painter->Paint(painter, cell, m_refreshPending);
        ++m_cellsDrawn;
    }
    painter.end();
    viewport()->update();
}

void LadderViewer::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (m_picture.isNull()) {
        painter.fillRect(event->rect(), m_viewerColour);
        return;
    }
    painter.drawImage(event->rect(), m_picture, event->rect());
}

void LadderViewer::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
    RedrawAll();
}

void LadderViewer::scrollContentsBy(int, int) {
    RedrawAll();
}

void LadderViewer::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint() + ScrollPosition();
    if (std::optional<std::size_t> index = m_grid.CellIndexAt(point))
        m_currentCell = index;
    QAbstractScrollArea::mousePressEvent(event);
}

} // namespace viewers
