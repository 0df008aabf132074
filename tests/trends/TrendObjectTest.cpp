// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QMouseEvent>

#include "TestSupport.h"
#include "platform/Extended.h"
#include "screens/ClassDataSupport.h"
#include "screens/ClassLayouts.h"
#include "screens/ClassRegistry.h"
#include "screens/FigureTestSupport.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TestVariables.h"
#include "trends/ShiftTrend.h"
#include "trends/TrendChart.h"
#include "trends/TrendClasses.h"
#include "trends/TrendObject.h"

namespace {

using screens::testing::DataOf;
using screens::testing::Field;

// Both clocks of the objects, moved by the test.
class TestTrendTime final : public trends::TrendTime {
public:
    std::uint32_t TickCount() const override { return tick; }
    std::int64_t UtcMilliseconds() const override { return utc; }
    void Advance(std::int64_t ms)
    {
        tick += static_cast<std::uint32_t>(ms);
        utc += ms;
    }

    std::uint32_t tick = 0;
    std::int64_t utc = 1765270800000; // 2025-12-09 09:00:00 UTC
};

std::string ObjectInt32Bytes(std::int32_t value)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

std::string ObjectDoubleBytes(double value)
{
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

std::string ObjectExtendedBytes(long double value)
{
    const platform::ExtendedBytes bytes = platform::ToExtended(value);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// TCTREND data as the editor writes it: range 0..100, 4 x 5 divisions, border 25, the period
// text, LEVEL on pencil 1 (red) and PUMP on pencil 2 (green).
screens::ClassData TrendData(const std::string& period)
{
    screens::ClassData data = DataOf("TCTREND");
    Field(data, "r1").bytes = ObjectDoubleBytes(0);
    Field(data, "r2").bytes = ObjectDoubleBytes(100);
    Field(data, "r3").bytes = ObjectInt32Bytes(4);
    Field(data, "r4").bytes = ObjectInt32Bytes(5);
    Field(data, "r5").bytes = ObjectInt32Bytes(1);
    Field(data, "r6").bytes = ObjectInt32Bytes(2);
    Field(data, "r7").bytes = ObjectInt32Bytes(25);
    Field(data, "trend.n5").bytes = period;
    Field(data, "trend.n6").bytes = "LEVEL";
    Field(data, "trend.n7").bytes = "PUMP";
    Field(data, "trend.r1").bytes = ObjectInt32Bytes(0x0000FF) + ObjectInt32Bytes(0x00FF00) + std::string(24, '\0');
    return data;
}

class TrendObjects : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screens::Globals().variables = &m_variables;
        m_form.SetScreenName("MAIN");
        m_form.resize(900, 500);
        m_form.Client();
        m_form.show();
        m_variables.Add("LEVEL", 5);
        m_variables.Add("PUMP", 3);
        m_variables.Add("TEXT", 9);
        m_variables.Add("RUN", 3);
        m_variables.Add("TOP", 4);
        m_variables.Add("BOTTOM", 5);
        m_variables.Add("TIMEAT", 9);
        m_variables.Add("VALUEAT", 5);
        m_options.time = &m_time;
        m_options.historyDirectory = (m_dir / "Trends").string();
    }
    void TearDown() override
    {
        delete m_placeholder.data();
        screens::Globals().Reset();
    }

    // A trend on a window placeholder, loaded from `data` and run once (its first run).
    template <class T> T* Make(const screens::ClassData& data, int width = 500, int height = 200)
    {
        return MakeFrom<T>(&data, width, height);
    }
    template <class T> T* MakeFrom(const screens::ClassData* data, int width = 500, int height = 200)
    {
        delete m_placeholder.data();
        m_placeholder =
            figuretest::MakePlaceholder(m_form, 10, 10, 10 + width, 10 + height, "TCTREND", "TREND1");
        m_placeholder->AttachScreenObject(std::make_unique<T>(m_options));
        T* trend = screens::ScreenObjectOf<T>(m_placeholder.data());
        trend->ReadData(data);
        trend->Run();
        return trend;
    }

    // Makes the plot exactly `points` wide.
    void SetPlotWidth(trends::TrendChart& chart, int points)
    {
        m_placeholder->resize(points + chart.LeftMargin() + chart.RightBorder(),
                              m_placeholder->height());
        ASSERT_EQ(chart.NptX(), points);
    }

    // `count` GUI cycles of `ms` each; `before` runs at the start of each.
    template <class T, class F> void Cycles(T& trend, int count, int ms, F before)
    {
        for (int i = 0; i < count; ++i) {
            m_time.Advance(ms);
            before(i);
            screens::SetCurrentFigure(m_placeholder.data());
            trend.Run();
        }
    }

    static int SetPoints(const trends::TrendChart& chart, int pencil)
    {
        int count = 0;
        for (int x = 1; x <= chart.NptX(); ++x)
            count += chart.Point(pencil, x) && chart.Point(pencil, x)->set ? 1 : 0;
        return count;
    }

    static double ValueAt(const trends::TrendChart& chart, int pencil, int x)
    {
        const auto point = chart.Point(pencil, x);
        return point && point->set ? static_cast<double>(point->value) : -1;
    }

    testsupport::TempDir m_dir;
    screens::ScreenForm m_form;
    screens::testing::TestVariables m_variables;
    TestTrendTime m_time;
    trends::TrendObjectOptions m_options;
    QPointer<screens::TSimple> m_placeholder;
};

} // namespace

