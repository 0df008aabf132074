// Quorva run-time. Licensed under the MIT licence.
#include "alarms/AlarmOutputs.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/SerialPorts.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace alarms {

namespace {

constexpr unsigned kBeepHertz = 3255;
constexpr std::string_view kDefaultSender = "Application";
constexpr std::string_view kMailSubject = "Alarm";
constexpr std::string_view kLineEnd = "\r\n";
// A printer that takes nothing holds the GUI thread at most this long per line.
constexpr std::chrono::milliseconds kSerialWriteTimeout{250};

std::string Utf8(std::string_view text) {
    return platform::CodePageToUtf8(text);
}

// Date, time and text, with a numeric alarm's value after the text as " (value)".
std::string EventLine(const Alarm& alarm, const Moment& when) {
    std::string line = when.date + " " + when.time + " " + alarm.shownText;
    if (alarm.IsNumeric())
        line += " (" + alarm.state + ")";
    return line;
}

LogValues Identity(const Alarm& alarm) {
    LogValues values;
    values.Set(LogColumn::Name, alarm.shownText)
        .Set(LogColumn::NameOrigin, alarm.definition.text)
        .Set(LogColumn::Mnemonic, alarm.definition.variable)
        .Set(LogColumn::Groupe, alarm.definition.groupLabel)
        .Set(LogColumn::Zone, alarm.definition.zoneLabel);
    return values;
}

} // namespace

