// Quorva run-time. Licensed under the MIT licence.
#include "viewers/GrafcetFile.h"
#include "viewers/GrafcetRegistry.h"
#include "viewers/GrafcetViewer.h"

#include "TestSupport.h"
#include "screens/FigureTestSupport.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/TestVariables.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <gtest/gtest.h>

#include <QPointer>
#include <QScrollBar>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Chart bytes written field by field as the file format lays them out, independently of the
// writer under test.
class Gr7Bytes {
public:
    Gr7Bytes& I32(std::int32_t value) {
        for (int i = 0; i < 4; ++i)
            m_bytes += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
        return *this;
    }
    Gr7Bytes& U8(std::uint8_t value) {
        m_bytes += static_cast<char>(value);
        return *this;
    }
    Gr7Bytes& Text(const std::string& text) {
        I32(static_cast<std::int32_t>(text.size()));
        m_bytes += text;
        return *this;
    }
    Gr7Bytes& Cell(std::uint8_t kind, std::int32_t number, const std::string& text) {
        return U8(kind).I32(number).Text(text);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// Version 2, 2 rows x 2 columns, one header text: an initial step 7, a transition whose stored
// number must read as 0, a comment whose text length is negative (an empty text), a step 1600.
std::string Gr7SmallChart() {
    return Gr7Bytes()
        .I32(2)
        .I32(2)
        .I32(2)
        .I32(1)
        .Text("header")
        .Cell(1, 7, "fill")
        .Cell(3, 99, "go")
        .U8(14)
        .I32(0)
        .I32(-5)
        .Cell(2, 1600, "")
        .Bytes();
}

// The grid of a chart, row by row; kinds and step numbers as given, texts as given.
viewers::GrafcetChart Gr7Grid(std::int32_t columns, std::vector<viewers::GrafcetCell> cells) {
    viewers::GrafcetChart chart;
    chart.columns = columns;
    chart.rows = static_cast<std::int32_t>(cells.size()) / columns;
    chart.cells = std::move(cells);
    return chart;
}

viewers::GrafcetCell Gr7Cell(std::uint8_t kind, std::int32_t number = 0, std::string text = {}) {
    return viewers::GrafcetCell{kind, number, std::move(text)};
}

// A chart with a cell of every kind the drawing rules name, in 5 columns:
//   0: [[0]] start   .          .           .      comment
//   1: T go          .          .           .      .
//   2: simDiv(5)     dbl(10)    simDiv(5)   .      .
//   3: [5] run       .          [6] wait    .      .
//   4: T             .          T           .      .
//   5: simConv(6)    dbl(10)    simConv(6)  .      .
//   6: vertical(4)   .          selJunc(12) .      simJunc(11)
//   7: T             .          selDiv(7)   hor(9) selDiv(7)
//   8: jump "0"      .          selConv(8)  .      .
viewers::GrafcetChart Gr7KindsChart() {
    using K = viewers::GrafcetKind;
    const auto c = [](K kind, std::int32_t number = 0, std::string text = {}) {
        return Gr7Cell(viewers::KindCode(kind), number, std::move(text));
    };
    const auto e = [] { return Gr7Cell(0); };
    return Gr7Grid(5, {
        c(K::InitialStep, 0, "start"), e(), e(), e(), c(K::Comment, 0, "note"),
        c(K::Transition, 0, "go"), e(), e(), e(), e(),
        c(K::SimultaneousDivergence), c(K::DoubleHorizontalLink), c(K::SimultaneousDivergence), e(), e(),
        c(K::Step, 5, "run"), e(), c(K::Step, 6, "wait"), e(), e(),
        c(K::Transition), e(), c(K::Transition), e(), e(),
        c(K::SimultaneousConvergence), c(K::DoubleHorizontalLink), c(K::SimultaneousConvergence), e(), e(),
        c(K::VerticalLink), e(), c(K::SelectionJunction), e(), c(K::SimultaneousJunction),
        c(K::Transition), e(), c(K::SelectionDivergence), c(K::HorizontalLink), c(K::SelectionDivergence),
        c(K::Jump, 0, "0"), e(), c(K::SelectionConvergence), e(), e(),
    });
}

// The scale of the zoom levels the pixel tests use, from the zoom table.
struct Gr7Scale {
    int originX, originY, width, height, spacing, inset;
};
constexpr Gr7Scale kGr7Level2{8, 8, 120, 30, 8, 3};
constexpr Gr7Scale kGr7Level3{16, 16, 240, 60, 16, 6};

// A cell's place on the viewer: its left and top edges and its centre. A viewer scrolled back
// after a load shows chart pixel 1 at its edges.
struct Gr7Place {
    int left, top, cx, cy;
};
constexpr int kGr7Scroll = 1;
Gr7Place Gr7At(const Gr7Scale& scale, int row, int column) {
    const int left = scale.originX + column * scale.width - kGr7Scroll;
    const int top = scale.originY + row * scale.height - kGr7Scroll;
    return {left, top, left + scale.width / 2, top + scale.height / 2};
}

// The colours of the drawing rules, and a background no rule draws with (pale yellow).
const QColor kGr7Orange(255, 128, 0);
const QColor kGr7Grey(192, 192, 192);
const QColor kGr7DarkGrey(128, 128, 128);
const QColor kGr7Black(0, 0, 0);
const QColor kGr7White(255, 255, 255);
const QColor kGr7Background(255, 255, 204);
constexpr std::uint32_t kGr7BackgroundRecord = 0x00CCFFFF;

// Text is drawn smoothed over the background: navy and purple pixels are told by their hue.
bool Gr7Navy(const QColor& c) {
    return c.red() == c.green() && c.blue() > c.red() + 40;
}
bool Gr7Purple(const QColor& c) {
    return std::abs(c.red() - c.blue()) < 24 && c.red() > c.green() + 40;
}
bool Gr7Dark(const QColor& c) {
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

int Gr7Count(const QImage& image, const QRect& area, bool (*test)(const QColor&)) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

// Black pixels of a row between two columns (both included).
int Gr7BlackRun(const QImage& image, int y, int x1, int x2) {
    int count = 0;
    for (int x = x1; x <= x2; ++x)
        count += image.pixelColor(x, y) == kGr7Black ? 1 : 0;
    return count;
}

class GrafcetViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        viewers::GrafcetViewers().Reset();
        m_form.resize(1400, 800);
        m_figure = figuretest::MakePlaceholder(m_form, 0, 0, 1300, 700, "TCSIMPLE", "CHART");
        m_figure->SetBackColour(kGr7BackgroundRecord);
        m_form.show();
    }
    void TearDown() override {
        viewers::GrafcetViewers().Reset();
        screens::Globals().Reset();
    }

    std::string WriteChart(const std::string& name, const std::string& bytes) {
        const std::string path = (m_dir / name).string();
        testsupport::WriteFile(path, bytes);
        return path;
    }
    viewers::GrafcetViewer& Viewer() {
        return *viewers::GrafcetViewers().FindOrCreate(*m_figure);
    }
    QImage Render() { return figuretest::Render(Viewer()); }

    testsupport::TempDir m_dir;
    screens::ScreenForm m_form;
    screens::TSimple* m_figure = nullptr;
};

} // namespace

