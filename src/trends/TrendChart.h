// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

class QPainter;

namespace trends {

// Pencils are numbered 1..kPencilCount; X texts 1..kTextCount.
inline constexpr int kPencilCount = 10;
inline constexpr int kTextCount = 200;
inline constexpr std::size_t kTextLength = 40;
// Divisions are kept within 1..kMaxDivisions and sub-divisions within 0..kMaxSubdivisions, so
// that a wild value from unit code cannot make a paint draw for ever.
inline constexpr int kMaxDivisions = 10000;
inline constexpr int kMaxSubdivisions = 1000;
// The default level lines, far outside any usual range.
inline constexpr long double kDefaultHighLevel = 12000000.0L;
inline constexpr long double kDefaultLowLevel = -12000000.0L;

// One stored point of a pencil: its value, whether it was set, and the colour it draws in.
struct TrendPoint {
    long double value = 0;
    bool set = false;
    std::uint32_t colour = 0; // Windows colour value
};

// The last rubber-band selection: X pixel of the press and of the release (ordered), and the Y
// values there rounded to integers (ordered high >= low). `dragging` while the button is down.
struct TrendSelection {
    std::int32_t xStart = 0;
    std::int32_t yHigh = 0;
    std::int32_t xEnd = 0;
    std::int32_t yLow = 0;
    bool dragging = false;
};

// What a drawing procedure of unit code is told for one point (pixels in chart coordinates).
// For a single new point `firstPoint` is X = 1 and `lastPoint` X = NptX; during a full paint
// the first set point of the pencil has `firstPoint`, and one more call after the walk has
// `lastPoint` (with the last point's data again).
struct DrawingCall {
    QPoint point;
    std::uint32_t colour = 0;
    int plotLeft = 0;
    int plotBottom = 0;
    QPoint previous;
    int pencil = 0;
    long double value = 0;
    long double previousValue = 0;
    bool firstPoint = false;
    bool lastPoint = false;
};

// Runs the unit's drawing procedure for one call; false when it failed (a fault, the
// watchdog): the chart then forgets the procedure and draws by itself from then on.
using DrawingProcedure = std::function<bool(const DrawingCall&)>;

// What a chart takes from the figure it replaces.
struct ChartSetup {
    std::string figureName; // cut to 15 characters
    int divX = 1;
    int divY = 1;
    int subX = 0;
    int subY = 0;
    long double lowRangeY = 0;
    long double highRangeY = 100;
    std::uint8_t decimals = 0;
    std::uint32_t backColour = 0x00FFFFFF;
    std::uint32_t foreColour = 0x00000000;
    QFont font;
    QSize size; // the figure's size: the chart's until it is resized
};

// The program trend chart: a control that unit code feeds point by point. Up to 10 pencils
// with a buffer of one point per pixel column of the plot, a Y range with a labelled scale,
// a grid of divisions and sub-divisions, a text under each X division, two horizontal level
// lines and two vertical bars drawn over the chart, mouse read-out and a rubber-band selection.
//
// The chart keeps an off-screen image of itself (grid, labels, curves). A full paint renders
// that image anew; a new point only draws its segment into the image and updates that
// rectangle of the widget. The level lines and bars are drawn over the image on every paint of
// the widget, so changing them never re-renders the image. Nothing is rendered while the
// display-enabled flag (process-wide, see TrendRegistry.h) is clear; points are still stored.
//
// Colours are Windows colour values; texts are bytes of the system code page. Setters ignore
// out-of-range pencils and positions. GUI thread only. Every chart is in the process-wide list
// (TrendRegistry.h) from its construction to its destruction; CreateChart makes one in place of
// a figure. The widget's parent owns it.
class TrendChart : public QWidget {
public:
    TrendChart(QWidget* parent, const ChartSetup& setup);
    ~TrendChart() override;

    // A serial number, unique in the process, for naming the chart's image.
    std::uint32_t Number() const { return m_number; }
    const std::string& FigureName() const { return m_figureName; }

