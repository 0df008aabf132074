// Quorva run-time. Licensed under the MIT licence.
#include "viewers/GrafcetViewer.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <fmt/format.h>

#include "platform/Log.h"
#include "screens/Figure.h"
#include "screens/PlaceholderControl.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenVariables.h"
#include "screens/WindowsColour.h"
#include "shell/Stream.h"

namespace viewers {
namespace {

constexpr int kLineStep = 10;

} // namespace

GrafcetViewer* GrafcetViewer::CreateFor(screens::Figure& figure) {
    const screens::FigureProperties& properties = figure.Properties();
    // A figure drawn without a colour ("no colour" of the editor) leaves the defaults.
    GrafcetLook look;
    if (const QColor back = screens::WindowsColour(properties.backColour); back.alpha() != 0)
        look.background = back;
    if (const QColor fore = screens::WindowsColour(properties.foreColour); fore.alpha() != 0)
        look.text = fore;
    auto* viewer = new GrafcetViewer(properties.componentName, look);
    screens::FillPlaceholder(figure.Widget(), *viewer);
    viewer->UpdateScrollRanges();
    return viewer;
}

GrafcetViewer::GrafcetViewer(std::string figureName, const GrafcetLook& look)
    : m_figureName(std::move(figureName)), m_look(look) {
    m_chart.columns = kInitialColumns;
    setObjectName(QString::fromStdString(m_figureName + "_GRAFCET"));
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, m_look.background);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(kLineStep);
    verticalScrollBar()->setSingleStep(kLineStep);
}

platform::Result<bool> GrafcetViewer::Load(std::string_view fileName) {
    std::unique_ptr<shell::Stream> stream = screens::OpenProjectFile(fileName);
    if (!stream)
        return false;
    if (stream->Size() > kMaxGrafcetFileSize) {
        std::string reason = fmt::format("Grafcet chart {}: a file of {} bytes is larger than the "
                                         "{} bytes a chart may have; the viewer keeps its chart",
                                         fileName, stream->Size(), kMaxGrafcetFileSize);
        platform::LogError("{}", reason);
        return platform::Fail(std::move(reason));
    }
    auto chart = ReadGrafcetChart(stream->ReadAll());
    if (!chart) {
        std::string reason = fmt::format("Grafcet chart {}: {}; the viewer keeps its chart",
                                         fileName, chart.Error());
        platform::LogError("{}", reason);
        return platform::Fail(std::move(reason));
    }

    m_stepMarks.fill(0);
    bool repeated = false;
    for (const GrafcetCell& cell : chart->cells) {
        if (!IsGrafcetStep(cell.kind) || cell.number < 0 || cell.number >= kStepMarks)
            continue;
        auto& mark = m_stepMarks[static_cast<std::size_t>(cell.number)];
        if (mark != 0 && !repeated) {
            platform::LogWarning("Grafcet chart {}: step {} appears more than once; its cells "
                                 "share one state",
                                 fileName, cell.number);
            repeated = true;
        }
        mark = 1;
    }
    ScrollToStart();
    m_chartName = GrafcetChartName(fileName);
    SetGrid(std::move(chart.Value()));
    m_fileName = std::string(fileName);
    if (m_currentCell < 0 || m_currentCell >= static_cast<int>(m_chart.cells.size()))
        m_currentCell = m_chart.cells.empty() ? -1 : 0;
    viewport()->update();
    setFocus(Qt::OtherFocusReason);
    return true;
}

void GrafcetViewer::SetGrid(GrafcetChart chart) {
    m_chart = std::move(chart);
    m_chart.cells.resize(static_cast<std::size_t>(m_chart.rows) *
                         static_cast<std::size_t>(m_chart.columns));
    m_shownActive.assign(m_chart.cells.size(), 0);
    Layout();
}

bool GrafcetViewer::ReadStepState(const GrafcetCell& cell) const {
    screens::ScreenVariables* variables = screens::Globals().variables;
    if (variables == nullptr)
        return false;
    const std::optional<screens::VariableBinding> binding =
        variables->Resolve(GrafcetStepVariable(m_chartName, cell.number));
    if (!binding)
        return false;
    // The state array is an array of Booleans: an element is true when its byte is not 0. An
    // array of another type reads as true where its element is not 0.
    if (binding->type == 3)
        return variables->ReadByte(binding->address) != 0;
    return screens::ReadNumber(*variables, *binding) != 0;
}