TEST(TrendObjectData, ReadsTheClassDataAndFallsBackWhereItIsMissingOrWrong)
{
    screens::ClassData data = TrendData("500");
    Field(data, "b1").number = 2;
    Field(data, "r1").bytes = ObjectDoubleBytes(-10);
    Field(data, "r2").bytes = ObjectDoubleBytes(std::nan(""));
    Field(data, "trend.b1").number = 1;
    Field(data, "trend.b3").number = 1;
    Field(data, "trend.n1").bytes = " TIMEAT ";
    Field(data, "trend.n3").bytes = "nohistory; History=500";
    Field(data, "trend.n17").bytes = "CTRL";
    trends::TrendObjectSettings settings = trends::DecodeTrendSettings(&data);
    EXPECT_EQ(settings.decimals, 2);
    EXPECT_EQ(settings.lowRangeY, -10);
    EXPECT_EQ(settings.highRangeY, 100) << "a range end that is no number keeps its default";
    EXPECT_EQ(settings.divX, 4);
    EXPECT_EQ(settings.rightBorder, 25);
    EXPECT_TRUE(settings.grid);
    EXPECT_TRUE(settings.timeReadOut);
    EXPECT_EQ(settings.timeVariable, "TIMEAT");
    EXPECT_EQ(settings.periodMs, 500u);
    EXPECT_EQ(settings.pencilVariables[1], "PUMP");
    EXPECT_EQ(settings.pencilColours[0], 0x0000FFu);
    EXPECT_EQ(settings.PencilMask(), 0x03);
    EXPECT_FALSE(settings.history);
    EXPECT_EQ(settings.historyBound, 500u);
    EXPECT_EQ(settings.reportControl, "CTRL");

    for (const char* wrong : {"", "abc", "-5", "99999999999"})
        EXPECT_EQ(trends::DecodeTrendSettings(&(data = TrendData(wrong))).periodMs, 1000u) << wrong;
    EXPECT_EQ(trends::DecodeTrendSettings(&(data = TrendData(" 0 "))).periodMs, 0u);

    // No data, or data cut short by a damaged file: the defaults.
    const trends::TrendObjectSettings none = trends::DecodeTrendSettings(nullptr);
    EXPECT_EQ(none.lowRangeY, 0);
    EXPECT_EQ(none.highRangeY, 100);
    EXPECT_EQ(none.divY, 5);
    EXPECT_EQ(none.subX, 1);
    EXPECT_EQ(none.subY, 2);
    EXPECT_EQ(none.periodMs, 1000u);
    EXPECT_EQ(none.PencilMask(), 0);
    screens::ClassData cut = TrendData("0");
    cut.values.resize(4);
    const trends::TrendObjectSettings shortened = trends::DecodeTrendSettings(&cut);
    EXPECT_EQ(shortened.divX, 4);
    EXPECT_EQ(shortened.divY, 5);
    EXPECT_EQ(shortened.PencilMask(), 0);

    // Sampled texts: numbers, and Booleans as 0 and 1; anything else is no sample.
    EXPECT_EQ(trends::SampleNumber(" 12.5 "), 12.5);
    EXPECT_EQ(trends::SampleNumber("+3"), 3);
    EXPECT_EQ(trends::SampleNumber("True"), 1);
    EXPECT_EQ(trends::SampleNumber("false"), 0);
    EXPECT_FALSE(trends::SampleNumber("12 l"));
    EXPECT_FALSE(trends::SampleNumber(""));
    EXPECT_FALSE(trends::SampleNumber("nan"));
}

