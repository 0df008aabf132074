// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <vector>

#include <QPointer>

#include "trends/TrendChart.h"

namespace screens {
class Figure;
} // namespace screens

namespace trends {

// The process-wide values of the trend charts, in one place: every chart in creation order
// (charts enter on construction and leave on destruction), the display-enabled flag common to
// all charts, and the serial number of the next chart. GUI thread.
struct TrendGlobals {
    std::vector<TrendChart*> charts;
    // Cleared while a chart is being built and set when it is done, so every new chart leaves
    // it set; TENABLEDISPLAY sets and clears it.
    bool displayEnabled = true;
    std::uint32_t nextNumber = 1;
};

TrendGlobals& Globals();

bool DisplayEnabled();
void SetDisplayEnabled(bool enabled);

// The divisions and range of a new chart, as CUSTOMTREND takes them.
struct ChartSettings {
    int divX = 1;
    int divY = 1;
    int subX = 0;
    int subY = 0;
    long double lowRangeY = 0;
    long double highRangeY = 100;
};

// Makes a chart in place of `figure` (CUSTOMTREND; the trend screen object does the same): it
// takes the figure's name, colours and decimals (a drawn figure's), the font of the figure's
// window, and covers the figure whole, following its size, page and visibility. A chart made
// earlier for the same figure is destroyed. The figure's widget owns the new chart. Divisions
// below 1 become 1, sub-divisions below 0 become 0; a range given high-to-low is swapped and a
// range end that is not finite becomes 0.
TrendChart* CreateChart(screens::Figure& figure, const ChartSettings& settings);

// The chart a call acts on: the only chart when exactly one exists; otherwise the first chart
// of the current window whose figure name is the current figure's; null when none matches.
TrendChart* CurrentChart();

// The figure a chart was made for (its parent), or null.
screens::Figure* FigureOfChart(TrendChart& chart);

} // namespace trends
