// Quorva run-time. Licensed under the MIT licence.
#include "ChartText.h"

#include "platform/CodePage.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

namespace gr7view {
namespace {

// Grid columns are as wide as their widest label, up to this many characters.
constexpr std::size_t kMaxLabel = 24;

// The number of characters (not bytes) of a UTF-8 text.
std::size_t Width(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first `count` characters of a UTF-8 text.
std::string Head(const std::string& utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && characters++ == count)
            return utf8.substr(0, i);
    }
    return utf8;
}

// Line breaks and tabs of a text as spaces, so that a row stays one line.
std::string OneLine(const std::string& codePageText) {
    std::string text = platform::CodePageToUtf8(codePageText);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

std::string WithText(std::string symbol, const viewers::GrafcetCell& cell) {
    if (!cell.text.empty())
        symbol += " " + OneLine(cell.text);
    return symbol;
}

} // namespace

std::string CellLabel(const viewers::GrafcetCell& cell) {
    using viewers::GrafcetKind;
    switch (static_cast<GrafcetKind>(cell.kind)) {
    case GrafcetKind::Empty:
        return ".";
    case GrafcetKind::InitialStep:
        return WithText(fmt::format("[[{}]]", cell.number), cell);
    case GrafcetKind::Step:
        return WithText(fmt::format("[{}]", cell.number), cell);
    case GrafcetKind::Transition:
        return WithText("+", cell);
    case GrafcetKind::VerticalLink:
        return "|";
    case GrafcetKind::SimultaneousDivergence:
        return "=v=";
    case GrafcetKind::SimultaneousConvergence:
        return "=^=";
    case GrafcetKind::SimultaneousJunction:
        return "=+=";
    case GrafcetKind::DoubleHorizontalLink:
        return "===";
    case GrafcetKind::SelectionDivergence:
        return "-v-";
    case GrafcetKind::SelectionConvergence:
        return "-^-";
    case GrafcetKind::SelectionJunction:
        return "-+-";
    case GrafcetKind::HorizontalLink:
        return "---";
    case GrafcetKind::Jump:
        return WithText("->", cell);
    case GrafcetKind::Comment:
        return "\"";
    }
    return fmt::format("?{}", cell.kind);
}

std::string ChartToText(const viewers::GrafcetChart& chart, const std::string& file,
                        const std::string& chartName) {
    std::string out = fmt::format("{}: chart {}, {} rows x {} columns, {} header texts\n", file,
                                  platform::CodePageToUtf8(chartName), chart.rows, chart.columns,
                                  chart.headerTexts.size());
    for (std::size_t i = 0; i < chart.headerTexts.size(); ++i)
        out += fmt::format("header text {}: \"{}\"\n", i + 1, OneLine(chart.headerTexts[i]));
    if (chart.rows <= 0 || chart.columns <= 0)
        return out;

    const auto columns = static_cast<std::size_t>(chart.columns);
    std::vector<std::string> labels;
    labels.reserve(chart.cells.size());
    std::vector<std::size_t> widths(columns, 1);
    for (std::size_t i = 0; i < chart.cells.size(); ++i) {
        std::string label = CellLabel(chart.cells[i]);
        if (Width(label) > kMaxLabel)
            label = Head(label, kMaxLabel - 1) + "~";
        widths[i % columns] = std::max(widths[i % columns], Width(label));
        labels.push_back(std::move(label));
    }
    const std::size_t rowWidth = std::to_string(chart.rows - 1).size();
    out += '\n' + std::string(rowWidth, ' ');
    for (std::size_t column = 0; column < columns; ++column)
        out += fmt::format(" | {:<{}}", column, widths[column]);
    while (out.back() == ' ')
        out.pop_back();
    out += '\n';
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (i % columns == 0)
            out += fmt::format("{:>{}}", i / columns, rowWidth);
        const std::size_t width = widths[i % columns];
        out += " | " + labels[i] + std::string(width - Width(labels[i]), ' ');
        if (i % columns == columns - 1) {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            out += '\n';
        }
    }

    out += "\ncells:\n";
    for (std::size_t i = 0; i < chart.cells.size(); ++i) {
        const viewers::GrafcetCell& cell = chart.cells[i];
        if (cell.kind == 0 && cell.text.empty())
            continue;
        out += fmt::format("  row {} column {}: {}", i / columns, i % columns,
                           viewers::GrafcetKindName(cell.kind));
        if (viewers::IsGrafcetStep(cell.kind))
            out += fmt::format(" {} (state {})", cell.number,
                               platform::CodePageToUtf8(
                                   viewers::GrafcetStepVariable(chartName, cell.number)));
        if (!cell.text.empty())
            out += fmt::format(" \"{}\"", OneLine(cell.text));
        out += '\n';
    }
    return out;
}

} // namespace gr7view
