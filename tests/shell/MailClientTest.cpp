// Quorva run-time. Licensed under the MIT licence.
#include "shell/MailClient.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "shell/MailComposer.h"
#include "shell/SmtpConnection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using shell::MailMessage;
using shell::MailTimeouts;
using shell::SendMail;

std::vector<std::string> SplitMailLines(const std::string& text, std::string_view separator) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
         start = end + separator.size())
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// A real SMTP server (aiosmtpd) in a process of its own, storing what it receives.
class SmtpSink {
public:
    SmtpSink() {
        const std::string command = std::string("/usr/bin/python3 '") + QUORVA_SMTP_SINK + "' '" +
                                    m_directory.Path().string() + "'";
        m_output = ::popen(command.c_str(), "r");
        unsigned port = 0;
        if (m_output && std::fscanf(m_output, "%u %d", &port, &m_pid) == 2)
            m_port = static_cast<std::uint16_t>(port);
    }
    ~SmtpSink() {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
        if (m_output)
            ::pclose(m_output);
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::uint16_t Port() const { return m_port; }
    // The envelope of the n-th message taken (from 1): HELO, MAIL and RCPT lines.
    std::vector<std::string> Envelope(int n) const {
        return SplitMailLines(testsupport::ReadFile(m_directory / (std::to_string(n) + ".env")),
                              "\n");
    }
    std::vector<std::string> Message(int n) const {
        return SplitMailLines(testsupport::ReadFile(m_directory / (std::to_string(n) + ".eml")),
                              "\r\n");
    }
    bool Has(int n) const {
        return std::filesystem::exists(m_directory / (std::to_string(n) + ".env"));
    }

private:
    testsupport::TempDir m_directory;
    std::FILE* m_output = nullptr;
    int m_pid = 0;
    std::uint16_t m_port = 0;
};

// A server that answers from a script, for the replies real servers rarely give. It takes one
// connection after another on a thread of its own and records every line received. An empty
// answer says nothing, kHangUp closes the connection; a "354" answer starts the data, which runs
// to the "." line.
class ScriptedSmtpServer {
public:
    static constexpr std::string_view kHangUp = "hang up";
    using Answer = std::function<std::string(const std::string& line)>;
    ScriptedSmtpServer(std::string greeting, Answer answer)
        : m_greeting(std::move(greeting)), m_answer(std::move(answer)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(m_listener, 4) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedSmtpServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    int Connections() const {
        std::lock_guard lock(m_mutex);
        return m_connections;
    }
    // Waits (boundedly) for the n-th connection.
    bool WaitForConnection(int n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, [&] { return m_connections >= n; });
    }
    // Closes the connection being served.
    void HangUp() { m_hangUp = true; }

private:
    void Serve() {
        while (!m_stop) {
            pollfd entry{m_listener, POLLIN, 0};
            if (::poll(&entry, 1, 20) != 1)
                continue;
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            {
                std::lock_guard lock(m_mutex);
                ++m_connections;
            }
            m_changed.notify_all();
            Talk(client);
            ::close(client);
        }
    }
    void Talk(int client) {
        struct Reset {
            std::atomic<bool>& flag;
            ~Reset() { flag = false; }
        } reset{m_hangUp};
        auto say = [&](const std::string& text) {
            if (!text.empty())
                (void)::send(client, text.data(), text.size(), MSG_NOSIGNAL);
        };
        say(m_greeting);
        bool inData = false;
        std::string received;
        while (!m_stop && !m_hangUp) {
            pollfd entry{client, POLLIN, 0};
            if (::poll(&entry, 1, 20) != 1)
                continue;
            char buffer[4096];
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                return;
            received.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = received.find("\r\n")) != std::string::npos;) {
                const std::string line = received.substr(0, end);
                received.erase(0, end + 2);
                {
                    std::lock_guard lock(m_mutex);
                    m_lines.push_back(line);
                }
                if (inData && line != ".")
                    continue;
                inData = false;
                const std::string answer = line == "QUIT" ? "221 Bye\r\n" : m_answer(line);
                if (answer == kHangUp)
                    return;
                inData = answer.starts_with("354");
                say(answer);
            }
        }
    }

    std::string m_greeting;
    Answer m_answer;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_hangUp{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    int m_connections = 0;
    std::thread m_thread;
};

