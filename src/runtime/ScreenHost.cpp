// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenHost.h"

#include "runtime/StoreVariables.h"

#include <chrono>

#include "platform/CodePage.h"
#include "platform/CpuEngine.h"
#include "platform/Log.h"
#include "runtime/RuntimeClock.h"
#include "runtime/SystemVariables.h"
#include "screens/ClassRegistry.h"
#include "screens/InputEvents.h"
#include "screens/MenuScript.h"
#include "screens/MenuSelection.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"
#include "screens/Screenshots.h"
#include "shell/MessageBoxes.h"
#include "trends/TrendClasses.h"

namespace runtime {

namespace {

screens::ScreenForm* FormOf(const QPointer<QWidget>& widget)
{
    return dynamic_cast<screens::ScreenForm*>(widget.data());
}

} // namespace

ScreenHost::ScreenHost(Context context) : m_context(std::move(context))
{
    screens::ScreenGlobals& globals = screens::Globals();
    globals.projectDirectory = m_context.projectDirectory;
    globals.boxes = &m_context.boxes;
    globals.package = &m_context.package;
    globals.dictionary = &m_context.dictionary;
    m_variables = std::make_unique<StoreVariables>(m_context.store);
    globals.variables = m_variables.get();
    screens::RegisterStandardClasses(globals.classes);
    trends::RegisterTrendClasses(globals.classes);
    m_cycle = std::make_unique<screens::GuiCycle>(MakeCycleHooks());
}

ScreenHost::~ScreenHost()
{
    m_screenshotTimer.stop();
    m_cycle.reset();
    // The windows go before the engine they call into; the records that name them stay empty.
    for (auto& [name, window] : m_windows)
        delete window.data();
    // The screens' process-wide state goes with them; the class registry stays.
    screens::ScreenGlobals& globals = screens::Globals();
    globals.screenUnits.Clear();
    globals.activeObjects.clear();
    globals.boxes = nullptr;
    globals.package = nullptr;
    globals.dictionary = nullptr;
    globals.variables = nullptr;
    globals.mainWindow = nullptr;
}

screens::GuiCycleHooks ScreenHost::MakeCycleHooks()
{
    SystemVariables& cells = m_context.cells;
    screens::GuiCycleHooks hooks;
    hooks.period = [&cells] { return cells.Integer(SystemVariableId::SCANFORMS); };
    hooks.publishInput = [&cells](const screens::InputEvents& events) {
        cells.SetBoolean(SystemVariableId::LBUTTONDOWN, events.leftDown);
        cells.SetBoolean(SystemVariableId::LBUTTONUP, events.leftUp);
        cells.SetBoolean(SystemVariableId::RBUTTONDOWN, events.rightDown);
        cells.SetBoolean(SystemVariableId::RBUTTONUP, events.rightUp);
        cells.SetBoolean(SystemVariableId::DBCLICK, events.doubleClick);
        cells.SetBoolean(SystemVariableId::ALTACTIVED, events.alt);
        cells.SetBoolean(SystemVariableId::SHIFTACTIVED, events.shift);
        cells.SetBoolean(SystemVariableId::CTRLACTIVED, events.ctrl);
        if (events.Any()) {
            cells.SetInteger(SystemVariableId::XMOUSE, events.x);
            cells.SetInteger(SystemVariableId::YMOUSE, events.y);
        }
    };
    hooks.publishPulses = [&cells](bool pulse100ms, bool pulse500ms) {
        cells.SetByte(SystemVariableId::BT100, pulse100ms ? 1 : 0);
        cells.SetByte(SystemVariableId::BT_500, pulse500ms ? 1 : 0);
        if (pulse500ms)
            RefreshClockVariables(cells, std::chrono::system_clock::now());
    };
    hooks.publishMenu = [&cells](const screens::MenuSelection& menu) {
        cells.SetWord(SystemVariableId::MENUID, static_cast<std::uint16_t>(menu.PublishedNumber()));
    };
    hooks.runUnit = [this](std::uint32_t entry) { return RunUnit(entry); };
    hooks.reportFault = [this](const std::string& stepText, const std::string& fault) {
        platform::LogError("screen {}: its unit is stopped: {}", stepText, fault);
        m_context.boxes.ErrorBox("Error " + stepText, fault);
    };
    hooks.runUserProgram = [this, &cells] {
        const std::int32_t routine = cells.Integer(SystemVariableId::RUNUSERPROG);
        if (routine == 0)
            return false;
        if (std::optional<std::string> fault = RunUnit(static_cast<std::uint32_t>(routine))) {
            // A routine that faults is not called again.
            cells.SetInteger(SystemVariableId::RUNUSERPROG, 0);
            platform::LogError("RUNUSERPROG: {}", *fault);
            m_context.boxes.ErrorBox("Error RunUserProg", *fault);
        }
        return true;
    };
    return hooks;
}

std::optional<std::string> ScreenHost::RunUnit(std::uint32_t entry)
{
    platform::CpuEngine* cpu = m_context.engineOfThisThread();
    if (cpu == nullptr)
        return std::string("no CPU engine on the GUI thread");
    platform::Status ran = cpu->CallUnitCode(entry);
    if (ran.IsOk())
        return std::nullopt;
    return ran.Error();
}

bool ScreenHost::BuildScreenForm(std::string_view name)
{
    QPointer<screens::ScreenForm> window;
    if (!screens::LoadScreen(name, window, m_context.projectDirectory)) {
        delete window.data();
        return false;
    }
    m_windows.emplace_back(platform::UpperAscii(name), window.data());
    window->show();
    return true;
}

void ScreenHost::BuildMenuScript(std::string_view name, std::string_view scriptName)
{
    const std::string upper = platform::UpperAscii(name);
    for (auto& [windowName, window] : m_windows) {
        if (windowName == upper && FormOf(window) != nullptr) {
            screens::LoadMenuScript(*FormOf(window), scriptName);
            return;
        }
    }
}

void ScreenHost::RegisterScreenUnit(std::string_view name, std::string_view unitFileName)
{
    const std::string upper = platform::UpperAscii(name);
    screens::ScreenForm* window = nullptr;
    for (auto& [windowName, candidate] : m_windows)
        if (windowName == upper)
            window = FormOf(candidate);
    std::optional<std::uint32_t> entry;
    if (engine::TProgRun* unit = m_context.programs.FindProgram(unitFileName))
        entry = unit->mainEntry;
    screens::Globals().screenUnits.Register(upper, "screens", entry, unitFileName, window);
}

void ScreenHost::WatchMainWindow()
{
    screens::ScreenForm* main = screens::Globals().mainWindow.data();
    if (main == nullptr)
        return;
    main->SetClosedHandler([this] {
        if (m_requestQuit)
            m_requestQuit();
    });
}

void ScreenHost::StartCycle(std::function<void()> requestQuit, ScreenshotSettings screenshots)
{
    m_requestQuit = std::move(requestQuit);
    m_screenshots = std::move(screenshots);
    WatchMainWindow();
    RefreshClockVariables(m_context.cells, std::chrono::system_clock::now());
    m_startMicroseconds = platform::SystemClock::Instance().Microseconds();
    m_cycle->Start();
    if (!m_screenshots.directory.empty() && m_screenshots.everyMilliseconds > 0) {
        m_screenshotTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_screenshotTimer, &QTimer::timeout, [this] {
            const std::int64_t elapsed =
                (platform::SystemClock::Instance().Microseconds() - m_startMicroseconds) / 1000;
            screens::WriteScreenshots(m_screenshots.directory, "-" + std::to_string(elapsed));
        });
        m_screenshotTimer.start(m_screenshots.everyMilliseconds);
    }
}

void ScreenHost::EndCycle()
{
    m_screenshotTimer.stop();
    m_cycle->Stop();
    if (!m_screenshots.directory.empty()) {
        const std::vector<std::string> written =
            screens::WriteScreenshots(m_screenshots.directory, "");
        for (const std::string& path : written)
            platform::LogInfo("screenshot written: {}", path);
    }
}

std::optional<shell::ScreenSnapshot> ScreenHost::FindScreen(std::string_view name) const
{
    const screens::ScreenUnitRegistry& units = screens::Globals().screenUnits;
    std::optional<std::string> state = units.State(name);
    if (!state)
        return std::nullopt;
    shell::ScreenSnapshot snapshot;
    snapshot.stopped = *state == "Stop";
    snapshot.cycleMicros = snapshot.stopped ? 0 : units.LastMicroseconds(name).value_or(0);
    return snapshot;
}

bool ScreenHost::SetScreenStopped(std::string_view name, bool stopped)
{
    return screens::Globals().screenUnits.SetStopped(name, stopped);
}

std::vector<std::string> ScreenHost::OpenScreens() const
{
    return screens::Globals().screenUnits.Names();
}

} // namespace runtime