TEST_F(TrendObjects, SamplesOncePerPeriodOrOncePerCycle)
{
    trends::TCTrend* trend = Make<trends::TCTrend>(TrendData("1000"));
    trends::TrendChart* chart = trend->Chart();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->HasBuffer(1));
    EXPECT_TRUE(chart->HasBuffer(2));
    EXPECT_FALSE(chart->HasBuffer(3));
    EXPECT_EQ(chart->PencilColour(1), 0x0000FFu);
    EXPECT_EQ(chart->RightBorder(), 25);
    // The first run only makes the chart.
    EXPECT_EQ(SetPoints(*chart, 1), 0);

    // Ten seconds of a 10 ms cycle: ten points, one a second, each the level at its moment.
    Cycles(*trend, 1000, 10, [&](int i) {
        m_variables.SetReal("LEVEL", i);
        m_variables.SetBoolean("PUMP", i >= 500);
    });
    EXPECT_EQ(SetPoints(*chart, 1), 10);
    EXPECT_EQ(ValueAt(*chart, 1, 1), 0);
    EXPECT_EQ(ValueAt(*chart, 1, 2), 100);
    EXPECT_EQ(ValueAt(*chart, 1, 10), 900);
    EXPECT_EQ(ValueAt(*chart, 2, 5), 0);
    EXPECT_EQ(ValueAt(*chart, 2, 6), 1) << "a Boolean plots as 1";
    EXPECT_EQ(trend->Position(), 11);

    // Period 0: a point every cycle. A text that is no number leaves a gap in its pencil only.
    screens::ClassData data = TrendData("0");
    Field(data, "trend.n7").bytes = "TEXT";
    trend = Make<trends::TCTrend>(data);
    m_variables.SetString("TEXT", "12.5");
    Cycles(*trend, 5, 10, [&](int i) {
        if (i == 2)
            m_variables.SetString("TEXT", "broken");
    });
    chart = trend->Chart();
    EXPECT_EQ(SetPoints(*chart, 1), 5);
    EXPECT_EQ(SetPoints(*chart, 2), 2);
    EXPECT_EQ(ValueAt(*chart, 2, 2), 12.5);
}

