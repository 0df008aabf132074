// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "screens/ClassData.h"
#include "trends/TrendComponent.h"

namespace trends {

// The date and time texts of a moment in local time, as the run-time's clock variables write
// them: the locale's short date ("dd/MM/yyyy" where the locale has none of its own) and
// "HH:mm:ss". A label under an X division is the date, CR LF and the time.
std::string TrendDateText(std::int64_t utcMilliseconds);
std::string TrendTimeText(std::int64_t utcMilliseconds);
std::string TrendLabel(std::int64_t utcMilliseconds);

// The time read-out between two division labels: the moment `offset` points after the left
// label, when `interX` points span from it to the right one, as "HH:mm:ss". The labels' times
// (after their LF) are taken with their dates when both dates read back, so that a division
// across midnight reads right; without dates a right time earlier than the left one is taken
// as the next day. Null when a label holds no time.
std::optional<std::string> ReadOutTime(std::string_view leftLabel, std::string_view rightLabel,
                                       int offset, double interX);

// A sampled variable's display text as a number: a decimal number, or "True"/"False" (any case)
// as 1 and 0, so that a Boolean plots as a step between 0 and 1. Null for any other text.
std::optional<double> SampleNumber(std::string_view text);

// The class data of a trend object, with the defaults of an object whose data is missing.
struct TrendObjectSettings : TrendChartLook {
    static constexpr std::size_t kPencils = kHistoryValues;
    static constexpr std::uint32_t kDefaultPeriodMs = 1000;

    // The chart's defaults of an object without data differ from the scrolling trend's in
    // 1 x 2 sub-divisions and a right border of 25 pixels.
    TrendObjectSettings() {
        subX = 1;
        subY = 2;
        rightBorder = 25;
    }

    bool timeReadOut = false;
    std::string timeVariable;
    bool valueReadOut = false;
    std::string valueVariable;
    bool enableOn = false;
    std::string enableVariable;
    // The period text as the file holds it, and what it gives: 0 samples every GUI cycle; a
    // text that is no whole number of 0 or more gives kDefaultPeriodMs.
    std::string periodText;
    std::uint32_t periodMs = kDefaultPeriodMs;
    std::array<std::string, kPencils> pencilVariables;
    std::array<std::uint32_t, kPencils> pencilColours{};
    bool highFromVariable = false;
    std::string highVariable;
    bool lowFromVariable = false;
    std::string lowVariable;
    std::string reportForm;
    std::string reportControl;
    // From the record's spare text, words separated by blanks or ";": "NOHISTORY" keeps this
    // object without a history file, "HISTORY=<n>" keeps its newest n samples.
    bool history = true;
    std::optional<std::size_t> historyBound;

    // Bit i set when pencil i + 1 has a variable.
    std::uint8_t PencilMask() const;
};

TrendObjectSettings DecodeTrendSettings(const screens::ClassData* data);

// The trend screen object: a recorder in place of its figure. Its first Run (not in design
// mode, where it does nothing) makes a trend chart over the figure with the object's
// divisions, range, right border, grid and decimals, gives each pencil with a variable its
// colour, opens the object's history file and plots the newest samples it holds. Every later
// Run:
// * follows the range ends from their variables (Integer or Real), when asked to;
// * takes a sample when sampling is not tied to a Boolean variable or that variable is true,
//   at most one per period: each pencil's variable is read as text and converted
//   (SampleNumber; a text that gives no number leaves a gap); the division labels get the
//   date and time of the samples (one at position 1 and at each multiple of the division
//   width I = round(InterX)); when the plot is full the chart scrolls left by one division and
//   the position goes back by I; the sample goes to the history file;
// * writes the time under the mouse (ReadOutTime) into the time variable when the mouse moved
//   or a sample came, and the value under the mouse into the value variable.
// Variables go by name through the screens' variables; unknown names switch their part off,
// with one log line. GUI thread; owned by its figure, which owns the chart.
class TCTrend : public TrendComponent {
public:
    explicit TCTrend(TrendObjectOptions options = {});
    ~TCTrend() override;

    void ReadData(const screens::ClassData* data) override;

    const TrendObjectSettings& Settings() const { return m_settings; }
    // The position the next sample goes to (1..NptX).
    int Position() const { return m_position; }
    // The history file recorded into; empty when the object keeps none.
    const std::string& HistoryPath() const { return m_historyPath; }
    const TrendHistory* History() const { return m_history.get(); }

private:
    void FirstRun(screens::Figure& figure) override;
    void Cycle() override;
    void ReportGap(std::size_t index, const std::string& variable,
                   const std::optional<std::string>& text) override;
    void OpenHistory(screens::Figure& figure);
    void FollowRange();
    bool SamplingEnabled();
    void TakeSample();
    void PlotSample(const HistorySample& sample);
    void ReadOut();
    void HandToReport();

    TrendObjectSettings m_settings;
    std::unique_ptr<TrendHistory> m_history;
    std::string m_historyPath;
    int m_position = 1;
    int m_lastMousePoint = -1;
    bool m_newSample = false;
    // The chart waits to be handed to its report screen's figure; the wait was logged.
    bool m_reportPending = false;
    bool m_reportMissingSaid = false;
    std::optional<screens::VariableBinding> m_high;
    std::optional<screens::VariableBinding> m_low;
    bool m_historyFailing = false;
    bool m_timeWarned = false;
    bool m_valueWarned = false;
};

} // namespace trends
