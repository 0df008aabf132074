// Quorva run-time. Licensed under the MIT licence.
#include "runtime/RuntimeHost.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/BitFunctions.h"
#include "runtime/ConversionFunctions.h"
#include "runtime/DateFunctions.h"
#include "runtime/FormServiceCommands.h"
#include "runtime/TextFileFunctions.h"
#include "runtime/UnitFunctions.h"
#include "runtime/VariableFunctions.h"
#include "runtime/LadderFunctions.h"
#include "runtime/MathFunctions.h"
#include "runtime/MemoryFunctions.h"
#include "runtime/MenuFunctions.h"
#include "runtime/PortFunctions.h"
#include "runtime/ProfilerFunctions.h"
#include "runtime/ScreenCommands.h"
#include "runtime/StringFunctions.h"
#include "runtime/TaskFunctions.h"
#include "runtime/MediaCommands.h"
#include "runtime/WebCommands.h"
#include "runtime/MailFunctions.h"
#include "runtime/OpcFunctions.h"
#include "runtime/TrendCommands.h"
#include "runtime/LadderViewerCommands.h"
#include "runtime/GrafcetCommands.h"
#include "runtime/PrintFunctions.h"
#include "runtime/ReportCommands.h"
#include "runtime/AlarmFunctions.h"
#include "runtime/RuntimeClock.h"
#include "runtime/ShortString.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenLoader.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <ctime>
#include <filesystem>