    // --- scale and grid ---
    int DivX() const { return m_divX; }
    int DivY() const { return m_divY; }
    int SubX() const { return m_subX; }
    int SubY() const { return m_subY; }
    // Kept within 1..kMaxDivisions; a change re-renders.
    void SetDivX(int divisions);
    void SetDivY(int divisions);
    void SetSubX(int subdivisions);
    void SetSubY(int subdivisions);
    long double LowRangeY() const { return m_lowRangeY; }
    long double HighRangeY() const { return m_highRangeY; }
    // The range setters keep low <= high: a low above the high end swaps (the old high becomes
    // the low end, the value the high end), and the mirror for the high end. Values that are
    // not finite are ignored. The left margin follows.
    void SetLowRangeY(long double value);
    void SetHighRangeY(long double value);
    bool GridOn() const { return m_gridOn; }
    void SetGrid(bool on);
    int Decimals() const { return m_decimals; }
    // Decimals of the Y labels (0..255, at most 18 shown); the left margin follows.
    void SetDecimals(int decimals);
    // TSETBORDERRIGHT: accepted 2..100; other values are ignored.
    void SetRightBorder(int pixels);
    // For the trend screen object: any width within 0..32767.
    void SetRightBorderUnchecked(int pixels);
    int RightBorder() const { return m_rightBorder; }

    // --- X texts (index 1..kTextCount; others are ignored or read empty) ---
    // Trimmed and cut to 40 characters; a text with more lines (1 + its CR characters) than
    // are reserved reserves them, shrinking the plot.
    void SetTextX(int index, std::string_view text);
    std::string TextX(int index) const;
    int TextLineCount() const { return m_textLines; }

    // --- pencils (1..kPencilCount) ---
    // Sets the pencil's colour; the first call gives the pencil its buffer. With a buffer, a
    // new colour recolours every set point.
    void SetPencilColour(int pencil, std::uint32_t colour);
    std::uint32_t PencilColour(int pencil) const;
    bool HasBuffer(int pencil) const;
    // Stores a point (X 1..NptX, pencil with a buffer) and draws its segment.
    void SetPoint(int pencil, int x, long double value);
    std::optional<TrendPoint> Point(int pencil, int x) const;
    void ResetPoints(int pencil);
    void ResetAllPoints();
    // Every value of the pencil is multiplied by it before it is scaled.
    void SetCoefficient(int pencil, long double coefficient);
    long double Coefficient(int pencil) const;
    // The last point drawn (pixels) and its value.
    QPoint LastPoint(int pencil) const;
    long double LastValue(int pencil) const;

    // Scroll the pencils by round(InterX) points and the texts by one index.
    void ShiftLeft();
    void ShiftRight();

    // --- levels and bars, drawn over the chart ---
    void SetHighLevel(long double value);
    void SetLowLevel(long double value);
    void SetHighLevelColour(std::uint32_t colour);
    void SetLowLevelColour(std::uint32_t colour);
    // Pixel offsets in the plot; 0 = no bar.
    void SetLeftBar(int position);
    void SetRightBar(int position);
    void SetLeftBarColour(std::uint32_t colour);
    void SetRightBarColour(std::uint32_t colour);
    long double HighLevel() const { return m_highLevel; }
    long double LowLevel() const { return m_lowLevel; }
    int LeftBar() const { return m_leftBar; }
    int RightBar() const { return m_rightBar; }

    // --- layout ---
    float InterX() const { return m_interX; }
    float InterY() const { return m_interY; }
    int NptX() const { return m_nptX; }
    int NptY() const { return m_nptY; }
    int LeftMargin() const { return m_leftMargin; }
    int TopMargin() const { return m_topMargin; }
    int BottomMargin() const { return m_bottomMargin; }
    int LineHeight() const { return m_lineHeight; }
    // The pixel row of a value: the top margin line at or above the high end, the X axis at or
    // below the low end (and for not-a-number).
    int RowOf(long double value) const;

    // --- mouse read-out and selection ---
    long double MouseValue() const { return m_mouseValue; }
    int MousePoint() const { return m_mousePoint; }
    // The mouse-moved flag; reading clears it.
    bool TakeMouseMoved();
    const TrendSelection& Selection() const { return m_selection; }
    // Told every time the selection record changes (press, release). One listener: the
    // runtime's copy of the record for unit code (TGETSELECTION) takes it.
    void SetSelectionListener(std::function<void(const TrendSelection&)> listener);

    // --- drawing procedure ---
    // Registers a procedure (by its guest address; 0 = none) when the address differs, and
    // re-renders. The chart calls it instead of drawing each segment.
    void SetDrawingProcedure(std::uint32_t address, DrawingProcedure procedure);
    std::uint32_t DrawingProcedureAddress() const { return m_procedureAddress; }

