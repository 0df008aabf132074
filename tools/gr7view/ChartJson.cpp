// Quorva run-time. Licensed under the MIT licence.
#include "ChartJson.h"

#include "platform/CodePage.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace gr7view {
namespace {

using Json = nlohmann::ordered_json;

platform::Result<std::string> TextOf(const Json& value, const std::string& where) {
    if (!value.is_string())
        return platform::Fail(fmt::format("{}: a text is expected", where));
    return platform::Utf8ToCodePage(value.get<std::string>());
}

platform::Result<std::int32_t> IntegerOf(const Json& value, const std::string& where) {
    if (!value.is_number_integer())
        return platform::Fail(fmt::format("{}: a whole number is expected", where));
    const auto number = value.get<std::int64_t>();
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return platform::Fail(fmt::format("{}: {} does not fit in 32 bits", where, number));
    return static_cast<std::int32_t>(number);
}

platform::Result<viewers::GrafcetCell> CellOf(const Json& value, const std::string& where) {
    viewers::GrafcetCell cell;
    if (value.is_null())
        return cell;
    if (!value.is_object())
        return platform::Fail(fmt::format("{}: a cell object or null is expected", where));
    bool hasNumber = false;
    for (const auto& [key, member] : value.items()) {
        if (key == "kind") {
            if (!member.is_string() ||
                !viewers::GrafcetKindFromName(member.get<std::string>(), cell.kind))
                return platform::Fail(fmt::format("{}: {} is not a cell kind", where,
                                                  member.dump()));
        } else if (key == "number") {
            auto number = IntegerOf(member, where + " number");
            if (!number)
                return platform::Fail(number.Error());
            cell.number = number.Value();
            hasNumber = true;
        } else if (key == "text") {
            auto text = TextOf(member, where + " text");
            if (!text)
                return platform::Fail(text.Error());
            cell.text = std::move(text.Value());
        } else {
            return platform::Fail(fmt::format("{}: unknown member \"{}\"", where, key));
        }
    }
    if (!value.contains("kind"))
        return platform::Fail(fmt::format("{}: the cell has no kind", where));
    if (viewers::IsGrafcetStep(cell.kind) && !hasNumber)
        return platform::Fail(fmt::format("{}: a step needs its number", where));
    if (!viewers::IsGrafcetStep(cell.kind) && hasNumber)
        return platform::Fail(fmt::format("{}: only steps have a number", where));
    return cell;
}

} // namespace

