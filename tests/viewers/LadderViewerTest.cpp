// Quorva run-time. Licensed under the MIT licence.
#include "viewers/DiagramGrid.h"
#include "viewers/LadderFile.h"
#include "viewers/LadderGrid.h"
#include "viewers/LadderPainter.h"
#include "viewers/LadderRegistry.h"
#include "viewers/LadderViewer.h"
#include "viewers/Mnemonics.h"

#include "screens/FigureTestSupport.h"
#include "screens/TestVariables.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ladtest {

using viewers::LadderCellRecord;
using viewers::LadderDiagram;
using viewers::LadderViewer;
namespace kind = viewers::ladderkind;

// The zoom table as the system documents it: contact half-height, contact half-width, text
// offset, cell width, cell height, font size, box inset, grid origin x and y.
struct Level {
    int hh, hw, offset, width, height, font, inset, ox, oy;
};
constexpr Level kTable[5] = {
    {1, 1, 2, 20, 15, 2, 6, 3, 3},
    {3, 2, 6, 45, 33, 6, 12, 4, 4},
    {6, 5, 8, 55, 40, 8, 16, 8, 8},
    {12, 8, 16, 120, 90, 16, 36, 16, 16},
    {50, 40, 50, 500, 400, 10, 150, 10, 10},
};

// A viewer colour no drawing rule uses, so that what a cell leaves alone can be told apart from
// white and grey.
const QColor kViewer(0xFF, 0xFF, 0xE0);
const QColor kBlack(0, 0, 0);
const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kBlue(0, 0, 0xFF);
const QColor kRed(0xFF, 0, 0);
const QColor kDarkRed(0x80, 0, 0);
const QColor kNavy(0, 0, 0x80);
const QColor kPurple(0x80, 0, 0x80);
const QColor kSegmentFill(0xFF, 0xD1, 0xBB);

LadderCellRecord Cell(std::uint8_t cellKind, std::string variable = {}) {
    LadderCellRecord cell;
    cell.kind = cellKind;
    cell.variable = std::move(variable);
    return cell;
}

// A diagram of `columns` columns from rows of cells (short rows are filled with empty cells).
LadderDiagram Diagram(int columns, const std::vector<std::vector<LadderCellRecord>>& rows) {
    LadderDiagram diagram;
    diagram.rows = static_cast<std::int32_t>(rows.size());
    diagram.columns = columns;
    for (const auto& row : rows)
        for (int c = 0; c < columns; ++c)
            diagram.cells.push_back(c < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(c)]
                                                                     : LadderCellRecord{});
    return diagram;
}

std::string Hex(const QColor& colour) {
    return std::to_string(colour.red()) + "," + std::to_string(colour.green()) + "," +
           std::to_string(colour.blue());
}

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

bool IsDark(const QColor& colour) {
    return colour.red() < 90 && colour.green() < 90 && colour.blue() < 90;
}

// A black (dark) pixel at (x, y) or next to it: the width-2 pens may put their second pixel on
// either side.
bool DarkNear(const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(x + dx, y + dy) && IsDark(image.pixelColor(x + dx, y + dy)))
                return true;
    return false;
}