TEST(GrafcetFile, ReadsTheVersion2LayoutFieldByField) {
    std::size_t trailing = 99;
    auto chart = viewers::ReadGrafcetChart(Gr7SmallChart() + "xyz", &trailing);
    ASSERT_TRUE(chart) << chart.Error();
    EXPECT_EQ(chart->rows, 2);
    EXPECT_EQ(chart->columns, 2);
    EXPECT_EQ(chart->headerTexts, std::vector<std::string>{"header"});
    ASSERT_EQ(chart->cells.size(), 4u);
    EXPECT_EQ(chart->cells[0], Gr7Cell(1, 7, "fill"));
    EXPECT_EQ(chart->cells[1], Gr7Cell(3, 0, "go")); // not a step: its number is 0
    EXPECT_EQ(chart->cells[2], Gr7Cell(14, 0, ""));  // a negative length is an empty text
    EXPECT_EQ(chart->cells[3], Gr7Cell(2, 1600, ""));
    EXPECT_EQ(trailing, 3u);

    // A negative header count means none; a chart of no rows reads as an empty grid.
    auto bare = viewers::ReadGrafcetChart(Gr7Bytes().I32(2).I32(0).I32(16).I32(-3).Bytes());
    ASSERT_TRUE(bare) << bare.Error();
    EXPECT_TRUE(bare->cells.empty());
    EXPECT_TRUE(bare->headerTexts.empty());

    // The writer gives the same layout back, with the numbers and lengths as they were read,
    // and writes a short cell list padded to the grid.
    EXPECT_EQ(viewers::WriteGrafcetChart(chart.Value()), Gr7Bytes()
                                                             .I32(2)
                                                             .I32(2)
                                                             .I32(2)
                                                             .I32(1)
                                                             .Text("header")
                                                             .Cell(1, 7, "fill")
                                                             .Cell(3, 0, "go")
                                                             .Cell(14, 0, "")
                                                             .Cell(2, 1600, "")
                                                             .Bytes());
    viewers::GrafcetChart shortList = chart.Value();
    shortList.cells.resize(1);
    auto padded = viewers::ReadGrafcetChart(viewers::WriteGrafcetChart(shortList));
    ASSERT_TRUE(padded) << padded.Error();
    EXPECT_EQ(padded->cells.size(), 4u);
    EXPECT_EQ(padded->cells[3], Gr7Cell(0));
}