// Answers every command as a willing server does, except those `replace` answers otherwise.
ScriptedSmtpServer::Answer WillingExcept(std::map<std::string, std::string> replace) {
    return [replace](const std::string& line) -> std::string {
        for (const auto& [prefix, answer] : replace)
            if (line.starts_with(prefix))
                return answer;
        if (line == "DATA")
            return "354 Go ahead\r\n";
        return "250 OK\r\n";
    };
}

// Log lines of the mail code, for the queue's reports.
class MailLogWatch {
public:
    MailLogWatch() {
        m_previous = platform::log::SetSink([this](platform::LogLevel, std::string_view text) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(text);
            m_changed.notify_all();
        });
    }
    ~MailLogWatch() { platform::log::SetSink(m_previous); }
    bool WaitFor(std::string_view part) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, [&] {
            return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
                return line.find(part) != std::string::npos;
            });
        });
    }

private:
    platform::log::Sink m_previous;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
};

MailMessage PumpMail(std::string server, std::string recipients = "ops@plant.example") {
    return MailMessage{"Line 4 <plc@plant.example>", std::move(recipients), "Pump 3 stopped",
                       "Pressure low.", std::move(server)};
}

TEST(MailComposer, AddressesAreTakenOutOfNamesAndLists) {
    using shell::mail::AddressesOf;
    EXPECT_EQ(AddressesOf("Ops Team <ops@plant.example>; boss@plant.example"),
              (std::vector<std::string>{"ops@plant.example", "boss@plant.example"}));
    EXPECT_EQ(AddressesOf("\"a@b.c\" (x@y.z),<<q@r.s>>"),
              (std::vector<std::string>{"a@b.c", "x@y.z", "q@r.s"}));
    EXPECT_TRUE(AddressesOf("no address here").empty());
    EXPECT_EQ(shell::mail::AddressOf("a@b", 0), "");
    EXPECT_EQ(shell::mail::AddressOf("a@b", 2), "");
}

TEST(MailComposer, DateTextEndsInTheZone) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_wday = 2;
    local.tm_hour = 4;
    local.tm_min = 3;
    local.tm_sec = 9;
    using shell::mail::DateText;
    EXPECT_EQ(DateText(local, 0), "Tue, 5 Mar 2024 04:03:09 GMT");
    EXPECT_EQ(DateText(local, 3600), "Tue, 5 Mar 2024 04:03:09 +0100");
    EXPECT_EQ(DateText(local, -5 * 3600), "Tue, 5 Mar 2024 04:03:09 -0500");
    EXPECT_EQ(DateText(local, 5 * 3600 + 1800), "Tue, 5 Mar 2024 04:03:09 +0530");
    EXPECT_EQ(DateText(local, -(3 * 3600 + 1800)), "Tue, 5 Mar 2024 04:03:09 -0330");
    local.tm_wday = 7;
    local.tm_mon = -1;
    EXPECT_EQ(DateText(local, 0).substr(0, 12), "Sun, 5 Dec 2");
}

TEST(MailComposer, MessageLinesComeInOrderWithTheCodePageNamed) {
    const shell::mail::Stamp stamp{"plc.local", "Tue, 5 Mar 2024 04:03:09 GMT", "<1.2@plc.local>"};
    MailMessage message = PumpMail("", "Ops <ops@x.org>; boss@x.org");
    message.body = "first\r\nsecond\rthird\n\nfifth\n";
    EXPECT_EQ(shell::mail::DataLines(message, stamp, "windows-1252"),
              (std::vector<std::string>{
                  "From: Line 4 <plc@plant.example>", "Message-ID: <1.2@plc.local>",
                  "Date: Tue, 5 Mar 2024 04:03:09 GMT", "Subject: Pump 3 stopped",
                  "To: Ops <ops@x.org>; boss@x.org", "MIME-Version: 1.0",
                  "Content-Type: text/plain; charset=windows-1252",
                  "Content-Transfer-Encoding: 7bit", "", "first", "second", "third", "", "fifth"}));
    EXPECT_EQ(shell::mail::MimeCharset("WINDOWS-1252"), "windows-1252");
    EXPECT_EQ(shell::mail::MimeCharset("CP1250"), "windows-1250");
    EXPECT_EQ(shell::mail::MimeCharset("ISO-8859-15"), "iso-8859-15");

    // A subject with code-page bytes: encoded words, none longer than 75 characters.
    message.subject = "Temp\xe9rature 5\xb0";
    std::vector<std::string> lines = shell::mail::DataLines(message, stamp, "windows-1252");
    EXPECT_EQ(lines[3], "Subject: =?windows-1252?Q?Temp=E9rature_5=B0?=");
    message.subject = std::string(120, '\xe9');
    lines = shell::mail::DataLines(message, stamp, "windows-1252");
    std::string decoded;
    for (std::size_t i = 3; lines[i].starts_with("Subject: ") || lines[i].starts_with(" "); ++i) {
        const std::string word = lines[i].substr(lines[i].find("=?"));
        EXPECT_LE(word.size(), 75u);
        for (std::size_t at = word.find("=E9"); at != std::string::npos;
             at = word.find("=E9", at + 3))
            decoded += '\xe9';
    }
    EXPECT_EQ(decoded, message.subject);
}

