// Quorva run-time. Licensed under the MIT licence.
#include "runtime/TrendCommands.h"

#include "FigureRecords.h"
#include "UnitCallerRig.h"
#include "platform/Log.h"
#include "screens/FBase.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class TrendCallerRig : public testsupport::UnitCallerRig {
public:
    static platform::Result<std::unique_ptr<TrendCallerRig>> Create() {
        std::unique_ptr<TrendCallerRig> rig(new TrendCallerRig());
        platform::Status built =
            rig->Build({&runtime::AddTrendCommands}, QUORVA_TREND_CALLER_UNIT);
        if (!built)
            return platform::Fail(built.Error());
        return rig;
    }

private:
    TrendCallerRig() = default;
};

// A window "PANEL" with a drawn figure CURVE1 (the current figure) and the screen's unit record,
// and the trend caller unit; log lines are kept.
class TrendCommands : public ::testing::Test {
protected:
    void SetUp() override {
        screens::Globals().Reset();
        trends::SetDisplayEnabled(true);
        auto rig = TrendCallerRig::Create();
        ASSERT_TRUE(rig) << rig.Error();
        m_rig = std::move(rig.Value());
        m_form = std::make_unique<screens::ScreenForm>();
        m_form->SetScreenName("PANEL");
        m_form->resize(500, 400);
        m_figure = new screens::FBase(&m_form->Client());
        m_figure->SetLoading(true);
        m_figure->SetKind(static_cast<std::uint8_t>(screens::FigureKind::Rectang));
        m_figure->Load(testsupport::Record(screens::FigureKind::Rectang, 20, 20, 320, 220));
        m_figure->SetLoading(false);
        m_figure->SetNames("", "CURVE1");
        m_figure->show();
        m_form->show();
        screens::SetCurrentWindow(m_form.get());
        screens::SetCurrentFigure(m_figure);
        m_record = &screens::Globals().screenUnits.Register("PANEL", "", m_rig->unit.code,
                                                             "PANEL_Auto.qru", m_form.get());
        m_previousSink = platform::log::SetSink([this](platform::LogLevel, std::string_view line) {
            std::lock_guard lock(m_logMutex);
            m_log.emplace_back(line);
        });
    }
    void TearDown() override {
        platform::log::SetSink(m_previousSink);
        m_form.reset();
        screens::Globals().Reset();
        trends::SetDisplayEnabled(true);
    }

    void Run(const char* procedure) {
        const platform::Status status = m_rig->Run(procedure);
        ASSERT_TRUE(status) << procedure << ": " << status.Error();
    }
    std::int32_t Integer(const char* variable) const {
        return m_rig->Get<std::int32_t>(variable);
    }
    // CUSTOMTREND(4, 5, 1, 2, -10, 90) on the current figure.
    trends::TrendChart* Create() {
        m_rig->Set<std::int32_t>("DIVX", 4);
        m_rig->Set<std::int32_t>("DIVY", 5);
        m_rig->Set<std::int32_t>("SUBX", 1);
        m_rig->Set<std::int32_t>("SUBY", 2);
        m_rig->SetReal("LOW", -10);
        m_rig->SetReal("HIGH", 90);
        Run("DOCREATE");
        return trends::CurrentChart();
    }
    void Point(std::int32_t pencil, std::int32_t x, long double value) {
        m_rig->Set<std::int32_t>("PENCIL", pencil);
        m_rig->Set<std::int32_t>("XPOS", x);
        m_rig->SetReal("VALUE", value);
        Run("DOPOINT");
    }
    void Pencil(std::int32_t pencil, std::int32_t colour) {
        m_rig->Set<std::int32_t>("PENCIL", pencil);
        m_rig->Set<std::int32_t>("COLOUR", colour);
        Run("DOPENCIL");
    }
    std::size_t LogLinesWith(std::string_view text) {
        std::lock_guard lock(m_logMutex);
        std::size_t count = 0;
        for (const std::string& line : m_log)
            count += line.find(text) != std::string::npos ? 1 : 0;
        return count;
    }

    std::unique_ptr<TrendCallerRig> m_rig;
    std::unique_ptr<screens::ScreenForm> m_form;
    screens::FBase* m_figure = nullptr;
    screens::ScreenUnitRecord* m_record = nullptr;
    platform::log::Sink m_previousSink;
    std::mutex m_logMutex;
    std::vector<std::string> m_log;
};

int TrendRedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
    return count;
}

void SendTrendMouse(QWidget& widget, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                                     : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

TEST_F(TrendCommands, UnitCodeMakesAndFeedsAChartThroughTheCallingContract) {
    // Without a current figure nothing is made, and the T functions answer their defaults.
    screens::SetCurrentFigure(nullptr);
    Run("DOCREATE");
    EXPECT_EQ(Integer("HANDLE"), 0);
    EXPECT_TRUE(trends::Globals().charts.empty());
    m_rig->Set<std::int32_t>("DIVX", 0);
    m_rig->SetReal("YMAX", 5);
    Run("DOREAD");
    EXPECT_EQ(Integer("NPTX"), 0);
    EXPECT_EQ(m_rig->GetReal("YMAX"), 0);
    m_rig->Set<std::int32_t>("XPOS", 1);
    m_rig->SetString("TEXT", "x");
    Run("DOTEXT");
    EXPECT_EQ(m_rig->GetString("GRADU"), "");
    Run("DOSELECTION");
    EXPECT_EQ(Integer("SEL"), 0);

    screens::SetCurrentFigure(m_figure);
    trends::TrendChart* chart = Create();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(Integer("HANDLE"), static_cast<std::int32_t>(chart->Number()));
    EXPECT_NE(Integer("HANDLE"), 0);
    // Every argument arrived, the stacked ones included.
    EXPECT_EQ(chart->DivX(), 4);
    EXPECT_EQ(chart->DivY(), 5);
    EXPECT_EQ(chart->SubX(), 1);
    EXPECT_EQ(chart->SubY(), 2);
    EXPECT_EQ(chart->LowRangeY(), -10);
    EXPECT_EQ(chart->HighRangeY(), 90);
    EXPECT_EQ(chart->FigureName(), "CURVE1");

    Run("DOREAD");
    EXPECT_EQ(Integer("NPTX"), chart->NptX());
    EXPECT_EQ(Integer("NPTY"), chart->NptY());
    EXPECT_EQ(Integer("DIVXOUT"), 4);
    EXPECT_EQ(m_rig->GetReal("YMIN"), -10);
    EXPECT_EQ(m_rig->GetReal("YMAX"), 90);
    EXPECT_EQ(m_rig->GetReal("INTERX"), static_cast<long double>(chart->InterX()));

    // Points: only with a pencil colour, inside the plot.
    Point(1, 5, 12.625L);
    EXPECT_FALSE(chart->Point(1, 5).has_value());
    Pencil(1, 0x0000FF);
    Point(1, 5, 12.625L);
    Point(1, 0, 1);
    Point(11, 5, 1);
    ASSERT_TRUE(chart->Point(1, 5).has_value());
    EXPECT_TRUE(chart->Point(1, 5)->set);
    EXPECT_EQ(chart->Point(1, 5)->value, 12.625L) << "the 10-byte real arrives whole";
    EXPECT_EQ(chart->Point(1, 5)->colour, 0x0000FFu);
    m_rig->Set<std::int32_t>("PENCIL", 1);
    m_rig->SetReal("VALUE", 2);
    Run("DOCOEF");
    EXPECT_EQ(chart->Coefficient(1), 2);

    // The range swaps as the setters say.
    m_rig->SetReal("VALUE", 120);
    Run("DOLOW");
    EXPECT_EQ(chart->LowRangeY(), 90);
    EXPECT_EQ(chart->HighRangeY(), 120);
    m_rig->SetReal("VALUE", -50);
    Run("DOHIGH");
    EXPECT_EQ(chart->LowRangeY(), -50);
    EXPECT_EQ(chart->HighRangeY(), 90);

    // Texts, the right border and the divisions.
    m_rig->Set<std::int32_t>("XPOS", 5);
    m_rig->SetString("TEXT", " 12/01/2024\r\n10:00:00 ");
    Run("DOTEXT");
    EXPECT_EQ(m_rig->GetString("GRADU"), "12/01/2024\r\n10:00:00");
    EXPECT_EQ(chart->TextLineCount(), 2);
    m_rig->Set<std::int32_t>("XPOS", 6);
    Run("DOTEXT");
    EXPECT_EQ(m_rig->GetString("GRADU"), "") << "beyond DivX + 1";
    const int nptX = chart->NptX();
    m_rig->Set<std::int32_t>("XPOS", 101);
    Run("DOBORDER");
    EXPECT_EQ(chart->NptX(), nptX);
    m_rig->Set<std::int32_t>("XPOS", 60);
    Run("DOBORDER");
    EXPECT_EQ(chart->NptX(), nptX - 50);
    m_rig->Set<std::int32_t>("DIVX", 8);
    Run("DOREAD");
    EXPECT_EQ(Integer("DIVXOUT"), 8);

    // The level line and the chart's picture handle.
    m_rig->SetReal("VALUE", 40);
    m_rig->Set<std::int32_t>("COLOUR", 0x00FF00);
    Run("DOLEVEL");
    EXPECT_EQ(chart->HighLevel(), 40);
    Run("DOBITMAP");
    const std::int32_t handle = Integer("BMP");
    EXPECT_NE(handle, 0);
    Run("DOBITMAP");
    EXPECT_EQ(Integer("BMP"), handle) << "one handle per chart";
    const screens::Picture* picture = screens::Globals().pictureHandles.Find(handle);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->image.size(), chart->size());
}

