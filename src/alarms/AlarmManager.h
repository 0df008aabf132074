// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "screens/AlarmSource.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace screens {
class ScreenVariables;
}
namespace shell {
class Dictionary;
class ProjectPackage;
struct MailMessage;
} // namespace shell

namespace alarms {

// A line of the active list or the history: fields separated by the character 01h, with a
// trailing 01h: kind ("Alarme", "AlarmeNil", "AlarmOff"), date, time, state text, translated
// text, field 13, group label, zone label. Code-page bytes.
using AlarmLine = std::string;

// What an SMS hook receives.
struct SmsEvent {
    std::string date, time, text, destination;
    char kind = 'B'; // 'B' boolean, 'N' numeric
    std::string state;
    int event = 1; // 1 appearance, 2 disappearance, 3 acknowledgement
    std::string zone, group;
};

// The manager's reach into the rest of the run-time. Unset functions do nothing.
struct AlarmServices {
    screens::ScreenVariables* variables = nullptr;
    const shell::ProjectPackage* package = nullptr; // for "Alarm.cfg"/"Alarm.OCO" (null: disk)
    shell::Dictionary* dictionary = nullptr;        // null: texts as written
    std::string projectDirectory;                   // the current directory of the run
    // Milliseconds of a monotonic clock (tests give a fake one).
    std::function<std::uint64_t()> tickMilliseconds;
    // "dd/mm/yyyy" and "hh:mm:ss" of now (SCDATE, SCTIME).
    std::function<std::string()> dateText, timeText;
    // The date of now as the log's date columns read it, day/month/year whatever the locale
    // (SCDATE follows the locale); unset: dateText.
    std::function<std::string()> logDateText;
    // The unit-code hooks, when the units set them (CALLBACKPRINTALARM and the SMS hook).
    std::function<void(const std::string& line)> printHook;
    std::function<void(const SmsEvent&)> smsHook;
    // The PC speaker: on with a tone of that frequency.
    std::function<void(unsigned hertz)> beep;
    // Hands an alarm mail to the sender without waiting for it; false when it was dropped.
    // Unset: the manager's own mail queue (a worker thread) sends it.
    std::function<bool(const shell::MailMessage&)> postMail;
};

// The alarm manager: reads the declarations, evaluates them step by step on the GUI thread,
// keeps the active list and the history, and logs, mails, prints and beeps on appearance.
//
// Threads: the GUI thread calls everything; the history (HistoryCount, HistoryLine,
// TrimHistory) and the outputs switch (SetAlarmOutputs, AlarmOutputs) may also be called from
// any other thread (unit code on the scan thread reaches them through runtime functions).
// The services must outlive the manager. docs/alarms.md describes the files and the behaviour.
class AlarmManager final : public screens::AlarmSource {
public:
    explicit AlarmManager(AlarmServices services);
    ~AlarmManager();
    AlarmManager(const AlarmManager&) = delete;
    AlarmManager& operator=(const AlarmManager&) = delete;

    // Reads "Alarm.cfg" and "Alarm.OCO", registers the group variables, creates "Alarm.DBF"
    // when an alarm logs, loads "HistAl". Returns the number of alarms.
    std::size_t Start();
    // Evaluates up to 50 alarms from the scan cursor; finishes the pass at the end of the list.
    void ScanStep();
    // Saves the history to "HistAl" (removes the file when the history is empty, keeps it when
    // it could not be read at the start); stops sending; empties the active list. Nothing is
    // evaluated or acknowledged afterwards.
    void Stop();

    std::size_t AlarmCount() const;
    std::size_t ActiveAlarmCount() const;
    const std::vector<AlarmLine>& ActiveAlarmList() const override;
    void AcknowledgeAt(int position) override;
    std::string AlarmTextAt(int position) const;                                  // field 12
    std::pair<std::string, std::string> AlarmPairAt(int position) const override; // fields 14, 15
    void RetranslateAlarms();
    std::size_t HistoryCount() const;
    std::string HistoryLine(int index) const; // empty beyond the end
    std::size_t TrimHistory(int keep);
    void SetAlarmOutputs(bool enabled);
    bool AlarmOutputs() const;

    // Counts the changes of the active list (the display flag): each display object keeps the
    // generation it last showed.
    std::uint64_t Generation() const override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace alarms