namespace runtime {

namespace {

// The print spool as the print queue's choice of printers.
class SpoolPrinters final : public PrinterChoice {
public:
    explicit SpoolPrinters(shell::PrintSpool& spool) : m_spool(spool) {}
    std::vector<std::string> Printers() const override { return m_spool.Printers(); }
    bool SelectPrinter(std::size_t index) override { return m_spool.SelectPrinter(index); }
    std::size_t SelectedPrinter() const override { return m_spool.SelectedPrinter(); }
    PageSetup Page() const override {
        const shell::PrintSpool::PageSize page = m_spool.Page();
        PageSetup setup;
        setup.widthPoints = page.widthPoints;
        setup.heightPoints = page.heightPoints;
        setup.paperWidthPoints = page.paperWidthPoints;
        setup.paperHeightPoints = page.paperHeightPoints;
        setup.leftMarginPoints = page.leftMarginPoints;
        setup.topMarginPoints = page.topMarginPoints;
        return setup;
    }

private:
    shell::PrintSpool& m_spool;
};

} // namespace

RuntimeHost::RuntimeHost(shell::ShellContext& shell, const HostOptions& options,
                         engine::GlobalBlock block)
    : m_shell(shell), m_options(options), m_globalBlock(std::move(block)) {}

RuntimeHost::~RuntimeHost() {
    // The OPC client delivers data changes into the variable store on a thread of its own: it
    // closes, and that thread ends, before the store goes.
    opc::EndOpcClient();
    // Print commands of code still running go nowhere from now on; the renderer, which goes
    // with the members, delivers the jobs already taken.
    ProcessPrintQueue().Detach();
    AttachReportSpool(nullptr);
    // The alarm manager reads the screens' variables and calls into the engines.
    if (m_alarms && screens::Globals().alarms == m_alarms.get())
        screens::Globals().alarms = nullptr;
    m_alarms.reset();
    // The windows and their cycle go first: they call into the engines and read the cells.
    m_editor.reset();
    screens::Globals().openScreen = nullptr;
    m_screens.reset();
    // The dictionary keeps the last values of the cells it was bound to; the cells go with guest
    // memory.
    if (m_library) {
        m_shell.Words().BindLanguageCell(nullptr);
        m_shell.Words().BindTranslationCell(nullptr);
    }
    // The blocks unit code took with GETMEM go with the memory.
    if (m_memory)
        memory::ForgetGetMemBlocks(*m_memory);
    // The text files unit code left open close with the run.
    if (m_memory)
        textfile::CloseAll(*m_memory);
    // The engines go before the memory they run over.
    std::lock_guard lock(m_enginesMutex);
    m_engines.clear();
}

platform::Result<std::unique_ptr<RuntimeHost>> RuntimeHost::Create(shell::ShellContext& shell,
                                                                   const HostOptions& options) {
    auto block = engine::GlobalBlock::Attach();
    if (!block)
        return platform::Fail("cannot attach the global-variable block: " + block.Error());
    std::unique_ptr<RuntimeHost> host(new RuntimeHost(shell, options, std::move(block.Value())));
    if (platform::Status built = host->Build(); !built)
        return platform::Fail(built.Error());
    return host;
}

platform::Status RuntimeHost::Build() {
    auto memory = platform::GuestMemory::Create(m_globalBlock.Host());
    if (!memory)
        return platform::Fail(memory.Error());
    m_memory = std::move(memory.Value());

    for (auto add : {&AddConversionFunctions, &AddStringFunctions, &AddBitFunctions,
                     &AddMemoryFunctions, &AddMathFunctions, &AddPortFunctions, &AddLadderFunctions,
                     &AddTaskFunctions, &AddProfilerFunctions, &AddScreenCommands,
                     &AddMenuFunctions, &AddDateFunctions, &AddTextFileFunctions,
                     &AddVariableFunctions, &AddFormServiceCommands, &AddUnitFunctions,
                     &AddMediaCommands, &AddWebCommands, &AddMailFunctions, &AddOpcFunctions,
                     &AddAlarmFunctions, &AddTrendCommands, &AddLadderViewerCommands,
                     &AddGrafcetCommands, &AddPrintFunctions, &AddReportCommands}) {
        if (platform::Status added = add(m_implementations); !added)
            return added;
    }
    shell::Dictionary& dictionary = m_shell.Words();
    auto library = RuntimeLibrary::Create(
        *m_memory, m_functions, m_variables, m_implementations,
        SystemVariableStart{dictionary.LanguageNumber(), dictionary.TranslationOn()});
    if (!library)
        return platform::Fail(library.Error());
    m_library = std::move(library.Value());
    SystemVariables& cells = m_library->Variables();
    dictionary.BindLanguageCell(
        reinterpret_cast<std::int32_t*>(cells.HostCell(SystemVariableId::NUMLANG)));
    dictionary.BindTranslationCell(
        reinterpret_cast<std::uint8_t*>(cells.HostCell(SystemVariableId::DOTRANSLATE)));

    engine::ScanVariables scanCells;
    scanCells.bt10 = cells.HostCell(SystemVariableId::BT_10);
    scanCells.bt100 = cells.HostCell(SystemVariableId::BT_100);
    scanCells.startProg = cells.HostCell(SystemVariableId::START_PROG);
    scanCells.endProg = cells.HostCell(SystemVariableId::END_PROG);
    m_scheduler = std::make_unique<engine::Scheduler>(m_programs, scanCells,
                                                      platform::SystemClock::Instance());
    shell::MessageBoxes& boxes = m_shell.Boxes();
    m_scheduler->SetHoldHandler([&boxes](std::string_view unit, std::string_view fault) {
        // The box goes up on the GUI thread; the scan goes on meanwhile.
        std::string caption = "Error " + std::string(unit);
        std::string text(fault);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&boxes, caption, text] { boxes.ErrorBox(caption, text); }, Qt::QueuedConnection);
    });

    m_externals = std::make_unique<ExternalEntries>(m_library->Dispatcher());
    std::error_code ignored;
    const std::string projectDirectory = std::filesystem::current_path(ignored).string();
    m_directories =
        engine::ProjectDirectories::Load(engine::ProjectDirectories::DefaultConfigPath(),
                                         projectDirectory);

    engine::LoaderContext context{*m_memory,
                                  m_functions,
                                  m_variables,
                                  m_programs,
                                  *m_scheduler,
                                  m_shell.Package(),
                                  m_shell.Presenter(),
                                  [this] { return EngineOfThisThread(); },
                                  m_library->Variables().Address(SystemVariableId::END_PROG),
                                  m_externals.get(),
                                  &m_debugMaps,
                                  [this] { return platform::HostPath(m_directories.ProjectDirectory()); },
                                  [this] { return platform::HostPath(m_directories.ModulesDirectory()); }};
    m_loader = std::make_unique<engine::Loader>(std::move(context));

    m_store = std::make_unique<engine::VariableStore>(m_globalBlock.View(), m_shell.Package(),
                                                      m_shell.Presenter());
    m_store->LoadGlobalNames();
    cells.SetInteger(SystemVariableId::BASEGLOBVARS,
                     static_cast<std::int32_t>(platform::guest::kGlobalBase + 1));
    cells.SetInteger(SystemVariableId::GLOBVARSIZE,
                     static_cast<std::int32_t>(m_store->GlobalDataSize()));

    m_unitTargets = std::make_unique<engine::UnitEditorTargets>(m_programs);
    m_screens = std::make_unique<ScreenHost>(ScreenHost::Context{
        m_programs, cells, *m_store, boxes, m_shell.Package(), dictionary,
        [this] { return EngineOfThisThread(); },
        platform::HostPath(m_directories.ProjectDirectory())});
    screens::Globals().openScreen = [this](std::string_view name) { return OpenScreen(name); };
    // Made before any unit code runs, so that the alarm history functions find it from either
    // thread; it reads its declarations when the main sequence starts it.
    m_alarms = std::make_unique<alarms::AlarmManager>(MakeAlarmServices(projectDirectory));
    screens::Globals().alarms = m_alarms.get();
    auto editor = shell::EditorCommands::Create(
        m_shell.Link(), *m_unitTargets, *m_screens,
        [&cells] { return cells.String(SystemVariableId::STR_SYS10); });
    if (!editor)
        return platform::Fail(editor.Error());
    m_editor = std::move(editor.Value());

    // Printing: jobs are rendered on the renderer's thread and spooled; the page of the chosen
    // printer (A4 without one) gives XPRINTPAGE and YPRINTPAGE.
    m_printSpool =
        std::make_unique<shell::PrintSpool>(shell::PrintSpool::LoadSettings(projectDirectory));
    m_printers = std::make_unique<SpoolPrinters>(*m_printSpool);
    m_printRenderer = std::make_unique<PrintRenderer>(PrintRenderer::Output{
        [spool = m_printSpool.get()](const std::string& pdf, const std::string& title) {
            spool->Submit(pdf, title);
        },
        [spool = m_printSpool.get()] { return spool->NewJobPath(); }});
    ProcessPrintQueue().Attach(m_printRenderer.get(), m_printers.get());
    AttachReportSpool(m_printSpool.get());
    SetPrintPageCells(cells, ProcessPrintQueue().Page());

    m_services.loader = m_loader.get();
    m_services.scheduler = m_scheduler.get();
    m_services.variables = m_store.get();
    m_services.systemVariables = &cells;
    m_services.dictionary = &dictionary;
    m_services.boxes = &boxes;
    m_services.editor = m_editor.get();
    m_services.package = &m_shell.Package();
    m_services.ports = &m_ports;
    m_services.directories = &m_directories;
    m_library->Dispatcher().SetServices(&m_services);
    return {};
}

