// Quorva run-time. Licensed under the MIT licence.
#include "screens/GuiCycle.h"

#include <QApplication>

#include "platform/Clock.h"
#include "screens/Component.h"
#include "screens/Figure.h"
#include "screens/InputCapture.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"

namespace screens {

namespace {

constexpr int kDefaultPeriod = 10;
constexpr int kMaxPeriod = 60000;

class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

GuiCycle::GuiCycle(GuiCycleHooks hooks) : m_services(std::move(hooks))
{
    if (!m_services.tickCount)
        m_services.tickCount = [] { return platform::SystemClock::Instance().TickCount(); };
    if (!m_services.microseconds)
        m_services.microseconds = [] { return platform::SystemClock::Instance().Microseconds(); };
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

GuiCycle::~GuiCycle() = default;

int GuiCycle::WantedPeriod() const
{
    const std::int32_t period = m_services.period ? m_services.period() : kDefaultPeriod;
    // A period of 0 or less would spin the GUI thread; such a value runs at 1 ms.
    if (period < 1)
        return 1;
    return period > kMaxPeriod ? kMaxPeriod : static_cast<int>(period);
}

void GuiCycle::Start()
{
    if (!m_capture)
        m_capture = std::make_unique<InputCapture>();
    m_lastTick = m_services.tickCount();
    m_last500msTick = m_lastTick;
    m_timer.start(WantedPeriod());
}

void GuiCycle::Stop()
{
    m_timer.stop();
    m_capture.reset();
}

void GuiCycle::Tick()
{
    // A changed period takes effect from the next tick on.
    const int wanted = WantedPeriod();
    if (wanted != m_timer.interval())
        m_timer.setInterval(wanted);
    if (m_paused)
        return;
    if (m_inStep) {
        RunScreenObjects();
        return;
    }
    Step();
}

void GuiCycle::ComputePulses(bool& pulse100ms, bool& pulse500ms)
{
    const std::uint32_t now = m_services.tickCount();
    m_carry100ms += static_cast<std::int64_t>(now - m_lastTick);
    m_lastTick = now;
    pulse100ms = false;
    if (m_carry100ms > 100) {
        pulse100ms = true;
        m_carry100ms -= 100;
        if (m_carry100ms > 100)
            m_carry100ms = 0;
    }
    pulse500ms = now - m_last500msTick >= 500;
    if (pulse500ms)
        m_last500msTick = now;
}

void GuiCycle::Step()
{
    FlagScope inStep(m_inStep);
    ++m_cycles;
    {
        FlagScope running(m_hooksRunning);
        for (const auto& hook : m_hooks)
            hook();
    }

    ScreenGlobals& globals = Globals();
    globals.menu.CycleStep();
    if (m_services.publishMenu)
        m_services.publishMenu(globals.menu);

    globals.input.Latch();
    if (m_services.publishInput)
        m_services.publishInput(globals.input.Latched());
    bool pulse100ms = false;
    bool pulse500ms = false;
    ComputePulses(pulse100ms, pulse500ms);
    if (m_services.publishPulses)
        m_services.publishPulses(pulse100ms, pulse500ms);

    RunAutomaticUnits();

    if (m_services.runUserProgram) {
        SetStepText("RunUserProg");
        m_services.runUserProgram();
        SetStepText(kIdleStepText);
    }

    RunScreenObjects();
    BlinkFigures(pulse500ms);
}

void GuiCycle::RunAutomaticUnits()
{
    Globals().screenUnits.ForEach([this](ScreenUnitRecord& record) {
        if (!record.mainEntry || record.window == nullptr)
            return;
        SetCurrentWindow(record.window);
        SetStepText(record.window->ScreenName());
        if (record.stopped || !m_services.runUnit) {
            record.lastMicroseconds = 0;
        } else {
            const std::int64_t start = m_services.microseconds();
            std::optional<std::string> fault = m_services.runUnit(*record.mainEntry);
            const std::int64_t elapsed = m_services.microseconds() - start;
            record.lastMicroseconds = static_cast<std::int32_t>(
                elapsed > INT32_MAX ? INT32_MAX : (elapsed < 0 ? 0 : elapsed));
            if (fault) {
                // The screen's unit stops; the other screens go on.
                record.stopped = true;
                if (m_services.reportFault)
                    m_services.reportFault(Globals().stepText, *fault);
            }
        }
        SetStepText(kIdleStepText);
    });
}

void GuiCycle::RunScreenObjects()
{
    ScreenGlobals& globals = Globals();
    if (globals.activeObjects.empty())
        return;
    CurrentScope keep;
    // An object's Run may load a screen, which adds objects: those run from the next cycle.
    const std::size_t count = globals.activeObjects.size();
    for (std::size_t i = 0; i < count; ++i) {
        const ActiveObject entry = globals.activeObjects[i];
        Figure* figure = FigureOf(entry.figure.data());
        if (figure == nullptr || entry.window == nullptr || figure->ScreenObject() == nullptr)
            continue;
        if (entry.window == globals.inactiveWindow && entry.window->IsMarkedInactive())
            continue;
        SetCurrentWindow(entry.window);
        SetCurrentFigure(figure);
        SetStepText(entry.window->ScreenName() + " " + figure->Properties().className + ".Run");
        figure->ScreenObject()->Run();
    }
    SetStepText(kIdleStepText);
}

// Figures whose object blinks toggle on each 500 ms pulse; others are left as they are.
void GuiCycle::BlinkFigures(bool pulse500ms)
{
    if (!pulse500ms)
        return;
    CurrentScope keep;
    Globals().screenUnits.ForEach([](ScreenUnitRecord& record) {
        if (record.window == nullptr)
            return;
        for (QWidget* widget : record.window->findChildren<QWidget*>()) {
            Figure* figure = FigureOf(widget);
            if (figure == nullptr)
                continue;
            Component* object = figure->ScreenObject();
            if (object != nullptr && object->Blinking()) {
                SetCurrentWindow(record.window);
                SetCurrentFigure(figure);
                object->BlinkStep(true);
            } else if (figure->Properties().blinking) {
                // A blinking figure shows only on its page.
                widget->setVisible(!widget->isVisible() && figure->OnCurrentPage());
            }
        }
    });
}

} // namespace screens
