// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmEvaluation.h"

#include "platform/CodePage.h"
#include "platform/Log.h"

#include <cmath>
#include <cstdio>

namespace alarms {

namespace {

constexpr std::uint8_t kBooleanType = 3;
constexpr std::uint8_t kStringType = 9;

bool TrueText(const std::string& text) {
    return text == "1" || platform::UpperAscii(text) == "TRUE";
}

} // namespace

bool VariableRef::Ready(screens::ScreenVariables& variables, std::uint64_t now, const char* role) {
    if (m_binding || m_byText)
        return true;
    if (m_name.empty() || now < m_nextTry)
        return false;
    m_binding = variables.Resolve(m_name);
    if (!m_binding && m_name.find('.') != std::string::npos && variables.Text(m_name))
        m_byText = true;
    if (m_binding || m_byText) {
        if (m_binding && m_binding->type == kStringType)
            platform::LogWarning("alarms: the {} variable {} is a String: it reads as 0", role,
                                 platform::CodePageToUtf8(m_name));
        return true;
    }
    m_nextTry = now + kRetryMilliseconds;
    if (!m_reported) {
        m_reported = true;
        platform::LogWarning("alarms: no global variable {} (the {} variable of an alarm)",
                             platform::CodePageToUtf8(m_name), role);
    }
    return false;
}

std::uint8_t VariableRef::Type() const {
    if (m_byText)
        return kBooleanType;
    return m_binding ? m_binding->type : 0;
}

long double VariableRef::Number(screens::ScreenVariables& variables) const {
    if (m_binding)
        return screens::ReadNumber(variables, *m_binding);
    if (m_byText) {
        std::optional<std::string> text = variables.Text(m_name);
        return text && TrueText(*text) ? 1 : 0;
    }
    return 0;
}

bool VariableRef::Boolean(screens::ScreenVariables& variables) const {
    return Number(variables) != 0;
}

Alarm::Alarm(AlarmDefinition read)
    : definition(std::move(read)), shownText(definition.text), variable(definition.variable),
      threshold(definition.thresholdIsVariable ? definition.thresholdVariable : std::string()),
      inhibit(definition.inhibitVariable) {
    // The value that means "no alarm", so that a variable already in alarm at start raises it.
    lastCondition = definition.edge == EdgeCondition::Down;
}

namespace {

void StopTimer(Alarm& alarm) {
    alarm.timerRunning = false;
}

// Runs the delay timer of a condition that holds; true once it has held for the delay.
bool DelayElapsed(Alarm& alarm, std::uint64_t now) {
    if (!alarm.timerRunning) {
        alarm.timerRunning = true;
        alarm.timerStart = now;
    }
    if (now - alarm.timerStart < alarm.definition.delayMilliseconds)
        return false;
    StopTimer(alarm);
    return true;
}

Evaluation EvaluateBoolean(Alarm& alarm, bool value, std::uint64_t now) {
    const EdgeCondition edge = alarm.definition.edge;
    Evaluation result;
    result.conditionHolds =
        (edge == EdgeCondition::Up && value) || (edge == EdgeCondition::Down && !value);
    if (value == alarm.lastCondition) {
        StopTimer(alarm);
        return result;
    }
    if (result.conditionHolds || edge == EdgeCondition::Change) {
        if (DelayElapsed(alarm, now)) {
            alarm.lastCondition = value;
            result.transition = Transition::Appear;
        }
        return result;
    }
    alarm.lastCondition = value;
    StopTimer(alarm);
    if (alarm.active)
        result.transition = Transition::Disappear;
    return result;
}

bool Holds(const Alarm& alarm, long double value, long double threshold) {
    // Half the hysteresis widens the threshold while the alarm is active. An active "=" alarm
    // holds within that band around the threshold.
    const long double band = std::fabs(static_cast<long double>(alarm.definition.hysteresis)) / 2;
    switch (alarm.definition.comparison) {
    case Comparison::Less:
        return alarm.active ? value <= threshold + band : value <= threshold;
    case Comparison::Equal:
        return alarm.active ? std::fabs(value - threshold) <= band : value == threshold;
    case Comparison::Greater:
    default:
        return alarm.active ? value >= threshold - band : value >= threshold;
    }
}

Evaluation EvaluateNumeric(Alarm& alarm, long double value, long double threshold,
                           std::uint64_t now) {
    Evaluation result;
    result.conditionHolds = Holds(alarm, value, threshold);
    if (result.conditionHolds) {
        if (alarm.active) {
            StopTimer(alarm);
        } else if (DelayElapsed(alarm, now)) {
            result.transition = Transition::Appear;
        }
    } else {
        StopTimer(alarm);
        if (alarm.active)
            result.transition = Transition::Disappear;
    }
    if (result.transition != Transition::None) {
        alarm.lastValue = value;
        alarm.lastThreshold = threshold;
    }
    return result;
}

} // namespace

Evaluation EvaluateAlarm(Alarm& alarm, screens::ScreenVariables& variables, std::uint64_t now) {
    if (!alarm.variable.Ready(variables, now, "watched"))
        return {};
    if (alarm.kind == AlarmKind::Unresolved) {
        const bool boolean = alarm.variable.IsMember() || alarm.variable.Type() == kBooleanType;
        alarm.kind = boolean ? AlarmKind::Boolean : AlarmKind::Numeric;
        if (boolean && alarm.definition.edge == EdgeCondition::None)
            platform::LogWarning("alarms: the condition \"{}\" of {} is none of U, D, S: the "
                                 "alarm never appears",
                                 platform::CodePageToUtf8(alarm.definition.condition),
                                 platform::CodePageToUtf8(alarm.definition.variable));
    }
    // An inhibit variable that is not known yet inhibits nothing.
    if (!alarm.inhibit.Empty() && alarm.inhibit.Ready(variables, now, "inhibit") &&
        alarm.inhibit.Boolean(variables)) {
        StopTimer(alarm);
        return {};
    }
    if (alarm.kind == AlarmKind::Boolean)
        return EvaluateBoolean(alarm, alarm.variable.Boolean(variables), now);

    long double limit = alarm.definition.threshold;
    if (alarm.definition.thresholdIsVariable) {
        if (!alarm.threshold.Ready(variables, now, "threshold"))
            return {};
        limit = alarm.threshold.Number(variables);
    }
    return EvaluateNumeric(alarm, alarm.variable.Number(variables), limit, now);
}

std::string ValueText(long double value) {
    char text[64];
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e18L)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    else
        std::snprintf(text, sizeof text, "%.15Lg", value);
    return text;
}

} // namespace alarms
