// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/Component.h"
#include "screens/ScreenVariables.h"
#include "trends/TrendHistory.h"
#include "trends/TrendRegistry.h"

#include <QPointer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace screens {
class Figure;
} // namespace screens

namespace trends {

class TrendChart;

// The clocks a trend object reads: a millisecond tick count for its sampling period (monotonic,
// wrapping like a 32-bit tick count) and the wall clock (UTC milliseconds since 1970) for the
// date and time of its samples. Tests give their own.
class TrendTime {
public:
    virtual ~TrendTime() = default;
    virtual std::uint32_t TickCount() const = 0;
    virtual std::int64_t UtcMilliseconds() const = 0;
};

// The machine's clocks. Any thread.
class SystemTrendTime final : public TrendTime {
public:
    std::uint32_t TickCount() const override;
    std::int64_t UtcMilliseconds() const override;
    static const SystemTrendTime& Instance();
};

// How the trend classes are made: their clocks and the history files of TCTREND. `time` must
// outlive every object made with it (null: the machine's clocks).
struct TrendObjectOptions {
    const TrendTime* time = nullptr;
    bool history = true;
    std::size_t historyBound = TrendHistory::kDefaultBound;
    // Where the history files go; empty: "Trends" in the project directory (the current
    // directory when the screens have none).
    std::string historyDirectory;
};

// What the settings of a trend object give its chart: the divisions and range it is made with,
// then the decimals of its Y labels, its right border in pixels and its grid. The defaults are
// the scrolling trend's: 4 x 5 divisions, no sub-divisions, 0 .. 100, a border of 10 pixels.
struct TrendChartLook : ChartSettings {
    TrendChartLook() {
        divX = 4;
        divY = 5;
    }

    int decimals = 0;
    int rightBorder = 10;
    bool grid = false;
};

// What the trend screen objects share: a chart made over their figure at the first Run, and
// samples of up to eight pencils taken once per period. Run does nothing in design mode (the
// figure stays as the editor shows it); its first call with a current figure calls FirstRun;
// every later call runs Cycle while the chart lasts (unit code that makes another chart over the
// figure stops the object). GUI thread; owned by its figure, which owns the chart.
class TrendComponent : public screens::Component {
public:
    ~TrendComponent() override;

    void Run() final;
    // The chart once made, else null.
    TrendChart* Chart() const;

protected:
    TrendComponent(std::string_view registeredName, TrendObjectOptions options);

    virtual void FirstRun(screens::Figure& figure) = 0;
    virtual void Cycle() = 0;

    const TrendObjectOptions& Options() const { return m_options; }
    const TrendTime& Time() const;

    // Makes the chart over `figure` with the divisions and range of `look`, then gives it the
    // right border (any width within 0..32767), grid and decimals, and keeps it. Null when it
    // cannot be made, logged as "<object> <figure name>: its chart could not be made".
    TrendChart* MakeChart(screens::Figure& figure, std::string_view object,
                          const TrendChartLook& look);

    // A sample of now, when one is due: some pencil has a variable (m_anyPencil) and `periodMs`
    // ticks have passed since the last sample (the first at once; a period of 0: at every
    // call). Each pencil with a variable (`variableOf` a pencil index) reads it as text, converted
    // by SampleNumber; a text that gives no number, or no such variable, leaves a gap, and the
    // first gap of a run of them goes to ReportGap (`text` null: there is no such variable).
    std::optional<HistorySample>
    TakeDueSample(std::uint32_t periodMs,
                  const std::function<const std::string&(std::size_t index)>& variableOf);
    virtual void ReportGap(std::size_t index, const std::string& variable,
                           const std::optional<std::string>& text) = 0;

    // Whether the variable that switches sampling (m_enable) reads true: false without it or
    // without the screens' variables.
    bool EnableVariableIsOn() const;

    QPointer<TrendChart> m_chart;
    std::optional<screens::VariableBinding> m_enable;
    // Some pencil has a variable: without one nothing is sampled.
    bool m_anyPencil = false;

private:
    bool SampleDue(std::uint32_t periodMs);

    TrendObjectOptions m_options;
    bool m_started = false;
    bool m_sampled = false;
    std::uint32_t m_lastSampleTick = 0;
    std::array<bool, kHistoryValues> m_pencilWarned{};
};

} // namespace trends