TEST(GrafcetFile, RefusesDamagedFilesNamingWhereTheyGoWrong) {
    const std::string good = Gr7SmallChart();
    // Cut anywhere, the file is refused: no crash, no partial chart.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(viewers::ReadGrafcetChart(good.substr(0, size))) << "cut at " << size;

    const auto error = [](const std::string& bytes) {
        auto chart = viewers::ReadGrafcetChart(bytes);
        return chart ? std::string("read") : chart.Error();
    };
    EXPECT_NE(error(Gr7Bytes().I32(1).I32(1).I32(1).Bytes()).find("version 1"), std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(3).Bytes()).find("version 3"), std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(-1).I32(4).I32(0).Bytes()).find("offset 4"),
              std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(1).I32(0).I32(0).Bytes()).find("offset 8"),
              std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(1).I32(100000).I32(0).Bytes()).find("columns"),
              std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(16384).I32(256).I32(0).Bytes()).find("cells"),
              std::string::npos);
    // Counts and lengths the file cannot hold are refused before anything is allocated.
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(0).I32(1).I32(0x7FFFFFFF).Bytes()).find("header texts"),
              std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(1000).I32(200).I32(0).Bytes()).find("cannot fit"),
              std::string::npos);
    EXPECT_NE(error(Gr7Bytes().I32(2).I32(1).I32(1).I32(0).U8(2).I32(1).I32(0x7FFFFFF0).Bytes())
                  .find("cell 0 (row 0, column 0) text"),
              std::string::npos);
    EXPECT_NE(error(std::string(viewers::kMaxGrafcetFileSize + 1, '\0')).find("larger"),
              std::string::npos);
}

TEST(GrafcetFile, NamesOfFilesChartsAndStateVariables) {
    EXPECT_EQ(viewers::GrafcetFileName("MACHINE"), "MACHINE.Gr7");
    EXPECT_EQ(viewers::GrafcetFileName("MACHINE.old"), "MACHINE.old");
    EXPECT_EQ(viewers::GrafcetFileName("..\\charts\\MACHINE"), "..\\charts\\MACHINE.Gr7");
    EXPECT_EQ(viewers::GrafcetFileName("v1.2/MACHINE"), "v1.2/MACHINE.Gr7");
    EXPECT_EQ(viewers::GrafcetChartName("C:\\proj\\MACHINE.Gr7"), "MACHINE");
    EXPECT_EQ(viewers::GrafcetChartName("dir.x/MACHINE.v2.Gr7"), "MACHINE");
    EXPECT_EQ(viewers::GrafcetChartName("MACHINE"), "MACHINE");
    EXPECT_EQ(viewers::GrafcetStepVariable("MACHINE", 5), "MACHINE[5]");
    std::uint8_t kind = 0;
    for (std::uint8_t code = 0; code < 255; ++code) {
        ASSERT_TRUE(viewers::GrafcetKindFromName(viewers::GrafcetKindName(code), kind));
        EXPECT_EQ(kind, code);
    }
    EXPECT_FALSE(viewers::GrafcetKindFromName("kind 256", kind));
    EXPECT_FALSE(viewers::GrafcetKindFromName("stepp", kind));
}

