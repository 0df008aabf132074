// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace viewers {

// The kinds of the cells of a Grafcet chart, as the chart file stores them.
enum class GrafcetKind : std::uint8_t {
    Empty = 0,
    InitialStep = 1,
    Step = 2,
    Transition = 3,
    // Links: a vertical link, the bars of simultaneous (double line) and selection (single
    // line) branches, and horizontal pieces that carry a bar across a cell.
    VerticalLink = 4,
    SimultaneousDivergence = 5,
    SimultaneousConvergence = 6,
    SelectionDivergence = 7,
    SelectionConvergence = 8,
    HorizontalLink = 9,
    DoubleHorizontalLink = 10,
    SimultaneousJunction = 11, // a double bar with branches above and below
    SelectionJunction = 12,    // a single bar with branches above and below
    Jump = 13,
    Comment = 14,
};
constexpr std::uint8_t kGrafcetLastKind = 14;

constexpr std::uint8_t KindCode(GrafcetKind kind) { return static_cast<std::uint8_t>(kind); }
constexpr bool IsGrafcetStep(std::uint8_t kind) { return kind == 1 || kind == 2; }
constexpr bool IsGrafcetLink(std::uint8_t kind) { return kind >= 4 && kind <= 12; }
// Links drawn with two lines (simultaneous branches).
constexpr bool IsGrafcetDoubleLink(std::uint8_t kind) {
    return kind == 5 || kind == 6 || kind == 10 || kind == 11;
}

// A short name of a kind ("step", "transition" ...), or "kind N" for a code the file format does
// not define (such cells are kept and drawn as nothing).
std::string GrafcetKindName(std::uint8_t kind);
// The kind of a name GrafcetKindName gives (also "kind N" for any N of 0..255); false when the
// name is none of them.
bool GrafcetKindFromName(std::string_view name, std::uint8_t& kind);

// One cell as the file stores it. The number is a step's number (kinds 1 and 2); for every
// other kind it is 0. The text is bytes of the code page: a step's actions, a transition's
// condition, a jump's target, a comment.
struct GrafcetCell {
    std::uint8_t kind = 0;
    std::int32_t number = 0;
    std::string text;

    bool operator==(const GrafcetCell&) const = default;
};

// A chart file of version 2: its grid in row-major order, and the texts of its header, which the
// run-time reads and does not use (they are kept so that a chart is written back unchanged).
struct GrafcetChart {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::vector<std::string> headerTexts;
    std::vector<GrafcetCell> cells; // rows x columns

    bool operator==(const GrafcetChart&) const = default;
};

// Limits of what is read: a chart of a real project holds some hundreds of cells.
constexpr std::size_t kMaxGrafcetFileSize = 16 * 1024 * 1024;
constexpr std::int32_t kMaxGrafcetRows = 16384;
constexpr std::int32_t kMaxGrafcetColumns = 256;
constexpr std::int64_t kMaxGrafcetCells = 262144;

// Reads a chart file: i32 version (2), i32 rows, i32 columns, i32 count and that many long texts,
// then rows x columns cells (u8 kind, i32 number, long text). A long text is an i32 length and
// that many bytes; a length of 0 or less is an empty text. All integers little-endian; a count of
// 0 or less means no header texts. The number of a cell that is not a step is read and set to 0.
//
// Never trusts the file: refuses (naming what is wrong and its byte offset) a file larger than
// kMaxGrafcetFileSize, a version other than 2 (version 1, the older network layout, included), a
// negative row or column count, columns outside 1..kMaxGrafcetColumns when there are rows, more
// than kMaxGrafcetRows rows or kMaxGrafcetCells cells, and any count or length that runs past the
// end of the file. Bytes after the last cell are ignored; `trailingBytes` says how many there
// were. Pure function, any thread.
platform::Result<GrafcetChart> ReadGrafcetChart(std::string_view bytes,
                                                std::size_t* trailingBytes = nullptr);

// The bytes of a version-2 chart file. A chart whose cell count is not rows x columns is written
// with as many cells as the grid holds (missing ones empty), so that it always reads back.
std::string WriteGrafcetChart(const GrafcetChart& chart);

// The file a chart name stands for: the name with ".Gr7" appended when its file-name part holds
// no "." (a dot in a directory name does not count).
std::string GrafcetFileName(std::string_view name);
// The chart name of a file, which names its state array: the file name without its directory
// ("/" or "\"), cut before its first ".".
std::string GrafcetChartName(std::string_view fileName);
// The variable that holds a step's state: chart name, "[", the step number, "]".
std::string GrafcetStepVariable(std::string_view chartName, std::int32_t stepNumber);

} // namespace viewers