int Count(const QImage& image, const QRect& region, const std::function<bool(QColor)>& wanted) {
    int count = 0;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += wanted(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

int CountColour(const QImage& image, const QRect& region, const QColor& colour) {
    return Count(image, region, [&](QColor c) { return c == colour; });
}

// The bounds of the pixels of a colour in a region (empty when there are none).
QRect Bounds(const QImage& image, const QRect& region, const QColor& colour) {
    QRect bounds;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                bounds = bounds.united(QRect(x, y, 1, 1));
    return bounds;
}

// A viewer in a host widget, with the test colours.
class Scene {
public:
    explicit Scene(int width = 900, int height = 700) : m_host(std::make_unique<QWidget>()) {
        m_host->resize(width, height);
        viewer = new LadderViewer(m_host.get());
        viewer->setGeometry(0, 0, width, height);
        viewer->SetColours(kViewer, kBlack);
        m_host->show();
    }
    void Show(const LadderDiagram& diagram, int level = 2) {
        viewer->SetZoomLevel(level);
        viewer->ShowDiagram(diagram, nullptr, "test.lad");
        m_level = level;
    }
    const Level& Table() const { return kTable[m_level]; }
    // Where a cell lies on the control by the layout rules: columns from the grid origin x at the
    // level's cell width, rows from the origin y at its height, less the scroll position.
    QRect CellOnScreen(int row, int column) const {
        const int width = viewer->Grid().Geometry().cellWidth;
        const QPoint scroll = viewer->ScrollPosition();
        return QRect(Table().ox + column * width - scroll.x(),
                     Table().oy + row * Table().height - scroll.y(), width, Table().height);
    }
    QImage Shot() const {
        return viewer->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    LadderViewer* viewer = nullptr;

private:
    std::unique_ptr<QWidget> m_host;
    int m_level = 2;
};

int MidX(const QRect& r) {
    return r.left() + r.width() / 2;
}
int MidY(const QRect& r) {
    return r.top() + r.height() / 2;
}

#define EXPECT_COLOUR(image, x, y, colour)                                                         \
    EXPECT_EQ(Hex(At((image), (x), (y))), Hex(colour))                                             \
        << "at (" << (x) << ", " << (y) << ") level " << level

} // namespace ladtest

using namespace ladtest;

// --- the file -----------------------------------------------------------------------------------

TEST(LadderFile, EveryFieldSurvivesWritingAndReading) {
    LadderCellRecord full;
    full.kind = kind::kBoxInput;
    full.flags = {1, 2, 3, 4, 5, 6};
    full.variable = "VALVE";
    full.boxName = "LT";
    full.leftLabel = "IN1";
    full.rightLabel = "Q";
    full.frameBottom = 1;
    full.labelStyle = 4;
    full.mnemonic1 = "Vanne \xE9";
    full.mnemonic2 = "second";
    full.segment = -7;
    full.spare = 9;
    full.negation = 1;
    full.program = 123456;
    full.spareText = std::string("a\0b", 3);
    const LadderDiagram diagram = Diagram(3, {{Cell(kind::kContact, "A"), full}, {Cell(kind::kWire)}});

    const std::string bytes = viewers::WriteLadderFile(diagram);
    auto read = viewers::ReadLadderFile(bytes);
    ASSERT_TRUE(read) << read.Error();
    EXPECT_EQ(read.Value(), diagram);
    // An empty text takes its length only: the smallest record is 47 bytes.
    EXPECT_EQ(viewers::WriteLadderFile(Diagram(1, {{Cell(kind::kWire)}})).size(),
              12 + viewers::kMinLadderCellBytes);
}

TEST(LadderFile, DamagedFilesAreRefusedWithWhatAndWhere) {
    const LadderDiagram diagram =
        Diagram(2, {{Cell(kind::kContact, "START"), Cell(kind::kCoil, "MOTOR")}});
    const std::string good = viewers::WriteLadderFile(diagram);
    auto put32 = [](std::string bytes, std::size_t offset, std::int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + static_cast<std::size_t>(i)] =
                static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
        return bytes;
    };
    struct Case {
        std::string bytes;
        std::string says;
    };
    const std::string longer = viewers::WriteLadderFile(
        Diagram(2, {{Cell(kind::kContact, "START"), Cell(kind::kCoil, std::string(60, 'M'))}}));
    const std::size_t secondCell = 12 + 47 + 5; // the first cell holds the 5 bytes of "START"
    const std::vector<Case> cases = {
        {"", "the version needs 4 bytes"},
        {good.substr(0, 10), "the column count"},
        {put32(good, 0, 1), "version 1 ladder files are not supported: "},
        {put32(good, 0, 3), "version 3"},
        {put32(good, 4, -1), "row count -1"},
        {put32(good, 4, 200000), "row count 200000"},
        {put32(good, 8, 0), "column count 0"},
        {put32(good, 8, 5000), "column count 5000"},
        {put32(put32(good, 4, 1000), 8, 1000), "1000000 cells need at least"},
        {put32(good, 14, 1 << 30), "cell 0 (row 0, column 0) at offset 14: the variable name is "
                                   "1073741824 bytes long, above the limit"},
        {put32(good, 14, 60000), "the variable name is 60000 bytes long but only"},
        {good.substr(0, good.size() - 3), "cell 1 (row 0, column 1) at offset"},
        {good.substr(0, secondCell + 1), "at offset 12: 2 cells need at least 94 bytes, only 53"},
        {longer.substr(0, secondCell + 50), "cell 1 (row 0, column 1) at offset " +
                                                std::to_string(secondCell + 2) +
                                                ": the variable name is 60 bytes long but only"},
    };
    for (const Case& c : cases) {
        auto read = viewers::ReadLadderFile(c.bytes);
        ASSERT_FALSE(read) << c.says;
        EXPECT_NE(read.Error().find(c.says), std::string::npos) << read.Error();
    }
    // Bytes after the last cell do not matter.
    EXPECT_TRUE(viewers::ReadLadderFile(good + "tail"));
}

TEST(LadderMnemonics, LinesGiveNameAndTwoTextsFoundIgnoringCase) {
    const auto list = viewers::Mnemonics::Parse("PUMP\tPompe\tPompe de remplissage\r\n"
                                                "\r\n"
                                                "high\tNiveau haut\n"
                                                "LOW\n"
                                                "\tno name\tskipped\n"
                                                "pump\tsecond\tignored\n"
                                                "REST\tone\ttwo\tthree");
    EXPECT_EQ(list.Size(), 4u);
    ASSERT_NE(list.Find("Pump"), nullptr);
    EXPECT_EQ(list.Find("pump")->text1, "Pompe");
    EXPECT_EQ(list.Find("PUMP")->text2, "Pompe de remplissage");
    ASSERT_NE(list.Find("HIGH"), nullptr);
    EXPECT_EQ(list.Find("HIGH")->text2, "");
    ASSERT_NE(list.Find("low"), nullptr);
    EXPECT_EQ(list.Find("low")->text1, "");
    EXPECT_EQ(list.Find("REST")->text2, "two\tthree");
    EXPECT_EQ(list.Find(""), nullptr);
    EXPECT_EQ(list.Find("PUMPX"), nullptr);
}

// --- layout, zoom and scrolling -----------------------------------------------------------------

TEST(LadderZoom, LevelStepsAndTheirEnds) {
    const int in[5] = {1, 2, 3, 3, 2};
    const int out[5] = {0, 0, 1, 2, 2};
    for (int level = 0; level < 5; ++level) {
        EXPECT_EQ(viewers::DiagramZoomIn(level), in[level]) << level;
        EXPECT_EQ(viewers::DiagramZoomOut(level), out[level]) << level;
    }
}

TEST(LadderViewerLayout, CellsFollowTheGridAndTheVirtualSizeFollowsTheCells) {
    Scene scene(300, 200);
    LadderViewer& viewer = *scene.viewer;
    EXPECT_EQ(viewer.ZoomLevel(), 2);
    EXPECT_EQ(viewer.VirtualSize(), QSize(1200, 2400));
    const std::string comment = "A rather long comment in the last column";
    scene.Show(Diagram(4, {{Cell(kind::kContact, "A"), Cell(kind::kWire), Cell(kind::kCoil, "B"),
                            Cell(kind::kComment, comment)},
                           {}, {Cell(kind::kContact, "C")}, {}, {}, {}, {}, {}, {}, {}}));
    const int width = QFontMetrics(viewers::LadderCanvasFont(8)).horizontalAdvance("LADDERBB");
    EXPECT_EQ(viewer.Grid().Geometry().cellWidth, width);
    for (const viewers::LadderCell& cell : viewer.Grid().Cells()) {
        EXPECT_EQ(cell.rect, QRect(8 + cell.column * width, 8 + cell.row * 40, width, 40))
            << cell.row << "," << cell.column;
        EXPECT_EQ(cell.firstColumn, cell.column == 0);
        EXPECT_EQ(cell.secondLastColumn, cell.column == 2);
        EXPECT_EQ(cell.lastColumn, cell.column == 3);
    }
    const int text = QFontMetrics(viewers::LadderCanvasFont(8, true))
                         .horizontalAdvance(QString::fromStdString(comment));
    EXPECT_EQ(viewer.VirtualSize(), QSize(8 + 4 * width + text, 8 + 10 * 40));

    // Scrolling stays within 1 .. virtual size - client size, in steps of 10, pages of half the
    // width and the whole height.
    const QSize client = viewer.ClientSize();
    viewer.ScrollTo(-50, -50);
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));
    viewer.ScrollTo(100000, 100000);
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(viewer.VirtualSize().width() - client.width(),
                                              viewer.VirtualSize().height() - client.height()));
    EXPECT_EQ(viewer.horizontalScrollBar()->singleStep(), 10);
    EXPECT_EQ(viewer.verticalScrollBar()->singleStep(), 10);
    EXPECT_EQ(viewer.horizontalScrollBar()->pageStep(), client.width() / 2);
    EXPECT_EQ(viewer.verticalScrollBar()->pageStep(), client.height());

    // A new diagram scrolls back to 1, 1 and the first cell is the current one; one smaller
    // than the control does not scroll.
    scene.Show(Diagram(2, {{Cell(kind::kContact, "X")}}));
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));
    viewer.ScrollTo(100, 100);
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));
    EXPECT_EQ(viewer.CurrentCell(), std::optional<std::size_t>(0));
    EXPECT_EQ(viewer.FileName(), "test.lad");
}