TEST_F(GrafcetViewerTest, DrawsEveryKindAsTheRulesSayAtTwoZoomLevels) {
    ASSERT_TRUE(Viewer().Load(WriteChart("ALL.Gr7", viewers::WriteGrafcetChart(Gr7KindsChart()))));
    for (const Gr7Scale& scale : {kGr7Level2, kGr7Level3}) {
        SCOPED_TRACE(scale.width);
        if (scale.width == kGr7Level3.width)
            Viewer().ZoomIn();
        const QImage image = Render();
        const int side = scale.height;

        // Steps: a square of the cell height centred on the cell, grey (nothing is active),
        // black outline, white highlights inside its top and left edges, the number in its middle.
        for (const Gr7Place& at : {Gr7At(scale, 0, 0), Gr7At(scale, 3, 0)}) {
            const int sx = at.cx - side / 2;
            EXPECT_PIXEL(image, sx + 5, at.top + side - 5, kGr7Grey);
            EXPECT_PIXEL(image, sx, at.cy, kGr7Black);
            EXPECT_PIXEL(image, sx + side - 1, at.top + side / 4, kGr7Black);
            EXPECT_PIXEL(image, sx + side / 4, at.top, kGr7Black);
            EXPECT_PIXEL(image, sx + side / 4, at.top + side - 1, kGr7Black);
            EXPECT_PIXEL(image, sx + side / 4, at.top + 1, kGr7White);
            EXPECT_PIXEL(image, sx + 1, at.top + side - 5, kGr7White);
            EXPECT_PIXEL(image, sx - 1, at.cy + 3, kGr7Background);
            EXPECT_GT(Gr7Count(image, QRect(at.cx - 6, at.cy - 6, 12, 12), Gr7Dark), 3);
            // The action: a grey line from the square's right side to a black rectangle that
            // fills the rest of the cell, the text in navy inside.
            const int actionLeft = sx + side + scale.spacing;
            EXPECT_PIXEL(image, sx + side, at.cy, kGr7DarkGrey);
            EXPECT_PIXEL(image, actionLeft - 1, at.cy, kGr7DarkGrey);
            EXPECT_PIXEL(image, actionLeft, at.cy, kGr7Black);
            EXPECT_PIXEL(image, at.left + scale.width - 2, at.cy, kGr7Black);
            EXPECT_PIXEL(image, at.left + scale.width - 6, at.top + 1, kGr7Black);
            EXPECT_GT(Gr7Count(image, QRect(actionLeft + 1, at.top + 2, scale.width, side - 4),
                               Gr7Navy),
                      3);
        }
        // Only the initial step has the inner square, inset by the level's inset.
        const Gr7Place initial = Gr7At(scale, 0, 0);
        const Gr7Place plain = Gr7At(scale, 3, 0);
        EXPECT_PIXEL(image, initial.cx - side / 2 + scale.inset, initial.cy + side / 4, kGr7Black);
        EXPECT_PIXEL(image, initial.cx - side / 2 + scale.inset + 1, initial.cy + side / 4,
                     kGr7Grey);
        EXPECT_PIXEL(image, plain.cx - side / 2 + scale.inset, plain.cy + side / 4, kGr7Grey);

        // Transition: a vertical line through the centre, a bar 6 long and 2 high, the
        // condition in navy to its right only.
        const Gr7Place go = Gr7At(scale, 1, 0);
        EXPECT_PIXEL(image, go.cx, go.top, kGr7Black);
        EXPECT_PIXEL(image, go.cx, go.top + scale.height - 1, kGr7Black);
        EXPECT_EQ(Gr7BlackRun(image, go.cy, go.cx - 10, go.cx + 10), 6);
        EXPECT_EQ(Gr7BlackRun(image, go.cy - 1, go.cx - 10, go.cx + 10), 6);
        EXPECT_EQ(Gr7BlackRun(image, go.cy - 2, go.cx - 10, go.cx + 10), 1);
        EXPECT_EQ(Gr7BlackRun(image, go.cy + 1, go.cx - 10, go.cx + 10), 1);
        EXPECT_GT(Gr7Count(image, QRect(go.cx + 4, go.top, scale.width / 2, scale.height), Gr7Navy),
                  3);
        EXPECT_EQ(Gr7Count(image, QRect(go.left, go.top, scale.width / 2, scale.height), Gr7Navy),
                  0);

        // Simultaneous divergence under a transition, with a double link to its right: two
        // lines a spacing apart from a quarter width left of the centre to the right edge, the
        // arm from above meeting the upper line, the arm below leaving the lower one.
        const Gr7Place split = Gr7At(scale, 2, 0);
        const int upper = split.cy - scale.spacing / 2;
        const int lower = upper + scale.spacing;
        for (int y : {upper, lower}) {
            EXPECT_PIXEL(image, split.cx - scale.width / 4, y, kGr7Black);
            EXPECT_PIXEL(image, split.cx - scale.width / 4 - 1, y, kGr7Background);
            EXPECT_PIXEL(image, split.left + scale.width - 1, y, kGr7Black);
        }
        EXPECT_PIXEL(image, split.cx + 5, split.cy, kGr7Background);
        EXPECT_PIXEL(image, split.cx, split.top, kGr7Black);
        EXPECT_PIXEL(image, split.cx, upper - 1, kGr7Black);
        EXPECT_PIXEL(image, split.cx, upper + 1, kGr7Background);
        EXPECT_PIXEL(image, split.cx, lower + 1, kGr7Black);
        EXPECT_PIXEL(image, split.cx, split.top + scale.height - 1, kGr7Black);
        // The double horizontal link carries both lines across its cell, with no vertical.
        const Gr7Place across = Gr7At(scale, 2, 1);
        EXPECT_PIXEL(image, across.left, upper, kGr7Black);
        EXPECT_PIXEL(image, across.left + scale.width - 1, lower, kGr7Black);
        EXPECT_PIXEL(image, across.cx, across.top, kGr7Background);
        // Convergence: the same bar, joined to the transitions above and below.
        const Gr7Place join = Gr7At(scale, 5, 0);
        EXPECT_PIXEL(image, join.cx, join.top, kGr7Black);
        EXPECT_PIXEL(image, join.cx, join.top + scale.height - 1, kGr7Black);
        EXPECT_PIXEL(image, join.left + scale.width - 1, join.cy - scale.spacing / 2, kGr7Black);

        // Vertical link between a convergence and a transition: the whole centre line, nothing
        // beside it.
        const Gr7Place down = Gr7At(scale, 6, 0);
        EXPECT_EQ(Gr7BlackRun(image, down.top, down.left, down.left + scale.width - 1), 1);
        EXPECT_EQ(Gr7BlackRun(image, down.cy, down.left, down.left + scale.width - 1), 1);
        EXPECT_PIXEL(image, down.cx, down.top + scale.height - 1, kGr7Black);

        // Selection pieces are single lines: the divergence left of a horizontal link, the link,
        // the divergence right of it; the junction between a convergence and a divergence joins
        // up and down through one line.
        const Gr7Place choice = Gr7At(scale, 7, 2);
        EXPECT_PIXEL(image, choice.cx + 10, choice.cy, kGr7Black);
        EXPECT_PIXEL(image, choice.cx + 10, choice.cy - scale.spacing / 2, kGr7Background);
        EXPECT_PIXEL(image, choice.left + scale.width - 1, choice.cy, kGr7Black);
        EXPECT_PIXEL(image, choice.cx - scale.width / 4 - 1, choice.cy, kGr7Background);
        const Gr7Place line = Gr7At(scale, 7, 3);
        EXPECT_EQ(Gr7BlackRun(image, line.cy, line.left, line.left + scale.width - 1), scale.width);
        const Gr7Place junction = Gr7At(scale, 6, 2);
        EXPECT_PIXEL(image, junction.cx, junction.top, kGr7Black);
        EXPECT_PIXEL(image, junction.cx, junction.top + scale.height - 1, kGr7Black);
        EXPECT_PIXEL(image, junction.cx + 10, junction.cy, kGr7Black);
        EXPECT_PIXEL(image, junction.cx + 10, junction.cy - scale.spacing / 2, kGr7Background);
        // The double junction with nothing above: no arm up, its arm down from the lower line.
        const Gr7Place doubleJunction = Gr7At(scale, 6, 4);
        EXPECT_PIXEL(image, doubleJunction.cx, doubleJunction.top, kGr7Background);
        EXPECT_PIXEL(image, doubleJunction.cx, doubleJunction.top + scale.height - 1, kGr7Black);
        EXPECT_PIXEL(image, doubleJunction.cx + 10, doubleJunction.cy - scale.spacing / 2,
                     kGr7Black);
        // The selection convergence under a divergence: its arm up, no arm down.
        const Gr7Place merge = Gr7At(scale, 8, 2);
        EXPECT_PIXEL(image, merge.cx, merge.top, kGr7Black);
        EXPECT_PIXEL(image, merge.cx + 10, merge.cy, kGr7Black);
        EXPECT_PIXEL(image, merge.cx, merge.top + scale.height - 1, kGr7Background);

        // Jump: a line from the top down to the centre ending in an arrow head, the target
        // centred below it.
        const Gr7Place jump = Gr7At(scale, 8, 0);
        EXPECT_PIXEL(image, jump.cx, jump.top, kGr7Black);
        EXPECT_GT(Gr7BlackRun(image, jump.cy - 2, jump.cx - 10, jump.cx + 10), 2);
        EXPECT_PIXEL(image, jump.cx, jump.cy, kGr7Black);
        EXPECT_PIXEL(image, jump.cx - 1, jump.cy, kGr7Background);
        EXPECT_GT(Gr7Count(image, QRect(jump.cx - 6, jump.cy + 1, 12, scale.height / 2), Gr7Dark),
                  3);

        // Comment: purple text inside its own cell.
        const Gr7Place note = Gr7At(scale, 0, 4);
        EXPECT_GT(Gr7Count(image, QRect(note.left, note.top, scale.width, scale.height), Gr7Purple),
                  3);
        EXPECT_EQ(Gr7Count(image, QRect(note.left, note.top + scale.height, scale.width,
                                        scale.height),
                           Gr7Purple),
                  0);
    }
}

