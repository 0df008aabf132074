// Quorva run-time. Licensed under the MIT licence.
#include "shell/MainSequence.h"

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "platform/Process.h"
#include "shell/FileHelpers.h"
#include "shell/StartLists.h"
#include "shell/StopSignals.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

namespace shell {

namespace {

constexpr std::string_view kApplicationTitle = "RTQuorva I/O";
constexpr std::int32_t kWaitingForEditor = 255;
constexpr std::int32_t kEditorReleased = 0;
constexpr std::int32_t kRuntimeUp = 123;

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

bool ExistsOnDisk(std::string_view projectPath) {
    struct stat info {};
    return ::stat(platform::HostPath(projectPath).c_str(), &info) == 0;
}

} // namespace

const char MainSequence::ScanThreadKey = 0;

MainSequence::MainSequence(ShellContext& context, RuntimeHooks& hooks, MainSettings settings)
    : m_context(context), m_hooks(hooks), m_settings(std::move(settings)) {
    if (!m_settings.debuggerPresent)
        m_settings.debuggerPresent = platform::DebuggerAttached;
    if (m_settings.clock == nullptr)
        m_settings.clock = &platform::SystemClock::Instance();
}

int MainSequence::Run() {
    if (!CreateLinkBlocks())
        return kExitSetupFailed;
    // The profiler's named-value list is created empty with the editor-command poll.

    if (m_context.Package().Open("Kestra.PFC") == nullptr) {
        platform::LogInfo("no Kestra.PFC in the project: nothing to run");
        return kExitDone;
    }
    // The application's name, not a display name: Qt would append a display name to every
    // window title, and the screens' windows carry their own captions.
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle.data(),
                                                           kApplicationTitle.size()));

    // The editor side runs when it says so in one of its two blocks.
    if (LoadLinkShortString(m_editorRun) == "EDIRUN" || std::to_integer<int>(m_plcRun[0]) != 0)
        m_standaloneRun = false;
    m_debugSession = m_settings.debuggerPresent();
    platform::LogInfo("standalone run: {}, debug session: {}", m_standaloneRun, m_debugSession);
    m_hooks.StartupFlags(m_standaloneRun, m_debugSession);

    // A unit that fails to load ends the run after its box, as the original does, but not
    // with the exit code of a clean run.
    if (!LoadStartUnits())
        return kExitUnitLoadFailed;

    std::unique_ptr<Stream> screens = m_context.Package().Open("Kestra.PFC");
    std::string screenList = screens ? screens->ReadAll() : std::string();
    for (const std::string& line : StartScreenLines(screenList)) {
        if (!LoadStartScreen(line))
            return kExitUnitLoadFailed;
    }

    if (m_debugSession)
        WaitForEditor();

    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle.data(),
                                                           kApplicationTitle.size()));
    QCoreApplication::processEvents();

    StartScanThread();
    m_hooks.StartAlarmManager();
    StoreLinkInt32(m_debugAddress, kRuntimeUp);
    platform::LogInfo("running");

    m_hooks.StartScreenCycle([this] { RequestQuit(); });
    RunMessageLoop();
    m_hooks.EndScreenCycle();
    Shutdown();
    return kExitDone;
}

bool MainSequence::CreateLinkBlocks() {
    LinkArea& link = m_context.Link();
    m_debugAddress = link.LinkBlock("LDEBADR", 4);
    std::byte* command = link.LinkBlock("LQRUCOMMANDE", 4);
    std::byte* argument = link.LinkBlock("LAUX", 4);
    std::byte* name = link.LinkBlock("LNOMQRU", 256);
    std::byte* profiler = link.LinkBlock("LENPROFILER", 1);
    m_plcRun = link.LinkBlock("LPLCRUN", 256);
    m_editorRun = link.LinkBlock("LEDIRUN", 256);
    if (!m_debugAddress || !command || !argument || !name || !profiler || !m_plcRun ||
        !m_editorRun) {
        platform::LogError("the editor link area has no room for the run-time's blocks");
        return false;
    }
    return true;
}

bool MainSequence::LoadStartUnits() {
    std::unique_ptr<Stream> list = m_context.Package().Open("PROG.OCO");
    if (!list)
        return true;
    for (const std::string& line : StartUnitLines(list->ReadAll())) {
        if (std::optional<UnitLoadError> error = m_hooks.LoadUnit(line + ".QRU")) {
            ReportLoadError(*error);
            return false;
        }
    }
    return true;
}

