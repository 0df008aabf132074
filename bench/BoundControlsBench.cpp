// Quorva run-time. Licensed under the MIT licence.
// The GUI cycle of a screen of 200 edit fields and 200 check boxes, each bound to a variable of
// its own, built from screen data as the loader builds it: once with every variable changed
// before each cycle (each control rewritten and repainted), once with none changed (nothing may
// be rewritten or repainted).
#include "../tests/screens/TestVariables.h"
#include "screens/AttributsFig.h"
#include "screens/ClassRegistry.h"
#include "screens/ClassDataIo.h"
#include "screens/ClassLayouts.h"
#include "screens/FigureKind.h"
#include "screens/GuiCycle.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/SynScreen.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

#include <memory>
#include <string>

namespace {

using screens::FigureKind;

constexpr int kEdits = 200;
constexpr int kCheckBoxes = 200;

screens::SynObject Bound(FigureKind kind, const char* className, int index, const char* field,
                         const std::string& variable)
{
    screens::SynObject object;
    screens::AttributsFig& record = object.attributes;
    record.kind = static_cast<std::uint8_t>(kind);
    record.className = className;
    record.objectName = variable;
    const int column = index % 10;
    const int row = index / 10;
    record.x1 = static_cast<std::int16_t>(column * 80);
    record.y1 = static_cast<std::int16_t>(row * 24);
    record.x2 = static_cast<std::int16_t>(column * 80 + 76);
    record.y2 = static_cast<std::int16_t>(row * 24 + 22);
    record.foreColour = 0x00000000;
    record.backColour = 0x00FFFFFF;
    record.penWidth = 1;
    record.fontName = "Arial";
    record.fontHeight = -11;
    const screens::ClassLayout* layout = screens::FindClassLayout(className);
    if (layout != nullptr) {
        screens::ClassData data = screens::DefaultClassData(*layout);
        if (screens::FieldValue* name = data.Find(field))
            name->bytes = variable;
        object.classData = data;
    }
    return object;
}

// The screen, its variables and the cycle.
struct BoundScreen {
    BoundScreen()
    {
        screens::Globals().Reset();
        screens::Globals().variables = &variables;
        screens::RegisterStandardClasses(screens::Globals().classes);
        screens::SynScreen screen;
        screen.header.caption = "Bound";
        screen.header.right = 1600;
        screen.header.bottom = 1000;
        for (int i = 0; i < kEdits; ++i) {
            // Integers and reals, as a plant's set points are.
            const std::string name = "E" + std::to_string(i);
            variables.Add(name, i % 2 == 0 ? 4 : 5);
            screen.objects.push_back(Bound(FigureKind::Edit, "TCEdit", i, "edit.variable", name));
        }
        for (int i = 0; i < kCheckBoxes; ++i) {
            const std::string name = "B" + std::to_string(i);
            variables.Add(name, 3);
            screen.objects.push_back(
                Bound(FigureKind::CheckBox, "TCCASE", kEdits + i, "case.n1", name));
        }
        built = screens::BuildScreen("BOUND", screen, window);
        if (built)
            window->show();
        cycle = std::make_unique<screens::GuiCycle>(screens::GuiCycleHooks{});
        QCoreApplication::processEvents();
    }
    ~BoundScreen()
    {
        cycle.reset();
        delete window.data();
        screens::Globals().Reset();
    }

    void ChangeEveryVariable(int round)
    {
        for (int i = 0; i < kEdits; ++i) {
            const std::string name = "E" + std::to_string(i);
            if (i % 2 == 0)
                variables.SetInteger(name, round + i);
            else
                variables.SetReal(name, round * 0.5L + i);
        }
        for (int i = 0; i < kCheckBoxes; ++i)
            variables.SetBoolean("B" + std::to_string(i), (round + i) % 2 == 0);
    }

    screens::testing::TestVariables variables;
    QPointer<screens::ScreenForm> window;
    bool built = false;
    std::unique_ptr<screens::GuiCycle> cycle;
};

template <typename Control> Control* ControlNamed(BoundScreen& screen, const char* name)
{
    QWidget* figure = screen.window->findChild<QWidget*>(QString::fromLatin1(name));
    if (figure == nullptr)
        return nullptr;
    if (auto* control = qobject_cast<Control*>(figure))
        return control;
    return figure->findChild<Control*>();
}

// Whether the controls show the variables of the last round: E0 (an Integer) and B0.
bool ControlsFollow(BoundScreen& screen, int round)
{
    auto* edit = ControlNamed<QLineEdit>(screen, "E0");
    auto* box = ControlNamed<QCheckBox>(screen, "B0");
    return edit != nullptr && box != nullptr && edit->text() == QString::number(round) &&
           box->isChecked() == (round % 2 == 0);
}

void Cycle(benchmark::State& state, bool change, bool paint = true)
{
    BoundScreen screen;
    if (!screen.built) {
        state.SkipWithError("the screen could not be built");
        return;
    }
    int round = 0;
    screen.ChangeEveryVariable(round);
    screen.cycle->Step();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (change) {
            state.PauseTiming();
            screen.ChangeEveryVariable(++round);
            state.ResumeTiming();
        }
        screen.cycle->Step();
        if (paint)
            QCoreApplication::processEvents();
    }
    if (!paint)
        QCoreApplication::processEvents();
    if (!ControlsFollow(screen, round))
        state.SkipWithError("the controls do not show their variables");
    state.counters["bound_controls"] = kEdits + kCheckBoxes;
}

void EveryValueChanges(benchmark::State& state)
{
    Cycle(state, true);
}
BENCHMARK(EveryValueChanges)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same without the repaint: what the objects' Run costs, the controls' own updates included.
void EveryValueChangesObjectsOnly(benchmark::State& state)
{
    Cycle(state, true, false);
}
BENCHMARK(EveryValueChangesObjectsOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void NoValueChanges(benchmark::State& state)
{
    Cycle(state, false);
}
BENCHMARK(NoValueChanges)->Unit(benchmark::kMillisecond)->MinTime(2.0);

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
