// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendComponent.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"
#include "trends/TrendChart.h"
#include "trends/TrendObject.h"
#include "trends/TrendRegistry.h"

#include <chrono>

namespace trends {

std::uint32_t SystemTrendTime::TickCount() const {
    return platform::TickCount();
}

std::int64_t SystemTrendTime::UtcMilliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const SystemTrendTime& SystemTrendTime::Instance() {
    static const SystemTrendTime s_time;
    return s_time;
}

TrendComponent::TrendComponent(std::string_view registeredName, TrendObjectOptions options)
    : Component(registeredName, 145), m_options(std::move(options)) {}

TrendComponent::~TrendComponent() = default;

TrendChart* TrendComponent::Chart() const {
    return m_chart.data();
}

const TrendTime& TrendComponent::Time() const {
    return m_options.time != nullptr ? *m_options.time : SystemTrendTime::Instance();
}

void TrendComponent::Run() {
    if (DesignFlag())
        return;
    if (!m_started) {
        screens::Figure* figure = screens::CurrentFigure();
        if (figure == nullptr)
            return;
        m_started = true;
        FirstRun(*figure);
        return;
    }
    if (m_chart == nullptr)
        return;
    Cycle();
}

TrendChart* TrendComponent::MakeChart(screens::Figure& figure, std::string_view object,
                                      const TrendChartLook& look) {
    TrendChart* chart = CreateChart(figure, look);
    if (chart == nullptr) {
        platform::LogError("{} {}: its chart could not be made", object,
                           figure.Properties().componentName);
        return nullptr;
    }
    m_chart = chart;
    chart->SetRightBorderUnchecked(look.rightBorder);
    chart->SetGrid(look.grid);
    chart->SetDecimals(look.decimals);
    return chart;
}

bool TrendComponent::SampleDue(std::uint32_t periodMs) {
    if (periodMs > 0) {
        const std::uint32_t now = Time().TickCount();
        if (m_sampled && now - m_lastSampleTick < periodMs)
            return false;
        m_lastSampleTick = now;
    }
    m_sampled = true;
    return true;
}

bool TrendComponent::EnableVariableIsOn() const {
    screens::ScreenVariables* variables = screens::Globals().variables;
    return m_enable && variables != nullptr && screens::ReadNumber(*variables, *m_enable) != 0;
}

std::optional<HistorySample> TrendComponent::TakeDueSample(
    std::uint32_t periodMs,
    const std::function<const std::string&(std::size_t index)>& variableOf) {
    if (!m_anyPencil || !SampleDue(periodMs))
        return std::nullopt;
    HistorySample sample;
    sample.utcMilliseconds = Time().UtcMilliseconds();
    screens::ScreenVariables* variables = screens::Globals().variables;
    for (std::size_t i = 0; i < kHistoryValues; ++i) {
        const std::string& variable = variableOf(i);
        if (variable.empty())
            continue;
        std::optional<std::string> text;
        if (variables != nullptr)
            text = variables->Text(variable);
        if (const std::optional<double> value = text ? SampleNumber(*text) : std::nullopt) {
            sample.values[i] = *value;
            sample.setMask = static_cast<std::uint8_t>(sample.setMask | 1u << i);
            m_pencilWarned[i] = false;
        } else if (!m_pencilWarned[i]) {
            m_pencilWarned[i] = true;
            ReportGap(i, variable, text);
        }
    }
    return sample;
}

} // namespace trends
