// Quorva run-time. Licensed under the MIT licence.
// The GUI cycle of a busy project: 10 open screens of 200 figures each, every screen's automatic
// unit (unit code on the emulated CPU, calling COMMUT_FIG and SETVALUE through the calling
// contract) changing 20 figures per cycle, the changed figures repainted. Then the period of the
// cycle at "SCANFORMS" 10 over a long run (60 s by default; QUORVA_PERIOD_SECONDS overrides).
#include "../tests/LibraryRig.h"
#include "../tests/runtime/TestUnit.h"
#include "platform/CpuEngine.h"
#include "runtime/GuestValues.h"
#include "runtime/ScreenCommands.h"
#include "screens/AttributsFig.h"
#include "screens/FBase.h"
#include "screens/FigureKind.h"
#include "screens/GuiCycle.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

using screens::FigureKind;

constexpr int kScreens = 10;
constexpr int kFiguresPerScreen = 200;

screens::AttributsFig Record(FigureKind kind, int index)
{
    screens::AttributsFig record;
    record.kind = static_cast<std::uint8_t>(kind);
    const int column = index % 20;
    const int row = index / 20;
    record.x1 = static_cast<std::int16_t>(column * 40);
    record.y1 = static_cast<std::int16_t>(row * 40);
    record.x2 = static_cast<std::int16_t>(column * 40 + 36);
    record.y2 = static_cast<std::int16_t>(row * 40 + 30);
    record.foreColour = 0x00000000;
    record.backColour = 0x00E0A040;
    record.filled = 1;
    record.penWidth = 1;
    record.fontName = "Arial";
    record.fontHeight = -11;
    record.pageValue = 1;
    return record;
}

// Ten screens with their units, the emulated CPU and the cycle, as a run has them.
struct BusyProject {
    static std::unique_ptr<BusyProject> Create(std::string& error)
    {
        auto project = std::make_unique<BusyProject>();
        if (platform::Status built = project->rig.BuildLibrary({&runtime::AddScreenCommands});
            !built) {
            error = built.Error();
            return nullptr;
        }
        std::ifstream file(QUORVA_ANIMATION_UNIT, std::ios::binary);
        const std::string module((std::istreambuf_iterator<char>(file)), {});
        auto cpu = platform::CpuEngine::Create(*project->rig.memory);
        if (!cpu) {
            error = cpu.Error();
            return nullptr;
        }
        project->cpu = std::move(cpu.Value());
        const FigureKind kinds[] = {FigureKind::BarV, FigureKind::Value, FigureKind::Rectang,
                                    FigureKind::BarH, FigureKind::Ellipse};
        for (int s = 0; s < kScreens; ++s) {
            auto unit = testsupport::PlaceTestUnit(*project->rig.memory, project->rig.functions,
                                                   module);
            if (!unit) {
                error = unit.Error();
                return nullptr;
            }
            // Placed units keep no initial values: the figure names go into their variables.
            for (int n = 0; n < 20; ++n) {
                const auto variable = unit.Value().variables.find("N" + std::to_string(n));
                if (variable == unit.Value().variables.end()) {
                    error = "the animation unit has no N" + std::to_string(n);
                    return nullptr;
                }
                runtime::WriteGuestString(*project->rig.memory, variable->second,
                                          runtime::ShortString("F" + std::to_string(n * 10)));
            }
            auto* form = new screens::ScreenForm;
            form->SetScreenName("SCREEN" + std::to_string(s));
            form->resize(800, 400);
            for (int f = 0; f < kFiguresPerScreen; ++f) {
                auto* figure = new screens::FBase(&form->Client());
                const screens::AttributsFig record = Record(kinds[(f / 10) % 5], f);
                figure->SetLoading(true);
                figure->SetKind(record.kind);
                figure->Load(record);
                figure->SetLoading(false);
                figure->SetNames("", "F" + std::to_string(f));
            }
            form->show();
            project->forms.emplace_back(form);
            screens::Globals().screenUnits.Register(form->ScreenName(), "screens",
                                                    unit.Value().entries.at("ANIMATE"), "", form);
        }
        screens::GuiCycleHooks hooks;
        platform::CpuEngine* engine = project->cpu.get();
        hooks.runUnit = [engine](std::uint32_t entry) -> std::optional<std::string> {
            platform::Status ran = engine->CallUnitCode(entry);
            if (!ran)
                return ran.Error();
            return std::nullopt;
        };
        hooks.period = [] { return 10; };
        project->cycle = std::make_unique<screens::GuiCycle>(hooks);
        QCoreApplication::processEvents();
        return project;
    }

    ~BusyProject()
    {
        cycle.reset();
        forms.clear();
        screens::Globals().Reset();
    }

    testsupport::LibraryRig rig;
    std::unique_ptr<platform::CpuEngine> cpu;
    std::vector<std::unique_ptr<screens::ScreenForm>> forms;
    std::unique_ptr<screens::GuiCycle> cycle;
};

// One cycle with its repaint: the units run and change 200 figures in all, then the event loop
// paints what changed.
void OneGuiCycleTenScreens(benchmark::State& state)
{
    std::string error;
    std::unique_ptr<BusyProject> project = BusyProject::Create(error);
    if (!project) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        project->cycle->Step();
        QCoreApplication::processEvents();
    }
    bool allRan = true;
    screens::Globals().screenUnits.ForEach(
        [&allRan](screens::ScreenUnitRecord& record) { allRan &= !record.stopped; });
    if (!allRan)
        state.SkipWithError("an automatic unit faulted");
    // The units did change the figures: F10, a Value figure, holds the cycle count.
    const auto* last = screens::FigureOf(
        project->forms.back()->findChild<QWidget*>(QStringLiteral("F10")));
    if (last == nullptr || last->Properties().value < static_cast<long double>(state.iterations()))
        state.SkipWithError("the units did not change the figures");
    state.counters["figures_changed_per_cycle"] = kScreens * 20;
}
BENCHMARK(OneGuiCycleTenScreens)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The period of the cycle, its timer at 10 ms, over a long run of the same project.
void GuiCyclePeriod(benchmark::State& state)
{
    std::string error;
    std::unique_ptr<BusyProject> project = BusyProject::Create(error);
    if (!project) {
        state.SkipWithError(error.c_str());
        return;
    }
    const char* seconds = std::getenv("QUORVA_PERIOD_SECONDS");
    const int runMs = (seconds != nullptr ? std::atoi(seconds) : 60) * 1000;
    std::vector<std::int64_t> starts;
    starts.reserve(static_cast<std::size_t>(runMs / 10 + 100));
    QElapsedTimer clock;
    project->cycle->AddHook([&] { starts.push_back(clock.nsecsElapsed()); });
    for (auto _ : state) {
        starts.clear();
        clock.start();
        project->cycle->Start();
        QEventLoop loop;
        QTimer::singleShot(runMs, &loop, &QEventLoop::quit);
        loop.exec();
        project->cycle->Stop();
    }
    std::vector<double> periods;
    for (std::size_t i = 1; i < starts.size(); ++i)
        periods.push_back(static_cast<double>(starts[i] - starts[i - 1]) / 1e6);
    if (periods.empty()) {
        state.SkipWithError("the cycle did not run");
        return;
    }
    std::sort(periods.begin(), periods.end());
    state.counters["cycles"] = static_cast<double>(periods.size() + 1);
    state.counters["median_ms"] = periods[periods.size() / 2];
    state.counters["p99_ms"] = periods[periods.size() * 99 / 100];
    state.counters["max_ms"] = periods.back();
}
BENCHMARK(GuiCyclePeriod)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
