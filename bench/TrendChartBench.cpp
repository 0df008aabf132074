// Quorva run-time. Licensed under the MIT licence.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "trends/TrendChart.h"
#include "trends/TrendRegistry.h"

namespace {

constexpr int kPencils = 8;
constexpr int kPlotWidth = 1000;
constexpr std::uint32_t kColours[kPencils] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF,
                                              0xFF00FF, 0xFFFF00, 0x808080, 0x000080};

// A shown chart whose plot is 1000 pixels wide, 8 pencils with their colours, 4 X divisions.
struct TrendWindow {
    TrendWindow() {
        trends::ChartSetup setup;
        setup.divX = 4;
        setup.divY = 5;
        setup.subX = 4;
        setup.subY = 1;
        setup.lowRangeY = 0;
        setup.highRangeY = 100;
        setup.font = QFont(QStringLiteral("Liberation Sans"));
        setup.font.setPixelSize(12);
        setup.size = QSize(1200, 400);
        chart = new trends::TrendChart(&host, setup);
        chart->resize(chart->LeftMargin() + kPlotWidth + chart->RightBorder(), 400);
        host.resize(chart->size());
        for (int pencil = 1; pencil <= kPencils; ++pencil)
            chart->SetPencilColour(pencil, kColours[pencil - 1]);
        host.show();
        QApplication::processEvents();
    }

    // One GUI cycle: a point per pencil at `x`, then the event loop paints what changed.
    void Cycle(int x) {
        for (int pencil = 1; pencil <= kPencils; ++pencil)
            chart->SetPoint(pencil, x, 50 + 45 * std::sin((x + 40 * pencil) / 30.0));
        QApplication::processEvents();
    }

    QWidget host;
    trends::TrendChart* chart = nullptr;
};

void Report(benchmark::State& state, const trends::TrendChart& chart, std::uint64_t renders,
            std::uint64_t segments) {
    const auto cycles = static_cast<double>(state.iterations());
    state.counters["plot_width"] = chart.NptX();
    state.counters["full_renders"] = static_cast<double>(chart.FullRenders() - renders);
    state.counters["full_renders_per_cycle"] =
        static_cast<double>(chart.FullRenders() - renders) / cycles;
    state.counters["segments_per_cycle"] =
        static_cast<double>(chart.SegmentsDrawn() - segments) / cycles;
}

// Points written over the plot again and again, as a program that wraps round does: no cycle
// renders the chart anew.
void BM_EightPencilsOnePointEachPerCycle(benchmark::State& state) {
    TrendWindow window;
    const std::uint64_t renders = window.chart->FullRenders();
    const std::uint64_t segments = window.chart->SegmentsDrawn();
    int x = 0;
    for (auto _ : state)
        window.Cycle(x++ % kPlotWidth + 1);
    Report(state, *window.chart, renders, segments);
}
BENCHMARK(BM_EightPencilsOnePointEachPerCycle)->Unit(benchmark::kMicrosecond);

// As the trend screen object feeds it: when the plot is full the chart scrolls left by one
// division (a full render, once every 250 cycles here) and the points go on from there.
void BM_EightPencilsScrollingByADivision(benchmark::State& state) {
    TrendWindow window;
    const std::uint64_t renders = window.chart->FullRenders();
    const std::uint64_t segments = window.chart->SegmentsDrawn();
    const int division = static_cast<int>(std::nearbyint(window.chart->InterX()));
    int x = 1;
    for (auto _ : state) {
        if (x >= kPlotWidth) {
            window.chart->ShiftLeft();
            x -= division;
        }
        window.Cycle(x++);
    }
    Report(state, *window.chart, renders, segments);
}
BENCHMARK(BM_EightPencilsScrollingByADivision)->Unit(benchmark::kMicrosecond);

// For comparison: what one full render of the chart with 8 full pencils costs.
void BM_FullRenderOfEightFullPencils(benchmark::State& state) {
    TrendWindow window;
    for (int x = 1; x <= kPlotWidth; ++x)
        window.Cycle(x);
    for (auto _ : state) {
        window.chart->Invalidate();
        window.chart->RenderNow();
    }
}
BENCHMARK(BM_FullRenderOfEightFullPencils)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