platform::CpuEngine* RuntimeHost::EngineOfThisThread() {
    std::lock_guard lock(m_enginesMutex);
    std::unique_ptr<platform::CpuEngine>& engine = m_engines[std::this_thread::get_id()];
    if (!engine) {
        auto created = platform::CpuEngine::Create(*m_memory);
        if (!created) {
            platform::LogError("no CPU engine for this thread: {}", created.Error());
            return nullptr;
        }
        engine = std::move(created.Value());
        engine->SetWatchdog(m_options.watchdogMilliseconds);
    }
    return engine.get();
}

void RuntimeHost::SayOnce(std::atomic<bool>& said, std::string_view what) {
    if (!said.exchange(true))
        platform::LogInfo("{} is not part of this build", what);
}

void RuntimeHost::StartupFlags(bool standaloneRun, bool debugSession) {
    m_loader->SetStandaloneRun(standaloneRun);
    m_loader->SetDebugSession(debugSession);
}

std::optional<shell::UnitLoadError> RuntimeHost::LoadUnit(std::string_view fileName) {
    m_loader->LoadUnit(fileName);
    if (m_loader->LoadError().empty())
        return std::nullopt;
    return shell::UnitLoadError{m_loader->CurrentUnitName(), m_loader->LoadError()};
}

void RuntimeHost::HoldUnit(std::string_view fileName) {
    if (engine::TProgRun* unit = m_programs.FindProgram(fileName))
        unit->runState = engine::RunState::Held;
}