TEST(LadderViewerZoom, StepsRemeasureRelayAndStopAtTheEnds) {
    Scene scene(200, 150);
    LadderViewer& viewer = *scene.viewer;
    scene.Show(Diagram(4, {{Cell(kind::kContact, "A"), {}, {}, Cell(kind::kComment, "note")},
                           {}, {}, {}, {}, {}, {}, {}, {}, {Cell(kind::kContact, "Z")}}));
    auto measured = [](int points) {
        return QFontMetrics(viewers::LadderCanvasFont(points)).horizontalAdvance("LADDERBB");
    };
    auto cellAt = [&](int row, int column) { return viewer.Grid().CellAt(row, column)->rect; };

    // Far from the current (first) cell, a zoom brings it back into view.
    viewer.ScrollTo(100000, 100000);
    viewer.ZoomIn();
    EXPECT_EQ(viewer.ZoomLevel(), 3);
    EXPECT_EQ(cellAt(1, 2), QRect(16 + 2 * measured(16), 16 + 90, measured(16), 90));
    EXPECT_TRUE(QRect(viewer.ScrollPosition(), viewer.ClientSize()).contains(cellAt(0, 0)));

    // At level 3 a zoom in changes nothing, not even the picture.
    const QSize virtualSize = viewer.VirtualSize();
    const std::size_t drawn = viewer.CellsDrawn();
    viewer.ZoomIn();
    EXPECT_EQ(viewer.ZoomLevel(), 3);
    EXPECT_EQ(viewer.VirtualSize(), virtualSize);
    EXPECT_EQ(viewer.CellsDrawn(), drawn);

    for (int expected : {2, 1, 0}) {
        viewer.ZoomOut();
        EXPECT_EQ(viewer.ZoomLevel(), expected);
        EXPECT_EQ(viewer.Grid().Geometry().cellWidth, measured(kTable[expected].font));
        EXPECT_EQ(cellAt(9, 3).top(), kTable[expected].oy + 9 * kTable[expected].height);
    }
    const std::size_t drawnAtZero = viewer.CellsDrawn();
    viewer.ZoomOut();
    EXPECT_EQ(viewer.ZoomLevel(), 0);
    EXPECT_EQ(viewer.CellsDrawn(), drawnAtZero);

    // The large-scale level keeps the table's width, makes the last column three times as wide,
    // and zooming either way from it goes to level 2.
    viewer.SetZoomLevel(4);
    EXPECT_EQ(cellAt(0, 1), QRect(10 + 500, 10, 500, 400));
    EXPECT_EQ(cellAt(0, 3).width(), 1500);
    EXPECT_GE(viewer.VirtualSize().width(), 10 + 3 * 500 + 1500);
    EXPECT_GE(viewer.VirtualSize().height(), 10 + 10 * 400);
    viewer.ZoomIn();
    EXPECT_EQ(viewer.ZoomLevel(), 2);
    EXPECT_EQ(cellAt(0, 3).width(), measured(8));
    viewer.SetZoomLevel(4);
    viewer.ZoomOut();
    EXPECT_EQ(viewer.ZoomLevel(), 2);
}

// --- drawing ------------------------------------------------------------------------------------

TEST(LadderCellDrawing, ContactsHaveWiresTwoBarsAndTheirMark) {
    for (int level : {2, 3}) {
        Scene scene;
        scene.Show(Diagram(5, {{Cell(kind::kContact), Cell(kind::kClosedContact),
                                Cell(kind::kRisingContact), Cell(kind::kFallingContact)}}),
                   level);
        const QImage image = scene.Shot();
        const Level& z = scene.Table();
        std::vector<QImage> gaps;
        for (int column = 0; column < 4; ++column) {
            const QRect r = scene.CellOnScreen(0, column);
            const int cx = MidX(r), cy = MidY(r);
            EXPECT_COLOUR(image, r.left(), cy, kBlack);
            EXPECT_COLOUR(image, cx - z.hw - 3, cy, kBlack);
            EXPECT_COLOUR(image, cx + z.hw + 3, cy, kBlack);
            EXPECT_COLOUR(image, r.right(), cy, kBlack);
            for (int dy : {-z.hh, 0, z.hh}) {
                EXPECT_COLOUR(image, cx - z.hw, cy + dy, kBlack);
                EXPECT_COLOUR(image, cx + z.hw, cy + dy, kBlack);
            }
            EXPECT_COLOUR(image, cx - z.hw, cy - z.hh - 2, kViewer);
            EXPECT_COLOUR(image, cx + z.hw, cy + z.hh + 2, kViewer);
            EXPECT_COLOUR(image, r.left(), cy - 3, kViewer);
            gaps.push_back(image.copy(QRect(cx - z.hw + 2, cy - z.hh, 2 * z.hw - 3, 2 * z.hh + 1)));
        }
        auto dark = [](const QImage& part) { return Count(part, part.rect(), IsDark); };
        // Normally open: nothing between the bars. Normally closed: a diagonal through the middle.
        EXPECT_EQ(dark(gaps[0]), 0) << level;
        const QRect nc = scene.CellOnScreen(0, 1);
        EXPECT_TRUE(DarkNear(image, MidX(nc), MidY(nc))) << level;
        EXPECT_TRUE(DarkNear(image, MidX(nc) - z.hw / 2, MidY(nc) + z.hh / 2)) << level;
        EXPECT_TRUE(DarkNear(image, MidX(nc) + z.hw / 2, MidY(nc) - z.hh / 2)) << level;
        // Edge contacts write P and N between the bars.
        EXPECT_GT(dark(gaps[2]), 0) << level;
        EXPECT_GT(dark(gaps[3]), 0) << level;
        EXPECT_NE(gaps[2], gaps[3]) << level;
    }
}

