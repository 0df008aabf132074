// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include "alarms/AlarmDefinitions.h"
#include "alarms/AlarmEvaluation.h"
#include "alarms/AlarmLog.h"
#include "alarms/AlarmManager.h"
#include "shell/MailClient.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {
class SerialPorts;
}

namespace alarms {

// The moment of an event: its date and time texts, the date as the log writes it, the tick.
struct Moment {
    std::string date, time, logDate;
    std::uint64_t tick = 0;
};

// What happens outside the manager when alarms change: the "Alarm.DBF" log, e-mail, the serial
// printer, the speaker, and the print and SMS hooks of the units. While outputs are disabled,
// the log (and its purge), e-mail, the serial printer and the speaker are skipped; the hooks go
// on.
//
// Notifications are queued and delivered by Deliver, after the manager has brought its lists up
// to date: a hook may run unit code that reads the history or acknowledges an alarm, and what it
// starts is delivered after what was queued before it, never inside it.
//
// GUI thread, except SetEnabled and Enabled (any thread).
class AlarmOutputs {
public:
    explicit AlarmOutputs(const AlarmServices& services);
    ~AlarmOutputs();
    AlarmOutputs(const AlarmOutputs&) = delete;
    AlarmOutputs& operator=(const AlarmOutputs&) = delete;

    // Opens what the alarms need: the log in `directory` when an alarm logs (NAME_ORIGIN as long
    // as `longestText`), the serial ports with the settings of `config` (an alarm whose port
    // cannot be opened loses its printer option, logged), the mail queue when an alarm mails.
    void Open(const AlarmConfig& config, const std::string& directory, std::vector<Alarm>& alarms,
              std::size_t longestText);
    // Sends nothing more (mails still queued are dropped).
    void Close();

    void SetEnabled(bool enabled) { m_enabled.store(enabled); }
    bool Enabled() const { return m_enabled.load(); }

    // The alarm has appeared, ended or been acknowledged (its state already changed). `current`
    // is the state at the acknowledgement ("1"/"0" or the value).
    void Appeared(Alarm& alarm, const Moment& when);
    void Ended(Alarm& alarm, const Moment& when);
    void Acknowledged(Alarm& alarm, const Moment& when, const std::string& current);

    // Delivers the queued notifications in order. A call made while delivering returns at once;
    // the outer call delivers what it queued.
    void Deliver();

    // The log's path ("" when no alarm logs).
    std::string LogPath() const;

private:
    struct PrintLine {
        std::string line;
    };
    struct Mail {
        shell::MailMessage message;
    };
    struct Beep {};
    struct SerialLine {
        int port;
        std::string line;
    };
    using Notification = std::variant<PrintLine, SmsEvent, Mail, Beep, SerialLine>;

    void QueueSms(const Alarm& alarm, const Moment& when, int event);
    // Writes a log event: updates the alarm's record (appends when it has none, or with
    // `append`), then purges when the log has grown too large.
    void WriteLog(Alarm& alarm, const LogValues& values, bool append);
    bool EnsureLog();
    void DeliverOne(const Notification& notification);

    const AlarmServices& m_services;
    AlarmConfig m_config;
    std::vector<Alarm>* m_alarms = nullptr;
    std::atomic<bool> m_enabled{true};

    std::string m_logPath;
    std::size_t m_nameOriginLength = 1;
    std::optional<AlarmLog> m_log;
    bool m_logFailureReported = false;

    std::unique_ptr<platform::SerialPorts> m_ports;
    std::unique_ptr<shell::MailQueue> m_mail;
    bool m_noServerReported = false;

    std::deque<Notification> m_pending;
    bool m_delivering = false;
};

// A duration in milliseconds as "hh:mm:ss" (at most "99:59:59").
std::string DurationText(std::uint64_t milliseconds);

} // namespace alarms
