// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string_view>

namespace trends {

class TrendChart;

// The chart with that number (CUSTOMTREND's result), or null.
TrendChart* ChartByNumber(std::uint32_t number);

// Hands a chart to a report: the figure `controlName` of the open screen `formName` shows the
// chart's picture as it is now, scaled to the figure, so that printing that screen (PRINTREPORT)
// prints the trend. Handing it again replaces the picture. A figure whose screen is open but
// that has no such figure gets nothing. Names ignore ASCII case. False, and
// nothing changed, when no open screen or no figure of it has that name. GUI thread.
bool HandChartToReport(TrendChart& chart, std::string_view formName,
                       std::string_view controlName);

} // namespace trends
