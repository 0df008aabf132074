// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "alarms/AlarmDefinitions.h"
#include "screens/ScreenVariables.h"

#include <cstdint>
#include <optional>
#include <string>

namespace alarms {

// A variable named by a declaration, resolved on first use. A name that does not resolve is
// tried again at most once a second (the editor may load the globals later); the first failure
// is logged once. A member or bit ("A[1].B", "REC.3") that the variables cannot resolve to an
// address is read by name, through its text.
class VariableRef {
public:
    static constexpr std::uint64_t kRetryMilliseconds = 1000;

    VariableRef() = default;
    explicit VariableRef(std::string name) : m_name(std::move(name)) {}

    const std::string& Name() const { return m_name; }
    bool Empty() const { return m_name.empty(); }
    // Resolves when needed; false while the name is unknown.
    bool Ready(screens::ScreenVariables& variables, std::uint64_t now, const char* role);
    // 3 for booleans and members read by name; the binding's type otherwise.
    std::uint8_t Type() const;
    bool IsMember() const { return m_byText; }

    // After Ready: the value as a number (booleans 0/1 or the byte) and as a boolean.
    long double Number(screens::ScreenVariables& variables) const;
    bool Boolean(screens::ScreenVariables& variables) const;

private:
    std::string m_name;
    std::optional<screens::VariableBinding> m_binding;
    bool m_byText = false;
    bool m_reported = false;
    std::uint64_t m_nextTry = 0;
};

enum class AlarmKind : std::uint8_t { Unresolved, Boolean, Numeric };
enum class Transition : std::uint8_t { None, Appear, Disappear };

// One declared alarm with its run-time state. Owned by the manager; GUI thread.
struct Alarm {
    explicit Alarm(AlarmDefinition definition);

    AlarmDefinition definition;
    std::string shownText; // the translated text
    int group = -1;        // index of its group variable, -1 for none
    AlarmKind kind = AlarmKind::Unresolved;
    VariableRef variable, threshold, inhibit;

    // Evaluation state.
    bool lastCondition = false; // the value that means "no alarm" until the first change
    long double lastValue = 0;  // latched at the last appearance or disappearance
    long double lastThreshold = 0;
    bool timerRunning = false;
    std::uint64_t timerStart = 0;
    bool active = false;
    bool acknowledged = false;

    // Appearance: its date and time texts (shown and logged), the date as the log writes it,
    // and the tick it appeared at.
    std::string date, time, logDate;
    std::uint64_t appearedAt = 0;
    std::string state;                   // "1"/"0" or the value as text
    std::optional<std::uint32_t> record; // its log record

    // Its display line's kind, date and time, while it has one.
    bool shown = false;
    std::string lineKind, lineDate, lineTime;

    bool IsNumeric() const { return kind == AlarmKind::Numeric; }
};

// What one evaluation found: the transition, and whether the alarm's condition held (which marks
// its group).
struct Evaluation {
    Transition transition = Transition::None;
    bool conditionHolds = false;
};

// Evaluates one alarm at tick `now` and updates its evaluation state (last values, timer); the
// caller carries out the transition. An alarm whose variables are not known yet is not
// evaluated. While the inhibit variable is true the alarm is not evaluated at all: its timer
// stops and it keeps its state, so a condition that arose meanwhile appears once the inhibit
// ends.
Evaluation EvaluateAlarm(Alarm& alarm, screens::ScreenVariables& variables, std::uint64_t now);

// A value as the state text and the log write it: an integral value without decimals, others
// with up to 15 significant digits, "." as the separator.
std::string ValueText(long double value);

} // namespace alarms