std::string DurationText(std::uint64_t milliseconds) {
    constexpr std::uint64_t kMaxSeconds = 99 * 3600 + 59 * 60 + 59;
    const std::uint64_t seconds = std::min<std::uint64_t>(milliseconds / 1000, kMaxSeconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

AlarmOutputs::AlarmOutputs(const AlarmServices& services) : m_services(services) {}

AlarmOutputs::~AlarmOutputs() = default;

void AlarmOutputs::Open(const AlarmConfig& config, const std::string& directory,
                        std::vector<Alarm>& alarms, std::size_t longestText) {
    m_config = config;
    m_alarms = &alarms;
    m_nameOriginLength = std::clamp<std::size_t>(longestText, 1, 254);

    bool logs = false, mails = false;
    std::map<int, std::vector<Alarm*>> printers;
    for (Alarm& alarm : alarms) {
        logs = logs || alarm.definition.dataFile;
        mails = mails || !alarm.definition.mailTo.empty();
        if (alarm.definition.serialPortNumber != 0)
            printers[alarm.definition.serialPortNumber].push_back(&alarm);
    }
    if (logs) {
        m_logPath = (directory.empty() ? std::string(".") : directory) + "/Alarm.DBF";
        EnsureLog();
    }
    if (mails && !m_services.postMail)
        m_mail = std::make_unique<shell::MailQueue>();
    if (printers.empty())
        return;
    m_ports = std::make_unique<platform::SerialPorts>();
    m_ports->LoadDeviceMap(m_services.projectDirectory);
    m_ports->SetWriteTimeout(kSerialWriteTimeout);
    for (auto& [port, users] : printers) {
        // Alarms that share a port share its one opening.
        if (m_ports->Ready(port) ||
            m_ports->Open(std::to_string(port), config.serialBaud, config.serialParity,
                          config.serialDataBits, config.serialStopBits))
            continue;
        platform::LogWarning(
            "alarms: the serial port COM{} ({}) cannot be opened with baud \"{}\", "
            "parity \"{}\", data bits \"{}\", stop bits \"{}\": {} alarm(s) will "
            "not print",
            port, m_ports->DevicePath(port), Utf8(config.serialBaud), Utf8(config.serialParity),
            Utf8(config.serialDataBits), Utf8(config.serialStopBits), users.size());
        for (Alarm* alarm : users)
            alarm->definition.serialPortNumber = 0;
    }
}

void AlarmOutputs::Close() {
    m_mail.reset();
    m_pending.clear();
}

std::string AlarmOutputs::LogPath() const {
    return m_logPath;
}

bool AlarmOutputs::EnsureLog() {
    if (m_log)
        return true;
    if (m_logPath.empty())
        return false;
    auto opened = AlarmLog::Open(m_logPath, m_nameOriginLength);
    if (!opened) {
        if (!m_logFailureReported)
            platform::LogError("alarms: the log {} cannot be opened: {}", m_logPath,
                               opened.Error());
        m_logFailureReported = true;
        return false;
    }
    if (m_logFailureReported)
        platform::LogInfo("alarms: the log {} is open again", m_logPath);
    m_logFailureReported = false;
    m_log.emplace(std::move(opened.Value()));
    return true;
}

void AlarmOutputs::WriteLog(Alarm& alarm, const LogValues& values, bool append) {
    if (!alarm.definition.dataFile || !Enabled() || !EnsureLog())
        return;
    auto written =
        append || !alarm.record ? m_log->Append(values) : m_log->Update(*alarm.record, values);
    if (!written) {
        platform::LogError("alarms: cannot write to {}: {}", m_logPath, written.Error());
        return;
    }
    alarm.record = written.Value();
    if (m_config.purgeTriggerBytes == 0)
        return;
    auto purged = m_log->PurgeIfLarger(m_config.purgeTriggerBytes, m_config.purgeKeepBytes);
    if (!purged) {
        platform::LogError("alarms: cannot purge {}: {}", m_logPath, purged.Error());
    } else if (purged.Value()) {
        // The records kept are renumbered: the next event of every alarm appends.
        for (Alarm& each : *m_alarms)
            each.record.reset();
        platform::LogInfo("alarms: {} purged to its newest records", m_logPath);
    }
}

void AlarmOutputs::QueueSms(const Alarm& alarm, const Moment& when, int event) {
    if (!alarm.definition.sms || !m_services.smsHook)
        return;
    SmsEvent sms;
    sms.date = when.date;
    sms.time = when.time;
    sms.text = alarm.shownText;
    sms.destination = alarm.definition.smsDestination;
    sms.kind = alarm.IsNumeric() ? 'N' : 'B';
    sms.state = alarm.state;
    sms.event = event;
    sms.zone = alarm.definition.zoneLabel;
    sms.group = alarm.definition.groupLabel;
    m_pending.emplace_back(std::move(sms));
}

void AlarmOutputs::Appeared(Alarm& alarm, const Moment& when) {
    const AlarmDefinition& definition = alarm.definition;
    if (m_services.printHook) {
        std::string line = " " + when.date + " " + when.time + " " + alarm.shownText;
        if (alarm.IsNumeric())
            line += alarm.state;
        m_pending.emplace_back(PrintLine{line + std::string(kLineEnd)});
    }
    QueueSms(alarm, when, 1);
    if (Enabled()) {
        if (!definition.mailTo.empty()) {
            shell::MailMessage message;
            message.from =
                definition.mailFrom.empty() ? std::string(kDefaultSender) : definition.mailFrom;
            message.recipients = definition.mailTo;
            message.subject = std::string(kMailSubject);
            message.body = EventLine(alarm, when);
            message.server = m_config.mailServer;
            m_pending.emplace_back(Mail{std::move(message)});
        }
        if (definition.beep)
            m_pending.emplace_back(Beep{});
        if (definition.serialPortNumber != 0)
            m_pending.emplace_back(SerialLine{definition.serialPortNumber,
                                              EventLine(alarm, when) + std::string(kLineEnd)});
    }

    LogValues values = Identity(alarm);
    values.Set(LogColumn::DateApp, alarm.logDate)
        .Set(LogColumn::TimeApp, alarm.time)
        .Set(LogColumn::Data, alarm.state)
        .Set(LogColumn::TCount, "00:00:00");
    if (definition.autoAcknowledge)
        values.Set(LogColumn::DateAcq, alarm.logDate).Set(LogColumn::TimeAcq, alarm.time);
    WriteLog(alarm, values, true);
}

void AlarmOutputs::Ended(Alarm& alarm, const Moment& when) {
    LogValues values = Identity(alarm);
    // The appearance columns too, for a record that has to be appended (outputs were off at the
    // appearance, or a purge renumbered the records).
    values.Set(LogColumn::DateApp, alarm.logDate)
        .Set(LogColumn::TimeApp, alarm.time)
        .Set(LogColumn::DateDis, when.logDate)
        .Set(LogColumn::TimeDis, when.time)
        .Set(LogColumn::TCount, DurationText(when.tick - alarm.appearedAt));
    WriteLog(alarm, values, false);
    QueueSms(alarm, when, 2);
}

void AlarmOutputs::Acknowledged(Alarm& alarm, const Moment& when, const std::string& current) {
    LogValues values = Identity(alarm);
    values.Set(LogColumn::DateApp, alarm.logDate)
        .Set(LogColumn::TimeApp, alarm.time)
        .Set(LogColumn::DateAcq, when.logDate)
        .Set(LogColumn::TimeAcq, when.time)
        .Set(LogColumn::Data, current);
    WriteLog(alarm, values, false);
    QueueSms(alarm, when, 3);
}

void AlarmOutputs::Deliver() {
    if (m_delivering)
        return;
    m_delivering = true;
    while (!m_pending.empty()) {
        Notification next = std::move(m_pending.front());
        m_pending.pop_front();
        DeliverOne(next);
    }
    m_delivering = false;
}

void AlarmOutputs::DeliverOne(const Notification& notification) {
    if (const auto* print = std::get_if<PrintLine>(&notification)) {
        m_services.printHook(print->line);
    } else if (const auto* sms = std::get_if<SmsEvent>(&notification)) {
        m_services.smsHook(*sms);
    } else if (const auto* mail = std::get_if<Mail>(&notification)) {
        if (mail->message.server.empty()) {
            if (!m_noServerReported)
                platform::LogWarning("alarms: Alarm.cfg names no mail server (line 8): alarm "
                                     "mails are not sent");
            m_noServerReported = true;
        } else if (m_services.postMail) {
            if (!m_services.postMail(mail->message))
                platform::LogWarning("alarms: the mail to {} was dropped",
                                     Utf8(mail->message.recipients));
        } else if (m_mail) {
            m_mail->Post(mail->message);
        }
    } else if (std::holds_alternative<Beep>(notification)) {
        if (m_services.beep)
            m_services.beep(kBeepHertz);
    } else if (const auto* serial = std::get_if<SerialLine>(&notification)) {
        if (m_ports)
            m_ports->Write(serial->port, serial->line);
    }
}

} // namespace alarms