TEST(LadderCellDrawing, CoilsAreTwoArcsWithTheirLetterAndCloseTheRung) {
    for (int level : {2, 3}) {
        Scene scene;
        scene.Show(Diagram(5, {{Cell(kind::kCoil), Cell(kind::kSetCoil), Cell(kind::kResetCoil),
                                Cell(kind::kCoil)}}),
                   level);
        const QImage image = scene.Shot();
        const Level& z = scene.Table();
        const int radius = z.hh + 2;
        std::vector<int> bandInk;
        std::vector<QImage> bands;
        for (int column = 0; column < 4; ++column) {
            const QRect r = scene.CellOnScreen(0, column);
            const int cx = MidX(r), cy = MidY(r);
            EXPECT_COLOUR(image, r.left(), cy, kBlack);
            EXPECT_COLOUR(image, cx - radius - 1, cy, kBlack);
            EXPECT_COLOUR(image, cx + radius + 1, cy, kBlack);
            // The arcs left and right of the middle band ...
            EXPECT_TRUE(DarkNear(image, cx - radius, cy - 2)) << level;
            EXPECT_TRUE(DarkNear(image, cx + radius, cy + 2)) << level;
            // ... and none of the circle within it.
            EXPECT_COLOUR(image, cx, cy - radius, kViewer);
            EXPECT_COLOUR(image, cx, cy + radius, kViewer);
            EXPECT_COLOUR(image, cx - z.hw, cy - radius, kViewer);
            EXPECT_COLOUR(image, cx + z.hw, cy + radius, kViewer);
            const QRect band(cx - z.hw + 1, cy - radius, 2 * z.hw - 1, 2 * radius + 1);
            bandInk.push_back(Count(image, band, IsDark));
            bands.push_back(image.copy(band));
        }
        EXPECT_EQ(bandInk[0], 0) << level;
        EXPECT_GT(bandInk[1], 0) << level; // S
        EXPECT_GT(bandInk[2], 0) << level; // R
        EXPECT_NE(bands[1], bands[2]) << level;
        // In the second-to-last column a bar at the right edge closes the rung; elsewhere not.
        const QRect last = scene.CellOnScreen(0, 3);
        EXPECT_COLOUR(image, last.right(), last.top() + 1, kBlack);
        EXPECT_COLOUR(image, last.right(), last.bottom() - 1, kBlack);
        const QRect first = scene.CellOnScreen(0, 0);
        EXPECT_COLOUR(image, first.right(), first.top() + 1, kViewer);
    }
}

TEST(LadderCellDrawing, WiresCrossTheCellAndUndescribedKindsDrawNothing) {
    for (int level : {2, 3}) {
        Scene scene;
        scene.Show(Diagram(5, {{Cell(kind::kWire), Cell(kind::kEmpty, "A"), Cell(kind::kLink, "B"),
                                Cell(7, "C")}}),
                   level);
        const QImage image = scene.Shot();
        const QRect wire = scene.CellOnScreen(0, 0);
        for (int x = wire.left(); x <= wire.right(); ++x)
            EXPECT_COLOUR(image, x, MidY(wire), kBlack);
        EXPECT_COLOUR(image, MidX(wire), MidY(wire) - 3, kViewer);
        EXPECT_COLOUR(image, MidX(wire), MidY(wire) + 3, kViewer);
        for (int column = 1; column < 4; ++column) {
            const QRect r = scene.CellOnScreen(0, column);
            EXPECT_EQ(CountColour(image, r, kViewer), r.width() * r.height())
                << "column " << column << " level " << level;
        }
    }
}