TEST_F(GrafcetViewerTest, AStepShowsActiveExactlyWhileItsArrayElementIsTrue) {
    screens::testing::TestVariables variables;
    variables.Add("MACHINE[5]", 3);
    variables.Add("MACHINE[6]", 3);
    variables.Add("OTHER[0]", 3);
    variables.SetBoolean("OTHER[0]", true);
    const std::string path = WriteChart("MACHINE.Gr7", viewers::WriteGrafcetChart(Gr7KindsChart()));
    viewers::GrafcetViewer& viewer = Viewer();
    ASSERT_TRUE(viewer.Load(path));
    EXPECT_EQ(viewer.ChartName(), "MACHINE");
    const int stepFive = 3 * 5;
    const int stepSix = 3 * 5 + 2;
    const int initial = 0;
    const Gr7Place five = Gr7At(kGr7Level2, 3, 0);
    const QPoint inside(five.cx - 15 + 5, five.top + 25);

    const QImage before = Render();
    EXPECT_PIXEL(before, inside.x(), inside.y(), kGr7Grey);

    variables.SetBoolean("MACHINE[5]", true);
    viewer.Refresh();
    EXPECT_TRUE(viewer.ShownActive(stepFive));
    EXPECT_FALSE(viewer.ShownActive(stepSix));
    EXPECT_FALSE(viewer.ShownActive(initial)); // MACHINE[0] does not exist: idle
    QImage active = Render();
    EXPECT_PIXEL(active, inside.x(), inside.y(), kGr7Orange);
    // A full repaint keeps the state the refresh read.
    viewer.viewport()->repaint();
    active = Render();
    EXPECT_PIXEL(active, inside.x(), inside.y(), kGr7Orange);
    // Nothing but the step changed.
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (!QRect(five.cx - 15, five.top, 30, 30).contains(x, y) &&
                before.pixelColor(x, y) != active.pixelColor(x, y))
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") changed";

    // A byte other than 1 is true as well; false again shows grey.
    variables.SetByte("MACHINE[5]", 2);
    viewer.Refresh();
    EXPECT_TRUE(viewer.ShownActive(stepFive));
    variables.SetBoolean("MACHINE[5]", false);
    viewer.Refresh();
    EXPECT_FALSE(viewer.ShownActive(stepFive));
    EXPECT_PIXEL(Render(), inside.x(), inside.y(), kGr7Grey);

    // Steps out of view are read as well, and show their state when scrolled to.
    m_figure->resize(200, 100);
    QCoreApplication::processEvents();
    ASSERT_FALSE(viewer.CellRect(stepSix).intersects(viewer.viewport()->rect()));
    variables.SetBoolean("MACHINE[6]", true);
    viewer.Refresh();
    EXPECT_TRUE(viewer.ShownActive(stepSix));
    viewer.horizontalScrollBar()->setValue(250);
    viewer.verticalScrollBar()->setValue(90);
    const QRect six = viewer.CellRect(stepSix);
    EXPECT_PIXEL(figuretest::Render(*viewer.viewport()), six.left() + 60 - 15 + 5,
                 six.top() + 25, kGr7Orange);

    // Without the project's variables every step reads idle.
    screens::Globals().variables = nullptr;
    viewer.Refresh();
    EXPECT_FALSE(viewer.ShownActive(stepSix));
    screens::Globals().variables = &variables;
}

