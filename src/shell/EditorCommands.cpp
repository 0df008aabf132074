// Quorva run-time. Licensed under the MIT licence.
#include "shell/EditorCommands.h"

#include "shell/LinkArea.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace shell {

namespace {

constexpr std::string_view kNonCyclicPrefix = "(QRU)";
constexpr std::int32_t kUnknownTime = -1;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

} // namespace

platform::Result<std::unique_ptr<EditorCommands>>
EditorCommands::Create(LinkArea& area, UnitTargets& units, ScreenTargets& screens,
                       TextSource readSystemText, const platform::Clock& clock) {
    EditorLinkBlocks blocks;
    blocks.command = area.LinkBlock("LQRUCOMMANDE", 4);
    blocks.argument = area.LinkBlock("LAUX", 4);
    blocks.name = area.LinkBlock("LNOMQRU", 256);
    blocks.profiler = area.LinkBlock("LENPROFILER", 1);
    if (!blocks.command || !blocks.argument || !blocks.name || !blocks.profiler)
        return platform::Fail("the editor link area has no room for the editor-command blocks");
    return std::make_unique<EditorCommands>(blocks, units, screens, std::move(readSystemText),
                                            clock);
}

EditorCommands::EditorCommands(EditorLinkBlocks blocks, UnitTargets& units, ScreenTargets& screens,
                               TextSource readSystemText, const platform::Clock& clock)
    : m_blocks(blocks), m_units(units), m_screens(screens),
      m_readSystemText(std::move(readSystemText)), m_clock(clock) {}

void EditorCommands::PollEditorCommand() {
    std::int32_t command = LoadLinkInt32(m_blocks.command);
    if (command == editor_command::CodeAddress)
        HandleCodeAddress();
    else if (command == editor_command::Loaded)
        HandleLoaded();

    if (ProfilerHold())
        return;
    command = LoadLinkInt32(m_blocks.command);
    if (command == editor_command::RunStop)
        HandleRunStop();
    else if (command == editor_command::Status)
        HandleStatus();
    else if (command == editor_command::CycleTime)
        HandleCycleTime();

    if (LoadLinkInt32(m_blocks.command) == editor_command::ListName)
        HandleListName();
}

bool EditorCommands::ProfilerHold() const {
    return m_readSystemText && m_readSystemText() == kProfilerHoldText;
}

// The result is in place before the command word goes back to 0: the editor reads it then.
void EditorCommands::Finish() {
    StoreLinkInt32(m_blocks.command, editor_command::None);
}

void EditorCommands::HandleCodeAddress() {
    std::optional<UnitSnapshot> unit = m_units.FindUnit(LoadLinkShortString(m_blocks.name));
    StoreLinkInt32(m_blocks.argument, unit ? static_cast<std::int32_t>(unit->codeAddress) : 0);
    Finish();
}

void EditorCommands::HandleLoaded() {
    bool loaded = m_units.FindUnit(LoadLinkShortString(m_blocks.name)).has_value();
    StoreLinkInt32(m_blocks.argument, loaded ? 1 : 0);
    Finish();
}

void EditorCommands::HandleRunStop() {
    const std::string name = LoadLinkShortString(m_blocks.name);
    const bool stop = LoadLinkInt32(m_blocks.argument) != 0;
    if (m_screens.FindScreen(name))
        m_screens.SetScreenStopped(name, stop);
    else
        m_units.SetUnitRunState(name, stop ? 1 : 0);
    Finish();
}

void EditorCommands::HandleStatus() {
    const std::string name = LoadLinkShortString(m_blocks.name);
    std::string_view answer;
    if (std::optional<ScreenSnapshot> screen = m_screens.FindScreen(name))
        answer = screen->stopped ? "Stop" : "Run";
    else if (std::optional<UnitSnapshot> unit = m_units.FindUnit(name))
        answer = unit->runState != 0 ? "Stop" : "Run";
    else
        answer = "Prog";
    StoreLinkShortString(m_blocks.name, answer);
    Finish();
}