TEST(MailComposer, DotsAreStuffedAndLongLinesBroken) {
    const std::string block = shell::mail::DataBlock({"a", ".", "..b", "", "c."});
    EXPECT_EQ(block, "a\r\n..\r\n...b\r\n\r\nc.\r\n.\r\n");

    MailMessage message = PumpMail("");
    message.body =
        std::string(2500, 'x') + "\r\n" + std::string(998, 'y') + "." + std::string(1200, '.');
    const auto lines =
        shell::mail::DataLines(message, shell::mail::Stamp{"h", "d", "<m>"}, "windows-1252");
    std::string joined;
    for (const std::string& line : SplitMailLines(shell::mail::DataBlock(lines), "\r\n")) {
        EXPECT_LE(line.size(), shell::mail::kMaxLineLength) << line.substr(0, 20);
        if (line.starts_with("x") || line.starts_with("y") || line.starts_with("."))
            joined += line.starts_with("..") ? line.substr(1) : line;
    }
    // Nothing lost: the pieces, unstuffed, are the two lines again (and the closing dot).
    EXPECT_EQ(joined,
              std::string(2500, 'x') + std::string(998, 'y') + "." + std::string(1200, '.') + ".");
}

TEST(MailComposer, ServerTextsGiveHostAndPort) {
    auto parsed = shell::mail::ParseServer("mail.plant.example:2525");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->host, "mail.plant.example");
    EXPECT_EQ(parsed->port, 2525);
    EXPECT_EQ(shell::mail::ParseServer("10.0.0.1")->port, 25);
    for (const char* bad : {"host:", "host:0", "host:65536", "host:smtp", "host:-1"})
        EXPECT_EQ(shell::mail::ParseServer(bad).Error(),
                  std::string("Bad port in SMTP server ") + bad);
}

TEST(MailClient, RealServerReceivesEnvelopeHeadersAndTransparentBody) {
    SmtpSink sink;
    ASSERT_NE(sink.Port(), 0) << "the SMTP server of the tests did not start";
    MailMessage message =
        PumpMail(sink.Server(), "Ops Team <ops@plant.example>; boss@plant.example");
    const std::string longLine(1500, 'L');
    const std::string accented = "\xe9t\xe9 80\xb0\x43"; // "été 80°C" in Windows-1252
    message.body = "Line one\r\n.\r\n..two dots\r\n" + longLine + "\r\n" + accented;
    EXPECT_EQ(SendMail(message), "");
    ASSERT_TRUE(sink.Has(1));

    const auto envelope = sink.Envelope(1);
    ASSERT_EQ(envelope.size(), 4u);
    EXPECT_TRUE(envelope[0].starts_with("HELO ") && envelope[0].size() > 5);
    EXPECT_EQ(envelope[1], "MAIL plc@plant.example");
    EXPECT_EQ(envelope[2], "RCPT ops@plant.example");
    EXPECT_EQ(envelope[3], "RCPT boss@plant.example");

    const auto lines = sink.Message(1);
    ASSERT_GE(lines.size(), 15u);
    EXPECT_EQ(lines[0], "From: Line 4 <plc@plant.example>");
    EXPECT_TRUE(lines[1].starts_with("Message-ID: <") && lines[1].ends_with(">"));
    EXPECT_TRUE(lines[2].starts_with("Date: "));
    EXPECT_EQ(lines[3], "Subject: Pump 3 stopped");
    EXPECT_EQ(lines[4], "To: Ops Team <ops@plant.example>; boss@plant.example");
    EXPECT_EQ(lines[6], "Content-Type: text/plain; charset=windows-1252");
    EXPECT_EQ(lines[7], "Content-Transfer-Encoding: 8bit");
    const std::vector<std::string> body(lines.begin() + 9, lines.end());
    EXPECT_EQ(body,
              (std::vector<std::string>{"Line one", ".", "..two dots", longLine.substr(0, 998),
                                        longLine.substr(998), accented}));

    // Two messages in one second still carry different identifiers.
    EXPECT_EQ(SendMail(message), "");
    ASSERT_TRUE(sink.Has(2));
    EXPECT_NE(sink.Message(2)[1], lines[1]);
}