TEST_F(TrendObjects, LabelsTheDivisionsAndScrollsOneDivisionWhenThePlotIsFull)
{
    trends::TCTrend* trend = Make<trends::TCTrend>(TrendData("0"));
    trends::TrendChart& chart = *trend->Chart();
    SetPlotWidth(chart, 400);
    ASSERT_EQ(chart.InterX(), 100.0f);

    // Sample n (from 1) holds the level n, a second after sample n - 1.
    std::vector<std::int64_t> times{0};
    Cycles(*trend, 399, 1000, [&](int i) {
        m_variables.SetReal("LEVEL", i + 1);
        times.push_back(m_time.utc);
    });
    EXPECT_EQ(chart.TextX(1), trends::TrendLabel(times[1]));
    EXPECT_EQ(chart.TextX(2), trends::TrendLabel(times[100]));
    EXPECT_EQ(chart.TextX(3), trends::TrendLabel(times[200]));
    EXPECT_EQ(chart.TextX(4), trends::TrendLabel(times[300]));
    EXPECT_EQ(chart.TextX(5), "");
    EXPECT_EQ(ValueAt(chart, 1, 399), 399);
    EXPECT_EQ(chart.TextLineCount(), 2) << "date and time take two lines";

    // Sample 400 is labelled at position 400, then everything moves left by one division and
    // the sample is plotted at position 300.
    Cycles(*trend, 1, 1000, [&](int) {
        m_variables.SetReal("LEVEL", 400);
        times.push_back(m_time.utc);
    });
    EXPECT_EQ(chart.TextX(1), trends::TrendLabel(times[100]));
    EXPECT_EQ(chart.TextX(3), trends::TrendLabel(times[300]));
    EXPECT_EQ(chart.TextX(4), trends::TrendLabel(times[400]));
    EXPECT_EQ(chart.TextX(5), "");
    EXPECT_EQ(ValueAt(chart, 1, 300), 400);
    EXPECT_EQ(ValueAt(chart, 1, 299), 399);
    EXPECT_EQ(ValueAt(chart, 1, 1), 101);
    EXPECT_EQ(ValueAt(chart, 1, 301), -1);
    EXPECT_EQ(trend->Position(), 301);

    // Labels cleared by unit code start the recording again from the left.
    for (int index = 1; index <= 5; ++index)
        chart.SetTextX(index, "");
    Cycles(*trend, 1, 1000, [&](int) { m_variables.SetReal("LEVEL", 7); });
    EXPECT_EQ(ValueAt(chart, 1, 1), 7);
    EXPECT_EQ(chart.TextX(1), trends::TrendLabel(m_time.utc));
    EXPECT_EQ(trend->Position(), 2);
}

TEST_F(TrendObjects, WritesTheTimeAndTheValueUnderTheMouse)
{
    EXPECT_EQ(trends::ReadOutTime("09/12/2026\r\n10:00:00", "09/12/2026\r\n10:01:40", 50, 100),
              "10:00:50");
    // Across midnight: by the dates when they read back, else the next day.
    EXPECT_EQ(trends::ReadOutTime("08/12/2026\r\n23:59:00", "09/12/2026\r\n00:00:40", 50, 100),
              "23:59:50");
    EXPECT_EQ(trends::ReadOutTime("23:59:00", "00:00:40", 75, 100), "00:00:15");
    EXPECT_FALSE(trends::ReadOutTime("09/12/2026\r\nlater", "10:00:00", 1, 100));
    EXPECT_FALSE(trends::ReadOutTime("10:00:00", "10:01:00", 1, 0));

    screens::ClassData data = TrendData("0");
    Field(data, "trend.b3").number = 1;
    Field(data, "trend.n1").bytes = "TIMEAT";
    Field(data, "trend.b4").number = 1;
    Field(data, "trend.n2").bytes = "VALUEAT";
    // Sampling hangs on a variable that does not exist: no sample changes the labels below.
    Field(data, "trend.b6").number = 1;
    Field(data, "trend.n4").bytes = "NOSUCH";
    trends::TCTrend* trend = Make<trends::TCTrend>(data);
    trends::TrendChart& chart = *trend->Chart();
    SetPlotWidth(chart, 400);
    chart.SetTextX(1, "09/12/2026\r\n10:00:00");
    chart.SetTextX(2, "09/12/2026\r\n10:01:40");

    const QPoint at(chart.LeftMargin() + 50, chart.TopMargin() + chart.NptY() / 4);
    QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    ASSERT_EQ(chart.MousePoint(), 50);
    Cycles(*trend, 1, 10, [](int) {});
    EXPECT_EQ(m_variables.String("TIMEAT"), "10:00:50");
    EXPECT_NEAR(static_cast<double>(m_variables.Number("VALUEAT")),
                static_cast<double>(chart.MouseValue()), 1e-9);
    EXPECT_GT(chart.MouseValue(), 50);
}