TEST(LadderCellDrawing, BoxPartsStandInsideTheInsetWithLabelsAndNames) {
    for (int level : {2, 3}) {
        LadderCellRecord top = Cell(kind::kBoxTop);
        top.boxName = "ADD";
        LadderCellRecord named = Cell(kind::kBoxInput, "IN_A");
        named.leftLabel = "X";
        LadderCellRecord wired = Cell(kind::kBoxInput, "IN_B");
        wired.labelStyle = 1;
        LadderCellRecord negated = Cell(kind::kBoxInput, "IN_C");
        negated.labelStyle = 4;
        negated.negation = 1;
        LadderCellRecord plain = negated;
        plain.negation = 0;
        LadderCellRecord output = Cell(kind::kBoxOutput, "OUT_Q");
        output.rightLabel = "Q";
        LadderCellRecord wiredOutput = Cell(kind::kBoxOutputAlt, "OUT_R");
        wiredOutput.labelStyle = 1;
        wiredOutput.frameBottom = 1;
        Scene scene;
        scene.Show(Diagram(3, {{{}, top}, {{}, named}, {{}, wired}, {{}, negated}, {{}, plain},
                               {{}, output}, {{}, wiredOutput}}),
                   level);
        const QImage image = scene.Shot();
        const Level& z = scene.Table();
        auto cell = [&](int row) { return scene.CellOnScreen(row, 1); };
        auto left = [&](int row) { return cell(row).left() + z.inset; };
        auto right = [&](int row) { return cell(row).right() - z.inset; };

        // The top: its line, sides going down, the wire from the left edge, the dark red title.
        QRect r = cell(0);
        EXPECT_COLOUR(image, MidX(r), MidY(r), kBlack);
        EXPECT_TRUE(DarkNear(image, left(0), r.bottom() - 2)) << level;
        EXPECT_TRUE(DarkNear(image, right(0), r.bottom() - 2)) << level;
        EXPECT_COLOUR(image, r.left(), MidY(r), kBlack);
        EXPECT_COLOUR(image, r.left(), MidY(r) + 4, kViewer);
        EXPECT_COLOUR(image, MidX(r), r.top() + 2, kViewer);
        EXPECT_GT(CountColour(image, r, kDarkRed), 0) << level;

        for (int row = 1; row <= 6; ++row) {
            r = cell(row);
            EXPECT_TRUE(DarkNear(image, left(row), r.top() + 2)) << row << " level " << level;
            EXPECT_TRUE(DarkNear(image, right(row), r.top() + 2)) << row << " level " << level;
        }
        // An input pin shows its variable in red left of the box, unless its label style is 1
        // (a wire from the left edge instead) or 4.
        const QRect outsideLeft = [&](int row) {
            return QRect(cell(row).left(), cell(row).top(), z.inset, cell(row).height());
        }(1);
        EXPECT_GT(CountColour(image, outsideLeft, kRed), 0) << level;
        EXPECT_GT(Count(image, cell(1).adjusted(z.inset + 2, 0, -z.inset - 2, 0), IsDark), 0)
            << "left label, level " << level;
        EXPECT_COLOUR(image, cell(1).left(), MidY(cell(1)), kViewer);
        EXPECT_COLOUR(image, cell(2).left(), MidY(cell(2)), kBlack);
        EXPECT_COLOUR(image, left(2) - 1, MidY(cell(2)), kBlack);
        EXPECT_EQ(CountColour(image, cell(2), kRed), 0) << level;
        EXPECT_EQ(CountColour(image, cell(3), kRed), 0) << level;
        // The negation mark: a small circle at the pin.
        // Off the pin's line, left of the box: only the circle draws there.
        auto offLine = [&](int row) {
            const int cy = MidY(cell(row));
            return Count(image, QRect(left(row) - z.inset / 2, cy - z.hh, z.inset / 2, z.hh), IsDark) +
                   Count(image, QRect(left(row) - z.inset / 2, cy + 1, z.inset / 2, z.hh), IsDark);
        };
        EXPECT_GT(offLine(3), 0) << level;
        EXPECT_EQ(offLine(4), 0) << level;
        // An output pin: its right label inside, its variable in blue right of the box.
        EXPECT_GT(CountColour(image, QRect(right(5) + 1, cell(5).top(), z.inset, cell(5).height()),
                              kBlue),
                  0)
            << level;
        EXPECT_GT(Count(image, cell(5).adjusted(z.inset + 2, 0, -z.inset - 2, 0), IsDark), 0)
            << "right label, level " << level;
        EXPECT_COLOUR(image, cell(5).right(), MidY(cell(5)), kViewer);
        EXPECT_COLOUR(image, cell(6).right(), MidY(cell(6)), kBlack);
        EXPECT_EQ(CountColour(image, cell(6), kBlue), 0) << level;
        // The frame bottom: a line 3 pixels above the cell's bottom, only where flagged.
        EXPECT_TRUE(DarkNear(image, MidX(cell(6)), cell(6).bottom() - 2)) << level;
        EXPECT_EQ(Count(image, QRect(MidX(cell(5)) - 1, cell(5).bottom() - 4, 3, 4), IsDark), 0)
            << level;
        // Values come with a refresh only.
        EXPECT_EQ(CountColour(image, cell(1), kNavy), 0) << level;
    }
}

TEST(LadderCellDrawing, SegmentsCommentsAndProgramPanels) {
    for (int level : {2, 3}) {
        LadderCellRecord segment = Cell(kind::kSegment);
        segment.segment = 12;
        LadderCellRecord program = Cell(kind::kProgram, "SUB");
        program.program = 3;
        Scene scene;
        scene.Show(Diagram(4, {{segment, Cell(kind::kComment, "Note"), program}}), level);
        const QImage image = scene.Shot();
        const Level& z = scene.Table();

        QRect r = scene.CellOnScreen(0, 0);
        EXPECT_COLOUR(image, MidX(r), r.top() + 3, kSegmentFill);
        EXPECT_GT(CountColour(image, r, kSegmentFill), r.width() * r.height() / 3) << level;
        EXPECT_NE(Hex(At(image, r.left() + 1, r.top() + 1)), Hex(kSegmentFill)) << "rounded";
        EXPECT_GT(Count(image, r.adjusted(r.width() / 5, r.height() / 4, -r.width() / 5, -r.height() / 4), IsDark), 0)
            << "segment text " << level;

        r = scene.CellOnScreen(0, 1);
        EXPECT_GT(CountColour(image, r, kPurple), 0) << level;
        EXPECT_EQ(Count(image, r, IsDark), 0) << level;

        r = scene.CellOnScreen(0, 2);
        const int quarter = z.inset / 4;
        const QRect panel = r.adjusted(quarter, quarter, -quarter, -quarter);
        EXPECT_COLOUR(image, r.left(), MidY(r), kBlack);
        EXPECT_COLOUR(image, r.right(), MidY(r), kBlack);
        EXPECT_COLOUR(image, panel.left() + 3, panel.bottom() - 2, kGrey);
        EXPECT_COLOUR(image, panel.left() + 3, panel.top(), QColor(Qt::white));
        EXPECT_COLOUR(image, panel.left(), panel.bottom() - 3, QColor(Qt::white));
        EXPECT_COLOUR(image, panel.left() + 3, panel.top() + 1, kGrey);
        EXPECT_GT(Count(image, panel.adjusted(2, 2, -2, -2), IsDark), 0) << "Prog3 " << level;
    }
}

