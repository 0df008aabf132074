// Quorva run-time. Licensed under the MIT licence.
#include "trends/TrendObject.h"
#include "trends/TrendReport.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "screens/ClassFields.h"
#include "screens/Figure.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"

namespace trends {
namespace {

constexpr std::int64_t kDayMs = 86400000;
// Range ends beyond this are taken for damaged data.
constexpr double kLargestRangeEnd = 1e15;
constexpr std::string_view kTimeFormat = "HH:mm:ss";

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A whole number of 0 or more, else null.
template <typename T> std::optional<T> WholeNumber(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::uint64_t LittleEndian(std::string_view bytes, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<std::uint8_t>(bytes[i]);
    return value;
}

std::int32_t Int32Field(const screens::ClassData* data, std::string_view name, std::int32_t fallback)
{
    const std::string bytes = screens::TextField(data, name);
    if (bytes.size() < 4)
        return fallback;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(bytes, 4)));
}

long double RangeField(const screens::ClassData* data, std::string_view name, long double fallback)
{
    const std::string bytes = screens::TextField(data, name);
    if (bytes.size() < 8)
        return fallback;
    const double value = std::bit_cast<double>(LittleEndian(bytes, 8));
    return std::isfinite(value) && std::fabs(value) <= kLargestRangeEnd ? value : fallback;
}

std::string NameField(const screens::ClassData* data, std::string_view name)
{
    return std::string(Trim(screens::TextField(data, name)));
}

QDateTime LocalTime(std::int64_t utcMilliseconds)
{
    return QDateTime::fromMSecsSinceEpoch(utcMilliseconds);
}

// The date formats a label's date is read back with: the locale's short one, then the one used
// where the locale has none.
std::optional<QDate> ParseDate(std::string_view text)
{
    const QString shown = QString::fromStdString(platform::CodePageToUtf8(Trim(text)));
    if (shown.isEmpty())
        return std::nullopt;
    const QLocale locale = QLocale::system();
    if (locale.language() != QLocale::C)
        if (QDate date = locale.toDate(shown, QLocale::ShortFormat); date.isValid())
            return date;
    if (QDate date = QDate::fromString(shown, QStringLiteral("dd/MM/yyyy")); date.isValid())
        return date;
    return std::nullopt;
}

std::optional<int> ParseTimeOfDay(std::string_view text)
{
    const QString shown = QString::fromStdString(std::string(Trim(text)));
    for (const char* format : {"HH:mm:ss", "H:mm:ss", "HH:mm", "H:mm"}) {
        const QTime time = QTime::fromString(shown, QString::fromLatin1(format));
        if (time.isValid())
            return time.msecsSinceStartOfDay();
    }
    return std::nullopt;
}

// A label's moment: its date (when it reads back) and the time after its LF.
struct LabelMoment {
    std::optional<QDate> date;
    int msOfDay = 0;
};

std::optional<LabelMoment> ParseLabel(std::string_view label)
{
    const std::size_t lf = label.find('\n');
    std::string_view datePart;
    std::string_view timePart = label;
    if (lf != std::string_view::npos) {
        datePart = label.substr(0, lf);
        if (!datePart.empty() && datePart.back() == '\r')
            datePart.remove_suffix(1);
        timePart = label.substr(lf + 1);
    }
    const std::optional<int> time = ParseTimeOfDay(timePart);
    if (!time)
        return std::nullopt;
    return LabelMoment{ParseDate(datePart), *time};
}

// A file-name part made of the characters every file system takes.
std::string FileNamePart(std::string_view name)
{
    std::string part;
    for (char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        part += plain ? c : '_';
    }
    return part;
}

void ReadOptions(std::string_view text, TrendObjectSettings& settings)
{
    const std::string upper = platform::UpperAscii(text);
    std::string_view rest = upper;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(" \t;");
        const std::string_view word = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (word.empty())
            continue;
        if (word == "NOHISTORY") {
            settings.history = false;
        } else if (word.starts_with("HISTORY=")) {
            if (auto bound = WholeNumber<std::size_t>(word.substr(8)))
                settings.historyBound = *bound;
            else
                platform::LogWarning("trend object: \"{}\" is no sample count; the history "
                                     "keeps its default bound",
                                     word);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Clocks, labels, numbers

std::string TrendDateText(std::int64_t utcMilliseconds)
{
    const QDate date = LocalTime(utcMilliseconds).date();
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return date.toString(QStringLiteral("dd/MM/yyyy")).toStdString();
    return platform::Utf8ToCodePage(locale.toString(date, QLocale::ShortFormat).toStdString());
}

std::string TrendTimeText(std::int64_t utcMilliseconds)
{
    return LocalTime(utcMilliseconds)
        .time()
        .toString(QString::fromLatin1(kTimeFormat.data(), kTimeFormat.size()))
        .toStdString();
}

std::string TrendLabel(std::int64_t utcMilliseconds)
{
    return TrendDateText(utcMilliseconds) + "\r\n" + TrendTimeText(utcMilliseconds);
}

std::optional<std::string> ReadOutTime(std::string_view leftLabel, std::string_view rightLabel,
                                       int offset, double interX)
{
    const std::optional<LabelMoment> left = ParseLabel(leftLabel);
    const std::optional<LabelMoment> right = ParseLabel(rightLabel);
    if (!left || !right || !(interX > 0))
        return std::nullopt;
    std::int64_t t0 = left->msOfDay;
    std::int64_t t1 = right->msOfDay;
    if (left->date && right->date) {
        t0 += left->date->toJulianDay() * kDayMs;
        t1 += right->date->toJulianDay() * kDayMs;
    } else if (t1 < t0) {
        t1 += kDayMs;
    }
    const double step = static_cast<double>(t1 - t0) / interX;
    const std::int64_t moment = t0 + std::llround(offset * step);
    const std::int64_t ofDay = ((moment % kDayMs) + kDayMs) % kDayMs;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ofDay))
        .toString(QString::fromLatin1(kTimeFormat.data(), kTimeFormat.size()))
        .toStdString();
}

std::optional<double> SampleNumber(std::string_view text)
{
    text = Trim(text);
    const std::string upper = platform::UpperAscii(text);
    if (upper == "TRUE")
        return 1.0;
    if (upper == "FALSE")
        return 0.0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

// ---------------------------------------------------------------------------------------------
// Settings

std::uint8_t TrendObjectSettings::PencilMask() const
{
    std::uint8_t mask = 0;
    for (std::size_t i = 0; i < kPencils; ++i)
        if (!pencilVariables[i].empty())
            mask = static_cast<std::uint8_t>(mask | 1u << i);
    return mask;
}

TrendObjectSettings DecodeTrendSettings(const screens::ClassData* data)
{
    TrendObjectSettings settings;
    settings.decimals = static_cast<int>(screens::NumberField(data, "b1", settings.decimals));
    settings.lowRangeY = RangeField(data, "r1", settings.lowRangeY);
    settings.highRangeY = RangeField(data, "r2", settings.highRangeY);
    settings.divX = Int32Field(data, "r3", settings.divX);
    settings.divY = Int32Field(data, "r4", settings.divY);
    settings.subX = Int32Field(data, "r5", settings.subX);
    settings.subY = Int32Field(data, "r6", settings.subY);
    settings.rightBorder = Int32Field(data, "r7", settings.rightBorder);

    settings.grid = screens::NumberField(data, "trend.b1") != 0;
    settings.timeReadOut = screens::NumberField(data, "trend.b3") != 0;
    settings.timeVariable = NameField(data, "trend.n1");
    settings.valueReadOut = screens::NumberField(data, "trend.b4") != 0;
    settings.valueVariable = NameField(data, "trend.n2");
    ReadOptions(screens::TextField(data, "trend.n3"), settings);
    settings.enableOn = screens::NumberField(data, "trend.b6") != 0;
    settings.enableVariable = NameField(data, "trend.n4");
    settings.periodText = NameField(data, "trend.n5");
    if (data != nullptr) {
        if (auto period = WholeNumber<std::uint32_t>(settings.periodText)) {
            settings.periodMs = *period;
        } else {
            platform::LogWarning("trend object: the period \"{}\" is no number of milliseconds; "
                                 "{} ms is taken",
                                 platform::CodePageToUtf8(settings.periodText),
                                 TrendObjectSettings::kDefaultPeriodMs);
        }
    }
    const std::string colours = screens::TextField(data, "trend.r1");
    for (std::size_t i = 0; i < TrendObjectSettings::kPencils; ++i) {
        settings.pencilVariables[i] = NameField(data, "trend.n" + std::to_string(6 + i));
        if (colours.size() >= 4 * (i + 1))
            settings.pencilColours[i] =
                static_cast<std::uint32_t>(LittleEndian(std::string_view(colours).substr(4 * i), 4));
    }
    settings.highFromVariable = screens::NumberField(data, "trend.b7") != 0;
    settings.highVariable = NameField(data, "trend.n14");
    settings.lowFromVariable = screens::NumberField(data, "trend.b8") != 0;
    settings.lowVariable = NameField(data, "trend.n15");
    settings.reportForm = NameField(data, "trend.n16");
    settings.reportControl = NameField(data, "trend.n17");
    return settings;
}

// ---------------------------------------------------------------------------------------------
// TCTrend

TCTrend::TCTrend(TrendObjectOptions options) : TrendComponent("TCTREND", std::move(options)) {}

TCTrend::~TCTrend() = default;

void TCTrend::ReadData(const screens::ClassData* data)
{
    Component::ReadData(data);
    m_settings = DecodeTrendSettings(data);
    screens::ApplyHintField(data);
}

void TCTrend::Cycle()
{
    FollowRange();
    if (SamplingEnabled())
        TakeSample();
    ReadOut();
    HandToReport();
}

void TCTrend::HandToReport()
{
    // Once, as soon as the report's screen is open: its figure then shows the chart, so that
    // printing that screen prints the trend.
    if (!m_reportPending)
        return;
    if (HandChartToReport(*m_chart, m_settings.reportForm, m_settings.reportControl)) {
        m_reportPending = false;
        return;
    }
    if (!m_reportMissingSaid) {
        m_reportMissingSaid = true;
        platform::LogInfo("trend {}: waiting for the report screen {} with its figure {}",
                          m_chart->FigureName(), platform::CodePageToUtf8(m_settings.reportForm),
                          platform::CodePageToUtf8(m_settings.reportControl));
    }
}

void TCTrend::FirstRun(screens::Figure& figure)
{
    const std::string& name = figure.Properties().componentName;
    TrendChart* chart = MakeChart(figure, "trend", m_settings);
    if (chart == nullptr)
        return;

    screens::ScreenVariables* variables = screens::Globals().variables;
    const auto resolve = [&](bool wanted, const std::string& variable, std::string_view role) {
        std::optional<screens::VariableBinding> binding;
        if (!wanted || variable.empty())
            return binding;
        if (variables != nullptr)
            binding = variables->Resolve(variable);
        if (!binding)
            platform::LogWarning("trend {}: no variable \"{}\" for its {}; that part is off", name,
                                 platform::CodePageToUtf8(variable), role);
        return binding;
    };
    m_high = resolve(m_settings.highFromVariable, m_settings.highVariable, "high range end");
    m_low = resolve(m_settings.lowFromVariable, m_settings.lowVariable, "low range end");
    m_enable = resolve(m_settings.enableOn, m_settings.enableVariable, "sampling switch");

    for (std::size_t i = 0; i < TrendObjectSettings::kPencils; ++i) {
        if (m_settings.pencilVariables[i].empty())
            continue;
        chart->SetPencilColour(static_cast<int>(i) + 1, m_settings.pencilColours[i]);
        m_anyPencil = true;
    }
    m_position = 1;
    m_reportPending = !m_settings.reportForm.empty() && !m_settings.reportControl.empty();
    OpenHistory(figure);
}

void TCTrend::OpenHistory(screens::Figure& figure)
{
    if (!Options().history || !m_settings.history || !m_anyPencil)
        return;
    const std::string& figureName = figure.Properties().componentName;
    // The run-time works in the project directory: without a directory of its own a project
    // keeps its trends beside its other files, as it keeps its alarm log.
    std::filesystem::path directory = Options().historyDirectory;
    if (directory.empty())
        directory = std::filesystem::path(screens::Globals().projectDirectory) / "Trends";
    if (figureName.empty()) {
        platform::LogWarning("trend without an object name: it keeps no history");
        return;
    }
    const screens::ScreenForm* window = screens::FormOf(figure.Widget());
    const std::string screenName = window != nullptr ? window->ScreenName() : std::string();
    const std::string path =
        (directory / (FileNamePart(screenName) + "_" + FileNamePart(figureName) + ".trh"))
            .string();

    HistoryIdentity identity;
    identity.pencilMask = m_settings.PencilMask();
    identity.periodMs = m_settings.periodMs;
    identity.namesHash = HashPencilNames(m_settings.pencilVariables);
    platform::Result<TrendHistory> opened = TrendHistory::Open(
        path, identity, m_settings.historyBound.value_or(Options().historyBound));
    if (!opened) {
        platform::LogWarning("trend {}: it keeps no history: {}", figureName, opened.Error());
        return;
    }
    m_history = std::make_unique<TrendHistory>(std::move(opened.Value()));
    m_historyPath = path;

    // The chart shows the newest samples again, as far as its plot holds them.
    const int room = std::max(0, m_chart->NptX() - 1);
    platform::Result<std::vector<HistorySample>> newest =
        m_history->ReadNewest(static_cast<std::size_t>(room));
    if (!newest) {
        platform::LogWarning("trend {}: its history cannot be read back: {}", figureName,
                             newest.Error());
        return;
    }
    for (const HistorySample& sample : newest.Value())
        PlotSample(sample);
    m_newSample = false;
}

void TCTrend::FollowRange()
{
    screens::ScreenVariables* variables = screens::Globals().variables;
    if (variables == nullptr)
        return;
    const auto read = [variables](const screens::VariableBinding& binding) {
        std::optional<long double> value;
        switch (binding.type) {
        case 4:
        case 5:
        case 7:
        case 20:
        case 24:
            value = screens::ReadNumber(*variables, binding);
            break;
        default:
            break;
        }
        if (value && !std::isfinite(*value))
            value.reset();
        return value;
    };
    if (m_high)
        if (const auto value = read(*m_high); value && *value != m_chart->HighRangeY())
            m_chart->SetHighRangeY(*value);
    if (m_low)
        if (const auto value = read(*m_low); value && *value != m_chart->LowRangeY())
            m_chart->SetLowRangeY(*value);
}

bool TCTrend::SamplingEnabled()
{
    return !m_settings.enableOn || EnableVariableIsOn();
}

void TCTrend::ReportGap(std::size_t index, const std::string& variable,
                        const std::optional<std::string>& text)
{
    platform::LogWarning(
        "trend {}: pencil {} left a gap: {}", m_chart->FigureName(), index + 1,
        text ? "the value \"" + platform::CodePageToUtf8(*text) + "\" of \"" +
                   platform::CodePageToUtf8(variable) + "\" is no number"
             : "there is no variable \"" + platform::CodePageToUtf8(variable) + "\"");
}

void TCTrend::TakeSample()
{
    const std::optional<HistorySample> taken = TakeDueSample(
        m_settings.periodMs,
        [this](std::size_t i) -> const std::string& { return m_settings.pencilVariables[i]; });
    if (!taken)
        return;
    const HistorySample& sample = *taken;
    PlotSample(sample);

    if (m_history == nullptr)
        return;
    if (platform::Status appended = m_history->Append(sample); !appended) {
        if (!m_historyFailing)
            platform::LogError("trend {}: a sample could not be recorded: {}",
                               m_chart->FigureName(), appended.Error());
        m_historyFailing = true;
    } else if (m_historyFailing) {
        m_historyFailing = false;
        platform::LogInfo("trend {}: samples are recorded again", m_chart->FigureName());
    }
}

void TCTrend::PlotSample(const HistorySample& sample)
{
    TrendChart& chart = *m_chart;
    // Unit code that cleared the labels starts the recording again from the left.
    if (chart.TextX(1).empty())
        m_position = 1;
    const int interval = std::max(1, static_cast<int>(std::lround(chart.InterX())));
    if (m_position == 1 || m_position % interval == 0) {
        const int index = m_position == 1 ? 1 : m_position / interval + 1;
        const std::string label = TrendLabel(sample.utcMilliseconds);
        if (chart.TextX(index) != label)
            chart.SetTextX(index, label);
    }
    // A full plot scrolls by one division; a plot made smaller meanwhile, by as many as needed.
    while (m_position >= chart.NptX() && m_position > interval) {
        chart.ShiftLeft();
        m_position -= interval;
    }
    for (std::size_t i = 0; i < TrendObjectSettings::kPencils; ++i)
        if ((sample.setMask >> i & 1) != 0 && !m_settings.pencilVariables[i].empty())
            chart.SetPoint(static_cast<int>(i) + 1, m_position,
                           static_cast<long double>(sample.values[i]));
    m_newSample = true;
    ++m_position;
}

void TCTrend::ReadOut()
{
    screens::ScreenVariables* variables = screens::Globals().variables;
    if (variables == nullptr)
        return;
    TrendChart& chart = *m_chart;
    if (m_settings.timeReadOut && !m_settings.timeVariable.empty()) {
        const int point = chart.MousePoint();
        if (point != m_lastMousePoint || m_newSample) {
            m_lastMousePoint = point;
            m_newSample = false;
            const int interval = std::max(1, static_cast<int>(std::lround(chart.InterX())));
            const std::string left = point >= 0 ? chart.TextX(point / interval + 1) : "";
            const std::string right = point >= 0 ? chart.TextX(point / interval + 2) : "";
            const double interX = chart.InterX() > 0 ? chart.InterX() : interval;
            if (!left.empty() && !right.empty())
                if (auto time = ReadOutTime(left, right, point % interval, interX))
                    if (!variables->SetText(m_settings.timeVariable, *time) && !m_timeWarned) {
                        m_timeWarned = true;
                        platform::LogWarning("trend {}: the time read-out cannot be written into "
                                             "\"{}\"",
                                             chart.FigureName(),
                                             platform::CodePageToUtf8(m_settings.timeVariable));
                    }
        }
    }
    if (m_settings.valueReadOut && !m_settings.valueVariable.empty()) {
        const std::string value = fmt::format("{}", static_cast<double>(chart.MouseValue()));
        if (!variables->SetText(m_settings.valueVariable, value) && !m_valueWarned) {
            m_valueWarned = true;
            platform::LogWarning("trend {}: the value read-out cannot be written into \"{}\"",
                                 chart.FigureName(),
                                 platform::CodePageToUtf8(m_settings.valueVariable));
        }
    }
}

} // namespace trends
