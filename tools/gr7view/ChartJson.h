// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "platform/Result.h"
#include "viewers/GrafcetFile.h"

#include <string>
#include <string_view>

// The JSON form of a chart, which gr7view prints and builds chart files from:
//   {"chartName", "rows", "columns", "headerTexts": [TEXT ...],
//    "cells": [[CELL or null, ...] one array per row]}
// with CELL = {"kind": NAME, "number": N (steps only), "text": TEXT (when not empty)}. Kind names
// are those of viewers::GrafcetKindName. Texts are UTF-8 here and code-page bytes in the chart.
namespace gr7view {

std::string ChartToJson(const viewers::GrafcetChart& chart, const std::string& chartName);

// Reads the JSON form. "chartName" and "description" are ignored; "rows" and "columns" may be
// left out (the cell arrays give them); rows shorter than the column count are filled with empty
// cells. Refuses, naming the row and column, what the file format cannot hold or what is likely a
// mistake: an unknown member or kind, a number on a cell that is not a step, a step without one,
// counts that disagree with the cell arrays, a grid beyond the reader's limits.
platform::Result<viewers::GrafcetChart> ChartFromJson(std::string_view text);

} // namespace gr7view