std::string ChartToJson(const viewers::GrafcetChart& chart, const std::string& chartName) {
    Json json;
    json["chartName"] = platform::CodePageToUtf8(chartName);
    json["rows"] = chart.rows;
    json["columns"] = chart.columns;
    json["headerTexts"] = Json::array();
    for (const std::string& text : chart.headerTexts)
        json["headerTexts"].push_back(platform::CodePageToUtf8(text));
    json["cells"] = Json::array();
    for (std::int32_t row = 0; row < chart.rows; ++row) {
        Json cells = Json::array();
        for (std::int32_t column = 0; column < chart.columns; ++column) {
            const auto at = static_cast<std::size_t>(row) * static_cast<std::size_t>(chart.columns) +
                            static_cast<std::size_t>(column);
            const viewers::GrafcetCell& cell = chart.cells.at(at);
            if (cell.kind == 0 && cell.text.empty()) {
                cells.push_back(nullptr);
                continue;
            }
            Json item;
            item["kind"] = viewers::GrafcetKindName(cell.kind);
            if (viewers::IsGrafcetStep(cell.kind))
                item["number"] = cell.number;
            if (!cell.text.empty())
                item["text"] = platform::CodePageToUtf8(cell.text);
            cells.push_back(std::move(item));
        }
        json["cells"].push_back(std::move(cells));
    }
    return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

platform::Result<viewers::GrafcetChart> ChartFromJson(std::string_view text) {
    Json json;
    try {
        json = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& error) {
        return platform::Fail(fmt::format("not JSON: {}", error.what()));
    }
    if (!json.is_object())
        return platform::Fail("a JSON object is expected");
    viewers::GrafcetChart chart;
    std::optional<std::int32_t> rows;
    std::optional<std::int32_t> columns;
    const Json* cells = nullptr;
    for (const auto& [key, member] : json.items()) {
        if (key == "chartName" || key == "description") {
            continue;
        } else if (key == "rows" || key == "columns") {
            auto number = IntegerOf(member, key);
            if (!number)
                return platform::Fail(number.Error());
            (key == "rows" ? rows : columns) = number.Value();
        } else if (key == "headerTexts") {
            if (!member.is_array())
                return platform::Fail("headerTexts: an array of texts is expected");
            for (std::size_t i = 0; i < member.size(); ++i) {
                auto header = TextOf(member[i], fmt::format("headerTexts[{}]", i));
                if (!header)
                    return platform::Fail(header.Error());
                chart.headerTexts.push_back(std::move(header.Value()));
            }
        } else if (key == "cells") {
            if (!member.is_array())
                return platform::Fail("cells: an array of rows is expected");
            cells = &member;
        } else {
            return platform::Fail(fmt::format("unknown member \"{}\"", key));
        }
    }
    if (cells == nullptr)
        return platform::Fail("the chart has no \"cells\"");

    std::size_t widest = 0;
    for (std::size_t row = 0; row < cells->size(); ++row) {
        if (!(*cells)[row].is_array())
            return platform::Fail(fmt::format("cells row {}: an array of cells is expected", row));
        widest = std::max(widest, (*cells)[row].size());
    }
    if (cells->size() > static_cast<std::size_t>(viewers::kMaxGrafcetRows) ||
        widest > static_cast<std::size_t>(viewers::kMaxGrafcetColumns))
        return platform::Fail(fmt::format("{} rows of up to {} cells: a chart has at most {} rows "
                                          "and {} columns",
                                          cells->size(), widest, viewers::kMaxGrafcetRows,
                                          viewers::kMaxGrafcetColumns));
    chart.rows = static_cast<std::int32_t>(cells->size());
    chart.columns = static_cast<std::int32_t>(widest);
    if (rows && *rows != chart.rows)
        return platform::Fail(fmt::format("rows says {}, the cells hold {} rows", *rows,
                                          chart.rows));
    if (columns) {
        if (*columns < chart.columns)
            return platform::Fail(fmt::format("columns says {}, a row of the cells holds {}",
                                              *columns, chart.columns));
        if (*columns > viewers::kMaxGrafcetColumns)
            return platform::Fail(fmt::format("columns says {}, a chart has at most {}", *columns,
                                              viewers::kMaxGrafcetColumns));
        chart.columns = *columns;
    }
    if (chart.rows > 0 && chart.columns == 0)
        return platform::Fail("the rows hold no cells");
    if (static_cast<std::int64_t>(chart.rows) * chart.columns > viewers::kMaxGrafcetCells)
        return platform::Fail(fmt::format("{} x {} cells, a chart has at most {}", chart.rows,
                                          chart.columns, viewers::kMaxGrafcetCells));

    for (std::int32_t row = 0; row < chart.rows; ++row) {
        const Json& line = (*cells)[static_cast<std::size_t>(row)];
        for (std::int32_t column = 0; column < chart.columns; ++column) {
            if (static_cast<std::size_t>(column) >= line.size()) {
                chart.cells.emplace_back();
                continue;
            }
            auto cell = CellOf(line[static_cast<std::size_t>(column)],
                               fmt::format("cells row {} column {}", row, column));
            if (!cell)
                return platform::Fail(cell.Error());
            chart.cells.push_back(std::move(cell.Value()));
        }
    }
    return chart;
}

} // namespace gr7view