TEST(LadderCellDrawing, NamesGoAboveOrOnTopAndMnemonicsBelowButNotInTheLastColumn) {
    for (int level : {2, 3}) {
        LadderCellRecord right = Cell(kind::kContact, "START");
        LadderCellRecord top = Cell(kind::kContact, "STOP");
        top.labelStyle = 1;
        top.mnemonic1 = "Pompe principale";
        LadderCellRecord coil = Cell(kind::kCoil, "MOTOR");
        coil.labelStyle = 6;
        LadderCellRecord last = Cell(kind::kContact, "LASTCOL");
        last.mnemonic1 = "Hidden";
        Scene scene;
        scene.Show(Diagram(4, {{right, top, coil, last}}), level);
        const QImage image = scene.Shot();
        const Level& z = scene.Table();

        QRect r = scene.CellOnScreen(0, 0);
        QRect blue = Bounds(image, r, kBlue);
        ASSERT_FALSE(blue.isEmpty()) << level;
        EXPECT_LT(blue.bottom(), MidY(r)) << "above mid-height, level " << level;
        EXPECT_LE(blue.right(), r.right() - z.offset) << level;
        EXPECT_GE(blue.right(), r.right() - z.offset - 4) << "right-aligned, level " << level;

        for (int column : {1, 2}) {
            r = scene.CellOnScreen(0, column);
            blue = Bounds(image, r, kBlue);
            ASSERT_FALSE(blue.isEmpty()) << column;
            EXPECT_LT(blue.bottom(), MidY(r) - z.hh) << "at the top, level " << level;
            EXPECT_LE(std::abs((blue.left() + blue.right()) / 2 - MidX(r)), 2) << "centred";
        }
        // Mnemonic 1 in purple under the symbol, its first 9 characters only.
        r = scene.CellOnScreen(0, 1);
        const QRect purple = Bounds(image, r, kPurple);
        ASSERT_FALSE(purple.isEmpty()) << level;
        EXPECT_GT(purple.top(), MidY(r) + z.hh) << level;

        top.mnemonic1 = "Pompe pri";
        Scene cut;
        cut.Show(Diagram(4, {{right, top, coil, last}}), level);
        EXPECT_EQ(cut.Shot().copy(r), image.copy(r)) << level;

        // The last column writes no names.
        r = scene.CellOnScreen(0, 3);
        EXPECT_EQ(CountColour(image, r, kBlue), 0) << level;
        EXPECT_EQ(CountColour(image, r, kPurple), 0) << level;
    }
}

TEST(LadderCellDrawing, ATextWiderThanItsCellIsSqueezedNotCut) {
    LadderCellRecord wide = Cell(kind::kContact, "AVERYLONGVARIABLENAMEINDEED");
    wide.labelStyle = 1;
    Scene scene;
    scene.Show(Diagram(3, {{wide}}));
    const QImage image = scene.Shot();
    const QRect r = scene.CellOnScreen(0, 0);
    const QRect blue = Bounds(image, r.adjusted(-5, 0, 5, 0), kBlue);
    ASSERT_FALSE(blue.isEmpty());
    EXPECT_GT(blue.left(), r.left());
    EXPECT_LT(blue.right(), r.right());
    const int natural = QFontMetrics(viewers::LadderCanvasFont(8)).horizontalAdvance(
        QString::fromLatin1("AVERYLONGVARIABLENAMEINDEED"));
    EXPECT_GT(natural, r.width()) << "the name must not fit without squeezing";
}

TEST(LadderCellDrawing, LargeScaleCommentsWrapOverThreeCellHeights) {
    const int level = 4;
    const std::string words = "this comment has many words that cannot stand on one line of a "
                              "cell, however wide the cell is at the large scale level";
    Scene scene(1700, 1400);
    scene.Show(Diagram(3, {{Cell(kind::kComment, words)}, {}, {}}), level);
    const QImage image = scene.Shot();
    const QRect r = scene.CellOnScreen(0, 0);
    const QRect purple = Bounds(image, QRect(r.left(), r.top(), r.width(), 3 * r.height()), kPurple);
    ASSERT_FALSE(purple.isEmpty());
    EXPECT_LE(purple.right(), r.right());
    const int lineHeight = QFontMetrics(viewers::LadderCanvasFont(10, true)).height();
    EXPECT_GT(purple.height(), lineHeight) << "wrapped onto several lines";
}

// --- live state and refresh ---------------------------------------------------------------------

