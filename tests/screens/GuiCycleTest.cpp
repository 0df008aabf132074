// Quorva run-time. Licensed under the MIT licence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTest>

#include "FigureTestSupport.h"
#include "ScreenTestClasses.h"
#include "screens/FigureKind.h"
#include "screens/GuiCycle.h"
#include "screens/InputEvents.h"
#include "screens/MenuSelection.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace {

using screens::FigureKind;

class GuiCycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screens::Globals().Reset();
        screentest::ProbeRuns().clear();
    }
    void TearDown() override { screens::Globals().Reset(); }
};

screens::ScreenForm* NamedForm(const char* name)
{
    auto* form = new screens::ScreenForm;
    form->SetScreenName(name);
    form->resize(200, 200);
    return form;
}

} // namespace

TEST_F(GuiCycleTest, AMenuChoiceIsPublishedForOneCycleThreeCyclesLater)
{
    std::vector<int> published;
    screens::GuiCycleHooks hooks;
    hooks.publishMenu = [&published](const screens::MenuSelection& menu) {
        published.push_back(menu.PublishedNumber());
    };
    screens::GuiCycle cycle(hooks);
    cycle.Step();
    screens::Globals().menu.Choose("About", 100);
    for (int i = 0; i < 6; ++i)
        cycle.Step();
    EXPECT_EQ(published, (std::vector<int>{0, 0, 0, 0, 100, 0, 0}));
}

TEST_F(GuiCycleTest, ClicksAndKeysAreLatchedForOneCycle)
{
    std::unique_ptr<screens::ScreenForm> form(NamedForm("PANEL"));
    screens::FBase* button = figuretest::MakeFigure(
        *form, figuretest::Record(static_cast<std::uint8_t>(FigureKind::Button), 10, 10, 90, 40));
    form->show();
    std::vector<screens::InputEvents> latched;
    screens::GuiCycleHooks hooks;
    hooks.publishInput = [&latched](const screens::InputEvents& events) {
        latched.push_back(events);
    };
    screens::GuiCycle cycle(hooks);
    cycle.Start();
    cycle.SetPaused(true); // the test steps the cycle itself

    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    QTest::keyClick(form.get(), Qt::Key_F2);
    cycle.Step();
    cycle.Step();
    ASSERT_EQ(latched.size(), 2u);
    EXPECT_TRUE(latched[0].leftDown);
    EXPECT_FALSE(latched[0].leftUp);
    EXPECT_EQ(latched[0].figure, button);
    EXPECT_EQ(latched[0].window, form.get());
    EXPECT_EQ(latched[0].x, 30);
    EXPECT_EQ(latched[0].y, 20);
    EXPECT_TRUE(latched[0].keyDown && latched[0].keyUp);
    EXPECT_EQ(latched[0].virtualKey, 0x71);
    EXPECT_TRUE(button->Down());
    // The next cycle sees nothing.
    EXPECT_FALSE(latched[1].Any());
    EXPECT_EQ(latched[1].figure, nullptr);

    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    cycle.Step();
    EXPECT_TRUE(latched[2].leftUp);
    EXPECT_FALSE(latched[2].leftDown);
    EXPECT_FALSE(button->Down());
    cycle.Stop();
}

TEST_F(GuiCycleTest, AutomaticUnitsRunInOpeningOrderWithTheirWindowCurrent)
{
    std::unique_ptr<screens::ScreenForm> first(NamedForm("FIRST"));
    std::unique_ptr<screens::ScreenForm> second(NamedForm("SECOND"));
    std::unique_ptr<screens::ScreenForm> third(NamedForm("THIRD"));
    screens::ScreenUnitRegistry& units = screens::Globals().screenUnits;
    units.Register("first", "screens", 0x1000, "FIRST_Auto.qru", first.get());
    units.Register("second", "screens", 0x2000, "SECOND_Auto.qru", second.get());
    units.Register("third", "screens", 0x3000, "THIRD_Auto.qru", third.get());
    units.Register("plain", "screens", std::nullopt, "", first.get());

    std::vector<std::string> ran;
    std::vector<std::string> reported;
    std::int64_t now = 0;
    screens::GuiCycleHooks hooks;
    hooks.microseconds = [&now] { return now; };
    hooks.runUnit = [&](std::uint32_t entry) -> std::optional<std::string> {
        ran.push_back(screens::CurrentWindow()->ScreenName());
        now += entry / 0x100; // 16, 32, 48 microseconds
        if (entry == 0x2000)
            return std::string("invalid instruction at 0x2004");
        return std::nullopt;
    };
    hooks.reportFault = [&reported](const std::string& step, const std::string& fault) {
        reported.push_back(step + ": " + fault);
    };
    screens::GuiCycle cycle(hooks);
    cycle.Step();
    EXPECT_EQ(ran, (std::vector<std::string>{"FIRST", "SECOND", "THIRD"}));
    EXPECT_EQ(reported, std::vector<std::string>{"SECOND: invalid instruction at 0x2004"});
    EXPECT_EQ(units.LastMicroseconds("FIRST"), 16);
    EXPECT_EQ(units.LastMicroseconds("third"), 48);
    EXPECT_EQ(units.State("SECOND"), "Stop");
    EXPECT_EQ(screens::Globals().stepText, screens::kIdleStepText);

    // The faulted screen stays stopped; the others go on. A stopped screen records 0.
    ran.clear();
    cycle.Step();
    EXPECT_EQ(ran, (std::vector<std::string>{"FIRST", "THIRD"}));
    EXPECT_EQ(units.LastMicroseconds("SECOND"), 0);
    EXPECT_TRUE(units.SetStopped("FIRST", true));
    EXPECT_FALSE(units.SetStopped("NOSUCH", true));
    ran.clear();
    cycle.Step();
    EXPECT_EQ(ran, std::vector<std::string>{"THIRD"});
    EXPECT_EQ(units.Names(), (std::vector<std::string>{"FIRST", "SECOND", "THIRD", "PLAIN"}));
}

