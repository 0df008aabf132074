// Quorva run-time. Licensed under the MIT licence.
#include "trends/ShiftTrend.h"

#include <algorithm>
#include <cmath>

#include "platform/CodePage.h"
#include "platform/Extended.h"
#include "platform/Log.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/ScreenGlobals.h"
#include "trends/TrendChart.h"
#include "trends/TrendObject.h"
#include "trends/TrendRegistry.h"

namespace trends {
namespace {

constexpr std::size_t kEnableVariableAt = 51;
constexpr std::size_t kPencilsAt = 152;
constexpr std::size_t kPencilSize = 115;
constexpr std::size_t kNameSlots = 100;
constexpr long double kLargestRangeEnd = 1e15L;
constexpr std::int32_t kLongestPeriodMs = 86400000;

std::int32_t Int32At(std::string_view block, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<std::uint8_t>(block[at + i]);
    return static_cast<std::int32_t>(value);
}

std::optional<long double> ExtendedAt(std::string_view block, std::size_t at)
{
    const long double value = platform::FromExtended(block.data() + at);
    if (!std::isfinite(value) || std::fabs(value) > kLargestRangeEnd)
        return std::nullopt;
    return value;
}

std::string FixedStringAt(std::string_view block, std::size_t at, std::size_t slots)
{
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::uint8_t>(block[at]), slots);
    std::string_view text = block.substr(at + 1, length);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return std::string(text);
}

// A count field: `fallback` for 0, else kept within the limits.
int CountAt(std::string_view block, std::size_t at, int fallback, int low, int high)
{
    const std::int32_t value = Int32At(block, at);
    return value == 0 ? fallback : std::clamp(value, low, high);
}

} // namespace

ShiftTrendSettings DecodeShiftTrendSettings(std::string_view block)
{
    ShiftTrendSettings settings;
    // The short-read rule: a block that is not whole counts as all zero.
    const std::string zeros(ShiftTrendSettings::kBlockSize, '\0');
    if (block.size() < ShiftTrendSettings::kBlockSize)
        block = zeros;

    const std::optional<long double> low = ExtendedAt(block, 0);
    const std::optional<long double> high = ExtendedAt(block, 10);
    if (low && high && *low != *high) {
        settings.lowRangeY = std::min(*low, *high);
        settings.highRangeY = std::max(*low, *high);
    }
    settings.periodMs = static_cast<std::uint32_t>(CountAt(block, 20, 1000, 1, kLongestPeriodMs));
    settings.divX = CountAt(block, 24, 4, 1, 100);
    settings.divY = CountAt(block, 28, 5, 1, 100);
    settings.subX = std::clamp(Int32At(block, 32), 0, 20);
    settings.subY = std::clamp(Int32At(block, 36), 0, 20);
    settings.decimals = std::clamp(Int32At(block, 40), 0, 10);
    settings.rightBorder = CountAt(block, 44, 10, 2, 100);
    settings.grid = block[48] != 0;
    settings.timeLabels = block[49] == 0;
    settings.enableOn = block[50] != 0;
    settings.enableVariable = FixedStringAt(block, kEnableVariableAt, kNameSlots);
    for (std::size_t i = 0; i < ShiftTrendSettings::kPencils; ++i) {
        const std::size_t at = kPencilsAt + i * kPencilSize;
        ShiftTrendPencil& pencil = settings.pencils[i];
        pencil.variable = FixedStringAt(block, at, kNameSlots);
        pencil.colour = static_cast<std::uint32_t>(Int32At(block, at + kNameSlots + 1));
        const std::optional<long double> coefficient = ExtendedAt(block, at + kNameSlots + 5);
        pencil.coefficient = coefficient && *coefficient != 0 ? *coefficient : 1.0L;
    }
    return settings;
}

TCShTrend::TCShTrend(TrendObjectOptions options)
    : TrendComponent("TCShTrend", std::move(options)),
      m_block(ShiftTrendSettings::kBlockSize, '\0'), m_settings(DecodeShiftTrendSettings(m_block))
{
}

TCShTrend::~TCShTrend() = default;

void TCShTrend::ReadData(const screens::ClassData* data)
{
    Component::ReadData(data);
    m_block = screens::TextField(data, "settings");
    if (m_block.size() != ShiftTrendSettings::kBlockSize)
        m_block.assign(ShiftTrendSettings::kBlockSize, '\0');
    m_settings = DecodeShiftTrendSettings(m_block);
    screens::ApplyHintField(data);
}