TEST_F(TrendCommands, SelectionRecordInGuestMemoryFollowsTheOperator) {
    trends::TrendChart* chart = Create();
    ASSERT_NE(chart, nullptr);
    Run("DOSELECTION");
    const auto record = static_cast<platform::GuestAddress>(Integer("SEL"));
    ASSERT_NE(record, 0u);
    const auto field = [&](std::uint32_t offset) {
        return m_rig->memory->Read<std::int32_t>(record + offset).value_or(-999);
    };
    EXPECT_EQ(field(0), 0);
    EXPECT_EQ(field(12), 0);

    // The operator drags from right-low to left-high; unit code reads the record it was given.
    const int left = chart->LeftMargin();
    const int low = chart->RowOf(10);
    const int high = chart->RowOf(70);
    SendTrendMouse(*chart, QEvent::MouseButtonPress, {left + 90, low});
    EXPECT_EQ(m_rig->memory->Read<std::uint8_t>(record + 16).value_or(9), 1) << "dragging";
    SendTrendMouse(*chart, QEvent::MouseMove, {left + 50, (low + high) / 2});
    SendTrendMouse(*chart, QEvent::MouseButtonRelease, {left + 30, high});
    EXPECT_EQ(field(0), 30);
    EXPECT_EQ(field(4), 70);
    EXPECT_EQ(field(8), 90);
    EXPECT_EQ(field(12), 10);
    EXPECT_EQ(m_rig->memory->Read<std::uint8_t>(record + 16).value_or(9), 0);
    Run("DOSELECTION");
    EXPECT_EQ(static_cast<platform::GuestAddress>(Integer("SEL")), record) << "the same record";

    Run("DOMOUSE");
    EXPECT_EQ(Integer("MOVED"), 1);
    EXPECT_EQ(Integer("MOUSEPOINT"), 30);
    EXPECT_NEAR(static_cast<double>(m_rig->GetReal("MOUSEVALUE")), 70.0, 0.5);
    Run("DOMOUSE");
    EXPECT_EQ(Integer("MOVED"), 0) << "the flag is cleared by reading it";
}

TEST_F(TrendCommands, UnitDrawingProcedureGetsItsParameterBlockInEax) {
    trends::TrendChart* chart = Create();
    ASSERT_NE(chart, nullptr);
    Pencil(1, 0x0000FF);
    Run("DOREGISTER");
    EXPECT_NE(chart->DrawingProcedureAddress(), 0u);
    chart->RenderNow(); // no point set: the procedure has nothing to draw
    EXPECT_EQ(Integer("CALLS"), 0);

    Point(1, 1, 40);
    EXPECT_EQ(Integer("CALLS"), 1);
    EXPECT_EQ(Integer("PX"), chart->LeftMargin());
    EXPECT_EQ(Integer("PY"), chart->RowOf(40));
    EXPECT_EQ(Integer("PCOLOUR"), 0x0000FF);
    EXPECT_EQ(Integer("PPENCIL"), 1);
    EXPECT_EQ(Integer("PFIRST"), 1);
    EXPECT_EQ(Integer("PLAST"), 0);
    EXPECT_EQ(m_rig->GetReal("PVALUE"), 40);
    EXPECT_EQ(Integer("PNPTX"), chart->NptX()) << "T functions inside it act on the chart";
    const std::int32_t block = Integer("BLOCK");
    EXPECT_NE(block, 0);
    Point(1, 2, 45);
    EXPECT_EQ(Integer("PPREVX"), chart->LeftMargin());
    Point(1, chart->NptX(), 45);
    EXPECT_EQ(Integer("PLAST"), 1);

    // A full render outside any unit call (a paint) calls it once per set point and once more.
    m_rig->Set<std::int32_t>("CALLS", 0);
    chart->Invalidate();
    chart->RenderNow();
    EXPECT_EQ(Integer("CALLS"), 4);
    EXPECT_EQ(Integer("PLAST"), 1);
    EXPECT_EQ(Integer("BLOCK"), block);
    EXPECT_EQ(TrendRedPixels(chart->ChartImage()), 0) << "the procedure draws, not the chart";

    Run("DOUNREGISTER");
    EXPECT_EQ(chart->DrawingProcedureAddress(), 0u);
    chart->RenderNow();
    EXPECT_GT(TrendRedPixels(chart->ChartImage()), 0);
    EXPECT_FALSE(m_record->stopped);
}