    // --- painting ---
    // Renders the image now when it is stale and the display is enabled.
    void RenderNow();
    // Asks for a full render at the next paint.
    void Invalidate();
    // The kept image of the chart (without the level lines and bars).
    const QImage& ChartImage() const { return m_image; }
    // The image with the level lines and bars drawn over it: what the window shows.
    QImage ShownImage() const;
    // Counters for tests and benchmarks: full renders of the image, segments drawn into it.
    std::uint64_t FullRenders() const { return m_fullRenders; }
    std::uint64_t SegmentsDrawn() const { return m_segmentsDrawn; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Pencil {
        std::vector<TrendPoint> buffer; // empty until the colour is first set
        std::uint32_t colour = 0;
        long double coefficient = 1.0L;
        QPoint last;
        long double lastValue = 0;
    };
    bool ValidPencil(int pencil) const { return pencil >= 1 && pencil <= kPencilCount; }
    Pencil& PencilAt(int pencil) { return m_pencils[static_cast<std::size_t>(pencil - 1)]; }
    const Pencil& PencilAt(int pencil) const {
        return m_pencils[static_cast<std::size_t>(pencil - 1)];
    }
    int FontHeight() const;
    int AxisRow() const { return height() - m_bottomMargin; }
    QPoint StartPoint() const { return QPoint(m_leftMargin, AxisRow()); }
    void ClearPencil(Pencil& pencil);
    void ComputeLeftMargin();
    void ComputeLayout();
    void Resample(int oldWidth);
    void ShiftPencils(int places);
    long double ValueAtRow(int y) const;
    int PointAtColumn(int x) const;
    void UpdateMouse(QPoint position);

    // Painting (TrendChartPainting.cpp).
    void Render();
    void RenderGrid(QPainter& painter) const;
    void RenderLabels(QPainter& painter) const;
    void RenderTexts(QPainter& painter) const;
    // False when a drawing procedure failed on the way; the caller renders again without it.
    bool RenderCurves(QPainter& painter);
    void RedrawTextBand();
    void DrawSegment(QPainter& painter, QPoint from, QPoint to, std::uint32_t colour) const;
    void DrawNewPoint(int pencil, int x, QPoint point, long double value);
    bool CallProcedure(const DrawingCall& call);
    void DropProcedure();
    void DrawOverlay(QPainter& painter) const;
    void DrawRubberBand(QPainter& painter) const;

    std::uint32_t m_number = 0;
    std::string m_figureName;
    int m_divX = 1;
    int m_divY = 1;
    int m_subX = 0;
    int m_subY = 0;
    long double m_lowRangeY = 0;
    long double m_highRangeY = 0;
    int m_decimals = 0;
    bool m_gridOn = false;
    int m_penStyle = 0;
    int m_penWidth = 1;
    std::uint32_t m_backColour = 0x00FFFFFF;
    std::uint32_t m_foreColour = 0;
    std::array<Pencil, kPencilCount> m_pencils;
    std::array<std::string, kTextCount> m_texts;
    int m_textLines = 1;
    int m_lineHeight = 0;
    int m_topMargin = 0;
    int m_bottomMargin = 0;
    int m_leftMargin = 0;
    int m_rightBorder = 10;
    int m_nptX = 0;
    int m_nptY = 0;
    float m_interX = 0;
    float m_interY = 0;
    long double m_highLevel = kDefaultHighLevel;
    long double m_lowLevel = kDefaultLowLevel;
    std::uint32_t m_highLevelColour = 0x00FFFFFF;
    std::uint32_t m_lowLevelColour = 0x00FFFFFF;
    int m_leftBar = 0;
    int m_rightBar = 0;
    std::uint32_t m_leftBarColour = 0x00FFFFFF;
    std::uint32_t m_rightBarColour = 0x00FFFFFF;
    long double m_mouseValue = 0;
    int m_mousePoint = 0;
    bool m_mouseMoved = false;
    TrendSelection m_selection;
    QPoint m_bandStart;
    QPoint m_bandEnd;
    std::function<void(const TrendSelection&)> m_selectionListener;
    std::uint32_t m_procedureAddress = 0;
    DrawingProcedure m_procedure;
    bool m_inProcedure = false;
    bool m_rendering = false;
    QImage m_image;
    bool m_imageStale = true;
    std::uint64_t m_fullRenders = 0;
    std::uint64_t m_segmentsDrawn = 0;
};

} // namespace trends