bool RuntimeHost::BuildScreenForm(std::string_view screenName) {
    return m_screens->BuildScreenForm(screenName);
}

bool RuntimeHost::OpenScreen(std::string_view screenName) {
    const std::string name = platform::UpperAscii(screenName);
    if (!screens::FindScreenFile(name, platform::HostPath(m_directories.ProjectDirectory())))
        return false;
    const std::string unit = name + "_Auto.qru";
    if (m_programs.FindProgram(unit) == nullptr) {
        if (std::optional<shell::UnitLoadError> error = LoadUnit(unit)) {
            platform::LogError("screen {}: its unit {} cannot be loaded: {}", name, error->unitName,
                               error->message);
            return false;
        }
        HoldUnit(unit);
    }
    if (!BuildScreenForm(name))
        return false;
    const std::string menu = name + ".RC";
    if (m_shell.Package().Contains(menu) ||
        std::filesystem::exists(platform::HostPath(name + ".Rc")))
        BuildMenuScript(name, menu);
    RegisterScreenUnit(name, unit);
    return true;
}

void RuntimeHost::BuildMenuScript(std::string_view screenName, std::string_view scriptName) {
    m_screens->BuildMenuScript(screenName, scriptName);
}

void RuntimeHost::RegisterScreenUnit(std::string_view screenName, std::string_view unitFileName) {
    m_screens->RegisterScreenUnit(screenName, unitFileName);
}

void RuntimeHost::StartScreenCycle(std::function<void()> requestQuit) {
    m_screens->StartCycle(std::move(requestQuit), m_options.screenshots);
}

void RuntimeHost::EndScreenCycle() { m_screens->EndCycle(); }

void RuntimeHost::RunScanPass() {
    if (platform::CpuEngine* cpu = EngineOfThisThread())
        m_scheduler->RunScan(*cpu);
}

void RuntimeHost::PollEditorCommand() {
    // The poll reads the loaded units: it runs under the scan handshake, so that a load or
    // unload on the GUI thread never changes them beneath it.
    m_scheduler->RunBesideUnits([this] { m_editor->PollEditorCommand(); });
}

void RuntimeHost::StartAlarmManager() {
    if (m_alarmsStarted)
        return;
    m_alarmsStarted = true;
    if (m_alarms->Start() == 0)
        return;
    m_screens->Cycle().AddHook([this] {
        if (m_alarms)
            m_alarms->ScanStep();
    });
}

void RuntimeHost::StopAlarms() {
    if (m_alarms)
        m_alarms->Stop();
}

alarms::AlarmServices RuntimeHost::MakeAlarmServices(const std::string& projectDirectory) {
    alarms::AlarmServices services;
    services.variables = screens::Globals().variables;
    services.package = &m_shell.Package();
    services.dictionary = &m_shell.Words();
    services.projectDirectory = projectDirectory;
    services.tickMilliseconds = [] {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    };
    services.dateText = [] { return ShortDateText(std::chrono::system_clock::now()); };
    services.timeText = [] { return TimeText(std::chrono::system_clock::now()); };
    services.logDateText = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char text[16];
        return std::string(text, std::strftime(text, sizeof text, "%d/%m/%Y", &local));
    };
    services.printHook = [this](const std::string& line) {
        CallAlarmHook(SystemVariableId::CALLBACKPRINTALARM, "CALLBACKPRINTALARM", {{line, {}}},
                      m_printHookFaulted);
    };
    services.smsHook = [this](const alarms::SmsEvent& sms) {
        CallAlarmHook(SystemVariableId::CALLBACKALARMEX, "CALLBACKALARMEX",
                      {{sms.date, {}},
                       {sms.time, {}},
                       {sms.text, {}},
                       {sms.destination, {}},
                       {std::string(1, sms.kind), {}},
                       {sms.state, {}},
                       {{}, sms.event},
                       {sms.zone, {}},
                       {sms.group, {}}},
                      m_smsHookFaulted);
    };
    services.beep = [this](unsigned hertz) { SpeakerOn(hertz); };
    return services;
}