TEST_F(TrendObjects, FollowsItsRangeVariablesAndSamplesOnlyWhileEnabled)
{
    screens::ClassData data = TrendData("0");
    Field(data, "trend.b6").number = 1;
    Field(data, "trend.n4").bytes = "RUN";
    Field(data, "trend.b7").number = 1;
    Field(data, "trend.n14").bytes = "TOP";
    Field(data, "trend.b8").number = 1;
    Field(data, "trend.n15").bytes = "BOTTOM";
    m_variables.SetInteger("TOP", 250);
    m_variables.SetReal("BOTTOM", -5);
    trends::TCTrend* trend = Make<trends::TCTrend>(data);
    trends::TrendChart& chart = *trend->Chart();
    Cycles(*trend, 3, 10, [](int) {});
    EXPECT_EQ(SetPoints(chart, 1), 0);
    EXPECT_EQ(chart.HighRangeY(), 250);
    EXPECT_EQ(chart.LowRangeY(), -5);

    m_variables.SetBoolean("RUN", true);
    m_variables.SetReal("BOTTOM", 400); // above the high end: the ends swap
    Cycles(*trend, 3, 10, [](int) {});
    EXPECT_EQ(SetPoints(chart, 1), 3);
    EXPECT_EQ(chart.LowRangeY(), 250);
    EXPECT_EQ(chart.HighRangeY(), 400);

    // An enable variable that does not exist switches the sampling off, nothing else. (The
    // new object shows the three samples again from its history.)
    Field(data, "trend.n4").bytes = "NOSUCH";
    trend = Make<trends::TCTrend>(data);
    Cycles(*trend, 3, 10, [](int) {});
    EXPECT_EQ(SetPoints(*trend->Chart(), 1), 3);
    EXPECT_EQ(trend->History()->RecordCount(), 3u);
}

TEST_F(TrendObjects, AHistoryFileBringsTheLastSpanBackAfterARestart)
{
    trends::TCTrend* trend = Make<trends::TCTrend>(TrendData("1000"));
    SetPlotWidth(*trend->Chart(), 400);
    const std::filesystem::path file = m_dir / "Trends" / "MAIN_TREND1.trh";
    EXPECT_EQ(trend->HistoryPath(), file.string());
    std::vector<std::int64_t> times;
    // 450 samples: more than the plot holds; level n for sample n, the pump on for odd n.
    Cycles(*trend, 450, 1000, [&](int i) {
        m_variables.SetReal("LEVEL", i + 1);
        m_variables.SetBoolean("PUMP", i % 2 == 0);
        times.push_back(m_time.utc);
    });
    ASSERT_NE(trend->History(), nullptr);
    EXPECT_EQ(trend->History()->RecordCount(), 450u);

    // A restart: the object and its chart go, a new one is made for the same figure. Its chart
    // shows the newest samples that fit, ending where the old one ended.
    trend = Make<trends::TCTrend>(TrendData("1000"));
    trends::TrendChart& chart = *trend->Chart();
    const int width = chart.NptX();
    const int shown = trend->Position() - 1;
    ASSERT_GT(shown, 0);
    EXPECT_LE(shown, width - 1);
    EXPECT_EQ(ValueAt(chart, 1, shown), 450);
    EXPECT_EQ(ValueAt(chart, 2, shown), 0);
    EXPECT_EQ(ValueAt(chart, 2, shown - 1), 1);
    EXPECT_FALSE(chart.TextX(1).empty());
    // New samples go on after the old ones, in the chart and in the file.
    Cycles(*trend, 1, 1000, [&](int) { m_variables.SetReal("LEVEL", 451); });
    EXPECT_EQ(ValueAt(chart, 1, trend->Position() - 1), 451);
    EXPECT_EQ(ValueAt(chart, 1, trend->Position() - 2), 450);
    EXPECT_EQ(trend->History()->RecordCount(), 451u);

    // Another set of pencils starts afresh; the old samples are kept aside.
    screens::ClassData other = TrendData("1000");
    Field(other, "trend.n7").bytes = "TEXT";
    trend = Make<trends::TCTrend>(other);
    EXPECT_EQ(trend->History()->RecordCount(), 0u);
    EXPECT_EQ(SetPoints(*trend->Chart(), 1), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "Trends"),
                            std::filesystem::directory_iterator()),
              2);

    // The object's own bound, and an object that keeps no history.
    screens::ClassData bounded = TrendData("0");
    Field(bounded, "trend.n3").bytes = "HISTORY=16";
    trend = Make<trends::TCTrend>(bounded);
    Cycles(*trend, 40, 10, [](int) {});
    EXPECT_EQ(trend->History()->Bound(), 16u);
    EXPECT_LE(trend->History()->RecordCount(), 32u);
    screens::ClassData without = TrendData("0");
    Field(without, "trend.n3").bytes = "NOHISTORY";
    trend = Make<trends::TCTrend>(without);
    EXPECT_EQ(trend->History(), nullptr);
    EXPECT_TRUE(trend->HistoryPath().empty());
}

