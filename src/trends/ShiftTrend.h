// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "screens/ClassData.h"
#include "trends/TrendComponent.h"

namespace trends {

// The scrolling trend's settings as this run-time reads its 1251-byte block (little-endian; a
// fixed string is a length byte and that many slots, the length cut to the slots):
//
//   offset  size  field
//        0    10  low end of the Y range (extended real)
//       10    10  high end of the Y range (extended real)
//       20     4  sampling period in ms (int32; 0: 1000; kept within 1 .. 86 400 000)
//       24     4  X divisions (int32; 0: 4; kept within 1 .. 100)
//       28     4  Y divisions (int32; 0: 5; kept within 1 .. 100)
//       32     4  X sub-divisions (int32; kept within 0 .. 20)
//       36     4  Y sub-divisions (int32; kept within 0 .. 20)
//       40     4  decimals of the Y labels (int32; kept within 0 .. 10)
//       44     4  right border in pixels (int32; 0: 10; kept within 2 .. 100)
//       48     1  grid: non-zero draws the full grid
//       49     1  no time labels: non-zero leaves the X divisions without date and time
//       50     1  enable on: non-zero samples only while the enable variable is true
//       51   101  enable variable (fixed string of 100)
//      152   920  8 pencils of 115 bytes: variable (fixed string of 100), colour (int32),
//                 coefficient (extended real; 0 or not finite: 1)
//     1072   179  reserved (editor data, not read)
//
// A range whose ends are not finite, beyond 1e15, or equal, is 0 .. 100. A block shorter than
// 1251 bytes reads as all zero: no pencils, the defaults above.
struct ShiftTrendPencil {
    std::string variable;
    std::uint32_t colour = 0;
    long double coefficient = 1;
};

struct ShiftTrendSettings : TrendChartLook {
    static constexpr std::size_t kBlockSize = 1251;
    static constexpr std::size_t kPencils = kHistoryValues;

    std::uint32_t periodMs = 1000;
    bool timeLabels = true;
    bool enableOn = false;
    std::string enableVariable;
    std::array<ShiftTrendPencil, kPencils> pencils;
};

ShiftTrendSettings DecodeShiftTrendSettings(std::string_view block);

// The scrolling trend: a strip chart in place of its figure, drawn through a trend chart so
// that the T... functions of unit code reach it as well. Its first Run makes the chart with the
// settings' divisions, range, border, grid and decimals and gives each pencil with a variable its
// colour and coefficient. Every later Run takes a sample once per period (while the enable
// variable is true, when one is asked for): the pencils' variables are read as text and
// converted (SampleNumber; a text that is no number leaves a gap). Samples fill the plot one
// point each from the left; once it is full every new sample moves the curves left by one
// point, so the newest sample is always at the right edge. Each X division is labelled with the
// date and time of the sample at its column. No history file. GUI thread; owned by its figure,
// which owns the chart.
class TCShTrend : public TrendComponent {
public:
    explicit TCShTrend(TrendObjectOptions options = {});
    ~TCShTrend() override;

    void ReadData(const screens::ClassData* data) override;

    // The block as read (1251 bytes; zeros when the file ended before it) and its reading.
    const std::string& SettingsBlock() const { return m_block; }
    const ShiftTrendSettings& Settings() const { return m_settings; }
    // The samples shown, oldest first (at most the plot's width).
    const std::deque<HistorySample>& Samples() const { return m_samples; }

private:
    void FirstRun(screens::Figure& figure) override;
    void Cycle() override;
    void ReportGap(std::size_t index, const std::string& variable,
                   const std::optional<std::string>& text) override;
    bool SamplingEnabled();
    void TakeSample();
    void Redraw();
    void Label();

    std::string m_block;
    ShiftTrendSettings m_settings;
    std::deque<HistorySample> m_samples;
    std::size_t m_width = 0; // the plot's width at the last sample
};

} // namespace trends
