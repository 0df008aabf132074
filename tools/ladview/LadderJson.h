// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "platform/Result.h"
#include "viewers/LadderFile.h"

// A ladder diagram as JSON and as a text grid, for ladview. Texts are UTF-8 in JSON and on the
// terminal, code-page bytes in the diagram.
namespace ladjson {

using Json = nlohmann::ordered_json;

// {"version", "rows", "columns", "cells": [{"row", "column", "kind", ...}]}: only the cells that
// differ from an empty one, only the members that differ from their defaults.
Json DiagramToJson(const viewers::LadderDiagram& diagram);
// The diagram a JSON object describes (what DiagramToJson writes): cells that are not listed are
// empty; unknown members, cells outside the grid, a cell given twice and values outside their
// range are refused with a message that names the cell and the member.
platform::Result<viewers::LadderDiagram> DiagramFromJson(const Json& json);

// The grid as text: a title line, then two lines per row (the symbols, then the names).
std::string DiagramToText(const viewers::LadderDiagram& diagram, const std::string& title);

} // namespace ladjson