TEST_F(GrafcetViewerTest, ADamagedOrMissingChartLeavesTheViewerAsItWas) {
    screens::testing::TestVariables variables;
    variables.Add("GOOD[5]", 3);
    variables.SetBoolean("GOOD[5]", true);
    viewers::GrafcetViewer& viewer = Viewer();
    const std::string good = viewers::WriteGrafcetChart(Gr7KindsChart());
    ASSERT_TRUE(viewer.Load(WriteChart("GOOD.Gr7", good)));
    viewer.Refresh();
    const viewers::GrafcetChart shown = viewer.Chart();
    const std::string file = viewer.FileName();
    const QImage before = Render();

    const auto unchanged = [&](const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(viewer.Chart(), shown);
        EXPECT_EQ(viewer.FileName(), file);
        EXPECT_EQ(viewer.ChartName(), "GOOD");
        EXPECT_TRUE(viewer.StepMarked(5));
        EXPECT_TRUE(viewer.ShownActive(15));
        EXPECT_EQ(Render(), before);
    };
    for (std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{20}, good.size() / 2,
                             good.size() - 1}) {
        auto loaded = viewer.Load(WriteChart("BAD.Gr7", good.substr(0, size)));
        EXPECT_FALSE(loaded);
        if (!loaded) {
            EXPECT_NE(loaded.Error().find("BAD.Gr7"), std::string::npos);
        }
        unchanged("cut at " + std::to_string(size));
    }
    EXPECT_FALSE(viewer.Load(WriteChart("OLD.Gr7", Gr7Bytes().I32(1).I32(0).Bytes())));
    unchanged("version 1");
    auto missing = viewer.Load((m_dir / "NONE.Gr7").string());
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing.Value());
    unchanged("missing file");
}