TEST(MailClient, RejectedRecipientIsReportedWhileTheOthersGetTheMessage) {
    SmtpSink sink;
    ASSERT_NE(sink.Port(), 0) << "the SMTP server of the tests did not start";
    EXPECT_EQ(SendMail(PumpMail(sink.Server(), "nobody@plant.example, ops@plant.example")),
              "SMTP No such user here550");
    ASSERT_TRUE(sink.Has(1));
    EXPECT_EQ(sink.Envelope(1).back(), "RCPT ops@plant.example");
}

TEST(MailClient, LineBreaksInHeaderTextsAndEmptyAddressesSendNothing) {
    ScriptedSmtpServer server("220 ready\r\n", WillingExcept({}));
    MailMessage message = PumpMail(server.Server());
    message.subject = "Hello\r\nBcc: victim@example.org";
    EXPECT_EQ(SendMail(message), "Mail refused: line break in the subject");
    message = PumpMail(server.Server(), "ops@plant.example\nRCPT TO: <victim@example.org>");
    EXPECT_EQ(SendMail(message), "Mail refused: line break in the recipients");
    message = PumpMail(server.Server());
    message.from = "plc@plant.example\r";
    EXPECT_EQ(SendMail(message), "Mail refused: line break in the sender");
    EXPECT_EQ(SendMail(PumpMail(server.Server(), "Operators")),
              "Mail refused: no address in the recipients");
    message = PumpMail(server.Server());
    message.from.clear();
    EXPECT_EQ(SendMail(message), "");
    EXPECT_EQ(SendMail(PumpMail(server.Server(), "")), "");
    EXPECT_EQ(server.Connections(), 0);
}

TEST(MailClient, FirstErrorReplyWinsAndTheDialogueGoesOn) {
    struct Case {
        std::string greeting;
        std::map<std::string, std::string> replace;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"220-first\r\n220 ready\r\n",
         {{"HELO", "500-Syntax error\r\n500 really\r\n"}, {"MAIL", "503 No HELO\r\n"}},
         "SMTP Syntax error500"},
        {"220 ready\r\n", {{"DATA", "451 Try later\r\n"}}, "SMTP Try later451"},
        {"220 ready\r\n", {{"DATA", "250 Odd\r\n"}}, "SMTP Odd250"},
        {"220 ready\r\n", {{".", "552 Too big\r\n"}}, "SMTP Too big552"},
        {"Hello there\r\n", {}, "SMTP malformed reply: Hello there"},
        {"220 ready\r\n", {{"MAIL", "ok\r\n"}}, "SMTP malformed reply: ok"},
    };
    for (const Case& c : cases) {
        ScriptedSmtpServer server(c.greeting, WillingExcept(c.replace));
        EXPECT_EQ(SendMail(PumpMail(server.Server())), c.error);
        const auto lines = server.Lines();
        ASSERT_GE(lines.size(), 5u) << c.error;
        EXPECT_TRUE(lines[0].starts_with("HELO "));
        EXPECT_EQ(lines[1], "MAIL FROM: <plc@plant.example>");
        EXPECT_EQ(lines[2], "RCPT TO: <ops@plant.example>");
        EXPECT_EQ(lines[3], "DATA");
        EXPECT_EQ(lines.back(), "QUIT");
        // The body goes only after a 354.
        const bool bodySent = std::find(lines.begin(), lines.end(), "Pressure low.") != lines.end();
        EXPECT_EQ(bodySent, !c.replace.contains("DATA")) << c.error;
    }
}