TEST(LadderViewerRefresh, StatesShowAfterARefreshAndOnlyChangedCellsAreRedrawn) {
    screens::testing::TestVariables variables;
    for (const char* name : {"A", "B", "C"})
        variables.Add(name, 3);
    variables.Add("LEVEL", 4);
    variables.SetInteger("LEVEL", 42);
    Scene scene;
    LadderViewer& viewer = *scene.viewer;
    scene.Show(Diagram(4, {{Cell(kind::kContact, "A"), Cell(kind::kClosedContact, "B"),
                            Cell(kind::kCoil, "C")},
                           {Cell(kind::kBoxInput, "LEVEL")}}));
    const int level = 2;
    auto corner = [&](const QImage& image, int column) {
        const QRect r = scene.CellOnScreen(0, column);
        return At(image, r.left() + 2, r.top() + 2);
    };
    QImage image = scene.Shot();
    EXPECT_COLOUR(image, scene.CellOnScreen(0, 1).left() + 2, scene.CellOnScreen(0, 1).top() + 2,
                  kViewer);

    // The first refresh: the normally closed contact on a false variable is active; the box pin
    // shows its value.
    std::vector<std::size_t> changed = viewer.Refresh(&variables);
    EXPECT_TRUE(viewer.RefreshPending());
    EXPECT_EQ(changed, (std::vector<std::size_t>{1, 4}));
    image = scene.Shot();
    EXPECT_EQ(Hex(corner(image, 0)), Hex(kViewer));
    EXPECT_EQ(Hex(corner(image, 1)), Hex(kGrey));
    EXPECT_EQ(Hex(corner(image, 2)), Hex(kViewer));
    const QRect pin = scene.CellOnScreen(1, 0);
    EXPECT_GT(CountColour(image, QRect(pin.left(), pin.top(), pin.width(), pin.height() / 2), kNavy),
              0);
    // The coil band stays grey over an active cell.
    const Level& z = scene.Table();

    // One variable changes: one cell is drawn again, nothing else on the picture changes.
    variables.SetBoolean("A", true);
    variables.SetBoolean("C", true);
    const QImage before = scene.Shot();
    const std::size_t drawn = viewer.CellsDrawn();
    changed = viewer.Refresh(&variables);
    EXPECT_EQ(changed, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(viewer.CellsDrawn(), drawn + 2);
    image = scene.Shot();
    EXPECT_EQ(Hex(corner(image, 0)), Hex(kGrey));
    EXPECT_EQ(Hex(corner(image, 2)), Hex(kGrey));
    const QRect coil = scene.CellOnScreen(0, 2);
    EXPECT_COLOUR(image, MidX(coil), MidY(coil) - z.hh - 2, kGrey);
    for (int column : {1, 3}) {
        const QRect r = scene.CellOnScreen(0, column);
        EXPECT_EQ(image.copy(r), before.copy(r)) << column;
    }
    EXPECT_EQ(image.copy(pin), before.copy(pin));

    // Nothing changed: nothing is drawn.
    EXPECT_TRUE(viewer.Refresh(&variables).empty());
    EXPECT_EQ(viewer.CellsDrawn(), drawn + 2);

    // Back to false: the contact is drawn again without its shade, the closed one with it.
    variables.SetBoolean("A", false);
    variables.SetBoolean("B", true);
    EXPECT_EQ(viewer.Refresh(&variables), (std::vector<std::size_t>{0, 1}));
    image = scene.Shot();
    EXPECT_EQ(Hex(corner(image, 0)), Hex(kViewer));
    EXPECT_EQ(Hex(corner(image, 1)), Hex(kViewer));

    // A full redraw (a zoom) keeps showing the last states.
    viewer.ZoomIn();
    viewer.ZoomOut();
    image = scene.Shot();
    EXPECT_EQ(Hex(corner(image, 2)), Hex(kGrey));
    EXPECT_EQ(Hex(corner(image, 0)), Hex(kViewer));
}

TEST(LadderViewerRefresh, OnlyVisibleCellsAreRead) {
    screens::testing::TestVariables variables;
    variables.Add("FAR", 3);
    variables.SetBoolean("FAR", true);
    std::vector<std::vector<LadderCellRecord>> rows(60);
    rows[50] = {Cell(kind::kContact, "FAR")};
    Scene scene(300, 200);
    LadderViewer& viewer = *scene.viewer;
    scene.Show(Diagram(3, rows));
    EXPECT_TRUE(viewer.Refresh(&variables).empty());
    EXPECT_FALSE(viewer.Grid().CellAt(50, 0)->lastState);
    viewer.ScrollTo(1, viewer.Grid().CellAt(50, 0)->rect.top());
    EXPECT_EQ(viewer.Refresh(&variables), (std::vector<std::size_t>{150}));
    EXPECT_TRUE(viewer.Grid().CellAt(50, 0)->lastState);
    // No variables at all: the refresh is pending, nothing is read.
    EXPECT_TRUE(viewer.Refresh(nullptr).empty());
}

TEST(LadderViewerRefresh, BooleanTextsNumbersAndUnknownNames) {
    screens::testing::TestVariables variables;
    variables.Add("FLAG", 3);
    variables.Add("COUNT", 4);
    variables.Add("TEXT", 9);
    variables.SetBoolean("FLAG", true);
    variables.SetInteger("COUNT", -3);
    variables.SetString("TEXT", "True");
    EXPECT_TRUE(viewers::ReadLadderBoolean(variables, "flag"));
    EXPECT_TRUE(viewers::ReadLadderBoolean(variables, "COUNT"));
    EXPECT_TRUE(viewers::ReadLadderBoolean(variables, "TEXT"));
    variables.SetInteger("COUNT", 0);
    variables.SetString("TEXT", "maybe");
    EXPECT_FALSE(viewers::ReadLadderBoolean(variables, "COUNT"));
    EXPECT_FALSE(viewers::ReadLadderBoolean(variables, "TEXT"));
    EXPECT_FALSE(viewers::ReadLadderBoolean(variables, "MISSING"));
    EXPECT_FALSE(viewers::ReadLadderBoolean(variables, ""));
}

// --- loading, mnemonics, clearing ---------------------------------------------------------------

class LadderViewerFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    std::string Write(const char* name, const std::string& bytes) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path.toStdString();
    }
    QTemporaryDir m_dir;
};

TEST_F(LadderViewerFiles, DamagedOrMissingFilesLeaveTheViewerAsItWas) {
    Scene scene(300, 200);
    LadderViewer& viewer = *scene.viewer;
    const LadderDiagram diagram = Diagram(3, {{Cell(kind::kContact, "A"), Cell(kind::kCoil, "B")}});
    const std::string good = Write("good.lad", viewers::WriteLadderFile(diagram));
    auto loaded = viewer.LoadFile(good, nullptr);
    ASSERT_TRUE(loaded) << loaded.Error();
    EXPECT_EQ(loaded.Value(), LadderViewer::LoadOutcome::Loaded);
    ASSERT_EQ(viewer.Grid().CellCount(), 3u);
    viewer.ScrollTo(1, 1);
    const QImage before = scene.Shot();

    std::string bytes = viewers::WriteLadderFile(diagram);
    std::string version1 = bytes;
    version1[0] = 1;
    std::string hugeText = bytes;
    hugeText[14 + 3] = 0x7F;
    for (const auto& [name, content] :
         std::vector<std::pair<const char*, std::string>>{{"short.lad", bytes.substr(0, 40)},
                                                          {"v1.lad", version1},
                                                          {"text.lad", hugeText},
                                                          {"empty.lad", ""}}) {
        auto result = viewer.LoadFile(Write(name, content), nullptr);
        ASSERT_FALSE(result) << name;
        EXPECT_NE(result.Error().find(name), std::string::npos) << result.Error();
        EXPECT_EQ(viewer.FileName(), good);
        EXPECT_EQ(viewer.Grid().CellCount(), 3u);
        EXPECT_EQ(viewer.Grid().Cells()[1].record.variable, "B");
        EXPECT_EQ(scene.Shot(), before) << name;
    }
    EXPECT_NE(viewer.LoadFile(Write("v1b.lad", version1), nullptr)
                  .Error()
                  .find("version 1 ladder files are not supported"),
              std::string::npos);
    auto missing = viewer.LoadFile(m_dir.filePath("none.lad").toStdString(), nullptr);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing.Value(), LadderViewer::LoadOutcome::NoFile);
    EXPECT_EQ(viewer.FileName(), good);

    // Clearing leaves one empty row of 12 cells and no file name.
    viewer.ScrollTo(50, 50);
    viewer.Clear();
    EXPECT_EQ(viewer.Grid().Rows(), 1);
    EXPECT_EQ(viewer.Grid().Columns(), 12);
    EXPECT_EQ(viewer.Grid().CellCount(), 12u);
    for (const viewers::LadderCell& cell : viewer.Grid().Cells())
        EXPECT_EQ(cell.record.kind, kind::kEmpty);
    EXPECT_EQ(viewer.FileName(), "");
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));
}

