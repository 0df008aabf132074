// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The project's start lists: "Kestra.PFC" names the start screens, "PROG.OCO" the program units
// loaded before them. Both are text files whose lines end in CR LF or LF.

// Every line as it stands; a last line without a line end counts, a line end at the very end
// does not start another line.
std::vector<std::string> SplitLines(std::string_view bytes);

// True when the line holds nothing but spaces and tabs.
bool IsBlankLine(std::string_view line);

// The screen lines of "Kestra.PFC": blank lines skipped, the others exactly as they stand
// (trailing blanks included).
std::vector<std::string> StartScreenLines(std::string_view bytes);

// The unit names of "PROG.OCO", in file order, as they stand. Empty lines are skipped: they
// cannot name a unit and would otherwise stop the run-time with a load error.
std::vector<std::string> StartUnitLines(std::string_view bytes);

} // namespace shell