TEST_F(TrendObjects, AScrollingTrendReadsItsBlockAndScrollsOnePointASample)
{
    // A block the file ended before: all zero, the defaults, no pencil.
    const trends::ShiftTrendSettings zero = trends::DecodeShiftTrendSettings(std::string(1250, 'x'));
    EXPECT_EQ(zero.periodMs, 1000u);
    EXPECT_EQ(zero.divX, 4);
    EXPECT_EQ(zero.highRangeY, 100);
    EXPECT_TRUE(zero.timeLabels);
    for (const trends::ShiftTrendPencil& pencil : zero.pencils)
        EXPECT_TRUE(pencil.variable.empty());
    screens::ClassData cut = DataOf("TCShTrend");
    Field(cut, "settings").bytes = std::string(300, '\x7F');
    trends::TCShTrend* idle = Make<trends::TCShTrend>(cut);
    EXPECT_EQ(idle->SettingsBlock(), std::string(1251, '\0'));
    ASSERT_NE(idle->Chart(), nullptr);
    Cycles(*idle, 3, 1000, [](int) {});
    EXPECT_TRUE(idle->Samples().empty());

    // A whole block: range -50..50, period 100 ms, two divisions, LEVEL on pencil 1 (doubled), a
    // name longer than its slots cut to them.
    std::string block(1251, '\0');
    block.replace(0, 10, ObjectExtendedBytes(50));
    block.replace(10, 10, ObjectExtendedBytes(-50));
    block.replace(20, 4, ObjectInt32Bytes(100));
    block.replace(24, 4, ObjectInt32Bytes(2));
    block[152] = 5;
    block.replace(153, 5, "LEVEL");
    block.replace(253, 4, ObjectInt32Bytes(0x0000FF));
    block.replace(257, 10, ObjectExtendedBytes(2));
    block[152 + 115] = static_cast<char>(200);
    block.replace(153 + 115, 100, std::string(100, 'A'));
    const trends::ShiftTrendSettings settings = trends::DecodeShiftTrendSettings(block);
    EXPECT_EQ(settings.lowRangeY, -50);
    EXPECT_EQ(settings.highRangeY, 50);
    EXPECT_EQ(settings.periodMs, 100u);
    EXPECT_EQ(settings.pencils[0].variable, "LEVEL");
    EXPECT_EQ(settings.pencils[0].colour, 0x0000FFu);
    EXPECT_EQ(settings.pencils[0].coefficient, 2);
    EXPECT_EQ(settings.pencils[1].variable.size(), 100u);

    block.replace(152 + 115, 115, std::string(115, '\0'));
    screens::ClassData data = DataOf("TCShTrend");
    Field(data, "settings").bytes = block;
    trends::TCShTrend* trend = Make<trends::TCShTrend>(data);
    trends::TrendChart& chart = *trend->Chart();
    SetPlotWidth(chart, 50);
    EXPECT_EQ(chart.Coefficient(1), 2);
    // 55 samples of 100 ms: the plot is full after 50, and five more move it left by five.
    Cycles(*trend, 55, 100, [&](int i) { m_variables.SetReal("LEVEL", i + 1); });
    ASSERT_EQ(trend->Samples().size(), 50u);
    EXPECT_EQ(ValueAt(chart, 1, 1), 6);
    EXPECT_EQ(ValueAt(chart, 1, 50), 55);
    EXPECT_EQ(chart.TextX(1), trends::TrendLabel(trend->Samples().front().utcMilliseconds));
    EXPECT_EQ(chart.TextX(3), trends::TrendLabel(trend->Samples().back().utcMilliseconds));
}