TEST_F(TrendCommands, AFaultingDrawingProcedureHoldsTheScreenAndTheChartDrawsItself) {
    trends::TrendChart* chart = Create();
    ASSERT_NE(chart, nullptr);
    Pencil(1, 0x0000FF);
    Run("DOREGISTERBAD");
    chart->RenderNow();
    Point(1, 1, 40); // the fault stays inside the nested call: the unit's own call goes on
    Point(1, 2, 40);
    EXPECT_EQ(Integer("CALLS"), 1) << "never called again after its fault";
    EXPECT_TRUE(m_record->stopped) << "the screen's unit is held";
    EXPECT_EQ(chart->DrawingProcedureAddress(), 0u);
    EXPECT_EQ(LogLinesWith("drawing procedure"), 1u);
    EXPECT_EQ(LogLinesWith("unmapped write"), 1u);
    chart->RenderNow();
    EXPECT_GT(TrendRedPixels(chart->ChartImage()), 0) << "the built-in drawing took over";
    EXPECT_EQ(screens::Globals().stepText, std::string(screens::kIdleStepText));

    // A faulting procedure met during a paint is treated the same way.
    m_record->stopped = false;
    Run("DOREGISTERBAD");
    chart->RenderNow();
    EXPECT_EQ(Integer("CALLS"), 2);
    EXPECT_TRUE(m_record->stopped);
    EXPECT_GT(TrendRedPixels(chart->ChartImage()), 0);
}

TEST_F(TrendCommands, DisplaySwitchAndCallsFromAnotherThread) {
    trends::TrendChart* chart = Create();
    ASSERT_NE(chart, nullptr);
    Pencil(1, 0x0000FF);
    chart->RenderNow();
    const std::uint64_t segments = chart->SegmentsDrawn();
    m_rig->Set<bool>("FLAG", false);
    Run("DODISPLAY");
    EXPECT_FALSE(trends::DisplayEnabled());
    Point(1, 3, 20);
    EXPECT_EQ(chart->SegmentsDrawn(), segments) << "stored, not drawn";
    EXPECT_TRUE(chart->Point(1, 3)->set);
    m_rig->Set<bool>("FLAG", true);
    Run("DODISPLAY");
    EXPECT_TRUE(trends::DisplayEnabled());
    chart->RenderNow();
    EXPECT_GT(TrendRedPixels(chart->ChartImage()), 0);

    // A cyclic unit on the scan thread finds no chart: defaults, nothing touched, one warning.
    std::thread scan([this] {
        auto engine = platform::CpuEngine::Create(*m_rig->memory);
        ASSERT_TRUE(engine);
        m_rig->Set<std::int32_t>("DIVX", 0);
        ASSERT_TRUE(engine.Value()->CallUnitCode(m_rig->unit.entries.at("DOREAD")));
        m_rig->Set<std::int32_t>("PENCIL", 1);
        m_rig->Set<std::int32_t>("XPOS", 9);
        m_rig->SetReal("VALUE", 5);
        ASSERT_TRUE(engine.Value()->CallUnitCode(m_rig->unit.entries.at("DOPOINT")));
    });
    scan.join();
    EXPECT_EQ(Integer("NPTX"), 0);
    EXPECT_FALSE(chart->Point(1, 9)->set);
    EXPECT_EQ(LogLinesWith("screens' thread only"), 1u);
}