void RuntimeHost::CallAlarmHook(SystemVariableId cell, std::string_view name,
                                const std::vector<HookArgument>& arguments,
                                std::uint32_t& faulted) {
    const auto address = static_cast<std::uint32_t>(m_library->Variables().Integer(cell));
    if (address == 0 || address == faulted)
        return;
    faulted = 0;
    platform::CpuEngine* cpu = EngineOfThisThread();
    if (cpu == nullptr)
        return;
    constexpr std::uint32_t kStringSize = 256;
    constexpr std::uint32_t kMaxStrings = 16;
    if (!m_hookScratch)
        m_hookScratch = m_memory->AllocateRuntime(kStringSize * kMaxStrings);
    if (!m_hookScratch) {
        platform::LogError("{}: no guest memory for the alarm hook's arguments", name);
        return;
    }
    std::vector<std::uint32_t> values;
    std::uint32_t strings = 0;
    for (const HookArgument& argument : arguments) {
        if (argument.integer) {
            values.push_back(static_cast<std::uint32_t>(*argument.integer));
            continue;
        }
        const ShortString text(argument.text);
        const platform::GuestAddress at = *m_hookScratch + kStringSize * strings++;
        m_memory->WriteBytes(at, text.Stored(), static_cast<std::uint32_t>(text.Length() + 1));
        values.push_back(at);
    }
    platform::GuestRegisters registers;
    registers.eax = values.size() > 0 ? values[0] : 0;
    registers.edx = values.size() > 1 ? values[1] : 0;
    registers.ecx = values.size() > 2 ? values[2] : 0;
    const std::vector<std::uint32_t> stacked(
        values.begin() + std::min<std::size_t>(3, values.size()), values.end());
    const std::string previousStep = screens::Globals().stepText;
    screens::SetStepText(name);
    auto called = cpu->Call(address, registers, stacked);
    screens::SetStepText(previousStep);
    if (!called) {
        faulted = address;
        platform::LogError("{}: the alarm hook at 0x{:08x} failed: {}; it is not called again "
                           "until {} changes",
                           name, address, called.Error(), name);
    }
}

void RuntimeHost::SpeakerOn(unsigned hertz) {
    // The PC speaker: timer 2 at the tone's divisor, then bits 0 and 1 of port 0x61.
    if (!m_ports.PortsAvailable()) {
        if (!m_saidNoSpeaker)
            platform::LogInfo("no access to I/O ports: alarms do not beep");
        m_saidNoSpeaker = true;
        return;
    }
    const std::int32_t bus = m_library->Variables().Integer(SystemVariableId::NTBUSTYPE);
    const std::uint8_t control = m_ports.ReadPortByte(bus, 0x61);
    if ((control & 0x03u) == 0x03u)
        return;
    constexpr unsigned kTimerHertz = 1193180;
    const unsigned divisor = kTimerHertz / std::max(hertz, 19u);
    m_ports.WritePortByte(bus, 0x43, 0xB6);
    m_ports.WritePortByte(bus, 0x42, static_cast<std::uint8_t>(divisor & 0xFFu));
    m_ports.WritePortByte(bus, 0x42, static_cast<std::uint8_t>((divisor >> 8) & 0xFFu));
    m_ports.WritePortByte(bus, 0x61, static_cast<std::uint8_t>(control | 0x03u));
}

void RuntimeHost::StopScheduler() { m_scheduler->StopScan(); }

void RuntimeHost::SetEndProgram(bool value) {
    m_library->Variables().SetBoolean(SystemVariableId::END_PROG, value);
}

void RuntimeHost::SwitchSpeakerOff() {
    // The PC speaker off: bits 0 and 1 of port 0x61 cleared, where ports can be reached.
    if (!m_ports.PortsAvailable()) {
        platform::LogInfo("no access to I/O ports: the speaker is left as it is");
        return;
    }
    SystemVariables& cells = m_library->Variables();
    const std::int32_t bus = cells.Integer(SystemVariableId::NTBUSTYPE);
    const std::uint8_t control = m_ports.ReadPortByte(bus, 0x61);
    m_ports.WritePortByte(bus, 0x61, static_cast<std::uint8_t>(control & ~0x03u));
}

} // namespace runtime