TEST_F(GrafcetViewerTest, ZoomMarksAndClear) {
    viewers::GrafcetViewer& viewer = Viewer();
    // At creation: 16 columns, no cells, 1200 x 2400, level 2.
    EXPECT_EQ(viewer.Chart().columns, 16);
    EXPECT_TRUE(viewer.Chart().cells.empty());
    EXPECT_EQ(viewer.VirtualSize(), QSize(1200, 2400));
    EXPECT_EQ(viewer.ZoomLevel(), 2);
    EXPECT_EQ(viewer.CurrentCell(), -1);

    viewers::GrafcetChart chart = Gr7Grid(3, {Gr7Cell(1, 0), Gr7Cell(2, 1599), Gr7Cell(2, 1600),
                                              Gr7Cell(2, -1), Gr7Cell(3), Gr7Cell(14, 0, "x")});
    ASSERT_TRUE(viewer.Load(WriteChart("Z.Gr7", viewers::WriteGrafcetChart(chart))));
    EXPECT_TRUE(viewer.StepMarked(0));
    EXPECT_TRUE(viewer.StepMarked(1599));
    EXPECT_FALSE(viewer.StepMarked(1600));
    EXPECT_FALSE(viewer.StepMarked(-1));
    EXPECT_FALSE(viewer.StepMarked(1));
    EXPECT_EQ(viewer.CurrentCell(), 0);
    // The extent: right edge of 3 columns plus the last column's widest text, 2 rows.
    const int textWidth = viewer.VirtualSize().width() - (8 + 3 * 120);
    EXPECT_GT(textWidth, 0);
    EXPECT_LT(textWidth, 20);
    EXPECT_EQ(viewer.VirtualSize().height(), 8 + 2 * 30);

    for (int expected : {3, 3}) {
        viewer.ZoomIn();
        EXPECT_EQ(viewer.ZoomLevel(), expected);
    }
    EXPECT_EQ(viewer.VirtualSize().height(), 16 + 2 * 60);
    EXPECT_EQ(viewer.CellRect(4), QRect(16 + 240, 16 + 60, 240, 60).translated(-1, -1));
    for (int expected : {2, 1, 0, 0}) {
        viewer.ZoomOut();
        EXPECT_EQ(viewer.ZoomLevel(), expected);
    }
    EXPECT_EQ(viewer.VirtualSize().height(), 3 + 2 * 7);
    EXPECT_EQ(viewer.CellRect(4), QRect(3 + 30, 3 + 7, 30, 7).translated(-1, -1));

    // A chart taller and wider than the figure scrolls to its last pixels, with the room the
    // scroll bars take; a new load scrolls back to position 1.
    viewers::GrafcetChart large =
        Gr7Grid(12, std::vector<viewers::GrafcetCell>(12 * 200, Gr7Cell(4)));
    ASSERT_TRUE(viewer.Load(WriteChart("T.Gr7", viewers::WriteGrafcetChart(large))));
    viewer.ZoomIn();
    viewer.ZoomIn(); // level 2: 200 rows of 30 pixels, 12 columns of 120
    QCoreApplication::processEvents(); // the scroll bars show
    EXPECT_LT(viewer.viewport()->width(), m_figure->width());
    EXPECT_LT(viewer.viewport()->height(), m_figure->height());
    viewer.horizontalScrollBar()->setValue(viewer.horizontalScrollBar()->maximum());
    viewer.verticalScrollBar()->setValue(viewer.verticalScrollBar()->maximum());
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(8 + 12 * 120 - viewer.viewport()->width(),
                                              8 + 200 * 30 - viewer.viewport()->height()));
    EXPECT_EQ(viewer.verticalScrollBar()->pageStep(), viewer.viewport()->height());
    EXPECT_EQ(viewer.horizontalScrollBar()->pageStep(), viewer.viewport()->width() / 2);
    EXPECT_EQ(viewer.verticalScrollBar()->singleStep(), 10);
    ASSERT_TRUE(viewer.Load(WriteChart("Z.Gr7", viewers::WriteGrafcetChart(chart))));
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));

    viewer.Clear();
    EXPECT_EQ(viewer.Chart().rows, 1);
    EXPECT_EQ(viewer.Chart().columns, 16);
    EXPECT_EQ(viewer.Chart().cells, std::vector<viewers::GrafcetCell>(16));
    EXPECT_TRUE(viewer.FileName().empty());
    EXPECT_FALSE(viewer.StepMarked(0));
    EXPECT_FALSE(viewer.StepMarked(1599));
    EXPECT_EQ(viewer.ScrollPosition(), QPoint(1, 1));
}

