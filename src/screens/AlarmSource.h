// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace screens {

// What the alarm display objects see of the alarm manager. Lines hold fields separated by the
// character 01h (kind, date, time, state, text, field 13, group, zone), newest first; positions
// count from 0. GUI thread.
class AlarmSource {
public:
    virtual ~AlarmSource() = default;
    // Changes whenever the active list changes: a display refills when it differs from the
    // generation it last showed.
    virtual std::uint64_t Generation() const = 0;
    virtual const std::vector<std::string>& ActiveAlarmList() const = 0;
    // The operator's acknowledgement of the line at `position` (negative: nothing).
    virtual void AcknowledgeAt(int position) = 0;
    // Fields 14 and 15 of the alarm at `position`: a variable name and the value written into it
    // when the operator selects that line (empty name: nothing to write).
    virtual std::pair<std::string, std::string> AlarmPairAt(int position) const = 0;
};

} // namespace screens
