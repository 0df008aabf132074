// Quorva run-time. Licensed under the MIT licence.
#include "LadderJson.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "platform/CodePage.h"

namespace ladjson {
namespace {

using viewers::LadderCellRecord;
using viewers::LadderDiagram;
namespace kind = viewers::ladderkind;

struct TextMember {
    const char* name;
    std::string LadderCellRecord::*field;
};

constexpr TextMember kTextMembers[] = {
    {"variable", &LadderCellRecord::variable},   {"boxName", &LadderCellRecord::boxName},
    {"leftLabel", &LadderCellRecord::leftLabel}, {"rightLabel", &LadderCellRecord::rightLabel},
    {"mnemonic1", &LadderCellRecord::mnemonic1}, {"mnemonic2", &LadderCellRecord::mnemonic2},
    {"spareText", &LadderCellRecord::spareText},
};

struct ByteMember {
    const char* name;
    std::uint8_t LadderCellRecord::*field;
};

constexpr ByteMember kByteMembers[] = {
    {"frameBottom", &LadderCellRecord::frameBottom},
    {"labelStyle", &LadderCellRecord::labelStyle},
    {"spare", &LadderCellRecord::spare},
    {"negation", &LadderCellRecord::negation},
};

struct NumberMember {
    const char* name;
    std::int32_t LadderCellRecord::*field;
};

constexpr NumberMember kNumberMembers[] = {
    {"segment", &LadderCellRecord::segment},
    {"program", &LadderCellRecord::program},
};

// An integer member within [low, high], or why not.
platform::Result<std::int64_t> Integer(const Json& value, const std::string& where,
                                       std::int64_t low, std::int64_t high) {
    if (!value.is_number_integer())
        return platform::Fail(fmt::format("{} must be a whole number", where));
    const std::int64_t number = value.get<std::int64_t>();
    if (number < low || number > high)
        return platform::Fail(fmt::format("{} is {}, outside {} to {}", where, number, low, high));
    return number;
}

platform::Status ReadCell(const Json& json, const std::string& where, LadderCellRecord& cell) {
    if (!json.is_object())
        return platform::Fail(where + " must be an object");
    for (const auto& [name, value] : json.items()) {
        const std::string at = where + "." + name;
        if (name == "row" || name == "column")
            continue;
        if (name == "kind") {
            if (!value.is_string() || !viewers::LadderKindFromName(value.get<std::string>(), cell.kind))
                return platform::Fail(fmt::format(
                    "{} must be a kind name (contact, closedContact, coil, ... or kind<N>)", at));
            continue;
        }
        if (name == "flags") {
            if (!value.is_array() || value.size() != cell.flags.size())
                return platform::Fail(at + " must be an array of 6 numbers (flags A to F)");
            for (std::size_t i = 0; i < cell.flags.size(); ++i) {
                auto flag = Integer(value[i], fmt::format("{}[{}]", at, i), 0, 255);
                if (!flag)
                    return platform::Fail(flag.Error());
                cell.flags[i] = static_cast<std::uint8_t>(flag.Value());
            }
            continue;
        }
        bool known = false;
        for (const TextMember& member : kTextMembers) {
            if (name != member.name)
                continue;
            if (!value.is_string())
                return platform::Fail(at + " must be a text");
            std::string bytes = platform::Utf8ToCodePage(value.get<std::string>());
            if (bytes.size() > static_cast<std::size_t>(viewers::kMaxLadderTextBytes))
                return platform::Fail(fmt::format("{} is longer than {} bytes", at,
                                                  viewers::kMaxLadderTextBytes));
            cell.*member.field = std::move(bytes);
            known = true;
        }
        for (const ByteMember& member : kByteMembers) {
            if (name != member.name)
                continue;
            auto number = Integer(value, at, 0, 255);
            if (!number)
                return platform::Fail(number.Error());
            cell.*member.field = static_cast<std::uint8_t>(number.Value());
            known = true;
        }
        for (const NumberMember& member : kNumberMembers) {
            if (name != member.name)
                continue;
            auto number = Integer(value, at, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max());
            if (!number)
                return platform::Fail(number.Error());
            cell.*member.field = static_cast<std::int32_t>(number.Value());
            known = true;
        }
        if (!known)
            return platform::Fail(fmt::format("{}: no cell member is called \"{}\"", where, name));
    }
    return {};
}

// What a cell shows in the text grid: its symbol and its name line.
std::pair<std::string, std::string> CellText(const LadderCellRecord& cell) {
    const std::string name = platform::CodePageToUtf8(cell.variable);
    switch (cell.kind) {
    case kind::kContact:
        return {"-| |-", name};
    case kind::kClosedContact:
        return {"-|/|-", name};
    case kind::kRisingContact:
        return {"-|P|-", name};
    case kind::kFallingContact:
        return {"-|N|-", name};
    case kind::kCoil:
        return {"-( )-", name};
    case kind::kSetCoil:
        return {"-(S)-", name};
    case kind::kResetCoil:
        return {"-(R)-", name};
    case kind::kWire:
        return {"-----", ""};
    case kind::kBoxTop:
        return {"-[" + platform::CodePageToUtf8(cell.boxName) + "]", name};
    case kind::kBoxInput:
        return {"-|" + platform::CodePageToUtf8(cell.leftLabel), name};
    case kind::kBoxOutput:
    case kind::kBoxOutputAlt:
        return {platform::CodePageToUtf8(cell.rightLabel) + "|-", name};
    case kind::kSegment:
        return {fmt::format("Segment : {}", cell.segment), ""};
    case kind::kComment:
        return {"; " + name, ""};
    case kind::kProgram:
        return {fmt::format("[Prog{}]", cell.program), name};
    case kind::kNamed:
        return {"", name};
    case kind::kEmpty:
    case kind::kLink:
        return {"", ""};
    default:
        return {fmt::format("?{}", cell.kind), name};
    }
}

// The width of a UTF-8 text in characters.
std::size_t Width(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(const std::string& utf8, std::size_t width) {
    const std::size_t used = Width(utf8);
    return used >= width ? utf8 : utf8 + std::string(width - used, ' ');
}

} // namespace

Json DiagramToJson(const LadderDiagram& diagram) {
    Json json;
    json["version"] = diagram.version;
    json["rows"] = diagram.rows;
    json["columns"] = diagram.columns;
    Json cells = Json::array();
    const LadderCellRecord empty;
    for (std::size_t i = 0; i < diagram.cells.size(); ++i) {
        const LadderCellRecord& cell = diagram.cells[i];
        if (cell == empty)
            continue;
        Json entry;
        entry["row"] = i / static_cast<std::size_t>(diagram.columns);
        entry["column"] = i % static_cast<std::size_t>(diagram.columns);
        entry["kind"] = viewers::LadderKindName(cell.kind);
        for (const TextMember& member : kTextMembers)
            if (!(cell.*member.field).empty())
                entry[member.name] = platform::CodePageToUtf8(cell.*member.field);
        for (const ByteMember& member : kByteMembers)
            if (cell.*member.field != 0)
                entry[member.name] = cell.*member.field;
        for (const NumberMember& member : kNumberMembers)
            if (cell.*member.field != 0)
                entry[member.name] = cell.*member.field;
        if (cell.flags != decltype(cell.flags){})
            entry["flags"] = cell.flags;
        cells.push_back(std::move(entry));
    }
    json["cells"] = std::move(cells);
    return json;
}

platform::Result<LadderDiagram> DiagramFromJson(const Json& json) {
    if (!json.is_object())
        return platform::Fail("the diagram must be a JSON object");
    for (const auto& [name, value] : json.items())
        if (name != "version" && name != "rows" && name != "columns" && name != "cells")
            return platform::Fail(fmt::format("no diagram member is called \"{}\"", name));
    LadderDiagram diagram;
    if (json.contains("version")) {
        auto version = Integer(json["version"], "version", 2, 2);
        if (!version)
            return platform::Fail(version.Error() + " (only version 2 files are written)");
    }
    if (!json.contains("rows") || !json.contains("columns"))
        return platform::Fail("the diagram needs \"rows\" and \"columns\"");
    auto rows = Integer(json["rows"], "rows", 0, viewers::kMaxLadderRows);
    if (!rows)
        return platform::Fail(rows.Error());
    auto columns = Integer(json["columns"], "columns", 1, viewers::kMaxLadderColumns);
    if (!columns)
        return platform::Fail(columns.Error());
    if (rows.Value() * columns.Value() > viewers::kMaxLadderCells)
        return platform::Fail(fmt::format("{} x {} cells are more than the limit of {}",
                                          rows.Value(), columns.Value(), viewers::kMaxLadderCells));
    diagram.rows = static_cast<std::int32_t>(rows.Value());
    diagram.columns = static_cast<std::int32_t>(columns.Value());
    diagram.cells.assign(static_cast<std::size_t>(rows.Value() * columns.Value()), {});

    const Json& cells = json.contains("cells") ? json["cells"] : Json::array();
    if (!cells.is_array())
        return platform::Fail("\"cells\" must be an array");
    std::set<std::size_t> seen;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Json& cell = cells[i];
        const std::string where = fmt::format("cells[{}]", i);
        if (!cell.is_object() || !cell.contains("row") || !cell.contains("column"))
            return platform::Fail(where + " needs \"row\" and \"column\"");
        auto row = Integer(cell["row"], where + ".row", 0, diagram.rows - 1);
        if (!row)
            return platform::Fail(row.Error());
        auto column = Integer(cell["column"], where + ".column", 0, diagram.columns - 1);
        if (!column)
            return platform::Fail(column.Error());
        const auto index = static_cast<std::size_t>(row.Value() * diagram.columns + column.Value());
        if (!seen.insert(index).second)
            return platform::Fail(fmt::format("{}: row {}, column {} is given twice", where,
                                              row.Value(), column.Value()));
        if (platform::Status read = ReadCell(cell, where, diagram.cells[index]); !read)
            return platform::Fail(read.Error());
    }
    return diagram;
}

std::string DiagramToText(const LadderDiagram& diagram, const std::string& title) {
    std::string out = fmt::format("{}: version {}, {} rows, {} columns\n", title, diagram.version,
                                  diagram.rows, diagram.columns);
    const auto columns = static_cast<std::size_t>(std::max(diagram.columns, 1));
    std::vector<std::size_t> widths(columns, 5);
    std::vector<std::pair<std::string, std::string>> texts;
    texts.reserve(diagram.cells.size());
    for (std::size_t i = 0; i < diagram.cells.size(); ++i) {
        texts.push_back(CellText(diagram.cells[i]));
        // The last column's texts run on; they do not widen the grid.
        if (i % columns + 1 == columns)
            continue;
        std::size_t& width = widths[i % columns];
        width = std::max({width, Width(texts.back().first), Width(texts.back().second)});
    }
    for (std::size_t row = 0; row * columns < texts.size(); ++row) {
        for (int line = 0; line < 2; ++line) {
            std::string text;
            for (std::size_t column = 0; column < columns; ++column) {
                const auto& cell = texts[row * columns + column];
                const std::string& part = line == 0 ? cell.first : cell.second;
                text += column + 1 == columns ? part : Padded(part, widths[column]) + " ";
            }
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
            out += text + "\n";
        }
    }
    return out;
}

} // namespace ladjson
