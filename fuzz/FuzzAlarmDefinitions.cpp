// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmDefinitions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Runs the "Alarm.OCO" and "Alarm.cfg" readers on arbitrary bytes: they must never crash, stay
// within their limits, and give only alarms that watch a variable.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const alarms::AlarmDeclarations read = alarms::ReadAlarmDeclarations(bytes);
    if (read.alarms.size() > alarms::kMaxAlarms)
        std::abort();
    for (const alarms::AlarmDefinition& alarm : read.alarms) {
        if (alarm.variable.empty() || alarm.text.size() > read.longestText ||
            alarm.text.size() > alarms::kMaxLineBytes)
            std::abort();
        if (alarm.thresholdIsVariable == alarm.thresholdVariable.empty())
            std::abort();
        if (alarm.serialPort.empty() && alarm.serialPortNumber != 0)
            std::abort();
    }
    for (const std::string& group : read.groupVariables)
        if (group.empty())
            std::abort();

    std::vector<std::string> problems;
    const alarms::AlarmConfig config = alarms::ReadAlarmConfig(bytes, &problems);
    if (config.directory.size() > alarms::kMaxLineBytes ||
        config.mailServer.size() > alarms::kMaxLineBytes || config.serialParity.size() > 1 ||
        config.serialStopBits.size() > 1 || config.serialDataBits.size() > 1)
        std::abort();
    return 0;
}