void TCShTrend::Cycle()
{
    if (SamplingEnabled())
        TakeSample();
}

void TCShTrend::FirstRun(screens::Figure& figure)
{
    // The decoded border is within the 2..100 pixels a chart's own border takes.
    TrendChart* chart = MakeChart(figure, "scrolling trend", m_settings);
    if (chart == nullptr)
        return;
    for (std::size_t i = 0; i < ShiftTrendSettings::kPencils; ++i) {
        const ShiftTrendPencil& pencil = m_settings.pencils[i];
        if (pencil.variable.empty())
            continue;
        chart->SetPencilColour(static_cast<int>(i) + 1, pencil.colour);
        chart->SetCoefficient(static_cast<int>(i) + 1, pencil.coefficient);
        m_anyPencil = true;
    }
    if (m_settings.enableOn && !m_settings.enableVariable.empty()) {
        if (screens::ScreenVariables* variables = screens::Globals().variables)
            m_enable = variables->Resolve(m_settings.enableVariable);
        if (!m_enable)
            platform::LogWarning("scrolling trend {}: no variable \"{}\" to switch its sampling; "
                                 "it samples nothing",
                                 chart->FigureName(),
                                 platform::CodePageToUtf8(m_settings.enableVariable));
    }
}

bool TCShTrend::SamplingEnabled()
{
    if (!m_settings.enableOn || m_settings.enableVariable.empty())
        return true;
    return EnableVariableIsOn();
}

void TCShTrend::ReportGap(std::size_t index, const std::string& variable,
                          const std::optional<std::string>&)
{
    platform::LogWarning("scrolling trend {}: pencil {} left a gap: \"{}\" gives no number",
                         m_chart->FigureName(), index + 1, platform::CodePageToUtf8(variable));
}

void TCShTrend::TakeSample()
{
    // The decoded period is at least 1 ms.
    const std::optional<HistorySample> taken = TakeDueSample(
        m_settings.periodMs,
        [this](std::size_t i) -> const std::string& { return m_settings.pencils[i].variable; });
    if (!taken)
        return;
    const HistorySample& sample = *taken;

    TrendChart& chart = *m_chart;
    const auto width = static_cast<std::size_t>(std::max(1, chart.NptX()));
    m_samples.push_back(sample);
    // A plot whose width changed since the last sample is drawn anew from the samples.
    const bool resized = m_width != 0 && m_width != width;
    m_width = width;
    if (m_samples.size() <= width && !resized) {
        // Room left: the new point joins the curve at the next column.
        const int x = static_cast<int>(m_samples.size());
        for (std::size_t i = 0; i < ShiftTrendSettings::kPencils; ++i)
            if ((sample.setMask >> i & 1) != 0)
                chart.SetPoint(static_cast<int>(i) + 1, x, sample.values[i]);
    } else {
        while (m_samples.size() > width)
            m_samples.pop_front();
        Redraw();
    }
    Label();
}

// Every point again, one column to the left of where it was: stored without drawing, then one
// full paint.
void TCShTrend::Redraw()
{
    TrendChart& chart = *m_chart;
    const bool shown = DisplayEnabled();
    SetDisplayEnabled(false);
    for (std::size_t i = 0; i < ShiftTrendSettings::kPencils; ++i) {
        if (m_settings.pencils[i].variable.empty())
            continue;
        const int pencil = static_cast<int>(i) + 1;
        chart.ResetPoints(pencil);
        int x = 1;
        for (const HistorySample& sample : m_samples) {
            if ((sample.setMask >> i & 1) != 0)
                chart.SetPoint(pencil, x, sample.values[i]);
            ++x;
        }
    }
    SetDisplayEnabled(shown);
    chart.Invalidate();
}

// Division k (1 .. DivX + 1) sits at column round((k - 1) x InterX), the first at column 1; it
// shows the date and time of the sample drawn there, nothing while no sample is.
void TCShTrend::Label()
{
    if (!m_settings.timeLabels)
        return;
    TrendChart& chart = *m_chart;
    for (int k = 1; k <= chart.DivX() + 1 && k <= kTextCount; ++k) {
        const int column =
            std::clamp(static_cast<int>(std::lround((k - 1) * static_cast<double>(chart.InterX()))),
                       1, std::max(1, chart.NptX()));
        const auto index = static_cast<std::size_t>(column - 1);
        const std::string label =
            index < m_samples.size() ? TrendLabel(m_samples[index].utcMilliseconds) : "";
        if (chart.TextX(k) != label)
            chart.SetTextX(k, label);
    }
}

} // namespace trends