bool MainSequence::LoadStartScreen(const std::string& line) {
    const std::string name = UpperCase(line);
    m_currentSynVersion = ReadSynVersion(name);

    const std::string unit = name + "_Auto.qru";
    if (std::optional<UnitLoadError> error = m_hooks.LoadUnit(unit)) {
        ReportLoadError(*error);
        return false;
    }
    m_hooks.HoldUnit(unit);

    if (!m_hooks.BuildScreenForm(name)) {
        platform::LogWarning("screen {} could not be built; going on with the next one", name);
        return true;
    }
    const std::string menu = name + ".RC";
    if (ExistsOnDisk(name + ".Rc") || m_context.Package().Contains(menu))
        m_hooks.BuildMenuScript(name, menu);
    m_hooks.RegisterScreenUnit(name, unit);
    return true;
}

std::int32_t MainSequence::ReadSynVersion(std::string_view name) const {
    std::unique_ptr<Stream> screen = m_context.Package().Open(std::string(name) + ".Syn");
    if (!screen)
        return 6;
    char header[13] = {};
    if (screen->Read(header, sizeof(header)) < sizeof(header) ||
        !std::isdigit(static_cast<unsigned char>(header[12]))) {
        // A header too short or without a version digit converts to nothing; the screen
        // reader reports the damaged file itself.
        platform::LogWarning("screen {}.Syn has no version digit in its header", name);
        return 0;
    }
    return header[12] - '0';
}

void MainSequence::ReportLoadError(const UnitLoadError& error) {
    platform::LogError("unit {} failed to load: {}", error.unitName, error.message);
    m_context.Boxes().ErrorBox("Error " + error.unitName, error.message);
}

void MainSequence::WaitForEditor() {
    StoreLinkInt32(m_debugAddress, kWaitingForEditor);
    platform::LogInfo("waiting for the editor to release the start");
    while (LoadLinkInt32(m_debugAddress) != kEditorReleased && !m_quitRequested) {
        m_hooks.PollEditorCommand();
        QCoreApplication::processEvents();
        m_settings.clock->SleepMilliseconds(10);
    }
}

void MainSequence::StartScanThread() {
    ThreadRegistry& threads = m_context.Threads();
    RuntimeHooks& hooks = m_hooks;
    threads.ThreadCreate(
        &ScanThreadKey,
        [&hooks](WorkerControl& control) {
            while (control.Checkpoint()) {
                hooks.RunScanPass();
                hooks.PollEditorCommand();
                control.SleepMilliseconds(10);
            }
        },
        6);
    threads.ThreadStart(&ScanThreadKey);
    platform::LogInfo("scan thread started");
}

void MainSequence::RequestQuit() {
    m_quitRequested = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                              Qt::QueuedConnection);
}

void MainSequence::RunMessageLoop() {
    StopSignals stopSignals([this](int) { RequestQuit(); });
    QApplication::setQuitOnLastWindowClosed(false);
    if (m_settings.runForMilliseconds) {
        QTimer::singleShot(static_cast<int>(*m_settings.runForMilliseconds), Qt::PreciseTimer,
                           QCoreApplication::instance(), [this] { RequestQuit(); });
    }
    while (!m_quitRequested)
        QCoreApplication::exec();
}

void MainSequence::PumpMessages(std::uint32_t ms) {
    const std::uint32_t start = m_settings.clock->TickCount();
    for (;;) {
        std::uint32_t elapsed = m_settings.clock->TickCount() - start;
        if (elapsed >= ms)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(ms - elapsed));
        m_settings.clock->SleepMilliseconds(1);
    }
}

void MainSequence::Shutdown() {
    platform::LogInfo("shutting down");
    m_hooks.StopScheduler();
    // The scan thread holds still from here, so that the final pass below runs alone.
    m_context.Threads().ThreadPause(&ScanThreadKey);
    PumpMessages(100);
    m_hooks.SetEndProgram(true);
    m_hooks.RunScanPass();
    PumpMessages(100);
    m_context.Threads().ThreadStop(&ScanThreadKey);
    DeleteFilesByMask("*.VAD", m_context.Presenter());
    DeleteFilesByMask("*.VID", m_context.Presenter());
    // After the final pass, so that what the units did to the alarm history then is kept.
    m_hooks.StopAlarms();
    m_hooks.SwitchSpeakerOff();
    platform::LogInfo("ended");
}

} // namespace shell