TEST(LadderViewerMnemonics, EntriesNameTheCellsAndFillTheLastColumn) {
    const auto list = viewers::Mnemonics::Parse("pump\tPompe\tPompe de remplissage\n"
                                                "HIGH\tNiveau haut\n"
                                                "SUB\tSous-prog\tignored for programs\n");
    LadderCellRecord withComment = Cell(kind::kComment, "kept");
    Scene scene;
    LadderViewer& viewer = *scene.viewer;
    viewer.ShowDiagram(Diagram(4, {{Cell(kind::kContact, "HIGH"), {}, Cell(kind::kCoil, "PUMP"),
                                    Cell(kind::kWire)},
                                   {{}, {}, Cell(kind::kContact, "HIGH"), withComment},
                                   {Cell(kind::kProgram, "SUB"), Cell(kind::kComment, "PUMP")}}),
                       &list, "m.lad");
    const auto& grid = viewer.Grid();
    EXPECT_EQ(grid.CellAt(0, 0)->record.mnemonic1, "Niveau haut");
    EXPECT_EQ(grid.CellAt(0, 2)->record.mnemonic1, "Pompe");
    EXPECT_EQ(grid.CellAt(0, 2)->record.mnemonic2, "Pompe de remplissage");
    // In the second-to-last column, the right neighbour becomes a comment with text 2 ...
    EXPECT_EQ(grid.CellAt(0, 3)->record.kind, kind::kComment);
    EXPECT_EQ(grid.CellAt(0, 3)->record.variable, "Pompe de remplissage");
    // ... unless text 2 is empty.
    EXPECT_EQ(grid.CellAt(1, 3)->record.variable, "kept");
    // A program cell takes its own name as mnemonic 2; comments are not names.
    EXPECT_EQ(grid.CellAt(2, 0)->record.mnemonic1, "Sous-prog");
    EXPECT_EQ(grid.CellAt(2, 0)->record.mnemonic2, "SUB");
    EXPECT_EQ(grid.CellAt(2, 1)->record.mnemonic1, "");
}

// --- in place of a figure, and the registry -----------------------------------------------------

class LadderViewerPlacement : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        viewers::LadderViewers().Reset();
        m_form = std::make_unique<screens::ScreenForm>();
        m_form->resize(500, 400);
        m_figure = figuretest::MakePlaceholder(*m_form, 20, 30, 320, 230, "", "LADDER1");
        m_form->show();
    }
    void TearDown() override {
        m_other.reset();
        m_form.reset();
        viewers::LadderViewers().Reset();
        screens::Globals().Reset();
    }
    std::unique_ptr<screens::ScreenForm> m_form;
    std::unique_ptr<screens::ScreenForm> m_other;
    screens::TSimple* m_figure = nullptr;
};

TEST_F(LadderViewerPlacement, TheViewerTakesTheFiguresPlaceAndIsFoundByItsName) {
    viewers::LadderViewerRegistry& registry = viewers::LadderViewers();
    EXPECT_EQ(registry.Find(*m_figure), nullptr);
    LadderViewer* viewer = registry.FindOrCreate(*m_figure);
    ASSERT_NE(viewer, nullptr);
    // It covers the figure whole and goes with it.
    EXPECT_EQ(viewer->parentWidget(), m_figure);
    EXPECT_EQ(viewer->geometry(), m_figure->rect());
    EXPECT_TRUE(viewer->isVisible());
    m_figure->resize(200, 120);
    EXPECT_EQ(viewer->geometry(), QRect(0, 0, 200, 120));
    m_figure->hide();
    EXPECT_FALSE(viewer->isVisible());
    m_figure->show();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->FigureName(), "LADDER1");
    // The figure's back colour (blue in the record) is the viewer colour.
    EXPECT_EQ(Hex(viewer->Picture().pixelColor(2, 2)), Hex(QColor(0, 0, 255)));
    EXPECT_EQ(registry.FindOrCreate(*m_figure), viewer);
    EXPECT_EQ(registry.Size(), 1u);

    // A figure of the same name in another window has a viewer of its own.
    m_other = std::make_unique<screens::ScreenForm>();
    auto* twin = figuretest::MakePlaceholder(*m_other, 0, 0, 100, 100, "", "LADDER1");
    LadderViewer* other = registry.FindOrCreate(*twin);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, viewer);
    EXPECT_EQ(registry.Find(*m_figure), viewer);
    m_other.reset();
    EXPECT_EQ(registry.Size(), 1u);

    // Removed from the registry, the control stays; a new viewer then takes its place.
    QPointer<LadderViewer> old = viewer;
    registry.Remove(*viewer);
    EXPECT_EQ(registry.Find(*m_figure), nullptr);
    EXPECT_TRUE(old->isVisible());
    LadderViewer* renewed = registry.FindOrCreate(*m_figure);
    ASSERT_NE(renewed, nullptr);
    EXPECT_NE(renewed, old.data());
    EXPECT_TRUE(renewed->isVisible());
    EXPECT_FALSE(old->isVisible());
    EXPECT_EQ(renewed->geometry(), m_figure->rect());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());

    // A viewer whose window went is forgotten.
    m_form.reset();
    EXPECT_EQ(registry.Size(), 0u);
}
