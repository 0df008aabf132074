// Quorva run-time. Licensed under the MIT licence.
#include "viewers/GrafcetFile.h"

#include <array>
#include <charconv>
#include <cstring>

#include <fmt/format.h>

namespace viewers {
namespace {

constexpr std::array<std::string_view, kGrafcetLastKind + 1> kKindNames = {
    "empty",
    "initialStep",
    "step",
    "transition",
    "verticalLink",
    "simultaneousDivergence",
    "simultaneousConvergence",
    "selectionDivergence",
    "selectionConvergence",
    "horizontalLink",
    "doubleHorizontalLink",
    "simultaneousJunction",
    "selectionJunction",
    "jump",
    "comment",
};

// Smallest size of a cell record and of a long text: what a count is checked against before
// anything is allocated for it.
constexpr std::size_t kMinCellBytes = 1 + 4 + 4;
constexpr std::size_t kMinTextBytes = 4;

// Reads the file front to back; every read checks what is left first.
class ChartCursor {
public:
    explicit ChartCursor(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t Offset() const { return m_offset; }
    std::size_t Left() const { return m_bytes.size() - m_offset; }

    platform::Result<std::int32_t> Integer(std::string_view what) {
        if (Left() < 4)
            return Short(what, 4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(m_bytes[m_offset + i]);
        m_offset += 4;
        return static_cast<std::int32_t>(value);
    }

    platform::Result<std::uint8_t> Byte(std::string_view what) {
        if (Left() < 1)
            return Short(what, 1);
        return static_cast<std::uint8_t>(m_bytes[m_offset++]);
    }

    platform::Result<std::string> Text(std::string_view what) {
        const std::size_t start = m_offset;
        auto length = Integer(what);
        if (!length)
            return platform::Fail(length.Error());
        if (length.Value() <= 0)
            return std::string();
        const auto size = static_cast<std::size_t>(length.Value());
        if (size > Left())
            return platform::Fail(fmt::format("offset {}: {} of {} bytes runs past the end of the "
                                              "file ({} bytes left)",
                                              start, what, size, Left()));
        std::string text(m_bytes.substr(m_offset, size));
        m_offset += size;
        return text;
    }

private:
    platform::Failure Short(std::string_view what, std::size_t size) const {
        return platform::Fail(fmt::format("offset {}: {} needs {} bytes, {} left", m_offset, what,
                                          size, Left()));
    }

    std::string_view m_bytes;
    std::size_t m_offset = 0;
};

void PutInteger(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
    PutInteger(out, static_cast<std::int32_t>(text.size()));
    out.append(text);
}

std::size_t FileNameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

} // namespace

std::string GrafcetKindName(std::uint8_t kind) {
    if (kind <= kGrafcetLastKind)
        return std::string(kKindNames[kind]);
    return fmt::format("kind {}", kind);
}

bool GrafcetKindFromName(std::string_view name, std::uint8_t& kind) {
    for (std::size_t i = 0; i < kKindNames.size(); ++i) {
        if (kKindNames[i] == name) {
            kind = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    constexpr std::string_view prefix = "kind ";
    if (name.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view digits = name.substr(prefix.size());
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        value > 255)
        return false;
    kind = static_cast<std::uint8_t>(value);
    return true;
}

platform::Result<GrafcetChart> ReadGrafcetChart(std::string_view bytes,
                                                std::size_t* trailingBytes) {
    if (bytes.size() > kMaxGrafcetFileSize)
        return platform::Fail(fmt::format("a chart file of {} bytes is larger than the {} bytes "
                                          "a chart may have",
                                          bytes.size(), kMaxGrafcetFileSize));
    ChartCursor in(bytes);
    auto version = in.Integer("the version");
    if (!version)
        return platform::Fail(version.Error());
    if (version.Value() == 1)
        return platform::Fail("version 1 (the older network layout) is not supported; save the "
                              "chart again as version 2");
    if (version.Value() != 2)
        return platform::Fail(
            fmt::format("offset 0: version {} is not a chart file version (2)", version.Value()));

    GrafcetChart chart;
    const std::size_t rowsAt = in.Offset();
    auto rows = in.Integer("the row count");
    if (!rows)
        return platform::Fail(rows.Error());
    const std::size_t columnsAt = in.Offset();
    auto columns = in.Integer("the column count");
    if (!columns)
        return platform::Fail(columns.Error());
    chart.rows = rows.Value();
    chart.columns = columns.Value();
    if (chart.rows < 0 || chart.rows > kMaxGrafcetRows)
        return platform::Fail(fmt::format("offset {}: {} rows, a chart has 0 to {}", rowsAt,
                                          chart.rows, kMaxGrafcetRows));
    if (chart.columns < 0 || chart.columns > kMaxGrafcetColumns ||
        (chart.columns == 0 && chart.rows > 0))
        return platform::Fail(fmt::format("offset {}: {} columns, a chart has 1 to {}", columnsAt,
                                          chart.columns, kMaxGrafcetColumns));
    const std::int64_t cellCount = static_cast<std::int64_t>(chart.rows) * chart.columns;
    if (cellCount > kMaxGrafcetCells)
        return platform::Fail(fmt::format("offset {}: {} x {} cells, a chart has at most {}",
                                          rowsAt, chart.rows, chart.columns, kMaxGrafcetCells));

    const std::size_t countAt = in.Offset();
    auto count = in.Integer("the header text count");
    if (!count)
        return platform::Fail(count.Error());
    if (count.Value() > 0) {
        const auto texts = static_cast<std::size_t>(count.Value());
        if (texts > in.Left() / kMinTextBytes)
            return platform::Fail(fmt::format("offset {}: {} header texts cannot fit in the {} "
                                              "bytes left",
                                              countAt, texts, in.Left()));
        chart.headerTexts.reserve(texts);
        for (std::size_t i = 0; i < texts; ++i) {
            auto text = in.Text(fmt::format("header text {}", i + 1));
            if (!text)
                return platform::Fail(text.Error());
            chart.headerTexts.push_back(std::move(text.Value()));
        }
    }

    const auto cells = static_cast<std::size_t>(cellCount);
    if (cells > in.Left() / kMinCellBytes)
        return platform::Fail(fmt::format("offset {}: {} x {} cells cannot fit in the {} bytes "
                                          "left",
                                          in.Offset(), chart.rows, chart.columns, in.Left()));
    chart.cells.reserve(cells);
    for (std::size_t i = 0; i < cells; ++i) {
        const std::size_t row = i / static_cast<std::size_t>(chart.columns);
        const std::size_t column = i % static_cast<std::size_t>(chart.columns);
        const std::string what = fmt::format("cell {} (row {}, column {})", i, row, column);
        GrafcetCell cell;
        auto kind = in.Byte(what + " kind");
        if (!kind)
            return platform::Fail(kind.Error());
        auto number = in.Integer(what + " number");
        if (!number)
            return platform::Fail(number.Error());
        auto text = in.Text(what + " text");
        if (!text)
            return platform::Fail(text.Error());
        cell.kind = kind.Value();
        cell.number = IsGrafcetStep(cell.kind) ? number.Value() : 0;
        cell.text = std::move(text.Value());
        chart.cells.push_back(std::move(cell));
    }
    if (trailingBytes != nullptr)
        *trailingBytes = in.Left();
    return chart;
}

std::string WriteGrafcetChart(const GrafcetChart& chart) {
    const std::int32_t rows = chart.rows < 0 ? 0 : chart.rows;
    const std::int32_t columns = chart.columns < 0 ? 0 : chart.columns;
    std::string out;
    PutInteger(out, 2);
    PutInteger(out, rows);
    PutInteger(out, columns);
    PutInteger(out, static_cast<std::int32_t>(chart.headerTexts.size()));
    for (const std::string& text : chart.headerTexts)
        PutText(out, text);
    const std::size_t cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    for (std::size_t i = 0; i < cells; ++i) {
        const GrafcetCell empty;
        const GrafcetCell& cell = i < chart.cells.size() ? chart.cells[i] : empty;
        out += static_cast<char>(cell.kind);
        PutInteger(out, IsGrafcetStep(cell.kind) ? cell.number : 0);
        PutText(out, cell.text);
    }
    return out;
}

std::string GrafcetFileName(std::string_view name) {
    std::string file(name);
    if (name.substr(FileNameStart(name)).find('.') == std::string_view::npos)
        file += ".Gr7";
    return file;
}

std::string GrafcetChartName(std::string_view fileName) {
    std::string_view name = fileName.substr(FileNameStart(fileName));
    return std::string(name.substr(0, name.find('.')));
}

std::string GrafcetStepVariable(std::string_view chartName, std::int32_t stepNumber) {
    return fmt::format("{}[{}]", chartName, stepNumber);
}

} // namespace viewers
