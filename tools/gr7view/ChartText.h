// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "viewers/GrafcetFile.h"

#include <string>

// The text form of a chart that gr7view prints by default: a heading, the grid with a short label
// per cell (one line per row), then every cell that is not empty with its full text.
namespace gr7view {

// The short label of a cell in the grid: "[[0]]" an initial step, "[3]" a step, "+" a
// transition, "|" a vertical link, "=v=" "=^=" "=+=" "===" the simultaneous branch pieces,
// "-v-" "-^-" "-+-" "---" the selection ones, "->" a jump, "\"" a comment, "." an empty cell,
// "?N" an unknown kind; steps, transitions and jumps add their text.
std::string CellLabel(const viewers::GrafcetCell& cell);

std::string ChartToText(const viewers::GrafcetChart& chart, const std::string& file,
                        const std::string& chartName);

} // namespace gr7view