TEST_F(GrafcetViewerTest, TheRegistryKeepsOneViewerPerFigure) {
    viewers::GrafcetRegistry& registry = viewers::GrafcetViewers();
    viewers::GrafcetViewer* first = registry.FindOrCreate(*m_figure);
    EXPECT_EQ(registry.FindOrCreate(*m_figure), first);
    EXPECT_EQ(registry.Find(*m_figure), first);
    EXPECT_EQ(first->FigureName(), "CHART");
    EXPECT_EQ(first->parentWidget(), m_figure);
    EXPECT_EQ(first->geometry(), m_figure->rect());

    // A figure of the same name in another window gets a viewer of its own.
    screens::ScreenForm other;
    screens::TSimple* twin = figuretest::MakePlaceholder(other, 0, 0, 100, 100, "TCSIMPLE", "CHART");
    viewers::GrafcetViewer* second = registry.FindOrCreate(*twin);
    EXPECT_NE(second, first);
    EXPECT_EQ(registry.Count(), 2u);

    // Unregistered, a viewer stays on its figure until a new one replaces it; other scrolling
    // controls on the figure (a ladder viewer, say) are left alone.
    QPointer<QAbstractScrollArea> foreign(new QAbstractScrollArea(m_figure));
    EXPECT_TRUE(registry.Remove(*first));
    EXPECT_FALSE(registry.Remove(*first));
    EXPECT_EQ(registry.Find(*m_figure), nullptr);
    QPointer<viewers::GrafcetViewer> cleared(first);
    viewers::GrafcetViewer* third = registry.FindOrCreate(*m_figure);
    EXPECT_NE(third, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cleared.isNull());
    EXPECT_FALSE(foreign.isNull());
    EXPECT_EQ(registry.Find(*m_figure), third);

    // A window that goes takes its viewer out of the registry.
    delete twin;
    EXPECT_EQ(registry.Count(), 1u);
}