void EditorCommands::HandleCycleTime() {
    const std::string name = LoadLinkShortString(m_blocks.name);
    std::int32_t time = kUnknownTime;
    if (std::optional<ScreenSnapshot> screen = m_screens.FindScreen(name))
        time = screen->stopped ? 0 : screen->cycleMicros;
    else if (std::optional<UnitSnapshot> unit = m_units.FindUnit(name))
        time = unit->elapsedMicros;
    else if (std::optional<std::int32_t> value = FindNamedValue(name))
        time = *value;
    StoreLinkInt32(m_blocks.argument, time);
    Finish();
}

// The index walks the units, then the screens, then the named values; "LAUX" ends as the index
// within the section where the walk stopped (past the end: the distance beyond the last name).
void EditorCommands::HandleListName() {
    std::int64_t index = LoadLinkInt32(m_blocks.argument);
    std::string answer;
    if (index >= 0) {
        const std::vector<UnitListEntry> units = m_units.LoadedUnits();
        const std::vector<std::string> screens = m_screens.OpenScreens();
        const std::vector<std::pair<std::string, std::int32_t>> values = NamedValues();
        const auto unitCount = static_cast<std::int64_t>(units.size());
        const auto screenCount = static_cast<std::int64_t>(screens.size());
        const auto valueCount = static_cast<std::int64_t>(values.size());
        if (index < unitCount) {
            const UnitListEntry& unit = units[static_cast<std::size_t>(index)];
            answer = unit.nonCyclic ? std::string(kNonCyclicPrefix) + unit.name : unit.name;
        } else if ((index -= unitCount) < screenCount) {
            answer = screens[static_cast<std::size_t>(index)];
        } else if ((index -= screenCount) < valueCount) {
            answer = values[static_cast<std::size_t>(index)].first;
        } else {
            index -= valueCount;
        }
        StoreLinkInt32(m_blocks.argument, static_cast<std::int32_t>(index));
    }
    // A negative index names nothing: the answer is empty and "LAUX" keeps its value.
    StoreLinkShortString(m_blocks.name, answer);
    Finish();
}

bool EditorCommands::ProfilerEnabled() const {
    auto& cell = *m_blocks.profiler;
    return std::atomic_ref<std::byte>(cell).load(std::memory_order_relaxed) != std::byte{0};
}

double EditorCommands::ProfilerNow() {
    if (!ProfilerEnabled())
        return 0;
    std::lock_guard lock(m_mutex);
    return static_cast<double>(MeasureLocked());
}

std::int64_t EditorCommands::MeasureLocked() {
    const std::int64_t now = m_clock.Microseconds();
    // The first measurement has nothing before it: its interval is 0, not the time since boot.
    m_lastInterval = m_lastTime ? now - *m_lastTime : 0;
    m_lastTime = now;
    return now;
}

bool EditorCommands::ProfilerRecord(std::string_view name, std::int32_t value) {
    if (!ProfilerEnabled())
        return false;
    std::lock_guard lock(m_mutex);
    if (value == 0) {
        MeasureLocked();
        value = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(m_lastInterval, INT32_MIN, INT32_MAX));
    }
    auto found =
        std::find_if(m_namedValues.begin(), m_namedValues.end(),
                     [name](const auto& entry) { return EqualIgnoringCase(entry.first, name); });
    if (found != m_namedValues.end())
        found->second = value;
    else
        m_namedValues.emplace_back(std::string(name), value);
    return true;
}

std::vector<std::pair<std::string, std::int32_t>> EditorCommands::NamedValues() const {
    std::lock_guard lock(m_mutex);
    return m_namedValues;
}

std::optional<std::int32_t> EditorCommands::FindNamedValue(std::string_view name) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [entryName, value] : m_namedValues) {
        if (EqualIgnoringCase(entryName, name))
            return value;
    }
    return std::nullopt;
}

} // namespace shell
