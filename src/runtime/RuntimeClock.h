// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <chrono>
#include <string>

namespace runtime {

class SystemVariables;

// The date as the run-time's short date text (the locale's short date; "dd/MM/yyyy" where the
// locale has none of its own) and the time as its time text ("HH:mm:ss").
std::string ShortDateText(std::chrono::system_clock::time_point when);
std::string TimeText(std::chrono::system_clock::time_point when);

// Refreshes the clock variables together, local time: CDATE (whole days since 1899-12-30) and
// CTIME (fraction of a day) first, then SCDATE and SCTIME, then CYEAR, CMONTH, CDAY, CHOUR,
// CMIN, CSEC and CHSEC (the low 8 bits of the millisecond count).
void RefreshClockVariables(SystemVariables& cells, std::chrono::system_clock::time_point now);

} // namespace runtime
