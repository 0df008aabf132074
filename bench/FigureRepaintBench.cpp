// Quorva run-time. Licensed under the MIT licence.
// Repaint cost of a screen of drawn figures on the offscreen platform: the whole window, and one
// figure whose value changed.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <vector>

#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/ScreenForm.h"

namespace {

using screens::FigureKind;

constexpr int kFigures = 500;
constexpr int kColumns = 25;
constexpr int kCellWidth = 40;
constexpr int kCellHeight = 30;

constexpr FigureKind kMix[] = {
    FigureKind::Line,  FigureKind::Rectang, FigureKind::RoundRec, FigureKind::Circle, FigureKind::Ellipse,
    FigureKind::Arc,   FigureKind::Frame,   FigureKind::Shade,    FigureKind::Supp,   FigureKind::BarV,
    FigureKind::BarH,  FigureKind::Text,    FigureKind::Value,    FigureKind::Button, FigureKind::Group,
    FigureKind::PolyGon, FigureKind::Rectang, // the second rectangle shows a fill level
};

// A window of 500 mixed figures, 25 to a row, shown on the offscreen platform.
class Screen {
public:
    Screen()
    {
        form.resize(kColumns * kCellWidth, (kFigures / kColumns) * kCellHeight);
        for (int i = 0; i < kFigures; ++i) {
            const std::size_t mixIndex = static_cast<std::size_t>(i) % std::size(kMix);
            const auto kind = static_cast<std::uint8_t>(kMix[mixIndex]);
            const int x = (i % kColumns) * kCellWidth + 2;
            const int y = (i / kColumns) * kCellHeight + 2;
            screens::AttributsFig record;
            record.kind = kind;
            record.x1 = static_cast<std::int16_t>(x);
            record.y1 = static_cast<std::int16_t>(y);
            record.x2 = static_cast<std::int16_t>(x + kCellWidth - 4);
            record.y2 = static_cast<std::int16_t>(y + kCellHeight - 4);
            record.text = "Tag";
            record.backColour = 0x0000C0FF;
            record.filled = 1;
            record.penWidth = 1;
            record.fontName = "Arial";
            record.fontHeight = -11;
            record.pageValue = 1;
            auto* figure = new screens::FBase(&form);
            figure->SetLoading(true);
            figure->SetKind(kind);
            figure->Load(record);
            if (kind == static_cast<std::uint8_t>(FigureKind::PolyGon)) {
                const std::vector<QPoint> points{{x, y}, {x + 20, y + 4}, {x + 12, y + 16}};
                figure->SetPointList(points);
                figure->SetKind(kind);
            }
            figure->SetLoading(false);
            figure->SetValue(i % 100);
            if (mixIndex + 1 == std::size(kMix)) {
                figure->SetFillColour(0x00FF0000);
                figure->SetFillOn(true);
                figure->SetFillLevel(i % 100);
            }
            if (kind == static_cast<std::uint8_t>(FigureKind::BarV) && bar == nullptr)
                bar = figure;
            figure->show();
        }
        form.show();
        QApplication::processEvents();
    }

    screens::ScreenForm form;
    screens::FBase* bar = nullptr;
};

// Made on first use, gone before the application object is.
std::unique_ptr<Screen> g_screen;

Screen& SharedScreen()
{
    if (!g_screen)
        g_screen = std::make_unique<Screen>();
    return *g_screen;
}

// The whole window painted again, through its backing store.
void BM_FullRepaint(benchmark::State& state)
{
    Screen& screen = SharedScreen();
    for (auto _ : state)
        screen.form.repaint();
    state.counters["figures"] = kFigures;
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

// The whole window drawn into an image, as a window picture is taken.
void BM_FullRenderToImage(benchmark::State& state)
{
    Screen& screen = SharedScreen();
    QImage image(screen.form.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        screen.form.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FullRenderToImage)->Unit(benchmark::kMillisecond);

// One bar's value changes and that bar alone is painted again at once.
void BM_OneChangedFigure(benchmark::State& state)
{
    Screen& screen = SharedScreen();
    int value = 0;
    for (auto _ : state) {
        value = (value + 7) % 100;
        screen.bar->SetValue(value);
        screen.bar->repaint();
    }
}
BENCHMARK(BM_OneChangedFigure)->Unit(benchmark::kMicrosecond);

// The same through the event loop, as the run cycle does it: the change asks for an update and
// the next pass of the loop paints it.
void BM_OneChangedFigureThroughEventLoop(benchmark::State& state)
{
    Screen& screen = SharedScreen();
    int value = 0;
    for (auto _ : state) {
        value = (value + 7) % 100;
        screen.bar->SetValue(value);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_OneChangedFigureThroughEventLoop)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_screen.reset();
    return 0;
}