TEST(MailClient, SilentOrVanishingServersEndTheSendInTime) {
    const MailTimeouts quick{2000ms, 200ms};
    ScriptedSmtpServer silent("", [](const std::string&) { return std::string(); });
    EXPECT_EQ(SendMail(PumpMail(silent.Server()), quick),
              "SMTP time-out: no reply from 127.0.0.1 within 200 ms");
    ScriptedSmtpServer mute("220 ready\r\n", WillingExcept({{"RCPT", ""}}));
    EXPECT_EQ(SendMail(PumpMail(mute.Server()), quick),
              "SMTP time-out: no reply from 127.0.0.1 within 200 ms");
    EXPECT_EQ(mute.Lines().back(), "RCPT TO: <ops@plant.example>"); // no QUIT after a time-out

    ScriptedSmtpServer hangingUp(
        "220 ready\r\n", WillingExcept({{"HELO", std::string(ScriptedSmtpServer::kHangUp)}}));
    EXPECT_EQ(SendMail(PumpMail(hangingUp.Server())), "SMTP connection closed by 127.0.0.1");
}

TEST(MailClient, UnreachableServersGiveTheClassicTexts) {
    EXPECT_EQ(SendMail(PumpMail("no-such-host.invalid")),
              "Couldn't resolve hostname no-such-host.invalid");
    EXPECT_EQ(SendMail(PumpMail("")), "Couldn't resolve hostname ");
    EXPECT_EQ(SendMail(PumpMail("127.0.0.1:smtp")), "Bad port in SMTP server 127.0.0.1:smtp");
    // A port bound but not listening refuses connections.
    const int bound = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(bound, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string refused = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    EXPECT_EQ(SendMail(PumpMail(refused)), "INVALID_SOCKET");

    ::close(bound);
}

TEST(MailClient, SendsOnSeveralThreadsKeepTheirOwnErrors) {
    MailLogWatch quiet;
    ScriptedSmtpServer first("220 ready\r\n", WillingExcept({{"HELO", "500 first\r\n"}}));
    ScriptedSmtpServer second("220 ready\r\n", WillingExcept({{"MAIL", "550 second\r\n"}}));
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 5; ++round) {
                const bool odd = i % 2 != 0;
                const std::string error =
                    SendMail(PumpMail(odd ? second.Server() : first.Server()));
                if (error != (odd ? "SMTP second550" : "SMTP first500"))
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(MailQueue, SendsInOrderAndDrains) {
    SmtpSink sink;
    ASSERT_NE(sink.Port(), 0) << "the SMTP server of the tests did not start";
    shell::MailQueue queue;
    for (const char* subject : {"one", "two", "three"}) {
        MailMessage message = PumpMail(sink.Server());
        message.subject = subject;
        EXPECT_TRUE(queue.Post(message));
    }
    queue.Drain();
    ASSERT_TRUE(sink.Has(3));
    EXPECT_EQ(sink.Message(1)[3], "Subject: one");
    EXPECT_EQ(sink.Message(3)[3], "Subject: three");
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(MailQueue, FullQueueDropsAndShutdownSendsNothingMore) {
    MailLogWatch log;
    ScriptedSmtpServer server("", [](const std::string&) { return std::string(); });
    auto queue = std::make_unique<shell::MailQueue>(1, MailTimeouts{2000ms, 20000ms});
    EXPECT_TRUE(queue->Post(PumpMail(server.Server())));
    ASSERT_TRUE(server.WaitForConnection(1)); // the worker is busy with the first message
    EXPECT_TRUE(queue->Post(PumpMail(server.Server())));
    EXPECT_FALSE(queue->Post(PumpMail(server.Server())));
    EXPECT_EQ(queue->Dropped(), 1u);
    EXPECT_TRUE(log.WaitFor("dropped"));

    std::thread closer([&] { queue.reset(); });
    // Once the queued message is given up, the one being sent may end.
    EXPECT_TRUE(log.WaitFor("1 queued messages not sent"));
    server.HangUp();
    closer.join();
    EXPECT_TRUE(log.WaitFor("not sent: SMTP connection closed by 127.0.0.1"));
    EXPECT_EQ(server.Connections(), 1);
}

} // namespace