TEST_F(TrendObjects, MissingCutOrForeignDataStillMakesARecorderWithItsDefaults)
{
    screens::ClassData half = TrendData("0");
    half.values.resize(half.values.size() / 2);
    screens::ClassData shortBlock = DataOf("TCShTrend");
    shortBlock.values.resize(1);
    const screens::ClassData foreign = DataOf("PageControl");
    const std::vector<const screens::ClassData*> cases{nullptr, &half, &shortBlock, &foreign};
    for (const screens::ClassData* data : cases) {
        trends::TCTrend* trend = MakeFrom<trends::TCTrend>(data);
        ASSERT_NE(trend->Chart(), nullptr);
        EXPECT_EQ(trend->Chart()->DivX(), 4);
        EXPECT_EQ(trend->Chart()->HighRangeY(), 100);
        Cycles(*trend, 3, 1000, [](int) {});
        EXPECT_EQ(trend->History(), nullptr) << "no pencil, nothing to record";

        trends::TCShTrend* shifting = MakeFrom<trends::TCShTrend>(data);
        ASSERT_NE(shifting->Chart(), nullptr);
        EXPECT_EQ(shifting->SettingsBlock(), std::string(1251, '\0'));
        Cycles(*shifting, 3, 1000, [](int) {});
        EXPECT_TRUE(shifting->Samples().empty());
    }
}

TEST(TrendClasses, RegisterBothTrendObjectsAfterTheStandardClasses)
{
    screens::ClassRegistry registry;
    screens::RegisterStandardClasses(registry);
    EXPECT_EQ(registry.FindScreenClass("TCTREND"), nullptr);
    const std::size_t standard = registry.Entries().size();
    trends::RegisterTrendClasses(registry);
    trends::RegisterTrendClasses(registry); // a second call adds nothing
    const screens::ScreenClassEntry* trend = registry.FindScreenClass("tctrend");
    const screens::ScreenClassEntry* shifting = registry.FindScreenClass("TCSHTREND");
    ASSERT_NE(trend, nullptr);
    ASSERT_NE(shifting, nullptr);
    EXPECT_EQ(trend->kind, 145);
    EXPECT_EQ(shifting->kind, 145);
    EXPECT_EQ(registry.Entries().size(), standard + 2);
    EXPECT_NE(dynamic_cast<trends::TCTrend*>(trend->factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<trends::TCShTrend*>(shifting->factory().get()), nullptr);
    // With the trend objects every class a screen file can carry data for has a class.
    for (const screens::ClassLayout& layout : screens::ClassLayouts()) {
        const screens::ScreenClassEntry* entry = registry.FindScreenClass(layout.name.substr(0, 10));
        ASSERT_NE(entry, nullptr) << layout.name;
        EXPECT_TRUE(screens::SameNameIgnoringCase(entry->name, layout.name)) << layout.name;
    }
}