void GrafcetViewer::Refresh() {
    // Every step is read, visible or not, so that a step scrolled into view shows its state of
    // this refresh; only the visible ones are redrawn.
    const QRect visible = viewport()->rect();
    for (std::size_t index = 0; index < m_chart.cells.size(); ++index) {
        const GrafcetCell& cell = m_chart.cells[index];
        if (!IsGrafcetStep(cell.kind))
            continue;
        const char active = ReadStepState(cell) ? 1 : 0;
        if (active == m_shownActive[index])
            continue;
        m_shownActive[index] = active;
        const QRect rect = CellRect(static_cast<int>(index));
        if (rect.intersects(visible))
            viewport()->update(rect);
    }
}

void GrafcetViewer::ZoomIn() {
    const int level = DiagramZoomIn(m_level);
    if (level == m_level)
        return;
    m_level = level;
    m_virtualSize *= 2;
    Layout();
    BringIntoView(m_currentCell);
    viewport()->update();
}

void GrafcetViewer::ZoomOut() {
    const int level = DiagramZoomOut(m_level);
    if (level == m_level)
        return;
    m_level = level;
    m_virtualSize /= 2;
    Layout();
    BringIntoView(m_currentCell);
    viewport()->update();
}

void GrafcetViewer::Clear() {
    GrafcetChart empty;
    empty.rows = 1;
    empty.columns = kInitialColumns;
    SetGrid(std::move(empty));
    m_fileName.clear();
    m_stepMarks.fill(0);
    m_currentCell = 0;
    ScrollToStart();
    viewport()->update();
}

void GrafcetViewer::Layout() {
    if (m_level != kGrafcetLargeZoom)
        m_virtualSize = GrafcetGridExtent(m_level, m_chart.rows, m_chart.columns, m_chart.cells);
    UpdateScrollRanges();
}

void GrafcetViewer::UpdateScrollRanges() {
    // Showing or hiding a scroll bar resizes the client area, at once or at the next event: at
    // once, the ranges are set again here for the new size (a scroll bar that comes and goes
    // settles within a few rounds); later, through the viewport's resize.
    m_scrollRanges.Update(*this, m_virtualSize, 3);
}

void GrafcetViewer::ScrollToStart() {
    horizontalScrollBar()->setValue(1);
    verticalScrollBar()->setValue(1);
}

void GrafcetViewer::BringIntoView(int index) {
    if (index < 0 || index >= static_cast<int>(m_chart.cells.size()) || m_chart.columns <= 0)
        return;
    const QRect cell = GrafcetCellRect(m_level, index / m_chart.columns, index % m_chart.columns);
    const QPoint scroll = ScrollToShow(ScrollPosition(), viewport()->size(), cell);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
}

QPoint GrafcetViewer::ScrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

bool GrafcetViewer::StepMarked(std::int32_t number) const {
    return number >= 0 && number < kStepMarks &&
           m_stepMarks[static_cast<std::size_t>(number)] != 0;
}

bool GrafcetViewer::ShownActive(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_shownActive.size() &&
           m_shownActive[static_cast<std::size_t>(index)] != 0;
}

QRect GrafcetViewer::CellRect(int index) const {
    if (m_chart.columns <= 0 || index < 0)
        return QRect();
    return GrafcetCellRect(m_level, index / m_chart.columns, index % m_chart.columns)
        .translated(-ScrollPosition());
}

void GrafcetViewer::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPoint scroll = ScrollPosition();
    painter.translate(-scroll);
    // A step shows the state its last refresh read, so that a repaint (exposure, zoom,
    // scrolling) keeps active steps active.
    PaintGrafcetChart(painter, m_chart, m_level, m_look, event->rect().translated(scroll),
                      [this](int index) { return ShownActive(index); });
}

bool GrafcetViewer::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize)
        UpdateScrollRanges();
    return QAbstractScrollArea::viewportEvent(event);
}

void GrafcetViewer::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace viewers
