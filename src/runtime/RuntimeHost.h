// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alarms/AlarmManager.h"
#include "engine/DebugMap.h"
#include "engine/FunctionCollection.h"
#include "engine/GlobalBlock.h"
#include "engine/Loader.h"
#include "engine/ProgramRecords.h"
#include "engine/ProjectDirectories.h"
#include "engine/Scheduler.h"
#include "engine/UnitEditorTargets.h"
#include "engine/VariableCollection.h"
#include "engine/VariableStore.h"
#include "platform/CpuEngine.h"
#include "platform/GuestMemory.h"
#include "platform/PortAccess.h"
#include "platform/Result.h"
#include "runtime/ExternalEntries.h"
#include "runtime/PrintQueue.h"
#include "runtime/PrintRenderer.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenHost.h"
#include "runtime/Services.h"
#include "runtime/SystemVariableSpecs.h"
#include "shell/EditorCommands.h"
#include "shell/PrintSpool.h"
#include "shell/RuntimeHooks.h"
#include "shell/ShellContext.h"

namespace runtime {

struct HostOptions {
    // Stops a call into unit code that runs longer (0 = off).
    std::uint32_t watchdogMilliseconds = platform::CpuEngine::kDefaultWatchdogMilliseconds;
    // Window images written when the run ends (and during it).
    ScreenshotSettings screenshots;
};

// The unit engine put together: the shared global block mapped into guest memory, the runtime
// function library, the loader with its collections, the variable store, the scheduler, the
// editor-command poll, and one CPU engine per thread that runs unit code. It is what the main
// sequence's hooks reach. Made on the GUI thread after the shell's context; lives until the
// main sequence has ended (the scan thread stopped) and goes before the shell's context.
class RuntimeHost final : public shell::RuntimeHooks {
public:
    static platform::Result<std::unique_ptr<RuntimeHost>> Create(shell::ShellContext& shell,
                                                                 const HostOptions& options);
    ~RuntimeHost() override;
    RuntimeHost(const RuntimeHost&) = delete;
    RuntimeHost& operator=(const RuntimeHost&) = delete;

    // The hooks of the main sequence.
    void StartupFlags(bool standaloneRun, bool debugSession) override;
    std::optional<shell::UnitLoadError> LoadUnit(std::string_view fileName) override;
    void HoldUnit(std::string_view fileName) override;
    bool BuildScreenForm(std::string_view screenName) override;
    void BuildMenuScript(std::string_view screenName, std::string_view scriptName) override;
    void RegisterScreenUnit(std::string_view screenName, std::string_view unitFileName) override;
    // Opens a project screen while the run goes on (DISPLAY of a screen not open yet): its unit
    // is loaded and held, its window built and shown, its menu applied and the unit registered.
    // False, with the reason logged, when the project has no such screen file or its unit cannot
    // be loaded.
    bool OpenScreen(std::string_view screenName);
    void RunScanPass() override;
    void PollEditorCommand() override;
    void StartAlarmManager() override;
    void StopAlarms() override;
    void StopScheduler() override;
    void SetEndProgram(bool value) override;
    void SwitchSpeakerOff() override;
    void StartScreenCycle(std::function<void()> requestQuit) override;
    void EndScreenCycle() override;

    engine::Loader& Loader() { return *m_loader; }
    engine::Scheduler& Scheduler() { return *m_scheduler; }
    engine::VariableStore& Store() { return *m_store; }
    RuntimeLibrary& Library() { return *m_library; }
    ScreenHost& Screens() { return *m_screens; }
    alarms::AlarmManager& Alarms() { return *m_alarms; }
    platform::GuestMemory& Memory() { return *m_memory; }

    // The CPU engine of the calling thread, made on first use.
    platform::CpuEngine* EngineOfThisThread();

private:
    RuntimeHost(shell::ShellContext& shell, const HostOptions& options, engine::GlobalBlock block);
    platform::Status Build();
    void SayOnce(std::atomic<bool>& said, std::string_view what);

    // The alarm manager's reach into the run: variables, files, clock, speaker and the hooks
    // that units set in CALLBACKPRINTALARM and CALLBACKALARMEX.
    alarms::AlarmServices MakeAlarmServices(const std::string& projectDirectory);
    // One argument of an alarm hook: a String (placed in guest memory) or an Integer.
    struct HookArgument {
        std::string text;
        std::optional<std::int32_t> integer;
    };
    // Calls the procedure whose address `cell` holds, when it holds one, on this thread's CPU
    // engine: the first three arguments in EAX, EDX, ECX, the others pushed in order. A
    // procedure that faults (or runs into the watchdog) is logged and not called again until the
    // cell holds another address.
    void CallAlarmHook(SystemVariableId cell, std::string_view name,
                       const std::vector<HookArgument>& arguments, std::uint32_t& faulted);
    void SpeakerOn(unsigned hertz);

    shell::ShellContext& m_shell;
    HostOptions m_options;
    engine::GlobalBlock m_globalBlock;
    std::unique_ptr<platform::GuestMemory> m_memory;
    engine::FunctionCollection m_functions;
    engine::VariableCollection m_variables;
    Implementations m_implementations;
    std::unique_ptr<RuntimeLibrary> m_library;
    engine::ProgramList m_programs;
    std::unique_ptr<engine::Scheduler> m_scheduler;
    std::unique_ptr<ExternalEntries> m_externals;
    engine::DebugMapAdapter<engine::DebugMap> m_debugMaps;
    engine::ProjectDirectories m_directories;
    std::unique_ptr<engine::Loader> m_loader;
    std::unique_ptr<engine::VariableStore> m_store;
    std::unique_ptr<engine::UnitEditorTargets> m_unitTargets;
    std::unique_ptr<ScreenHost> m_screens;
    std::unique_ptr<shell::EditorCommands> m_editor;
    platform::PortAccess m_ports;
    Services m_services;

    std::mutex m_enginesMutex;
    std::map<std::thread::id, std::unique_ptr<platform::CpuEngine>> m_engines;

    std::unique_ptr<alarms::AlarmManager> m_alarms;
    bool m_alarmsStarted = false;
    // Guest memory for the String arguments of the alarm hooks, made on first use.
    std::optional<platform::GuestAddress> m_hookScratch;
    std::uint32_t m_printHookFaulted = 0;
    std::uint32_t m_smsHookFaulted = 0;
    bool m_saidNoSpeaker = false;

    // Printing: the spool that prints or files the jobs, its printers as the print queue sees
    // them, and the renderer that makes the jobs' PDF files and hands them to the spool (it
    // goes first, delivering what still waits).
    std::unique_ptr<shell::PrintSpool> m_printSpool;
    std::unique_ptr<PrinterChoice> m_printers;
    std::unique_ptr<PrintRenderer> m_printRenderer;
};

} // namespace runtime
