// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmManager.h"

#include "alarms/AlarmDefinitions.h"
#include "alarms/AlarmEvaluation.h"
#include "alarms/AlarmLists.h"
#include "alarms/AlarmOutputs.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/PathMap.h"
#include "shell/Dictionary.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <unordered_map>

namespace alarms {

namespace {

// Alarms evaluated by one scan step.
constexpr std::size_t kAlarmsPerStep = 50;
constexpr std::string_view kHistoryFile = "HistAl";

std::string LocalTimeText(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

} // namespace

struct AlarmManager::State {
    struct Group {
        std::string name;
        bool marked = false;
        bool reported = false;
    };

    explicit State(AlarmServices given) : services(std::move(given)), outputs(services) {}

    std::uint64_t Tick() const {
        if (services.tickMilliseconds)
            return services.tickMilliseconds();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    Moment Now() const {
        Moment when;
        when.date = services.dateText ? services.dateText() : LocalTimeText("%d/%m/%Y");
        when.time = services.timeText ? services.timeText() : LocalTimeText("%H:%M:%S");
        when.logDate = services.logDateText ? services.logDateText()
                       : services.dateText  ? when.date
                                            : LocalTimeText("%d/%m/%Y");
        when.tick = Tick();
        return when;
    }
    std::string Translate(const std::string& text) const {
        return services.dictionary != nullptr ? services.dictionary->Translate(text) : text;
    }
    std::string HistoryPath() const {
        return platform::ResolveCase(directory + "/" + std::string(kHistoryFile));
    }

    void ReadDeclarations();
    void Evaluate(std::size_t index, std::uint64_t now);
    void FinishPass();
    void Appear(std::size_t index);
    void Disappear(std::size_t index);
    void Acknowledge(std::size_t index);
    // Gives the alarm the display line of `kind` dated `when` and adds it to the history: in
    // place when it is shown, else at the top.
    void ShowLine(std::size_t index, std::string_view kind, const Moment& when);
    void HideLine(std::size_t index);
    std::string LineOf(const Alarm& alarm) const;
    std::string CurrentState(Alarm& alarm);
    void WriteGroup(Group& group, bool value);
    void Retranslate();

    AlarmServices services;
    AlarmConfig config;
    std::string directory; // of the log and the history (host path)
    std::vector<Alarm> alarms;
    std::vector<Group> groups;
    std::size_t cursor = 0;
    ActiveList active;
    AlarmHistory history;
    alarms::AlarmOutputs outputs;
    std::uint64_t generation = 0;
    bool started = false;
    bool stopped = false;
    bool historyUnreadable = false;
    std::int32_t language = 0;
    bool translationOn = true;
};

void AlarmManager::State::ReadDeclarations() {
    const std::string project =
        services.projectDirectory.empty() ? std::string(".") : services.projectDirectory;
    std::vector<std::string> problems;
    ProjectFileBytes cfg = ReadAlarmProjectFile(services.package, project, "Alarm.cfg");
    if (cfg.found)
        config = ReadAlarmConfig(cfg.bytes, &problems);
    for (const std::string& problem : problems)
        platform::LogWarning("alarms: Alarm.cfg: {}", problem);

    directory = project;
    if (!config.directory.empty()) {
        std::filesystem::path named(platform::HostPath(config.directory));
        if (named.is_relative())
            named = platform::ResolveCase(project + "/" + named.string());
        std::error_code error;
        if (std::filesystem::is_directory(named, error)) {
            directory = named.lexically_normal().string();
            if (directory.size() > 1 && directory.back() == '/')
                directory.pop_back();
        } else
            platform::LogWarning("alarms: the directory {} of Alarm.cfg does not exist: the alarm "
                                 "files go to {}",
                                 named.string(), project);
    }

    ProjectFileBytes oco = ReadAlarmProjectFile(services.package, project, "Alarm.OCO");
    if (!oco.found)
        return;
    AlarmDeclarations read = ReadAlarmDeclarations(oco.bytes);
    for (const std::string& problem : read.problems)
        platform::LogWarning("alarms: Alarm.OCO: {}", problem);

    std::unordered_map<std::string, int> groupIndex;
    for (const std::string& name : read.groupVariables) {
        groupIndex.emplace(platform::UpperAscii(name), static_cast<int>(groups.size()));
        groups.push_back(Group{name});
    }
    alarms.reserve(read.alarms.size());
    for (AlarmDefinition& definition : read.alarms) {
        Alarm& alarm = alarms.emplace_back(std::move(definition));
        alarm.shownText = Translate(alarm.definition.text);
        if (!alarm.definition.groupVariable.empty())
            alarm.group = groupIndex.at(platform::UpperAscii(alarm.definition.groupVariable));
    }
    outputs.Open(config, directory, alarms, read.longestText);
}

void AlarmManager::State::Evaluate(std::size_t index, std::uint64_t now) {
    Alarm& alarm = alarms[index];
    const Evaluation result = EvaluateAlarm(alarm, *services.variables, now);
    if (result.conditionHolds && alarm.group >= 0)
        groups[static_cast<std::size_t>(alarm.group)].marked = true;
    if (result.transition == Transition::Appear)
        Appear(index);
    else if (result.transition == Transition::Disappear)
        Disappear(index);
}

void AlarmManager::State::WriteGroup(Group& group, bool value) {
    if (services.variables->SetText(group.name, value ? "1" : "0") || group.reported)
        return;
    group.reported = true;
    platform::LogWarning("alarms: the group variable {} cannot be written",
                         platform::CodePageToUtf8(group.name));
}

void AlarmManager::State::FinishPass() {
    for (Group& group : groups) {
        WriteGroup(group, group.marked);
        group.marked = false;
    }
    // The dictionary tells no one of a language change: the end of each pass looks.
    if (services.dictionary != nullptr && (services.dictionary->LanguageNumber() != language ||
                                           services.dictionary->TranslationOn() != translationOn))
        Retranslate();
}

std::string AlarmManager::State::LineOf(const Alarm& alarm) const {
    return DisplayLine({alarm.lineKind, alarm.lineDate, alarm.lineTime, alarm.state,
                        alarm.shownText, alarm.definition.lineText, alarm.definition.groupLabel,
                        alarm.definition.zoneLabel});
}

void AlarmManager::State::ShowLine(std::size_t index, std::string_view kind, const Moment& when) {
    Alarm& alarm = alarms[index];
    alarm.lineKind = std::string(kind);
    alarm.lineDate = when.date;
    alarm.lineTime = when.time;
    std::string line = LineOf(alarm);
    history.Add(line);
    std::optional<std::size_t> position = alarm.shown ? active.PositionOf(index) : std::nullopt;
    if (position)
        active.Replace(*position, std::move(line));
    else
        active.InsertTop(index, std::move(line));
    alarm.shown = true;
}

void AlarmManager::State::HideLine(std::size_t index) {
    if (std::optional<std::size_t> position = active.PositionOf(index))
        active.Remove(*position);
    alarms[index].shown = false;
}

void AlarmManager::State::Appear(std::size_t index) {
    Alarm& alarm = alarms[index];
    const Moment when = Now();
    alarm.active = true;
    alarm.acknowledged = alarm.definition.autoAcknowledge;
    alarm.date = when.date;
    alarm.time = when.time;
    alarm.logDate = when.logDate;
    alarm.appearedAt = when.tick;
    alarm.state = alarm.IsNumeric() ? ValueText(alarm.lastValue)
                                    : std::string(alarm.lastCondition ? "1" : "0");
    ++generation;
    ShowLine(index, alarm.acknowledged ? kKindAcknowledged : kKindActive, when);
    outputs.Appeared(alarm, when);
    outputs.Deliver();
}

void AlarmManager::State::Disappear(std::size_t index) {
    Alarm& alarm = alarms[index];
    const Moment when = Now();
    alarm.active = false;
    ++generation;
    if (alarm.acknowledged) {
        HideLine(index);
        alarm.lineKind = std::string(kKindEnded);
        alarm.lineDate = when.date;
        alarm.lineTime = when.time;
        history.Add(LineOf(alarm));
    } else {
        ShowLine(index, kKindEnded, when);
    }
    outputs.Ended(alarm, when);
    outputs.Deliver();
}

std::string AlarmManager::State::CurrentState(Alarm& alarm) {
    if (alarm.kind == AlarmKind::Boolean)
        return alarm.variable.Boolean(*services.variables) ? "1" : "0";
    if (alarm.kind == AlarmKind::Numeric)
        return ValueText(alarm.variable.Number(*services.variables));
    return alarm.state;
}

void AlarmManager::State::Acknowledge(std::size_t index) {
    Alarm& alarm = alarms[index];
    if (alarm.acknowledged)
        return;
    const Moment when = Now();
    const AlarmDefinition& definition = alarm.definition;
    if (!definition.acknowledgeVariable.empty() &&
        !services.variables->SetText(definition.acknowledgeVariable,
                                     definition.acknowledgeSets ? "1" : "0"))
        platform::LogWarning("alarms: the acknowledgement variable {} cannot be written",
                             platform::CodePageToUtf8(definition.acknowledgeVariable));
    ++generation;
    alarm.acknowledged = true;
    if (alarm.active)
        ShowLine(index, kKindAcknowledged, when);
    else
        HideLine(index);
    outputs.Acknowledged(alarm, when, CurrentState(alarm));
    outputs.Deliver();
}

void AlarmManager::State::Retranslate() {
    if (services.dictionary != nullptr) {
        language = services.dictionary->LanguageNumber();
        translationOn = services.dictionary->TranslationOn();
    }
    for (std::size_t index = 0; index < alarms.size(); ++index) {
        Alarm& alarm = alarms[index];
        alarm.shownText = Translate(alarm.definition.text);
        if (!alarm.shown)
            continue;
        if (std::optional<std::size_t> position = active.PositionOf(index))
            active.Replace(*position, LineOf(alarm));
    }
    ++generation;
}

AlarmManager::AlarmManager(AlarmServices services)
    : m_state(std::make_unique<State>(std::move(services))) {}

AlarmManager::~AlarmManager() = default;

std::size_t AlarmManager::Start() {
    State& state = *m_state;
    if (state.started)
        return state.alarms.size();
    state.started = true;
    state.ReadDeclarations();
    if (state.services.dictionary != nullptr) {
        state.language = state.services.dictionary->LanguageNumber();
        state.translationOn = state.services.dictionary->TranslationOn();
    }
    if (platform::Status loaded = state.history.Load(state.HistoryPath()); !loaded) {
        state.historyUnreadable = true;
        platform::LogError("alarms: the history {} cannot be read ({}): it is left as it is",
                           state.HistoryPath(), loaded.Error());
    }
    if (!state.alarms.empty() && state.services.variables == nullptr)
        platform::LogError("alarms: no variables to watch: the alarms are not evaluated");
    platform::LogInfo("alarms: {} alarm(s), {} group variable(s), files in {}", state.alarms.size(),
                      state.groups.size(), state.directory);
    return state.alarms.size();
}

void AlarmManager::ScanStep() {
    State& state = *m_state;
    if (!state.started || state.stopped || state.alarms.empty() ||
        state.services.variables == nullptr)
        return;
    const std::uint64_t now = state.Tick();
    for (std::size_t done = 0; done < kAlarmsPerStep; ++done) {
        const std::size_t index = state.cursor;
        if (index >= state.alarms.size()) {
            state.cursor = 0;
            continue;
        }
        state.Evaluate(index, now);
        if (index + 1 >= state.alarms.size()) {
            state.cursor = 0;
            state.FinishPass();
            return;
        }
        state.cursor = index + 1;
    }
}

void AlarmManager::Stop() {
    State& state = *m_state;
    if (!state.started || state.stopped)
        return;
    state.stopped = true;
    state.outputs.Close();
    state.active.Clear();
    ++state.generation;
    if (state.historyUnreadable)
        return;
    if (platform::Status saved = state.history.Save(state.HistoryPath()); !saved)
        platform::LogError("alarms: the history cannot be saved: {}", saved.Error());
}

std::size_t AlarmManager::AlarmCount() const {
    return m_state->alarms.size();
}

std::size_t AlarmManager::ActiveAlarmCount() const {
    return m_state->active.Size();
}

const std::vector<AlarmLine>& AlarmManager::ActiveAlarmList() const {
    return m_state->active.Lines();
}

void AlarmManager::AcknowledgeAt(int position) {
    State& state = *m_state;
    if (state.stopped)
        return;
    if (std::optional<std::size_t> index = state.active.AlarmAt(position))
        state.Acknowledge(*index);
}

std::string AlarmManager::AlarmTextAt(int position) const {
    std::optional<std::size_t> index = m_state->active.AlarmAt(position);
    return index ? m_state->alarms[*index].definition.extraText : std::string();
}

std::pair<std::string, std::string> AlarmManager::AlarmPairAt(int position) const {
    std::optional<std::size_t> index = m_state->active.AlarmAt(position);
    if (!index)
        return {};
    const AlarmDefinition& definition = m_state->alarms[*index].definition;
    return {definition.pairName, definition.pairValue};
}

void AlarmManager::RetranslateAlarms() {
    m_state->Retranslate();
}

std::size_t AlarmManager::HistoryCount() const {
    return m_state->history.Count();
}

std::string AlarmManager::HistoryLine(int index) const {
    return m_state->history.Line(index);
}

std::size_t AlarmManager::TrimHistory(int keep) {
    return m_state->history.Trim(keep);
}

void AlarmManager::SetAlarmOutputs(bool enabled) {
    m_state->outputs.SetEnabled(enabled);
}

bool AlarmManager::AlarmOutputs() const {
    return m_state->outputs.Enabled();
}

std::uint64_t AlarmManager::Generation() const {
    return m_state->generation;
}

} // namespace alarms
