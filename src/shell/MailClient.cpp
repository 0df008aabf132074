// Quorva run-time. Licensed under the MIT licence.
#include "shell/MailClient.h"

#include "platform/CodePage.h"
#include "platform/Log.h"
#include "shell/MailComposer.h"
#include "shell/SmtpConnection.h"

#include <fmt/format.h>
#include <optional>

namespace shell {

namespace {

using mail::SmtpConnection;
using mail::SmtpReply;

// QUIT's answer only ends the dialogue politely; a server slow to give it costs no more.
constexpr std::chrono::milliseconds kQuitReplyLimit{2000};

// One SMTP dialogue over an open connection. Keeps the first error; the dialogue goes on after
// an error reply of the server (as far as the server lets it), and stops when the connection
// fails.
class Dialogue {
public:
    Dialogue(SmtpConnection& connection, const MailTimeouts& timeouts)
        : m_connection(connection), m_timeouts(timeouts) {}

    const std::string& Error() const { return m_error; }

    // Greeting, HELO, MAIL FROM, RCPT TO per address, DATA and the data lines; false when the
    // connection failed on the way (there is no QUIT then).
    bool Run(const MailMessage& message, const std::vector<std::string>& recipients,
             const mail::Stamp& stamp) {
        auto greeting = Reply(m_timeouts.reply);
        if (!greeting)
            return false;
        Check(*greeting, 300);
        auto helo = Command("HELO " + stamp.localHost);
        if (!helo)
            return false;
        Check(*helo, 300);
        auto mailFrom = Command("MAIL FROM: <" + mail::AddressOf(message.from, 1) + ">");
        if (!mailFrom)
            return false;
        Check(*mailFrom, 300);
        for (const std::string& recipient : recipients) {
            auto rcpt = Command("RCPT TO: <" + recipient + ">");
            if (!rcpt)
                return false;
            Check(*rcpt, 400);
        }
        auto data = Command("DATA");
        if (!data)
            return false;
        // Any answer but 354 means the message was not taken, whatever its code.
        if (!data->wellFormed || data->code != 354) {
            Check(*data, 0);
            return true;
        }
        return SendData(
            mail::DataLines(message, stamp, mail::MimeCharset(platform::SystemCodePage())));
    }

    // Ends the session; the answer does not change the result.
    void Quit() {
        platform::LogDebug("mail: > QUIT");
        if (m_connection.Send("QUIT\r\n", m_timeouts.reply))
            (void)m_connection.ReadReply(std::min(m_timeouts.reply, kQuitReplyLimit));
    }

private:
    void Record(std::string text) {
        if (m_error.empty())
            m_error = std::move(text);
        else
            platform::LogDebug("mail: later error: {}", text);
    }

    // The reply to the line sent; none (the failure recorded) when the connection failed.
    std::optional<SmtpReply> Command(std::string_view line) {
        platform::LogDebug("mail: > {}", line);
        if (platform::Status sent =
                m_connection.Send(fmt::format("{}\r\n", line), m_timeouts.reply);
            !sent) {
            Record(sent.Error());
            return std::nullopt;
        }
        return Reply(m_timeouts.reply);
    }

    std::optional<SmtpReply> Reply(std::chrono::milliseconds timeout) {
        auto reply = m_connection.ReadReply(timeout);
        if (!reply) {
            Record(reply.Error());
            return std::nullopt;
        }
        platform::LogDebug("mail: < {}", reply->line);
        return std::move(reply.Value());
    }

    // Records a malformed reply, or one whose code is `limit` or more.
    void Check(const SmtpReply& reply, int limit) {
        if (!reply.wellFormed)
            Record("SMTP malformed reply: " + reply.line.substr(0, 200));
        else if (reply.code >= limit)
            Record(fmt::format("SMTP {}{}", reply.text, reply.code));
    }

    bool SendData(const std::vector<std::string>& lines) {
        platform::LogDebug("mail: > {} lines of data", lines.size());
        if (platform::Status sent = m_connection.Send(mail::DataBlock(lines), m_timeouts.reply);
            !sent) {
            Record(sent.Error());
            return false;
        }
        auto reply = Reply(m_timeouts.reply);
        if (!reply)
            return false;
        Check(*reply, 300);
        return true;
    }

    SmtpConnection& m_connection;
    MailTimeouts m_timeouts;
    std::string m_error;
};

} // namespace

std::string SendMail(const MailMessage& message, const MailTimeouts& timeouts) {
    if (message.from.empty() || message.recipients.empty())
        return {};
    if (std::string refusal = mail::InjectionRefusal(message); !refusal.empty()) {
        platform::LogWarning("mail: {}; nothing sent", refusal);
        return refusal;
    }
    const std::vector<std::string> recipients = mail::AddressesOf(message.recipients);
    if (recipients.empty())
        return "Mail refused: no address in the recipients";
    auto server = mail::ParseServer(message.server);
    if (!server)
        return server.Error();
    auto connection = SmtpConnection::Open(server.Value(), timeouts.connect);
    if (!connection)
        return connection.Error();

    Dialogue dialogue(*connection.Value(), timeouts);
    if (dialogue.Run(message, recipients, mail::StampNow(mail::LocalHostName())))
        dialogue.Quit();
    return dialogue.Error();
}

} // namespace shell
