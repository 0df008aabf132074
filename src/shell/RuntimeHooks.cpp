// Quorva run-time. Licensed under the MIT licence.
#include "shell/RuntimeHooks.h"

#include "platform/Log.h"

namespace shell {

void UnbuiltSubsystemHooks::Once(std::atomic<bool>& said, std::string_view what) {
    if (said.exchange(true))
        return;
    platform::LogInfo("{} is not part of this build", what);
}

std::optional<UnitLoadError> UnbuiltSubsystemHooks::LoadUnit(std::string_view fileName) {
    Once(m_saidLoader, "the unit loader");
    platform::LogWarning("unit {} not loaded", fileName);
    return std::nullopt;
}

void UnbuiltSubsystemHooks::HoldUnit(std::string_view) { Once(m_saidLoader, "the unit loader"); }

bool UnbuiltSubsystemHooks::BuildScreenForm(std::string_view screenName) {
    Once(m_saidScreens, "screen building");
    platform::LogWarning("screen {} not built", screenName);
    return false;
}

void UnbuiltSubsystemHooks::BuildMenuScript(std::string_view, std::string_view) {
    Once(m_saidMenus, "the menu script");
}

void UnbuiltSubsystemHooks::RegisterScreenUnit(std::string_view, std::string_view) {
    Once(m_saidScreens, "screen building");
}

void UnbuiltSubsystemHooks::RunScanPass() { Once(m_saidScheduler, "the cyclic scheduler"); }
void UnbuiltSubsystemHooks::PollEditorCommand() { Once(m_saidEditor, "the editor-command poll"); }

void UnbuiltSubsystemHooks::StartAlarmManager() { Once(m_saidAlarms, "the alarm manager"); }
void UnbuiltSubsystemHooks::StopScheduler() { Once(m_saidScheduler, "the cyclic scheduler"); }
void UnbuiltSubsystemHooks::SetEndProgram(bool) { Once(m_saidScheduler, "the cyclic scheduler"); }
void UnbuiltSubsystemHooks::SwitchSpeakerOff() { Once(m_saidPorts, "port access"); }

} // namespace shell