TEST_F(GuiCycleTest, PulsesFollowTheTickCount)
{
    std::uint32_t tick = 1000;
    std::vector<std::pair<bool, bool>> pulses;
    screens::GuiCycleHooks hooks;
    hooks.tickCount = [&tick] { return tick; };
    hooks.publishPulses = [&pulses](bool p100, bool p500) { pulses.emplace_back(p100, p500); };
    screens::GuiCycle cycle(hooks);
    cycle.Start();
    cycle.SetPaused(true);
    for (int i = 0; i < 12; ++i) {
        tick += 60;
        cycle.Step();
    }
    cycle.Stop();
    int count100 = 0;
    int count500 = 0;
    for (auto [p100, p500] : pulses) {
        count100 += p100 ? 1 : 0;
        count500 += p500 ? 1 : 0;
    }
    // 720 ms: the 100 ms accumulator fires 7 times (it fires above 100, keeping the excess), the
    // 500 ms pulse once, at 540 ms.
    EXPECT_EQ(count100, 7);
    EXPECT_EQ(count500, 1);
    EXPECT_TRUE(pulses[8].second);
}

TEST_F(GuiCycleTest, ThePeriodFollowsScanformsFromTheNextTick)
{
    std::int32_t period = 10;
    screens::GuiCycleHooks hooks;
    hooks.period = [&period] { return period; };
    screens::GuiCycle cycle(hooks);
    cycle.Start();
    EXPECT_EQ(cycle.TimerPeriod(), 10);
    period = 25;
    QTest::qWait(60);
    EXPECT_EQ(cycle.TimerPeriod(), 25);
    EXPECT_GT(cycle.Cycles(), 0u);
    period = 0; // never a spinning loop
    QTest::qWait(60);
    EXPECT_EQ(cycle.TimerPeriod(), 1);
    cycle.Stop();
}

TEST_F(GuiCycleTest, ActiveObjectsRunEachCycleAsTheCurrentFigure)
{
    screentest::RegisterProbeClasses();
    std::unique_ptr<screens::ScreenForm> form(NamedForm("OBJECTS"));
    auto* gone = NamedForm("GONE");
    for (auto [window, name] : {std::pair{form.get(), "ONE"}, std::pair{gone, "TWO"}}) {
        screens::FBase* figure = figuretest::MakeFigure(
            *window, figuretest::Record(static_cast<std::uint8_t>(FigureKind::Bmp), 0, 0, 10, 10));
        figure->SetNames("TCPROBEON", name);
        figure->AttachScreenObject(std::make_unique<screentest::ProbeObject>("TCPROBEON", true));
        screens::Globals().activeObjects.push_back({figure, window});
    }
    screens::GuiCycle cycle({});
    cycle.Step();
    delete gone; // its figure and object go with it
    cycle.Step();
    EXPECT_EQ(screentest::ProbeRuns(), (std::vector<std::string>{"ONE", "TWO", "ONE"}));
    EXPECT_EQ(screens::CurrentFigure(), nullptr);
}

TEST_F(GuiCycleTest, AModalWindowKeepsTheCycleRunning)
{
    screens::GuiCycleHooks hooks;
    hooks.period = [] { return 5; };
    screens::GuiCycle cycle(hooks);
    cycle.Start();
    QDialog dialog;
    std::uint64_t atOpen = 0;
    QTimer::singleShot(0, [&] { atOpen = cycle.Cycles(); });
    QTimer::singleShot(150, &dialog, &QDialog::accept);
    dialog.exec();
    // About 30 ticks of 5 ms while the dialog's own loop ran.
    EXPECT_GT(cycle.Cycles() - atOpen, 10u);
    cycle.Stop();
}
